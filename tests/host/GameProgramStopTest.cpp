// The game program ended by signals, a closed window and a script that never
// returns: each run is a child process, and the saves on disk afterwards
// are the ones the run made.
#include <support/ChildProcess.h>
#include <support/DataFiles.h>
#include <support/TempFolder.h>
#include <support/WindowCloser.h>
#include <lua/LuaStop.h>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <sys/wait.h>
#include <gtest/gtest.h>

namespace
{

/**
 * The game logic of these runs. STOP_TEST_MODE says where it gets stuck
 * once it has marked the settings and printed "ready <mode>": nowhere
 * (idle), in update, in draw, in a callback (gamePaused, reached by the
 * events file's deactivate), or in an error handler (where no hook runs).
 */
char const* const s_logic = R"(
local os, io, xpcall = _G.os, _G.io, _G.xpcall
local mode = os.getenv("STOP_TEST_MODE") or "idle"
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
	while true do end
end
function updateValues() settings.launches = (settings.launches or 0) + 1 end
function createStartUpAssets() end
function onLoadLuaFileFail(file) end
function gameResumed() end
function gamePaused() if mode == "callback" then mark() stuck() end end
function resolutionChanged() end
function update(dt, rawDt)
	frames = frames + 1
	if frames == 3 and mode ~= "callback" then mark() end
	if frames >= 3 and (mode == "update" or mode == "handler") then stuck() end
end
function draw()
	if frames >= 3 and mode == "draw" then stuck() end
end
)";

/** Seconds a run may take to reach a step (the sanitizers make starts slow). */
double const s_patience = 60;

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
		std::filesystem::create_directories(folder / "data/data_ipad");
		std::filesystem::create_directory_symlink(std::string(ENGINE_BUNDLE_DIR) + "/data_ipad/shaders",
			folder / "data/data_ipad/shaders");
		test::writeShippedFile(folder, "data/data_ipad/scripts_common/gamelogic.lua", s_logic);
		folder.write("events", "5 deactivate\n");
	}

	/** Starts the game on the test's logic in mode, headless or in a window. */
	std::unique_ptr<test::ChildProcess> start(std::string const& mode, bool window)
	{
		std::vector<std::string> argv = {GAME_PROGRAM, "--frames", "100000000", "--data", folder / "data", "--save-dir",
			folder / "saves", "--out", folder / "out"};
		if (mode == "callback")
			argv.insert(argv.end(), {"--events", folder / "events"});
		if (!window)
			argv.push_back("--headless");
		std::vector<std::string> env = {"STOP_TEST_MODE=" + mode, "XDG_DATA_HOME=" + folder / "share",
			"XDG_CACHE_HOME=" + folder / "cache", "ALSOFT_DRIVERS=null"};
		return std::make_unique<test::ChildProcess>(argv, env);
	}

	/** The settings save's text ("" when there is none). */
	std::string settings() const
	{
		if (!std::filesystem::exists(folder / "saves/settings.lua"))
			return "";
		return test::readSaveFile(folder, "saves/settings.lua");
	}

	/** Runs the case: the run must end with status 0 and its saves written. */
	void expectNormalEnd(StopCase const& c, bool window)
	{
		std::unique_ptr<test::ChildProcess> game = start(c.mode, window);
		ASSERT_TRUE(game->waitForOutput(std::string("ready ") + c.mode, s_patience)) << game->output();
		game->signal(c.signal);
		int const status = game->wait(s_patience);
		EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status << "\n" << game->output();
		if (std::string(c.mode) != "idle")
		{
			std::string const& out = game->output();
			size_t const stopped = out.find("Stopped the game: ");
			EXPECT_TRUE(stopped != std::string::npos && out.find(lua::LuaStop::MESSAGE, stopped) != std::string::npos) << out;
		}
		std::string const saved = settings();
		EXPECT_NE(std::string::npos, saved.find(std::string("\"") + c.mode + "\"")) << saved;
		EXPECT_NE(std::string::npos, saved.find("launches = 1")) << saved;
	}

	/** A script the first signal cannot stop: the second one ends the process, with nothing saved. */
	void expectSecondSignalEnds(bool window)
	{
		std::unique_ptr<test::ChildProcess> game = start("handler", window);
		ASSERT_TRUE(game->waitForOutput("ready handler", s_patience)) << game->output();
		game->signal(SIGTERM);
		EXPECT_FALSE(game->waitForOutput("Stopped the game", 1)) << game->output();
		EXPECT_TRUE(game->running());
		game->signal(SIGTERM);
		int const status = game->wait(s_patience);
		EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << "status " << status << "\n" << game->output();
		EXPECT_EQ("", settings());
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

TEST_F(GameProgramStop, HeadlessSecondSignalEndsAtOnce)
{
	expectSecondSignalEnds(false);
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
	EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status << "\n" << game->output();
	EXPECT_NE(std::string::npos, settings().find("\"idle\"")) << settings();
}

TEST_F(GameProgramStop, WindowSecondSignalEndsAtOnce)
{
	if (!std::getenv("DISPLAY"))
		GTEST_SKIP() << "no X display";
	expectSecondSignalEnds(true);
}

} // namespace
