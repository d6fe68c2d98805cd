// The session's properties, each read and written under the session's lock.

#include "TallySession.h"
#include <mutex>

namespace
{

using Lock = std::lock_guard<lang::Mutex>;

} // namespace

// --- Properties ---------------------------------------------------------

bool TallySession::crashed() const
{
	Lock lock(m_mutex);
	return m_crashed;
}

void TallySession::setCrashed(bool value)
{
	Lock lock(m_mutex);
	m_crashed = value;
}

TallyOptionalDate TallySession::startTime() const
{
	Lock lock(m_mutex);
	return m_startTime;
}

std::string TallySession::apiKey() const
{
	Lock lock(m_mutex);
	return m_apiKey;
}

TallyOptionalDate TallySession::endTime() const
{
	Lock lock(m_mutex);
	return m_endTime;
}

void TallySession::setEndTime(TallyOptionalDate value)
{
	Lock lock(m_mutex);
	m_endTime = value;
}

std::string TallySession::appVersion() const
{
	Lock lock(m_mutex);
	return m_appVersion;
}

void TallySession::setAppVersion(std::string const& value)
{
	Lock lock(m_mutex);
	m_appVersion = value;
}

int TallySession::pageViewCount() const
{
	Lock lock(m_mutex);
	return m_pageViewCount;
}

void TallySession::setPageViewCount(int value)
{
	Lock lock(m_mutex);
	m_pageViewCount = value;
}

bool TallySession::internetAvailable() const
{
	Lock lock(m_mutex);
	return m_internetAvailable;
}

void TallySession::setInternetAvailable(bool value)
{
	Lock lock(m_mutex);
	m_internetAvailable = value;
}

std::string TallySession::userID() const
{
	Lock lock(m_mutex);
	return m_userID.value_or("");
}

int TallySession::gender() const
{
	Lock lock(m_mutex);
	return m_gender;
}

TallyOptionalDate TallySession::age() const
{
	Lock lock(m_mutex);
	return m_age;
}

bool TallySession::eventLogComplete() const
{
	Lock lock(m_mutex);
	return m_eventLogComplete;
}

int TallySession::totalErrorCount() const
{
	Lock lock(m_mutex);
	return m_totalErrorCount;
}

std::vector<TallyErrorRecord> TallySession::errors() const
{
	Lock lock(m_mutex);
	return m_errors;
}

std::vector<lang::Ptr<TallyEvent>> TallySession::eventLog() const
{
	Lock lock(m_mutex);
	return m_eventLog;
}

std::map<std::string, int> TallySession::eventCounts() const
{
	Lock lock(m_mutex);
	return m_eventCounts;
}
TallyOptionalDate TallySession::pauseTime() const
{
	Lock lock(m_mutex);
	return m_pauseTime;
}

int64_t TallySession::totalPauseIntervalMillis() const
{
	Lock lock(m_mutex);
	return m_totalPauseIntervalMillis;
}

bool TallySession::eventLoggingEnabled() const
{
	Lock lock(m_mutex);
	return m_eventLoggingEnabled;
}

bool TallySession::sessionReportsOnCloseEnabled() const
{
	Lock lock(m_mutex);
	return m_sessionReportsOnCloseEnabled;
}

bool TallySession::sessionReportsOnPauseEnabled() const
{
	Lock lock(m_mutex);
	return m_sessionReportsOnPauseEnabled;
}

double TallySession::latitude() const
{
	Lock lock(m_mutex);
	return m_latitude;
}

double TallySession::longitude() const
{
	Lock lock(m_mutex);
	return m_longitude;
}
