#pragma once

#include "DownloadWorker.h"
#include "GameLua.h"
#include <map>
#include <memory>
#include <string>

/**
 * The host's background downloads: what the workers hand to the main
 * thread (guarded by the host mutex) and one worker per kind, so that a
 * slow server of one kind holds none of the others. Results are moved in
 * whole by a worker and taken out whole by the frame; a download that
 * fails delivers nothing, so an earlier result stays as it was.
 */
struct GameLua::Downloads
{
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

	/** URL to body, delivered by the next frame in URL order. */
	std::map<std::string, std::string> urlResults;
	/** The latest advertisement not yet shown, or null. */
	std::unique_ptr<MainMenuAd> mainMenuAd;
	/** The latest downloaded game list not yet handled, or null. */
	std::unique_ptr<std::string> gameList;

	/** The game list's URL (main thread). */
	std::string installedAppsUrl;

	// Last, so that they stop before the results go.
	/**
	 * URL downloads, two at a time: the scripts may ask several servers at
	 * once, and one that stalls (until its limits end it) then holds none
	 * of the others.
	 */
	DownloadWorker urlWorker{2};
	/** Advertisement downloads, one at a time: a newer one is shown after an older one. */
	DownloadWorker adWorker;
	/** Game list downloads. */
	DownloadWorker installedAppsWorker;
};
