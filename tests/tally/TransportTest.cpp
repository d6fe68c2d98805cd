#include "ReportDecoder.h"
#include "TallyFixture.h"
#include <support/DamagedCopies.h>
#include <support/LoopbackHttpServer.h>
#include <Networking/TallyHTTPResponse.h>
#include <TallyAnalytics.h>
#include <TallyThreads.h>

using test::LoopbackHttpServer;

namespace
{

class TallyTransportTest : public TallyTest
{
protected:
	void SetUp() override
	{
		TallyTest::SetUp();
		TallyAnalytics::setServerURL(m_server.url("/aas.do"));
		TallyAnalytics::setSavedResponseURL(std::nullopt);
		TallyAdStateCallbacks::forgetSavedAdStateCallbacks();
	}

	void TearDown() override
	{
		m_server.release();
		EXPECT_TRUE(TallyThreads::waitUntilIdle(std::chrono::seconds(30)));
		TallyTest::TearDown();
	}

	/** Saves a session that logged one event named name. */
	static void saveSession(std::string const& name)
	{
		lang::Ptr<TallySession> s(new TallySession("KEY", "1.0"));
		s->recordEvent(name, std::nullopt);
		TallySession::addToSavedSessions(*s);
	}

	/** The first event name of each session block of a report. */
	static std::vector<std::string> eventNames(std::string const& body)
	{
		std::vector<std::string> names;
		for (reportcheck::SessionBlock const& b : reportcheck::readReport(body).sessions)
			names.push_back(b.events.empty() ? "" : b.events[0].name);
		return names;
	}

	LoopbackHttpServer m_server;
};

} // namespace

TEST_F(TallyTransportTest, SessionStartPostsReportAndRemovesWhatItSent)
{
	saveSession("a");
	saveSession("b");
	TallySession::sendSessionsToServerForAdGrid();

	ASSERT_EQ(1u, m_server.requests().size());
	LoopbackHttpServer::Request request = m_server.requests()[0];
	EXPECT_EQ("POST", request.method);
	EXPECT_EQ("/aas.do", request.path);
	EXPECT_EQ("application/octet-stream", request.headers["content-type"]);
	reportcheck::Report report = reportcheck::readReport(request.body);
	ASSERT_EQ(3u, report.identifiers.size());
	EXPECT_EQ(20u, report.identifiers[0].size());
	EXPECT_EQ(20u, report.identifiers[1].size());
	EXPECT_EQ(38u, report.identifiers[2].size());
	EXPECT_EQ(1, report.generatedStatus);
	EXPECT_EQ((std::vector<std::string>{"a", "b"}), eventNames(request.body));

	EXPECT_TRUE(TallySessionFiles::savedSessions().empty());
	EXPECT_TRUE(TallySessionFiles::sentSession());
	EXPECT_TRUE(current()->internetAvailable());
	EXPECT_TRUE(logged("TallyAnalytics: Sent 2 session(s)."));

	// The stored identifier is read back the next time.
	TallySession::sendSessionsToServerForAdGrid();
	ASSERT_EQ(2u, m_server.requests().size());
	reportcheck::Report second = reportcheck::readReport(m_server.requests()[1].body);
	EXPECT_EQ(2, second.generatedStatus);
	EXPECT_EQ(report.identifiers, second.identifiers);
}

// Failures keep every saved session: error statuses, garbage, no answer.
TEST_F(TallyTransportTest, FailedSessionStartKeepsSavedSessions)
{
	saveSession("a");
	for (LoopbackHttpServer::Answer answer :
	     {LoopbackHttpServer::respond(500), LoopbackHttpServer::respond(404), LoopbackHttpServer::raw("nonsense\r\n\r\n"), LoopbackHttpServer::close(),
	      LoopbackHttpServer::respond(300), LoopbackHttpServer::respond(302)})
	{
		m_server.enqueue(answer);
		TallySession::sendSessionsToServerForAdGrid();
		EXPECT_EQ(1u, TallySessionFiles::savedSessions().size());
		EXPECT_FALSE(TallySessionFiles::sentSession());
		EXPECT_FALSE(current()->internetAvailable());
	}
	EXPECT_TRUE(logged("TallyAnalytics: Could not connect to server."));
	EXPECT_EQ(6u, m_server.requests().size());
}

// Every redirect status sends the report again as a POST with its body, and
// only the answer to that POST decides; an http address that moved to
// another (https, say) so loses nothing.
TEST_F(TallyTransportTest, RedirectedReportIsPostedAgainWithItsBody)
{
	for (int status : {301, 302, 303, 307, 308})
	{
		SCOPED_TRACE(status);
		size_t const before = m_server.requests().size();
		for (char const* name : {"a", "b", "c"})
			saveSession(name);
		m_server.setResponder([status](LoopbackHttpServer::Request const& request) {
			if (request.path == "/aas.do")
				return LoopbackHttpServer::respond(status, "", {{"Location", "/moved"}});
			// The target takes only the report itself.
			return LoopbackHttpServer::respond(request.method == "POST" && !request.body.empty() ? 200 : 405);
		});
		TallySession::sendSessionsToServerForAdGrid();
		std::vector<LoopbackHttpServer::Request> const requests = m_server.requests();
		ASSERT_EQ(before + 2, requests.size());
		EXPECT_EQ("/moved", requests[before + 1].path);
		EXPECT_EQ("POST", requests[before + 1].method);
		EXPECT_EQ(requests[before].body, requests[before + 1].body);
		EXPECT_EQ((std::vector<std::string>{"a", "b", "c"}), eventNames(requests[before + 1].body));
		EXPECT_TRUE(TallySessionFiles::savedSessions().empty());
	}

	// A target that does not take the POST: nothing was delivered, nothing goes.
	saveSession("kept");
	m_server.setResponder([](LoopbackHttpServer::Request const& request) {
		if (request.path == "/aas.do")
			return LoopbackHttpServer::respond(302, "", {{"Location", "/moved"}});
		return LoopbackHttpServer::respond(405);
	});
	TallySession::sendSessionsToServerForAdGrid();
	EXPECT_EQ(1u, TallySessionFiles::savedSessions().size());
}

TEST_F(TallyTransportTest, SessionSavedDuringTheRequestSurvives)
{
	saveSession("sent");
	m_server.enqueue(LoopbackHttpServer::held(LoopbackHttpServer::respond(200)));
	ASSERT_TRUE(TallyThreads::start([] { TallySession::sendSessionsToServerForAdGrid(); }));
	ASSERT_TRUE(m_server.waitForRequests(1));
	saveSession("later");

	// A second send while the first holds the network lock is dropped.
	TallySession::sendSessionsToServerForAdGrid();
	EXPECT_TRUE(logged("Could not acquire network lock. Skipping"));

	m_server.release();
	ASSERT_TRUE(TallyThreads::waitUntilIdle(std::chrono::seconds(30)));
	EXPECT_EQ(1u, m_server.requests().size());
	std::vector<std::string> saved = TallySessionFiles::savedSessions();
	ASSERT_EQ(1u, saved.size());
	EXPECT_EQ((std::vector<std::string>{"later"}), eventNames(TallySession::dataForSessions({saved[0]})));
}

TEST_F(TallyTransportTest, PauseSendCarriesCurrentSessionAndLeavesSavedOnes)
{
	saveSession("saved");
	current()->recordEvent("now", std::nullopt);
	TallySession::sendSessionsToServerForSessionPause();
	ASSERT_EQ(1u, m_server.requests().size());
	EXPECT_EQ((std::vector<std::string>{"saved", "now"}), eventNames(m_server.requests()[0].body));
	EXPECT_EQ(1u, TallySessionFiles::savedSessions().size());
	EXPECT_FALSE(TallySessionFiles::sentSession());

	// The saved answer address replaces sending.
	TallyHTTPResponse(std::string(), 200, std::nullopt, std::nullopt).saveToDisk();
	TallyAnalytics::setSavedResponseURL("file://" + TallyHTTPResponse::filePath(TEST_EPOCH / 1000000));
	TallySession::sendSessionsToServerForAdGrid();
	EXPECT_EQ(1u, m_server.requests().size());
	EXPECT_TRUE(TallySessionFiles::savedSessions().empty());
}

TEST_F(TallyTransportTest, AdStateCallbacksRetriedFiveTimesAtMost)
{
	m_server.setResponder([](LoopbackHttpServer::Request const& r) {
		return LoopbackHttpServer::respond(r.path.rfind("/ok", 0) == 0 ? 200 : 500);
	});
	std::vector<TallyAdStateCallback> list = {
		{m_server.url("/fail3"), 3}, {m_server.url("/fail4"), 4}, {m_server.url("/ok"), 2},
		{m_server.url("/fail0"), 0}, {m_server.url("/fail0"), 0}, {m_server.url("/waiting"), 1},
	};
	TallyAdStateCallbacks::setSavedAdStateCallbacks(list);
	TallyAdStateCallbacks::forgetSavedAdStateCallbacks();
	TallyAdStateCallbacks::sendSavedAdStateCallbacks();
	EXPECT_EQ(5u, m_server.requests().size());
	// The sixth waits; failures come back at the end with one more attempt;
	// the one at its fifth failure and the sent one are gone.
	std::vector<TallyAdStateCallback> expected = {
		{m_server.url("/waiting"), 1}, {m_server.url("/fail3"), 4}, {m_server.url("/fail0"), 1}, {m_server.url("/fail0"), 1}};
	EXPECT_EQ(expected, TallyAdStateCallbacks::savedAdStateCallbacks());
	TallyAdStateCallbacks::forgetSavedAdStateCallbacks();
	EXPECT_EQ(expected, TallyAdStateCallbacks::savedAdStateCallbacks());
	EXPECT_TRUE(logged("Exceeded number of attempts for callback[" + m_server.url("/fail4") + "]"));

	// A notice that fails is saved with one attempt.
	TallyAdStateCallbacks::setSavedAdStateCallbacks({});
	TallyAdStateCallbacks::asyncNotifyAdStateCompleted(m_server.url("/fail"));
	ASSERT_TRUE(TallyThreads::waitUntilIdle(std::chrono::seconds(30)));
	EXPECT_EQ((std::vector<TallyAdStateCallback>{{m_server.url("/fail"), 1}}), TallyAdStateCallbacks::savedAdStateCallbacks());

	// At most 100 are kept, the newest.
	for (int i = 0; i < 120; ++i)
		TallyAdStateCallbacks::addToSavedAdStateCallbacks({"u" + std::to_string(i), 0});
	std::vector<TallyAdStateCallback> kept = TallyAdStateCallbacks::savedAdStateCallbacks();
	ASSERT_EQ(100u, kept.size());
	EXPECT_EQ("u20", kept.front().url);
}

TEST_F(TallyTransportTest, DamagedCallbackFileReadsAsUsableEntriesOrNone)
{
	m_folder.write("callbacks", R"([{"url":"a","attempts":1},{"url":2,"attempts":1},{"attempts":1},{"url":"b"},{"url":"c","attempts":"x"},7,{"url":"d","attempts":2}])");
	std::string path = TallyFilePaths::adStateCallbacksFilePath();
	std::string text = m_folder.read("callbacks");
	m_folder.write(path.substr(m_folder.path().size() + 1), text);
	EXPECT_EQ((std::vector<TallyAdStateCallback>{{"a", 1}, {"d", 2}}), TallyAdStateCallbacks::savedAdStateCallbacks());

	forEachDamagedCopy(std::vector<unsigned char>(text.begin(), text.end()), 200, 7, [&](std::vector<unsigned char> const& copy) {
		m_folder.write(path.substr(m_folder.path().size() + 1), std::string(copy.begin(), copy.end()));
		TallyAdStateCallbacks::forgetSavedAdStateCallbacks();
		for (TallyAdStateCallback const& c : TallyAdStateCallbacks::savedAdStateCallbacks())
			EXPECT_LE(c.url.size(), copy.size());
	});
}

namespace
{

/** Reads blocks of [tag u16][length u16][bytes]; answers the position after, even past the end. */
class FakeParser : public TallyAdParser
{
public:
	unsigned char const* parseData(unsigned char const* position, int length) override
	{
		++calls;
		if (length < 4)
			return position + length + 1;
		return position + 4 + ((position[2] << 8) | position[3]);
	}
	int calls = 0;
};

class ThrowingParser : public TallyAdParser
{
public:
	unsigned char const* parseData(unsigned char const*, int) override { throw std::runtime_error("parser failure"); }
};

} // namespace

TEST_F(TallyTransportTest, AnswerBlocksGoToEnabledParsersWithinTheBody)
{
	FakeParser slot, grid;
	TallySession::setAdSlotAdParser(&slot);
	TallySession::setAdGridAdParser(&grid);
	TallyAnalytics::setAdSlotEnabled(true);
	TallyAnalytics::setAdGridEnabled(true);
	std::string body = std::string("\x02\x01\x00\x02xy", 6) + std::string("\x01\x02\x00\x00", 4) + "\x05";
	TallyTransport::parseResponseBlocks(body);
	EXPECT_EQ(1, slot.calls);
	EXPECT_EQ(1, grid.calls); // it reads from the start again: no advance, the parse stops

	// Damaged answers: the parse always ends without reading past the body.
	std::string blocks = std::string("\x02\x01\x00\x03" "abc" "\x02\x01\x00\x01" "z" "\x01\x02\x00\x02" "xy", 18);
	forEachDamagedCopy(std::vector<unsigned char>(blocks.begin(), blocks.end()), 400, 11, [&](std::vector<unsigned char> const& copy) {
		TallyTransport::parseResponseBlocks(std::string(copy.begin(), copy.end()));
	});

	// With a switch off the block is not consumed and the parse ends.
	slot.calls = 0;
	TallyAnalytics::setAdSlotEnabled(false);
	TallyTransport::parseResponseBlocks(body);
	EXPECT_EQ(0, slot.calls);

	// A throwing parser inside a send ends that send only.
	ThrowingParser thrower;
	TallySession::setAdSlotAdParser(&thrower);
	TallyAnalytics::setAdSlotEnabled(true);
	m_server.enqueue(LoopbackHttpServer::respond(200, body));
	saveSession("x");
	TallySession::sendSessionsToServerForAdGrid();
	EXPECT_TRUE(TallySessionFiles::savedSessions().empty());
	TallySession::sendSessionsToServerForAdGrid();
	EXPECT_EQ(2u, m_server.requests().size());
	TallySession::setAdSlotAdParser(nullptr);
	TallySession::setAdGridAdParser(nullptr);
	TallyAnalytics::setAdSlotEnabled(false);
	TallyAnalytics::setAdGridEnabled(false);
}
