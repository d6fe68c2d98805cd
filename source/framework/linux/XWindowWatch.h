#pragma once

struct SDL_Window;
union SDL_Event;

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

private:
	bool m_watching;

	XWindowWatch(XWindowWatch const&) = delete;
	XWindowWatch& operator=(XWindowWatch const&) = delete;
};

} // framework
