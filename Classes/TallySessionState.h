#pragma once

#include <TallyDate.h>
#include <TallyEvent.h>
#include <lang/Ptr.h>
#include <map>
#include <optional>
#include <string>
#include <vector>

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
 * What a session records, as plain values: its times, location, identity,
 * counts, event log, errors, ad impressions and switches. It has no lock of
 * its own: the session holds it with its one lock (TallySessionRecord), and
 * the report and the archive read it whole under that lock.
 */
struct TallySessionState
{
	/** 1 once the session was archived, 0 before. */
	int serializationVersion = 0;
	TallyOptionalDate startTime;
	/** The last end; none while the session never ended. */
	TallyOptionalDate endTime;
	/** The current pause; none while not paused. */
	TallyOptionalDate pauseTime;
	/** The finished pauses together, in milliseconds. */
	int64_t totalPauseIntervalMillis = 0;
	/** The location, reduced to three decimals. */
	double latitude = 0.0;
	double longitude = 0.0;
	float accuracy = 0.0f;
	/** Found unfinished at the next start. */
	bool crashed = false;
	std::string apiKey;
	std::string appVersion;
	std::optional<std::string> userID;
	/** How often each name was recorded (at most MAX_EVENT_COUNTS names). */
	std::map<std::string, int> eventCounts;
	/** The logged events in order; they are changed only under the session's lock. */
	std::vector<lang::Ptr<TallyEvent>> eventLog;
	/** False once an event was refused or not logged. */
	bool eventLogComplete = true;
	std::vector<TallyErrorRecord> errors;
	/** Errors reported, kept or not. */
	int totalErrorCount = 0;
	/** The two kinds of ad impression records (opaque bytes). */
	std::vector<std::string> adLog;
	std::vector<std::string> adSlotAdLog;
	bool eventLoggingEnabled = true;
	bool sessionReportsOnCloseEnabled = true;
	bool sessionReportsOnPauseEnabled = false;
	int pageViewCount = 0;
	std::string locale;
	std::string timeZone;
	bool internetAvailable = true;
	/** -1 not set, 1 male, 0 female. */
	int gender = -1;
	/** 1 January of the user's birth year. */
	TallyOptionalDate age;
};
