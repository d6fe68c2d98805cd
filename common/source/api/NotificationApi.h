#pragma once

class HostNotifications;

namespace lua
{
class LuaObject;
}

/** Registers the notification rows into host, bound to notifications (which must outlive host's use of them). */
void registerNotificationApi(lua::LuaObject& host, HostNotifications& notifications);
