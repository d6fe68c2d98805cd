#pragma once

#include <host/DownloadWorker.h>
#include <host/Core.h>
#include <lang/Mutex.h>
#include <atomic>
#include <map>
#include <memory>
#include <string>

namespace host
{

/**
 * The host's background downloads: URL bodies for the scripts, the main-menu
 * advertisement and the list of installed games. Downloads run on one worker
 * per kind (URLs two at a time, the advertisement and the game list one at a
 * time each), so that a slow server of one kind holds none of the others, in
 * request order, each within the request limits (net/HttpLimits.h); the
 * requests return at once. A failed download (transport failure, a status
 * outside 200-299, a URL that is empty or not http or https, "Malformed
 * response") prints "Download of [url] failed: message" and delivers nothing,
 * so an earlier result stays as it was. Results are moved in whole by a
 * worker (under the downloads' mutex) and taken out whole by the frame steps,
 * which hand them to the scripts.
 *
 * Requests and frame steps belong to the main thread; the downloads run on
 * the workers' threads and never touch the scripts. Destroying the object
 * stops the workers first (waiting for the running downloads to see their
 * cancel flag), then drops the results not yet delivered.
 */
class BackgroundDownloads
{
public:
	/** No download runs and no thread starts until a request comes. core is copied (it is references). */
	explicit BackgroundDownloads(Core const& core);

	/** native_startURLThread: queues a download of url unless one for url is waiting. */
	void startURLThread(std::string const& url);

	/** Prints "Native: checkMainMenuAd()\n" and queues the advertisement description at url. */
	void checkMainMenuAd(std::string const& url);

	/** checkInstalledAppsOnline: stores url and queues the download of the game list there. */
	void checkInstalledApps(std::string const& url);

	/**
	 * Calls "setInstalledAppsOffline" with determineInstalledApps(json).
	 * @exception lang::Exception "Malformed response" (nothing is called).
	 * @exception lang::Throwable From the call.
	 */
	void checkInstalledAppsOffline(std::string const& json);

	/**
	 * Frame step: takes every downloaded URL body out and calls
	 * "nativecallback_urlResponse" (url, body) for each, in URL order.
	 * @exception lang::Throwable From a call (the bodies not yet delivered are dropped).
	 */
	void checkURLCallbacks();

	/**
	 * Frame step: a downloaded game list goes to "setInstalledApps" (a list
	 * that is not valid prints "Received an invalid game list JSON from the
	 * server\n" and calls nothing), then createMainMenuAdImage.
	 * @exception lang::Throwable From a call.
	 */
	void checkBackgroundResults();

	/**
	 * The names of the games of the list (JSON: "gameCount", objects
	 * "game_0", ... with "name" and "scheme") whose scheme the launcher can
	 * open, joined by ", "; "" when none.
	 * @exception lang::Exception "Malformed response" for text that does not
	 *            parse or an entry missing, or without "name" or "scheme".
	 */
	std::string determineInstalledApps(std::string const& json) const;

	/**
	 * Frame step: when an advertisement arrived, sets "mainMenuAdUrl" and
	 * "mainMenuAdTimeStamp", reads its image (PNG for an unknown type) into
	 * the sheet "MAIN_MENU_AD_SHEET" with the sprite "MAIN_MENU_AD_IMAGE"
	 * pivoted at its centre and sets "mainMenuAdReadyToBeShown" to true. An
	 * image that cannot be read or made prints "Failed to load main menu ad
	 * image\n" and the ad is not shown. Otherwise does nothing.
	 */
	void createMainMenuAdImage();

private:
	/** A downloaded main-menu advertisement. */
	struct MainMenuAd
	{
		std::string timeStamp;
		/** Where the ad leads (its "link"). */
		std::string url;
		std::string image;
		/** io::FileFormat of the image; 0 (read as PNG) when unknown. */
		int imageType = 0;
	};

	Core m_core;

	/** Guards what the workers hand to the main thread: the three results below. */
	lang::Mutex m_mutex;
	/** URL to body, delivered by the next frame in URL order. */
	std::map<std::string, std::string> m_urlResults;
	/** The latest advertisement not yet shown, or null. */
	std::unique_ptr<MainMenuAd> m_mainMenuAd;
	/** The latest downloaded game list not yet handled, or null. */
	std::unique_ptr<std::string> m_gameList;

	/** The game list's URL (main thread). */
	std::string m_installedAppsUrl;

	// Last, so that they stop before the results and the mutex go.
	/**
	 * URL downloads, two at a time: the scripts may ask several servers at
	 * once, and one that stalls (until its limits end it) then holds none
	 * of the others.
	 */
	DownloadWorker m_urlWorker{2};
	/** Advertisement downloads, one at a time: a newer one is shown after an older one. */
	DownloadWorker m_adWorker;
	/** Game list downloads. */
	DownloadWorker m_installedAppsWorker;

	/** Worker bodies: a URL, the advertisement with its image, the game list. */
	void checkForURLProc(std::string const& url, std::atomic<bool> const& cancel);
	void checkMainMenuAdProc(std::string const& url, std::atomic<bool> const& cancel);
	/** Downloads the ad's image into image; false (after printing the failure) when it fails. */
	bool loadMainMenuAd(std::string const& imageUrl, std::atomic<bool> const& cancel, std::string& image);
	void getPossibleInstalledAppsProc(std::string const& url, std::atomic<bool> const& cancel);

	BackgroundDownloads(BackgroundDownloads const&) = delete;
	BackgroundDownloads& operator=(BackgroundDownloads const&) = delete;
};

} // namespace host
