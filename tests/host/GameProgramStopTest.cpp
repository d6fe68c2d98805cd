// The game program ended by signals, a closed window or terminal and scripts
// that never return: each run is a child process, and the saves on disk
// afterwards are the ones the run made.
#include <support/ChildProcess.h>
#include <support/DataFiles.h>
#include <support/TempFolder.h>
#include <support/WindowCloser.h>
#include <framework/linux/StopSignals.h>
#include <lua/LuaStop.h>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <regex>
#include <sstream>
#include <thread>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <gtest/gtest.h>

namespace
{

/**
 * The game logic of these runs. STOP_TEST_MODE says where it gets stuck
 * once it has marked the settings and printed "ready <mode>": nowhere
 * (idle), in update, in draw, in a callback (gamePaused, reached by the
 * events file's deactivate), in an error handler (where no hook runs), in
 * one call of the string library (find), or in gamePaused once the run's
 * end began (shutdown). In "torn" every frame sets settings.first, works
 * a few million instructions and sets settings.second; in "cut" every
 * frame sets settings.first, then settings.second, then saves the settings
 * (a checkpoint), and frame 3 gets stuck between the two fields; in "chatty" every
 * frame prints a line, and once the file <STOP_TEST_DIR>/closed exists the
 * next line's print is followed by the file <STOP_TEST_DIR>/printed.
 */
char const* const s_logic = R"(
local os, io, xpcall, string = _G.os, _G.io, _G.xpcall, _G.string
local mode = os.getenv("STOP_TEST_MODE") or "idle"
local dir = os.getenv("STOP_TEST_DIR")
local frames = 0
local function mark()
	settings.stoppedIn = mode
	print("ready " .. mode .. "\n")
	io.stdout:flush()
end
local function stuck()
	if mode == "handler" then
		while true do xpcall(function() while true do end end, function() while true do end end) end
	end
	if mode == "find" then
		string.find(("a"):rep(40), ("a*"):rep(40) .. "b")
	end
	while true do end
end
local function exists(name)
	local f = io.open(dir .. "/" .. name)
	if f then f:close() end
	return f ~= nil
end
function updateValues() settings.launches = (settings.launches or 0) + 1 end
function createStartUpAssets() end
function onLoadLuaFileFail(file) end
function gameResumed() end
function gamePaused()
	if mode == "callback" then mark() stuck() end
	if mode == "shutdown" and frames >= 3 then stuck() end
end
function resolutionChanged() end
function update(dt, rawDt)
	frames = frames + 1
	if frames == 3 and mode ~= "callback" then mark() end
	if mode == "cut" then
		settings.first = frames
		if frames == 3 then stuck() end
		settings.second = frames
		savePersistentLuaFile("settings.lua", "settings")
	end
	if mode == "torn" and frames >= 3 then
		settings.first = frames
		local n = 0
		for i = 1, 1000000 do n = n + i % 7 end
		settings.second = frames
	end
	if mode == "chatty" then
		local closed = exists("closed")
		print("frame " .. frames)
		io.stdout:flush()
		if closed then
			settings.printedAfterClose = true
			io.open(dir .. "/printed", "w"):close()
		end
	end
	if frames >= 3 and (mode == "update" or mode == "handler" or mode == "find") then stuck() end
end
function draw()
	if frames >= 3 and mode == "draw" then stuck() end
end
)";

/** Seconds a run may take to reach a step (the sanitizers make starts slow). */
double const s_patience = 60;

/** The line of a run whose last frame was cut: it writes no save. */
char const* const s_cutLine = "A frame was cut at the end of the run: no save is written now; the saves keep their last whole version";

struct StopCase
{
	char const* mode;
	int signal;
};

std::ostream& operator<<(std::ostream& out, StopCase const& c)
{
	return out << c.mode << " + " << strsignal(c.signal);
}

/** The cases every host ends normally: one signal while idle or while a script is stuck. */
StopCase const s_cases[] = {
	{"idle", SIGINT},
	{"idle", SIGTERM},
	{"idle", SIGHUP},
	{"update", SIGINT},
	{"draw", SIGTERM},
	{"callback", SIGHUP},
};

class GameProgramStop : public ::testing::Test
{
protected:
	test::TempFolder folder;

	GameProgramStop()
	{
		test::writeGameData(folder, ENGINE_BUNDLE_DIR, s_logic);
		folder.write("events", "5 deactivate\n");
	}

	/** The game's command line for mode, headless or in a window. */
	std::vector<std::string> commandLine(std::string const& mode, bool window) const
	{
		std::vector<std::string> argv = {GAME_PROGRAM, "--frames", "100000000", "--data", folder / "data", "--save-dir",
			folder / "saves", "--out", folder / "out"};
		if (mode == "callback")
			argv.insert(argv.end(), {"--events", folder / "events"});
		if (!window)
			argv.push_back("--headless");
		return argv;
	}

	/** The environment the game runs in for mode. */
	std::vector<std::string> environment(std::string const& mode) const
	{
		return {"STOP_TEST_MODE=" + mode, "STOP_TEST_DIR=" + folder.path(), "XDG_DATA_HOME=" + folder / "share",
			"XDG_CACHE_HOME=" + folder / "cache", "ALSOFT_DRIVERS=null"};
	}

	/** Starts the game on the test's logic in mode, headless or in a window. */
	std::unique_ptr<test::ChildProcess> start(std::string const& mode, bool window)
	{
		return std::make_unique<test::ChildProcess>(commandLine(mode, window), environment(mode));
	}

	/** The settings save's text ("" when there is none). */
	std::string settings() const
	{
		if (!std::filesystem::exists(folder / "saves/settings.lua"))
			return "";
		return test::readSaveFile(folder, "saves/settings.lua");
	}

	/** Expects status to be a normal end (status 0). */
	static void expectExitZero(int status, std::string const& output)
	{
		EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status << "\n" << output;
	}

	/** Expects the saves of a run in mode that ended normally after one launch. */
	void expectSaved(std::string const& mode) const
	{
		std::string const saved = settings();
		EXPECT_NE(std::string::npos, saved.find("\"" + mode + "\"")) << saved;
		EXPECT_NE(std::string::npos, saved.find("launches = 1")) << saved;
	}

	/**
	 * Runs the case: the run must end with status 0. An idle run writes its
	 * saves; one whose script was cut writes none (the saves keep their
	 * last whole version: here none, as these runs save only at the end)
	 * and says so.
	 */
	void expectNormalEnd(StopCase const& c, bool window)
	{
		std::unique_ptr<test::ChildProcess> game = start(c.mode, window);
		ASSERT_TRUE(game->waitForOutput(std::string("ready ") + c.mode, s_patience)) << game->output();
		game->signal(c.signal);
		int const status = game->wait(s_patience);
		expectExitZero(status, game->output());
		if (std::string(c.mode) == "idle")
		{
			expectSaved(c.mode);
			return;
		}
		std::string const& out = game->output();
		size_t const stopped = out.find("Stopped the game: ");
		EXPECT_TRUE(stopped != std::string::npos && out.find(lua::LuaStop::MESSAGE, stopped) != std::string::npos) << out;
		EXPECT_NE(std::string::npos, out.find(s_cutLine, stopped == std::string::npos ? 0 : stopped)) << out;
		EXPECT_EQ("", settings());
	}

	/**
	 * A script stuck where the stop cannot reach it ends the process by the
	 * request's signal, with the stuck line and no saves, once the grace
	 * period and the stuck period are over.
	 */
	void expectStuckEnds(std::string const& mode, bool window)
	{
		std::unique_ptr<test::ChildProcess> game = start(mode, window);
		ASSERT_TRUE(game->waitForOutput("ready " + mode, s_patience)) << game->output();
		game->signal(SIGTERM);
		int const status = game->wait(s_patience);
		EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << "status " << status << "\n" << game->output();
		EXPECT_NE(std::string::npos, game->output().find(framework::StopSignals::STUCK_LINE)) << game->output();
		EXPECT_EQ("", settings());
	}

	/**
	 * Stop signals until the grace period is over are one request; after
	 * it, SIGHUP still is, and the first SIGINT ends the process at once.
	 * The script gets stuck once the run's end began (where the run has no
	 * stop left), so only the repeated Ctrl-C ends it.
	 */
	void expectRepeatedCtrlCEnds(bool window)
	{
		std::unique_ptr<test::ChildProcess> game = start("shutdown", window);
		ASSERT_TRUE(game->waitForOutput("ready shutdown", s_patience)) << game->output();
		auto const first = std::chrono::steady_clock::now();
		game->signal(SIGHUP);
		game->signal(SIGINT);
		// The process counts the grace period from its first signal, which
		// came after the test's clock started.
		std::this_thread::sleep_for(std::chrono::seconds(framework::StopSignals::GRACE_SECONDS + 1));
		for (int i = 0; i < 3; ++i)
			game->signal(SIGHUP);
		std::this_thread::sleep_for(std::chrono::milliseconds(500));
		ASSERT_TRUE(game->running()) << game->output();
		while (game->running())
		{
			game->signal(SIGINT);
			std::this_thread::sleep_for(std::chrono::milliseconds(200));
			if (std::chrono::steady_clock::now() - first > std::chrono::duration<double>(s_patience))
				break;
		}
		int const status = game->wait(1);
		EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGINT) << "status " << status << "\n" << game->output();
		EXPECT_EQ(std::string::npos, game->output().find(framework::StopSignals::STUCK_LINE)) << game->output();
	}
};

class GameProgramHeadlessStop : public GameProgramStop, public ::testing::WithParamInterface<StopCase>
{
};

TEST_P(GameProgramHeadlessStop, EndsNormallyAndSaves)
{
	expectNormalEnd(GetParam(), false);
}

INSTANTIATE_TEST_SUITE_P(Cases, GameProgramHeadlessStop, ::testing::ValuesIn(s_cases));

TEST_F(GameProgramStop, HeadlessStuckScriptEndsUnsaved)
{
	expectStuckEnds("handler", false);
}

TEST_F(GameProgramStop, HeadlessRepeatedCtrlCAfterTheGracePeriodEndsAtOnce)
{
	expectRepeatedCtrlCEnds(false);
}

// A stop ends the run between two frames: a frame that writes two fields of
// the save, with work between them, is never cut between the two.
TEST_F(GameProgramStop, StopEndsBetweenFramesNeverInsideOne)
{
	std::unique_ptr<test::ChildProcess> game = start("torn", false);
	ASSERT_TRUE(game->waitForOutput("ready torn", s_patience)) << game->output();
	game->signal(SIGTERM);
	int const status = game->wait(s_patience);
	expectExitZero(status, game->output());
	EXPECT_EQ(std::string::npos, game->output().find("Stopped the game")) << game->output();
	std::string const saved = settings();
	std::smatch first, second;
	ASSERT_TRUE(std::regex_search(saved, first, std::regex("first = (\\d+)"))) << saved;
	ASSERT_TRUE(std::regex_search(saved, second, std::regex("second = (\\d+)"))) << saved;
	EXPECT_EQ(first[1].str(), second[1].str()) << saved;
}

// A frame cut after the grace period leaves its tables half updated (the
// first field of frame 3 set, the second not): the shutdown writes no save,
// the settings on disk are the last whole checkpoint (frame 2), and one
// line says so.
TEST_F(GameProgramStop, ACutFrameIsNotSavedTheLastCheckpointStays)
{
	std::unique_ptr<test::ChildProcess> game = start("cut", false);
	ASSERT_TRUE(game->waitForOutput("ready cut", s_patience)) << game->output();
	game->signal(SIGTERM);
	int const status = game->wait(s_patience);
	expectExitZero(status, game->output());
	std::string const& out = game->output();
	EXPECT_NE(std::string::npos, out.find(lua::LuaStop::MESSAGE)) << out;
	size_t const line = out.find(s_cutLine);
	EXPECT_NE(std::string::npos, line) << out;
	EXPECT_EQ(line, out.rfind(s_cutLine)) << out;
	EXPECT_EQ(std::string::npos, out.find("Failed to save")) << out;
	std::string const saved = settings();
	EXPECT_NE(std::string::npos, saved.find("first = 2")) << saved;
	EXPECT_NE(std::string::npos, saved.find("second = 2")) << saved;
	EXPECT_EQ(std::string::npos, saved.find("stoppedIn")) << saved;
}

// The signals a closed terminal or an impatient user sends in a burst are one
// request: the run ends normally and saves.
TEST_F(GameProgramStop, SignalsTogetherAreOneRequest)
{
	std::unique_ptr<test::ChildProcess> game = start("idle", false);
	ASSERT_TRUE(game->waitForOutput("ready idle", s_patience)) << game->output();
	for (int signal : {SIGHUP, SIGHUP, SIGTERM, SIGINT, SIGINT})
		game->signal(signal);
	int const status = game->wait(s_patience);
	expectExitZero(status, game->output());
	expectSaved("idle");
}

// A script stuck inside one call of the string library, where no hook runs:
// the process still ends, and the saves keep what the last run wrote.
TEST_F(GameProgramStop, StuckInsideALibraryCallEndsAndKeepsTheLastSaves)
{
	std::unique_ptr<test::ChildProcess> before = start("idle", false);
	ASSERT_TRUE(before->waitForOutput("ready idle", s_patience)) << before->output();
	before->signal(SIGTERM);
	expectExitZero(before->wait(s_patience), before->output());
	std::string const saved = settings();
	ASSERT_NE(std::string::npos, saved.find("\"idle\"")) << saved;

	std::unique_ptr<test::ChildProcess> game = start("find", false);
	ASSERT_TRUE(game->waitForOutput("ready find", s_patience)) << game->output();
	game->signal(SIGTERM);
	int const status = game->wait(s_patience);
	EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << "status " << status << "\n" << game->output();
	EXPECT_NE(std::string::npos, game->output().find(framework::StopSignals::STUCK_LINE)) << game->output();
	EXPECT_EQ(saved, settings());
}

// Output that nobody reads any more (a closed pipe: EPIPE and SIGPIPE) does
// not end the run; the stop that follows ends it normally.
TEST_F(GameProgramStop, WritingToAClosedPipeGoesOn)
{
	std::unique_ptr<test::ChildProcess> game = start("chatty", false);
	ASSERT_TRUE(game->waitForOutput("frame 3", s_patience)) << game->output();
	game->closeOutput();
	folder.write("closed", "");
	for (int i = 0; i < s_patience * 10 && game->running() && !std::filesystem::exists(folder / "printed"); ++i)
		std::this_thread::sleep_for(std::chrono::milliseconds(100));
	ASSERT_TRUE(std::filesystem::exists(folder / "printed"));
	game->signal(SIGTERM);
	int const status = game->wait(s_patience);
	expectExitZero(status, game->output());
	EXPECT_NE(std::string::npos, settings().find("printedAfterClose = true")) << settings();
}

/** The processes whose parent is pid. */
std::vector<pid_t> childrenOf(pid_t pid)
{
	std::vector<pid_t> children;
	for (auto const& entry : std::filesystem::directory_iterator("/proc"))
	{
		std::string const name = entry.path().filename().string();
		if (name.find_first_not_of("0123456789") != std::string::npos)
			continue;
		std::ifstream stat(entry.path() / "stat");
		std::string line;
		std::getline(stat, line);
		// pid (comm) state ppid ...: the name may hold spaces and parentheses.
		size_t const close = line.rfind(')');
		if (close == std::string::npos)
			continue;
		std::istringstream rest(line.substr(close + 1));
		char state = 0;
		pid_t parent = 0;
		if (rest >> state >> parent && parent == pid)
			children.push_back(static_cast<pid_t>(std::stol(name)));
	}
	return children;
}

// The game in the foreground of an interactive shell on a terminal, the
// terminal closed: the kernel's SIGHUP and the shell's arrive together, and
// the run ends normally with its saves.
TEST_F(GameProgramStop, ClosedTerminalEndsNormallyAndSaves)
{
	if (access("/bin/bash", X_OK) != 0)
		GTEST_SKIP() << "no /bin/bash";
	// The game outlives the shell: it becomes this process's child to be waited for.
	ASSERT_EQ(0, prctl(PR_SET_CHILD_SUBREAPER, 1));
	struct Unreap
	{
		~Unreap() { prctl(PR_SET_CHILD_SUBREAPER, 0); }
	} unreap;
	std::vector<std::string> env = environment("chatty");
	env.push_back("PS1=$ ");
	test::ChildProcess shell({"/bin/bash", "--norc", "--noprofile", "-i"}, env, test::ChildProcess::Streams::Terminal);
	std::string line;
	for (std::string const& a : commandLine("chatty", false))
		line += "'" + a + "' ";
	shell.type(line + "\n");
	ASSERT_TRUE(shell.waitForOutput("frame 3", s_patience)) << shell.output();
	std::vector<pid_t> const games = childrenOf(shell.pid());
	ASSERT_EQ(1u, games.size()) << shell.output();
	pid_t const game = games[0];

	shell.closeOutput();
	shell.wait(s_patience);
	int status = -1;
	pid_t done = 0;
	for (int i = 0; i < s_patience * 100 && done == 0; ++i)
	{
		done = waitpid(game, &status, WNOHANG);
		if (done == 0)
			std::this_thread::sleep_for(std::chrono::milliseconds(10));
	}
	if (done == 0)
	{
		kill(game, SIGKILL);
		waitpid(game, nullptr, 0);
	}
	ASSERT_EQ(game, done) << "the game did not end";
	expectExitZero(status, shell.output());
	expectSaved("chatty");
}

/** The window cases need an X display (ctest runs them under xvfb-run). */
class GameProgramWindowStop : public GameProgramStop, public ::testing::WithParamInterface<StopCase>
{
protected:
	void SetUp() override
	{
		if (!std::getenv("DISPLAY"))
			GTEST_SKIP() << "no X display";
	}
};

TEST_P(GameProgramWindowStop, EndsNormallyAndSaves)
{
	expectNormalEnd(GetParam(), true);
}

INSTANTIATE_TEST_SUITE_P(Cases, GameProgramWindowStop, ::testing::ValuesIn(s_cases));

TEST_F(GameProgramStop, WindowDestroyedFromOutsideEndsNormallyAndSaves)
{
	if (!std::getenv("DISPLAY"))
		GTEST_SKIP() << "no X display";
	std::unique_ptr<test::ChildProcess> game = start("idle", true);
	ASSERT_TRUE(game->waitForOutput("ready idle", s_patience)) << game->output();
	ASSERT_EQ(1, test::destroyWindowsOf(game->pid()));
	int const status = game->wait(s_patience);
	expectExitZero(status, game->output());
	EXPECT_NE(std::string::npos, settings().find("\"idle\"")) << settings();
}

TEST_F(GameProgramStop, WindowStuckScriptEndsUnsaved)
{
	if (!std::getenv("DISPLAY"))
		GTEST_SKIP() << "no X display";
	expectStuckEnds("handler", true);
}

TEST_F(GameProgramStop, WindowRepeatedCtrlCAfterTheGracePeriodEndsAtOnce)
{
	if (!std::getenv("DISPLAY"))
		GTEST_SKIP() << "no X display";
	expectRepeatedCtrlCEnds(true);
}

} // namespace
