#include <support/LoopbackHttpServer.h>
#include <support/ShellFixture.h>
#include <support/TempFolder.h>
#include <tally/TallyFixture.h>
#include <TallyAnalytics.h>
#include <TallySession.h>
#include <TallyThreads.h>
#include <linux/TallyPlatform.h>
#include <tally/Tally.h>
#include <atomic>

namespace
{

std::atomic<int64_t> s_now{1339761600LL * 1000000};

/** The agent, started through the wrapper, in a shell run without a window. */
class TallyAnalyticsShell : public test::ShellFixture
{
protected:
	void SetUp() override
	{
		TallyPlatform::set(tallyTestValues(m_folder, [] { return s_now.load(); }));
		TallySession::setCurrentSession(nullptr);
		TallyAnalytics::reset();
	}

	void TearDown() override
	{
		EXPECT_TRUE(TallyThreads::waitUntilIdle(std::chrono::seconds(30)));
		TallyAnalytics::reset();
		TallySession::setCurrentSession(nullptr);
		TallyPlatform::set(TallyPlatform::Values());
	}

	test::TempFolder m_folder;
	test::LoopbackHttpServer m_server;
};

} // namespace

TEST_F(TallyAnalyticsShell, LifeCycleStepsPauseResumeAndEndTheSession)
{
	lang::Ptr<tally::Tally> t(new tally::Tally);
	TallyAnalytics::setServerURL(m_server.url("/aas.do"));
	t->startSession("KEY");
	lang::Ptr<TallySession> session = TallySession::currentSession();
	ASSERT_TRUE(session);

	launch();
	EXPECT_EQ(session.get(), TallySession::currentSession().get());
	EXPECT_EQ(std::make_optional(std::make_pair(48.0, 64.0)), TallyPlatform::mainScreenSize());
	EXPECT_EQ(3, TallyPlatform::statusBarOrientation()); // landscape, the first allowed orientation

	send("0 deactivate");
	EXPECT_TRUE(session->read(&TallySessionState::pauseTime));
	s_now += 3000000;
	send("0 activate");
	EXPECT_FALSE(session->read(&TallySessionState::pauseTime));
	EXPECT_EQ(3000, session->read(&TallySessionState::totalPauseIntervalMillis));
	EXPECT_EQ(session.get(), TallySession::currentSession().get());
	EXPECT_TRUE(TallySessionFiles::savedSessions().empty());

	EXPECT_EQ(0, finish());
	EXPECT_FALSE(TallySession::currentSession());
	EXPECT_EQ(1u, TallySessionFiles::savedSessions().size());
}
