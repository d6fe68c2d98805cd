#pragma once

namespace lua
{
class LuaObject;
}

namespace host
{

class BackgroundDownloads;

/**
 * Binds the download rows of the host table to downloads: checkMainMenuAd,
 * native_startURLThread, checkInstalledAppsOnline, checkInstalledAppsOffline,
 * in that order. downloads must outlive the bindings. Main thread only.
 */
void registerDownloadApi(lua::LuaObject& host, BackgroundDownloads& downloads);

} // namespace host
