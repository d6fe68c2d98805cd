#include "ShellEvents.h"
#include "AppController.h"
#include "Host.h"
#include "MyEAGLViewController.h"
#include "ShellOptions.h"

namespace framework
{

void deliverEvent(AppController& c, Host& host, ShellEvent const& e)
{
	MyEAGLViewController* vc = c.getViewController();
	std::vector<MyEAGLViewController::Touch> const touch = {{e.a, float(e.b), float(e.c)}};
	switch (e.kind)
	{
	case ShellEvent::TOUCH_BEGIN:
		if (vc)
			vc->touchesBegan(touch);
		break;
	case ShellEvent::TOUCH_MOVE:
		if (vc)
			vc->touchesMoved(touch);
		break;
	case ShellEvent::TOUCH_END:
		if (vc)
			vc->touchesEnded(touch);
		break;
	case ShellEvent::TOUCH_CANCEL:
		if (vc)
			vc->touchesCancelled(touch);
		break;
	case ShellEvent::KEY_DOWN:
		if (vc)
			vc->keyPressed(e.key);
		break;
	case ShellEvent::KEY_UP:
		if (vc)
			vc->keyReleased(e.key);
		break;
	case ShellEvent::WHEEL:
		if (vc)
			vc->wheel(e.a);
		break;
	case ShellEvent::RESIZE:
		if (e.a >= 1 && e.b >= 1)
			host.resizeWindow(e.a, e.b);
		break;
	case ShellEvent::DEACTIVATE:
		c.applicationWillResignActive();
		break;
	case ShellEvent::ACTIVATE:
		c.applicationDidBecomeActive();
		break;
	case ShellEvent::URL:
		c.openURL(e.text);
		break;
	case ShellEvent::NOTIFICATION:
		c.didReceiveLocalNotification(e.text);
		break;
	case ShellEvent::CLOCK:
		host.moveClock(e.seconds);
		break;
	}
}

} // framework

namespace framework
{

void launchShell(AppController& c, ShellOptions const& o)
{
	if (!o.notification.empty() || o.url.empty())
		c.didFinishLaunchingWithOptions(o.notification.empty() ? nullptr : &o.notification);
	if (!o.url.empty())
		c.openURL(o.url);
	if (!c.terminated())
		c.applicationDidBecomeActive();
}

} // framework
