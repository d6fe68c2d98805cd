#include "ReportDecoder.h"
#include "TallyFixture.h"
#include <cmath>
#include <filesystem>
#include <limits>
#include <thread>

namespace
{

using TallySessionTest = TallyTest;

} // namespace

TEST_F(TallySessionTest, eventRefusalsAndSwitches)
{
	lang::Ptr<TallySession> s = current();
	s->recordEvent("", std::nullopt);
	EXPECT_TRUE(s->read(&TallySessionState::eventCounts).empty());
	EXPECT_FALSE(s->read(&TallySessionState::eventLogComplete));
	EXPECT_TRUE(logged("Event eventName[] with parameters[(null)] not recorded"));

	lang::Ptr<TallySession> t(new TallySession("KEY", "1"));
	t->setEventLoggingEnabled(false);
	t->recordEvent("counted", std::nullopt);
	EXPECT_EQ(1, t->read(&TallySessionState::eventCounts)["counted"]);
	EXPECT_TRUE(t->read(&TallySessionState::eventLog).empty());
	EXPECT_FALSE(t->read(&TallySessionState::eventLogComplete));
	EXPECT_TRUE(logged("Event logging enabled[0]"));

	// Timed events: every open one of the name ends; automatically ended ones follow each later end.
	lang::Ptr<TallySession> u(new TallySession("KEY", "1"));
	u->recordEvent("t", std::nullopt, true);
	u->recordEvent("t", std::nullopt, true);
	u->recordEvent("other", std::nullopt, true);
	advance(1000000);
	u->endTimedEvent("t", std::nullopt);
	std::vector<lang::Ptr<TallyEvent>> log = u->read(&TallySessionState::eventLog);
	EXPECT_EQ(1000, log[0]->duration());
	EXPECT_EQ(1000, log[1]->duration());
	EXPECT_TRUE(log[2]->isUnterminated());
	u->endSessionAndSend(false, false);
	EXPECT_TRUE(log[2]->automaticallyEnded());
	advance(2000000);
	u->endSessionAndSend(false, false);
	EXPECT_EQ(3000, log[2]->duration());
	EXPECT_EQ(1000, log[0]->duration());
}

TEST_F(TallySessionTest, pauseResumeAndLength)
{
	lang::Ptr<TallySession> s = current();
	EXPECT_EQ(-1, s->sessionLength());
	s->resumeSession();
	EXPECT_EQ(0, s->read(&TallySessionState::totalPauseIntervalMillis));
	s->pauseSession();
	advance(2500000);
	s->resumeSession();
	EXPECT_EQ(2500, s->read(&TallySessionState::totalPauseIntervalMillis));
	EXPECT_FALSE(s->read(&TallySessionState::pauseTime));
	s->endSessionAndSend(false, false);
	EXPECT_EQ(2500, s->sessionLength());
	s->pauseSession();
	advance(1000000);
	s->resumeSession();
	EXPECT_EQ(2500, s->sessionLength()); // resuming leaves the end
	EXPECT_EQ(3500, s->read(&TallySessionState::totalPauseIntervalMillis));
	EXPECT_EQ(s, current());
	EXPECT_EQ("89", TallySession::getAgentVersion());
	EXPECT_TRUE(TallySession::iTunesMetadataPlist().empty());
}

TEST_F(TallySessionTest, locationUserAndCounters)
{
	double const nan = std::numeric_limits<double>::quiet_NaN();
	struct Case
	{
		double in;
		double out;
	} cases[] = {{1.23456, 1.234}, {-1.23456, -1.234}, {nan, 0.0}, {1e300, 2147483.647}, {-1e300, -2147483.648}, {0.0009, 0.0}};
	for (Case const& c : cases)
		EXPECT_EQ(c.out, TallySession::reduceLocationPrecision(c.in)) << c.in;

	lang::Ptr<TallySession> s = current();
	s->setLatitude(nan, 1e300, std::numeric_limits<float>::infinity(), 1.0f);
	reportcheck::SessionBlock b = reportcheck::readSessionBlock(s->data());
	EXPECT_EQ(0.0, b.latitude);
	EXPECT_EQ(2147483.647, b.longitude);
	EXPECT_EQ(2147483.647f, b.accuracy);

	EXPECT_EQ("", s->userID());
	s->setUserID(std::string("u"));
	EXPECT_EQ("u", s->userID());
	for (auto [text, value] : {std::pair{"m", 1}, std::pair{"f", 0}, std::pair{"M", -1}, std::pair{"", -1}})
	{
		s->setGender(text);
		EXPECT_EQ(value, s->read(&TallySessionState::gender)) << text;
	}

	s->setPageViewCount(2147483647);
	advance(400LL * 24 * 3600 * 1000000);
	s->maybeIncrementPageView();
	EXPECT_EQ(2147483647, s->pageViewCount());
}

TEST_F(TallySessionTest, reportThreadsReadWhileTheSessionChanges)
{
	std::atomic<bool> done(false);
	std::thread reader([&] {
		while (!done)
		{
			lang::Ptr<TallySession> s = TallySession::currentSession();
			if (s)
				reportcheck::readSessionBlock(s->data());
			reportcheck::readReport(TallySession::dataForSessions({s}, false, false, false, false));
		}
	});
	for (int i = 0; i < 40; ++i)
	{
		lang::Ptr<TallySession> s = current();
		for (int k = 0; k < 10; ++k)
			s->recordEvent("e" + std::to_string(k), std::map<std::string, std::string>{{"k", "v"}}, true);
		s->endTimedEvents();
		s->recordError("id", "m", std::optional<std::string>("x"));
		if (i % 4 == 3)
			s->endSession();
		if (!current())
			TallySession::createActiveTallySession("KEY");
	}
	done = true;
	reader.join();
	EXPECT_FALSE(TallySessionFiles::savedSessions().empty());
}

TEST_F(TallySessionTest, noExceptionLeavesTheAgentWithUnusableFolders)
{
	// A file where the folders go.
	TallyPlatform::Values v = values();
	m_folder.write("LibraryFile", "file");
	v.libraryPath = m_folder / "LibraryFile";
	v.cachesPath = m_folder / "LibraryFile";
	TallyPlatform::set(v);
	lang::Ptr<TallySession> s = TallySession::createActiveTallySession("KEY");
	ASSERT_TRUE(s);
	s->recordEvent("e", std::nullopt);
	s->recordError("id", "m", std::optional<std::string>("x"));
	s->pauseSession();
	s->resumeSession();
	s->setLatitude(1, 2, 3, 4);
	s->recordEvent("e", std::nullopt);
	EXPECT_EQ(2, s->read(&TallySessionState::eventCounts)["e"]);
	EXPECT_EQ(1, s->read(&TallySessionState::totalErrorCount));
	EXPECT_FALSE(s->saveToDisk());
	EXPECT_NO_THROW(reportcheck::readReport(TallySession::dataForSessions({s}, false, false, false, false)));
	s->endSession();
	EXPECT_FALSE(current());
	EXPECT_TRUE(TallySessionFiles::savedSessions().empty());
	EXPECT_FALSE(TallySessionFiles::sentSession());
	TallySessionFiles::setSentSession();
}

TEST_F(TallySessionTest, sentMarkerAndParsers)
{
	EXPECT_FALSE(TallySessionFiles::sentSession());
	TallySessionFiles::setSentSession();
	EXPECT_TRUE(TallySessionFiles::sentSession());
	EXPECT_TRUE(std::filesystem::is_empty(TallyFilePaths::sessionSentFilePath()));
	EXPECT_TRUE(logged("application sent session[1]"));
	struct Skip : TallyAdParser
	{
		unsigned char const* parseData(unsigned char const* position, int length) override { return position + length; }
	} parser;
	TallySession::setAdSlotAdParser(&parser);
	EXPECT_EQ(&parser, TallyAdParsers::adSlotAdParser());
	EXPECT_FALSE(TallyAdParsers::videoAdParser());
	TallySession::setAdSlotAdParser(nullptr);
	EXPECT_FALSE(TallyAdParsers::adSlotAdParser());
	EXPECT_TRUE(logged("TallyAnalytics: AdSlotAdParser set"));
}

TEST_F(TallySessionTest, adImpressionsAppendOrReplace)
{
	lang::Ptr<TallySession> s = current();
	s->recordAdImpression("AB");
	s->recordAdImpression("AB");
	s->recordAdImpression("CD");
	s->recordAdSlotAdImpression("E");
	std::string block = s->data();
	EXPECT_EQ(std::string("\x00\x02" "ABCD" "\x00\x01" "E", 9), block.substr(block.size() - 9));
	EXPECT_TRUE(logged("Replacing ad impression"));
	// They survive the current-session file.
	lang::Ptr<TallySession> back = TallySession::readCurrentSessionFile();
	ASSERT_TRUE(back);
	EXPECT_EQ(block, back->data());
}
