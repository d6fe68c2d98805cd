#include "XWindowWatch.h"
#include <SDL2/SDL.h>
#include <SDL2/SDL_syswm.h>
#include <X11/Xlib.h>

namespace framework
{

namespace
{

/** The watched window (0: none). Xlib's error handlers take no user data. */
Window s_window = 0;
bool s_lost = false;
XErrorHandler s_previous = nullptr;

int onXError(Display* display, XErrorEvent* error)
{
	if (s_lost || (s_window != 0 && error->resourceid == s_window))
	{
		s_lost = true;
		return 0;
	}
	return s_previous ? s_previous(display, error) : 0;
}

} // namespace

XWindowWatch::XWindowWatch(SDL_Window* window) : m_watching(false), m_display(nullptr)
{
	SDL_SysWMinfo info;
	SDL_VERSION(&info.version);
	if (!window || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11)
		return;
	m_watching = true;
	m_display = info.info.x11.display;
	s_window = info.info.x11.window;
	s_lost = false;
	XErrorHandler const previous = XSetErrorHandler(&onXError);
	if (previous != &onXError)
		s_previous = previous;
	SDL_EventState(SDL_SYSWMEVENT, SDL_ENABLE);
}

XWindowWatch::~XWindowWatch()
{
	// After a loss the handler stays: errors about the gone window can
	// still arrive until the process ends.
	if (!m_watching || s_lost)
		return;
	XSetErrorHandler(s_previous);
	s_previous = nullptr;
	s_window = 0;
	s_lost = false;
}

void XWindowWatch::handle(SDL_Event const& event)
{
	if (!m_watching || event.type != SDL_SYSWMEVENT || !event.syswm.msg || event.syswm.msg->subsystem != SDL_SYSWM_X11)
		return;
	XEvent const& x = event.syswm.msg->msg.x11.event;
	if (x.type == DestroyNotify && x.xdestroywindow.window == s_window)
		s_lost = true;
}

bool XWindowWatch::lost() const
{
	return m_watching && s_lost;
}

bool XWindowWatch::whileAlive(bool grab, std::function<void()> const& action)
{
	if (!m_watching)
	{
		action();
		return true;
	}
	if (s_lost)
		return false;
	if (!grab)
	{
		action();
		return true;
	}
	XGrabServer(m_display);
	// A window destroyed before the grab answers with an error (onXError
	// marks it lost); after it, no other client's request runs until the
	// ungrab.
	XWindowAttributes attributes;
	bool const alive = XGetWindowAttributes(m_display, s_window, &attributes) != 0 && !s_lost;
	if (alive)
		action();
	XUngrabServer(m_display);
	XFlush(m_display);
	return alive;
}

} // framework
