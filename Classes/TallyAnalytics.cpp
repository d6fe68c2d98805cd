#include "TallyAnalytics.h"
#include "TallyAutoIncrement.h"
#include "TallyFileCache.h"
#include "TallyGuard.h"
#include "TallyHeartBeater.h"
#include "TallyLog.h"
#include "TallyNotificationCenter.h"
#include "TallyPageViewDelegate.h"
#include "TallyProtocolData.h"
#include "TallySession.h"
#include "TallyThreads.h"
#include <linux/TallyPlatform.h>
#include <lang/Throwable.h>
#include <net/GlobalInit.h>
#include <mutex>
#include <vector>

#ifndef TALLY_ENDPOINT_HOST
#define TALLY_ENDPOINT_HOST "localhost"
#endif

namespace
{

/** The facade's settings. Never destroyed: agent threads may read them while the process exits. */
struct Settings
{
	// Main-thread settings.
	std::optional<std::string> apiKey;
	std::optional<std::string> appVersion;
	std::optional<std::string> userID;
	std::optional<std::string> gender;
	int age = -1;
	bool eventLoggingEnabled = true;
	bool sessionReportsOnCloseEnabled = true;
	bool sessionReportsOnPauseEnabled = true;
	int pauseSecondsBeforeStartingNewSession = 10;
	TallyOptionalDate pauseTime;
	bool startSessionCalled = false;
	std::vector<int> observers;

	// Read by send threads: under sendMutex.
	std::mutex sendMutex;
	std::string serverUrl = "http://" TALLY_ENDPOINT_HOST "/aas.do";
	std::optional<std::string> savedResponseUrl;
	bool adGridEnabled = false;
	bool videoAdsEnabled = false;
	bool adSlotEnabled = false;
	bool reEngageEnabled = false;
};

Settings& settings()
{
	static Settings* s_settings = new Settings;
	return *s_settings;
}

std::mutex& startMutex()
{
	static std::mutex* s_mutex = new std::mutex;
	return *s_mutex;
}

/** Runs body on the current session, when there is one. */
template <class F>
void withCurrent(F&& body)
{
	tallyGuard([&] {
		if (lang::Ptr<TallySession> session = TallySession::currentSession())
			body(*session);
	});
}

template <class T>
T sendSetting(T Settings::*field)
{
	Settings& s = settings();
	std::lock_guard<std::mutex> lock(s.sendMutex);
	return s.*field;
}

template <class T>
void setSendSetting(T Settings::*field, T const& value)
{
	Settings& s = settings();
	std::lock_guard<std::mutex> lock(s.sendMutex);
	s.*field = value;
}

} // namespace

void TallyAnalytics::startSession(std::string const& apiKey)
{
	{
		std::lock_guard<std::mutex> lock(startMutex());
		if (settings().startSessionCalled)
		{
			tallyLog("TallyAnalytics: startSession called already. Returning.");
			tallyGuard([] { TallyPlatform::showAlert("", "startSession has been called already. It should only be called once.", "Cancel"); });
			return;
		}
		tallyLog("TallyAnalytics: startSession called for the first time");
		settings().startSessionCalled = true;
	}
	tallyGuard([&] {
		tallyLog("TallyAnalytics: Start session called with apiKey[%@]", {apiKey});
		std::string key;
		for (char c : apiKey)
			if (c != ' ')
				key += c;
		settings().apiKey = key;
		tallyLog("TallyAnalytics: Trim white space and use apiKey[%@]", {key});
		TallyHeartBeater::createAndStartInstance(1.0);
		TallyFileCache::createInstanceWithApiKey(key, TallySession::getAgentVersion());
		createAndSendSession();
		TallyNotificationCenter& center = TallyNotificationCenter::defaultCenter();
		std::vector<int>& observers = settings().observers;
		observers.push_back(center.addObserver("UIApplicationWillTerminateNotification", [] { endSession(); }));
		observers.push_back(center.addObserver("UIApplicationWillResignActiveNotification", [] { pauseSession(); }));
		observers.push_back(center.addObserver("UIApplicationDidBecomeActiveNotification", [] { resumeSession(); }));
		tallyLog("TallyAnalytics: Finish starting session with apiKey[%@]", {key});
	});
}

bool TallyAnalytics::started()
{
	std::lock_guard<std::mutex> lock(startMutex());
	return settings().startSessionCalled;
}

void TallyAnalytics::reset()
{
	std::lock_guard<std::mutex> lock(startMutex());
	Settings& s = settings();
	for (int token : s.observers)
		TallyNotificationCenter::defaultCenter().removeObserver(token);
	Settings fresh;
	s.apiKey = fresh.apiKey;
	s.appVersion = fresh.appVersion;
	s.userID = fresh.userID;
	s.gender = fresh.gender;
	s.age = fresh.age;
	s.eventLoggingEnabled = fresh.eventLoggingEnabled;
	s.sessionReportsOnCloseEnabled = fresh.sessionReportsOnCloseEnabled;
	s.sessionReportsOnPauseEnabled = fresh.sessionReportsOnPauseEnabled;
	s.pauseSecondsBeforeStartingNewSession = fresh.pauseSecondsBeforeStartingNewSession;
	s.pauseTime = fresh.pauseTime;
	s.startSessionCalled = false;
	s.observers.clear();
	std::lock_guard<std::mutex> sendLock(s.sendMutex);
	s.serverUrl = fresh.serverUrl;
	s.savedResponseUrl = fresh.savedResponseUrl;
	s.adGridEnabled = s.videoAdsEnabled = s.adSlotEnabled = s.reEngageEnabled = false;
}

void TallyAnalytics::setAppVersion(std::string const& version)
{
	tallyGuard([&] {
		if (!TallySession::currentSession())
		{
			tallyLog("TallyAnalytics: setAppVersion[%@]", {version});
			settings().appVersion = version;
		}
		else if (TallyUtil::isDebugLogEnabled())
			TallyPlatform::showAlert("", "TallyAnalytics: Please call setAppVersion before startSession.", "Cancel");
	});
}

std::optional<std::string> TallyAnalytics::appVersion()
{
	return settings().appVersion;
}

std::string TallyAnalytics::getTallyAgentVersion()
{
	return TallySession::getAgentVersion();
}

void TallyAnalytics::setDebugLogEnabled(bool enabled)
{
	TallyUtil::setDebugLogEnabled(enabled);
}

void TallyAnalytics::setShowErrorInLogEnabled(bool enabled)
{
	TallyUtil::setShowErrorInLogEnabled(enabled);
}

void TallyAnalytics::setAdGridEnabled(bool enabled)
{
	setSendSetting(&Settings::adGridEnabled, enabled);
}

void TallyAnalytics::setVideoAdsEnabled(bool enabled)
{
	setSendSetting(&Settings::videoAdsEnabled, enabled);
}

void TallyAnalytics::setAdSlotEnabled(bool enabled)
{
	setSendSetting(&Settings::adSlotEnabled, enabled);
}

void TallyAnalytics::setReEngageEnabled(bool enabled)
{
	setSendSetting(&Settings::reEngageEnabled, enabled);
}

bool TallyAnalytics::adGridEnabled()
{
	return sendSetting(&Settings::adGridEnabled);
}

bool TallyAnalytics::videoAdsEnabled()
{
	return sendSetting(&Settings::videoAdsEnabled);
}

bool TallyAnalytics::adSlotEnabled()
{
	return sendSetting(&Settings::adSlotEnabled);
}

bool TallyAnalytics::reEngageEnabled()
{
	return sendSetting(&Settings::reEngageEnabled);
}

void TallyAnalytics::setSessionContinueSeconds(int seconds)
{
	settings().pauseSecondsBeforeStartingNewSession = seconds;
}

void TallyAnalytics::setMaxSessionsSaved(int maxSessions)
{
	TallySession::setMaxSessions(maxSessions);
}

void TallyAnalytics::createAndSendSession()
{
	tallyGuard([&] {
		Settings& s = settings();
		TallySession::createActiveTallySession(s.apiKey.value_or(""), s.appVersion);
		setSessionReportsOnCloseEnabled(s.sessionReportsOnCloseEnabled);
		setSessionReportsOnPauseEnabled(s.sessionReportsOnPauseEnabled);
		setEventLoggingEnabled(s.eventLoggingEnabled);
		setAge(s.age);
		if (s.userID)
			setUserID(*s.userID);
		if (s.gender)
			setGender(*s.gender);
		// libcurl's (and OpenSSL's) set-up of the process on this thread, before
		// any sending thread: a worker still inside it when the process ends
		// would meet the exit handlers' teardown of the same library.
		try
		{
			net::globalInit();
		}
		catch (lang::Throwable const& e)
		{
			tallyLog("TallyAnalytics: %@", {e.getMessage().format()});
		}
		TallyThreads::start([] { TallySession::sendSessionsToServerForAdGrid(); });
	});
}

void TallyAnalytics::setLatitude(double latitude, double longitude, float horizontalAccuracy, float verticalAccuracy)
{
	withCurrent([&](TallySession& session) { session.setLatitude(latitude, longitude, horizontalAccuracy, verticalAccuracy); });
}

void TallyAnalytics::endSession()
{
	withCurrent([&](TallySession& session) { session.endSession(); });
}

void TallyAnalytics::pauseSession()
{
	tallyGuard([&] {
		settings().pauseTime = TallyPlatform::now();
		lang::Ptr<TallySession> session = TallySession::currentSession();
		if (!session)
			return;
		session->pauseSession();
		session->endSessionAndSend(false, false);
		// No background tasks here: the send thread runs on its own.
		if (session->read(&TallySessionState::sessionReportsOnPauseEnabled))
			TallyThreads::start([] { TallySession::sendSessionsToServerForSessionPause(); });
	});
}

void TallyAnalytics::resumeSession()
{
	tallyGuard([&] {
		Settings& s = settings();
		int64_t elapsed = TallyProtocolData::timeIntervalFrom(s.pauseTime, TallyPlatform::now());
		// 64 bits: a 32-bit product wraps above 2,147,483 s.
		int64_t limit = static_cast<int64_t>(s.pauseSecondsBeforeStartingNewSession) * 1000;
		lang::Ptr<TallySession> session = TallySession::currentSession();
		if (elapsed <= limit)
		{
			if (session)
				session->resumeSession();
			return;
		}
		if (session)
			session->saveSession();
		createAndSendSession();
		TallyAutoIncrement::instance()->resetAll();
	});
}

void TallyAnalytics::stopBackgroundTask() {}

void TallyAnalytics::logEvent(std::string const& name)
{
	logEvent(name, std::nullopt, false);
}

void TallyAnalytics::logEvent(std::string const& name, Parameters parameters)
{
	logEvent(name, std::move(parameters), false);
}

void TallyAnalytics::logEvent(std::string const& name, bool timed)
{
	logEvent(name, std::nullopt, timed);
}

void TallyAnalytics::logEvent(std::string const& name, Parameters parameters, bool timed)
{
	withCurrent([&](TallySession& session) { session.recordEvent(name, std::move(parameters), timed); });
}

void TallyAnalytics::endTimedEvent(std::string const& name, Parameters const& parameters)
{
	withCurrent([&](TallySession& session) { session.endTimedEvent(name, parameters); });
}

void TallyAnalytics::logError(std::string const& errorId, std::string const& message, lang::Throwable const* exception)
{
	withCurrent([&](TallySession& session) { session.recordError(errorId, message, exception); });
}

void TallyAnalytics::logError(std::string const& errorId, std::string const& message, TallyError const* error)
{
	withCurrent([&](TallySession& session) { session.recordError(errorId, message, error); });
}

void TallyAnalytics::logAllPageViews(TallyViewController* controller)
{
	tallyGuard([&] { TallyPageViewDelegate::createDelegateOnTarget(controller); });
}

void TallyAnalytics::logPageView()
{
	withCurrent([&](TallySession& session) { session.maybeIncrementPageView(); });
}

void TallyAnalytics::setUserID(std::string const& userID)
{
	tallyGuard([&] {
		withCurrent([&](TallySession& session) { session.setUserID(userID); });
		tallyLog("TallyAnalytics: setUserID[%@]", {userID});
		settings().userID = userID;
	});
}

void TallyAnalytics::setGender(std::string const& gender)
{
	tallyGuard([&] {
		withCurrent([&](TallySession& session) { session.setGender(gender); });
		tallyLog("TallyAnalytics: setGender[%@]", {gender});
		settings().gender = gender;
	});
}

void TallyAnalytics::setAge(int age)
{
	tallyGuard([&] {
		settings().age = age;
		withCurrent([&](TallySession& session) { session.setAge(age); });
	});
}

void TallyAnalytics::setEventLoggingEnabled(bool enabled)
{
	tallyGuard([&] {
		settings().eventLoggingEnabled = enabled;
		withCurrent([&](TallySession& session) { session.setEventLoggingEnabled(enabled); });
	});
}

void TallyAnalytics::setSessionReportsOnCloseEnabled(bool enabled)
{
	tallyGuard([&] {
		settings().sessionReportsOnCloseEnabled = enabled;
		withCurrent([&](TallySession& session) { session.setSessionReportsOnCloseEnabled(enabled); });
	});
}

void TallyAnalytics::setSessionReportsOnPauseEnabled(bool enabled)
{
	tallyGuard([&] {
		settings().sessionReportsOnPauseEnabled = enabled;
		withCurrent([&](TallySession& session) { session.setSessionReportsOnPauseEnabled(enabled); });
	});
}

void TallyAnalytics::setServerURL(std::string const& url)
{
	tallyGuard([&] { setSendSetting(&Settings::serverUrl, url); });
}

void TallyAnalytics::setSecureTransportEnabled(bool enabled)
{
	setServerURL(enabled ? secureServerURL() : nonSecureServerURL());
}

void TallyAnalytics::setSavedResponseURL(std::optional<std::string> const& url)
{
	tallyGuard([&] { setSendSetting(&Settings::savedResponseUrl, url); });
}

std::string TallyAnalytics::serverURL()
{
	return sendSetting(&Settings::serverUrl);
}

std::optional<std::string> TallyAnalytics::savedResponseURL()
{
	return sendSetting(&Settings::savedResponseUrl);
}

std::string TallyAnalytics::nonSecureServerURL()
{
	return "http://" TALLY_ENDPOINT_HOST "/aas.do";
}

std::string TallyAnalytics::secureServerURL()
{
	return "https://" TALLY_ENDPOINT_HOST "/aas.do";
}
