#include <host/HostNotifications.h>
#include <lua/LuaObject.h>
#include <pf/AppSettings.h>
#include <pf/LocalNotifications.h>

HostNotifications::HostNotifications(HostCore const& core) :
	m_core(core)
{
}

HostNotifications::~HostNotifications() = default;

void HostNotifications::openSettings()
{
	m_appSettings = new pf::AppSettings();
}

void HostNotifications::open(pf::LocalNotificationsListener& listener)
{
	m_notifications = new pf::LocalNotifications();
	m_notifications->addListener(&listener);
}

bool HostNotifications::addNotificationAfter(std::string const& eventName, float seconds, std::string const& message)
{
	if (m_appSettings->isBoolean("notifications") && !m_appSettings->getBoolean("notifications"))
		return false;
	return m_notifications->addNotificationAfter(eventName, seconds, message);
}

bool HostNotifications::removeNotification(std::string const& eventName)
{
	return m_notifications->removeNotification(eventName);
}

void HostNotifications::removeAllNotifications()
{
	m_notifications->removeAllNotifications();
}

void HostNotifications::setNotificationCallback(std::string const& name)
{
	m_notificationCallback = name;
}

void HostNotifications::notificationReceived(std::string const& eventName)
{
	if (m_notificationCallback.empty())
		return;
	m_core.table.call(m_notificationCallback.c_str(), eventName);
}
