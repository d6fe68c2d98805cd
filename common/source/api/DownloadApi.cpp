// Background downloads: the scripts' requests. The work runs on the host's
// download workers, one per kind (BackgroundDownloads.cpp).
#include <BackgroundDownloads.h>
#include <cstdio>
#include <utility>

void GameLua::registerDownloadApi()
{
	registerMethod("checkMainMenuAd", this, &GameLua::checkMainMenuAd);
	registerMethod("native_startURLThread", this, &GameLua::startURLThread);
	registerMethod("checkInstalledAppsOnline", this, &GameLua::checkInstalledApps);
	registerMethod("checkInstalledAppsOffline", this, &GameLua::checkInstalledAppsOffline);
}

namespace
{

/** Queues job for url on worker; a full queue fails the download with a line on the output. */
void queue(DownloadWorker& worker, std::string const& url, DownloadWorker::Job job)
{
	if (worker.enqueue(url, std::move(job)) == DownloadWorker::FULL)
	{
		std::printf("Download of [%s] failed: %zu downloads are waiting already\n", url.c_str(), DownloadWorker::MAX_WAITING);
		std::fflush(stdout);
	}
}

} // namespace

void GameLua::startURLThread(std::string const& url)
{
	queue(m_downloads->urlWorker, url, [this, url](std::atomic<bool> const& cancel) { checkForURLProc(url, cancel); });
}

void GameLua::checkMainMenuAd(std::string const& url)
{
	std::fputs("Native: checkMainMenuAd()\n", stdout);
	std::fflush(stdout);
	queue(m_downloads->adWorker, url, [this, url](std::atomic<bool> const& cancel) { checkMainMenuAdProc(url, cancel); });
}

void GameLua::checkInstalledApps(std::string const& url)
{
	m_downloads->installedAppsUrl = url;
	queue(m_downloads->installedAppsWorker, url, [this, url](std::atomic<bool> const& cancel) { getPossibleInstalledAppsProc(url, cancel); });
}

void GameLua::checkInstalledAppsOffline(std::string const& json)
{
	call("setInstalledAppsOffline", determineInstalledApps(json));
}
