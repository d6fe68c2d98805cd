// Sending reports and the ad-state notices.

#include "TallyTransport.h"
#include "TallyAdParsers.h"
#include "TallyAdStateCallbacks.h"
#include "TallyAnalytics.h"
#include "TallyGuard.h"
#include "TallyLog.h"
#include "TallyReport.h"
#include "TallySessionFiles.h"
#include <Networking/TallyHTTPEater.h>
#include <algorithm>
#include <mutex>

namespace
{

/** Tried, never waited for: one send at a time, the others are dropped. Never destroyed. */
std::mutex& networkLock()
{
	static std::mutex* s_lock = new std::mutex;
	return *s_lock;
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

void TallyTransport::sendSessionsToServerForAdGrid(CurrentSession current)
{
	bool grid = TallyAnalytics::adGridEnabled();
	bool video = TallyAnalytics::videoAdsEnabled();
	bool slot = TallyAnalytics::adSlotEnabled();
	bool reengage = TallyAnalytics::reEngageEnabled();
	sendSessionsToServerWithTimeout(current, false, false, grid, video, slot, reengage, false);
	if (grid || video || slot || reengage)
		TallyAdStateCallbacks::sendSavedAdStateCallbacks();
}

void TallyTransport::sendSessionsToServerForSessionPause(CurrentSession current)
{
	sendSessionsToServerWithTimeout(current, true, false, false, false, false, false, true);
	TallyAnalytics::stopBackgroundTask();
}

void TallyTransport::sendSessionsToServerForEndOfSession(CurrentSession current)
{
	sendSessionsToServerWithTimeout(current, true, false, false, false, false, false, true);
}

void TallyTransport::sendSessionsToServerForAdditionalInfo(CurrentSession current)
{
	sendSessionsToServerWithTimeout(current, true, true, false, false, false, false, false);
}

void TallyTransport::sendSessionsToServerWithTimeout(CurrentSession current, bool shortTimeout, bool useWebView, bool requestAdGridAds,
                                                     bool requestVideoAds, bool requestAdSlotAds, bool requestReengageAds,
                                                     bool sendCurrentSession)
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
		std::vector<std::string> saved = TallySessionFiles::savedSessions();
		std::vector<TallyReport::Entry> sessions(saved.begin(), saved.end());
		lang::Ptr<TallySessionRecord> session = current();
		if (sendCurrentSession && session)
			sessions.emplace_back(std::in_place_index<0>, TallyReport::sessionData(*session));

		std::optional<TallyHTTPResponse> response;
		if (std::optional<std::string> savedResponse = TallyAnalytics::savedResponseURL())
			response = TallyHTTPResponse::readFromURL(*savedResponse);
		else
		{
			std::string body = TallyReport::dataForSessions(session, sessions, requestAdGridAds, requestVideoAds, requestAdSlotAds, requestReengageAds);
			response = TallyHTTPEater::sendMethod("POST", TallyAnalytics::serverURL(), body, {{"Content-Type", "application/octet-stream"}},
			                                      shortTimeout ? 5 : 20, useWebView);
			if (response && TallyUtil::isDebugLogEnabled())
				response->saveToDisk();
		}
		if (shortTimeout)
			return;
		if (delivered(response))
		{
			if (session)
				session->update([](TallySessionState& s) { s.internetAvailable = true; });
			TallySessionFiles::removeFromSavedSessions(saved);
			TallySessionFiles::setSentSession();
			tallyLog("TallyAnalytics: Sent %d session(s).", {static_cast<int64_t>(sessions.size())});
		}
		else
		{
			if (session)
				session->update([](TallySessionState& s) { s.internetAvailable = false; });
			tallyLog("TallyAnalytics: Could not connect to server.");
		}
		bool anyFlag = requestAdGridAds || requestVideoAds || requestAdSlotAds || requestReengageAds;
		if (anyFlag && delivered(response) && response->body() && !response->body()->empty())
			parseResponseBlocks(*response->body());
	});
}

void TallyTransport::parseResponseBlocks(std::string const& body)
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
			    !run({true, TallyAdParsers::adSlotAdParser(), false, "TallyAnalytics: about to invoke AdSlot ad parser", "TallyAnalytics: AdSlot ad parser is not available.",
			          "TallyAnalytics: gAdSlotAdParser class [%@] address [%p]", "TallyAnalytics: AdSlot ad parser finished. aggregate bytes scanned [%d]"}))
				return;
		}
		else if (tag == 0x102)
		{
			Parser parsers[] = {
				{TallyAnalytics::adGridEnabled(), TallyAdParsers::adGridAdParser(), true, "TallyAnalytics: about to invoke AdGrid ad parser",
				 "TallyAnalytics: AdGrid ad parser is not available.", "TallyAnalytics: gAdGridAdParser class [%@] address [%p]",
				 "TallyAnalytics: AdGrid ad parser finished. aggregate bytes scanned [%d]"},
				{TallyAnalytics::videoAdsEnabled(), TallyAdParsers::videoAdParser(), true, "TallyAnalytics: about to invoke Clips ad parser",
				 "TallyAnalytics: Clips ad parser is not available.", "TallyAnalytics: gVideoAdParser class [%@] address [%p]",
				 "TallyAnalytics: Clips ad parser finished. aggregate bytes scanned [%d]"},
				{TallyAnalytics::reEngageEnabled(), TallyAdParsers::reEngageAdParser(), true, nullptr, nullptr, "TallyAnalytics: gReEngageAdParser class [%@] address [%p]",
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
