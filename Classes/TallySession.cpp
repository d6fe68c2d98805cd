#include "TallySession.h"
#include "TallyAdParsers.h"
#include "TallyArchiver.h"
#include "TallyAutoIncrement.h"
#include "TallyFilePaths.h"
#include "TallyGuard.h"
#include "TallyLog.h"
#include "TallyProtocolData.h"
#include "TallySessionArchive.h"
#include "TallySessionFiles.h"
#include "TallyStorage.h"
#include "TallyTransport.h"
#include "TallyUnarchiver.h"
#include <linux/TallyPlatform.h>
#include <algorithm>
#include <climits>
#include <cmath>
#include <ctime>
#include <mutex>

namespace
{

/** The current session, under its lock. */
struct SessionHolder
{
	std::mutex mutex;
	lang::Ptr<TallySession> session;
};

/** Never destroyed: send threads may still ask for the session while the process exits. */
SessionHolder& sessionHolder()
{
	static SessionHolder* const s_holder = new SessionHolder;
	return *s_holder;
}

std::mutex s_pageViewMutex;
TallyOptionalDate s_lastPageViewTime;

/** value + 1, stopping at the largest 32-bit value. */
int saturatedIncrement(int value)
{
	return value < INT_MAX ? value + 1 : value;
}

std::string parametersText(TallySession::Parameters const& parameters)
{
	if (!parameters)
		return "(null)";
	std::string text = "{";
	for (auto const& [key, value] : *parameters)
		text += " " + key + " = " + value + ";";
	return text + (parameters->empty() ? "}" : " }");
}

/** A new session's state: started now, with the locale and time zone of now. */
TallySessionState newSessionState(std::string const& apiKey, std::string const& appVersion)
{
	TallySessionState state;
	state.startTime = TallyPlatform::now();
	state.apiKey = apiKey;
	state.appVersion = appVersion;
	state.locale = TallyPlatform::localeIdentifier();
	state.timeZone = TallyPlatform::timeZoneName();
	return state;
}

/** The current session as the transport takes it. */
lang::Ptr<TallySessionRecord> currentRecord()
{
	return TallySession::currentSession();
}

} // namespace

// --- Class side ---------------------------------------------------------

lang::Ptr<TallySession> TallySession::createActiveTallySession(std::string const& apiKey, std::optional<std::string> const& appVersion)
{
	lang::Ptr<TallySession> session;
	tallyGuard([&] {
		TallyFilePaths::setApiKeyForFiles(apiKey);
		lang::Ptr<TallySession> former = readCurrentSessionFile();
		if (former)
		{
			former->setCrashed(true);
			addToSavedSessions(*former);
			tallyLog("TallyAnalytics: Add crashed former session");
		}
		else
			TallyStorage::remove(TallyFilePaths::currentSessionFilePath());
		std::string version = appVersion ? *appVersion : TallyPlatform::bundleVersion();
		session = new TallySession(apiKey, version);
		setCurrentSession(session);
		tallyLog("TallyAnalytics: Created active session with API[%@]", {apiKey});
	});
	return session;
}

lang::Ptr<TallySession> TallySession::currentSession()
{
	SessionHolder& holder = sessionHolder();
	std::lock_guard<std::mutex> lock(holder.mutex);
	return holder.session;
}

void TallySession::setCurrentSession(lang::Ptr<TallySession> const& session)
{
	lang::Ptr<TallySession> old;
	{
		SessionHolder& holder = sessionHolder();
		std::lock_guard<std::mutex> lock(holder.mutex);
		old = holder.session;
		holder.session = session;
	}
	// The old session goes (when this was its last reference) outside the lock.
}

lang::Ptr<TallySession> TallySession::readCurrentSessionFile()
{
	lang::Ptr<TallySession> session;
	tallyGuard([&] {
		std::string path = TallyFilePaths::currentSessionFilePath();
		std::optional<std::string> text = TallyStorage::read(path);
		if (!text)
			return;
		try
		{
			session = initWithCoder(TallyUnarchiver::parse(*text));
		}
		catch (TallyArchiveError const& e)
		{
			tallyLog("TallyAnalytics: current session [%@] is not readable: %@", {path, e.what});
		}
	});
	return session;
}

bool TallySession::addToSavedSessions(TallySession& session)
{
	bool written = false;
	tallyGuard([&] {
		TallyOptionalDate start = session.startTime();
		written = TallySessionFiles::addToSavedSessions(start, session.data());
	});
	return written;
}

double TallySession::reduceLocationPrecision(double value)
{
	if (std::isnan(value))
		return 0.0;
	double scaled = std::trunc(value * 1000.0);
	if (scaled >= 2147483647.0)
		scaled = 2147483647.0;
	else if (scaled <= -2147483648.0)
		scaled = -2147483648.0;
	return static_cast<int32_t>(scaled) / 1000.0;
}

// --- Forwards to the agent's units ----------------------------------------

std::string TallySession::getAgentVersion()
{
	return TallyFilePaths::getAgentVersion();
}

void TallySession::setAdGridAdParser(TallyAdParser* parser)
{
	TallyAdParsers::setAdGridAdParser(parser);
}

void TallySession::setVideoAdParser(TallyAdParser* parser)
{
	TallyAdParsers::setVideoAdParser(parser);
}

void TallySession::setAdSlotAdParser(TallyAdParser* parser)
{
	TallyAdParsers::setAdSlotAdParser(parser);
}

void TallySession::setReEngageAdParser(TallyAdParser* parser)
{
	TallyAdParsers::setReEngageAdParser(parser);
}

void TallySession::setMaxSessions(int maxSessions)
{
	TallySessionFiles::setMaxSessions(maxSessions);
}

TallyDate TallySession::initialTimestamp()
{
	lang::Ptr<TallySession> current = currentSession();
	return TallySessionFiles::initialTimestamp(current ? current->startTime() : std::nullopt);
}

std::string TallySession::devicePlatform()
{
	return TallyPlatform::devicePlatform();
}

int64_t TallySession::deviceMemory()
{
	return TallyPlatform::deviceMemory();
}

int64_t TallySession::deviceCPUFrequency()
{
	return TallyPlatform::deviceCPUFrequency();
}

std::map<std::string, std::string> TallySession::iTunesMetadataPlist()
{
	return {};
}

std::string TallySession::dataForSessions(std::vector<Entry> const& sessions, bool requestAdGridAds, bool requestVideoAds,
                                          bool requestAdSlotAds, bool requestReengageAds)
{
	return TallyReport::dataForSessions(currentSession(), sessions, requestAdGridAds, requestVideoAds, requestAdSlotAds, requestReengageAds);
}

std::string TallySession::dataForSessions(std::vector<Entry> const& sessions)
{
	return dataForSessions(sessions, true, true, true, true);
}

void TallySession::sendSessionsToServerForAdGrid()
{
	TallyTransport::sendSessionsToServerForAdGrid(&currentRecord);
}

void TallySession::sendSessionsToServerForSessionPause()
{
	TallyTransport::sendSessionsToServerForSessionPause(&currentRecord);
}

void TallySession::sendSessionsToServerForEndOfSession()
{
	TallyTransport::sendSessionsToServerForEndOfSession(&currentRecord);
}

void TallySession::sendSessionsToServerForAdditionalInfo()
{
	TallyTransport::sendSessionsToServerForAdditionalInfo(&currentRecord);
}

// --- Instance side ------------------------------------------------------

TallySession::TallySession() {}

TallySession::TallySession(std::string const& apiKey, std::string const& appVersion) :
	TallySessionRecord(newSessionState(apiKey, appVersion))
{
	TallyReport::generateChecksumTable();
	saveToDisk();
	tallyLog("TallyAnalytics: Initialized session from scratch with startTime[%@]", {TallyLogArg::date(startTime())});
}

TallySession::~TallySession()
{
	tallyLog("TallyAnalytics: dealloc session");
}

void TallySession::pauseSession()
{
	tallyGuard([&] {
		TallyOptionalDate pause = update([](TallySessionState& s) { return s.pauseTime = TallyPlatform::now(); });
		saveToDisk();
		tallyLog("TallyAnalytics: Pause session with pauseTime[%@]", {TallyLogArg::date(pause)});
	});
}

void TallySession::resumeSession()
{
	tallyGuard([&] {
		TallyDate now = TallyPlatform::now();
		bool resumed = update([&](TallySessionState& s) {
			if (!s.pauseTime)
				return false;
			s.totalPauseIntervalMillis += TallyProtocolData::timeIntervalFrom(s.pauseTime, now);
			s.pauseTime.reset();
			return true;
		});
		if (!resumed)
			return;
		saveToDisk();
		tallyLog("TallyAnalytics: Resume session with resumeTime[%@]", {TallyLogArg::date(now)});
	});
}

void TallySession::saveSession()
{
	lang::Ptr<TallySession> self(this);
	tallyGuard([&] {
		// The current-session file goes only once the session is safe in the saved list;
		// otherwise the next start finds it there and saves it as crashed.
		if (addToSavedSessions(*this))
			TallyStorage::remove(TallyFilePaths::currentSessionFilePath());
		setCurrentSession(nullptr);
	});
}

void TallySession::endSession()
{
	endSessionAndSend(true, true);
}

void TallySession::endSessionAndSend(bool send, bool removeCurrentSession)
{
	lang::Ptr<TallySession> self(this);
	tallyGuard([&] {
		TallyOptionalDate end;
		bool reportOnClose = update([&](TallySessionState& s) {
			s.endTime = end = TallyPlatform::now();
			return s.sessionReportsOnCloseEnabled;
		});
		tallyLog("TallyAnalytics: Ending session with endTime[%@]", {TallyLogArg::date(end)});
		endTimedEvents();
		if (reportOnClose && send)
			sendSessionsToServerForEndOfSession();
		if (removeCurrentSession)
			saveSession();
		tallyLog("TallyAnalytics: Ending session with endTime[%@] complete", {TallyLogArg::date(end)});
	});
}

void TallySession::recordEvent(std::string const& name, Parameters parameters, bool timed)
{
	tallyGuard([&] {
		// The debug lines' texts are made only while they are written: this is the hot path.
		bool const debug = TallyUtil::isDebugLogEnabled();
		std::string const shown = debug ? parametersText(parameters) : std::string();
		if (debug)
			tallyLog("TallyAnalytics: Recording event eventName[%@] with parameters[%@]", {name, shown});
		update([&](TallySessionState& s) {
			if (name.empty() || (parameters && parameters->size() > static_cast<size_t>(MAX_EVENT_PARAMETERS)))
			{
				s.eventLogComplete = false;
				if (debug)
					tallyLog("TallyAnalytics: Event eventName[%@] with parameters[%@] not recorded", {name, shown});
				return;
			}
			bool counted = false;
			auto found = s.eventCounts.find(name);
			if (found == s.eventCounts.end() && s.eventCounts.size() < static_cast<size_t>(MAX_EVENT_COUNTS))
				found = s.eventCounts.emplace(name, 0).first;
			if (found != s.eventCounts.end())
			{
				found->second = saturatedIncrement(found->second);
				counted = true;
				if (debug)
					tallyLog("TallyAnalytics: Event count for eventName[%@] updated to count[%d]", {name, found->second});
			}
			bool logged = false;
			if (counted && s.eventLog.size() < static_cast<size_t>(MAX_EVENT_LOG_COUNT) && s.eventLoggingEnabled)
			{
				s.eventLog.push_back(new TallyEvent(name, timed, std::move(parameters)));
				logged = true;
				if (debug)
					tallyLog("TallyAnalytics: Event log for eventName[%@] updated", {name});
			}
			if (!logged)
				s.eventLogComplete = false;
			if (debug)
				tallyLog("TallyAnalytics: Recording event eventName[%@] with parameters[%@] complete", {name, shown});
		});
	});
}

void TallySession::endTimedEvent(std::string const& name, Parameters const& parameters)
{
	tallyGuard([&] {
		TallyDate now = TallyPlatform::now();
		update([&](TallySessionState& s) {
			for (lang::Ptr<TallyEvent> const& event : s.eventLog)
			{
				if (!event->isUnterminated() || event->name() != name)
					continue;
				event->setEnded(now);
				if (parameters)
					event->setParameters(parameters);
				tallyLog("TallyAnalytics: event named[%@] ended at %@", {name, TallyLogArg::date(now)});
			}
		});
	});
}

void TallySession::endTimedEvents()
{
	tallyGuard([&] {
		update([](TallySessionState& s) {
			tallyLog("TallyAnalytics: ending all unterminated timed events with _endTime[%@]...", {TallyLogArg::date(s.endTime)});
			for (lang::Ptr<TallyEvent> const& event : s.eventLog)
			{
				if (!event->isUnterminated() && !event->automaticallyEnded())
					continue;
				event->setEnded(s.endTime);
				event->setAutomaticallyEnded(true);
				tallyLog("TallyAnalytics: forcefully terminated event named[%@]", {event->name()});
			}
			tallyLog("TallyAnalytics: ...finished ending un-ended timed events.");
		});
	});
}

void TallySession::recordError(std::string const& errorId, std::string const& message, lang::Throwable const* exception)
{
	std::string text = "nil";
	if (exception)
		text = TallyUtil::exceptionName(*exception) + ": " + TallyUtil::exceptionReason(*exception);
	tallyLog("TallyAnalytics: Recording error id[%@] with message[%@] and exception[%@]", {errorId, message, text});
	recordError(errorId, message, std::optional<std::string>(text));
	tallyLog("TallyAnalytics: Recording error id[%@] with message[%@] and exception[%@] complete", {errorId, message, text});
}

void TallySession::recordError(std::string const& errorId, std::string const& message, TallyError const* error)
{
	std::string text = "nil";
	if (error)
		text = error->localizedDescription + ": " + error->localizedFailureReason;
	tallyLog("TallyAnalytics: Recording error id[%@] with message[%@] and error[%@]", {errorId, message, text});
	recordError(errorId, message, std::optional<std::string>(text));
	tallyLog("TallyAnalytics: Recording error id[%@] with message[%@] and error[%@] complete", {errorId, message, text});
}

void TallySession::recordError(std::string const& errorId, std::string const& message, std::optional<std::string> const& exceptionString)
{
	tallyGuard([&] {
		update([&](TallySessionState& s) {
			s.totalErrorCount = saturatedIncrement(s.totalErrorCount);
			if (s.errors.size() >= static_cast<size_t>(MAX_ERRORS))
				tallyLog("TallyAnalytics: Error id[%@] not recorded", {errorId});
			else
			{
				TallyErrorRecord record;
				record.number = TallyAutoIncrement::instance()->nextCountFor(1);
				record.time = TallyPlatform::now();
				record.errorId = errorId;
				record.message = message;
				record.exceptionText = exceptionString.value_or("");
				s.errors.push_back(record);
				tallyLog("TallyAnalytics: Error id[%@] updated", {std::to_string(record.number)});
			}
		});
		saveToDisk();
	});
}

void TallySession::recordImpression(std::vector<std::string> TallySessionState::*field, std::string const& record, char const* leaving)
{
	tallyGuard([&] {
		bool changed = update([&](TallySessionState& s) {
			std::vector<std::string>& list = s.*field;
			bool added = false;
			if (list.size() >= static_cast<size_t>(MAX_IMPRESSIONS))
				tallyLog("TallyAnalytics: Impression not recorded because max impression is reached");
			else
			{
				added = true;
				auto found = std::find(list.begin(), list.end(), record);
				if (found != list.end())
				{
					*found = record;
					tallyLog("TallyAnalytics: Replacing ad impression [%p]", {static_cast<void const*>(&*found)});
				}
				else
				{
					list.push_back(record);
					tallyLog("TallyAnalytics: Recording ad impression [%p]", {static_cast<void const*>(&list.back())});
				}
			}
			return added;
		});
		if (changed)
			saveToDisk();
		tallyLog(leaving);
	});
}

void TallySession::recordAdImpression(std::string const& record)
{
	recordImpression(&TallySessionState::adLog, record, "TallyAnalytics: Leaving recordAdImpression. Recording ad impression complete.");
}

void TallySession::recordAdSlotAdImpression(std::string const& record)
{
	recordImpression(&TallySessionState::adSlotAdLog, record, "TallyAnalytics: Leaving recordAdSlotAdImpression. Recording ad impression complete.");
}

void TallySession::maybeIncrementPageView()
{
	TallyDate now = TallyPlatform::now();
	bool count;
	{
		std::lock_guard<std::mutex> lock(s_pageViewMutex);
		count = !s_lastPageViewTime || now - *s_lastPageViewTime > 300000;
		if (count)
			s_lastPageViewTime = now;
	}
	if (count)
		update([](TallySessionState& s) { s.pageViewCount = saturatedIncrement(s.pageViewCount); });
}

void TallySession::setLatitude(double latitude, double longitude, float horizontalAccuracy, float verticalAccuracy)
{
	tallyGuard([&] {
		update([&](TallySessionState& s) {
			s.latitude = reduceLocationPrecision(latitude);
			s.longitude = reduceLocationPrecision(longitude);
			double mean = (std::fabs(static_cast<double>(horizontalAccuracy)) + std::fabs(static_cast<double>(verticalAccuracy))) / 2.0;
			s.accuracy = static_cast<float>(reduceLocationPrecision(mean));
			tallyLog("TallyAnalytics: New location set with lat[%f] long[%f] accuracy[%f]",
			         {s.latitude, s.longitude, static_cast<double>(s.accuracy)});
		});
		saveToDisk();
	});
}

void TallySession::setUserID(std::optional<std::string> const& userID)
{
	tallyLog("TallyAnalytics: Set userID[%@]", {userID ? *userID : std::string("(null)")});
	update([&](TallySessionState& s) { s.userID = userID; });
}

void TallySession::setGender(std::string const& gender)
{
	int value = gender == "m" ? 1 : gender == "f" ? 0 : -1;
	update([&](TallySessionState& s) { s.gender = value; });
	tallyLog("given gender [%@], _gender = [%d]", {gender, value});
}

void TallySession::setAge(int years)
{
	if (years < 1 || years > 150)
		return;
	time_t now = static_cast<time_t>(TallyPlatform::now() / 1000000);
	struct tm parts;
	if (!localtime_r(&now, &parts))
		return;
	struct tm birth = {};
	birth.tm_year = parts.tm_year - years;
	birth.tm_mday = 1;
	birth.tm_isdst = -1;
	time_t seconds = mktime(&birth);
	if (seconds == static_cast<time_t>(-1) && birth.tm_year != 69)
		return;
	TallyDate age = static_cast<TallyDate>(seconds) * 1000000;
	update([&](TallySessionState& s) { s.age = age; });
	tallyLog("TallyAnalytics: set age to [%@]", {TallyLogArg::date(age)});
}

void TallySession::setEventLoggingEnabled(bool enabled)
{
	update([&](TallySessionState& s) { s.eventLoggingEnabled = enabled; });
	tallyLog("TallyAnalytics: Event logging enabled[%d]", {enabled ? 1 : 0});
}

void TallySession::setSessionReportsOnCloseEnabled(bool enabled)
{
	update([&](TallySessionState& s) { s.sessionReportsOnCloseEnabled = enabled; });
	tallyLog("TallyAnalytics: Session reports on close enabled[%d]", {enabled ? 1 : 0});
}

void TallySession::setSessionReportsOnPauseEnabled(bool enabled)
{
	update([&](TallySessionState& s) { s.sessionReportsOnPauseEnabled = enabled; });
	tallyLog("TallyAnalytics: Session reports on pause enabled[%d]", {enabled ? 1 : 0});
}

int64_t TallySession::timeIntervalSinceSessionStart(TallyOptionalDate date) const
{
	return read([&](TallySessionState const& s) { return TallyProtocolData::timeIntervalFrom(s.startTime, date); });
}

int64_t TallySession::sessionLength() const
{
	return read([](TallySessionState const& s) -> int64_t {
		if (!s.endTime)
			return -1;
		return TallyProtocolData::timeIntervalFrom(s.startTime, s.endTime);
	});
}

std::string TallySession::data() const
{
	return TallyReport::sessionData(*this);
}

// --- Current-session file -------------------------------------------------

bool TallySession::saveToDisk()
{
	bool written = false;
	tallyGuard([&] {
		// Archived and written in one step, so that the file holds one state.
		update([&](TallySessionState& s) {
			TallyArchiver coder;
			TallySessionArchive::encode(s, coder);
			written = TallyStorage::write(TallyFilePaths::currentSessionFilePath(), coder.text());
		});
	});
	return written;
}

void TallySession::encodeWithCoder(TallyArchiver& coder)
{
	update([&](TallySessionState& s) { TallySessionArchive::encode(s, coder); });
}

lang::Ptr<TallySession> TallySession::initWithCoder(TallyUnarchiver const& coder)
{
	int version = TallySessionArchive::readableVersion(coder);
	lang::Ptr<TallySession> session = new TallySession;
	session->update([&](TallySessionState& s) { TallySessionArchive::decode(coder, version, s); });
	return session;
}
