// Local notifications for the scripts: scheduling, cancelling and the
// callback that fired ones reach.
#include <api/NotificationApi.h>
#include <host/HostNotifications.h>
#include <lua/LuaObject.h>

void registerNotificationApi(lua::LuaObject& host, HostNotifications& notifications)
{
	host.registerMethod("addNotificationAfter", &notifications, &HostNotifications::addNotificationAfter);
	host.registerMethod("removeNotification", &notifications, &HostNotifications::removeNotification);
	host.registerMethod("removeAllNotifications", &notifications, &HostNotifications::removeAllNotifications);
	host.registerMethod("setNotificationCallback", &notifications, &HostNotifications::setNotificationCallback);
}
