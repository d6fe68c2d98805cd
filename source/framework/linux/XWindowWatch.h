#pragma once

#include <functional>

struct SDL_Window;
union SDL_Event;
struct _XDisplay;

namespace framework
{

/**
 * Watches an SDL window's X11 window for being destroyed from outside (a
 * window manager or a tool destroying it instead of asking it to close).
 * While the watch lives, X errors about that window no longer end the
 * process (Xlib's default handler exits at the first one, before anything
 * is saved): they mark the window lost, as its DestroyNotify does, and
 * once it is lost every further X error (the teardown's requests on the
 * gone window) is ignored. Other errors go to the handler there was.
 * Windows of other video drivers are not watched (lost() stays false).
 *
 * Mesa's software GL reads the window's size back after every present
 * (at the next frame's first validation), and when the window is gone it
 * takes the failed reply's uninitialised width and height as the size: the
 * next frame is rasterised into a frame buffer of a made-up size, and a
 * rasteriser thread faults. whileAlive() closes that gap: the server is
 * grabbed (no other client's request runs, so the window cannot go), the
 * window is looked up, and only a window that is there gets the action.
 * One watch at a time; main thread only.
 */
class XWindowWatch
{
public:
	/** Starts watching window (asks SDL for its system window-manager events). */
	explicit XWindowWatch(SDL_Window* window);

	/** Puts the previous X error handler back, unless the window was lost (errors about it may still come). */
	~XWindowWatch();

	/** Looks at one SDL event: a DestroyNotify of the window marks it lost. */
	void handle(SDL_Event const& event);

	/** True once the window was destroyed from outside. */
	bool lost() const;

	/**
	 * Runs action while the window cannot be destroyed by another client,
	 * when it still exists; gives false (action not run) once it is lost.
	 * With grab false (a driver that does not read the window's size back,
	 * or one whose present waits for the display) only the loss seen so far
	 * is looked at. Unwatched windows always get the action.
	 */
	bool whileAlive(bool grab, std::function<void()> const& action);

private:
	bool m_watching;
	_XDisplay* m_display;

	XWindowWatch(XWindowWatch const&) = delete;
	XWindowWatch& operator=(XWindowWatch const&) = delete;
};

} // framework
