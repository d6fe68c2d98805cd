#pragma once

#include <TallyError.h>
#include <TallyEvent.h>
#include <TallyReport.h>
#include <TallySessionRecord.h>
#include <TallySessionState.h>
#include <lang/Ptr.h>
#include <lang/Throwable.h>
#include <map>
#include <optional>
#include <string>
#include <vector>

class TallyAdParser;
class TallyArchiver;
class TallyUnarchiver;

/**
 * One usage session as the agent records it: start, pauses and end, named
 * events and errors, page views, location and what the application told
 * about its user. What it records is its state (TallySessionState), read
 * and changed through read() and update() under the session's one lock,
 * so report threads may read a session while the main thread changes it.
 * Its report form is data(); it is kept on disk, whole, after each change
 * that must survive a crash (saveToDisk).
 *
 * The class side owns the one current session: it is replaced and handed
 * out under the class lock; currentSession() answers a counted reference.
 * The class side's hold is never dropped at exit: send threads still
 * running while the process ends may ask for it.
 * The rest of the agent's shared state lives in its own units (the stored
 * sessions in TallySessionFiles, the report in TallyReport, the sending in
 * TallyTransport, the identifiers in TallyDeviceIds, the ad-state notices
 * in TallyAdStateCallbacks, the answer parsers in TallyAdParsers); the
 * forwards below keep their names on the session as well.
 * No operation throws: failures are passed to TallyUtil::handleException.
 */
class TallySession : public TallySessionRecord
{
public:
	using Parameters = TallyEvent::Parameters;
	using Entry = TallyReport::Entry;

	static constexpr int MAX_EVENT_COUNTS = 100;
	static constexpr int MAX_EVENT_LOG_COUNT = 1000;
	static constexpr int MAX_EVENT_PARAMETERS = 10;
	static constexpr int MAX_ERRORS = 10;
	static constexpr int MAX_IMPRESSIONS = 1000;

	// --- Class side ------------------------------------------------------

	/**
	 * Starts a session: keeps the key for the file names, turns a session
	 * left in the current-session file into a crashed saved one, and makes
	 * a new session with the application version (the given one, else the
	 * bundle version) the current one.
	 */
	static lang::Ptr<TallySession> createActiveTallySession(std::string const& apiKey,
	                                                        std::optional<std::string> const& appVersion = std::nullopt);

	/** The current session (a counted reference), or null. */
	static lang::Ptr<TallySession> currentSession();

	/** Replaces the current session (null clears it). */
	static void setCurrentSession(lang::Ptr<TallySession> const& session);

	/** The session kept in the current-session file, or null when none is readable. */
	static lang::Ptr<TallySession> readCurrentSessionFile();

	/** Appends the session's block to the saved list and trims it. @return Whether the list was written. */
	static bool addToSavedSessions(TallySession& session);

	/** The value with three decimals, truncated toward zero; NaN gives 0, huge values saturate. */
	static double reduceLocationPrecision(double value);

	/** "89" (TallyFilePaths). */
	static std::string getAgentVersion();
	/** TallyAdParsers. */
	static void setAdGridAdParser(TallyAdParser* parser);
	static void setVideoAdParser(TallyAdParser* parser);
	static void setAdSlotAdParser(TallyAdParser* parser);
	static void setReEngageAdParser(TallyAdParser* parser);
	/** TallySessionFiles::setMaxSessions. */
	static void setMaxSessions(int maxSessions);
	/** TallySessionFiles::initialTimestamp with the current session's start. */
	static TallyDate initialTimestamp();
	/** Device questions (TallyPlatform). */
	static std::string devicePlatform();
	static int64_t deviceMemory();
	static int64_t deviceCPUFrequency();
	/** The store metadata of the installed application: empty here. */
	static std::map<std::string, std::string> iTunesMetadataPlist();

	/** TallyReport::dataForSessions with the current session. */
	static std::string dataForSessions(std::vector<Entry> const& sessions, bool requestAdGridAds, bool requestVideoAds,
	                                   bool requestAdSlotAds, bool requestReengageAds);
	/** dataForSessions() with all four request flags set. */
	static std::string dataForSessions(std::vector<Entry> const& sessions);

	/** TallyTransport's sends with the current session. */
	static void sendSessionsToServerForAdGrid();
	static void sendSessionsToServerForSessionPause();
	static void sendSessionsToServerForEndOfSession();
	static void sendSessionsToServerForAdditionalInfo();

	// --- Instance side ---------------------------------------------------

	/** A new session started now, written to the current-session file. */
	TallySession(std::string const& apiKey, std::string const& appVersion);

	~TallySession() override;

	void pauseSession();
	void resumeSession();
	/** Adds the session to the saved list, removes the current-session file (when that worked) and clears the current session. */
	void saveSession();
	void endSession();
	void endSessionAndSend(bool send, bool removeCurrentSession);

	/** Counts and logs the event; the parameters are taken over (pass an rvalue to spare a copy). */
	void recordEvent(std::string const& name, Parameters parameters, bool timed = false);
	void endTimedEvent(std::string const& name, Parameters const& parameters);
	void endTimedEvents();

	void recordError(std::string const& errorId, std::string const& message, lang::Throwable const* exception);
	void recordError(std::string const& errorId, std::string const& message, TallyError const* error);
	void recordError(std::string const& errorId, std::string const& message, std::optional<std::string> const& exceptionString);

	void recordAdImpression(std::string const& record);
	void recordAdSlotAdImpression(std::string const& record);

	/** Counts a page view unless the last one is at most 0.3 s ago. */
	void maybeIncrementPageView();

	void setLatitude(double latitude, double longitude, float horizontalAccuracy, float verticalAccuracy);
	void setUserID(std::optional<std::string> const& userID);
	/** "m" 1, "f" 0, else -1. */
	void setGender(std::string const& gender);
	/** 1 January (local time) of this year minus years; only 1 to 150 years. */
	void setAge(int years);
	void setEventLoggingEnabled(bool enabled);
	void setSessionReportsOnCloseEnabled(bool enabled);
	void setSessionReportsOnPauseEnabled(bool enabled);

	int64_t timeIntervalSinceSessionStart(TallyOptionalDate date) const;
	/** End minus start in milliseconds; -1 while not ended. */
	int64_t sessionLength() const;

	/** The session's report block (TallyReport). */
	std::string data() const;

	/** Writes the session to the current-session file. @return Whether it was written. */
	bool saveToDisk();

	/** Writes the session into coder (TallySessionArchive). */
	void encodeWithCoder(TallyArchiver& coder);

	/**
	 * Reads a session back; version 2 or more and values of the wrong kind
	 * or range make it unreadable.
	 * @exception TallyArchiveError When it is unreadable.
	 */
	static lang::Ptr<TallySession> initWithCoder(TallyUnarchiver const& coder);

	// Properties (the rest of the state through read() and update()).
	bool crashed() const { return read(&TallySessionState::crashed); }
	void setCrashed(bool crashed) { update([&](TallySessionState& s) { s.crashed = crashed; }); }
	TallyOptionalDate startTime() const { return read(&TallySessionState::startTime); }
	std::string apiKey() const { return read(&TallySessionState::apiKey); }
	TallyOptionalDate endTime() const { return read(&TallySessionState::endTime); }
	void setEndTime(TallyOptionalDate endTime) { update([&](TallySessionState& s) { s.endTime = endTime; }); }
	std::string appVersion() const { return read(&TallySessionState::appVersion); }
	void setAppVersion(std::string const& version) { update([&](TallySessionState& s) { s.appVersion = version; }); }
	int pageViewCount() const { return read(&TallySessionState::pageViewCount); }
	void setPageViewCount(int count) { update([&](TallySessionState& s) { s.pageViewCount = count; }); }
	bool internetAvailable() const { return read(&TallySessionState::internetAvailable); }
	void setInternetAvailable(bool available) { update([&](TallySessionState& s) { s.internetAvailable = available; }); }
	/** "" when none. */
	std::string userID() const { return read([](TallySessionState const& s) { return s.userID.value_or(""); }); }

private:
	/** An empty session for initWithCoder(). */
	TallySession();

	void recordImpression(std::vector<std::string> TallySessionState::*list, std::string const& record, char const* leaving);
};
