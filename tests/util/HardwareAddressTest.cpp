#include <util/HardwareAddress.h>
#include <gtest/gtest.h>
#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>

// Every interface the system lists in /sys/class/net with an Ethernet
// address answers that address, and the first usable one is among them.
TEST(HardwareAddress, MatchesTheSystemsInterfaceList)
{
	std::error_code ec;
	bool firstSeen = false;
	std::string first = util::firstEthernetInterface();
	for (auto const& entry : std::filesystem::directory_iterator("/sys/class/net", ec))
	{
		std::string name = entry.path().filename().string();
		std::string type, text;
		std::ifstream(entry.path() / "type") >> type;
		std::ifstream(entry.path() / "address") >> text;
		std::optional<util::HardwareAddress> address = util::hardwareAddress(name);
		if (type != "1" || text.size() != 17)
		{
			EXPECT_FALSE(address && name == "lo") << name;
			continue;
		}
		std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
		ASSERT_TRUE(address) << name;
		EXPECT_EQ(text, util::hardwareAddressText(*address)) << name;
		firstSeen = firstSeen || name == first;
	}
	EXPECT_TRUE(first.empty() || firstSeen) << first;
	EXPECT_FALSE(util::hardwareAddress("no-such-interface"));
	EXPECT_NE("lo", first);
}

TEST(HardwareAddress, TextIsUpperCaseHexPairs)
{
	EXPECT_EQ("00:1A:2B:3C:4D:FF", util::hardwareAddressText({0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0xFF}));
}
