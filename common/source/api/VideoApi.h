#pragma once

class Video;

namespace lua
{
class LuaObject;
}

/** Registers "playVideo" into host, bound to video (which must outlive host's use of it). */
void registerVideoApi(lua::LuaObject& host, Video& video);
