#include "HeadlessHost.h"
#include "AppController.h"
#include "EventScript.h"
#include "GLSurface.h"
#include "HeadlessGL.h"
#include "ShellEvents.h"
#include "StartReport.h"
#include "StopSignals.h"
#include <audio/SoundClock.h>
#include <algorithm>
#include <cmath>

namespace framework
{

/** An off-screen GL view sized from the host's window. */
class HeadlessHost::Surface : public GLSurface
{
public:
	Surface(HeadlessHost& host, HeadlessGL::Api api, int width, int height, HeadlessGL::Format format) :
		m_host(host), m_gl(api, width, height, format)
	{
	}

	bool makeCurrent() override
	{
		if (m_host.m_switches.failMakeCurrent)
			return false;
		m_gl.makeCurrent();
		return true;
	}

	bool isCurrent() const override { return m_gl.isCurrent(); }

	bool createFramebuffer(uint32_t& framebuffer, int& width, int& height) override
	{
		float const scale = m_host.m_switches.scale;
		int w = int(float(m_host.m_windowWidth) * scale);
		int h = int(float(m_host.m_windowHeight) * scale);
		if (m_host.m_switches.incompleteFramebuffer)
			w = h = 0;
		bool const complete = m_gl.rebuild(w, h);
		framebuffer = m_gl.frameBuffer();
		width = m_gl.width();
		height = m_gl.height();
		return complete;
	}

	void destroyFramebuffer() override {}

	int maxSize() const override
	{
		int const limit = m_host.m_switches.maxSize;
		return limit > 0 ? std::min(limit, m_gl.maxSize()) : m_gl.maxSize();
	}

	int width() const { return m_gl.width(); }
	int height() const { return m_gl.height(); }

	void present() override
	{
		m_gl.present();
		StartReport::framePresented();
	}

private:
	HeadlessHost& m_host;
	HeadlessGL m_gl;
};

HeadlessHost::HeadlessHost(ShellOptions const& options, ConfigureHook configure, InitHook init) :
	HeadlessHost(options, configure, init, Switches())
{
}

HeadlessHost::HeadlessHost(ShellOptions const& options, ConfigureHook configure, InitHook init, Switches switches) :
	m_options(options), m_switches(switches), m_screenWidth(options.screenWidth), m_screenHeight(options.screenHeight),
	m_windowWidth(0), m_windowHeight(0), m_clock(0), m_ticks(0), m_sleepAllowed(true), m_launched(false)
{
	// The sound follows the ticks, not the wall clock.
	audio::SoundClock::start(options.sound);
	m_controller.reset(new AppController(*this, configure, init, options));
}

HeadlessHost::~HeadlessHost()
{
	m_controller->applicationWillTerminate();
	m_controller.reset();
	audio::SoundClock::stop();
}

void HeadlessHost::launch()
{
	if (m_launched)
		return;
	m_launched = true;
	launchShell(*m_controller, m_options);
	StartReport::launchEnds();
}

void HeadlessHost::send(ShellEvent const& e)
{
	deliverEvent(*m_controller, *this, e);
}

void HeadlessHost::resizeWindow(int width, int height)
{
	if (width < 1 || height < 1 || m_controller->terminated())
		return;
	m_controller->clampViewSize(width, height);
	m_windowWidth = width;
	m_windowHeight = height;
	m_screenWidth = std::min(width, height);
	m_screenHeight = std::max(width, height);
	m_controller->windowResized(width, height);
}

void HeadlessHost::send(std::string const& line)
{
	for (ShellEvent const& e : EventScript::parse(line, "event"))
		send(e);
}

int HeadlessHost::tickMicros() const
{
	int const interval = AppController::frameInterval(m_controller->config().framerate);
	double const frameTime = m_options.frameTime >= 0 ? m_options.frameTime : interval / 60.0;
	return int(std::llround(frameTime * 1e6 / interval));
}

void HeadlessHost::runTicks(int n)
{
	for (int i = 0; i < n && !m_controller->finished() && !StopSignals::requested(); ++i)
	{
		++m_ticks;
		int const tick = tickMicros();
		m_clock += tick;
		// The sound up to this frame's time first: what the frame plays starts there.
		audio::SoundClock::advance(tick);
		m_controller->turn();
		if (tickDisplayLink())
			m_controller->update();
	}
}

int HeadlessHost::finish()
{
	m_controller->applicationWillTerminate();
	return m_controller->exitStatus();
}

int HeadlessHost::run(std::vector<ShellEvent> const& events)
{
	launch();
	size_t next = 0;
	int const frames = m_options.frames >= 0 ? m_options.frames : 120;
	for (int tick = 0; tick <= frames && !m_controller->finished() && !StopSignals::requested(); ++tick)
	{
		while (next < events.size() && events[next].tick <= tick && !m_controller->finished())
			send(events[next++]);
		if (tick > 0)
			runTicks(1);
	}
	return finish();
}

void HeadlessHost::moveClock(double seconds)
{
	m_clock += int64_t(std::llround(seconds * 1e6));
}

void HeadlessHost::screenBounds(int& width, int& height) const
{
	width = m_screenWidth;
	height = m_screenHeight;
}

float HeadlessHost::screenScale() const
{
	return m_switches.scale;
}

GLSurface* HeadlessHost::createGLSurface(int renderer, int width, int height, int colorBits, bool depth)
{
	if (renderer == 1 && !m_switches.gles2Available)
		return nullptr;
	m_windowWidth = width;
	m_windowHeight = height;
	HeadlessGL::Format format;
	format.color = colorBits == 32 ? HeadlessGL::COLOR_RGBA8 : HeadlessGL::COLOR_RGB565;
	format.depth = depth;
	int w = std::max(1, int(float(width) * m_switches.scale));
	int h = std::max(1, int(float(height) * m_switches.scale));
	if (m_switches.maxSize > 0)
	{
		w = std::min(w, m_switches.maxSize);
		h = std::min(h, m_switches.maxSize);
	}
	// A failure here ends the launch, and with it the start report.
	StartReport::glBegins();
	Surface* surface = new Surface(*this, renderer == 1 ? HeadlessGL::API_GLES2 : HeadlessGL::API_GLES1, w, h, format);
	StartReport::glMade();
	// The view is as large as the context could make it.
	if (surface->width() < int(float(width) * m_switches.scale))
		m_windowWidth = std::max(1, int(float(surface->width()) / m_switches.scale));
	if (surface->height() < int(float(height) * m_switches.scale))
		m_windowHeight = std::max(1, int(float(surface->height()) / m_switches.scale));
	return surface;
}

void HeadlessHost::showWindow()
{
}

void HeadlessHost::allowSleep(bool allow)
{
	m_sleepAllowed = allow;
}

int64_t HeadlessHost::nowMicros()
{
	return m_clock;
}

} // framework
