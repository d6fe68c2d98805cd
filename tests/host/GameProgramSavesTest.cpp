// The saves of the game program as a player's machine keeps them: runs
// killed at any moment, a second game on the same save folder, a save whose
// text would hang the start. Each run is a child process; the saves are
// checked on disk afterwards.
#include <support/ChildProcess.h>
#include <support/DataFiles.h>
#include <support/HostileFiles.h>
#include <support/TempFolder.h>
#include <support/UsableCores.h>
#include <io/ByteArrayInputStream.h>
#include <lua/LuaException.h>
#include <lua/LuaState.h>
#include <lua/LuaTable.h>
#include <DataCipher.h>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <random>
#include <thread>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
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

/** Runs job(0) ... job(count - 1), as many at a time as there are cores. */
template <class Job>
void onEveryCore(int count, Job job)
{
	std::atomic<int> next(0);
	std::vector<std::thread> threads;
	for (int lane = 0; lane < std::min(count, test::usableCores()); ++lane)
		threads.emplace_back([&] {
			for (int i = next++; i < count; i = next++)
				job(i);
		});
	for (std::thread& thread : threads)
		thread.join();
}

/** The names below folder (relative, sorted), each with its file type (test::fileType). */
std::vector<std::pair<std::string, unsigned>> namesBelow(std::string const& folder)
{
	std::vector<std::pair<std::string, unsigned>> names;
	std::error_code error;
	for (auto it = std::filesystem::recursive_directory_iterator(folder, error); it != std::filesystem::recursive_directory_iterator();
		 it.increment(error))
	{
		std::string const path = it->path();
		names.emplace_back(path.substr(folder.size() + 1), test::fileType(path));
	}
	std::sort(names.begin(), names.end());
	return names;
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

// A save folder where every name the game reads or writes (the scripts'
// saves, the user defaults, the lock, the analytics store and its lock) is
// a FIFO, a device, a socket, a folder or a link (to each of these, to
// /dev/zero, to nothing, to a file outside): one run per kind, each a child
// process bounded in seconds. Each run starts and ends normally; whatever
// it read or wrote at those names was set aside to "<name>.bad" with a line
// naming it (a name it never touched keeps what is there); the scripts'
// saves are whole new checkpoints; nothing outside the folder changed or
// appeared.
TEST(GameProgramSaveFolder, WhatIsNotARegularFileAtAnyNameIsSetAsideAndNothingHangs)
{
	test::TempFolder folder;
	test::writeGameData(folder, ENGINE_BUNDLE_DIR, s_checkpointLogic);
	// The names a run writes, as a clean run leaves them.
	{
		std::unique_ptr<test::ChildProcess> game = startGame(folder, folder / "clean", "3");
		int const status = game->wait(s_patience);
		ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << game->output();
	}
	std::vector<std::string> names;
	for (auto const& [name, type] : namesBelow(folder / "clean"))
		if (type == S_IFREG)
			names.push_back(name);
	ASSERT_NE(names.end(), std::find(names.begin(), names.end(), ".game.lock"));
	ASSERT_NE(names.end(), std::find(names.begin(), names.end(), "settings.lua"));
	ASSERT_NE(names.end(), std::find(names.begin(), names.end(), "highscores.lua"));
	ASSERT_NE(names.end(), std::find(names.begin(), names.end(), "TallyFiles/.tallyStore.lock"));
	// Names whose file every run reads or writes: each must have been set aside.
	std::vector<std::string> const touched = {".game.lock", "settings.lua", "highscores.lua"};

	std::vector<test::Hostile> const kinds = test::hostileKinds();
	std::vector<std::string> failures(kinds.size());
	std::vector<int> skipped(kinds.size());
	onEveryCore(static_cast<int>(kinds.size()), [&](int index) {
		test::Hostile const kind = kinds[static_cast<size_t>(index)];
		std::string const saves = folder / ("saves-" + std::to_string(index));
		std::string const outside = folder / ("outside-" + std::to_string(index));
		std::string& failure = failures[static_cast<size_t>(index)];
		std::filesystem::create_directories(saves + "/TallyFiles");
		std::filesystem::create_directories(outside);
		for (std::string const& name : names)
		{
			if (!test::makeHostile(kind, saves + "/" + name, outside))
			{
				++skipped[static_cast<size_t>(index)];
				return;
			}
		}
		auto const outsideBefore = namesBelow(outside);
		std::unique_ptr<test::ChildProcess> game = startGame(folder, saves, "3");
		int const status = game->wait(s_patience);
		std::string const& out = game->output();
		std::string const where = std::string(test::describe(kind)) + ": ";
		if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
		{
			failure = where + "status " + std::to_string(status) + "\n" + out;
			return;
		}
		for (std::string const& name : names)
		{
			std::string const path = saves + "/" + name;
			bool const setAside = test::fileType(path + ".bad") == test::hostileType(kind);
			bool const left = test::fileType(path) == test::hostileType(kind);
			bool const named = out.find("Moved the damaged " + path + " to " + path + ".bad: ") != std::string::npos;
			bool const mustBeSetAside = std::find(touched.begin(), touched.end(), name) != touched.end();
			if (setAside ? !named || (test::fileType(path) != S_IFREG && test::fileType(path) != 0) : !left || mustBeSetAside)
				failure += where + name + (setAside ? " was set aside without its line, or replaced by no file" : " was neither set aside nor left") + "\n";
		}
		std::string why;
		for (char const* save : {"settings.lua", "highscores.lua"})
			if (checkpointOf(saves + "/" + save, why) != 3)
				failure += where + save + " is not the run's last checkpoint: " + why + "\n";
		if (namesBelow(outside) != outsideBefore)
			failure += where + "something outside the save folder changed\n";
		if (kind == test::Hostile::LinkToFile && folder.read("outside-" + std::to_string(index) + "/settings.lua-target") != "outside = 1\n")
			failure += where + "a file outside the folder was written through a link\n";
		if (!failure.empty())
			failure += out;
	});
	for (size_t i = 0; i < kinds.size(); ++i)
	{
		EXPECT_EQ("", failures[i]);
		if (skipped[i])
			std::cout << "[ skipped  ] " << test::describe(kinds[i]) << ": cannot be made here\n";
	}
}

// The lock's name as a folder, as a dangling link to a path outside, or as a
// FIFO: the first game sets it aside and holds a fresh lock (nothing is made
// where the link points), so a second game on the folder is refused.
TEST(GameProgramSaveFolder, ABrokenLockNameIsReplacedAndStillKeepsASecondGameOut)
{
	test::TempFolder folder;
	test::writeGameData(folder, ENGINE_BUNDLE_DIR, s_checkpointLogic);
	std::filesystem::create_directories(folder / "outside");
	for (test::Hostile kind : {test::Hostile::Folder, test::Hostile::DanglingLink, test::Hostile::Fifo})
	{
		SCOPED_TRACE(test::describe(kind));
		std::string const saves = folder / ("saves-" + std::string(test::describe(kind)));
		std::filesystem::create_directories(saves);
		ASSERT_TRUE(test::makeHostile(kind, saves + "/.game.lock", folder / "outside"));
		std::unique_ptr<test::ChildProcess> first = startGame(folder, saves, "1000000");
		ASSERT_TRUE(first->waitForOutput("saved", s_patience)) << first->output();
		EXPECT_NE(std::string::npos, first->output().find("Moved the damaged " + saves + "/.game.lock to " + saves + "/.game.lock.bad: it is "))
			<< first->output();
		std::unique_ptr<test::ChildProcess> second = startGame(folder, saves, "1000000");
		int const refused = second->wait(s_patience);
		EXPECT_TRUE(WIFEXITED(refused) && WEXITSTATUS(refused) == 1) << "status " << refused << "\n" << second->output();
		EXPECT_NE(std::string::npos, second->output().find("Another game process uses the save folder")) << second->output();
		first->signal(SIGTERM);
		int const status = first->wait(s_patience);
		EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << first->output();
		EXPECT_EQ(test::hostileType(kind), test::fileType(saves + "/.game.lock.bad"));
		EXPECT_EQ(S_IFREG, test::fileType(saves + "/.game.lock"));
	}
	EXPECT_TRUE(namesBelow(folder / "outside").empty());
}

// A lock that cannot be had (the lock's name is a folder, and every name it
// could be moved to is taken): the game runs without saving, one line
// saying so, and the folder is as it was.
TEST(GameProgramSaveFolder, WithoutTheLockNoSaveIsWritten)
{
	test::TempFolder folder;
	test::writeGameData(folder, ENGINE_BUNDLE_DIR, s_checkpointLogic);
	std::string const saves = folder / "saves";
	std::filesystem::create_directories(saves + "/.game.lock");
	folder.write("saves/.game.lock.bad", "");
	for (int copy = 2; copy <= 1000; ++copy)
		folder.write("saves/.game.lock.bad-" + std::to_string(copy), "");
	folder.write("saves/settings.lua", "kept = 1\n");
	auto const before = namesBelow(saves);
	std::unique_ptr<test::ChildProcess> game = startGame(folder, saves, "3");
	int const status = game->wait(s_patience);
	std::string const& out = game->output();
	EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << out;
	size_t const line = out.find("The save folder " + saves + " is not locked against other game processes (");
	EXPECT_NE(std::string::npos, line) << out;
	EXPECT_NE(std::string::npos, out.find("): no save is written in this run", line)) << out;
	EXPECT_NE(std::string::npos, out.find("saved")) << out;
	EXPECT_EQ(std::string::npos, out.find("Failed to save")) << out;
	// The analytics agent's store has a lock of its own (agents of several
	// processes share it): it is not the game's saves.
	auto after = namesBelow(saves);
	after.erase(std::remove_if(after.begin(), after.end(), [](auto const& entry) { return entry.first.rfind("TallyFiles", 0) == 0; }),
		after.end());
	EXPECT_EQ(before, after);
	EXPECT_EQ("kept = 1\n", folder.read("saves/settings.lua"));
}

// The start's clean-up removes only what a killed run of the game left for
// its own saves: a player's files that look alike stay, a link named like
// a leftover stays (and what it points to), a leftover of a name the game
// does not save stays; the leftovers of the game's saves go.
TEST(GameProgramSaveFolder, OnlyTheGamesOwnLeftoversAreRemoved)
{
	test::TempFolder folder;
	test::writeGameData(folder, ENGINE_BUNDLE_DIR, s_checkpointLogic);
	std::string const saves = folder / "saves";
	folder.write("outside/target", "outside");
	std::vector<std::string> const kept = {"notes.2024-01.tmp", "settings.2024-01.tmp", "photo.lua.123-4.tmp", "settings.lua.123-4.tmp.keep",
		"settings.lua.tmp", "highscores.lua.12345678901-1.tmp"};
	std::vector<std::string> const removed = {"settings.lua.999999999-0.tmp", "highscores.lua.999999998-3.tmp"};
	for (std::string const& name : kept)
		folder.write("saves/" + name, "the player's " + name);
	for (std::string const& name : removed)
		folder.write("saves/" + name, "half a save");
	std::string const link = saves + "/settings.lua.999999997-1.tmp";
	ASSERT_EQ(0, symlink((folder / "outside/target").c_str(), link.c_str()));
	std::unique_ptr<test::ChildProcess> game = startGame(folder, saves, "3");
	int const status = game->wait(s_patience);
	EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << game->output();
	for (std::string const& name : kept)
		EXPECT_EQ("the player's " + name, folder.read("saves/" + name)) << name;
	for (std::string const& name : removed)
	{
		EXPECT_FALSE(std::filesystem::exists(saves + "/" + name)) << name;
		EXPECT_NE(std::string::npos, game->output().find("Removed " + saves + "/" + name + ", left by a run that ended while saving"))
			<< game->output();
	}
	EXPECT_EQ(S_IFLNK, test::fileType(link));
	EXPECT_EQ("outside", folder.read("outside/target"));
	std::string why;
	EXPECT_EQ(3, checkpointOf(saves + "/settings.lua", why)) << why;
}

// The analytics store's folder itself as a FIFO, a link to a folder outside
// or a dangling link: it is set aside and made afresh, and the store writes
// nothing outside the save folder.
TEST(GameProgramSaveFolder, TheStoresFolderIsARealFolderOfTheSaveFolder)
{
	test::TempFolder folder;
	test::writeGameData(folder, ENGINE_BUNDLE_DIR, s_checkpointLogic);
	std::vector<test::Hostile> const kinds = {test::Hostile::Fifo, test::Hostile::LinkToFolder, test::Hostile::DanglingLink};
	std::vector<std::string> failures(kinds.size());
	onEveryCore(static_cast<int>(kinds.size()), [&](int index) {
		test::Hostile const kind = kinds[static_cast<size_t>(index)];
		std::string const saves = folder / ("saves-" + std::to_string(index));
		std::string const outside = folder / ("outside-" + std::to_string(index));
		std::filesystem::create_directories(saves);
		std::filesystem::create_directories(outside);
		std::string& failure = failures[static_cast<size_t>(index)];
		if (!test::makeHostile(kind, saves + "/TallyFiles", outside))
		{
			failure = "cannot make a " + std::string(test::describe(kind));
			return;
		}
		auto const outsideBefore = namesBelow(outside);
		std::unique_ptr<test::ChildProcess> game = startGame(folder, saves, "3");
		int const status = game->wait(s_patience);
		std::string const where = std::string(test::describe(kind)) + ": ";
		if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
			failure += where + "status " + std::to_string(status) + "\n";
		if (test::fileType(saves + "/TallyFiles.bad") != test::hostileType(kind))
			failure += where + "not set aside\n";
		if (test::fileType(saves + "/TallyFiles") != S_IFDIR || test::fileType(saves + "/TallyFiles/.tallyStore.lock") != S_IFREG)
			failure += where + "the store was not made afresh in the save folder\n";
		if (namesBelow(outside) != outsideBefore)
			failure += where + "something outside the save folder changed\n";
		if (!failure.empty())
			failure += game->output();
	});
	for (std::string const& failure : failures)
		EXPECT_EQ("", failure);
}
