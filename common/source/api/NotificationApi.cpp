// Local notifications for the scripts: scheduling, cancelling and the
// callback that fired ones reach.
#include <api/NotificationApi.h>
#include <host/Notifications.h>
#include <lua/LuaObject.h>

namespace host
{

void registerNotificationApi(lua::LuaObject& host, Notifications& notifications)
{
	host.registerMethod("addNotificationAfter", &notifications, &Notifications::addNotificationAfter);
	host.registerMethod("removeNotification", &notifications, &Notifications::removeNotification);
	host.registerMethod("removeAllNotifications", &notifications, &Notifications::removeAllNotifications);
	host.registerMethod("setNotificationCallback", &notifications, &Notifications::setNotificationCallback);
}

} // namespace host
