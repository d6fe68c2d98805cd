#include <framework/App.h>
#include <framework/OSInterface.h>
#include <pf/LocalNotificationsImpl.h>
#include <pf/LocalNotificationsListener.h>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace
{

using framework::App;
using framework::TouchEvent;

// Platform interface whose default data path a test chooses.
class PathOS : public framework::OSInterface
{
public:
	std::string dataPath;

	void loadShaders(std::string const&, bool) override {}
	std::string getDefaultDataPath() override { return dataPath; }
	void setResolution(int, int) override {}
	void setOrientation(gr::Context::OrientationType) override {}
	void allowSleep(bool) override {}
	bool isSilentProfile() override { return false; }
	void startUpdate() override {}
	void stopUpdate() override {}
	void setFullscreen(bool) override {}
	bool isFullscreen() const override { return true; }
	bool captureMouse(bool) override { return true; }
	bool isMouseCaptured() const override { return false; }
	void setMousePosition(int, int) override {}
	void setCursor(std::string const&) override {}
};

class PlainApp : public App
{
public:
	int cancels = 0;

	explicit PlainApp(framework::OSInterface* os) : App(os) {}
	void update(float, gr::Context*, int) override {}
	void touchCancel() override
	{
		++cancels;
		App::touchCancel();
	}
};

class AppTest : public ::testing::Test
{
protected:
	PathOS os;
	PlainApp* app = nullptr;

	void SetUp() override { app = new PlainApp(&os); }
	void TearDown() override { App::deleteApp(); }
};

TEST_F(AppTest, InstanceLivesUntilDeleteApp)
{
	EXPECT_TRUE(App::initialized());
	EXPECT_EQ(&App::get(), app);
	App::deleteApp();
	EXPECT_FALSE(App::initialized());
	App::deleteApp(); // none left: nothing happens
	app = new PlainApp(&os);
	EXPECT_EQ(&App::get(), app);
}

// Touches as (kind, id, x, y); the list after the sequence as (id, x, y).
TEST_F(AppTest, TouchSequences)
{
	enum Kind { BEGIN, MOVE, END, CANCEL };
	struct Step { Kind kind; int id, x, y; };
	struct Case
	{
		char const* name;
		std::vector<Step> steps;
		std::vector<TouchEvent> expected;
	};
	std::vector<Case> const cases = {
		{"begin and move", {{BEGIN, 1, 5, 6}, {BEGIN, 2, 7, 8}, {MOVE, 1, 50, 60}}, {{1, 50, 60}, {2, 7, 8}}},
		{"same identity twice, ended once", {{BEGIN, 3, 1, 1}, {BEGIN, 4, 2, 2}, {BEGIN, 3, 9, 9}, {END, 3, 0, 0}}, {{4, 2, 2}}},
		{"same identity twice, moved", {{BEGIN, 3, 1, 1}, {BEGIN, 3, 2, 2}, {MOVE, 3, 7, 7}}, {{3, 7, 7}, {3, 2, 2}}},
		{"unknown move", {{BEGIN, 1, 1, 2}, {MOVE, 9, 3, 4}}, {{1, 1, 2}}},
		{"doubled end", {{BEGIN, 1, 1, 2}, {BEGIN, 2, 3, 4}, {END, 1, 0, 0}, {END, 1, 0, 0}}, {{2, 3, 4}}},
		{"order kept after an end", {{BEGIN, 1, 0, 0}, {BEGIN, 2, 0, 0}, {BEGIN, 3, 0, 0}, {END, 2, 0, 0}}, {{1, 0, 0}, {3, 0, 0}}},
		{"cancel", {{BEGIN, 1, 1, 2}, {BEGIN, 2, 3, 4}, {CANCEL, 0, 0, 0}, {BEGIN, 5, 6, 7}}, {{5, 6, 7}}},
	};
	for (Case const& c : cases)
	{
		SCOPED_TRACE(c.name);
		app->touchCancel();
		for (Step const& s : c.steps)
		{
			TouchEvent const e{s.id, s.x, s.y};
			switch (s.kind)
			{
			case BEGIN: app->touchBegan(e); break;
			case MOVE: app->touchMoved(e); break;
			case END: app->touchEnded(e); break;
			case CANCEL: app->touchCancel(); break;
			}
		}
		std::vector<TouchEvent> const& got = app->touches();
		ASSERT_EQ(got.size(), c.expected.size());
		for (size_t i = 0; i < got.size(); ++i)
		{
			EXPECT_EQ(got[i].id, c.expected[i].id) << i;
			EXPECT_EQ(got[i].x, c.expected[i].x) << i;
			EXPECT_EQ(got[i].y, c.expected[i].y) << i;
		}
	}
}

TEST_F(AppTest, ActivateReleasesKeysAndReachesOverriddenTouchCancel)
{
	for (bool active : {false, true})
	{
		app->setKeyDown(App::LBUTTON, true);
		app->setKeyDown(App::KEY_ZOOM, true);
		app->touchBegan({1, 2, 3});
		int const before = app->cancels;
		app->activate(active);
		EXPECT_EQ(app->cancels, before + 1);
		for (int k = 0; k < App::KEY_COUNT; ++k)
			EXPECT_FALSE(app->isKeyDown(App::KeyType(k))) << k;
		EXPECT_TRUE(app->touches().empty());
	}
}

TEST_F(AppTest, KeyNamesAndCodesOutsideTheTable)
{
	EXPECT_STREQ(App::toString(App::NONE), "NONE");
	EXPECT_STREQ(App::toString(App::LBUTTON), "LBUTTON");
	EXPECT_STREQ(App::toString(App::KEY_ZOOM), "KEY_ZOOM");
	EXPECT_EQ(App::LBUTTON, 57);
	EXPECT_EQ(App::KEY_ZOOM, 90);
	EXPECT_STREQ(App::toString(App::KeyType(91)), "");
	EXPECT_STREQ(App::toString(App::KeyType(-1)), "");
	EXPECT_STREQ(App::toString(App::KEY_0), "0");
	EXPECT_STREQ(App::toString(App::F12), "F12");
	EXPECT_STREQ(App::toString(App::ESCAPE), "ESCAPE");
	for (int k = 0; k < App::KEY_COUNT; ++k)
		ASSERT_NE(framework::s_keysz[k], nullptr) << k;

	app->setKeyDown(App::KeyType(91), true);
	app->setKeyDown(App::KeyType(-5), true);
	EXPECT_FALSE(app->isKeyDown(App::KeyType(91)));
	EXPECT_FALSE(app->isKeyDown(App::KeyType(-5)));
	app->setKeyDown(App::A, true);
	EXPECT_TRUE(app->isKeyDown(App::A));
	EXPECT_FALSE(app->isKeyDown(App::B));
}

TEST_F(AppTest, PathJoinsDefaultPathDataPathAndName)
{
	EXPECT_EQ(app->path("x"), "x");
	app->setDataPath("data_ipad");
	EXPECT_EQ(app->path("x"), "data_ipad/x");
	os.dataPath = "/base";
	EXPECT_EQ(app->path("images/a.png"), "/base/data_ipad/images/a.png");
}

TEST_F(AppTest, QuitKeepsTheCode)
{
	EXPECT_FALSE(app->quitRequested());
	app->quit(7);
	EXPECT_TRUE(app->quitRequested());
	EXPECT_EQ(app->exitCode(), 7);
}

TEST(AppConfiguration, Defaults)
{
	App::Configuration const c;
	EXPECT_EQ(c.width, 0);
	EXPECT_EQ(c.colorBits, 16);
	EXPECT_TRUE(c.fullscreen);
	EXPECT_TRUE(c.vsync);
	EXPECT_FALSE(c.depthBuffer);
	EXPECT_EQ(c.framerate, 60);
	EXPECT_TRUE(c.allowedOrientations.empty());
	EXPECT_TRUE(c.renderers.empty());
}

struct Recorder : pf::LocalNotificationsListener
{
	std::vector<std::string>* log;
	std::string name;
	LocalNotificationsListener* removeOnCall = nullptr;
	Recorder(std::vector<std::string>* l, std::string n) : log(l), name(std::move(n)) {}
	void notificationReceived(std::string const& e) override
	{
		log->push_back(name + ":" + e);
		if (removeOnCall)
			pf::LocalNotificationsImpl::removeListener(removeOnCall);
	}
};

TEST(AppNotificationListeners, CalledInOrderOnceEach)
{
	std::vector<std::string> log;
	Recorder a(&log, "a"), b(&log, "b"), c(&log, "c");
	pf::LocalNotificationsImpl::addListener(&a);
	pf::LocalNotificationsImpl::addListener(&b);
	pf::LocalNotificationsImpl::addListener(&a);
	pf::LocalNotificationsImpl::addListener(&c);
	a.removeOnCall = &c; // removed during the call: not told any more
	pf::LocalNotificationsImpl::notifyListeners("bonus");
	EXPECT_EQ(log, (std::vector<std::string>{"a:bonus", "b:bonus"}));
	pf::LocalNotificationsImpl::removeListener(&a);
	pf::LocalNotificationsImpl::removeListener(&b);
	EXPECT_TRUE(pf::LocalNotificationsImpl::listeners().empty());
}

} // namespace
