#pragma once

class BackgroundDownloads;

namespace lua
{
class LuaObject;
}

/**
 * Binds the download rows of the host table to downloads: checkMainMenuAd,
 * native_startURLThread, checkInstalledAppsOnline, checkInstalledAppsOffline,
 * in that order. downloads must outlive the bindings. Main thread only.
 */
void registerDownloadApi(lua::LuaObject& host, BackgroundDownloads& downloads);
