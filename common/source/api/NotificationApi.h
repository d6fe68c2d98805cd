#pragma once

namespace lua
{
class LuaObject;
}

namespace host
{

class Notifications;

/** Registers the notification rows into host, bound to notifications (which must outlive host's use of them). */
void registerNotificationApi(lua::LuaObject& host, Notifications& notifications);

} // namespace host
