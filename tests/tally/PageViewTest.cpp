#include "TallyFixture.h"
#include <support/DamagedCopies.h>
#include <support/FileSizeLimit.h>
#include <TallyFileCache.h>
#include <TallyImageCache.h>
#include <TallyPageViewDelegate.h>
#include <filesystem>

namespace
{

/** A previous delegate that records its calls and may refuse selections. */
class RecordingDelegate : public TallyNavigationControllerDelegate, public TallyTabBarControllerDelegate
{
public:
	bool implements(TallyNavigationControllerDelegate::Operation) const override { return true; }
	bool implements(TallyTabBarControllerDelegate::Operation operation) const override
	{
		return operation != TallyTabBarControllerDelegate::WILL_BEGIN_CUSTOMIZING;
	}
	void navigationControllerDidShowViewController(TallyNavigationController*, TallyViewController* vc, bool) override
	{
		calls.push_back("didShow " + vc->title());
	}
	bool tabBarControllerShouldSelectViewController(TallyTabBarController*, TallyViewController* vc) override
	{
		calls.push_back("shouldSelect " + vc->title());
		return allow;
	}
	void tabBarControllerDidSelectViewController(TallyTabBarController*, TallyViewController* vc) override { calls.push_back("didSelect " + vc->title()); }
	void tabBarControllerWillBeginCustomizingViewControllers(TallyTabBarController*, TallyViewControllers const&) override { calls.push_back("begin"); }
	void tabBarControllerDidEndCustomizingViewControllers(TallyTabBarController*, TallyViewControllers const&, bool changed) override
	{
		calls.push_back(changed ? "end changed" : "end");
	}

	std::vector<std::string> calls;
	bool allow = true;
};

class TallyPageView : public TallyTest
{
protected:
	void SetUp() override
	{
		TallyTest::SetUp();
		// The last counted page view is the process's: each test starts an hour after the last one's.
		static int s_tests = 0;
		advance(++s_tests * 3600LL * 1000000);
	}
};

class TallyImageCacheTest : public TallyTest
{
protected:
	void SetUp() override
	{
		TallyTest::SetUp();
		TallyFileCache::destroyInstance();
		TallyImageCache::destroyInstance();
		m_files = TallyFileCache::createInstanceWithApiKey("KEY", "89");
	}
	void TearDown() override
	{
		TallyImageCache::destroyInstance();
		TallyFileCache::destroyInstance();
		TallyTest::TearDown();
	}
	lang::Ptr<TallyFileCache> m_files;
};

} // namespace

TEST_F(TallyPageView, CountsShownScreensAndForwardsToThePreviousDelegate)
{
	lang::Ptr<TallyNavigationController> navigation(new TallyNavigationController("nav"));
	lang::Ptr<RecordingDelegate> previous(new RecordingDelegate);
	navigation->setDelegate(previous.get());
	lang::Ptr<TallyPageViewDelegate> delegate = TallyPageViewDelegate::createDelegateOnTarget(navigation.get());
	ASSERT_TRUE(delegate);
	EXPECT_EQ(navigation->delegate().get(), static_cast<TallyNavigationControllerDelegate*>(delegate.get()));
	lang::Ptr<TallySession> session = current();
	lang::Ptr<TallyViewController> a(new TallyViewController("a")), b(new TallyViewController("b"));

	navigation->pushViewController(a.get(), true);
	EXPECT_EQ(1, session->pageViewCount());
	advance(300000);
	navigation->pushViewController(b.get(), false);
	EXPECT_EQ(1, session->pageViewCount()); // 0.3 s is not more than 0.3 s
	advance(1);
	// The page views stay with the delegate's session after a new one became current.
	TallySession::createActiveTallySession("KEY");
	navigation->pushViewController(a.get(), false);
	EXPECT_EQ(2, session->pageViewCount());
	EXPECT_EQ(0, current()->pageViewCount());
	EXPECT_EQ((std::vector<std::string>{"didShow a", "didShow b", "didShow a"}), previous->calls);
	EXPECT_TRUE(logged("Tally: Navigation View [a]"));

	// A plain screen gets no delegate.
	EXPECT_FALSE(TallyPageViewDelegate::createDelegateOnTarget(a.get()));
	EXPECT_FALSE(TallyPageViewDelegate::createDelegateOnTarget(nullptr));
}

TEST_F(TallyPageView, TabBarRefusalIsKeptAndNotCounted)
{
	lang::Ptr<TallyTabBarController> tabs(new TallyTabBarController("tabs"));
	lang::Ptr<RecordingDelegate> previous(new RecordingDelegate);
	previous->allow = false;
	tabs->setDelegate(previous.get());
	ASSERT_TRUE(TallyPageViewDelegate::createDelegateOnTarget(tabs.get()));
	lang::Ptr<TallyViewController> a(new TallyViewController("a"));

	EXPECT_FALSE(tabs->selectViewController(a.get()));
	EXPECT_EQ(0, current()->pageViewCount());
	previous->allow = true;
	EXPECT_TRUE(tabs->selectViewController(a.get()));
	EXPECT_EQ(1, current()->pageViewCount());
	tabs->customizeViewControllers({a}, true);
	// The previous delegate does not implement will-begin: not called.
	EXPECT_EQ((std::vector<std::string>{"shouldSelect a", "shouldSelect a", "didSelect a", "end changed"}), previous->calls);

	// Without a previous delegate selections are allowed.
	lang::Ptr<TallyTabBarController> bare(new TallyTabBarController("bare"));
	TallyPageViewDelegate::createDelegateOnTarget(bare.get());
	EXPECT_TRUE(bare->selectViewController(a.get()));
}

TEST_F(TallyImageCacheTest, FullCacheDropsLeastRecentlyUsed)
{
	lang::Ptr<TallyImageCache> cache = TallyImageCache::createInstanceWithFileCache(m_files);
	for (int64_t id = 1; id <= 400; ++id)
		ASSERT_TRUE(cache->save("image" + std::to_string(id), id));
	EXPECT_EQ(std::optional<std::string>("image1"), cache->get(1)); // 1 is now the most recent
	EXPECT_TRUE(cache->save("again", 2));                         // a stored id: nothing removed
	EXPECT_EQ(400u, cache->storedIds().size());
	EXPECT_TRUE(cache->save("new", 401));
	EXPECT_EQ(400u, cache->storedIds().size());
	EXPECT_EQ(std::nullopt, cache->get(3)); // the least recently used went
	EXPECT_EQ(std::optional<std::string>("again"), cache->get(2));
	EXPECT_EQ(std::optional<std::string>("image1"), cache->get(1));
	EXPECT_FALSE(cache->save(std::nullopt, 5));
	EXPECT_FALSE(cache->save("x", std::nullopt));
	EXPECT_EQ(std::nullopt, cache->get(std::nullopt));
	EXPECT_FALSE(cache->remove(999));
	EXPECT_EQ("tallyImage7", TallyImageCache::imageIdToFileName(7));
}

TEST_F(TallyImageCacheTest, LostFilesAndFailedSavesLeaveTheIndexConsistent)
{
	lang::Ptr<TallyImageCache> cache = TallyImageCache::createInstanceWithFileCache(m_files);
	ASSERT_TRUE(cache->save("a", 1));
	ASSERT_TRUE(cache->save("b", 2));
	// A file that has gone: none, and the id is forgotten.
	ASSERT_TRUE(m_files->remove("tallyImage1", false));
	EXPECT_EQ(std::nullopt, cache->get(1));
	EXPECT_EQ((std::vector<int64_t>{2}), cache->storedIds());
	EXPECT_EQ((std::vector<int64_t>{2}), cache->leastRecentlyUsed());
	// A save that cannot be written (a full disk) changes nothing.
	{
		test::FileSizeLimit full(0);
		EXPECT_FALSE(cache->save("c", 3));
	}
	EXPECT_EQ((std::vector<int64_t>{2}), cache->storedIds());
	// A folder at the file's name is the player's: set aside, not a failure.
	std::string const folder = m_files->createFilePath("tallyImage3", false);
	std::filesystem::create_directories(folder);
	EXPECT_TRUE(cache->save("c", 3));
	EXPECT_TRUE(std::filesystem::is_directory(folder + ".bad"));
	EXPECT_EQ((std::vector<int64_t>{2, 3}), cache->storedIds());
	EXPECT_TRUE(cache->remove(2));
	EXPECT_TRUE(cache->remove(3));
	EXPECT_TRUE(cache->storedIds().empty());
}

TEST_F(TallyImageCacheTest, StoredArchiveIsReadConsistentOrNotAtAll)
{
	TallyArchiver coder;
	TallyArchiver index;
	index.encodeString("5", "tallyImage5");
	index.encodeString("6", "tallyImage6");
	index.encodeString("x", "tallyImage7");
	index.encodeString("8", "../../elsewhere");
	coder.encodeArchive("index", std::move(index));
	coder.encodeInteger("maxImageCached", 0);
	TallyArchiver lru(true);
	lru.encodeInteger(nullptr, 9);
	lru.encodeInteger(nullptr, 6);
	coder.encodeArchive("lru", std::move(lru));
	coder.encodeInteger("cacheUpdateTimestamp", 77);
	std::string path = m_files->createFilePath("imageCache", false);
	std::string text = coder.text();
	m_folder.write(path.substr(m_folder.path().size() + 1), text);

	lang::Ptr<TallyImageCache> cache = TallyImageCache::createInstanceWithFileCache(m_files);
	EXPECT_EQ((std::vector<int64_t>{5, 6}), cache->storedIds());
	EXPECT_EQ((std::vector<int64_t>{6, 5}), cache->leastRecentlyUsed());
	EXPECT_EQ(400, cache->maxImageCached());
	EXPECT_EQ(77, cache->cacheUpdateTimestamp());
	EXPECT_EQ(cache.get(), TallyImageCache::instance().get());

	// The report carries the update stamp and the ids.
	std::string body = TallySession::dataForSessions({});
	EXPECT_NE(std::string::npos, body.find(std::string("\x00\x00\x00\x00\x00\x00\x00\x4D\x00\x02\x01", 11)));

	forEachDamagedCopy(std::vector<unsigned char>(text.begin(), text.end()), 300, 5, [&](std::vector<unsigned char> const& copy) {
		m_folder.write(path.substr(m_folder.path().size() + 1), std::string(copy.begin(), copy.end()));
		lang::Ptr<TallyImageCache> read = TallyImageCache::recreateInstanceWithFileCache(m_files);
		std::vector<int64_t> ids = read->storedIds(), order = read->leastRecentlyUsed();
		EXPECT_EQ(ids.size(), order.size());
		EXPECT_GE(read->maxImageCached(), 1);
		EXPECT_LE(read->maxImageCached(), 400);
		read->save("img", 1);
	});
}
