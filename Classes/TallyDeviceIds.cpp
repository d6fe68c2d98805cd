// The device identifiers of the report: two from the hardware address, one
// generated and kept in a file that all the user's applications share.

#include "TallyDeviceIds.h"
#include "TallyGuard.h"
#include "TallyLog.h"
#include "TallyMacAddress.h"
#include "TallyProtocolData.h"
#include "TallyStorage.h"
#include <io/detail/detail.h>
#include <linux/TallyPlatform.h>
#include <util/HardwareAddress.h>
#include <util/SHA1.h>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <stdexcept>
#include <sys/random.h>

namespace
{

constexpr uint32_t DIVISOR = 0xB2733599u;
constexpr size_t IDENTIFIER_LENGTH = 38;
constexpr size_t STORED_LENGTH = IDENTIFIER_LENGTH + 8;

std::string macText()
{
	char buffer[18];
	return tallyGetMacAddress(buffer, "en0");
}

/** Serialises read-and-replace of the shared identifier file within the process. Never destroyed. */
std::mutex& identifierMutex()
{
	static std::mutex* s_mutex = new std::mutex;
	return *s_mutex;
}

bool isHexText(std::string const& text)
{
	for (char c : text)
		if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f')))
			return false;
	return !text.empty();
}

} // namespace

char* tallyGetMacAddress(char* buffer, char const* interfaceName)
{
	buffer[0] = '\0';
	std::string name = interfaceName ? interfaceName : "";
	if (name == "en0")
		name = util::firstEthernetInterface();
	if (name.empty())
		return buffer;
	if (std::optional<util::HardwareAddress> address = util::hardwareAddress(name))
	{
		std::string text = util::hardwareAddressText(*address);
		std::memcpy(buffer, text.c_str(), text.size() + 1);
	}
	return buffer;
}

std::string TallyDeviceIds::hashData(std::string const& data)
{
	return util::SHA1::rawDigest(data);
}

std::string TallyDeviceIds::hashDataToHexString(std::string const& data, size_t length)
{
	static char const HEX[] = "0123456789abcdef";
	std::string text;
	for (size_t i = 0; i < length && i < data.size(); ++i)
	{
		unsigned char b = static_cast<unsigned char>(data[i]);
		text += HEX[b >> 4];
		text += HEX[b & 15];
	}
	return text;
}

std::string TallyDeviceIds::getMACBasedUID()
{
	return hashData("IPHONE" + macText() + TallyPlatform::devicePlatform());
}

std::string TallyDeviceIds::getMACUID()
{
	return hashData(macText());
}

std::string TallyDeviceIds::generateCFUUID()
{
	unsigned char bytes[16];
	size_t got = 0;
	while (got < sizeof(bytes))
	{
		ssize_t n = getrandom(bytes + got, sizeof(bytes) - got, 0);
		if (n < 0)
		{
			if (errno == EINTR)
				continue;
			throw std::runtime_error("no random bytes for an identifier");
		}
		got += static_cast<size_t>(n);
	}
	bytes[6] = static_cast<unsigned char>((bytes[6] & 0x0F) | 0x40);
	bytes[8] = static_cast<unsigned char>((bytes[8] & 0x3F) | 0x80);
	char text[37];
	std::snprintf(text, sizeof(text), "%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X", bytes[0], bytes[1], bytes[2], bytes[3],
	              bytes[4], bytes[5], bytes[6], bytes[7], bytes[8], bytes[9], bytes[10], bytes[11], bytes[12], bytes[13], bytes[14], bytes[15]);
	return text;
}

std::string TallyDeviceIds::generateCFUUIDBasedUID()
{
	return "ID" + generateCFUUID();
}

uint32_t TallyDeviceIds::generateCFUUIDBasedUIDChecksum(std::string const& identifier)
{
	// Long division in base 2, in place on the identifier's bits (bit 0 is
	// the top bit of the first byte); the carry stands for the bit above
	// the 32-bit window.
	std::vector<unsigned char> bits(identifier.begin(), identifier.end());
	size_t const n = bits.size() * 8;
	auto bit = [&](size_t i) { return (bits[i / 8] >> (7 - i % 8)) & 1u; };
	auto setBit = [&](size_t i, unsigned value) {
		unsigned char mask = static_cast<unsigned char>(1u << (7 - i % 8));
		bits[i / 8] = static_cast<unsigned char>(value ? bits[i / 8] | mask : bits[i / 8] & ~mask);
	};
	bool carry = false;
	uint32_t result = 0;
	for (size_t i = 0; n >= 32 && i <= n - 32; ++i)
	{
		uint64_t window = carry ? 1ull << 32 : 0;
		for (size_t k = 0; k < 32; ++k)
			window |= static_cast<uint64_t>(bit(i + k)) << (31 - k);
		uint64_t difference = window - DIVISOR;
		result = static_cast<uint32_t>(difference);
		if (window >= DIVISOR)
		{
			if (carry)
			{
				setBit(i - 1, 0);
				carry = false;
			}
			carry = (difference >> 31) & 1u;
			for (size_t k = 0; k < 32; ++k)
				setBit(i + k, static_cast<unsigned>((difference >> (31 - k)) & 1u));
		}
		else
			carry = bit(i) != 0;
	}
	return result;
}

std::string TallyDeviceIds::getCFUUIDBasedUIDWithChecksum(std::string const& identifier)
{
	char checksum[9];
	std::snprintf(checksum, sizeof(checksum), "%08X", generateCFUUIDBasedUIDChecksum(identifier));
	return identifier + checksum;
}

std::string TallyDeviceIds::sharedIdentifierFilePath()
{
	return TallyPlatform::userDataPath() + "/tally.agent.pasteboard/tally.agent.uid";
}

std::string TallyDeviceIds::getCFUUIDBasedUIDAndStatus(uint8_t& status)
{
	std::lock_guard<std::mutex> lock(identifierMutex());
	std::string path = sharedIdentifierFilePath();
	std::optional<std::string> stored = TallyStorage::read(path);
	if (!stored)
		status = 1;
	else if (TallyProtocolData::utf16Length(*stored) != static_cast<long>(STORED_LENGTH))
	{
		status = 4;
		tallyLog("TallyAnalytics: shared identifier [%@] has %d bytes, not a stored identifier", {path, static_cast<int64_t>(stored->size())});
	}
	else
	{
		bool ascii = stored->size() == STORED_LENGTH;
		std::string identifier = stored->substr(0, IDENTIFIER_LENGTH);
		std::string checksum = ascii ? stored->substr(IDENTIFIER_LENGTH) : std::string();
		char expected[9];
		std::snprintf(expected, sizeof(expected), "%08X", generateCFUUIDBasedUIDChecksum(identifier));
		if (ascii && isHexText(checksum) && std::strtoul(checksum.c_str(), nullptr, 16) == std::strtoul(expected, nullptr, 16))
		{
			status = 2;
			return identifier;
		}
		status = 3;
		tallyLog("TallyAnalytics: shared identifier [%@] has a wrong checksum", {path});
	}
	std::string identifier;
	tallyGuard([&] {
		identifier = generateCFUUIDBasedUID();
		io::detail::makeFolders(path.substr(0, path.rfind('/')));
		TallyStorage::write(path, getCFUUIDBasedUIDWithChecksum(identifier));
	});
	return identifier;
}

std::string TallyDeviceIds::tallyIDsList()
{
	uint8_t status = 0;
	return "2:" + hashDataToHexString(getMACBasedUID(), 20) + ",4:" + hashDataToHexString(getMACUID(), 20) + ",3:" + getCFUUIDBasedUIDAndStatus(status);
}
