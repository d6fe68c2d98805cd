#include <support/ShellFixture.h>
#include <framework/linux/IOSOSInterface.h>
#include <framework/linux/MyEAGLView.h>
#include <framework/linux/MyEAGLViewController.h>
#include <gtest/gtest.h>

namespace
{

using framework::App;
using framework::AppController;
using Lines = std::vector<std::string>;

class ShellTouches : public test::ShellFixture
{
};

TEST_F(ShellTouches, TheFirstTouchPlaysTheMouse)
{
	for (char const* end : {"touch-end", "touch-cancel"})
	{
		SCOPED_TRACE(end);
		log.clear();
		launch();
		size_t mark = log.size();
		send("0 touch-begin 1 10 20\n0 touch-begin 2 30 40\n0 touch-move 2 31 41\n0 touch-move 1 11 21");
		EXPECT_EQ(logFrom(mark), (Lines{"touchBegan 1 10 20", "mouseMove 10 20", "keyDown LBUTTON", "touchBegan 2 30 40",
			"touchMoved 2 31 41", "touchMoved 1 11 21", "mouseMove 11 21"}));

		// Lifting the first finger releases the button while the second stays.
		mark = log.size();
		send(std::string("0 ") + end + " 1 12 22");
		EXPECT_EQ(logFrom(mark), (Lines{"touchEnded 1 12 22", "mouseMove 12 22", "keyUp LBUTTON"}));
		EXPECT_FALSE(app()->isKeyDown(App::LBUTTON));
		ASSERT_EQ(app()->touches().size(), 1u);
		EXPECT_EQ(app()->touches()[0].id, 2);

		// The second finger does not take over; the next new touch does.
		mark = log.size();
		send("0 touch-move 2 32 42\n0 touch-end 2 33 43\n0 touch-begin 3 5 6");
		EXPECT_EQ(logFrom(mark), (Lines{"touchMoved 2 32 42", "touchEnded 2 33 43", "touchBegan 3 5 6", "mouseMove 5 6",
			"keyDown LBUTTON"}));
		EXPECT_EQ(controller().getViewController()->singleTouch(), 3);
		finish();
		host.reset();
	}
}

TEST_F(ShellTouches, KeysGoDownAndUpOnce)
{
	launch();
	size_t const mark = log.size();
	send("0 key-down KEY_ALT\n0 key-down KEY_ALT\n0 key-up KEY_ALT\n0 key-up KEY_ALT\n0 key-down 5\n0 wheel -3");
	EXPECT_EQ(logFrom(mark), (Lines{"keyDown KEY_ALT", "keyUp KEY_ALT", "keyDown 5", "mouseWheel -3"}));
	EXPECT_TRUE(app()->isKeyDown(App::KEY_5));
}

TEST_F(ShellTouches, CoordinatesAreScaledAndTruncated)
{
	switches.scale = 2.0f;
	launch();
	// The screen is 48 x 64 points: the context has twice as many pixels.
	EXPECT_EQ(controller().context()->width(), 128);
	EXPECT_EQ(controller().context()->height(), 96);
	EXPECT_EQ(controller().view()->backingWidth(), 128);
	size_t const mark = log.size();
	controller().getViewController()->touchesBegan({{9, 1.75f, -0.75f}});
	EXPECT_EQ(logFrom(mark), (Lines{"touchBegan 9 3 -1", "mouseMove 3 -1", "keyDown LBUTTON"}));
}

TEST_F(ShellTouches, NothingBeforeTheApplicationExists)
{
	create();
	EXPECT_EQ(controller().getViewController(), nullptr);
	send("0 touch-begin 1 2 3\n0 key-down A\n0 wheel 1");
	EXPECT_TRUE(log.empty());
}

class ShellResize : public test::ShellFixture
{
};

TEST_F(ShellResize, SameShapeTakesTheSize)
{
	launch(); // landscape context 64 x 48, orientations 1 and 3
	size_t const mark = log.size();
	send("0 resize 80 60");
	EXPECT_EQ(logFrom(mark), (Lines{"resolutionChanged"}));
	EXPECT_EQ(controller().context()->width(), 80);
	EXPECT_EQ(controller().context()->height(), 60);
	EXPECT_EQ(controller().view()->backingWidth(), 80);
	EXPECT_EQ(controller().view()->backingHeight(), 60);
	EXPECT_EQ(controller().context()->orientation(), gr::Context::ORIENTATION_1);
}

TEST_F(ShellResize, RefusedPortraitKeepsTheOrientation)
{
	launch();
	size_t const mark = log.size();
	send("0 resize 50 70");
	EXPECT_EQ(logFrom(mark), (Lines{"resolutionChanged"}));
	EXPECT_EQ(controller().context()->orientation(), gr::Context::ORIENTATION_1);
	EXPECT_EQ(controller().context()->width(), 50);
	EXPECT_EQ(controller().context()->height(), 70);
}

TEST_F(ShellResize, AllowedNewShapeTurnsTheContext)
{
	configure = [](App::Configuration& c, framework::OSInterface&) {
		c.renderers = {1};
		c.allowedOrientations = {0, 1};
	};
	launch();
	ASSERT_EQ(controller().context()->orientation(), gr::Context::ORIENTATION_0);
	size_t mark = log.size();
	send("0 resize 100 60");
	EXPECT_EQ(logFrom(mark), (Lines{"resolutionChanged", "orientationChanged"}));
	EXPECT_EQ(controller().context()->orientation(), gr::Context::ORIENTATION_1);
	EXPECT_EQ(controller().context()->width(), 100);
	EXPECT_EQ(controller().context()->height(), 60);
	EXPECT_EQ(controller().view()->backingWidth(), 100);
	EXPECT_EQ(static_cast<framework::IOSOSInterface*>(app()->os())->orientation(), 1);

	// Asking for the orientation it has changes nothing.
	mark = log.size();
	app()->os()->setOrientation(gr::Context::ORIENTATION_1);
	EXPECT_TRUE(logFrom(mark).empty());

	// Sizes below 1 (a minimised window) change nothing.
	send("0 resize 0 60\n0 resize 60 -1");
	app()->os()->setResolution(0, 10);
	EXPECT_TRUE(logFrom(mark).empty());
	EXPECT_EQ(controller().context()->width(), 100);
}

TEST_F(ShellResize, OrientationBeforeTheContextIsOnlyStored)
{
	create();
	framework::IOSOSInterface os(&controller());
	os.setOrientation(gr::Context::ORIENTATION_3);
	EXPECT_EQ(os.orientation(), 3);
}

TEST_F(ShellResize, AllowedOrientationTables)
{
	struct Case
	{
		std::vector<int> allowed;
		bool context[4];   // orientations 0..3
		bool device[6];    // device orientations 0..5
		bool autorotate[4]; // interface orientations 1..4
	};
	Case const cases[] = {
		{{}, {false, false, false, false}, {false, false, false, false, false, false}, {false, false, true, true}},
		{{1, 3}, {false, true, false, true}, {false, false, false, true, true, false}, {false, false, true, true}},
		{{0}, {true, false, false, false}, {false, true, false, false, false, false}, {true, false, false, false}},
		{{2}, {false, false, true, false}, {false, false, true, false, false, false}, {false, true, false, false}},
	};
	for (Case const& k : cases)
	{
		SCOPED_TRACE(testing::Message() << "list of " << k.allowed.size() << (k.allowed.empty() ? -1 : k.allowed[0]));
		configure = [&](App::Configuration& c, framework::OSInterface&) {
			c.renderers = {1};
			c.allowedOrientations = k.allowed;
		};
		launch();
		AppController& c = controller();
		for (int o = 0; o < 4; ++o)
			EXPECT_EQ(c.isAllowedContextOrientation(o), k.context[o]) << "context " << o;
		for (int d = 0; d < 6; ++d)
			EXPECT_EQ(c.isAllowedDeviceOrientation(d), k.device[d]) << "device " << d;
		for (int o = 1; o <= 4; ++o)
			EXPECT_EQ(c.getViewController()->shouldAutorotateToInterfaceOrientation(o), k.autorotate[o - 1]) << "interface " << o;
		EXPECT_EQ(c.supportedInterfaceOrientationsForWindow(), 30);
		EXPECT_EQ(c.getViewController()->supportedInterfaceOrientations(), 24);
		finish();
		host.reset();
	}
}

TEST_F(ShellResize, DeviceOrientationMapping)
{
	int const toContext[] = {0, 0, 2, 1, 3, 0, 0};
	for (int d = 0; d < 7; ++d)
		EXPECT_EQ(AppController::contextOrientation(d), toContext[d]) << d;
	for (int o = 0; o < 4; ++o)
		EXPECT_EQ(AppController::contextOrientation(AppController::deviceOrientation(o)), o) << o;
}

} // namespace
