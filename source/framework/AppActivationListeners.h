#pragma once

#include <vector>

namespace framework
{

/** Told when the application becomes active or resigns (main thread). */
class AppActivationListener
{
public:
	virtual ~AppActivationListener() {}
	virtual void activated() = 0;
	virtual void deactivated() = 0;
};

/**
 * The process-wide list of activation listeners (borrowed; empty at start).
 * The platform shell tells them, in list order, when the application
 * becomes active or resigns; others add and remove themselves on the main
 * thread.
 */
class AppActivationListeners
{
public:
	static std::vector<AppActivationListener*> s_listeners;
};

} // framework
