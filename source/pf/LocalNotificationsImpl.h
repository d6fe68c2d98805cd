#pragma once

#include <string>
#include <vector>

namespace pf
{

class LocalNotificationsListener;

/**
 * The platform side of local notifications: the process-wide list of
 * listeners (borrowed, no duplicates) that the shell tells about arriving
 * notifications. Main thread only.
 */
class LocalNotificationsImpl
{
public:
	/** Adds listener at the end unless it is listed already; null is ignored. */
	static void addListener(LocalNotificationsListener* listener);

	/** Removes listener from the list (a listener must leave before it is destroyed). */
	static void removeListener(LocalNotificationsListener* listener);

	/**
	 * Calls notificationReceived(eventName) on every listener in list order.
	 * A listener may add or remove listeners meanwhile: each listener listed
	 * when the call began and still listed when its turn comes is called once.
	 * Exceptions of a listener pass to the caller.
	 */
	static void notifyListeners(std::string const& eventName);

	/** The listeners, in the order they were added. */
	static std::vector<LocalNotificationsListener*> const& listeners();

private:
	static std::vector<LocalNotificationsListener*> sm_listeners;
};

} // pf
