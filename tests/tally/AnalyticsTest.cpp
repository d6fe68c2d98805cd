#include "ReportDecoder.h"
#include "TallyFixture.h"
#include <support/LoopbackHttpServer.h>
#include <TallyAnalytics.h>
#include <TallyNotificationCenter.h>
#include <TallyThreads.h>
#include <lang/Exception.h>
#include <climits>

using test::LoopbackHttpServer;

namespace
{

/** The facade, reset, reporting to a loopback server; alerts recorded. */
class TallyAnalyticsTest : public TallyTest
{
protected:
	void SetUp() override
	{
		TallyTest::SetUp();
		TallySession::setCurrentSession(nullptr);
		TallyAnalytics::reset();
		TallyAnalytics::setServerURL(m_server.url("/aas.do"));
		TallyPlatform::setAlertHook([this](std::string const& title, std::string const& message, std::string const& button) {
			std::lock_guard<std::mutex> lock(m_linesMutex);
			m_alerts.push_back(title + "|" + message + "|" + button);
		});
	}

	void TearDown() override
	{
		EXPECT_TRUE(TallyThreads::waitUntilIdle(std::chrono::seconds(30)));
		TallyAnalytics::reset();
		TallyPlatform::setAlertHook(nullptr);
		TallyTest::TearDown();
	}

	/** The id of the current session's last event. */
	int lastEventId()
	{
		std::vector<lang::Ptr<TallyEvent>> log = current()->read(&TallySessionState::eventLog);
		return log.empty() ? 0 : log.back()->eventLogId();
	}

	/** Pauses for ms milliseconds and resumes; answers whether the session went on. */
	bool pauseFor(int64_t ms)
	{
		lang::Ptr<TallySession> before = current();
		TallyAnalytics::pauseSession();
		advance(ms * 1000);
		TallyAnalytics::resumeSession();
		EXPECT_TRUE(TallyThreads::waitUntilIdle(std::chrono::seconds(30)));
		return current().get() == before.get();
	}

	LoopbackHttpServer m_server;
	std::vector<std::string> m_alerts;
};

} // namespace

TEST_F(TallyAnalyticsTest, StartsOnceWithTheKeyWithoutSpaces)
{
	EXPECT_EQ("89", TallyAnalytics::getTallyAgentVersion());
	TallyAnalytics::startSession(" A B\tC ");
	ASSERT_TRUE(current());
	EXPECT_EQ("AB\tC", current()->apiKey());
	lang::Ptr<TallySession> first = current();
	ASSERT_TRUE(TallyThreads::waitUntilIdle(std::chrono::seconds(30)));
	EXPECT_EQ(1u, m_server.requests().size());

	TallyAnalytics::startSession("OTHER");
	EXPECT_EQ(first.get(), current().get());
	EXPECT_EQ((std::vector<std::string>{"|startSession has been called already. It should only be called once.|Cancel"}), m_alerts);

	// The version is set only before the start.
	TallyAnalytics::setAppVersion("9.9");
	EXPECT_EQ(std::nullopt, TallyAnalytics::appVersion());
}

TEST_F(TallyAnalyticsTest, ContinueLimitDecidesBetweenResumeAndNewSession)
{
	TallyAnalytics::setSessionReportsOnPauseEnabled(false);
	TallyAnalytics::startSession("KEY");
	TallyAnalytics::logEvent("e");
	TallyAnalytics::logEvent("e");
	EXPECT_EQ(2, lastEventId());

	// No pause recorded yet: elapsed 0, the session goes on.
	lang::Ptr<TallySession> first = current();
	TallyAnalytics::resumeSession();
	EXPECT_EQ(first.get(), current().get());

	EXPECT_TRUE(pauseFor(10000));
	EXPECT_FALSE(pauseFor(10001));
	// The new session's report carried the one before.
	ASSERT_EQ(2u, m_server.requests().size());
	EXPECT_EQ(1u, reportcheck::readReport(m_server.requests()[1].body).sessions.size());
	EXPECT_TRUE(TallySessionFiles::savedSessions().empty());
	TallyAnalytics::logEvent("e");
	EXPECT_EQ(1, lastEventId());

	TallyAnalytics::setSessionContinueSeconds(0);
	EXPECT_TRUE(pauseFor(0));
	EXPECT_FALSE(pauseFor(1));

	// The limit in 64 bits: INT_MAX seconds never wraps into "always new".
	TallyAnalytics::setSessionContinueSeconds(INT_MAX);
	EXPECT_TRUE(pauseFor(2147484LL * 1000));
}

TEST_F(TallyAnalyticsTest, SettingsCarryIntoNewSessionsButLocationDoesNot)
{
	TallyAnalytics::setUserID("user");
	TallyAnalytics::setSessionReportsOnPauseEnabled(false);
	TallyAnalytics::setLatitude(1.5, 2.5, 1, 1); // before the start: dropped
	TallyAnalytics::logEvent("dropped");
	TallyAnalytics::startSession("KEY");
	EXPECT_EQ("user", current()->userID());
	EXPECT_EQ(0.0, current()->read(&TallySessionState::latitude));
	EXPECT_TRUE(current()->read(&TallySessionState::eventLog).empty());
	EXPECT_FALSE(current()->read(&TallySessionState::sessionReportsOnPauseEnabled));

	TallyAnalytics::setLatitude(1.5, 2.5, 1, 1);
	EXPECT_EQ(1.5, current()->read(&TallySessionState::latitude));
	EXPECT_FALSE(pauseFor(20000));
	EXPECT_EQ("user", current()->userID());
	EXPECT_EQ(0.0, current()->read(&TallySessionState::latitude));

	EXPECT_EQ(TallyAnalytics::nonSecureServerURL().substr(0, 7), "http://");
	TallyAnalytics::setSecureTransportEnabled(true);
	EXPECT_EQ(TallyAnalytics::secureServerURL(), TallyAnalytics::serverURL());
	EXPECT_EQ("https://", TallyAnalytics::serverURL().substr(0, 8));
	EXPECT_EQ("/aas.do", TallyAnalytics::serverURL().substr(TallyAnalytics::serverURL().size() - 7));
	TallyAnalytics::setServerURL(m_server.url("/aas.do"));
	EXPECT_EQ(m_server.url("/aas.do"), TallyAnalytics::serverURL());
}

// The application's notifications drive the session; a pause send runs
// when reports on pause are on and leaves the saved sessions alone.
TEST_F(TallyAnalyticsTest, NotificationsPauseResumeAndEnd)
{
	TallyAnalytics::setSessionReportsOnCloseEnabled(false);
	TallyAnalytics::startSession("KEY");
	ASSERT_TRUE(TallyThreads::waitUntilIdle(std::chrono::seconds(30)));
	TallyNotificationCenter& center = TallyNotificationCenter::defaultCenter();
	center.post("UIApplicationWillResignActiveNotification");
	ASSERT_TRUE(TallyThreads::waitUntilIdle(std::chrono::seconds(30)));
	EXPECT_EQ(2u, m_server.requests().size()); // the start's and the pause's
	EXPECT_TRUE(current()->read(&TallySessionState::pauseTime));
	advance(5000000);
	center.post("UIApplicationDidBecomeActiveNotification");
	EXPECT_FALSE(current()->read(&TallySessionState::pauseTime));
	EXPECT_EQ(5000, current()->read(&TallySessionState::totalPauseIntervalMillis));
	center.post("UIApplicationWillTerminateNotification");
	EXPECT_FALSE(current());
	EXPECT_EQ(1u, TallySessionFiles::savedSessions().size());
	EXPECT_EQ(2u, m_server.requests().size());
}

namespace
{

class ThrowingParser : public TallyAdParser
{
public:
	unsigned char const* parseData(unsigned char const*, int) override { throw std::runtime_error("parser failure"); }
};

} // namespace

// Unusable folders, a garbage server and a throwing parser: every operation
// returns and the session keeps counting.
TEST_F(TallyAnalyticsTest, NoExceptionLeavesTheAgent)
{
	TallyPlatform::Values v = values();
	m_folder.write("file", "x");
	v.libraryPath = m_folder / "file/Library";
	v.cachesPath = m_folder / "file/Caches";
	v.userDataPath = m_folder / "file/share";
	TallyPlatform::set(v);
	TallyUtil::setShowErrorInLogEnabled(true);
	ThrowingParser thrower;
	TallySession::setAdSlotAdParser(&thrower);
	TallyAnalytics::setAdSlotEnabled(true);
	m_server.setDefault(LoopbackHttpServer::respond(200, std::string("\x02\x01\x00\x00", 4)));

	TallyAnalytics::startSession("KEY");
	ASSERT_TRUE(current());
	TallyAnalytics::logEvent("a", TallyAnalytics::Parameters(std::map<std::string, std::string>{{"k", "v"}}));
	TallyAnalytics::logEvent("b", true);
	TallyAnalytics::endTimedEvent("b", std::nullopt);
	lang::Exception failure{lang::Format("failure {0}", 1)};
	TallyAnalytics::logError("id", "message", &failure);
	TallyError error{3, "domain", "text", "reason"};
	TallyAnalytics::logError("id", "message", &error);
	TallyAnalytics::logPageView();
	TallyAnalytics::logAllPageViews(nullptr);
	TallyAnalytics::setGender("f");
	TallyAnalytics::setAge(30);
	TallyAnalytics::setLatitude(1, 2, 3, 4);
	EXPECT_FALSE(pauseFor(20000));
	TallyAnalytics::logEvent("c");
	TallyAnalytics::setServerURL(m_server.url("/aas.do"));
	m_server.setDefault(LoopbackHttpServer::raw("junk"));
	EXPECT_FALSE(pauseFor(20000));
	TallyAnalytics::logEvent("d");
	EXPECT_EQ(1, current()->read(&TallySessionState::eventCounts)["d"]);
	TallyAnalytics::endSession();
	EXPECT_TRUE(TallyThreads::waitUntilIdle(std::chrono::seconds(30)));
	EXPECT_GE(m_server.requests().size(), 3u);
	TallySession::setAdSlotAdParser(nullptr);
}
