// Background downloads: the scripts' requests. The work runs on the host's
// two download workers (BackgroundDownloads.cpp).
#include <BackgroundDownloads.h>
#include <cstdio>

void GameLua::registerDownloadApi()
{
	registerMethod("checkMainMenuAd", this, &GameLua::checkMainMenuAd);
	registerMethod("native_startURLThread", this, &GameLua::startURLThread);
	registerMethod("checkInstalledAppsOnline", this, &GameLua::checkInstalledApps);
	registerMethod("checkInstalledAppsOffline", this, &GameLua::checkInstalledAppsOffline);
}

void GameLua::startURLThread(std::string const& url)
{
	m_downloads->urlWorker.enqueue("url " + url, [this, url](std::atomic<bool> const& cancel) { checkForURLProc(url, cancel); });
}

void GameLua::checkMainMenuAd(std::string const& url)
{
	std::fputs("Native: checkMainMenuAd()\n", stdout);
	std::fflush(stdout);
	m_downloads->urlWorker.enqueue("ad " + url, [this, url](std::atomic<bool> const& cancel) { checkMainMenuAdProc(url, cancel); });
}

void GameLua::checkInstalledApps(std::string const& url)
{
	m_downloads->installedAppsUrl = url;
	m_downloads->installedAppsWorker.enqueue(url, [this, url](std::atomic<bool> const& cancel) { getPossibleInstalledAppsProc(url, cancel); });
}

void GameLua::checkInstalledAppsOffline(std::string const& json)
{
	call("setInstalledAppsOffline", determineInstalledApps(json));
}
