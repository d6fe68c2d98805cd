// Local notifications for the scripts: scheduling, cancelling and the
// callback that fired ones reach.
#include <GameLua.h>
#include <pf/AppSettings.h>
#include <pf/LocalNotifications.h>

void GameLua::registerNotificationApi()
{
	registerMethod("addNotificationAfter", this, &GameLua::addNotificationAfter);
	registerMethod("removeNotification", this, &GameLua::removeNotification);
	registerMethod("removeAllNotifications", this, &GameLua::removeAllNotifications);
	registerMethod("setNotificationCallback", this, &GameLua::setNotificationCallback);
}

bool GameLua::addNotificationAfter(std::string const& eventName, float seconds, std::string const& message)
{
	if (m_appSettings->isBoolean("notifications") && !m_appSettings->getBoolean("notifications"))
		return false;
	return m_notifications->addNotificationAfter(eventName, seconds, message);
}

bool GameLua::removeNotification(std::string const& eventName)
{
	return m_notifications->removeNotification(eventName);
}

void GameLua::removeAllNotifications()
{
	m_notifications->removeAllNotifications();
}

void GameLua::setNotificationCallback(std::string const& name)
{
	m_notificationCallback = name;
}

void GameLua::notificationReceived(std::string const& eventName)
{
	if (m_notificationCallback.empty())
		return;
	call(m_notificationCallback.c_str(), eventName);
}
