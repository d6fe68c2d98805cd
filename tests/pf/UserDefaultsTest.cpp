#include <support/DamagedCopies.h>
#include <support/TempFolder.h>
#include <io/detail/detail.h>
#include <io/std/SetAside.h>
#include <pf/AppSettings.h>
#include <pf/UserDefaults.h>
#include <gtest/gtest.h>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <string>
#include <thread>

namespace
{

class UserDefaultsFile : public ::testing::Test
{
protected:
	test::TempFolder appData;
	pf::UserDefaults& defaults = pf::UserDefaults::standard();

	UserDefaultsFile()
	{
		io::detail::setAppdataPath(appData.path());
		defaults.reset();
	}

	~UserDefaultsFile() override
	{
		defaults.reset();
		io::detail::setAppdataPath("");
	}
};

TEST_F(UserDefaultsFile, RoundTripAndEditsOnDisk)
{
	defaults.setBoolean("notifications", false);
	defaults.setNumber("count", 3.5);
	defaults.setString("name", "a \"quoted\" %s");
	EXPECT_TRUE(defaults.synchronise());
	defaults.reset();
	EXPECT_FALSE(defaults.getBoolean("notifications", true));
	EXPECT_EQ(3.5, defaults.getNumber("count"));
	EXPECT_EQ("a \"quoted\" %s", defaults.getString("name"));
	EXPECT_EQ("", defaults.getString("count")) << "a number is not a text";

	// Edited on disk, then a change not yet written: both survive.
	appData.write("user-defaults.json", "{\"notifications\": true, \"other\": \"x\"}");
	defaults.setNumber("count", 4);
	EXPECT_TRUE(defaults.synchronise());
	EXPECT_TRUE(defaults.getBoolean("notifications"));
	EXPECT_EQ("x", defaults.getString("other"));
	EXPECT_EQ(4, defaults.getNumber("count"));
	EXPECT_FALSE(defaults.hasKey("name")) << "the file on disk wins for keys not changed here";

	pf::AppSettings settings;
	EXPECT_TRUE(settings.isBoolean("notifications"));
	EXPECT_TRUE(settings.getBoolean("notifications"));
	EXPECT_FALSE(settings.isBoolean("missing"));
}

TEST_F(UserDefaultsFile, TwoThreadsLoseNoKey)
{
	auto work = [this](char const* prefix) {
		for (int i = 0; i < 200; ++i)
		{
			defaults.setNumber(prefix + std::to_string(i), i);
			if (i % 50 == 0)
				defaults.synchronise();
		}
	};
	std::thread a(work, "a"), b(work, "b");
	a.join();
	b.join();
	EXPECT_TRUE(defaults.synchronise());
	defaults.reset();
	for (int i = 0; i < 200; ++i)
	{
		EXPECT_EQ(i, defaults.getNumber("a" + std::to_string(i), -1));
		EXPECT_EQ(i, defaults.getNumber("b" + std::to_string(i), -1));
	}
}

TEST_F(UserDefaultsFile, DamagedFilesReadAsEmptyAndAreKeptAside)
{
	std::string const good = "{\"notifications\": false, \"notificationsSound\": true, \"n\": 1, \"s\": \"t\"}";
	std::vector<unsigned char> bytes(good.begin(), good.end());
	forEachDamagedCopy(bytes, 200, 11, [&](std::vector<unsigned char> const& copy) {
		appData.write("user-defaults.json", std::string(copy.begin(), copy.end()));
		defaults.reset();
		defaults.getBoolean("notifications");
		defaults.hasKey("s");
	});
	for (char const* bad : {"[]", "{\"a\": [1]}", "{\"a\": null}", "{\"a\": 1, \"a\": 2}", "{} x"})
	{
		appData.write("user-defaults.json", bad);
		defaults.reset();
		EXPECT_FALSE(defaults.hasKey("a")) << bad;
	}
	defaults.setBoolean("fresh", true);
	EXPECT_TRUE(defaults.synchronise());
	EXPECT_EQ("{} x", appData.read("user-defaults.json.bad"));
	defaults.reset();
	EXPECT_TRUE(defaults.getBoolean("fresh"));
}

// A damaged file that cannot be moved aside (every name for it is taken)
// is not written over; the changes stay pending.
TEST_F(UserDefaultsFile, DamagedFileThatCannotBeMovedIsNotWrittenOver)
{
	appData.write("user-defaults.json", "{ damaged");
	appData.write("user-defaults.json.bad", "earlier");
	for (int n = 2; n <= io::MAX_SET_ASIDE_COPIES; ++n)
		appData.write("user-defaults.json.bad-" + std::to_string(n), "earlier");
	defaults.reset();
	defaults.setBoolean("fresh", true);
	EXPECT_FALSE(defaults.synchronise());
	EXPECT_EQ("{ damaged", appData.read("user-defaults.json"));
	std::filesystem::remove(appData / "user-defaults.json.bad-1000");
	EXPECT_TRUE(defaults.synchronise());
	EXPECT_EQ("{ damaged", appData.read("user-defaults.json.bad-1000"));
	defaults.reset();
	EXPECT_TRUE(defaults.getBoolean("fresh"));
}

} // namespace

// A number the file cannot hold costs only its own key; every other number
// reads back bit for bit.
TEST_F(UserDefaultsFile, NumbersReadBackBitForBitAndOneOutOfRangeCostsOnlyItsKey)
{
	appData.write("user-defaults.json", "{\"volume\": 1e400, \"music\": true, \"low\": -1e400, \"prompts\": 3}");
	testing::internal::CaptureStdout();
	EXPECT_TRUE(defaults.getBoolean("music"));
	std::string const log = testing::internal::GetCapturedStdout();
	EXPECT_FALSE(defaults.hasKey("volume"));
	EXPECT_FALSE(defaults.hasKey("low"));
	EXPECT_EQ(3, defaults.getNumber("prompts"));
	EXPECT_NE(std::string::npos, log.find((appData / "user-defaults.json") + ": the number of \"volume\" is out of range; that key is dropped")) << log;
	EXPECT_NE(std::string::npos, log.find("\"low\"")) << log;

	double const numbers[] = {0.30000000000000004, 0.1, 1.7976931348623157e308, -1.7976931348623157e308, 4.9406564584124654e-324,
		2.2250738585072014e-308, 123456789012345680.0, -0.0, 1.0 / 3, 9007199254740993.0};
	for (size_t i = 0; i < std::size(numbers); ++i)
		defaults.setNumber("n" + std::to_string(i), numbers[i]);
	defaults.setNumber("infinite", 1);
	testing::internal::CaptureStdout();
	defaults.setNumber("infinite", HUGE_VAL);
	defaults.setNumber("nan", std::nan(""));
	std::string const written = testing::internal::GetCapturedStdout();
	EXPECT_TRUE(defaults.synchronise());
	EXPECT_NE(std::string::npos, written.find("User defaults: \"infinite\" is not a finite number; that key is dropped")) << written;
	EXPECT_NE(std::string::npos, written.find("\"nan\"")) << written;
	EXPECT_EQ(std::string::npos, appData.read("user-defaults.json").find("null"));

	// Read again twice: the second start reads what the first one wrote.
	for (int start = 0; start < 2; ++start)
	{
		defaults.reset();
		EXPECT_TRUE(defaults.getBoolean("music")) << start;
		EXPECT_EQ(3, defaults.getNumber("prompts"));
		EXPECT_FALSE(defaults.hasKey("infinite"));
		for (size_t i = 0; i < std::size(numbers); ++i)
		{
			double const back = defaults.getNumber("n" + std::to_string(i), 7);
			EXPECT_EQ(0, std::memcmp(&back, &numbers[i], sizeof back)) << numbers[i] << " read back as " << back;
		}
		defaults.setBoolean("touched", start == 0);
		EXPECT_TRUE(defaults.synchronise());
	}
	EXPECT_FALSE(std::filesystem::exists(appData / "user-defaults.json.bad"));
}

// A string is never cut short: a broken or zero escape makes the file
// damaged (named in the line), and it is kept aside before it is replaced.
TEST_F(UserDefaultsFile, EscapesThatWouldCutAStringMakeTheFileDamaged)
{
	for (char const* bad : {"{\"s\": \"a\\u00zzb\", \"m\": true}", "{\"foo\\u0000bar\": 42, \"m\": true}", "{\"s\": \"a\\u000\", \"m\": true}"})
	{
		appData.write("user-defaults.json", bad);
		defaults.reset();
		testing::internal::CaptureStdout();
		EXPECT_FALSE(defaults.hasKey("m")) << bad;
		std::string const log = testing::internal::GetCapturedStdout();
		EXPECT_NE(std::string::npos, log.find("User defaults read as empty: " + (appData / "user-defaults.json") + ": malformed JSON at byte")) << log;
		EXPECT_FALSE(defaults.hasKey("foo")) << bad;
	}
	defaults.setBoolean("fresh", true);
	EXPECT_TRUE(defaults.synchronise());
	EXPECT_EQ("{\"s\": \"a\\u000\", \"m\": true}", appData.read("user-defaults.json.bad"));

	// Escapes that stand for characters still read, a doubled backslash before "u" is no escape.
	appData.write("user-defaults.json", "{\"s\": \"\\u00e9\\uD83D\\uDE00\\\\u0000\\n\", \"m\": true}");
	defaults.reset();
	EXPECT_TRUE(defaults.getBoolean("m"));
	EXPECT_EQ("\xc3\xa9\xf0\x9f\x98\x80\\u0000\n", defaults.getString("s"));
}
