// The saves of the game program as a player's machine keeps them: runs
// killed at any moment, a second game on the same save folder, a save whose
// text would hang the start. Each run is a child process; the saves are
// checked on disk afterwards.
#include <support/ChildProcess.h>
#include <support/DataFiles.h>
#include <support/TempFolder.h>
#include <support/UsableCores.h>
#include <io/ByteArrayInputStream.h>
#include <lua/LuaException.h>
#include <lua/LuaState.h>
#include <lua/LuaTable.h>
#include <DataCipher.h>
#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <random>
#include <thread>
#include <sys/wait.h>
#include <gtest/gtest.h>

namespace
{

/**
 * Game logic that saves at every frame, as the sample game does at its
 * checkpoints: settings and high scores, each a whole state of frame n
 * (every entry of the list is n). It prints "saved" once the first
 * checkpoint is on disk.
 */
char const* const s_checkpointLogic = R"(
local io = _G.io
function updateValues() end
function createStartUpAssets() end
function onLoadLuaFileFail(file) end
function gameResumed() end
function gamePaused() end
function resolutionChanged() end
function draw() end
local first = true
function update(dt, rawDt)
	local n = (settings.n or 0) + 1
	settings.n = n
	settings.list = {}
	for i = 1, 300 do settings.list[i] = n end
	settings.text = ("checkpoint " .. n .. ", "):rep(40)
	savePersistentLuaFile("settings.lua", "settings")
	highscores.n = n
	highscores.list = settings.list
	savePersistentLuaFile("highscores.lua", "highscores")
	if first then
		first = false
		print("saved\n")
		io.stdout:flush()
	end
end
)";

/** Seconds a run may take to reach a step (the sanitizers make starts slow). */
double const s_patience = 60;

/** The game program on the data and saves of folder. */
std::unique_ptr<test::ChildProcess> startGame(test::TempFolder const& folder, std::string const& saves, std::string const& frames)
{
	return std::make_unique<test::ChildProcess>(
		std::vector<std::string>{GAME_PROGRAM, "--headless", "--frames", frames, "--data", folder / "data", "--save-dir", saves,
			"--out", folder / "out"},
		std::vector<std::string>{"XDG_DATA_HOME=" + folder / "share", "XDG_CACHE_HOME=" + folder / "cache", "ALSOFT_DRIVERS=null"});
}

/**
 * Reads the save file at path (deciphered) as the game does and checks that
 * it is one whole checkpoint. Gives its n, or -1 with why filled in.
 */
int checkpointOf(std::string const& path, std::string& why)
{
	std::string const name = std::filesystem::path(path).filename();
	std::string text;
	{
		std::ifstream in(path, std::ios::binary);
		std::string const raw((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
		cipher::Bytes plain;
		if (!cipher::decrypt(cipher::getVariableKey(), cipher::Bytes(raw.begin(), raw.end()), plain))
		{
			why = name + " does not decipher";
			return -1;
		}
		text.assign(plain.begin(), plain.end());
	}
	lua::LuaState lua;
	lua::LuaTable table(&lua);
	try
	{
		io::ByteArrayInputStream in(text.data(), static_cast<int>(text.size()));
		table.read(in);
	}
	catch (lua::LuaException const& e)
	{
		why = name + " does not load: " + e.getMessage().format();
		return -1;
	}
	if (table.isNil("n") || table.isNil("list"))
	{
		why = name + " has no checkpoint";
		return -1;
	}
	int const n = static_cast<int>(table.getNumber("n"));
	lua::LuaTable list = table.getTable("list");
	if (list.size() != 300)
	{
		why = name + " holds a list of " + std::to_string(list.size());
		return -1;
	}
	for (int i = 1; i <= 300; ++i)
	{
		if (static_cast<int>(list.getNumber(i)) != n)
		{
			why = name + " mixes checkpoints " + std::to_string(n) + " and " + std::to_string(static_cast<int>(list.getNumber(i)));
			return -1;
		}
	}
	return n;
}

/** The temporary files in folder. */
int temporaries(std::string const& folder)
{
	int count = 0;
	for (auto const& entry : std::filesystem::directory_iterator(folder))
		count += entry.path().extension() == ".tmp";
	return count;
}

} // namespace

// 200 runs killed (SIGKILL) at random moments while they save at every
// frame, in lanes side by side (one a processor the test may use, up to
// four), each lane on its own save folder where its runs follow one
// another: after every kill each save is whole, loads, and is the previous
// run's last checkpoint or a later one.
TEST(GameProgramKill, EverySaveIsOldOrNewAndLoads)
{
	test::TempFolder folder;
	test::writeGameData(folder, ENGINE_BUNDLE_DIR, s_checkpointLogic);
	unsigned const seed = 20261211;
	int const runs = 200;
	int const lanes = std::min(4, test::usableCores());
	struct Lane
	{
		std::string failure;
		int checkpoint = 0;
		int leftovers = 0;
	};
	std::vector<Lane> results(lanes);
	auto runLane = [&](int lane) {
		Lane& result = results[static_cast<size_t>(lane)];
		std::mt19937 random(seed + static_cast<unsigned>(lane));
		std::uniform_int_distribution<int> pause(0, 40);
		std::string const saves = folder / ("saves" + std::to_string(lane));
		int const runsOfLane = runs / lanes + (lane < runs % lanes ? 1 : 0);
		for (int run = 0; run < runsOfLane; ++run)
		{
			int const wait = pause(random);
			std::string const where = "seed " + std::to_string(seed) + " + lane " + std::to_string(lane) + ", run " + std::to_string(run) +
									  ", killed " + std::to_string(wait) + " ms after its first save";
			std::unique_ptr<test::ChildProcess> game = startGame(folder, saves, "1000000");
			if (!game->waitForOutput("saved", s_patience))
			{
				result.failure = where + ": no first save\n" + game->output();
				return;
			}
			std::this_thread::sleep_for(std::chrono::milliseconds(wait));
			game->signal(SIGKILL);
			int const status = game->wait(s_patience);
			if (!WIFSIGNALED(status) || WTERMSIG(status) != SIGKILL)
			{
				result.failure = where + ": status " + std::to_string(status) + "\n" + game->output();
				return;
			}
			// The run began at the previous run's last checkpoint and saved at least one more.
			std::string why;
			int const settings = checkpointOf(saves + "/settings.lua", why);
			int const scores = settings < 0 ? -1 : checkpointOf(saves + "/highscores.lua", why);
			if (settings <= result.checkpoint || scores <= result.checkpoint)
			{
				result.failure = where + ": " + (why.empty() ? "a save went back to an older checkpoint" : why);
				return;
			}
			// The high scores are saved right after the settings of the same checkpoint.
			if (scores != settings && scores != settings - 1)
			{
				result.failure = where + ": settings at " + std::to_string(settings) + ", high scores at " + std::to_string(scores);
				return;
			}
			result.checkpoint = settings;
			result.leftovers += temporaries(saves);
		}
	};
	std::vector<std::thread> threads;
	for (int lane = 0; lane < lanes; ++lane)
		threads.emplace_back(runLane, lane);
	for (std::thread& thread : threads)
		thread.join();
	int leftovers = 0;
	for (Lane const& lane : results)
	{
		EXPECT_EQ("", lane.failure);
		leftovers += lane.leftovers;
	}

	// The next start clears what the kills left mid-save.
	std::unique_ptr<test::ChildProcess> game = startGame(folder, folder / "saves0", "3");
	int const status = game->wait(s_patience);
	EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << game->output();
	EXPECT_EQ(0, temporaries(folder / "saves0")) << game->output();
	std::cout << "[ figures  ] " << runs << " runs killed in " << lanes << " lanes; last checkpoints";
	for (Lane const& lane : results)
		std::cout << " " << lane.checkpoint;
	std::cout << "; " << leftovers << " temporary files left by the kills\n";
}

// A second game on a save folder in use ends at once with a line that says
// why, and writes nothing there; the first plays on and saves at its end.
TEST(GameProgramSaveFolder, ASecondGameOnTheFolderIsRefusedAndTouchesNoSave)
{
	test::TempFolder folder;
	test::writeGameData(folder, ENGINE_BUNDLE_DIR, s_checkpointLogic);
	std::unique_ptr<test::ChildProcess> first = startGame(folder, folder / "saves", "1000000");
	ASSERT_TRUE(first->waitForOutput("saved", s_patience)) << first->output();

	std::unique_ptr<test::ChildProcess> second = startGame(folder, folder / "saves", "1000000");
	int const refused = second->wait(s_patience);
	EXPECT_TRUE(WIFEXITED(refused) && WEXITSTATUS(refused) == 1) << "status " << refused << "\n" << second->output();
	EXPECT_NE(std::string::npos, second->output().find("Another game process uses the save folder " + folder / "saves" +
		": this one does not start, so that neither writes over the saves of the other")) << second->output();
	EXPECT_EQ(std::string::npos, second->output().find("saved")) << second->output();

	first->signal(SIGTERM);
	int const status = first->wait(s_patience);
	EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << first->output();
	std::string why;
	EXPECT_GT(checkpointOf(folder / "saves/settings.lua", why), 0) << why;
	EXPECT_EQ(0, temporaries(folder / "saves"));

	// Once the first has ended, the folder is free again.
	std::unique_ptr<test::ChildProcess> third = startGame(folder, folder / "saves", "3");
	int const again = third->wait(s_patience);
	EXPECT_TRUE(WIFEXITED(again) && WEXITSTATUS(again) == 0) << third->output();
}

// A 46-byte settings save whose text would run a backtracking pattern for
// hours: the start goes on at once, the line names the file, and the file
// is kept aside like any damaged save while a fresh one is written.
TEST(GameProgramSaveText, ASaveThatWouldHangTheStartIsSetAside)
{
	test::TempFolder folder;
	test::writeGameData(folder, ENGINE_BUNDLE_DIR, s_checkpointLogic);
	std::string const hostile = "x = (\"a\"):rep(40):find((\"a*\"):rep(40) .. \"b\")\n";
	ASSERT_EQ(46u, hostile.size());
	folder.write("saves/settings.lua", hostile);
	std::unique_ptr<test::ChildProcess> game = startGame(folder, folder / "saves", "3");
	int const status = game->wait(s_patience);
	EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status << "\n" << game->output();
	std::string const path = folder / "saves/settings.lua";
	std::string const& out = game->output();
	size_t const line = out.find("Moved the damaged " + path + " to " + path + ".bad: ");
	EXPECT_NE(std::string::npos, line) << out;
	EXPECT_NE(std::string::npos, out.find("attempt to index a string value", line)) << out;
	EXPECT_EQ(hostile, folder.read("saves/settings.lua.bad"));
	std::string why;
	EXPECT_EQ(3, checkpointOf(path, why)) << why;
}

// The sample game saves at its checkpoints: a run killed once the first
// level is won and the next one started keeps the result and the level
// reached, as the end of a run would have saved them.
TEST(SampleGameCheckpoints, AKilledRunKeepsWhatItsCheckpointsSaved)
{
	test::TempFolder folder;
	test::ChildProcess game({GAME_PROGRAM, "--headless", "--frames", "1000000", "--data", ENGINE_BUNDLE_DIR, "--save-dir", folder / "saves",
								"--out", folder / "out", "--events", std::string(ENGINE_GAME_DATA) + "/play-level1.events"},
		{"XDG_DATA_HOME=" + folder / "share", "XDG_CACHE_HOME=" + folder / "cache", "ALSOFT_DRIVERS=null", "LANGUAGE=", "LC_ALL=",
			"LC_MESSAGES=", "LANG=C"});
	ASSERT_TRUE(game.waitForOutput("Lantern Drift: level riverbank with ", s_patience)) << game.output();
	game.signal(SIGKILL);
	game.wait(s_patience);
	std::string const highscores = test::readSaveFile(folder, "saves/highscores.lua");
	EXPECT_NE(std::string::npos, highscores.find("meadow = {")) << highscores;
	std::string const settings = test::readSaveFile(folder, "saves/settings.lua");
	EXPECT_NE(std::string::npos, settings.find("level = \"riverbank\"")) << settings;
	EXPECT_NE(std::string::npos, settings.find("launches = 1")) << settings;
}
