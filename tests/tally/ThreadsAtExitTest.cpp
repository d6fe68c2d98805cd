// The agent's threads are detached: a send may still run while the process
// ends. What such a thread reads (the file paths and the folders below them,
// the current session, the file cache, the log's sink, the platform values,
// the archive's codec) must outlive the exit handlers. The process that ends
// is this program again, on the disabled test below; its exit is held until
// its reading thread has read again after every static was destroyed, so
// that a read of a destroyed static is certain (AddressSanitizer reports it
// and the child fails).
#include <support/ChildProcess.h>
#include <support/TempFolder.h>
#include <TallyArchiver.h>
#include <TallyFileCache.h>
#include <TallyFilePaths.h>
#include <TallyLog.h>
#include <TallySession.h>
#include <TallyThreads.h>
#include <TallyUtil.h>
#include <io/detail/detail.h>
#include <linux/TallyPlatform.h>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <thread>
#include <sys/wait.h>
#include <gtest/gtest.h>

namespace
{

/** The rounds of reads the child's agent thread has made; an atomic, so never destroyed. */
std::atomic<long> s_rounds{0};

/**
 * At exit, once the reading thread runs: waits until it has read another 200
 * rounds (at most 5 s). Registered before any other static is made, this
 * handler runs after every one of them was destroyed.
 */
void readWhileExiting()
{
	long const started = s_rounds.load();
	if (started == 0)
		return;
	auto const until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
	while (s_rounds.load() < started + 200 && std::chrono::steady_clock::now() < until)
		std::this_thread::yield();
}

/** Before the constructors of every static (their priority is the default, 65535). */
__attribute__((constructor(101))) void holdTheExitForReads()
{
	std::atexit(readWhileExiting);
}

/** One round of what a send reads. */
void readAsASendDoes()
{
	TallyFilePaths::currentSessionFilePath();
	io::detail::cachesPath();
	TallyPlatform::devicePlatform();
	if (lang::Ptr<TallySession> session = TallySession::currentSession())
		session->read(&TallySessionState::apiKey);
	TallyFileCache::instance();
	tallyBase64Encode("round");
	tallyLog("TallyAnalytics: round [%d]", {static_cast<int64_t>(s_rounds.load())});
}

} // namespace

TEST(TallyThreadsAtExit, aThreadReadingTheAgentsStateWhileTheProcessEndsFindsItAlive)
{
	test::TempFolder folder;
	std::string const self = std::filesystem::read_symlink("/proc/self/exe");
	test::ChildProcess child({self, "--gtest_also_run_disabled_tests", "--gtest_filter=TallyThreadsAtExit.DISABLED_*"},
		{"TALLY_TEST_FOLDER=" + folder.path()});
	int const status = child.wait(60);
	EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << child.output();
	EXPECT_NE(std::string::npos, child.output().find("[  PASSED  ] 1 test")) << child.output();
}

TEST(TallyThreadsAtExit, DISABLED_readsUntilTheProcessEnds)
{
	char const* folder = std::getenv("TALLY_TEST_FOLDER");
	ASSERT_TRUE(folder);
	// Texts longer than a string keeps in place: freed when destroyed, so a later read is seen.
	std::string const longer(40, 'x');
	io::detail::setApplicationName("agent-" + longer);
	io::detail::setAppdataPath(std::string(folder) + "/appdata-" + longer);
	TallyPlatform::Values values;
	values.devicePlatform = "board-" + longer;
	TallyPlatform::set(values);
	TallyUtil::setDebugLogEnabled(true);
	auto const lines = std::make_shared<std::atomic<long>>(0);
	setTallyLogSink([lines](std::string const&) { ++*lines; });
	TallySession::createActiveTallySession("KEY-" + longer);
	TallyFileCache::createInstanceWithApiKey("KEY-" + longer, TallyFilePaths::getAgentVersion());
	ASSERT_TRUE(TallyThreads::start([] {
		for (;;)
		{
			readAsASendDoes();
			++s_rounds;
		}
	}));
	auto const until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
	while (s_rounds.load() == 0 && std::chrono::steady_clock::now() < until)
		std::this_thread::yield();
	ASSERT_NE(0, s_rounds.load());
}
