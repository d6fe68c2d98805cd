#pragma once

#include <framework/Hooks.h>
#include <framework/linux/Host.h>
#include <framework/linux/ShellEvent.h>
#include <framework/linux/ShellOptions.h>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

struct SDL_Window;
union SDL_Event;

namespace framework
{

class AppController;
class XWindowWatch;

/**
 * The shell in an SDL window: the window comes with the GL view, the
 * display ticks at 60 Hz on the real clock (the buffer swap waits for the
 * display where it can, else a timer paces), and SDL's events become the
 * shell's: the left button and fingers are touches, the right and middle
 * buttons RBUTTON and MBUTTON, keys map by name onto App::KeyType, focus
 * and minimising resign or activate, closing, quitting, a stop signal
 * (StopSignals) and the window destroyed from outside (XWindowWatch)
 * terminate.
 * Owns its AppController. Main thread only.
 */
class SdlHost : public Host
{
public:
	/**
	 * True when the environment asks for a display: DISPLAY,
	 * WAYLAND_DISPLAY or SDL_VIDEODRIVER set and not empty. Starts nothing.
	 */
	static bool displayAsked();

	/**
	 * True when SDL's video starts on a display: the driver SDL_VIDEODRIVER
	 * names (such as "offscreen"), else X11's for DISPLAY or Wayland's for
	 * WAYLAND_DISPLAY; without any of the three nothing is tried. A driver
	 * SDL falls back to on its own (a console's, an off-screen one) does
	 * not count. displayProblem() says why it did not start; once it did not,
	 * later calls give false at once.
	 */
	static bool displayAvailable();

	/** Why the last displayAvailable() gave false ("SDL video could not start: ..."). */
	static std::string displayProblem();

	/** @exception lang::Exception When SDL's video cannot start. */
	SdlHost(ShellOptions const& options, ConfigureHook configure, InitHook init);

	/** Terminates the controller when it still runs, then closes the window. */
	~SdlHost() override;

	/** Launches as the options say and reports the application active. */
	void launch();

	/**
	 * Handles the pending SDL events, delivers the scripted events due at
	 * the next tick, then runs that tick (a frame when due).
	 */
	void runTick(std::vector<ShellEvent> const& events, size_t& next);

	/** Terminates (when still running) and gives the exit status. */
	int finish();

	/**
	 * The whole run: launch, then ticks at 60 Hz until the run finishes or
	 * the options' frame count is reached; then finish.
	 */
	int run(std::vector<ShellEvent> const& events);

	/** Handles one SDL event as the platform's. */
	void handle(SDL_Event const& event);

	AppController& controller() { return *m_controller; }
	SDL_Window* window() const { return m_window; }
	int ticks() const { return m_ticks; }

	void screenBounds(int& width, int& height) const override;
	float screenScale() const override;
	GLSurface* createGLSurface(int renderer, int width, int height, int colorBits, bool depth) override;
	void showWindow() override;
	void allowSleep(bool allow) override;
	int64_t nowMicros() override;
	void resizeWindow(int width, int height) override;
	void moveClock(double seconds) override;

private:
	class Surface;

	ShellOptions m_options;
	std::unique_ptr<AppController> m_controller;
	SDL_Window* m_window;
	std::unique_ptr<XWindowWatch> m_watch;
	int m_screenWidth;
	int m_screenHeight;
	int m_ticks;
	int64_t m_nextTickMicros;
	bool m_launched;
	bool m_active;
	bool m_quit;
	int32_t m_nextTouch;
	int32_t m_mouseTouch;
	std::map<int64_t, int32_t> m_fingers;
};

} // framework
