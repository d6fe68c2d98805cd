#pragma once

namespace lua
{
class LuaObject;
}

namespace host
{

class Video;

/** Registers "playVideo" into host, bound to video (which must outlive host's use of it). */
void registerVideoApi(lua::LuaObject& host, Video& video);

} // namespace host
