#include "SdlHost.h"
#include "AppController.h"
#include "GLLimits.h"
#include "GLSurface.h"
#include "MyEAGLViewController.h"
#include "ShellEvents.h"
#include "SdlKeys.h"
#include "StartReport.h"
#include "StopSignals.h"
#include "XWindowWatch.h"
#include <lang/Debug.h>
#include <lang/Exception.h>
#include <lang/Format.h>
#include <lang/System.h>
#include <pf/Alert.h>
#include <pf/PageEngine.h>
#include <SDL2/SDL.h>
#include <GLES2/gl2.h>
#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace framework
{

namespace
{

/** Why SDL's video did not start on a display (initVideo); empty once it did. */
std::string s_videoProblem;

/** True when the environment variable name is set and not empty. */
bool setInEnvironment(char const* name)
{
	char const* value = std::getenv(name);
	return value && *value;
}

bool initVideo()
{
	// A request for OpenGL ES 2.0 would otherwise give the newest version
	// the driver has.
	setenv("MESA_GLES_VERSION_OVERRIDE", "2.0", 0);
	if (!s_videoProblem.empty())
		return false;
	if (SDL_WasInit(SDL_INIT_VIDEO))
		return true;
	// The shell's own handlers end the run on signals (StopSignals).
	SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
	SDL_SetHint(SDL_HINT_TOUCH_MOUSE_EVENTS, "0");
	SDL_SetHint(SDL_HINT_MOUSE_TOUCH_EVENTS, "0");
	// Only the display the environment names is tried: X11's for DISPLAY,
	// Wayland's for WAYLAND_DISPLAY (SDL picks between the two when both
	// are set), or the driver SDL_VIDEODRIVER names.
	if (!setInEnvironment("SDL_VIDEODRIVER"))
	{
		bool const x11 = setInEnvironment("DISPLAY");
		bool const wayland = setInEnvironment("WAYLAND_DISPLAY");
		if (!x11 && !wayland)
		{
			s_videoProblem = "no display (none of DISPLAY, WAYLAND_DISPLAY and SDL_VIDEODRIVER is set)";
			return false;
		}
		if (x11 != wayland)
			SDL_SetHint(SDL_HINT_VIDEODRIVER, x11 ? "x11" : "wayland");
	}
	if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS | SDL_INIT_TIMER) != 0)
	{
		s_videoProblem = std::string("SDL video could not start: ") + SDL_GetError();
		if (s_videoProblem.size() == std::strlen("SDL video could not start: "))
			s_videoProblem += "no reason given";
		return false;
	}
	// Unless a driver was named, SDL falls back from a display that cannot
	// be had to drivers that show nothing (a console's, an off-screen one):
	// only a display's own driver makes a window.
	char const* const driver = SDL_GetCurrentVideoDriver();
	if (!setInEnvironment("SDL_VIDEODRIVER") && (!driver || (std::strcmp(driver, "x11") != 0 && std::strcmp(driver, "wayland") != 0)))
	{
		// Left up, as a started video always is (see below): the run ends.
		s_videoProblem = std::string("no display could be opened (SDL's video found only the \"") + (driver ? driver : "") +
			"\" driver)";
		return false;
	}
	s_videoProblem.clear();
	// One more hold on the GL library, so that closing a window does not
	// unload the driver (its allocations would then be reported as leaks).
	SDL_GL_LoadLibrary(nullptr);
	return true;
}

} // namespace

/** An SDL GL context drawing into the window's own frame buffer. */
class SdlHost::Surface : public GLSurface
{
public:
	/**
	 * softwareGL: Mesa's software rasteriser draws the context, which reads
	 * the window's size back after each present (XWindowWatch).
	 */
	Surface(SDL_Window* window, SDL_GLContext context, int maxSize, XWindowWatch& watch, bool softwareGL) :
		m_window(window), m_context(context), m_maxSize(maxSize), m_watch(watch), m_softwareGL(softwareGL)
	{
	}

	~Surface() override
	{
		if (SDL_GL_GetCurrentContext() == m_context)
		{
			SDL_GL_MakeCurrent(m_window, nullptr);
			EAGLBackbufferFrameBuffer = 0;
		}
		SDL_GL_DeleteContext(m_context);
	}

	bool makeCurrent() override
	{
		bool const switched = SDL_GL_GetCurrentContext() != m_context;
		bool made = !switched;
		if (switched)
			m_watch.whileAlive(m_softwareGL, [this, &made] { made = SDL_GL_MakeCurrent(m_window, m_context) == 0; });
		if (!made)
			return false;
		if (switched)
			gr::runContextCurrentHooks();
		return true;
	}

	bool isCurrent() const override { return SDL_GL_GetCurrentContext() == m_context; }

	bool createFramebuffer(uint32_t& framebuffer, int& width, int& height) override
	{
		framebuffer = 0;
		SDL_GL_GetDrawableSize(m_window, &width, &height);
		glViewport(0, 0, width, height);
		return width > 0 && height > 0;
	}

	void destroyFramebuffer() override {}

	int maxSize() const override { return m_maxSize; }

	void present() override
	{
		// No frame goes to a window that is gone or going. The software
		// rasteriser reads the window's size back at its next validation
		// after a swap, which binding the context again does at once: so
		// that happens while the window is held too, never in the next
		// frame's drawing.
		bool const presented = m_watch.whileAlive(m_softwareGL, [this] {
			SDL_GL_SwapWindow(m_window);
			if (m_softwareGL)
			{
				SDL_GL_MakeCurrent(m_window, nullptr);
				SDL_GL_MakeCurrent(m_window, m_context);
			}
		});
		if (presented)
			StartReport::framePresented();
	}

private:
	SDL_Window* m_window;
	SDL_GLContext m_context;
	int m_maxSize;
	XWindowWatch& m_watch;
	bool m_softwareGL;
};

bool SdlHost::displayAsked()
{
	return setInEnvironment("DISPLAY") || setInEnvironment("WAYLAND_DISPLAY") || setInEnvironment("SDL_VIDEODRIVER");
}

bool SdlHost::displayAvailable()
{
	return initVideo();
}

std::string SdlHost::displayProblem()
{
	return s_videoProblem;
}

SdlHost::SdlHost(ShellOptions const& options, ConfigureHook configure, InitHook init) :
	m_options(options), m_window(nullptr), m_screenWidth(options.screenWidth), m_screenHeight(options.screenHeight),
	m_ticks(0), m_nextTickMicros(0), m_launched(false), m_active(false), m_quit(false), m_nextTouch(0), m_mouseTouch(0)
{
	if (!initVideo())
		lang::throwError(lang::Exception(lang::Format("SDL video could not start: {0}", SDL_GetError())));
	m_controller.reset(new AppController(*this, configure, init, options));
	// Alerts show between frames as message boxes over the window.
	pf::setAlertPresenter([this](std::string const& title, std::string const& message, std::vector<std::string> const& buttons) {
		std::vector<SDL_MessageBoxButtonData> data;
		for (size_t i = 0; i < buttons.size(); ++i)
			data.push_back({0, static_cast<int>(i), buttons[i].c_str()});
		if (data.empty())
			data.push_back({SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, -1, "OK"});
		SDL_MessageBoxData box = {SDL_MESSAGEBOX_INFORMATION, m_window, title.c_str(), message.c_str(),
			static_cast<int>(data.size()), data.data(), nullptr};
		int choice = -1;
		if (SDL_ShowMessageBox(&box, &choice) != 0)
			return -1;
		return choice;
	});
	// Web pages are placed over the window's drawing area.
	pf::setPageWindowPlace([this]() {
		pf::PageWindowPlace place;
		if (!m_window)
			return place;
		SDL_GetWindowPosition(m_window, &place.x, &place.y);
		int w = 0, h = 0, pw = 0, ph = 0;
		SDL_GetWindowSize(m_window, &w, &h);
		SDL_GL_GetDrawableSize(m_window, &pw, &ph);
		if (w > 0 && pw > 0)
			place.pixelRatio = float(pw) / float(w);
		return place;
	});
}

SdlHost::~SdlHost()
{
	pf::setAlertPresenter(nullptr);
	pf::setPageWindowPlace(nullptr);
	m_controller->applicationWillTerminate();
	m_controller.reset();
	if (m_window)
		SDL_DestroyWindow(m_window);
	m_watch.reset();
	// SDL's video stays up until the process ends (see initVideo).
}

void SdlHost::launch()
{
	if (m_launched)
		return;
	m_launched = true;
	launchShell(*m_controller, m_options);
	StartReport::launchEnds();
	m_active = true;
	m_nextTickMicros = nowMicros();
}

void SdlHost::runTick(std::vector<ShellEvent> const& events, size_t& next)
{
	SDL_Event e;
	while (!m_controller->finished() && !m_quit && SDL_PollEvent(&e))
		handle(e);
	if (StopSignals::requested())
		m_quit = true;
	if (m_watch && m_watch->lost() && !m_quit)
	{
		lang::Debug::printf("The window was destroyed from outside: the run ends\n");
		m_quit = true;
	}
	if (m_quit || m_controller->finished())
		return;
	++m_ticks;
	while (next < events.size() && events[next].tick <= m_ticks && !m_controller->finished())
		deliverEvent(*m_controller, *this, events[next++]);
	if (m_controller->finished())
		return;

	// Pace the ticks at 60 Hz; a swap that waits for the display has
	// usually used the time already.
	int64_t const period = 1000000 / 60;
	int64_t const now = nowMicros();
	if (m_nextTickMicros > now)
		SDL_Delay(Uint32((m_nextTickMicros - now) / 1000));
	m_nextTickMicros = std::max(m_nextTickMicros + period, nowMicros() - period);
	m_controller->turn();
	if (tickDisplayLink())
		m_controller->update();
}

int SdlHost::finish()
{
	m_controller->applicationWillTerminate();
	return m_controller->exitStatus();
}

int SdlHost::run(std::vector<ShellEvent> const& events)
{
	launch();
	size_t next = 0;
	while (next < events.size() && events[next].tick <= 0 && !m_controller->finished())
		deliverEvent(*m_controller, *this, events[next++]);
	while (!m_controller->finished() && !m_quit && (m_options.frames < 0 || m_ticks < m_options.frames))
		runTick(events, next);
	return finish();
}

void SdlHost::handle(SDL_Event const& e)
{
	AppController& c = *m_controller;
	MyEAGLViewController* vc = c.getViewController();
	if (m_watch)
		m_watch->handle(e);
	switch (e.type)
	{
	case SDL_QUIT:
		m_quit = true;
		break;
	case SDL_WINDOWEVENT:
		switch (e.window.event)
		{
		case SDL_WINDOWEVENT_FOCUS_LOST:
		case SDL_WINDOWEVENT_MINIMIZED:
			if (m_active)
			{
				m_active = false;
				c.applicationWillResignActive();
			}
			break;
		case SDL_WINDOWEVENT_FOCUS_GAINED:
		case SDL_WINDOWEVENT_RESTORED:
			if (!m_active)
			{
				m_active = true;
				c.applicationDidBecomeActive();
			}
			break;
		case SDL_WINDOWEVENT_SIZE_CHANGED:
			if (e.window.data1 >= 1 && e.window.data2 >= 1)
			{
				m_screenWidth = std::min(e.window.data1, e.window.data2);
				m_screenHeight = std::max(e.window.data1, e.window.data2);
				c.windowResized(e.window.data1, e.window.data2);
			}
			break;
		case SDL_WINDOWEVENT_CLOSE:
			m_quit = true;
			break;
		}
		break;
	case SDL_MOUSEBUTTONDOWN:
		if (e.button.which == SDL_TOUCH_MOUSEID || !vc)
			break;
		if (e.button.button == SDL_BUTTON_LEFT && m_mouseTouch == 0)
		{
			m_mouseTouch = ++m_nextTouch;
			vc->touchesBegan({{m_mouseTouch, float(e.button.x), float(e.button.y)}});
		}
		else if (e.button.button == SDL_BUTTON_RIGHT)
			vc->keyPressed(App::RBUTTON);
		else if (e.button.button == SDL_BUTTON_MIDDLE)
			vc->keyPressed(App::MBUTTON);
		break;
	case SDL_MOUSEBUTTONUP:
		if (e.button.which == SDL_TOUCH_MOUSEID || !vc)
			break;
		if (e.button.button == SDL_BUTTON_LEFT && m_mouseTouch != 0)
		{
			vc->touchesEnded({{m_mouseTouch, float(e.button.x), float(e.button.y)}});
			m_mouseTouch = 0;
		}
		else if (e.button.button == SDL_BUTTON_RIGHT)
			vc->keyReleased(App::RBUTTON);
		else if (e.button.button == SDL_BUTTON_MIDDLE)
			vc->keyReleased(App::MBUTTON);
		break;
	case SDL_MOUSEMOTION:
		if (e.motion.which != SDL_TOUCH_MOUSEID && vc && m_mouseTouch != 0)
			vc->touchesMoved({{m_mouseTouch, float(e.motion.x), float(e.motion.y)}});
		break;
	case SDL_MOUSEWHEEL:
		if (e.wheel.which != SDL_TOUCH_MOUSEID && vc && e.wheel.y != 0)
			vc->wheel(e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -e.wheel.y : e.wheel.y);
		break;
	case SDL_FINGERDOWN:
	case SDL_FINGERMOTION:
	case SDL_FINGERUP:
	{
		if (!vc || !m_window)
			break;
		int w = 0, h = 0;
		SDL_GetWindowSize(m_window, &w, &h);
		MyEAGLViewController::Touch t{0, e.tfinger.x * float(w), e.tfinger.y * float(h)};
		auto it = m_fingers.find(e.tfinger.fingerId);
		if (e.type == SDL_FINGERDOWN)
		{
			if (it != m_fingers.end())
				break;
			t.id = ++m_nextTouch;
			m_fingers[e.tfinger.fingerId] = t.id;
			vc->touchesBegan({t});
		}
		else if (it != m_fingers.end())
		{
			t.id = it->second;
			if (e.type == SDL_FINGERMOTION)
				vc->touchesMoved({t});
			else
			{
				m_fingers.erase(it);
				vc->touchesEnded({t});
			}
		}
		break;
	}
	case SDL_KEYDOWN:
	case SDL_KEYUP:
	{
		if (!vc || e.key.repeat)
			break;
		App::KeyType const key = sdlKey(e.key.keysym.sym);
		if (key == App::NONE)
			break;
		if (e.type == SDL_KEYDOWN)
			vc->keyPressed(key);
		else
			vc->keyReleased(key);
		break;
	}
	}
}

void SdlHost::screenBounds(int& width, int& height) const
{
	width = m_screenWidth;
	height = m_screenHeight;
}

float SdlHost::screenScale() const
{
	return 1.0f;
}

GLSurface* SdlHost::createGLSurface(int renderer, int width, int height, int colorBits, bool depth)
{
	SDL_GL_ResetAttributes();
	SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_ES);
	SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, renderer == 1 ? 2 : 1);
	SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, renderer == 1 ? 0 : 1);
	bool const rgba = colorBits == 32;
	SDL_GL_SetAttribute(SDL_GL_RED_SIZE, rgba ? 8 : 5);
	SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, rgba ? 8 : 6);
	SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, rgba ? 8 : 5);
	SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, rgba ? 8 : 0);
	SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, depth ? 16 : 0);
	SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
	// A failure here ends the launch, and with it the start report.
	StartReport::glBegins();
	if (!m_window)
	{
		// The window is titled with the application's name.
		std::string const& name = m_controller->config().name;
		m_window = SDL_CreateWindow(name.empty() ? "shell" : name.c_str(), SDL_WINDOWPOS_UNDEFINED,
			SDL_WINDOWPOS_UNDEFINED, width, height, SDL_WINDOW_OPENGL | SDL_WINDOW_RESIZABLE | SDL_WINDOW_HIDDEN);
		if (!m_window)
			lang::throwError(lang::Exception(lang::Format("SDL window could not be made: {0}", SDL_GetError())));
		m_watch.reset(new XWindowWatch(m_window));
	}
	SDL_GLContext context = SDL_GL_CreateContext(m_window);
	if (!context)
	{
		StartReport::glMade();
		return nullptr;
	}
	if (SDL_GL_SetSwapInterval(1) != 0)
		SDL_GL_SetSwapInterval(0);
	int const maxSize = GLLimits::maxDrawableSize();
	char const* const rendererName = reinterpret_cast<char const*>(glGetString(GL_RENDERER));
	bool const softwareGL =
		rendererName && (std::strstr(rendererName, "llvmpipe") || std::strstr(rendererName, "softpipe"));
	SDL_GL_MakeCurrent(m_window, nullptr);
	StartReport::glMade();
	return new Surface(m_window, context, maxSize, *m_watch, softwareGL);
}

void SdlHost::showWindow()
{
	if (m_window)
		SDL_ShowWindow(m_window);
}

void SdlHost::allowSleep(bool allow)
{
	if (allow)
		SDL_EnableScreenSaver();
	else
		SDL_DisableScreenSaver();
}

int64_t SdlHost::nowMicros()
{
	return lang::System::currentTimeMicros();
}

void SdlHost::resizeWindow(int width, int height)
{
	m_controller->clampViewSize(width, height);
	if (m_window && width >= 1 && height >= 1)
		SDL_SetWindowSize(m_window, width, height);
}

void SdlHost::moveClock(double)
{
}

} // framework
