#include "ReportDecoder.h"
#include "TallyFixture.h"
#include <lang/Exception.h>

namespace
{

using TallyReportTest = TallyTest;

std::map<std::string, std::string> parameters(int n)
{
	std::map<std::string, std::string> out;
	for (int i = 0; i < n; ++i)
		out["p" + std::to_string(i)] = "v" + std::to_string(i);
	return out;
}

std::vector<std::pair<std::string, std::string>> pairs(std::map<std::string, std::string> const& map)
{
	return {map.begin(), map.end()};
}

} // namespace

TEST_F(TallyReportTest, scriptedSessionReadsBackFieldByField)
{
	lang::Ptr<TallySession> s = current();
	ASSERT_TRUE(s);
	int64_t const start = TEST_EPOCH / 1000;
	std::string const emoji = "\xF0\x9F\x98\x80";
	std::string const longName(300, 'L');
	std::string twoByte;
	for (int i = 0; i < 100; ++i)
		twoByte += "\xC3\xA9";
	std::string const emojiName = std::string(254, 'a') + emoji;

	// Events: the log keeps each with its offset from the start.
	advance(100000);
	s->recordEvent("zero", std::nullopt);
	s->recordEvent("one", parameters(1));
	s->recordEvent("ten", parameters(10));
	EXPECT_TRUE(s->read(&TallySessionState::eventLogComplete));
	s->recordEvent("eleven", parameters(11));
	EXPECT_FALSE(s->read(&TallySessionState::eventLogComplete));
	advance(900000); // 1.0 s
	s->recordEvent("timedEnded", parameters(2), true);
	s->recordEvent("timedOpen", std::nullopt, true);
	advance(2000900); // 3.0009 s
	s->endTimedEvent("timedEnded", std::map<std::string, std::string>{{"r", "x"}});
	s->recordEvent(longName, std::nullopt);
	s->recordEvent(twoByte, std::nullopt);
	s->recordEvent(emojiName, std::nullopt);
	// 9 names so far with "many" below; 91 more make 100, the 101st is not counted.
	for (int i = 0; i < 91; ++i)
		s->recordEvent("d" + std::to_string(100 + i), std::nullopt);
	s->recordEvent("many", std::nullopt);
	s->recordEvent("overflow", std::nullopt);
	for (int i = 1; i < 1001; ++i)
		s->recordEvent("many", std::nullopt);

	// 11 errors: 10 kept, 11 counted.
	lang::Exception failure(lang::Format("broken {0}", "pipe"));
	TallyError error{5, "net", "Offline", "No route"};
	s->recordError("e1", "with exception", &failure);
	s->recordError("e2", "with error", &error);
	for (int i = 3; i <= 11; ++i)
		s->recordError("e" + std::to_string(i), "m", std::optional<std::string>());

	s->setGender("f");
	s->setAge(30);
	s->setAge(0);
	s->setAge(151);
	s->setLatitude(52.52345, -13.40567, 10.0f, -20.0f);
	s->setUserID(std::string("user-7"));

	// Page views 0.2 s apart count once, 0.4 s apart twice (far from other tests' times).
	advance(40LL * 24 * 3600 * 1000000);
	s->maybeIncrementPageView();
	advance(200000);
	s->maybeIncrementPageView();
	advance(200000);
	s->maybeIncrementPageView();
	EXPECT_EQ(2, s->pageViewCount());

	s->pauseSession();
	advance(5000000);
	s->resumeSession();
	advance(1000000);
	int64_t const end = s_now;
	s->endSessionAndSend(false, false);

	// A stored block and a session never ended.
	lang::Ptr<TallySession> stored(new TallySession("KEY", "0.9"));
	stored->endSessionAndSend(false, false);
	std::string const storedBlock = stored->data();
	lang::Ptr<TallySession> open(new TallySession("KEY", "0.8"));
	TallySession::setCurrentSession(s);

	std::string body = TallySession::dataForSessions({s, storedBlock, open, lang::Ptr<TallySession>()});
	reportcheck::Report r = reportcheck::readReport(body);

	EXPECT_EQ(22, r.version);
	EXPECT_EQ((std::vector<uint16_t>{3, 5, 1}), r.adRequest);
	EXPECT_EQ(0, r.imageCacheTime);
	EXPECT_EQ(0, r.imageIds);
	EXPECT_EQ(8, r.deviceKind);
	EXPECT_EQ(89, r.agentVersion);
	EXPECT_EQ(end / 1000, r.time);
	EXPECT_EQ("KEY", r.apiKey);
	EXPECT_EQ("1.2", r.appVersion);
	// Identifiers: two digests and the generated one, made now (nothing stored yet).
	ASSERT_EQ(3u, r.identifiers.size());
	EXPECT_EQ(TallyDeviceIds::getMACBasedUID(), r.identifiers[0]);
	EXPECT_EQ(TallyDeviceIds::getMACUID(), r.identifiers[1]);
	EXPECT_EQ(20u, r.identifiers[0].size());
	EXPECT_EQ(20u, r.identifiers[1].size());
	EXPECT_EQ(38u, r.identifiers[2].size());
	EXPECT_EQ(1, r.generatedStatus);
	EXPECT_EQ(start, r.initialTimestamp);
	EXPECT_EQ(start, r.sessionStart);
	EXPECT_EQ((std::map<std::string, std::string>{
				  {"device.model.1", "TestBoard"}, {"device.os.version", "6.1.0-18-amd64"}, {"scr.height", "0"}, {"scr.width", "0"}}),
	          r.properties);
	ASSERT_EQ(3u, r.sessions.size());

	reportcheck::SessionBlock const& b = r.sessions[0];
	EXPECT_EQ(1, b.version);
	EXPECT_EQ("1.2", b.appVersion);
	EXPECT_EQ(start, b.start);
	EXPECT_EQ((end - TEST_EPOCH) / 1000, b.length);
	EXPECT_EQ(5000, b.pauses);
	EXPECT_EQ("de_DE", b.locale);
	EXPECT_EQ("Europe/Berlin", b.timeZone);
	EXPECT_TRUE(b.internet);
	EXPECT_EQ("user-7", b.userID);
	EXPECT_TRUE(b.hasLocation);
	EXPECT_EQ(52.523, b.latitude);
	EXPECT_EQ(-13.405, b.longitude);
	EXPECT_EQ(15.0f, b.accuracy);
	EXPECT_EQ(2, b.pageViews);
	EXPECT_EQ(0, b.gender);
	EXPECT_TRUE(b.hasAge);
	EXPECT_EQ(378691200000LL, b.age); // 1 January 1982

	// Counts in name order: 100 names, "many" 1001 times, "eleven" and "overflow" missing.
	std::map<std::string, int32_t> counts(b.eventCounts.begin(), b.eventCounts.end());
	EXPECT_EQ(100u, b.eventCounts.size());
	EXPECT_EQ(100u, counts.size());
	EXPECT_EQ(1001, counts["many"]);
	EXPECT_EQ(1, counts[std::string(255, 'L')]);
	EXPECT_EQ(1, counts[twoByte]);
	EXPECT_EQ(1, counts[std::string(254, 'a')]);
	EXPECT_EQ(0u, counts.count("eleven") + counts.count("overflow"));
	EXPECT_TRUE(std::is_sorted(b.eventCounts.begin(), b.eventCounts.end()));

	// The log: 1000 events; 8 named ones, 91 distinct, then "many".
	ASSERT_EQ(1000u, b.events.size());
	EXPECT_EQ("zero", b.events[0].name);
	EXPECT_EQ(100, b.events[0].startOffset);
	EXPECT_TRUE(b.events[0].parameters.empty());
	EXPECT_EQ(pairs(parameters(1)), b.events[1].parameters);
	EXPECT_EQ(pairs(parameters(10)), b.events[2].parameters);
	EXPECT_EQ("timedEnded", b.events[3].name);
	EXPECT_EQ(1000, b.events[3].startOffset);
	EXPECT_EQ(2000, b.events[3].duration);
	EXPECT_EQ((std::vector<std::pair<std::string, std::string>>{{"r", "x"}}), b.events[3].parameters);
	EXPECT_EQ("timedOpen", b.events[4].name);
	EXPECT_EQ((end - TEST_EPOCH) / 1000 - 1000, b.events[4].duration);
	EXPECT_EQ(std::string(255, 'L'), b.events[5].name);
	EXPECT_EQ(twoByte, b.events[6].name);
	EXPECT_EQ(200u, b.events[6].name.size());
	EXPECT_EQ(std::string(254, 'a'), b.events[7].name);
	EXPECT_EQ("d100", b.events[8].name);
	EXPECT_EQ("many", b.events[99].name);
	EXPECT_EQ("many", b.events[999].name);
	for (size_t i = 0; i < b.events.size(); ++i)
		EXPECT_EQ(i + 1, b.events[i].id) << i;
	EXPECT_FALSE(b.logComplete);

	EXPECT_EQ(11, b.totalErrors);
	ASSERT_EQ(10u, b.errors.size());
	EXPECT_EQ(1, b.errors[0].number);
	EXPECT_EQ("e1", b.errors[0].errorId);
	EXPECT_EQ("with exception", b.errors[0].message);
	EXPECT_EQ("Throwable: broken pipe", b.errors[0].exceptionText);
	EXPECT_EQ("Offline: No route", b.errors[1].exceptionText);
	EXPECT_EQ("", b.errors[2].exceptionText);
	EXPECT_EQ(10, b.errors[9].number);
	EXPECT_EQ("e10", b.errors[9].errorId);
	EXPECT_EQ(0, b.adRecords);
	EXPECT_EQ(0, b.adSlotRecords);

	EXPECT_EQ("0.9", r.sessions[1].appVersion);
	EXPECT_EQ(storedBlock, stored->data());
	EXPECT_EQ(0, r.sessions[1].length);
	EXPECT_EQ(0xFF, r.sessions[1].gender);
	EXPECT_FALSE(r.sessions[1].hasAge);
	EXPECT_TRUE(r.sessions[1].logComplete);
	EXPECT_EQ("0.8", r.sessions[2].appVersion);
	EXPECT_EQ(-1, r.sessions[2].length);

	// Any changed byte before the checksum changes it.
	for (size_t at : {size_t(0), body.size() / 2, body.size() - 5})
	{
		std::string flipped = body;
		flipped[at] = static_cast<char>(flipped[at] ^ 0x10);
		EXPECT_NE(reportcheck::crc32(body.substr(0, body.size() - 4)), reportcheck::crc32(flipped.substr(0, body.size() - 4)));
	}
}

TEST_F(TallyReportTest, emptyBodiesAndRequestFlags)
{
	TallySession::setCurrentSession(nullptr);
	reportcheck::Report none = reportcheck::readReport(TallySession::dataForSessions({}, false, false, false, false));
	EXPECT_EQ(std::vector<uint16_t>{0}, none.adRequest);
	EXPECT_TRUE(none.sessions.empty());
	// Without a current session: key and version empty, start 0.
	EXPECT_EQ("", none.apiKey);
	EXPECT_EQ("", none.appVersion);
	EXPECT_EQ(0, none.sessionStart);
	EXPECT_EQ(TEST_EPOCH / 1000, none.initialTimestamp);

	reportcheck::Report slot = reportcheck::readReport(TallySession::dataForSessions({}, false, false, true, false));
	EXPECT_EQ((std::vector<uint16_t>{3, 0, 1}), slot.adRequest);
	reportcheck::Report video = reportcheck::readReport(TallySession::dataForSessions({}, true, true, false, false));
	EXPECT_EQ((std::vector<uint16_t>{3, 3, 0}), video.adRequest);
	reportcheck::Report grid = reportcheck::readReport(TallySession::dataForSessions({}, true, false, false, false));
	EXPECT_EQ((std::vector<uint16_t>{3, 1, 0}), grid.adRequest);

	// The shell's screen and orientation reach the properties.
	TallyPlatform::setMainScreenSize(std::make_pair(1024.9, 768.0));
	reportcheck::Report screen = reportcheck::readReport(TallySession::dataForSessions({}));
	TallyPlatform::setMainScreenSize(std::nullopt);
	EXPECT_EQ("1024", screen.properties["scr.width"]);
	EXPECT_EQ("768", screen.properties["scr.height"]);
}
