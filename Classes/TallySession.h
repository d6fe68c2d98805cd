#pragma once

#include <TallyDate.h>
#include <TallyError.h>
#include <TallyEvent.h>
#include <TallyStoreLock.h>
#include <lang/Mutex.h>
#include <lang/Object.h>
#include <lang/Ptr.h>
#include <lang/Throwable.h>
#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <variant>
#include <vector>

class TallyArchiver;
class TallyUnarchiver;

/**
 * Reads the answer blocks of a report of one kind (ad grid, video, ad slot,
 * re-engagement). None is set in this program.
 */
class TallyAdParser
{
public:
	virtual ~TallyAdParser() {}

	/**
	 * Reads the answer from position, where length bytes remain.
	 * @return The position after what was read.
	 */
	virtual unsigned char const* parseData(unsigned char const* position, int length) = 0;
};

/** A notice to the ad side that an ad state was reached: a GET of url, tried attempts times so far. */
struct TallyAdStateCallback
{
	std::string url;
	int64_t attempts = 0;

	bool operator==(TallyAdStateCallback const& other) const = default;
};

/** One kept error: its number, time, id, message and exception text. */
struct TallyErrorRecord
{
	int number = 0;
	TallyOptionalDate time;
	std::string errorId;
	std::string message;
	std::string exceptionText;
};

/**
 * One usage session as the agent records it: start, pauses and end, named
 * events and errors, page views, location and what the application told
 * about its user. Its report form is data(); it is kept on disk, whole,
 * after each change that must survive a crash (saveToDisk).
 *
 * The class side owns the one current session, the stored sessions and the
 * report body (dataForSessions).
 *
 * Threads: each session guards its fields with its own lock, taken by
 * every change, by data() and by saveToDisk(), so report threads may read
 * a session while the main thread changes it. The current session is
 * replaced and handed out under the class lock; currentSession() answers a
 * counted reference. Every read-modify-write of the saved-sessions list
 * and the creation of the initial timestamp hold one process-wide lock.
 * No operation throws: failures are passed to TallyUtil::handleException.
 */
class TallySession : public lang::Object
{
public:
	using Parameters = TallyEvent::Parameters;

	static constexpr int MAX_EVENT_COUNTS = 100;
	static constexpr int MAX_EVENT_LOG_COUNT = 1000;
	static constexpr int MAX_EVENT_PARAMETERS = 10;
	static constexpr int MAX_ERRORS = 10;
	static constexpr int MAX_IMPRESSIONS = 1000;
	static constexpr int MAX_AD_STATE_CALLBACKS = 100;
	static constexpr int MAX_AD_STATE_CALLBACK_ATTEMPTS = 5;
	/**
	 * The saved sessions' blocks together, in bytes (8 MiB), past which the
	 * oldest go (the newest always stays). Typical sessions of a few KiB
	 * never reach it before the count limit; heavy ones do, and then the
	 * stored file (Base64, about 11 MiB) stays well within the 64 MiB that
	 * TallyStorage reads back, and a report of all of them is not beyond
	 * what its 20 s request can send on an ordinary line.
	 */
	static constexpr size_t MAX_SAVED_SESSION_BYTES = size_t(8) << 20;
	/** The agent version. */
	static constexpr int AGENT_VERSION = 89;

	// --- Class side: lifecycle -------------------------------------------

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

	/** The key given to createActiveTallySession(), "" before. */
	static std::string apiKeyForFiles();

	/** "89". */
	static std::string getAgentVersion();

	/** Store the parser (not owned) and log it. */
	static void setAdGridAdParser(TallyAdParser* parser);
	static void setVideoAdParser(TallyAdParser* parser);
	static void setAdSlotAdParser(TallyAdParser* parser);
	static void setReEngageAdParser(TallyAdParser* parser);

	/** The parsers set, null when none. */
	static TallyAdParser* adGridAdParser();
	static TallyAdParser* videoAdParser();
	static TallyAdParser* adSlotAdParser();
	static TallyAdParser* reEngageAdParser();

	/** Sets the number of saved sessions kept, held to 0..65534 (50 at start). */
	static void setMaxSessions(int maxSessions);
	static int maxSessions();

	/** The value with three decimals, truncated toward zero; NaN gives 0, huge values saturate. */
	static double reduceLocationPrecision(double value);

	/** Device questions (TallyPlatform). */
	static std::string devicePlatform();
	static int64_t deviceMemory();
	static int64_t deviceCPUFrequency();

	/** The store metadata of the installed application: empty here. */
	static std::map<std::string, std::string> iTunesMetadataPlist();

	// --- Class side: report (TallySessionReport.cpp) ---------------------

	/** A session or its report block. */
	using Entry = std::variant<std::string, lang::Ptr<TallySession>>;

	/**
	 * The report body: envelope, the sessions' blocks in order (at most
	 * 65535; a session is in whole or not at all) and the checksum.
	 */
	static std::string dataForSessions(std::vector<Entry> const& sessions, bool requestAdGridAds, bool requestVideoAds,
	                                   bool requestAdSlotAds, bool requestReengageAds);

	/** dataForSessions() with all four request flags set. */
	static std::string dataForSessions(std::vector<Entry> const& sessions);

	/** Nothing to build: the checksum is zlib's CRC-32. */
	static void generateChecksumTable();

	/** Appends the CRC-32 of the whole buffer, big-endian. */
	static void appendSessionsDataChecksum(std::string& data);

	// --- Class side: transport (TallyTransport.cpp) ----------------------

	/**
	 * The report at a session's start: the saved sessions with the facade's
	 * four ad requests, 20 s; on success the sent sessions leave the saved
	 * list and the sent marker is made; answer blocks go to the parsers.
	 * Then, when any ad switch is on, sendSavedAdStateCallbacks().
	 */
	static void sendSessionsToServerForAdGrid();

	/** The saved sessions and the current one, 5 s; nothing changes afterwards. */
	static void sendSessionsToServerForSessionPause();

	/** As sendSessionsToServerForSessionPause(), at a session's end. */
	static void sendSessionsToServerForEndOfSession();

	/** The saved sessions, 5 s, the web-view way; nothing changes afterwards. */
	static void sendSessionsToServerForAdditionalInfo();

	/**
	 * Sends a report, unless another send runs (then it logs "Could not
	 * acquire network lock. Skipping" and returns). The request runs without
	 * any session or list lock held. Never throws; blocks for the request.
	 */
	static void sendSessionsToServerWithTimeout(bool shortTimeout, bool useWebView, bool requestAdGridAds, bool requestVideoAds,
	                                            bool requestAdSlotAds, bool requestReengageAds, bool sendCurrentSession);

	/**
	 * Hands the answer blocks to the parsers whose facade switch is on:
	 * tag 0x201 to the ad-slot parser (at the position), 0x102 to the
	 * ad-grid, video and re-engagement parsers (at the start of the body).
	 * Stops at another tag, at a missing parser, with fewer than 2 bytes
	 * left, and when a parser's answer does not advance or passes the end.
	 */
	static void parseResponseBlocks(std::string const& body);

	/** Removes each given block once (the first byte-equal one) from the saved list. */
	static void removeFromSavedSessions(std::vector<std::string> const& sent);

	/** Sends {url, 0} on a new agent thread. */
	static void asyncNotifyAdStateCompleted(std::string const& url);

	/** sendAdStateCompleted(callback, saveData) with saveData set while the saved list is not loaded yet. */
	static void sendAdStateCompleted(TallyAdStateCallback const& callback);

	/**
	 * GETs the callback's URL. A failure counts an attempt: at
	 * MAX_AD_STATE_CALLBACK_ATTEMPTS the callback is dropped, else it goes
	 * to the end of the saved list (written to its file when saveData).
	 * @return Whether the GET succeeded.
	 */
	static bool sendAdStateCompleted(TallyAdStateCallback const& callback, bool saveData);

	/** Sends the first 5 saved callbacks, then removes exactly those and writes the list. */
	static void sendSavedAdStateCallbacks();

	/**
	 * The saved callbacks, read from their file once; entries without a
	 * text "url" or a numeric "attempts" are dropped, a damaged file is
	 * deleted (debug lines say why).
	 */
	static std::vector<TallyAdStateCallback> savedAdStateCallbacks();

	/** Replaces the saved list and writes its file. */
	static void setSavedAdStateCallbacks(std::vector<TallyAdStateCallback> const& callbacks);

	/** Appends the callback, dropping the oldest beyond MAX_AD_STATE_CALLBACKS. */
	static void addToSavedAdStateCallbacks(TallyAdStateCallback const& callback);

	/** Trims the list to MAX_AD_STATE_CALLBACKS from the front. */
	static std::vector<TallyAdStateCallback>& removeOldAdStateCallbacksIfNecessary(std::vector<TallyAdStateCallback>& callbacks);

	/** Removes the first equal callback from the saved list. */
	static void removeAdStateCallbackIfExists(TallyAdStateCallback const& callback);

	/** Forgets the loaded list: the next use reads the file again (tests). */
	static void forgetSavedAdStateCallbacks();

	// --- Class side: device identifiers (TallyDeviceIds.cpp) -------------

	/** SHA-1 of "IPHONE" + the hardware address text of "en0" + devicePlatform(): 20 bytes. */
	static std::string getMACBasedUID();

	/** SHA-1 of the hardware address text of "en0": 20 bytes. */
	static std::string getMACUID();

	/**
	 * The generated identifier ("ID" + upper-case UUID, 38 characters) from
	 * the shared identifier file, with its status: 1 none stored, 2 valid,
	 * 3 checksum wrong, 4 another length (or not UTF-8). For 1, 3 and 4 a
	 * new identifier is made and stored (46 characters with its checksum);
	 * when none can be made the answer is "". Never throws.
	 */
	static std::string getCFUUIDBasedUIDAndStatus(uint8_t& status);

	/**
	 * A new version-4 UUID as upper-case text (36 characters).
	 * @exception std::runtime_error When the system gives no random bytes.
	 */
	static std::string generateCFUUID();

	/** "ID" + generateCFUUID(). */
	static std::string generateCFUUIDBasedUID();

	/** The identifier's 32-bit checksum (base-2 long division by 0xB2733599 of its bytes). */
	static uint32_t generateCFUUIDBasedUIDChecksum(std::string const& identifier);

	/** The identifier followed by its checksum as 8 upper-case hex digits. */
	static std::string getCFUUIDBasedUIDWithChecksum(std::string const& identifier);

	/** The 20-byte SHA-1 digest. */
	static std::string hashData(std::string const& data);

	/** Lower-case hex of the first length bytes (length held to the data). */
	static std::string hashDataToHexString(std::string const& data, size_t length);

	/** "2:<hex>,4:<hex>,3:<identifier>". */
	static std::string tallyIDsList();

	/** "<user data>/tally.agent.pasteboard/tally.agent.uid": shared by the user's applications. */
	static std::string sharedIdentifierFilePath();

	// --- Class side: files (TallySessionStore.cpp) -----------------------

	/**
	 * The folder of the agent's files (created): Library/TallyFiles above
	 * system 5.0, else Caches. Anything at its name that is not a folder
	 * (a link, a FIFO, a file) is set aside first (io::setAside).
	 */
	static std::string filePathDirectory();
	static std::string sessionsFilePath();
	static std::string currentSessionFilePath();
	static std::string sessionSentFilePath();
	static std::string initialTimestampFilePath();
	static std::string adStateCallbacksFilePath();
	static std::string oldSessionsFilePath();
	static std::string oldCurrentSessionFilePath();
	static std::string oldSessionSentFilePath();
	static std::string oldInitialTimestampFilePath();
	static std::string oldAdStateCallbacksFilePath();

	/**
	 * The saved sessions' blocks, oldest first; empty when missing or
	 * unreadable. An unreadable file is moved aside to "<path>.bad" (logged),
	 * so that the list written next does not replace it.
	 */
	static std::vector<std::string> savedSessions();

	/** Replaces the saved list. @return Whether it was written. */
	static bool setSavedSessions(std::vector<std::string> const& sessions);

	/** Appends the session's block to the saved list and trims it. @return Whether the list was written. */
	static bool addToSavedSessions(TallySession& session);

	/**
	 * Drops the oldest blocks beyond maxSessions(), then the oldest while the
	 * blocks together pass MAX_SAVED_SESSION_BYTES (never the last).
	 */
	static std::vector<std::string>& removeOldSessionsIfNecessary(std::vector<std::string>& sessions);

	/** Whether a session-start report once succeeded (the sent marker exists). */
	static bool sentSession();

	/** Creates the sent marker. */
	static void setSentSession();

	/** The start of the first session ever seen, made and kept on first call. */
	static TallyDate initialTimestamp();

	/** The session kept in the current-session file, or null when none is readable. */
	static lang::Ptr<TallySession> readCurrentSessionFile();

	/** The lock of every read-modify-write of the saved list (for the transport). */
	static TallyStoreLock& savedSessionsLock();

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

	/** The session's report block. */
	std::string data() const;

	/** Writes the session to the current-session file. @return Whether it was written. */
	bool saveToDisk();

	void encodeWithCoder(TallyArchiver& coder);

	/**
	 * Reads a session back; version 2 or more and values of the wrong kind
	 * or range make it unreadable.
	 * @exception TallyArchiveError When it is unreadable.
	 */
	static lang::Ptr<TallySession> initWithCoder(TallyUnarchiver const& coder);

	// Properties.
	bool crashed() const;
	void setCrashed(bool crashed);
	TallyOptionalDate startTime() const;
	std::string apiKey() const;
	TallyOptionalDate endTime() const;
	void setEndTime(TallyOptionalDate endTime);
	std::string appVersion() const;
	void setAppVersion(std::string const& version);
	int pageViewCount() const;
	void setPageViewCount(int count);
	bool internetAvailable() const;
	bool eventLoggingEnabled() const;
	bool sessionReportsOnCloseEnabled() const;
	bool sessionReportsOnPauseEnabled() const;
	double latitude() const;
	double longitude() const;
	void setInternetAvailable(bool available);
	/** "" when none. */
	std::string userID() const;
	int gender() const;
	TallyOptionalDate age() const;
	bool eventLogComplete() const;
	int totalErrorCount() const;
	std::vector<TallyErrorRecord> errors() const;
	/** The event log (the events themselves; read only while no one changes the session). */
	std::vector<lang::Ptr<TallyEvent>> eventLog() const;
	std::map<std::string, int> eventCounts() const;
	TallyOptionalDate pauseTime() const;
	int64_t totalPauseIntervalMillis() const;

private:
	/** An empty session for initWithCoder(). */
	TallySession();

	/** Appends the report block to data. */
	void appendData(std::string& data) const;

	/** A generous guess of the block's size. */
	size_t dataSizeHint() const;

	void recordImpression(std::vector<std::string>& list, std::string const& record, char const* leaving);

	mutable lang::Mutex m_mutex;
	int m_serializationVersion = 0;
	TallyOptionalDate m_startTime;
	TallyOptionalDate m_endTime;
	TallyOptionalDate m_pauseTime;
	int64_t m_totalPauseIntervalMillis = 0;
	double m_latitude = 0.0;
	double m_longitude = 0.0;
	float m_accuracy = 0.0f;
	bool m_crashed = false;
	std::string m_apiKey;
	std::string m_appVersion;
	std::optional<std::string> m_userID;
	std::map<std::string, int> m_eventCounts;
	std::vector<lang::Ptr<TallyEvent>> m_eventLog;
	bool m_eventLogComplete = true;
	std::vector<TallyErrorRecord> m_errors;
	int m_totalErrorCount = 0;
	std::vector<std::string> m_adLog;
	std::vector<std::string> m_adSlotAdLog;
	bool m_eventLoggingEnabled = true;
	bool m_sessionReportsOnCloseEnabled = true;
	bool m_sessionReportsOnPauseEnabled = false;
	int m_pageViewCount = 0;
	std::string m_locale;
	std::string m_timeZone;
	bool m_internetAvailable = true;
	int m_gender = -1;
	TallyOptionalDate m_age;
};
