#include <support/ShellFixture.h>
#include <framework/linux/IOSOSInterface.h>
#include <framework/linux/MyEAGLView.h>
#include <lang/Exception.h>
#include <lang/Format.h>
#include <gtest/gtest.h>

namespace
{

using framework::App;
using framework::AppController;
using Lines = std::vector<std::string>;

class ShellLaunch : public test::ShellFixture
{
};

TEST_F(ShellLaunch, BuildsInOrderAndRunsFramesOnlyOnceActive)
{
	std::vector<std::string> order;
	configure = [&](App::Configuration& c, framework::OSInterface&) {
		// The shell filled the screen size and orientation before.
		order.push_back("configure " + std::to_string(c.width) + "x" + std::to_string(c.height) + " " + std::to_string(c.orientation));
		c.renderers = {1};
		c.allowedOrientations = {1, 3};
	};
	makeApp = [&](framework::OSInterface* os, gr::Context* context) -> App* {
		order.push_back("init " + std::to_string(context->width()) + "x" + std::to_string(context->height()));
		EXPECT_TRUE(context->ready());
		return new test::RecordingApp(os, &log);
	};
	create();
	AppController& c = controller();
	c.didFinishLaunchingWithOptions(nullptr);
	// The screen is portrait: the configuration says 0, which is not allowed,
	// so the first allowed orientation (1) turns the context.
	EXPECT_EQ(order, (Lines{"configure 48x64 0", "init 64x48"}));
	ASSERT_NE(app(), nullptr);
	EXPECT_EQ(c.config().orientation, 1);
	EXPECT_EQ(c.view()->backingWidth(), 64);
	EXPECT_EQ(c.view()->backingHeight(), 48);
	EXPECT_EQ(c.view()->selectedRenderer(), 1);
	EXPECT_EQ(EAGLBackbufferFrameBuffer, c.view()->viewFramebuffer());

	ticks(5);
	EXPECT_TRUE(app()->dts.empty());
	EXPECT_TRUE(log.empty());

	c.applicationDidBecomeActive();
	EXPECT_EQ(log, (Lines{"activate 1", "touchCancel", "activateAudio 1"}));
	ticks(3);
	EXPECT_EQ(app()->dts.size(), 3u);
	EXPECT_EQ(log.back(), "update 3");
	EXPECT_EQ(finish(), 0);
	EXPECT_TRUE(c.terminated());
	EXPECT_EQ(log.back(), "destroyed");
	EXPECT_FALSE(App::initialized());
	EXPECT_EQ(EAGLBackbufferFrameBuffer, 0u);
}

TEST_F(ShellLaunch, OrientationFollowsTheScreenAndFallsBackToTheFirstAllowed)
{
	struct Case
	{
		int screenW, screenH;
		std::vector<int> allowed;
		int orientation, contextW, contextH;
	};
	Case const cases[] = {
		{48, 64, {1, 3}, 1, 64, 48}, // portrait screen, landscape only: first allowed
		{64, 48, {3, 1}, 1, 48, 64}, // landscape screen, allowed: the size turns with it
		{48, 64, {3}, 3, 64, 48},
		{64, 48, {2}, 2, 64, 48},
		{48, 64, {}, 0, 48, 64}, // an empty list changes nothing
		{48, 64, {0, 1}, 0, 48, 64},
		{64, 48, {0}, 0, 64, 48},
	};
	for (Case const& k : cases)
	{
		SCOPED_TRACE(testing::Message() << k.screenW << "x" << k.screenH << " first allowed " << (k.allowed.empty() ? -1 : k.allowed[0]));
		options.screenWidth = k.screenW;
		options.screenHeight = k.screenH;
		configure = [&](App::Configuration& c, framework::OSInterface&) {
			c.renderers = {1};
			c.allowedOrientations = k.allowed;
		};
		launch();
		ASSERT_NE(controller().context(), nullptr);
		EXPECT_EQ(controller().config().orientation, k.orientation);
		EXPECT_EQ(controller().context()->width(), k.contextW);
		EXPECT_EQ(controller().context()->height(), k.contextH);
		EXPECT_EQ(controller().view()->backingWidth(), k.contextW);
		EXPECT_EQ(controller().view()->backingHeight(), k.contextH);
		EXPECT_EQ(finish(), 0);
		host.reset();
	}
}

TEST_F(ShellLaunch, AScreenGivenOnTheCommandLineGoesOverTheConfiguredSize)
{
	// The application asks for 96 x 128 (portrait order, turned to landscape).
	configure = [&](App::Configuration& c, framework::OSInterface&) {
		c.renderers = {1};
		c.allowedOrientations = {1, 3};
		c.width = 96;
		c.height = 128;
	};
	launch();
	ASSERT_NE(controller().context(), nullptr);
	EXPECT_EQ(controller().context()->width(), 128);
	EXPECT_EQ(controller().context()->height(), 96);
	EXPECT_EQ(finish(), 0);
}

// --screen WxH is what the user sees: every frame is W wide and H high,
// whichever orientation the application draws in and whatever size it asks for.
TEST_F(ShellLaunch, AScreenGivenOnTheCommandLineIsTheFramesWidthAndHeight)
{
	struct Case
	{
		int screenW, screenH;
		std::vector<int> allowed;
	};
	Case const cases[] = {
		{64, 48, {1, 3}}, // landscape screen, landscape application
		{48, 64, {1, 3}}, // portrait screen, landscape only
		{64, 48, {0}},    // landscape screen, portrait only
		{48, 64, {0, 1}},
		{64, 48, {}},
		{50, 50, {3}},
	};
	for (Case const& k : cases)
	{
		SCOPED_TRACE(testing::Message() << k.screenW << "x" << k.screenH << " first allowed " << (k.allowed.empty() ? -1 : k.allowed[0]));
		options.screenWidth = k.screenW;
		options.screenHeight = k.screenH;
		options.screenGiven = true;
		configure = [&](App::Configuration& c, framework::OSInterface&) {
			c.renderers = {1};
			c.allowedOrientations = k.allowed;
			c.width = 96;
			c.height = 128;
		};
		launch();
		ASSERT_NE(controller().context(), nullptr);
		EXPECT_EQ(controller().view()->backingWidth(), k.screenW);
		EXPECT_EQ(controller().view()->backingHeight(), k.screenH);
		EXPECT_EQ(finish(), 0);
		host.reset();
	}
}

// The saves' default folder is named after the application's display name,
// a single safe folder name whatever the name holds.
TEST(ShellSaveFolder, NamedAfterTheApplication)
{
	struct Case
	{
		char const* name;
		char const* folder;
	} const cases[] = {
		{"Lantern Drift", "lantern-drift"},
		{"shell-demo", "shell-demo"},
		{"  My  Game!! 2 ", "my-game-2"},
		{"../../etc/passwd", "etc-passwd"},
		{"a/b", "a-b"},
		{"..", ""},
		{"", ""},
		{"\xC3\x9C" "ber Spiel", "\xC3\x9C" "ber-spiel"},
	};
	for (Case const& c : cases)
		EXPECT_EQ(c.folder, AppController::folderName(c.name)) << c.name;
}

TEST_F(ShellLaunch, RendererChoice)
{
	struct Case
	{
		std::vector<int> renderers;
		bool gles2;
		int selected; // -1: the launch fails with "No renderer was chosen"
		int platform;
	};
	Case const cases[] = {
		{{1}, true, 1, 1},
		{{0}, true, 0, 0},
		{{}, true, -1, 0},
		{{7, 0}, true, 0, 0},
		{{1, 0}, false, 0, 0},
		{{1}, false, -1, 0},
	};
	for (Case const& k : cases)
	{
		SCOPED_TRACE(testing::Message() << "renderers " << k.renderers.size() << " gles2 " << k.gles2);
		switches.gles2Available = k.gles2;
		configure = [&](App::Configuration& c, framework::OSInterface&) { c.renderers = k.renderers; };
		testing::internal::CaptureStdout();
		launch();
		std::string const out = testing::internal::GetCapturedStdout();
		if (k.selected < 0)
		{
			EXPECT_NE(out.find("No renderer was chosen\n"), std::string::npos) << out;
			EXPECT_TRUE(controller().terminated());
			EXPECT_EQ(controller().app(), nullptr);
			EXPECT_FALSE(App::initialized());
			EXPECT_EQ(finish(), 1);
		}
		else
		{
			ASSERT_NE(controller().view(), nullptr);
			EXPECT_EQ(controller().view()->selectedRenderer(), k.selected);
			EXPECT_EQ(int(controller().context()->platform()) == 0, k.platform == 0);
			ticks(2);
			EXPECT_EQ(app()->dts.size(), 2u);
			EXPECT_EQ(finish(), 0);
		}
		host.reset();
	}
}

TEST_F(ShellLaunch, FailedMakeCurrentEndsTheLaunch)
{
	switches.failMakeCurrent = true;
	testing::internal::CaptureStdout();
	launch();
	std::string const out = testing::internal::GetCapturedStdout();
	EXPECT_NE(out.find("The GL context could not be made current\n"), std::string::npos) << out;
	EXPECT_EQ(controller().context(), nullptr);
	EXPECT_FALSE(App::initialized());
	EXPECT_EQ(finish(), 1);
}

TEST_F(ShellLaunch, FailingHooksEndTheLaunchWithTheirMessage)
{
	makeApp = [](framework::OSInterface*, gr::Context*) -> App* {
		lang::throwError(lang::Exception(lang::Format("no game data")));
	};
	testing::internal::CaptureStdout();
	launch();
	std::string const out = testing::internal::GetCapturedStdout();
	EXPECT_NE(out.find("no game data\n"), std::string::npos) << out;
	EXPECT_TRUE(controller().terminated());
	EXPECT_EQ(finish(), 1);
}

} // namespace
