// Full-screen video for the scripts: the frame updates stop while it plays.
#include <api/VideoApi.h>
#include <host/HostVideo.h>
#include <lua/LuaObject.h>

void registerVideoApi(lua::LuaObject& host, HostVideo& video)
{
	host.registerMethod("playVideo", &video, &HostVideo::playVideo);
}
