// The bytes the agent keeps and sends, against copies checked in under
// tests/tally/data: a fixed session's archive, the saved-sessions list it
// goes into and a report holding it. A change of any byte of these is a
// change of the stored or sent format.

#include "ReportDecoder.h"
#include "TallyFixture.h"
#include <lang/Exception.h>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace
{

std::string const GOLDEN_IDENTIFIER = "ID6F1A2B3C-4D5E-4F60-8172-93A4B5C6D7E8";

std::string goldenPath(std::string const& name)
{
	return std::string(TALLY_TEST_DATA) + "/" + name;
}

std::string readGolden(std::string const& name)
{
	std::ifstream in(goldenPath(name), std::ios::binary);
	std::ostringstream bytes;
	bytes << in.rdbuf();
	return bytes.str();
}

/**
 * Compares actual with the checked-in file name. With TALLY_WRITE_GOLDEN set
 * in the environment the file is written instead (only on a tree whose
 * format is known to be right).
 */
void expectGolden(std::string const& name, std::string const& actual)
{
	if (std::getenv("TALLY_WRITE_GOLDEN"))
	{
		std::ofstream(goldenPath(name), std::ios::binary) << actual;
		return;
	}
	std::string const expected = readGolden(name);
	ASSERT_FALSE(expected.empty()) << goldenPath(name) << " is missing";
	EXPECT_EQ(expected.size(), actual.size()) << name;
	size_t at = 0;
	while (at < expected.size() && at < actual.size() && expected[at] == actual[at])
		++at;
	EXPECT_EQ(expected.size(), at) << name << " differs from byte " << at;
}

/** Zeroes the first occurrence of what in bytes (the identifiers taken from this machine's hardware address). */
void zeroOut(std::string& bytes, std::string const& what)
{
	size_t const at = bytes.find(what);
	ASSERT_NE(std::string::npos, at);
	bytes.replace(at, what.size(), std::string(what.size(), '\0'));
}

class TallyStoredBytes : public TallyTest
{
protected:
	void SetUp() override
	{
		TallyTest::SetUp();
		// The generated identifier is stored already, so the report holds a known one.
		std::string const stored = TallyDeviceIds::getCFUUIDBasedUIDWithChecksum(GOLDEN_IDENTIFIER);
		m_folder.write(TallyDeviceIds::sharedIdentifierFilePath().substr(m_folder.path().size() + 1), stored);
	}

	/** A session with something in every field, ended but still current. */
	lang::Ptr<TallySession> fixedSession()
	{
		lang::Ptr<TallySession> s = current();
		advance(250000);
		s->recordEvent("start", std::nullopt);
		s->recordEvent("level", std::map<std::string, std::string>{{"id", "3"}, {"mode", "hard"}});
		s->recordEvent("video", std::map<std::string, std::string>{{"clip", "intro"}}, true);
		s->recordEvent("menu", std::nullopt, true);
		advance(1500000);
		s->endTimedEvent("video", std::map<std::string, std::string>{{"watched", "all"}});
		s->recordEvent("level", std::map<std::string, std::string>{{"id", "4"}});
		s->recordEvent("", std::nullopt);
		lang::Exception failure(lang::Format("broken {0}", "pipe"));
		TallyError error{5, "net", "Offline", "No route"};
		s->recordError("e1", "with exception", &failure);
		s->recordError("e2", "with error", &error);
		s->recordError("e3", "plain", std::optional<std::string>("text \xC3\xA9"));
		s->recordAdImpression(std::string("\x00\x01\x02\xFF", 4));
		s->recordAdSlotAdImpression("slot");
		s->setLatitude(52.52345, -13.40567, 10.0f, -20.0f);
		s->setUserID(std::string("user-7"));
		s->setGender("m");
		s->setAge(30);
		// The time of the last page view is the process's: the count is set, not counted.
		s->setPageViewCount(2);
		advance(400000);
		s->pauseSession();
		advance(3000000);
		s->resumeSession();
		advance(1000000);
		s->endSessionAndSend(false, false);
		s->setCrashed(true);
		s->saveToDisk();
		return s;
	}
};

} // namespace

TEST_F(TallyStoredBytes, archivedSessionSavedListAndReportKeepTheirBytes)
{
	lang::Ptr<TallySession> s = fixedSession();
	expectGolden("session.archive", m_folder.read(TallyFilePaths::currentSessionFilePath().substr(m_folder.path().size() + 1)));
	expectGolden("session.block", s->data());

	// A second, empty session goes into the saved list with the first.
	lang::Ptr<TallySession> other(new TallySession("KEY", "0.9"));
	ASSERT_TRUE(TallySession::addToSavedSessions(*other));
	ASSERT_TRUE(TallySession::addToSavedSessions(*s));
	expectGolden("saved-sessions.archive", m_folder.read(TallyFilePaths::sessionsFilePath().substr(m_folder.path().size() + 1)));

	// The report with both, once from the saved blocks and once from the session itself.
	std::vector<std::string> saved = TallySessionFiles::savedSessions();
	ASSERT_EQ(2u, saved.size());
	std::string body = TallySession::dataForSessions({saved[0], s});
	// The checksum covers this machine's hardware identifiers: checked here, then set aside.
	uint32_t const crc = reportcheck::crc32(body.substr(0, body.size() - 4));
	std::string const tail = body.substr(body.size() - 4);
	EXPECT_EQ(crc, (uint32_t(uint8_t(tail[0])) << 24) | (uint32_t(uint8_t(tail[1])) << 16) | (uint32_t(uint8_t(tail[2])) << 8) | uint8_t(tail[3]));
	body.resize(body.size() - 4);
	zeroOut(body, TallyDeviceIds::getMACBasedUID());
	zeroOut(body, TallyDeviceIds::getMACUID());
	expectGolden("report.bin", body);
	EXPECT_NE(std::string::npos, body.find(GOLDEN_IDENTIFIER));
}
