#include "TallyFixture.h"
#include <support/DamagedCopies.h>
#include <TallyMacAddress.h>
#include <util/HardwareAddress.h>
#include <util/SHA1.h>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <random>

namespace
{

/**
 * The checksum as a remainder register: the identifier's bits shifted in
 * one by one, the divisor subtracted whenever the 33-bit window holds it;
 * the answer is the last window minus the divisor, modulo 2^32.
 */
uint32_t remainderRegister(std::string const& text)
{
	uint64_t const divisor = 0xB2733599u;
	size_t const n = text.size() * 8;
	if (n < 32)
		return 0;
	auto bit = [&](size_t i) { return (static_cast<unsigned char>(text[i / 8]) >> (7 - i % 8)) & 1u; };
	uint64_t remainder = 0;
	for (size_t i = 0; i < 31; ++i)
		remainder = (remainder << 1) | bit(i);
	uint32_t result = 0;
	for (size_t i = 0; i + 32 <= n; ++i)
	{
		uint64_t window = (remainder << 1) | bit(i + 31);
		result = static_cast<uint32_t>(window - divisor);
		remainder = window >= divisor ? window - divisor : window;
	}
	return result;
}

class TallyDeviceIdsTest : public TallyTest
{
protected:
	std::string storedPath() { return TallyDeviceIds::sharedIdentifierFilePath(); }
	std::string stored() { return m_folder.read(storedPath().substr(m_folder.path().size() + 1)); }
	void store(std::string const& value) { m_folder.write(storedPath().substr(m_folder.path().size() + 1), value); }
};

} // namespace

TEST(TallyDeviceIdsChecksum, BitVectorAndRemainderRegisterAgree)
{
	struct
	{
		char const* text;
		uint32_t checksum;
	} const known[] = {
		{"ABCD", 0x8ECF0DABu},
		{"ID00000000-0000-0000-0000-000000000000", 0x85CB69D3u},
		{"ID6F1A2B3C-4D5E-4F60-8172-93A4B5C6D7E8", 0x034B73C9u},
	};
	for (auto const& k : known)
	{
		EXPECT_EQ(k.checksum, TallyDeviceIds::generateCFUUIDBasedUIDChecksum(k.text)) << k.text;
		EXPECT_EQ(k.checksum, remainderRegister(k.text)) << k.text;
	}
	std::mt19937 rng(4);
	for (int i = 0; i < 300; ++i)
	{
		std::string text(rng() % 50, '\0');
		for (char& c : text)
			c = static_cast<char>(rng());
		EXPECT_EQ(remainderRegister(text), TallyDeviceIds::generateCFUUIDBasedUIDChecksum(text)) << i;
	}
	// A small checksum still takes eight digits.
	EXPECT_EQ("ID6F1A2B3C-4D5E-4F60-8172-93A4B5C6D7E8034B73C9",
	          TallyDeviceIds::getCFUUIDBasedUIDWithChecksum("ID6F1A2B3C-4D5E-4F60-8172-93A4B5C6D7E8"));
}

TEST(TallyDeviceIdsUuid, VersionFourUpperCase)
{
	std::string a = TallyDeviceIds::generateCFUUID(), b = TallyDeviceIds::generateCFUUID();
	ASSERT_EQ(36u, a.size());
	EXPECT_NE(a, b);
	EXPECT_EQ('4', a[14]);
	EXPECT_NE(std::string::npos, std::string("89AB").find(a[19]));
	for (size_t i : {8u, 13u, 18u, 23u})
		EXPECT_EQ('-', a[i]);
	for (char c : a)
		EXPECT_TRUE(c == '-' || std::isdigit(static_cast<unsigned char>(c)) || (c >= 'A' && c <= 'F')) << a;
	EXPECT_EQ("ID", TallyDeviceIds::generateCFUUIDBasedUID().substr(0, 2));
	EXPECT_EQ("0aff", TallyDeviceIds::hashDataToHexString(std::string("\x0a\xff\x01", 3), 2));
}

TEST_F(TallyDeviceIdsTest, StatusesOfTheStoredIdentifier)
{
	uint8_t status = 0;
	std::string first = TallyDeviceIds::getCFUUIDBasedUIDAndStatus(status);
	EXPECT_EQ(1, status);
	EXPECT_EQ(38u, first.size());
	EXPECT_EQ(TallyDeviceIds::getCFUUIDBasedUIDWithChecksum(first), stored());

	EXPECT_EQ(first, TallyDeviceIds::getCFUUIDBasedUIDAndStatus(status));
	EXPECT_EQ(2, status);

	std::string changed = stored();
	changed[5] = changed[5] == 'A' ? 'B' : 'A';
	store(changed);
	std::string replaced = TallyDeviceIds::getCFUUIDBasedUIDAndStatus(status);
	EXPECT_EQ(3, status);
	EXPECT_NE(first, replaced);
	EXPECT_EQ(46u, stored().size());

	store(stored().substr(0, 40));
	TallyDeviceIds::getCFUUIDBasedUIDAndStatus(status);
	EXPECT_EQ(4, status);

	// A checksum below 0x10000000 (its text starts with "0") reads back as valid.
	std::string small;
	for (int i = 0; i < 5000 && small.empty(); ++i)
	{
		std::string id = TallyDeviceIds::generateCFUUIDBasedUID();
		if (TallyDeviceIds::generateCFUUIDBasedUIDChecksum(id) < 0x10000000u)
			small = id;
	}
	ASSERT_FALSE(small.empty());
	store(TallyDeviceIds::getCFUUIDBasedUIDWithChecksum(small));
	EXPECT_EQ(small, TallyDeviceIds::getCFUUIDBasedUIDAndStatus(status));
	EXPECT_EQ(2, status);
}

// Any damage gives status 3 or 4 and a fresh, valid 46-character value.
TEST_F(TallyDeviceIdsTest, DamagedStoredValuesAreReplaced)
{
	std::string valid = TallyDeviceIds::getCFUUIDBasedUIDWithChecksum("ID6F1A2B3C-4D5E-4F60-8172-93A4B5C6D7E8");
	std::vector<unsigned char> bytes(valid.begin(), valid.end());
	bytes.push_back(0xC3);
	forEachDamagedCopy(bytes, 300, 12, [&](std::vector<unsigned char> const& copy) {
		std::string value(copy.begin(), copy.end());
		store(value);
		uint8_t status = 0;
		std::string id = TallyDeviceIds::getCFUUIDBasedUIDAndStatus(status);
		if (value == valid)
		{
			EXPECT_EQ(2, status);
			return;
		}
		EXPECT_TRUE(status == 3 || status == 4) << int(status);
		EXPECT_EQ(value.size() == 46 ? 3 : 4, status);
		EXPECT_EQ(TallyDeviceIds::getCFUUIDBasedUIDWithChecksum(id), stored());
	});
}

TEST(TallyDeviceIdsMac, AddressTextMatchesTheSystem)
{
	char buffer[18];
	std::error_code ec;
	for (auto const& entry : std::filesystem::directory_iterator("/sys/class/net", ec))
	{
		std::string name = entry.path().filename().string(), type, text;
		std::ifstream(entry.path() / "type") >> type;
		std::ifstream(entry.path() / "address") >> text;
		if (type != "1" || text.size() != 17)
			continue;
		for (char& c : text)
			c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
		EXPECT_EQ(text, std::string(tallyGetMacAddress(buffer, name.c_str()))) << name;
	}
	std::string first = util::firstEthernetInterface();
	std::string en0 = tallyGetMacAddress(buffer, "en0");
	EXPECT_EQ(first.empty() ? std::string() : std::string(tallyGetMacAddress(buffer, first.c_str())), en0);
	EXPECT_EQ("", std::string(tallyGetMacAddress(buffer, "no-such-interface")));
	EXPECT_EQ(util::SHA1::rawDigest(en0), TallyDeviceIds::getMACUID());
	EXPECT_EQ(util::SHA1::rawDigest("IPHONE" + en0 + TallySession::devicePlatform()), TallyDeviceIds::getMACBasedUID());
	EXPECT_EQ(TallyDeviceIds::getMACUID(), TallyDeviceIds::getMACUID());
}
