#include <support/RecordingApp.h>
#include <framework/linux/AppController.h>
#include <framework/linux/MyEAGLView.h>
#include <framework/linux/SdlHost.h>
#include <GLES2/gl2.h>
#include <SDL2/SDL.h>
#include <gtest/gtest.h>
#include <cstdlib>

namespace
{

using framework::App;
using Lines = std::vector<std::string>;

// The hooks take no state: the test's settings live here.
std::vector<int> g_renderers;
std::string g_name;
std::vector<std::string>* g_log = nullptr;

void configureHook(App::Configuration& c, framework::OSInterface&)
{
	c.name = g_name;
	c.renderers = g_renderers;
	c.colorBits = 32;
	c.allowedOrientations = {0};
}

App* initHook(framework::OSInterface* os, gr::Context*)
{
	return new test::RecordingApp(os, g_log);
}

class SdlHostTest : public ::testing::Test
{
protected:
	std::vector<std::string> log;
	std::unique_ptr<framework::SdlHost> host;

	void SetUp() override
	{
		setenv("SDL_VIDEODRIVER", "offscreen", 0);
		if (!framework::SdlHost::displayAvailable())
			GTEST_SKIP() << "SDL video is not available here";
		g_log = &log;
	}

	void TearDown() override
	{
		host.reset();
		g_log = nullptr;
		g_name.clear();
	}

	void start(std::vector<int> renderers)
	{
		g_renderers = std::move(renderers);
		framework::ShellOptions options;
		options.screenWidth = 40;
		options.screenHeight = 30;
		options.frames = 100;
		host.reset(new framework::SdlHost(options, &configureHook, &initHook));
		host->launch();
	}

	test::RecordingApp* app() { return static_cast<test::RecordingApp*>(host->controller().app()); }

	void tick()
	{
		std::vector<framework::ShellEvent> none;
		size_t next = 0;
		host->runTick(none, next);
	}
};

TEST_F(SdlHostTest, FramesOfBothRenderersReadBack)
{
	for (int renderer : {1, 0})
	{
		SCOPED_TRACE(renderer);
		start({renderer});
		ASSERT_NE(app(), nullptr);
		EXPECT_EQ(host->controller().view()->selectedRenderer(), renderer);
		unsigned char pixel[4] = {};
		app()->onUpdate = [&](test::RecordingApp&, float, gr::Context* ctx) {
			ctx->clear(0xFF2080C0, true, false, false);
			ctx->flush();
			glReadPixels(ctx->width() / 2, ctx->height() / 2, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
			ctx->present();
		};
		tick();
		tick();
		EXPECT_EQ(app()->dts.size(), 2u);
		EXPECT_EQ(pixel[0], 0x20);
		EXPECT_EQ(pixel[1], 0x80);
		EXPECT_EQ(pixel[2], 0xC0);
		EXPECT_EQ(host->controller().view()->backingWidth(), 40);
		EXPECT_EQ(host->controller().view()->backingHeight(), 30);
		EXPECT_EQ(host->finish(), 0);
		host.reset();
	}
}

TEST_F(SdlHostTest, TheWindowIsTitledWithTheApplicationsName)
{
	struct Case
	{
		char const* name;
		char const* title;
	};
	Case const cases[] = {{"Lantern Drift", "Lantern Drift"}, {"", "shell"}};
	for (Case const& k : cases)
	{
		SCOPED_TRACE(k.name);
		g_name = k.name;
		start({1});
		ASSERT_NE(host->window(), nullptr);
		EXPECT_STREQ(SDL_GetWindowTitle(host->window()), k.title);
		EXPECT_EQ(host->finish(), 0);
		host.reset();
	}
}

TEST_F(SdlHostTest, PushedEventsArrive)
{
	start({1});
	ASSERT_NE(app(), nullptr);
	Uint32 const window = SDL_GetWindowID(host->window());
	auto push = [](SDL_Event e) { SDL_PushEvent(&e); };
	auto button = [&](Uint32 type, Uint8 which, int x, int y) {
		SDL_Event e{};
		e.type = type;
		e.button.windowID = window;
		e.button.button = which;
		e.button.x = x;
		e.button.y = y;
		push(e);
	};
	auto motion = [&](int x, int y) {
		SDL_Event e{};
		e.type = SDL_MOUSEMOTION;
		e.motion.windowID = window;
		e.motion.x = x;
		e.motion.y = y;
		push(e);
	};
	auto key = [&](Uint32 type, SDL_Keycode sym, Uint8 repeat) {
		SDL_Event e{};
		e.type = type;
		e.key.keysym.sym = sym;
		e.key.repeat = repeat;
		push(e);
	};
	button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, 5, 6);
	motion(7, 8);
	button(SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT, 9, 10);
	motion(1, 1); // no button held: not a touch
	button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_RIGHT, 1, 1);
	key(SDL_KEYDOWN, SDLK_LALT, 0);
	key(SDL_KEYDOWN, SDLK_LALT, 1); // repeats are ignored
	key(SDL_KEYUP, SDLK_LALT, 0);
	key(SDL_KEYDOWN, SDLK_MINUS, 0);
	key(SDL_KEYDOWN, SDLK_F13, 0); // no such key here
	SDL_Event e{};
	e.type = SDL_MOUSEWHEEL;
	e.wheel.y = 2;
	push(e);
	size_t const before = log.size();
	tick();
	Lines got(log.begin() + before, log.end());
	got.erase(std::remove(got.begin(), got.end(), "update 3"), got.end());
	EXPECT_EQ(got, (Lines{"touchBegan 1 5 6", "mouseMove 5 6", "keyDown LBUTTON", "touchMoved 1 7 8", "mouseMove 7 8",
		"touchEnded 1 9 10", "mouseMove 9 10", "keyUp LBUTTON", "keyDown RBUTTON", "keyDown KEY_ALT", "keyUp KEY_ALT",
		"keyDown DASH", "mouseWheel 2"}));

	// Focus: resign, then activate again.
	e = {};
	e.type = SDL_WINDOWEVENT;
	e.window.windowID = window;
	e.window.event = SDL_WINDOWEVENT_FOCUS_LOST;
	push(e);
	size_t const beforeFocus = log.size();
	tick();
	EXPECT_EQ(Lines(log.begin() + beforeFocus, log.end()), (Lines{"activate 0", "touchCancel", "activateAudio 0"}));
	EXPECT_FALSE(host->controller().allowUpdate());
	e.window.event = SDL_WINDOWEVENT_FOCUS_GAINED;
	push(e);
	tick();
	EXPECT_TRUE(host->controller().allowUpdate());

	// Quit ends the run normally.
	e = {};
	e.type = SDL_QUIT;
	push(e);
	tick();
	EXPECT_EQ(host->finish(), 0);
	EXPECT_EQ(log.back(), "destroyed");
}

} // namespace
