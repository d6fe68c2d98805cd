#include "TallyFixture.h"
#include <TallyFileCache.h>
#include <TallyHeartBeater.h>
#include <TallyNotificationCenter.h>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <sys/xattr.h>
#include <thread>

namespace
{

using TallyUtilTest = TallyTest;
using TallyFileCacheTest = TallyTest;

} // namespace

TEST(TallyAutoIncrement, countsPerKey)
{
	lang::Ptr<TallyAutoIncrement> counters = TallyAutoIncrement::instance();
	EXPECT_EQ(counters.ptr(), TallyAutoIncrement::instance().ptr());
	counters->resetAll();
	EXPECT_EQ(1, counters->nextCountFor(2));
	EXPECT_EQ(2, counters->nextCountFor(2));
	EXPECT_EQ(1, counters->nextCountFor(1));
	EXPECT_EQ(3, counters->nextCountFor(2));
	counters->resetAll();
	EXPECT_EQ(1, counters->nextCountFor(2));
}

TEST_F(TallyUtilTest, handleExceptionWritesOnlyWithBothSwitches)
{
	m_lines.clear();
	TallyUtil::handleException(lang::Throwable(lang::Format("boom")));
	EXPECT_TRUE(m_lines.empty());
	TallyUtil::setShowErrorInLogEnabled(true);
	TallyUtil::setDebugLogEnabled(false);
	TallyUtil::handleException(std::string("other"));
	EXPECT_TRUE(m_lines.empty());
	TallyUtil::setDebugLogEnabled(true);
	TallyUtil::handleException(lang::Throwable(lang::Format("boom {0}", 7)));
	TallyUtil::handleException(TallyError{42, "net", "d", "r"});
	TallyUtil::handleException(std::string("other"));
	std::vector<std::string> expected = {"Tally: Caught Exception in Tally Analytics Code",
	                                     "Tally: -----------------------------------------",
	                                     "Tally: Name:Throwable Reason:boom 7",
	                                     "Tally: (null)",
	                                     "Tally: Caught Error in Tally Analytics Code",
	                                     "Tally: -----------------------------------------",
	                                     "Tally: Code:42 Domain:net",
	                                     "Tally: {description = \"d\"; failureReason = \"r\";}",
	                                     "Tally: Caught Error in Tally Analytics Code",
	                                     "Tally: other"};
	EXPECT_EQ(expected, m_lines);
	EXPECT_EQ("a 5 x 1.500000 2012-06-15 12:00:00 +0000 (null) %", tallyFormat("a %d %@ %f %@ %@ %%", {5, "x", 1.5, TallyLogArg::date(TEST_EPOCH),
	                                                                                                  TallyLogArg::date(std::nullopt)}));
}

TEST_F(TallyUtilTest, systemVersionAndBackupMark)
{
	struct Case
	{
		char const* text;
		int value;
	} cases[] = {{"5.0.1", 50001}, {"6.1", 60100}, {"4.3.3", 40303}, {"6.1.0-18-amd64", 60100}, {"6.5.0.9", 60500},
	             {"", 0}, {"x.y", 0}, {"99999999999999999999.1", 2147483647}, {"-3.0", -30000}};
	TallyPlatform::Values v = values();
	for (Case const& c : cases)
	{
		v.systemVersion = c.text;
		TallyPlatform::set(v);
		EXPECT_EQ(c.value, TallyUtil::getSystemVersionAsAnInteger()) << c.text;
	}

	std::string file = m_folder / "marked";
	m_folder.write("marked", "x");
	v.systemVersion = "5.0";
	TallyPlatform::set(v);
	EXPECT_FALSE(TallyUtil::addSkipBackupAttributeToItemAtURL(file));
	char value = 0;
	EXPECT_EQ(-1, getxattr(file.c_str(), "user.com.apple.MobileBackup", &value, 1));
	v.systemVersion = "5.0.1";
	TallyPlatform::set(v);
	bool marked = TallyUtil::addSkipBackupAttributeToItemAtURL(file);
	if (marked)
	{
		EXPECT_EQ(1, getxattr(file.c_str(), "user.com.apple.MobileBackup", &value, 1));
		EXPECT_EQ(1, value);
	}
	else
		EXPECT_TRUE(errno == ENOTSUP || errno == EPERM) << errno; // a file system without user attributes
	EXPECT_FALSE(TallyUtil::addSkipBackupAttributeToItemAtURL(m_folder / "missing"));
}

TEST_F(TallyUtilTest, orientationAndScreen)
{
	struct Case
	{
		int orientation;
		char const* name;
		bool landscape;
	} cases[] = {{1, "portrait", false}, {2, "portraitUpsideDown", false}, {3, "landscapeRight", true}, {4, "landscapeLeft", true}};
	for (Case const& c : cases)
	{
		TallyPlatform::setStatusBarOrientation(c.orientation);
		EXPECT_EQ(c.name, TallyUtil::getCanvasOrientation());
		EXPECT_EQ(c.landscape, TallyUtil::canvasInLandscape());
		TallyRect r = TallyUtil::screenBounds();
		EXPECT_EQ(c.landscape ? 1024.1 : 768.0, r.width);
		EXPECT_EQ(c.landscape ? 768.0 : 1024.1, r.height);
	}
	TallyPlatform::setStatusBarOrientation(1);
	EXPECT_TRUE(TallyUtil::canvasInLandscapeRight(std::string("LANDSCAPERIGHT")));
	EXPECT_TRUE(TallyUtil::canvasInLandscape(std::string("landscapeleft")));
	EXPECT_FALSE(TallyUtil::canvasInLandscape(std::string("portraitUpsideDown")));
	EXPECT_TRUE(TallyUtil::canvasInPortraitUpsideDown(std::string("PortraitUpsideDown")));
	EXPECT_EQ(1024.1, TallyUtil::screenBounds(std::string("landscapeLeft")).width);
	EXPECT_EQ(768.0, TallyUtil::screenBounds(std::nullopt).width);

	TallyPlatform::Values v = values();
	v.isIPad = false;
	TallyPlatform::set(v);
	EXPECT_EQ(480.1, TallyUtil::screenBounds().height);

	EXPECT_EQ(12.5, TallyUtil::convertStrToNum(" 12.5"));
	EXPECT_EQ(-3.0, TallyUtil::convertStrToNum("-3"));
	for (char const* bad : {"", "1e5", "x", "1.2.3", "-", "0x10", "inf"})
		EXPECT_FALSE(TallyUtil::convertStrToNum(bad)) << bad;
	std::set<std::string> set;
	EXPECT_TRUE(TallyUtil::addToSet(set, "a"));
	EXPECT_FALSE(TallyUtil::addToSet(set, "a"));
}

TEST(TallyUtil, platformTextsFromTheSystem)
{
	TallyPlatform::set(TallyPlatform::Values());
	struct Case
	{
		char const* lcAll;
		char const* lang;
		char const* locale;
	} locales[] = {{"de_AT.UTF-8", "fr_FR", "de_AT"}, {"", "pt_BR@euro", "pt_BR"}, {"C", "", "en_US_POSIX"},
	               {"", "", "en_US_POSIX"}, {"POSIX", "", "en_US_POSIX"}};
	for (auto const& c : locales)
	{
		setenv("LC_ALL", c.lcAll, 1);
		unsetenv("LC_MESSAGES");
		setenv("LANG", c.lang, 1);
		EXPECT_EQ(c.locale, TallyPlatform::localeIdentifier()) << c.lcAll << c.lang;
	}
	setenv("LC_ALL", (std::string(100, 'x') + "\x01\n").c_str(), 1);
	EXPECT_EQ(std::string(64, 'x'), TallyPlatform::localeIdentifier());
	unsetenv("LC_ALL");
	setenv("TZ", ":Asia/Tokyo", 1);
	EXPECT_EQ("Asia/Tokyo", TallyPlatform::timeZoneName());
	unsetenv("TZ");
	EXPECT_FALSE(TallyPlatform::timeZoneName().empty());
	EXPECT_FALSE(TallyPlatform::devicePlatform().empty());
	EXPECT_LE(TallyPlatform::devicePlatform().size(), 64u);
	EXPECT_GT(TallyPlatform::deviceMemory(), 0);
	EXPECT_GE(TallyPlatform::deviceCPUFrequency(), 0);
	EXPECT_TRUE(TallyPlatform::isIPad());
	EXPECT_GT(TallyUtil::getSystemVersionAsAnInteger(), 0);
	setenv("TZ", "UTC", 1);
}

TEST_F(TallyFileCacheTest, savesPerPrefixKeyAndVersion)
{
	TallyFileCache::destroyInstance();
	EXPECT_FALSE(TallyFileCache::instance());
	lang::Ptr<TallyFileCache> cache = TallyFileCache::createInstanceWithApiKey("K/../../x y", "89");
	EXPECT_EQ(cache.ptr(), TallyFileCache::createInstanceWithApiKey("other", "1").ptr());
	EXPECT_EQ("K/../../x y", TallyFileCache::instance()->apiKey());

	std::string folder = m_folder / "Caches/Tally";
	EXPECT_EQ(folder + "/tallyCache_images_K%2F..%2F..%2Fx%20y_89.archive", cache->createFilePath("images", true));
	EXPECT_EQ(folder + "/tallyCache_a%2Fb_K%2F..%2F..%2Fx%20y_.archive", cache->createFilePath("a/b", false));

	TallyArchiver object;
	object.encodeInteger("n", 7);
	std::optional<std::string> path = cache->save(object, "images");
	ASSERT_TRUE(path);
	EXPECT_EQ(folder, std::filesystem::path(*path).parent_path().string());
	std::optional<TallyUnarchiver> back = cache->get("images");
	ASSERT_TRUE(back);
	EXPECT_EQ(7, back->decodeInteger("n", 0, 10));
	EXPECT_FALSE(cache->get("images", false)); // the version tie is part of the name
	EXPECT_FALSE(cache->get("never"));
	EXPECT_TRUE(logged("Tally: object[(null)] retrieved from disk at path["));

	m_folder.write("Caches/Tally/tallyCache_bad_K%2F..%2F..%2Fx%20y_89.archive", "{\"n\":");
	EXPECT_FALSE(cache->get("bad"));
	EXPECT_TRUE(cache->remove("images"));
	EXPECT_FALSE(cache->remove("images"));
	EXPECT_TRUE(cache->removeCache());
	EXPECT_FALSE(std::filesystem::exists(folder));
	TallyFileCache::destroyInstance();
}

TEST(TallyHeartBeater, postsAndStops)
{
	std::atomic<int> beats(0);
	int token = TallyNotificationCenter::defaultCenter().addObserver("TallyHeartBeatNotification", [&] { ++beats; });
	int other = TallyNotificationCenter::defaultCenter().addObserver("Else", [&] { beats += 100; });
	lang::Ptr<TallyHeartBeater> beater = TallyHeartBeater::createAndStartInstance(0.01);
	EXPECT_EQ(beater.ptr(), TallyHeartBeater::createAndStartInstance(5.0).ptr());
	for (int i = 0; i < 500 && beats < 3; ++i)
		std::this_thread::sleep_for(std::chrono::milliseconds(10));
	EXPECT_GE(beats.load(), 3);
	beater = nullptr;
	TallyHeartBeater::destroyInstance();
	EXPECT_FALSE(TallyHeartBeater::instance());
	int after = beats;
	std::this_thread::sleep_for(std::chrono::milliseconds(50));
	EXPECT_EQ(after, beats.load());
	EXPECT_LT(after, 100);
	TallyNotificationCenter::defaultCenter().removeObserver(token);
	TallyNotificationCenter::defaultCenter().removeObserver(other);
}

namespace
{

/** Holds up the exit handlers registered before it. */
void pauseAtExit()
{
	std::this_thread::sleep_for(std::chrono::milliseconds(50));
}

} // namespace

TEST(TallyHeartBeaterDeathTest, beatsDuringExitHandlersReachALiveCentre)
{
	// A fresh process: the pause runs after the centre's own exit-time
	// clean-up, if it had one, and before the beating thread is joined.
	GTEST_FLAG_SET(death_test_style, "threadsafe");
	EXPECT_EXIT(
		{
			std::atexit(pauseAtExit);
			TallyHeartBeater::createAndStartInstance(0.001);
			TallyNotificationCenter::defaultCenter().addObserver("Else", [] {});
			std::exit(0);
		},
		testing::ExitedWithCode(0), "");
}
