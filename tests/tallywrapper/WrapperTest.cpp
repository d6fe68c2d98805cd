#include <support/LoopbackHttpServer.h>
#include <tally/TallyFixture.h>
#include <TallyAnalytics.h>
#include <TallyThreads.h>
#include <tally/Tally.h>

namespace
{

class TallyWrapper : public TallyTest
{
protected:
	void SetUp() override
	{
		TallyTest::SetUp();
		TallySession::setCurrentSession(nullptr);
		TallyAnalytics::reset();
	}

	void TearDown() override
	{
		EXPECT_TRUE(TallyThreads::waitUntilIdle(std::chrono::seconds(30)));
		TallyAnalytics::reset();
		TallyTest::TearDown();
	}

	TallyAnalytics::Parameters parametersOf(size_t event) { return current()->read(&TallySessionState::eventLog).at(event)->parameters(); }

	test::LoopbackHttpServer m_server;
};

} // namespace

TEST_F(TallyWrapper, StartsSecureWithoutCloseAndPauseReports)
{
	lang::Ptr<tally::Tally> t(new tally::Tally);
	EXPECT_EQ(TallyAnalytics::secureServerURL(), TallyAnalytics::serverURL());
	TallyAnalytics::setServerURL(m_server.url("/aas.do"));
	t->startSession("KEY");
	ASSERT_TRUE(current());
	EXPECT_FALSE(current()->read(&TallySessionState::sessionReportsOnCloseEnabled));
	EXPECT_FALSE(current()->read(&TallySessionState::sessionReportsOnPauseEnabled));
	ASSERT_TRUE(TallyThreads::waitUntilIdle(std::chrono::seconds(30)));
	EXPECT_EQ(1u, m_server.requests().size());
	t->endSession();
	EXPECT_TRUE(current());
}

TEST_F(TallyWrapper, EventsReachTheAgentWithTheirParameters)
{
	lang::Ptr<tally::Tally> t(new tally::Tally);
	TallyAnalytics::setServerURL(m_server.url("/aas.do"));
	t->logEvent("before the start"); // dropped
	t->startSession("KEY");
	t->logEvent("plain");
	t->logEvent("one", "level", "3");
	t->logEvent("map", std::map<std::string, std::string>{{"a", "1"}, {"b", "2"}});
	ASSERT_EQ(3u, current()->read(&TallySessionState::eventLog).size());
	EXPECT_EQ(TallyAnalytics::Parameters(std::map<std::string, std::string>{}), parametersOf(0));
	EXPECT_EQ(TallyAnalytics::Parameters(std::map<std::string, std::string>{{"level", "3"}}), parametersOf(1));
	EXPECT_EQ(TallyAnalytics::Parameters(std::map<std::string, std::string>{{"a", "1"}, {"b", "2"}}), parametersOf(2));

	// More parameters than the agent takes: the event is not logged, nothing is thrown.
	std::map<std::string, std::string> many;
	for (int i = 0; i < 20; ++i)
		many[std::to_string(i)] = "v";
	t->logEvent("many", many);
	EXPECT_EQ(3u, current()->read(&TallySessionState::eventLog).size());
}
