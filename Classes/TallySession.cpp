#include "TallySession.h"
#include "TallyAutoIncrement.h"
#include "TallyGuard.h"
#include "TallyLog.h"
#include "TallyProtocolData.h"
#include "TallyStorage.h"
#include <linux/TallyPlatform.h>
#include <algorithm>
#include <atomic>
#include <climits>
#include <cmath>
#include <ctime>
#include <mutex>

namespace
{

using Lock = std::lock_guard<lang::Mutex>;

std::mutex s_classMutex;
lang::Ptr<TallySession> s_currentSession;
std::string s_apiKey;
std::mutex s_pageViewMutex;
TallyOptionalDate s_lastPageViewTime;
std::atomic<int> s_maxSessions(50);
std::atomic<TallyAdParser*> s_adGridAdParser(nullptr);
std::atomic<TallyAdParser*> s_videoAdParser(nullptr);
std::atomic<TallyAdParser*> s_adSlotAdParser(nullptr);
std::atomic<TallyAdParser*> s_reEngageAdParser(nullptr);

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

} // namespace

// --- Class side ---------------------------------------------------------

lang::Ptr<TallySession> TallySession::createActiveTallySession(std::string const& apiKey, std::optional<std::string> const& appVersion)
{
	lang::Ptr<TallySession> session;
	tallyGuard([&] {
		{
			std::lock_guard<std::mutex> lock(s_classMutex);
			s_apiKey = apiKey;
		}
		lang::Ptr<TallySession> former = readCurrentSessionFile();
		if (former)
		{
			former->setCrashed(true);
			addToSavedSessions(*former);
			tallyLog("TallyAnalytics: Add crashed former session");
		}
		else
			TallyStorage::remove(currentSessionFilePath());
		std::string version = appVersion ? *appVersion : TallyPlatform::bundleVersion();
		session = new TallySession(apiKey, version);
		setCurrentSession(session);
		tallyLog("TallyAnalytics: Created active session with API[%@]", {apiKey});
	});
	return session;
}

lang::Ptr<TallySession> TallySession::currentSession()
{
	std::lock_guard<std::mutex> lock(s_classMutex);
	return s_currentSession;
}

void TallySession::setCurrentSession(lang::Ptr<TallySession> const& session)
{
	lang::Ptr<TallySession> old;
	{
		std::lock_guard<std::mutex> lock(s_classMutex);
		old = s_currentSession;
		s_currentSession = session;
	}
	// The old session goes (when this was its last reference) outside the lock.
}

std::string TallySession::apiKeyForFiles()
{
	std::lock_guard<std::mutex> lock(s_classMutex);
	return s_apiKey;
}

std::string TallySession::getAgentVersion()
{
	return std::to_string(AGENT_VERSION);
}

void TallySession::setAdGridAdParser(TallyAdParser* parser)
{
	s_adGridAdParser = parser;
	tallyLog("TallyAnalytics: AdGridAdParser set");
}

void TallySession::setVideoAdParser(TallyAdParser* parser)
{
	s_videoAdParser = parser;
	tallyLog("TallyAnalytics: VideoClipAdParser set");
}

void TallySession::setAdSlotAdParser(TallyAdParser* parser)
{
	s_adSlotAdParser = parser;
	tallyLog("TallyAnalytics: AdSlotAdParser set");
}

void TallySession::setReEngageAdParser(TallyAdParser* parser)
{
	s_reEngageAdParser = parser;
	tallyLog("TallyAnalytics: ReEngageAdParser set");
}

TallyAdParser* TallySession::adGridAdParser()
{
	return s_adGridAdParser;
}

TallyAdParser* TallySession::videoAdParser()
{
	return s_videoAdParser;
}

TallyAdParser* TallySession::adSlotAdParser()
{
	return s_adSlotAdParser;
}

TallyAdParser* TallySession::reEngageAdParser()
{
	return s_reEngageAdParser;
}

void TallySession::setMaxSessions(int maxSessions)
{
	s_maxSessions = maxSessions < 0 ? 0 : maxSessions > 65534 ? 65534 : maxSessions;
}

int TallySession::maxSessions()
{
	return s_maxSessions;
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

// --- Instance side ------------------------------------------------------

TallySession::TallySession() {}

TallySession::TallySession(std::string const& apiKey, std::string const& appVersion) :
	m_startTime(TallyPlatform::now()),
	m_apiKey(apiKey),
	m_appVersion(appVersion),
	m_locale(TallyPlatform::localeIdentifier()),
	m_timeZone(TallyPlatform::timeZoneName())
{
	generateChecksumTable();
	saveToDisk();
	tallyLog("TallyAnalytics: Initialized session from scratch with startTime[%@]", {TallyLogArg::date(m_startTime)});
}

TallySession::~TallySession()
{
	tallyLog("TallyAnalytics: dealloc session");
}

void TallySession::pauseSession()
{
	tallyGuard([&] {
		TallyOptionalDate pause;
		{
			Lock lock(m_mutex);
			m_pauseTime = pause = TallyPlatform::now();
		}
		saveToDisk();
		tallyLog("TallyAnalytics: Pause session with pauseTime[%@]", {TallyLogArg::date(pause)});
	});
}

void TallySession::resumeSession()
{
	tallyGuard([&] {
		TallyDate now = TallyPlatform::now();
		{
			Lock lock(m_mutex);
			if (!m_pauseTime)
				return;
			m_totalPauseIntervalMillis += TallyProtocolData::timeIntervalFrom(m_pauseTime, now);
			m_pauseTime.reset();
		}
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
			TallyStorage::remove(currentSessionFilePath());
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
		bool reportOnClose;
		{
			Lock lock(m_mutex);
			m_endTime = end = TallyPlatform::now();
			reportOnClose = m_sessionReportsOnCloseEnabled;
		}
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
		Lock lock(m_mutex);
		if (name.empty() || (parameters && parameters->size() > static_cast<size_t>(MAX_EVENT_PARAMETERS)))
		{
			m_eventLogComplete = false;
			if (debug)
				tallyLog("TallyAnalytics: Event eventName[%@] with parameters[%@] not recorded", {name, shown});
			return;
		}
		bool counted = false;
		auto found = m_eventCounts.find(name);
		if (found == m_eventCounts.end() && m_eventCounts.size() < static_cast<size_t>(MAX_EVENT_COUNTS))
			found = m_eventCounts.emplace(name, 0).first;
		if (found != m_eventCounts.end())
		{
			found->second = saturatedIncrement(found->second);
			counted = true;
			if (debug)
				tallyLog("TallyAnalytics: Event count for eventName[%@] updated to count[%d]", {name, found->second});
		}
		bool logged = false;
		if (counted && m_eventLog.size() < static_cast<size_t>(MAX_EVENT_LOG_COUNT) && m_eventLoggingEnabled)
		{
			m_eventLog.push_back(new TallyEvent(name, timed, std::move(parameters)));
			logged = true;
			if (debug)
				tallyLog("TallyAnalytics: Event log for eventName[%@] updated", {name});
		}
		if (!logged)
			m_eventLogComplete = false;
		if (debug)
			tallyLog("TallyAnalytics: Recording event eventName[%@] with parameters[%@] complete", {name, shown});
	});
}

void TallySession::endTimedEvent(std::string const& name, Parameters const& parameters)
{
	tallyGuard([&] {
		TallyDate now = TallyPlatform::now();
		Lock lock(m_mutex);
		for (lang::Ptr<TallyEvent> const& event : m_eventLog)
		{
			if (!event->isUnterminated() || event->name() != name)
				continue;
			event->setEnded(now);
			if (parameters)
				event->setParameters(parameters);
			tallyLog("TallyAnalytics: event named[%@] ended at %@", {name, TallyLogArg::date(now)});
		}
	});
}

void TallySession::endTimedEvents()
{
	tallyGuard([&] {
		Lock lock(m_mutex);
		tallyLog("TallyAnalytics: ending all unterminated timed events with _endTime[%@]...", {TallyLogArg::date(m_endTime)});
		for (lang::Ptr<TallyEvent> const& event : m_eventLog)
		{
			if (!event->isUnterminated() && !event->automaticallyEnded())
				continue;
			event->setEnded(m_endTime);
			event->setAutomaticallyEnded(true);
			tallyLog("TallyAnalytics: forcefully terminated event named[%@]", {event->name()});
		}
		tallyLog("TallyAnalytics: ...finished ending un-ended timed events.");
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
		{
			Lock lock(m_mutex);
			m_totalErrorCount = saturatedIncrement(m_totalErrorCount);
			if (m_errors.size() >= static_cast<size_t>(MAX_ERRORS))
				tallyLog("TallyAnalytics: Error id[%@] not recorded", {errorId});
			else
			{
				TallyErrorRecord record;
				record.number = TallyAutoIncrement::instance()->nextCountFor(1);
				record.time = TallyPlatform::now();
				record.errorId = errorId;
				record.message = message;
				record.exceptionText = exceptionString.value_or("");
				m_errors.push_back(record);
				tallyLog("TallyAnalytics: Error id[%@] updated", {std::to_string(record.number)});
			}
		}
		saveToDisk();
	});
}

void TallySession::recordImpression(std::vector<std::string>& list, std::string const& record, char const* leaving)
{
	tallyGuard([&] {
		bool changed = false;
		{
			Lock lock(m_mutex);
			if (list.size() >= static_cast<size_t>(MAX_IMPRESSIONS))
				tallyLog("TallyAnalytics: Impression not recorded because max impression is reached");
			else
			{
				changed = true;
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
		}
		if (changed)
			saveToDisk();
		tallyLog(leaving);
	});
}

void TallySession::recordAdImpression(std::string const& record)
{
	recordImpression(m_adLog, record, "TallyAnalytics: Leaving recordAdImpression. Recording ad impression complete.");
}

void TallySession::recordAdSlotAdImpression(std::string const& record)
{
	recordImpression(m_adSlotAdLog, record, "TallyAnalytics: Leaving recordAdSlotAdImpression. Recording ad impression complete.");
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
	{
		Lock lock(m_mutex);
		m_pageViewCount = saturatedIncrement(m_pageViewCount);
	}
}

void TallySession::setLatitude(double latitude, double longitude, float horizontalAccuracy, float verticalAccuracy)
{
	tallyGuard([&] {
		{
			Lock lock(m_mutex);
			m_latitude = reduceLocationPrecision(latitude);
			m_longitude = reduceLocationPrecision(longitude);
			double mean = (std::fabs(static_cast<double>(horizontalAccuracy)) + std::fabs(static_cast<double>(verticalAccuracy))) / 2.0;
			m_accuracy = static_cast<float>(reduceLocationPrecision(mean));
			tallyLog("TallyAnalytics: New location set with lat[%f] long[%f] accuracy[%f]",
			         {m_latitude, m_longitude, static_cast<double>(m_accuracy)});
		}
		saveToDisk();
	});
}

void TallySession::setUserID(std::optional<std::string> const& userID)
{
	tallyLog("TallyAnalytics: Set userID[%@]", {userID ? *userID : std::string("(null)")});
	Lock lock(m_mutex);
	m_userID = userID;
}

void TallySession::setGender(std::string const& gender)
{
	int value = gender == "m" ? 1 : gender == "f" ? 0 : -1;
	{
		Lock lock(m_mutex);
		m_gender = value;
	}
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
	{
		Lock lock(m_mutex);
		m_age = age;
	}
	tallyLog("TallyAnalytics: set age to [%@]", {TallyLogArg::date(age)});
}

void TallySession::setEventLoggingEnabled(bool enabled)
{
	{
		Lock lock(m_mutex);
		m_eventLoggingEnabled = enabled;
	}
	tallyLog("TallyAnalytics: Event logging enabled[%d]", {enabled ? 1 : 0});
}

void TallySession::setSessionReportsOnCloseEnabled(bool enabled)
{
	{
		Lock lock(m_mutex);
		m_sessionReportsOnCloseEnabled = enabled;
	}
	tallyLog("TallyAnalytics: Session reports on close enabled[%d]", {enabled ? 1 : 0});
}

void TallySession::setSessionReportsOnPauseEnabled(bool enabled)
{
	{
		Lock lock(m_mutex);
		m_sessionReportsOnPauseEnabled = enabled;
	}
	tallyLog("TallyAnalytics: Session reports on pause enabled[%d]", {enabled ? 1 : 0});
}

int64_t TallySession::timeIntervalSinceSessionStart(TallyOptionalDate date) const
{
	Lock lock(m_mutex);
	return TallyProtocolData::timeIntervalFrom(m_startTime, date);
}

int64_t TallySession::sessionLength() const
{
	Lock lock(m_mutex);
	if (!m_endTime)
		return -1;
	return TallyProtocolData::timeIntervalFrom(m_startTime, m_endTime);
}
