#include <host/Notifications.h>
#include <lua/LuaObject.h>
#include <pf/AppSettings.h>
#include <pf/LocalNotifications.h>

namespace host
{

Notifications::Notifications(Core const& core) :
	m_core(core)
{
}

Notifications::~Notifications() = default;

void Notifications::openSettings()
{
	m_appSettings = new pf::AppSettings();
}

void Notifications::open(pf::LocalNotificationsListener& listener)
{
	m_notifications = new pf::LocalNotifications();
	m_notifications->addListener(&listener);
}

bool Notifications::addNotificationAfter(std::string const& eventName, float seconds, std::string const& message)
{
	if (m_appSettings->isBoolean("notifications") && !m_appSettings->getBoolean("notifications"))
		return false;
	return m_notifications->addNotificationAfter(eventName, seconds, message);
}

bool Notifications::removeNotification(std::string const& eventName)
{
	return m_notifications->removeNotification(eventName);
}

void Notifications::removeAllNotifications()
{
	m_notifications->removeAllNotifications();
}

void Notifications::setNotificationCallback(std::string const& name)
{
	m_notificationCallback = name;
}

void Notifications::notificationReceived(std::string const& eventName)
{
	if (m_notificationCallback.empty())
		return;
	m_core.table.call(m_notificationCallback.c_str(), eventName);
}

} // namespace host
