// Full-screen video for the scripts: the frame updates stop while it plays.
#include <api/VideoApi.h>
#include <host/Video.h>
#include <lua/LuaObject.h>

namespace host
{

void registerVideoApi(lua::LuaObject& host, Video& video)
{
	host.registerMethod("playVideo", &video, &Video::playVideo);
}

} // namespace host
