#pragma once

#include <cstdint>

namespace framework
{

class GLSurface;

/**
 * The platform facilities the shell stands on: the screen, the GL context
 * with its drawable, the clock, the display-link ticks and the sleep switch.
 * SdlHost (a window) and HeadlessHost (off-screen, scripted input, virtual
 * clock) implement it. Main thread only.
 */
class Host
{
public:
	virtual ~Host() {}

	/** Size of the screen in points, as set up at start or after a resize. */
	virtual void screenBounds(int& width, int& height) const = 0;

	/** Pixels per point of the screen. */
	virtual float screenScale() const = 0;

	/**
	 * A GL context of renderer (0 OpenGL ES 1.1, 1 OpenGL ES 2.0) with a
	 * drawable of width x height points (RGBA8 colour when colorBits is 32,
	 * else RGB 5-6-5; a 16-bit depth buffer when depth is set). The caller
	 * owns the result. Null when the renderer is not available here.
	 * @exception lang::Exception When the drawable cannot be made.
	 */
	virtual GLSurface* createGLSurface(int renderer, int width, int height, int colorBits, bool depth) = 0;

	/** Shows the window (nothing when there is none). */
	virtual void showWindow() = 0;

	/** Lets the display sleep while idle (true) or keeps it on (false). */
	virtual void allowSleep(bool allow) = 0;

	/** The clock of the frame loop, in microseconds. */
	virtual int64_t nowMicros() = 0;

	/**
	 * Scripted input asks for a window of width x height points (both at
	 * least 1), cut to what the GL view can draw (AppController::
	 * clampViewSize); the shell learns of it through
	 * AppController::windowResized.
	 */
	virtual void resizeWindow(int width, int height) = 0;

	/** Scripted input moves the clock (a real clock ignores it). */
	virtual void moveClock(double seconds) = 0;

	/**
	 * Starts the display link: from the next tick on, a frame is due every
	 * interval ticks (values below 1 count as 1) until stopDisplayLink.
	 * Nothing when a link runs already.
	 */
	void startDisplayLink(int interval)
	{
		if (m_linkInterval > 0)
			return;
		m_linkInterval = interval < 1 ? 1 : interval;
		m_linkTicks = 0;
	}

	/** Stops the display link (nothing when none runs). */
	void stopDisplayLink() { m_linkInterval = 0; }

	/** True while the display link runs. */
	bool hasDisplayLink() const { return m_linkInterval > 0; }

	/** Frames are due every this many ticks (0 without a link). */
	int displayLinkInterval() const { return m_linkInterval; }

protected:
	/** Counts one tick of the display; true when a frame is due. */
	bool tickDisplayLink()
	{
		if (m_linkInterval <= 0)
			return false;
		return ++m_linkTicks % m_linkInterval == 0;
	}

private:
	int m_linkInterval = 0;
	int m_linkTicks = 0;
};

} // framework
