// The ad-state notices and their saved list.

#include "TallyAdStateCallbacks.h"
#include "TallyArchiver.h"
#include "TallyFilePaths.h"
#include "TallyGuard.h"
#include "TallyLog.h"
#include "TallyStorage.h"
#include "TallyThreads.h"
#include "TallyUnarchiver.h"
#include <Networking/TallyHTTPEater.h>
#include <algorithm>
#include <cmath>
#include <mutex>

namespace
{

/** The saved ad-state callbacks, loaded once, and their monitor. Never destroyed. */
struct AdStateList
{
	std::recursive_mutex monitor;
	bool loaded = false;
	std::vector<TallyAdStateCallback> callbacks;
};

AdStateList& adStateList()
{
	static AdStateList* s_list = new AdStateList;
	return *s_list;
}

void writeAdStateCallbacks(std::vector<TallyAdStateCallback> const& callbacks)
{
	TallyArchiver list(true);
	for (TallyAdStateCallback const& callback : callbacks)
	{
		TallyArchiver entry;
		entry.encodeString("url", callback.url);
		entry.encodeInteger("attempts", callback.attempts);
		list.encodeArchive(nullptr, std::move(entry));
	}
	TallyStorage::write(TallyFilePaths::adStateCallbacksFilePath(), list.text());
}

/** Loads the list under the monitor when not loaded yet. */
void loadAdStateCallbacks(AdStateList& list)
{
	if (list.loaded)
		return;
	list.loaded = true;
	std::string path = TallyFilePaths::adStateCallbacksFilePath();
	std::optional<std::string> text = TallyStorage::read(path);
	if (!text)
		return;
	try
	{
		TallyUnarchiver entries = TallyUnarchiver::parse(*text, true);
		int dropped = 0;
		entries.forEachElement([&](TallyUnarchiver const& entry) {
			try
			{
				std::optional<TallyUnarchiver> fields = entry.decodeObject("");
				std::optional<std::string> url = fields ? fields->decodeString("url") : std::nullopt;
				double attempts = fields && fields->contains("attempts") ? fields->decodeReal("attempts") : NAN;
				if (!url || !std::isfinite(attempts) || attempts < -1e15 || attempts > 1e15)
					throw TallyArchiveError{"entry without a url or attempts"};
				list.callbacks.push_back({*url, static_cast<int64_t>(attempts)});
			}
			catch (TallyArchiveError const&)
			{
				++dropped;
			}
		});
		if (dropped)
			tallyLog("Tally: ad state callbacks [%@]: %d entries without a url or attempts were dropped", {path, dropped});
	}
	catch (TallyArchiveError const& e)
	{
		tallyLog("main: Caught %@: %@", {"TallyArchiveError", path + ": " + e.what});
		TallyStorage::remove(path);
	}
}

} // namespace

void TallyAdStateCallbacks::asyncNotifyAdStateCompleted(std::string const& url)
{
	TallyThreads::start([url] { sendAdStateCompleted(TallyAdStateCallback{url, 0}); });
}

void TallyAdStateCallbacks::sendAdStateCompleted(TallyAdStateCallback const& callback)
{
	bool loaded;
	{
		AdStateList& list = adStateList();
		std::lock_guard<std::recursive_mutex> lock(list.monitor);
		loaded = list.loaded;
	}
	sendAdStateCompleted(callback, !loaded);
}

bool TallyAdStateCallbacks::sendAdStateCompleted(TallyAdStateCallback const& callback, bool saveData)
{
	bool sent = false;
	tallyGuard([&] {
		TallyHTTPResponse response = TallyHTTPEater::get(callback.url, {});
		tallyLog("Tally: HTTP Response for ad state notification [%@]", {response.description()});
		if (response.isSuccess())
		{
			sent = true;
			tallyLog("Tally: sent ad state completed to server at url[%@]", {callback.url});
			return;
		}
		tallyLog("Tally: could not send ad state completed to server for url [%@]", {callback.url});
		TallyAdStateCallback again = callback;
		again.attempts = callback.attempts + 1;
		if (again.attempts >= MAX_AD_STATE_CALLBACK_ATTEMPTS)
		{
			tallyLog("Exceeded number of attempts for callback[%@]", {callback.url});
			return;
		}
		addToSavedAdStateCallbacks(again);
		if (saveData)
		{
			AdStateList& list = adStateList();
			std::lock_guard<std::recursive_mutex> lock(list.monitor);
			writeAdStateCallbacks(list.callbacks);
		}
	});
	return sent;
}

void TallyAdStateCallbacks::sendSavedAdStateCallbacks()
{
	tallyGuard([&] {
		AdStateList& list = adStateList();
		std::vector<TallyAdStateCallback> batch;
		{
			std::lock_guard<std::recursive_mutex> lock(list.monitor);
			loadAdStateCallbacks(list);
			size_t n = std::min<size_t>(5, list.callbacks.size());
			batch.assign(list.callbacks.begin(), list.callbacks.begin() + static_cast<std::ptrdiff_t>(n));
		}
		for (TallyAdStateCallback const& callback : batch)
		{
			tallyLog("Attempting to send saved callback[%@]", {callback.url});
			sendAdStateCompleted(callback, false);
		}
		std::lock_guard<std::recursive_mutex> lock(list.monitor);
		tallyLog("Discarded Items count[%d]", {static_cast<int64_t>(batch.size())});
		for (TallyAdStateCallback const& callback : batch)
		{
			auto found = std::find(list.callbacks.begin(), list.callbacks.end(), callback);
			if (found != list.callbacks.end())
				list.callbacks.erase(found);
		}
		writeAdStateCallbacks(list.callbacks);
	});
}

std::vector<TallyAdStateCallback> TallyAdStateCallbacks::savedAdStateCallbacks()
{
	std::vector<TallyAdStateCallback> callbacks;
	tallyGuard([&] {
		AdStateList& list = adStateList();
		std::lock_guard<std::recursive_mutex> lock(list.monitor);
		loadAdStateCallbacks(list);
		callbacks = list.callbacks;
	});
	return callbacks;
}

void TallyAdStateCallbacks::setSavedAdStateCallbacks(std::vector<TallyAdStateCallback> const& callbacks)
{
	tallyGuard([&] {
		AdStateList& list = adStateList();
		std::lock_guard<std::recursive_mutex> lock(list.monitor);
		list.loaded = true;
		list.callbacks = callbacks;
		writeAdStateCallbacks(list.callbacks);
	});
}

void TallyAdStateCallbacks::addToSavedAdStateCallbacks(TallyAdStateCallback const& callback)
{
	tallyGuard([&] {
		tallyLog("Tally: Add ad state callback [%@] to saved callbacks", {callback.url});
		AdStateList& list = adStateList();
		std::lock_guard<std::recursive_mutex> lock(list.monitor);
		loadAdStateCallbacks(list);
		list.callbacks.push_back(callback);
		removeOldAdStateCallbacksIfNecessary(list.callbacks);
	});
}

std::vector<TallyAdStateCallback>& TallyAdStateCallbacks::removeOldAdStateCallbacksIfNecessary(std::vector<TallyAdStateCallback>& callbacks)
{
	size_t limit = MAX_AD_STATE_CALLBACKS;
	if (callbacks.size() > limit)
	{
		tallyLog("Tally: Max ad states allowed[%d] exceeded", {static_cast<int>(limit)});
		size_t excess = callbacks.size() - limit;
		tallyLog("Tally: Removing [%d] callbacks from saved callbacks", {static_cast<int64_t>(excess)});
		callbacks.erase(callbacks.begin(), callbacks.begin() + static_cast<std::ptrdiff_t>(excess));
	}
	return callbacks;
}

void TallyAdStateCallbacks::removeAdStateCallbackIfExists(TallyAdStateCallback const& callback)
{
	tallyGuard([&] {
		AdStateList& list = adStateList();
		std::lock_guard<std::recursive_mutex> lock(list.monitor);
		loadAdStateCallbacks(list);
		auto found = std::find(list.callbacks.begin(), list.callbacks.end(), callback);
		if (found != list.callbacks.end())
			list.callbacks.erase(found);
	});
}

void TallyAdStateCallbacks::forgetSavedAdStateCallbacks()
{
	AdStateList& list = adStateList();
	std::lock_guard<std::recursive_mutex> lock(list.monitor);
	list.loaded = false;
	list.callbacks.clear();
}
