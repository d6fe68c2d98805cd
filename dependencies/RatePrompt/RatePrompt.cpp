#include "RatePrompt.h"
#include "DefaultRoute.h"
#include <lang/Debug.h>
#include <lang/Throwable.h>
#include <net/HttpRequest.h>
#include <pf/Launcher.h>
#include <pf/UserDefaults.h>
#include <chrono>
#include <climits>
#include <cmath>

namespace
{

char const* const FIRST_USE_DATE = "kRatePromptFirstUseDate";
char const* const USE_COUNT = "kRatePromptUseCount";
char const* const SIGNIFICANT_EVENT_COUNT = "kRatePromptSignificantEventCount";
char const* const CURRENT_VERSION = "kRatePromptCurrentVersion";
char const* const RATED_CURRENT_VERSION = "kRatePromptRatedCurrentVersion";
char const* const DECLINED_TO_RATE = "kRatePromptDeclinedToRate";
char const* const REMINDER_REQUEST_DATE = "kRatePromptReminderRequestDate";

/** Seconds from the first use of a version to the first alert. */
double const DAYS_UNTIL_PROMPT = 259200;
/** Uses of a version before the alert: more than this. */
int const USES_UNTIL_PROMPT = 20;
/** Significant events of a version before the alert: at least this. */
int const SIG_EVENTS_UNTIL_PROMPT = 0;
/** Seconds from "Remind me later" to the next alert. */
double const TIME_BEFORE_REMINDING = 86400;
/** How long the probe may stay idle, in seconds. */
long const PROBE_TIMEOUT = 20;

enum Choice
{
	NO_THANKS,
	RATE_NOW,
	REMIND_LATER,
};

typedef std::lock_guard<pf::UserDefaults> DefaultsLock;

/** The count under key: 0 when missing, not a number or negative, at most INT_MAX. */
int readCount(pf::UserDefaults& defaults, char const* key)
{
	double const value = defaults.getNumber(key);
	if (!(value > 0))
		return 0;
	return value >= INT_MAX ? INT_MAX : static_cast<int>(value);
}

void countUp(pf::UserDefaults& defaults, char const* key)
{
	int const count = readCount(defaults, key);
	defaults.setNumber(key, count == INT_MAX ? count : count + 1);
}

void replace(std::string& text, std::string const& what, std::string const& with)
{
	std::string::size_type at = text.find(what);
	if (at != std::string::npos)
		text.replace(at, what.size(), with);
}

double systemNow()
{
	return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
}

} // namespace

RatePrompt::RatePrompt() : m_configuration(defaultConfiguration())
{
	// The defaults are made first, so that they outlive this instance and
	// its worker at exit.
	pf::UserDefaults::standard();
}

RatePrompt::~RatePrompt()
{
	stop();
}

RatePrompt::Configuration RatePrompt::defaultConfiguration()
{
	Configuration c;
	c.displayName = RATE_PROMPT_DISPLAY_NAME;
	c.reviewAddress = std::string("itms-apps://") + RATE_PROMPT_REVIEW_HOST +
		"/WebObjects/MZStore.woa/wa/viewContentsUserReviews?type=Purple+Software&id=APP_ID";
	c.appId = RATE_PROMPT_APP_ID;
	c.probeUrl = RATE_PROMPT_PROBE_URL;
	c.version = RATE_PROMPT_VERSION;
	c.now = systemNow;
	c.reachable = DefaultRoute::reachable;
	return c;
}

RatePrompt& RatePrompt::sharedInstance()
{
	static RatePrompt s_instance;
	return s_instance;
}

void RatePrompt::configure(Configuration const& configuration)
{
	RatePrompt& prompt = sharedInstance();
	std::lock_guard<std::mutex> lock(prompt.m_mutex);
	prompt.m_configuration = configuration;
}

RatePrompt::Configuration RatePrompt::configuration()
{
	std::lock_guard<std::mutex> lock(m_mutex);
	return m_configuration;
}

void RatePrompt::appLaunched(bool canPromptForRating)
{
	sharedInstance().queue(USE, canPromptForRating);
}

void RatePrompt::appEnteredForeground(bool canPromptForRating)
{
	sharedInstance().queue(USE, canPromptForRating);
}

void RatePrompt::userDidSignificantEvent(bool canPromptForRating)
{
	sharedInstance().queue(SIGNIFICANT_EVENT, canPromptForRating);
}

void RatePrompt::appWillResignActive()
{
	sharedInstance().hideRatingAlert();
}

void RatePrompt::shutdown()
{
	sharedInstance().stop();
}

void RatePrompt::waitUntilIdle()
{
	RatePrompt& prompt = sharedInstance();
	std::unique_lock<std::mutex> lock(prompt.m_mutex);
	prompt.m_idle.wait(lock, [&prompt] { return prompt.m_requests.empty() && !prompt.m_busy; });
}

void RatePrompt::queue(Kind kind, bool canPromptForRating)
{
	std::lock_guard<std::mutex> lock(m_mutex);
	// A request made while the worker stops is dropped like the queued ones.
	if (m_stopping)
		return;
	m_requests.push_back(Request{kind, canPromptForRating});
	if (!m_worker.joinable())
		m_worker = std::thread(&RatePrompt::run, this);
	m_wake.notify_one();
}

void RatePrompt::stop()
{
	std::thread worker;
	{
		std::unique_lock<std::mutex> lock(m_mutex);
		if (m_stopping)
		{
			// Another thread stops the worker: wait for it.
			m_idle.wait(lock, [this] { return !m_stopping; });
			return;
		}
		m_requests.clear();
		m_stopping = true;
		m_cancelProbe = true;
		worker.swap(m_worker);
		m_wake.notify_all();
		if (m_alertShown && pf::withdrawAlert(m_ratingAlert))
			m_alertShown = false;
	}
	if (worker.joinable())
		worker.join();
	std::lock_guard<std::mutex> lock(m_mutex);
	m_stopping = false;
	m_cancelProbe = false;
	m_idle.notify_all();
}

void RatePrompt::run()
{
	std::unique_lock<std::mutex> lock(m_mutex);
	for (;;)
	{
		m_wake.wait(lock, [this] { return m_stopping || !m_requests.empty(); });
		if (m_stopping)
			return;
		Request const request = m_requests.front();
		m_requests.pop_front();
		Configuration const c = m_configuration;
		m_busy = true;
		lock.unlock();
		incrementAndRate(request.kind, request.canPromptForRating, c);
		lock.lock();
		m_busy = false;
		m_idle.notify_all();
	}
}

void RatePrompt::incrementAndRate(Kind kind, bool canPromptForRating, Configuration const& c)
{
	if (kind == USE)
		incrementUseCount(c);
	else
		incrementSignificantEventCount(c);
	if (!canPromptForRating)
		return;
	{
		std::lock_guard<std::mutex> lock(m_mutex);
		if (m_alertShown)
			return;
	}
	lang::Ptr<net::HttpRequest> probe;
	if (!ratingConditionsHaveBeenMet(c) || !connectedToNetwork(c, probe))
		return;
	showRatingAlert(c);
	if (probe)
		runProbe(*probe, c.probeUrl);
}

void RatePrompt::incrementUseCount(Configuration const& c)
{
	countUse(c, true);
}

void RatePrompt::incrementSignificantEventCount(Configuration const& c)
{
	countUse(c, false);
}

void RatePrompt::countUse(Configuration const& c, bool use)
{
	pf::UserDefaults& defaults = pf::UserDefaults::standard();
	DefaultsLock hold(defaults);
	std::string tracked = defaults.getString(CURRENT_VERSION);
	if (tracked.empty())
	{
		defaults.setString(CURRENT_VERSION, c.version);
		tracked = c.version;
	}
	if (tracked == c.version)
	{
		if (defaults.getNumber(FIRST_USE_DATE) == 0)
			defaults.setNumber(FIRST_USE_DATE, c.now());
		countUp(defaults, use ? USE_COUNT : SIGNIFICANT_EVENT_COUNT);
	}
	else
	{
		// A new version starts counting afresh.
		defaults.setString(CURRENT_VERSION, c.version);
		defaults.setNumber(FIRST_USE_DATE, use ? c.now() : 0);
		defaults.setNumber(USE_COUNT, use ? 1 : 0);
		defaults.setNumber(SIGNIFICANT_EVENT_COUNT, use ? 0 : 1);
		defaults.setBoolean(RATED_CURRENT_VERSION, false);
		defaults.setBoolean(DECLINED_TO_RATE, false);
		defaults.setNumber(REMINDER_REQUEST_DATE, 0);
	}
	defaults.synchronise();
}

bool RatePrompt::ratingConditionsHaveBeenMet(Configuration const& c)
{
	pf::UserDefaults& defaults = pf::UserDefaults::standard();
	DefaultsLock hold(defaults);
	double const now = c.now();
	return now - defaults.getNumber(FIRST_USE_DATE) >= DAYS_UNTIL_PROMPT &&
		readCount(defaults, USE_COUNT) > USES_UNTIL_PROMPT &&
		readCount(defaults, SIGNIFICANT_EVENT_COUNT) >= SIG_EVENTS_UNTIL_PROMPT &&
		!defaults.getBoolean(DECLINED_TO_RATE) &&
		!defaults.getBoolean(RATED_CURRENT_VERSION) &&
		now - defaults.getNumber(REMINDER_REQUEST_DATE) >= TIME_BEFORE_REMINDING;
}

bool RatePrompt::connectedToNetwork(Configuration const& c, lang::Ptr<net::HttpRequest>& probe)
{
	if (!c.reachable || !c.reachable())
		return false;
	if (c.probeUrl.empty())
		return true;
	try
	{
		probe = new net::HttpRequest();
	}
	catch (lang::Throwable const& e)
	{
		lang::Debug::printf("Rating prompt: no request for %s: %s\n", c.probeUrl.c_str(), e.getMessage().format().c_str());
		return false;
	}
	net::HttpLimits limits = net::HttpRequest::defaultLimits();
	limits.connectTimeoutMs = PROBE_TIMEOUT * 1000;
	limits.lowSpeedSeconds = PROBE_TIMEOUT;
	probe->setLimits(limits);
	probe->setCancelFlag(&m_cancelProbe);
	return true;
}

void RatePrompt::runProbe(net::HttpRequest& probe, std::string const& url)
{
	try
	{
		probe.get(url);
	}
	catch (lang::Throwable const&)
	{
		// The answer is never read: a failed probe changes nothing.
	}
}

void RatePrompt::showRatingAlert(Configuration const& c)
{
	std::string title = "If you like %@, please rate it.";
	replace(title, "%@", c.displayName);
	std::lock_guard<std::mutex> lock(m_mutex);
	if (m_alertShown || m_stopping)
		return;
	unsigned const serial = ++m_alertSerial;
	m_alertShown = true;
	// The choice waits for this lock, so it always finds the alert recorded.
	m_ratingAlert = pf::showAlert(title, "", {"No, Thanks", "Rate Now", "Remind me later"},
		[this, serial](int index) { alertViewClickedButtonAtIndex(serial, index); });
}

void RatePrompt::hideRatingAlert()
{
	std::lock_guard<std::mutex> lock(m_mutex);
	if (m_alertShown && pf::withdrawAlert(m_ratingAlert))
		m_alertShown = false;
}

void RatePrompt::alertViewClickedButtonAtIndex(unsigned serial, int index)
{
	{
		std::lock_guard<std::mutex> lock(m_mutex);
		if (!m_alertShown || serial != m_alertSerial)
			return;
		m_alertShown = false;
	}
	pf::UserDefaults& defaults = pf::UserDefaults::standard();
	switch (index)
	{
	case NO_THANKS:
	{
		DefaultsLock hold(defaults);
		defaults.setBoolean(DECLINED_TO_RATE, true);
		defaults.synchronise();
		break;
	}
	case RATE_NOW:
		rateApp();
		break;
	case REMIND_LATER:
	{
		double const now = configuration().now();
		DefaultsLock hold(defaults);
		defaults.setNumber(REMINDER_REQUEST_DATE, now);
		defaults.synchronise();
		break;
	}
	default:
		break;
	}
}

void RatePrompt::rateApp()
{
	Configuration const c = sharedInstance().configuration();
	std::string address = c.reviewAddress;
	replace(address, "APP_ID", std::to_string(c.appId));
	{
		pf::UserDefaults& defaults = pf::UserDefaults::standard();
		DefaultsLock hold(defaults);
		defaults.setBoolean(RATED_CURRENT_VERSION, true);
		defaults.synchronise();
	}
	lang::Ptr<pf::Launcher> launcher = new pf::Launcher();
	launcher->openURL(address);
}
