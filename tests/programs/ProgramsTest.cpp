// The programs as a user meets them, each run as a child process: every one
// answers --help and -h with its usage and status 0 and a bad argument with
// the usage and status 2 (never taking a flag for a folder); the game's
// flags are checked before it starts; its log keeps the debug lines for
// --verbose; its saves, sound and shipped files land where they should,
// wherever it is started from.
#include <support/ChildProcess.h>
#include <support/DataFiles.h>
#include <support/HostileFiles.h>
#include <support/TempFolder.h>
#include <support/UsableCores.h>
#include <support/VideoClip.h>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <iostream>
#include <memory>
#include <thread>
#include <unistd.h>
#include <sys/wait.h>
#include <gtest/gtest.h>

namespace
{

/** Seconds a run may take (the sanitizers make the game's start slow). */
double const s_patience = 240;

struct Finished
{
	int status;
	std::string output;
};

/**
 * Runs argv in the folder cwd with the test's environment plus env and
 * gives its exit status (-1 when it did not exit) and output.
 */
Finished runIn(std::string const& cwd, std::vector<std::string> const& argv, std::vector<std::string> const& env = {})
{
	std::vector<std::string> command = {"/bin/sh", "-c", "cd \"$0\" && exec \"$@\"", cwd};
	command.insert(command.end(), argv.begin(), argv.end());
	test::ChildProcess child(command, env);
	int const status = child.wait(s_patience);
	return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, child.output()};
}

/** The environment of a game run in folder: its own data homes, no sound device needed, default log level. */
std::vector<std::string> gameEnvironment(test::TempFolder const& folder)
{
	return {"XDG_DATA_HOME=" + folder / "share", "XDG_CACHE_HOME=" + folder / "cache", "ALSOFT_DRIVERS=null", "ENGINE_VERBOSE="};
}

std::string readFile(std::string const& path)
{
	std::ifstream in(path, std::ios::binary);
	return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(Programs, AnswerHelpWithTheUsageAndABadArgumentWithStatus2)
{
	struct Case
	{
		std::vector<std::string> argv;
		int status;
	};
	char const* const programs[] = {GAME_PROGRAM, SHELL_DEMO_PROGRAM, RENDER_DEMO_PROGRAM, SOUND_GEN_PROGRAM, DATAGEN_PROGRAM,
		DATAPACK_PROGRAM};
	std::vector<Case> cases;
	for (char const* program : programs)
	{
		for (char const* flag : {"--help", "-h"})
			cases.push_back({{program, flag}, 0});
		cases.push_back({{program, "--bogus"}, 2});
		cases.push_back({{program, "out", "--help"}, 0});
	}
	// Wrong counts and unknown words.
	cases.push_back({{RENDER_DEMO_PROGRAM, "a", "b"}, 2});
	cases.push_back({{SOUND_GEN_PROGRAM}, 2});
	cases.push_back({{SOUND_GEN_PROGRAM, "a", "b"}, 2});
	cases.push_back({{DATAGEN_PROGRAM, "sheet", "a"}, 2});
	cases.push_back({{DATAGEN_PROGRAM, "frob", "a", "b"}, 2});
	cases.push_back({{DATAPACK_PROGRAM, "pack", "a"}, 2});
	cases.push_back({{DATAPACK_PROGRAM, "frob", "a", "b"}, 2});
	cases.push_back({{GAME_PROGRAM, "--frames"}, 2});
	for (Case const& c : cases)
	{
		std::string line;
		for (std::string const& a : c.argv)
			line += std::filesystem::path(a).filename().string() + " ";
		SCOPED_TRACE(line);
		test::TempFolder cwd;
		Finished const run = runIn(cwd.path(), c.argv, {"ALSOFT_DRIVERS=null"});
		EXPECT_EQ(c.status, run.status) << run.output;
		EXPECT_NE(std::string::npos, run.output.find("usage: ")) << run.output;
		// Nothing made: no folder named after a flag, no output.
		EXPECT_TRUE(std::filesystem::is_empty(cwd.path())) << run.output;
	}
}

TEST(GameProgram, AScreenshotPastTheLastFrameIsRefusedAtStart)
{
	struct Case
	{
		std::vector<std::string> flags;
		char const* message;
	} const cases[] = {
		{{"--frames", "3", "--screenshot", "2,5,9"}, "--screenshot 5, 9: past the last frame of the run (3)"},
		{{"--screenshot", "121"}, "--screenshot 121: past the last frame of the run (120)"},
		{{"--frames", "0", "--screenshot", "1"}, "--screenshot 1: past the last frame of the run (0)"},
	};
	for (Case const& c : cases)
	{
		SCOPED_TRACE(c.message);
		test::TempFolder folder;
		std::vector<std::string> argv = {GAME_PROGRAM, "--headless", "--out", folder / "out", "--save-dir", folder / "saves"};
		argv.insert(argv.end(), c.flags.begin(), c.flags.end());
		Finished const run = runIn(folder.path(), argv, gameEnvironment(folder));
		EXPECT_EQ(1, run.status) << run.output;
		EXPECT_NE(std::string::npos, run.output.find(c.message)) << run.output;
		// Checked before the game starts: nothing ran, nothing saved.
		EXPECT_EQ(std::string::npos, run.output.find("Lantern Drift")) << run.output;
		EXPECT_FALSE(std::filesystem::exists(folder / "saves"));
	}
}

TEST(GameProgram, ABadEventsLinePrintsItsMessageWithoutTheUsage)
{
	test::TempFolder folder;
	folder.write("bad.events", "# fine\n5 jump\n");
	Finished const run = runIn(folder.path(), {GAME_PROGRAM, "--headless", "--events", folder / "bad.events"}, gameEnvironment(folder));
	EXPECT_EQ(2, run.status) << run.output;
	EXPECT_NE(std::string::npos, run.output.find(folder / "bad.events" + ":2: ")) << run.output;
	EXPECT_EQ(std::string::npos, run.output.find("usage")) << run.output;
}

// The debug lines show only with --verbose or ENGINE_VERBOSE; the game's
// lines for a player always do.
TEST(GameProgram, DebugLinesShowOnlyWhenVerbose)
{
	char const* const debugLines[] = {"UIApplication launching with options...", "Notifying RatePrompt of app launch",
		"Lantern Drift: launch 1", "Loading image ", "resetTimer called", "LINKING bodies", "Loading level from file..."};
	struct Case
	{
		std::vector<std::string> flags;
		char const* verbose;
		bool shown;
	} const cases[] = {
		{{}, "", false},
		{{}, "0", false},
		{{"--verbose"}, "", true},
		{{}, "1", true},
	};
	for (Case const& c : cases)
	{
		SCOPED_TRACE(testing::Message() << (c.flags.empty() ? "" : "--verbose ") << "ENGINE_VERBOSE=" << c.verbose);
		test::TempFolder folder;
		std::vector<std::string> argv = {GAME_PROGRAM, "--headless", "--frames", "2", "--data", ENGINE_BUNDLE_DIR, "--save-dir",
			folder / "saves"};
		argv.insert(argv.end(), c.flags.begin(), c.flags.end());
		std::vector<std::string> env = gameEnvironment(folder);
		env.back() = std::string("ENGINE_VERBOSE=") + c.verbose;
		Finished const run = runIn(folder.path(), argv, env);
		EXPECT_EQ(0, run.status) << run.output;
		EXPECT_NE(std::string::npos, run.output.find("Lantern Drift: level meadow with ")) << run.output;
		for (char const* line : debugLines)
			EXPECT_EQ(c.shown, run.output.find(line) != std::string::npos) << line << "\n" << run.output;
	}
}

// Without --save-dir the saves go to a folder named after the game, in
// $XDG_DATA_HOME (else ~/.local/share).
TEST(GameProgram, DefaultSaveFolderIsNamedAfterTheGame)
{
	struct Case
	{
		bool xdg;
		char const* folder;
	} const cases[] = {
		{true, "share/lantern-drift"},
		{false, "home/.local/share/lantern-drift"},
	};
	for (Case const& c : cases)
	{
		SCOPED_TRACE(c.folder);
		test::TempFolder folder;
		std::vector<std::string> env = gameEnvironment(folder);
		env.push_back("HOME=" + folder / "home");
		if (!c.xdg)
			env.front() = "XDG_DATA_HOME=";
		Finished const run = runIn(folder.path(), {GAME_PROGRAM, "--headless", "--frames", "2", "--data", ENGINE_BUNDLE_DIR}, env);
		EXPECT_EQ(0, run.status) << run.output;
		EXPECT_TRUE(std::filesystem::exists(folder / c.folder + "/settings.lua")) << run.output;
		EXPECT_FALSE(std::filesystem::exists(folder / "share/game"));
		EXPECT_FALSE(std::filesystem::exists(folder / "home/.local/share/game"));
	}
}

// Headless, the sound is mixed on the game's clock: the wave file lasts
// exactly the ticks' time, and the same run gives the same bytes.
TEST(GameProgram, HeadlessSoundFollowsTheGamesClock)
{
	test::TempFolder folder;
	std::string const events = std::string(ENGINE_GAME_DATA) + "/play-level1.events";
	std::string wave[2];
	for (int i = 0; i < 2; ++i)
	{
		std::string const file = folder / ("sound-" + std::to_string(i) + ".wav");
		Finished const run = runIn(folder.path(),
			{GAME_PROGRAM, "--headless", "--frames", "150", "--events", events, "--sound", file, "--data", ENGINE_BUNDLE_DIR,
				"--save-dir", folder / ("saves-" + std::to_string(i))},
			gameEnvironment(folder));
		ASSERT_EQ(0, run.status) << run.output;
		wave[i] = readFile(file);
	}
	// 150 ticks of 16667 us at 44.1 kHz, 16-bit stereo, after the header.
	EXPECT_EQ(size_t(44 + 4 * (150LL * 16667 * 44100 / 1000000)), wave[0].size());
	EXPECT_TRUE(wave[0] == wave[1]) << "the two runs' sound differs";
	// The launch at tick 60 is heard.
	EXPECT_NE(std::string::npos, wave[0].find_first_not_of('\0', 44)) << "silent";
}

// A shipped video is found in the data folder whatever the working folder:
// its frames stop the game's updates until it has played.
TEST(GameProgram, ShippedFilesAreFoundThroughTheDataFolderFromAnyWorkingFolder)
{
	test::TempFolder folder;
	test::writeGameData(folder, ENGINE_BUNDLE_DIR, R"(
local frames = 0
function updateValues() end
function createStartUpAssets() end
function onLoadLuaFileFail(file) end
function gameResumed() end
function gamePaused() end
function resolutionChanged() end
function update(dt, rawDt)
	frames = frames + 1
	if frames == 2 then playVideo('intro.y4m') end
	print("updates " .. frames .. "\n")
end
function draw() end
)");
	// One second of video at 10 pictures a second.
	test::writeVideoClip(folder / "data/data_ipad/intro.y4m", 16, 12, 10, 10, [](int, int& r, int& g, int& b) { r = g = b = 40; });
	std::filesystem::create_directories(folder / "elsewhere");
	Finished const run = runIn(folder / "elsewhere",
		{GAME_PROGRAM, "--headless", "--frames", "30", "--data", folder / "data", "--save-dir", folder / "saves"},
		gameEnvironment(folder));
	EXPECT_EQ(0, run.status) << run.output;
	EXPECT_EQ(std::string::npos, run.output.find("Cannot play video")) << run.output;
	EXPECT_NE(std::string::npos, run.output.find("updates 2\n")) << run.output;
	// The second's video took most of the 30 ticks' half second: the updates stopped.
	EXPECT_EQ(std::string::npos, run.output.find("updates 30\n")) << run.output;
}

} // namespace

// The shell's display as the environment gives it, for the game and the
// shell demo: without a display the run is headless as with --headless (its
// 120 frames, no window, no sound device opened: a sound library with no
// driver at all would log "no sound device"); a display asked for that
// cannot be had (--window without one, a display that refuses connections,
// a video driver SDL does not have) ends the run at start with status 1 and
// one line. Every run ends within the bound; they run side by side.
TEST(ShellPrograms, EachEnvironmentEndsAsTheReadmeSays)
{
	test::TempFolder sockets;
	// An X display whose socket exists but nobody listens on: the connection is refused.
	int display = 700 + static_cast<int>(getpid() % 200);
	std::filesystem::create_directories("/tmp/.X11-unix");
	while (std::filesystem::exists("/tmp/.X11-unix/X" + std::to_string(display)))
		++display;
	std::string const refusing = "/tmp/.X11-unix/X" + std::to_string(display);
	ASSERT_TRUE(test::makeHostile(test::Hostile::Socket, refusing, sockets.path()));
	struct Case
	{
		char const* what;
		std::vector<std::string> flags;
		std::vector<std::string> env;
		int status;
		char const* line;
	};
	std::vector<std::string> const noDisplay = {"DISPLAY=", "WAYLAND_DISPLAY=", "SDL_VIDEODRIVER="};
	std::vector<Case> const cases = {
		{"no display, no flags", {"--screenshot", "120"}, noDisplay, 0, nullptr},
		{"no display, --window", {"--window"}, noDisplay, 1, ": no window: "},
		{"a display that refuses connections", {}, {"DISPLAY=:" + std::to_string(display), "WAYLAND_DISPLAY=", "SDL_VIDEODRIVER="}, 1,
			": no window: "},
		{"a display that refuses connections, --headless", {"--headless", "--screenshot", "120"},
			{"DISPLAY=:" + std::to_string(display), "WAYLAND_DISPLAY=", "SDL_VIDEODRIVER="}, 0, nullptr},
		{"a video driver SDL does not have", {}, {"DISPLAY=", "WAYLAND_DISPLAY=", "SDL_VIDEODRIVER=nosuchdriver"}, 1,
			": no window: SDL video could not start: "},
		{"--headless with --window", {"--headless", "--window"}, noDisplay, 2, "--headless and --window: one or the other"},
	};
	struct Row
	{
		std::string name;
		Case const* c = nullptr;
		char const* program = nullptr;
		Finished run{-1, ""};
		std::unique_ptr<test::TempFolder> folder;
		double seconds = 0;
	};
	std::vector<Row> rows;
	for (char const* program : {GAME_PROGRAM, SHELL_DEMO_PROGRAM})
		for (Case const& c : cases)
		{
			Row row;
			row.name = std::filesystem::path(program).filename().string() + ": " + c.what;
			row.c = &c;
			row.program = program;
			rows.push_back(std::move(row));
		}
	std::atomic<size_t> next(0);
	auto runRows = [&] {
		for (size_t i = next++; i < rows.size(); i = next++)
		{
			Row& row = rows[i];
			row.folder = std::make_unique<test::TempFolder>();
			test::TempFolder const& folder = *row.folder;
			std::vector<std::string> argv = {row.program, "--out", folder / "out", "--save-dir", folder / "saves"};
			argv.insert(argv.end(), row.c->flags.begin(), row.c->flags.end());
			std::vector<std::string> env = {"XDG_DATA_HOME=" + folder / "share", "XDG_CACHE_HOME=" + folder / "cache",
				"ALSOFT_DRIVERS=nosuchdriver", "ENGINE_VERBOSE="};
			env.insert(env.end(), row.c->env.begin(), row.c->env.end());
			auto const start = std::chrono::steady_clock::now();
			row.run = runIn(folder.path(), argv, env);
			row.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
		}
	};
	int const lanes = test::usableCores();
	std::vector<std::thread> threads;
	for (int lane = 0; lane < lanes; ++lane)
		threads.emplace_back(runRows);
	for (std::thread& thread : threads)
		thread.join();
	for (Row const& row : rows)
	{
		SCOPED_TRACE(row.name);
		EXPECT_EQ(row.c->status, row.run.status) << row.run.output;
		if (row.c->line)
		{
			EXPECT_NE(std::string::npos, row.run.output.find(row.c->line)) << row.run.output;
			// Ended at start: no frame, no save.
			EXPECT_FALSE(std::filesystem::exists(*row.folder / "out/frame-0001.png"));
		}
		else
		{
			EXPECT_TRUE(std::filesystem::exists(*row.folder / "out/frame-0120.png")) << row.run.output;
			EXPECT_EQ(std::string::npos, row.run.output.find("no sound device")) << row.run.output;
		}
		std::cout << "[ figures  ] " << row.name << ": " << row.seconds << " s\n";
	}
	std::filesystem::remove(refusing);
}
