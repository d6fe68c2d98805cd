#pragma once

#include <host/Core.h>
#include <lang/Ptr.h>
#include <string>

namespace pf
{
class AppSettings;
class LocalNotifications;
class LocalNotificationsListener;
}

namespace host
{

/**
 * Local notifications for the scripts: scheduling, cancelling and the
 * callback that fired ones reach, within the player's "notifications"
 * application setting. Fired notifications come back through the listener
 * given to open (the host), which hands them to notificationReceived here.
 *
 * Main thread only.
 */
class Notifications
{
public:
	/** No settings and no notifications yet (openSettings and open make them); no callback. */
	explicit Notifications(Core const& core);

	~Notifications();

	/** Makes the application settings; called once, before open. */
	void openSettings();

	/** Makes the notifications and adds listener to them (not owned; it must outlive this object); called once. */
	void open(pf::LocalNotificationsListener& listener);

	/** False without scheduling when the setting "notifications" is false; else the scheduling's result. */
	bool addNotificationAfter(std::string const& eventName, float seconds, std::string const& message);

	/** Cancels the first scheduled notification with eventName; true when there was one. */
	bool removeNotification(std::string const& eventName);

	/** Cancels every scheduled notification. */
	void removeAllNotifications();

	/** Stores the script function that notifications call. */
	void setNotificationCallback(std::string const& name);

	/**
	 * Calls the notification callback with the event name, unless its name is empty.
	 * @exception lang::Throwable From the script.
	 */
	void notificationReceived(std::string const& eventName);

private:
	Core m_core;
	std::string m_notificationCallback;
	lang::Ptr<pf::AppSettings> m_appSettings;
	lang::Ptr<pf::LocalNotifications> m_notifications;

	Notifications(Notifications const&) = delete;
	Notifications& operator=(Notifications const&) = delete;
};

} // namespace host
