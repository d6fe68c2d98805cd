#pragma once

#include <TallySessionRecord.h>
#include <lang/Ptr.h>
#include <string>

/**
 * Sending reports: the saved sessions (and the current one, when asked)
 * in one body POSTed to the facade's server URL, one send at a time (a
 * send that finds another running is dropped). The request runs without
 * any session or list lock held. Never throws; each send blocks for its
 * request.
 */
class TallyTransport
{
public:
	/** Answers the current session (a counted reference), or null. */
	using CurrentSession = lang::Ptr<TallySessionRecord> (*)();

	/**
	 * The report at a session's start: the saved sessions with the facade's
	 * four ad requests, 20 s; on success the sent sessions leave the saved
	 * list and the sent marker is made; answer blocks go to the parsers.
	 * Then, when any ad switch is on, the saved ad-state callbacks are sent.
	 */
	static void sendSessionsToServerForAdGrid(CurrentSession current);

	/** The saved sessions and the current one, 5 s; nothing changes afterwards. */
	static void sendSessionsToServerForSessionPause(CurrentSession current);

	/** As sendSessionsToServerForSessionPause(), at a session's end. */
	static void sendSessionsToServerForEndOfSession(CurrentSession current);

	/** The saved sessions, 5 s, the web-view way; nothing changes afterwards. */
	static void sendSessionsToServerForAdditionalInfo(CurrentSession current);

	/**
	 * Sends a report, unless another send runs (then it logs "Could not
	 * acquire network lock. Skipping" and returns). The current session is
	 * asked for once the send holds the network lock; with a long timeout
	 * its internetAvailable records the outcome.
	 */
	static void sendSessionsToServerWithTimeout(CurrentSession current, bool shortTimeout, bool useWebView, bool requestAdGridAds,
	                                            bool requestVideoAds, bool requestAdSlotAds, bool requestReengageAds,
	                                            bool sendCurrentSession);

	/**
	 * Hands the answer blocks to the parsers whose facade switch is on:
	 * tag 0x201 to the ad-slot parser (at the position), 0x102 to the
	 * ad-grid, video and re-engagement parsers (at the start of the body).
	 * Stops at another tag, at a missing parser, with fewer than 2 bytes
	 * left, and when a parser's answer does not advance or passes the end.
	 */
	static void parseResponseBlocks(std::string const& body);
};
