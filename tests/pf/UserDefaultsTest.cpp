#include <support/DamagedCopies.h>
#include <support/TempFolder.h>
#include <io/detail/detail.h>
#include <io/std/SetAside.h>
#include <pf/AppSettings.h>
#include <pf/UserDefaults.h>
#include <gtest/gtest.h>
#include <filesystem>
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
