#pragma once

#include <lang/Object.h>
#include <lang/Ptr.h>
#include <string>

namespace pf
{

class LocalNotificationsImpl;
class LocalNotificationsListener;

/**
 * Local notifications of this process: scheduled in memory and fired while
 * the program runs, when the shell passes the due ones to the listeners
 * (LocalNotificationsImpl::takeDue). Their text and sound are not shown.
 * Main thread only.
 */
class LocalNotifications : public lang::Object
{
public:
	LocalNotifications();

	/** Takes the listeners this object added off the process-wide list. */
	~LocalNotifications() override;

	/**
	 * Schedules a notification with eventName to fire seconds from the
	 * shell's current time, unless the user default "notifications" is
	 * false. Negative seconds fire at the next turn; more than ten years
	 * count as ten years.
	 * @return True when scheduled; false for NaN seconds or notifications off.
	 */
	bool addNotificationAfter(std::string const& eventName, float seconds, std::string const& message);

	/** Cancels the first scheduled notification with eventName; true when there was one. */
	bool removeNotification(std::string const& eventName);

	/** Cancels every scheduled notification. */
	void removeAllNotifications();

	/** Adds listener to the process-wide list unless present; it leaves again with this object. */
	void addListener(LocalNotificationsListener* listener);

	/** No effect here: the shell delivers the due notifications each turn. */
	void checkForNotifications();

private:
	lang::Ptr<LocalNotificationsImpl> m_impl;
};

} // pf
