#pragma once

#include <framework/Hooks.h>
#include <framework/linux/Host.h>
#include <framework/linux/ShellEvent.h>
#include <framework/linux/ShellOptions.h>
#include <memory>
#include <string>
#include <vector>

namespace framework
{

class AppController;

/**
 * The shell without a window: off-screen GL views, a virtual clock and
 * scripted input (ShellEvent). Each tick advances the clock by the frame
 * time over the frame interval and runs a frame when the display link is
 * due. The sound follows the ticks: the host runs the SoundClock from its
 * construction to its end (with the options' wave file) and moves it by
 * each tick before the tick's frame ("clock" events do not move it). Owns
 * its AppController. Main thread only.
 */
class HeadlessHost : public Host
{
public:
	/** Faults a test can inject into the platform. */
	struct Switches
	{
		/** False: OpenGL ES 2.0 contexts cannot be made. */
		bool gles2Available = true;
		/** True: making a context current fails. */
		bool failMakeCurrent = false;
		/** True: back buffers are built without storage (incomplete). */
		bool incompleteFramebuffer = false;
		/** Pixels per point. */
		float scale = 1.0f;
		/** Above 0: the contexts draw at most this many pixels a side (else what the driver says). */
		int maxSize = 0;
	};

	HeadlessHost(ShellOptions const& options, ConfigureHook configure, InitHook init);
	HeadlessHost(ShellOptions const& options, ConfigureHook configure, InitHook init, Switches switches);

	/** Terminates the controller when it still runs. */
	~HeadlessHost() override;

	/**
	 * Launches as the options say (a launching notification, an opened
	 * address), then reports the application active.
	 */
	void launch();

	/** Delivers one event now (its tick is not looked at). */
	void send(ShellEvent const& event);

	/**
	 * Parses one line of the events format and delivers it.
	 * @exception lang::Exception When the line is malformed.
	 */
	void send(std::string const& line);

	/** Runs n ticks (fewer when the run finishes). */
	void runTicks(int n);

	/** Terminates (when still running) and gives the exit status. */
	int finish();

	/**
	 * The whole run: launch, the events of tick 0, then for each tick from
	 * 1 to the options' frame count its events and its frame, then finish.
	 * Ends early when the run finishes (quit, an exception) or a stop
	 * signal came (StopSignals).
	 */
	int run(std::vector<ShellEvent> const& events);

	AppController& controller() { return *m_controller; }

	/** Ticks run so far. */
	int ticks() const { return m_ticks; }

	/** The window (view) size in points. */
	int windowWidth() const { return m_windowWidth; }
	int windowHeight() const { return m_windowHeight; }

	/** The last value given to allowSleep (true at start). */
	bool sleepAllowed() const { return m_sleepAllowed; }

	/** The switches; changes apply to later platform calls. */
	Switches& switches() { return m_switches; }

	/** Moves the virtual clock (seconds may be negative). */
	void moveClock(double seconds) override;

	/** The window takes the size, the screen the same in portrait order. */
	void resizeWindow(int width, int height) override;

	void screenBounds(int& width, int& height) const override;
	float screenScale() const override;
	GLSurface* createGLSurface(int renderer, int width, int height, int colorBits, bool depth) override;
	void showWindow() override;
	void allowSleep(bool allow) override;
	int64_t nowMicros() override;

private:
	class Surface;

	ShellOptions m_options;
	Switches m_switches;
	std::unique_ptr<AppController> m_controller;
	int m_screenWidth;
	int m_screenHeight;
	int m_windowWidth;
	int m_windowHeight;
	int64_t m_clock;
	int m_ticks;
	bool m_sleepAllowed;
	bool m_launched;

	int tickMicros() const;
};

} // framework
