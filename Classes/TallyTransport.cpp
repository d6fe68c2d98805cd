// Sending reports and the ad-state notices.

#include "TallyAnalytics.h"
#include "TallyArchiver.h"
#include "TallyGuard.h"
#include "TallyLog.h"
#include "TallySession.h"
#include "TallyStorage.h"
#include "TallyThreads.h"
#include "TallyUnarchiver.h"
#include <Networking/TallyHTTPEater.h>
#include <algorithm>
#include <cmath>
#include <mutex>

namespace
{

/** Tried, never waited for: one send at a time, the others are dropped. Never destroyed. */
std::mutex& networkLock()
{
	static std::mutex* s_lock = new std::mutex;
	return *s_lock;
}

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
	TallyStorage::write(TallySession::adStateCallbacksFilePath(), list.text());
}

/** Loads the list under the monitor when not loaded yet. */
void loadAdStateCallbacks(AdStateList& list)
{
	if (list.loaded)
		return;
	list.loaded = true;
	std::string path = TallySession::adStateCallbacksFilePath();
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

/**
 * Whether the report arrived: a 2xx answer to the POST itself (redirects
 * keep the POST and its body). A 3xx that ends the chain (no Location, or
 * one not followed) is no delivery, though it counts as a success of the
 * HTTP classes.
 */
bool delivered(std::optional<TallyHTTPResponse> const& response)
{
	return response && response->statusCode() >= 200 && response->statusCode() <= 299;
}

struct Parser
{
	bool enabled;
	TallyAdParser* parser;
	bool fromStart;
	char const* about;
	char const* missing;
	char const* found;
	char const* finished;
};

} // namespace

void TallySession::sendSessionsToServerForAdGrid()
{
	bool grid = TallyAnalytics::adGridEnabled();
	bool video = TallyAnalytics::videoAdsEnabled();
	bool slot = TallyAnalytics::adSlotEnabled();
	bool reengage = TallyAnalytics::reEngageEnabled();
	sendSessionsToServerWithTimeout(false, false, grid, video, slot, reengage, false);
	if (grid || video || slot || reengage)
		sendSavedAdStateCallbacks();
}

void TallySession::sendSessionsToServerForSessionPause()
{
	sendSessionsToServerWithTimeout(true, false, false, false, false, false, true);
	TallyAnalytics::stopBackgroundTask();
}

void TallySession::sendSessionsToServerForEndOfSession()
{
	sendSessionsToServerWithTimeout(true, false, false, false, false, false, true);
}

void TallySession::sendSessionsToServerForAdditionalInfo()
{
	sendSessionsToServerWithTimeout(true, true, false, false, false, false, false);
}

void TallySession::sendSessionsToServerWithTimeout(bool shortTimeout, bool useWebView, bool requestAdGridAds, bool requestVideoAds,
                                                   bool requestAdSlotAds, bool requestReengageAds, bool sendCurrentSession)
{
	std::unique_lock<std::mutex> held(networkLock(), std::try_to_lock);
	if (!held)
	{
		tallyLog("Could not acquire network lock. Skipping");
		return;
	}
	tallyGuard([&] {
		tallyLog("TallyAnalytics: Sending sessions to server withTimeout[%d]", {shortTimeout ? 1 : 0});
		// Copies: the request runs with no lock held.
		std::vector<std::string> saved = savedSessions();
		std::vector<Entry> sessions(saved.begin(), saved.end());
		lang::Ptr<TallySession> current = currentSession();
		if (sendCurrentSession && current)
			sessions.emplace_back(std::in_place_index<0>, current->data());

		std::optional<TallyHTTPResponse> response;
		if (std::optional<std::string> savedResponse = TallyAnalytics::savedResponseURL())
			response = TallyHTTPResponse::readFromURL(*savedResponse);
		else
		{
			std::string body = dataForSessions(sessions, requestAdGridAds, requestVideoAds, requestAdSlotAds, requestReengageAds);
			response = TallyHTTPEater::sendMethod("POST", TallyAnalytics::serverURL(), body, {{"Content-Type", "application/octet-stream"}},
			                                      shortTimeout ? 5 : 20, useWebView);
			if (response && TallyUtil::isDebugLogEnabled())
				response->saveToDisk();
		}
		if (shortTimeout)
			return;
		if (delivered(response))
		{
			if (current)
				current->setInternetAvailable(true);
			removeFromSavedSessions(saved);
			setSentSession();
			tallyLog("TallyAnalytics: Sent %d session(s).", {static_cast<int64_t>(sessions.size())});
		}
		else
		{
			if (current)
				current->setInternetAvailable(false);
			tallyLog("TallyAnalytics: Could not connect to server.");
		}
		bool anyFlag = requestAdGridAds || requestVideoAds || requestAdSlotAds || requestReengageAds;
		if (anyFlag && delivered(response) && response->body() && !response->body()->empty())
			parseResponseBlocks(*response->body());
	});
}

void TallySession::removeFromSavedSessions(std::vector<std::string> const& sent)
{
	tallyGuard([&] {
		std::lock_guard<TallyStoreLock> lock(savedSessionsLock());
		std::vector<std::string> sessions = savedSessions();
		for (std::string const& block : sent)
		{
			auto found = std::find(sessions.begin(), sessions.end(), block);
			if (found != sessions.end())
				sessions.erase(found);
		}
		setSavedSessions(sessions);
	});
}

void TallySession::parseResponseBlocks(std::string const& body)
{
	unsigned char const* start = reinterpret_cast<unsigned char const*>(body.data());
	unsigned char const* end = start + body.size();
	unsigned char const* position = start;
	auto remaining = [&] { return static_cast<int>(std::min<std::ptrdiff_t>(end - position, INT32_MAX)); };
	tallyLog("TallyAnalytics: about to invoke Parser(s). bufferLength [%d] remainingBufferLength [%d]", {static_cast<int64_t>(body.size()), remaining()});

	// One parser's turn: false stops the parse.
	auto run = [&](Parser const& p) {
		if (p.about)
			tallyLog(p.about);
		if (!p.parser)
		{
			if (p.missing)
				tallyLog(p.missing);
			return false;
		}
		tallyLog(p.found, {"TallyAdParser", static_cast<void const*>(p.parser)});
		unsigned char const* next = p.parser->parseData(p.fromStart ? start : position, remaining());
		if (!next || next <= position || next > end)
		{
			tallyLog("TallyAnalytics: parser answer does not advance within the answer; stopping");
			return false;
		}
		position = next;
		tallyLog(p.finished, {static_cast<int64_t>(position - start)});
		return true;
	};

	while (end - position >= 2)
	{
		int tag = (position[0] << 8) | position[1];
		unsigned char const* before = position;
		if (tag == 0x201)
		{
			if (TallyAnalytics::adSlotEnabled() &&
			    !run({true, adSlotAdParser(), false, "TallyAnalytics: about to invoke AdSlot ad parser", "TallyAnalytics: AdSlot ad parser is not available.",
			          "TallyAnalytics: gAdSlotAdParser class [%@] address [%p]", "TallyAnalytics: AdSlot ad parser finished. aggregate bytes scanned [%d]"}))
				return;
		}
		else if (tag == 0x102)
		{
			Parser parsers[] = {
				{TallyAnalytics::adGridEnabled(), adGridAdParser(), true, "TallyAnalytics: about to invoke AdGrid ad parser",
				 "TallyAnalytics: AdGrid ad parser is not available.", "TallyAnalytics: gAdGridAdParser class [%@] address [%p]",
				 "TallyAnalytics: AdGrid ad parser finished. aggregate bytes scanned [%d]"},
				{TallyAnalytics::videoAdsEnabled(), videoAdParser(), true, "TallyAnalytics: about to invoke Clips ad parser",
				 "TallyAnalytics: Clips ad parser is not available.", "TallyAnalytics: gVideoAdParser class [%@] address [%p]",
				 "TallyAnalytics: Clips ad parser finished. aggregate bytes scanned [%d]"},
				{TallyAnalytics::reEngageEnabled(), reEngageAdParser(), true, nullptr, nullptr, "TallyAnalytics: gReEngageAdParser class [%@] address [%p]",
				 "TallyAnalytics: ReEngage ad parser finished. aggregate bytes scanned [%d]"},
			};
			for (Parser const& p : parsers)
				if (p.enabled && !run(p))
					return;
		}
		else
		{
			tallyLog("TallyAnalytics: unrecognized block tag [%d].", {tag});
			return;
		}
		tallyLog("TallyAnalytics: buffer length [%d] remaining buffer length [%d].", {static_cast<int64_t>(body.size()), remaining()});
		if (position == before)
			return;
	}
}

// --- Ad-state notices ----------------------------------------------------

void TallySession::asyncNotifyAdStateCompleted(std::string const& url)
{
	TallyThreads::start([url] { sendAdStateCompleted(TallyAdStateCallback{url, 0}); });
}

void TallySession::sendAdStateCompleted(TallyAdStateCallback const& callback)
{
	bool loaded;
	{
		AdStateList& list = adStateList();
		std::lock_guard<std::recursive_mutex> lock(list.monitor);
		loaded = list.loaded;
	}
	sendAdStateCompleted(callback, !loaded);
}

bool TallySession::sendAdStateCompleted(TallyAdStateCallback const& callback, bool saveData)
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

void TallySession::sendSavedAdStateCallbacks()
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

std::vector<TallyAdStateCallback> TallySession::savedAdStateCallbacks()
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

void TallySession::setSavedAdStateCallbacks(std::vector<TallyAdStateCallback> const& callbacks)
{
	tallyGuard([&] {
		AdStateList& list = adStateList();
		std::lock_guard<std::recursive_mutex> lock(list.monitor);
		list.loaded = true;
		list.callbacks = callbacks;
		writeAdStateCallbacks(list.callbacks);
	});
}

void TallySession::addToSavedAdStateCallbacks(TallyAdStateCallback const& callback)
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

std::vector<TallyAdStateCallback>& TallySession::removeOldAdStateCallbacksIfNecessary(std::vector<TallyAdStateCallback>& callbacks)
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

void TallySession::removeAdStateCallbackIfExists(TallyAdStateCallback const& callback)
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

void TallySession::forgetSavedAdStateCallbacks()
{
	AdStateList& list = adStateList();
	std::lock_guard<std::recursive_mutex> lock(list.monitor);
	list.loaded = false;
	list.callbacks.clear();
}
