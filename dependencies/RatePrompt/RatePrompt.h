#pragma once

#include <lang/Ptr.h>
#include <pf/Alert.h>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace net
{
class HttpRequest;
}

/**
 * Asks a player who has used the game for a while to rate it. Launches
 * (uses) and significant events are counted per application version in
 * the user defaults (pf::UserDefaults); once the version is 3 days old,
 * has had at least 21 uses, was neither rated nor declined and no reminder
 * asked for within the last day, and the network is reachable, an alert
 * with "No, Thanks", "Rate Now" and "Remind me later" is shown
 * (pf::showAlert).
 *
 * The class-level calls queue a request for the one worker thread of the
 * shared instance, which counts and decides in the order of the requests;
 * the alert and the player's choice run on the main thread. Counts
 * saturate at INT_MAX; stored values of the wrong type read as 0 or false.
 * At most one alert is queued or on screen at a time.
 */
class RatePrompt
{
public:
	/** What the prompt shows, opens and asks of the system. */
	struct Configuration
	{
		/** Put in place of "%@" in the alert's title. */
		std::string displayName;
		/** The address "Rate Now" opens, "APP_ID" replaced by appId in decimal. */
		std::string reviewAddress;
		int appId = 0;
		/** A page fetched once (unread) when the alert is due; empty for none. */
		std::string probeUrl;
		/** The application version whose uses are counted. */
		std::string version;
		/** The time in seconds since 1970. Called on the worker and the main thread. */
		std::function<double()> now;
		/** Whether the network is reachable. Called on the worker. */
		std::function<bool()> reachable;
	};

	/**
	 * The build's configuration: the display name, review address, id,
	 * probe page and version the build was configured with, the system
	 * clock and DefaultRoute::reachable.
	 */
	static Configuration defaultConfiguration();

	/** Replaces the configuration (tests). Requests queued later use it. Any thread. */
	static void configure(Configuration const& configuration);

	/** Counts a launch; may show the alert when canPromptForRating. Any thread. */
	static void appLaunched(bool canPromptForRating = true);

	/** Counts a return to the foreground as a use, like appLaunched. Any thread. */
	static void appEnteredForeground(bool canPromptForRating);

	/** Counts a significant event; may show the alert when canPromptForRating. Any thread. */
	static void userDidSignificantEvent(bool canPromptForRating);

	/** Withdraws the alert when it is waiting for its turn (no choice is made). Main thread. */
	static void appWillResignActive();

	/**
	 * Marks this version as rated (synchronised) and opens the review
	 * address (pf::Launcher::openURL). Main thread.
	 */
	static void rateApp();

	/** The one instance, made at the first call. Any thread. */
	static RatePrompt& sharedInstance();

	/**
	 * Drops the requests not yet started, cancels a running probe, waits for
	 * the worker to end and withdraws a waiting alert. Later requests start a
	 * new worker. Any thread but the worker.
	 */
	static void shutdown();

	/** Waits until every queued request is done (tests). Any thread but the worker. */
	static void waitUntilIdle();

	~RatePrompt();

private:
	enum Kind
	{
		USE,
		SIGNIFICANT_EVENT,
	};

	struct Request
	{
		Kind kind;
		bool canPromptForRating;
	};

	std::mutex m_mutex;
	std::condition_variable m_wake;
	std::condition_variable m_idle;
	std::deque<Request> m_requests;
	std::thread m_worker;
	bool m_busy = false;
	bool m_stopping = false;
	std::atomic<bool> m_cancelProbe{false};
	Configuration m_configuration;
	/** The alert queued or on screen, and the number of the last one shown. */
	bool m_alertShown = false;
	pf::AlertId m_ratingAlert = 0;
	unsigned m_alertSerial = 0;

	RatePrompt();

	void queue(Kind kind, bool canPromptForRating);
	Configuration configuration();
	void run();

	/** Worker: one request. */
	void incrementAndRate(Kind kind, bool canPromptForRating, Configuration const& c);
	void incrementUseCount(Configuration const& c);
	void incrementSignificantEventCount(Configuration const& c);
	void countUse(Configuration const& c, bool use);
	bool ratingConditionsHaveBeenMet(Configuration const& c);
	/** True when reachable and the probe (when configured) could be made; probe receives it. */
	bool connectedToNetwork(Configuration const& c, lang::Ptr<net::HttpRequest>& probe);
	void runProbe(net::HttpRequest& probe, std::string const& url);
	void showRatingAlert(Configuration const& c);

	/** Main thread. */
	void hideRatingAlert();
	void alertViewClickedButtonAtIndex(unsigned serial, int index);
	void stop();

	RatePrompt(RatePrompt const&) = delete;
	RatePrompt& operator=(RatePrompt const&) = delete;
};
