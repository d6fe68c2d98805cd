// Background downloads: the scripts' requests. The work runs on the host's
// download workers, one per kind (host/BackgroundDownloads.cpp).
#include <api/DownloadApi.h>
#include <host/BackgroundDownloads.h>
#include <lua/LuaObject.h>

namespace host
{

void registerDownloadApi(lua::LuaObject& host, BackgroundDownloads& downloads)
{
	host.registerMethod("checkMainMenuAd", &downloads, &BackgroundDownloads::checkMainMenuAd);
	host.registerMethod("native_startURLThread", &downloads, &BackgroundDownloads::startURLThread);
	host.registerMethod("checkInstalledAppsOnline", &downloads, &BackgroundDownloads::checkInstalledApps);
	host.registerMethod("checkInstalledAppsOffline", &downloads, &BackgroundDownloads::checkInstalledAppsOffline);
}

} // namespace host
