#include "ReportDecoder.h"
#include "TallyFixture.h"
#include <TallyArchiver.h>
#include <TallyStorage.h>
#include <TallyUnarchiver.h>
#include <support/ChildProcess.h>
#include <support/FileSizeLimit.h>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <set>
#include <sys/wait.h>
#include <thread>

namespace
{

using TallyStoredSessionsTest = TallyTest;

std::string readFile(std::string const& path)
{
	std::ifstream in(path, std::ios::binary);
	return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeFile(std::string const& path, std::string const& bytes)
{
	std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

} // namespace

TEST_F(TallyStoredSessionsTest, olderNamesWinAndTheFolderFollowsTheSystemVersion)
{
	std::string folder = m_folder / "Library/TallyFiles";
	EXPECT_EQ(folder, TallyFilePaths::filePathDirectory());
	// CRC-32 of "KEY" as a signed decimal.
	uint32_t crc = reportcheck::crc32("KEY");
	std::string hash = std::to_string(static_cast<int32_t>(crc));
	EXPECT_EQ(folder + "/.tallyStored" + hash + "_89.archive", TallyFilePaths::sessionsFilePath());
	EXPECT_EQ(folder + "/.initialTimestamp" + hash + ".archive", TallyFilePaths::initialTimestampFilePath());
	EXPECT_EQ(folder + "/.tallyAdStateCallbacks" + hash + "_89.archive", TallyFilePaths::adStateCallbacksFilePath());

	writeFile(TallyFilePaths::oldSessionsFilePath(), "[]");
	EXPECT_EQ(folder + "/tallyStored" + hash + "_89.archive", TallyFilePaths::sessionsFilePath());
	ASSERT_TRUE(TallySession::addToSavedSessions(*current()));
	EXPECT_EQ(1u, TallySessionFiles::savedSessions().size());
	EXPECT_FALSE(std::filesystem::exists(folder + "/.tallyStored" + hash + "_89.archive"));

	// On 5.0 the files lie in Caches itself.
	TallyPlatform::Values v = values();
	v.systemVersion = "5.0";
	TallyPlatform::set(v);
	EXPECT_EQ(m_folder / "Caches", TallyFilePaths::filePathDirectory());
}

TEST_F(TallyStoredSessionsTest, theOldestGoBeyondTheLimit)
{
	std::vector<std::string> blocks;
	for (int i = 0; i < 50; ++i)
		blocks.push_back("block" + std::to_string(i));
	ASSERT_TRUE(TallySessionFiles::setSavedSessions(blocks));
	ASSERT_TRUE(TallySession::addToSavedSessions(*current()));
	std::vector<std::string> saved = TallySessionFiles::savedSessions();
	ASSERT_EQ(50u, saved.size());
	EXPECT_EQ("block1", saved.front());
	EXPECT_EQ(current()->data(), saved.back());
	EXPECT_TRUE(logged("Removing [1] sessions from saved sessions"));

	TallySession::setMaxSessions(-5);
	EXPECT_EQ(0, TallySessionFiles::maxSessions());
	EXPECT_TRUE(TallySessionFiles::removeOldSessionsIfNecessary(saved).empty());
	TallySession::setMaxSessions(70000);
	EXPECT_EQ(65534, TallySessionFiles::maxSessions());
}

// Past the byte budget the oldest go; the newest stays even alone past it.
TEST_F(TallyStoredSessionsTest, theOldestGoBeyondTheByteBudget)
{
	size_t const mib = size_t(1) << 20;
	std::vector<std::string> blocks;
	for (char c = 'a'; c < 'k'; ++c)
		blocks.push_back(std::string(mib, c));
	TallySessionFiles::removeOldSessionsIfNecessary(blocks);
	ASSERT_EQ(TallySessionFiles::MAX_SAVED_SESSION_BYTES / mib, blocks.size());
	EXPECT_EQ('c', blocks.front()[0]);
	EXPECT_EQ('j', blocks.back()[0]);
	EXPECT_TRUE(logged("removing the [2] oldest"));

	std::vector<std::string> huge = {std::string(9 * mib, 'x')};
	EXPECT_EQ(1u, TallySessionFiles::removeOldSessionsIfNecessary(huge).size());
}

// A saved list that cannot be read is set aside, not replaced by the next
// session saved: damaged text, a string the parser would cut at a broken
// escape, and a file past the size read back.
TEST_F(TallyStoredSessionsTest, anUnreadableListIsSetAsideNotReplaced)
{
	std::string const path = TallyFilePaths::sessionsFilePath();
	std::pair<char const*, std::uintmax_t> const cases[] = {
		{"[\"QUJD\", ", 0},
		{"[\"QUJD\\u00zzRUZH\"]", 0},
		{"[\"QUJD\", ", std::uintmax_t(TallyStorage::MAX_FILE_SIZE) + 1},
	};
	for (auto const& [text, size] : cases)
	{
		SCOPED_TRACE(text);
		writeFile(path, text);
		if (size)
			std::filesystem::resize_file(path, size);
		std::uintmax_t const before = std::filesystem::file_size(path);
		ASSERT_TRUE(TallySession::addToSavedSessions(*current()));
		EXPECT_EQ(before, std::filesystem::file_size(path + ".bad"));
		EXPECT_EQ(std::vector<std::string>{current()->data()}, TallySessionFiles::savedSessions());
		std::filesystem::remove(path + ".bad");
	}
	EXPECT_TRUE(logged("to [" + path + ".bad]"));

	// A missing list is no damage.
	std::filesystem::remove(path);
	ASSERT_TRUE(TallySession::addToSavedSessions(*current()));
	EXPECT_FALSE(std::filesystem::exists(path + ".bad"));
}

TEST_F(TallyStoredSessionsTest, aLeftOverSessionIsSavedAsCrashedAtStart)
{
	current()->recordEvent("before", std::nullopt);
	current()->recordError("id", "m", std::optional<std::string>("x")); // writes the file
	std::string leftOver = current()->data();
	lang::Ptr<TallySession> fresh = TallySession::createActiveTallySession("KEY");
	ASSERT_TRUE(fresh);
	EXPECT_TRUE(logged("Add crashed former session"));
	std::vector<std::string> saved = TallySessionFiles::savedSessions();
	ASSERT_EQ(1u, saved.size());
	EXPECT_EQ(leftOver, saved[0]);
	EXPECT_EQ("before", reportcheck::readSessionBlock(saved[0]).events.at(0).name);
	EXPECT_TRUE(fresh->read(&TallySessionState::eventLog).empty());
	EXPECT_EQ(0, fresh->read(&TallySessionState::totalErrorCount));
	// The crashed mark travels with the archive.
	lang::Ptr<TallySession> back = TallySession::readCurrentSessionFile();
	ASSERT_TRUE(back);
	EXPECT_FALSE(back->crashed());
}

TEST_F(TallyStoredSessionsTest, endingSavesTheSessionAndRemovesItsFile)
{
	std::string currentFile = TallyFilePaths::currentSessionFilePath();
	EXPECT_TRUE(std::filesystem::exists(currentFile));
	lang::Ptr<TallySession> s = current();
	s->endSession();
	EXPECT_FALSE(current());
	EXPECT_FALSE(std::filesystem::exists(currentFile));
	ASSERT_EQ(1u, TallySessionFiles::savedSessions().size());
	EXPECT_EQ(s->sessionLength(), 0);
}

TEST_F(TallyStoredSessionsTest, anUnwritableListKeepsTheCurrentSessionFile)
{
	current()->recordEvent("kept", std::nullopt);
	current()->pauseSession();
	{
		// No file can grow: the list is not written.
		test::FileSizeLimit full(0);
		current()->endSession();
	}
	EXPECT_FALSE(current());
	EXPECT_TRUE(std::filesystem::exists(TallyFilePaths::currentSessionFilePath()));
	EXPECT_TRUE(TallySessionFiles::savedSessions().empty());

	// The next start recovers it.
	TallySession::createActiveTallySession("KEY");
	std::vector<std::string> saved = TallySessionFiles::savedSessions();
	ASSERT_EQ(1u, saved.size());
	EXPECT_EQ("kept", reportcheck::readSessionBlock(saved[0]).events.at(0).name);
}

TEST_F(TallyStoredSessionsTest, theInitialTimestampIsMadeOnceAndRemadeWhenDeleted)
{
	EXPECT_EQ(TEST_EPOCH, TallySession::initialTimestamp());
	advance(60000000);
	TallySession::createActiveTallySession("KEY");
	EXPECT_EQ(TEST_EPOCH, TallySession::initialTimestamp());
	EXPECT_TRUE(logged("from saved source"));
	std::filesystem::remove(TallyFilePaths::initialTimestampFilePath());
	EXPECT_EQ(TEST_EPOCH + 60000000, TallySession::initialTimestamp());
	// Damage reads as absent.
	for (char const* text : {"", "1.5", "[1]", "9007199254740994", "12 x"})
	{
		writeFile(TallyFilePaths::initialTimestampFilePath(), text);
		EXPECT_EQ(TEST_EPOCH + 60000000, TallySession::initialTimestamp()) << text;
	}
}

TEST_F(TallyStoredSessionsTest, threadsAddingAtOnceLoseNone)
{
	TallySession::setMaxSessions(1000);
	lang::Ptr<TallySession> s = current();
	std::vector<std::thread> threads;
	for (int t = 0; t < 6; ++t)
		threads.emplace_back([&] {
			for (int i = 0; i < 10; ++i)
				TallySession::addToSavedSessions(*s);
		});
	// Meanwhile the session changes and the current one is replaced.
	for (int i = 0; i < 50; ++i)
	{
		s->recordEvent("e", std::nullopt);
		s->pauseSession();
		TallySession::setCurrentSession(i % 2 ? s : lang::Ptr<TallySession>());
	}
	for (std::thread& t : threads)
		t.join();
	std::vector<std::string> saved = TallySessionFiles::savedSessions();
	EXPECT_EQ(60u, saved.size());
	for (std::string const& block : saved)
		EXPECT_NO_THROW(reportcheck::readSessionBlock(block));
}

TEST_F(TallyStoredSessionsTest, archivesReadByHand)
{
	current()->recordEvent("e", std::map<std::string, std::string>{{"k", "v"}});
	current()->pauseSession();
	std::string path = TallyFilePaths::currentSessionFilePath();
	std::string good = readFile(path);
	ASSERT_TRUE(TallySession::readCurrentSessionFile());

	auto readsWith = [&](std::string const& key, std::string const& value) {
		// The archive with one key's value replaced (or added at the end).
		std::string text = good;
		std::string field = "\"" + key + "\":";
		size_t at = text.find(field);
		if (at == std::string::npos)
			text.insert(text.size() - 1, "," + field + value);
		else
		{
			size_t from = at + field.size();
			size_t depth = 0, to = from;
			for (; to < text.size(); ++to)
			{
				char c = text[to];
				if (c == '[' || c == '{')
					++depth;
				else if (c == ']' || c == '}')
				{
					if (depth == 0)
						break;
					--depth;
				}
				else if (c == ',' && depth == 0)
					break;
			}
			text.replace(from, to - from, value);
		}
		writeFile(path, text);
		return TallySession::readCurrentSessionFile();
	};
	EXPECT_FALSE(readsWith("serializationVersion", "2"));
	EXPECT_TRUE(readsWith("serializationVersion", "0"));
	EXPECT_FALSE(readsWith("startTime", "\"yesterday\""));
	EXPECT_FALSE(readsWith("startTime", "1e300"));
	EXPECT_FALSE(readsWith("startTime", "9007199254740994"));
	EXPECT_FALSE(readsWith("startTime", "1.5"));
	EXPECT_FALSE(readsWith("pageViewCount", "4294967296"));
	EXPECT_FALSE(readsWith("pageViewCount", "2.5"));
	EXPECT_FALSE(readsWith("crashed", "1"));
	EXPECT_FALSE(readsWith("eventLog", "{}"));
	EXPECT_FALSE(readsWith("eventLog", "[1]"));
	EXPECT_FALSE(readsWith("eventCounts", "{\"e\":-1}"));
	EXPECT_FALSE(readsWith("errors", "[[1,2,\"a\"]]"));
	EXPECT_FALSE(readsWith("adLog", "[\"not base64!\"]"));
	EXPECT_FALSE(readsWith("apiKey", "7"));
	lang::Ptr<TallySession> nulls = readsWith("latitude", "null");
	ASSERT_TRUE(nulls);
	EXPECT_EQ(0.0, reportcheck::readSessionBlock(nulls->data()).latitude);
	// A repeated key: the first counts.
	writeFile(path, good.substr(0, good.size() - 1) + ",\"gender\":1,\"gender\":0}");
	lang::Ptr<TallySession> twice = TallySession::readCurrentSessionFile();
	ASSERT_TRUE(twice);
	EXPECT_EQ(-1, twice->read(&TallySessionState::gender));
	// Missing keys read as none, 0 and false.
	writeFile(path, "{}");
	lang::Ptr<TallySession> empty = TallySession::readCurrentSessionFile();
	ASSERT_TRUE(empty);
	EXPECT_EQ(0, empty->read(&TallySessionState::gender));
	EXPECT_NO_THROW(reportcheck::readSessionBlock(empty->data()));

	for (std::string const& text : {std::string("[]"), std::string(""), std::string("{} x"), std::string("{\"a\":1")})
	{
		writeFile(path, text);
		EXPECT_FALSE(TallySession::readCurrentSessionFile()) << text;
	}
	std::filesystem::remove(path);
	std::filesystem::create_directory(path);
	EXPECT_FALSE(TallySession::readCurrentSessionFile());
	EXPECT_TRUE(logged("is not a file"));
	std::filesystem::remove(path);

	// The saved list: damage gives an empty list, a bad entry is dropped.
	std::string list = TallyFilePaths::sessionsFilePath();
	for (char const* text : {"", "{}", "[1,", "[\"QUJD\"] x"})
	{
		writeFile(list, text);
		EXPECT_TRUE(TallySessionFiles::savedSessions().empty()) << text;
	}
	writeFile(list, "[\"QUJD\", 7, \"*\", \"REVG\"]");
	EXPECT_EQ((std::vector<std::string>{"ABC", "DEF"}), TallySessionFiles::savedSessions());
}

TEST_F(TallyStoredSessionsTest, damagedFilesNeverCrashTheReaders)
{
	lang::Ptr<TallySession> s = current();
	s->recordEvent("n\xC3\xA9", std::map<std::string, std::string>{{"key", "value"}, {"x", "y"}});
	s->recordEvent("timed", std::nullopt, true);
	s->recordError("id", "message", std::optional<std::string>("text"));
	s->setAge(20);
	s->setGender("m");
	s->setLatitude(1.5, 2.5, 3, 4);
	std::string path = TallyFilePaths::currentSessionFilePath();
	std::string archive = readFile(path);

	std::vector<std::string> blocks = {s->data(), s->data() + "", std::string(40, '\x01')};
	ASSERT_TRUE(TallySessionFiles::setSavedSessions(blocks));
	std::string listPath = TallyFilePaths::sessionsFilePath();
	std::string list = readFile(listPath);

	auto checkSession = [&](std::string const& bytes) {
		writeFile(path, bytes);
		lang::Ptr<TallySession> back = TallySession::readCurrentSessionFile();
		if (back)
		{
			EXPECT_NO_THROW(reportcheck::readSessionBlock(back->data()));
		}
	};
	auto checkList = [&](std::string const& bytes) {
		writeFile(listPath, bytes);
		EXPECT_LE(TallySessionFiles::savedSessions().size(), 3u);
	};
	TallyUtil::setDebugLogEnabled(false);
	for (size_t n = 0; n < archive.size(); ++n)
		checkSession(archive.substr(0, n));
	for (size_t n = 0; n < list.size(); ++n)
		checkList(list.substr(0, n));
	std::mt19937 random(29);
	for (int i = 0; i < 300; ++i)
	{
		std::string a = archive;
		a[random() % a.size()] ^= static_cast<char>(1 + random() % 255);
		checkSession(a);
		std::string l = list;
		l[random() % l.size()] ^= static_cast<char>(1 + random() % 255);
		checkList(l);
	}
}

// Two agents, each its own process, adding sessions to one store at the same
// time: every read-add-write is one step under the store's file lock, so
// none is lost and the list is never torn. The writers are this program run
// again on the test below, which does nothing in an ordinary run.
TEST_F(TallyStoredSessionsTest, twoProcessesAddingSessionsKeepThemAll)
{
	TallySession::setMaxSessions(1000);
	int const perWriter = 100;
	std::string const self = std::filesystem::read_symlink("/proc/self/exe");
	std::vector<std::unique_ptr<test::ChildProcess>> writers;
	for (char const* tag : {"a", "b"})
		writers.push_back(std::make_unique<test::ChildProcess>(
			std::vector<std::string>{self, "--gtest_also_run_disabled_tests", "--gtest_filter=*DISABLED_addsSessionsForAnotherTest"},
			std::vector<std::string>{"TALLY_TEST_STORE=" + m_folder.path(), "TALLY_TEST_TAG=" + std::string(tag),
				"TALLY_TEST_COUNT=" + std::to_string(perWriter)}));
	for (auto& writer : writers)
	{
		int const status = writer->wait(300);
		ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << writer->output();
	}
	std::vector<std::string> const saved = TallySessionFiles::savedSessions();
	std::set<std::string> names;
	for (std::string const& block : saved)
		names.insert(reportcheck::readSessionBlock(block).events.at(0).name);
	EXPECT_EQ(2u * perWriter, saved.size());
	EXPECT_EQ(2u * perWriter, names.size());
	EXPECT_TRUE(names.count("a0") && names.count("b" + std::to_string(perWriter - 1)));
	for (auto const& entry : std::filesystem::directory_iterator(TallyFilePaths::filePathDirectory()))
		EXPECT_EQ(std::string::npos, entry.path().filename().string().find(".tmp")) << entry.path();
}

TEST_F(TallyStoredSessionsTest, DISABLED_addsSessionsForAnotherTest)
{
	char const* store = std::getenv("TALLY_TEST_STORE");
	ASSERT_TRUE(store);
	TallyPlatform::Values v = values();
	v.libraryPath = std::string(store) + "/Library";
	v.cachesPath = std::string(store) + "/Caches";
	v.userDataPath = std::string(store) + "/share";
	TallyPlatform::set(v);
	TallySession::setMaxSessions(1000);
	std::string const tag = std::getenv("TALLY_TEST_TAG");
	int const count = std::atoi(std::getenv("TALLY_TEST_COUNT"));
	for (int i = 0; i < count; ++i)
	{
		lang::Ptr<TallySession> s(new TallySession("KEY", "1.0"));
		s->recordEvent(tag + std::to_string(i), std::nullopt);
		ASSERT_TRUE(TallySession::addToSavedSessions(*s));
	}
}
