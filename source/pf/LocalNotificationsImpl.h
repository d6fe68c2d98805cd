#pragma once

#include <lang/Object.h>
#include <string>
#include <vector>

namespace pf
{

class LocalNotificationsListener;

/**
 * The platform side of local notifications: the process-wide schedule, the
 * shell's clock as last passed to takeDue, the process-wide list of
 * listeners (borrowed, no duplicates) that the shell tells about arriving
 * notifications, and, per facade, the listeners it added.
 * Main thread only.
 */
class LocalNotificationsImpl : public lang::Object
{
public:
	/** One scheduled notification. */
	struct Scheduled
	{
		std::string eventName;
		std::string message;
		double fireTime;
		bool sound;
	};

	LocalNotificationsImpl();

	/** Removes the listeners added through this object from the list. */
	~LocalNotificationsImpl() override;

	/** Adds listener to the list (as addListener) and remembers it as added through this object. */
	void addOwnListener(LocalNotificationsListener* listener);

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

	/** Schedules a notification at fireTime seconds of the shell's clock. */
	static void schedule(Scheduled const& notification);

	/** Cancels the first scheduled notification with eventName; true when there was one. */
	static bool cancel(std::string const& eventName);

	/** Cancels every scheduled notification. */
	static void cancelAll();

	/** The scheduled notifications, in the order they fire. */
	static std::vector<Scheduled> const& scheduled();

	/**
	 * The shell's turn: now (seconds of the shell's clock) becomes the
	 * current time, and the event names of the notifications due by then
	 * are taken off the schedule and returned in firing order (equal times
	 * in the order they were scheduled).
	 */
	static std::vector<std::string> takeDue(double now);

	/** Sets the current time of the shell's clock (seconds; NaN is ignored), as at start. */
	static void setNow(double now);

	/** The shell's time as last passed to takeDue or setNow (0 before). */
	static double now();

private:
	std::vector<LocalNotificationsListener*> m_added;

	static std::vector<LocalNotificationsListener*> sm_listeners;
	static std::vector<Scheduled> sm_scheduled;
	static double sm_now;
};

} // pf
