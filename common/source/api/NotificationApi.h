#pragma once

class Notifications;

namespace lua
{
class LuaObject;
}

/** Registers the notification rows into host, bound to notifications (which must outlive host's use of them). */
void registerNotificationApi(lua::LuaObject& host, Notifications& notifications);
