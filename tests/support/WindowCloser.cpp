#include "WindowCloser.h"
#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace test
{

int destroyWindowsOf(pid_t pid)
{
	Display* display = XOpenDisplay(nullptr);
	if (!display)
		return 0;
	Atom const pidAtom = XInternAtom(display, "_NET_WM_PID", False);
	int destroyed = 0;
	Window root = 0, parent = 0;
	Window* children = nullptr;
	unsigned count = 0;
	if (XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count))
	{
		for (unsigned i = 0; i < count; ++i)
		{
			Atom type = 0;
			int format = 0;
			unsigned long items = 0, after = 0;
			unsigned char* data = nullptr;
			if (XGetWindowProperty(display, children[i], pidAtom, 0, 1, False, XA_CARDINAL, &type, &format, &items,
					&after, &data) == Success && data)
			{
				if (items == 1 && *reinterpret_cast<unsigned long*>(data) == static_cast<unsigned long>(pid))
				{
					XDestroyWindow(display, children[i]);
					++destroyed;
				}
				XFree(data);
			}
		}
		if (children)
			XFree(children);
	}
	XSync(display, False);
	XCloseDisplay(display);
	return destroyed;
}

} // test
