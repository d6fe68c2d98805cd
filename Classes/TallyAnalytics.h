#pragma once

#include <TallyError.h>
#include <TallyEvent.h>
#include <lang/Throwable.h>
#include <optional>
#include <string>

class TallyViewController;

/**
 * The agent's public face: class operations only. startSession() starts the
 * agent once per process with the application key; later the facade keeps
 * the settings, applies each at once to the current session and carries
 * them into every new session, follows the application's life through the
 * notifications "UIApplicationDidBecomeActiveNotification",
 * "UIApplicationWillResignActiveNotification" and
 * "UIApplicationWillTerminateNotification" (TallyNotificationCenter), and
 * sends a report on its own thread after each new session.
 *
 * No operation throws: failures go to TallyUtil::handleException and the
 * operation returns. Operations on the current session do nothing before
 * startSession(). Called on the main thread; the settings that send threads
 * read (both addresses, the ad switches) are guarded by one lock.
 */
class TallyAnalytics
{
public:
	using Parameters = TallyEvent::Parameters;

	/**
	 * Starts the agent: the key with every space removed, the heartbeat,
	 * the file cache, the first session and its report, the notification
	 * observers. A second call changes nothing and shows the alert
	 * "startSession has been called already. It should only be called once.".
	 */
	static void startSession(std::string const& apiKey);

	/** Sets the application version before startSession(); afterwards nothing changes (alert in debug mode). */
	static void setAppVersion(std::string const& version);
	static std::optional<std::string> appVersion();

	/** "89". */
	static std::string getTallyAgentVersion();

	static void setDebugLogEnabled(bool enabled);
	static void setShowErrorInLogEnabled(bool enabled);

	static void setAdGridEnabled(bool enabled);
	static void setVideoAdsEnabled(bool enabled);
	static void setAdSlotEnabled(bool enabled);
	static void setReEngageEnabled(bool enabled);
	static bool adGridEnabled();
	static bool videoAdsEnabled();
	static bool adSlotEnabled();
	static bool reEngageEnabled();

	/** Seconds of pause after which resumeSession() starts a new session (10 at start). */
	static void setSessionContinueSeconds(int seconds);

	/** TallySession::setMaxSessions. */
	static void setMaxSessionsSaved(int maxSessions);

	/** A new current session with the settings, and its report on a new agent thread. */
	static void createAndSendSession();

	/** The current session's location; not kept for later sessions. */
	static void setLatitude(double latitude, double longitude, float horizontalAccuracy, float verticalAccuracy);

	/** The application terminates: the current session ends (and is saved). */
	static void endSession();

	/** The application resigns active: pause time, session ended for now, a report when reports on pause are on. */
	static void pauseSession();

	/**
	 * The application becomes active: a pause of at most the continue
	 * limit continues the session; a longer one saves it and starts a new
	 * one with event and error ids from 1.
	 */
	static void resumeSession();

	/** No background tasks here: nothing to stop. */
	static void stopBackgroundTask();

	static void logEvent(std::string const& name);
	/** The parameters are taken over (pass an rvalue to spare a copy). */
	static void logEvent(std::string const& name, Parameters parameters);
	static void logEvent(std::string const& name, bool timed);
	static void logEvent(std::string const& name, Parameters parameters, bool timed);
	static void endTimedEvent(std::string const& name, Parameters const& parameters);
	static void logError(std::string const& errorId, std::string const& message, lang::Throwable const* exception);
	static void logError(std::string const& errorId, std::string const& message, TallyError const* error);

	/** Counts the page views of a navigation or tab bar controller (TallyPageViewDelegate). */
	static void logAllPageViews(TallyViewController* controller);
	static void logPageView();

	static void setUserID(std::string const& userID);
	static void setGender(std::string const& gender);
	static void setAge(int age);
	static void setEventLoggingEnabled(bool enabled);
	static void setSessionReportsOnCloseEnabled(bool enabled);
	static void setSessionReportsOnPauseEnabled(bool enabled);

	/** The report address. */
	static void setServerURL(std::string const& url);
	/** The report address over https (on) or http (off). */
	static void setSecureTransportEnabled(bool enabled);
	/** An answer file read in place of sending (none: send). */
	static void setSavedResponseURL(std::optional<std::string> const& url);
	static std::string serverURL();
	static std::optional<std::string> savedResponseURL();

	/** "http://<endpoint host>/aas.do" and "https://<endpoint host>/aas.do". */
	static std::string nonSecureServerURL();
	static std::string secureServerURL();

	static bool udidEnabled() { return true; }
	static bool sendUsageInfo() { return true; }

	/** Whether startSession() ran. */
	static bool started();

	/**
	 * Forgets that the agent started, its notification observers and every
	 * setting (tests; the heartbeat and the file cache stay).
	 */
	static void reset();
};
