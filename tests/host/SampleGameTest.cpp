// The sample game's scripts on the game application (fake context).
#include <support/GameAppFixture.h>
#include <support/NoSoundDevice.h>
#include <io/detail/detail.h>
#include <pf/linux/LocalStore.h>
#include <cstdio>
#include <filesystem>
#include <sys/wait.h>
#include <gtest/gtest.h>

namespace
{

class SampleGame : public test::GameAppFixture
{
protected:
	SampleGame() { io::detail::setBundlePath(ENGINE_BUNDLE_DIR); }

	/** Starts the game, runs frames of 1/60 s and stops; returns what the game printed. */
	std::string play(int frames)
	{
		testing::internal::CaptureStdout();
		start();
		for (int i = 0; i < frames; ++i)
			game->update(1.f / 60.f, context, 3);
		stop();
		return testing::internal::GetCapturedStdout();
	}
};

TEST_F(SampleGame, ReportsEverySecondAndCountsLaunches)
{
	std::string first = play(120);
	EXPECT_NE(std::string::npos, first.find("Lantern Drift: launch 1\n")) << first;
	EXPECT_NE(std::string::npos, first.find("Lantern Drift: 3 levels with star limits\n")) << first;
	EXPECT_NE(std::string::npos, first.find("Removing physics objects...\nLoading level from file...\n"
											"Lantern Drift: level meadow with 5 objects\n")) << first;
	EXPECT_NE(std::string::npos, first.find("Lantern Drift: 1 s, drifted 1 m, 0 touches\n")) << first;
	EXPECT_EQ(std::string::npos, first.find("could not load")) << first;
	// The crates settle on the dock and fall asleep within the two seconds.
	EXPECT_NE(std::string::npos, first.find("Lantern Drift: the crates are at rest at frame ")) << first;
	EXPECT_NE(std::string::npos, test::readSaveFile(appData, "settings.lua").find("launches = 1")) << test::readSaveFile(appData, "settings.lua");

	std::string second = play(1);
	EXPECT_NE(std::string::npos, second.find("Lantern Drift: launch 2\n")) << second;
	EXPECT_NE(std::string::npos, test::readSaveFile(appData, "highscores.lua").find("longestDrift = ")) << test::readSaveFile(appData, "highscores.lua");
}

TEST_F(SampleGame, BundleHoldsTheStoreCatalogue)
{
	pf::LocalStore::Catalogue const catalogue = pf::LocalStore::readCatalogue();
	EXPECT_EQ(10u, catalogue.products.size());
}

} // namespace

namespace
{

/** Runs command and returns its standard output and error; status gets the exit status. */
std::string runProgram(std::string const& command, int& status)
{
	std::string out;
	FILE* pipe = popen((command + " 2>&1").c_str(), "r");
	if (!pipe)
	{
		status = -1;
		return out;
	}
	char buf[4096];
	size_t n;
	while ((n = fread(buf, 1, sizeof(buf), pipe)) > 0)
		out.append(buf, n);
	int raw = pclose(pipe);
	status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
	return out;
}

TEST(SampleGameProgram, HeadlessRunWritesFramesAndSaves)
{
	test::TempFolder out;
	// The analytics agent's shared and cache folders stay in the test's folder.
	std::string const command = "XDG_DATA_HOME=" + out.path() + "/share XDG_CACHE_HOME=" + out.path() + "/cache " + std::string(GAME_PROGRAM) + " --headless --frames 120 --screenshot 1,60,120 --data " +
								ENGINE_BUNDLE_DIR + " --out " + out.path() + " --save-dir " + out.path() + "/saves";
	int status = -1;
	std::string first = runProgram(command, status);
	EXPECT_EQ(0, status) << first;
	EXPECT_NE(std::string::npos, first.find("Lantern Drift: launch 1\n")) << first;
	EXPECT_NE(std::string::npos, first.find("Lantern Drift: 2 s, drifted 2 m, 0 touches\n")) << first;
	EXPECT_NE(std::string::npos, first.find("Lantern Drift: the crates are at rest at frame ")) << first;
	// The ball launched at frame 64 reaches the target before frame 120.
	EXPECT_NE(std::string::npos, first.find("Lantern Drift: the ball hit the target at frame ")) << first;
	for (char const* png : {"frame-0001.png", "frame-0060.png", "frame-0120.png"})
		EXPECT_TRUE(std::filesystem::exists(out / png)) << png;
	EXPECT_FALSE(std::filesystem::exists(out / "frame-0121.png"));
	for (char const* save : {"settings.lua", "highscores.lua", "bi_data.lua", "gamepurchases.lua"})
		EXPECT_TRUE(std::filesystem::exists(out / ("saves/" + std::string(save)))) << save;

	std::string second = runProgram(command, status);
	EXPECT_EQ(0, status) << second;
	EXPECT_NE(std::string::npos, second.find("Lantern Drift: launch 2\n")) << second;
	EXPECT_NE(std::string::npos, test::readSaveFile(out, "saves/settings.lua").find("launches = 2")) << test::readSaveFile(out, "saves/settings.lua");
}

// Without a sound device the game runs silent: it says so once and plays
// on (its opening sound included) to a normal end.
TEST(SampleGameProgram, RunsSilentWithoutASoundDevice)
{
	test::TempFolder out;
	std::string const command = test::noSoundDevice(out) + " " + std::string(GAME_PROGRAM) + " --headless --frames 60 --data " +
								ENGINE_BUNDLE_DIR + " --out " + out.path() + " --save-dir " + out.path() + "/saves";
	int status = -1;
	std::string const output = runProgram(command, status);
	EXPECT_EQ(0, status) << output;
	size_t const line = output.find("no sound device: running silent\n");
	EXPECT_NE(std::string::npos, line) << output;
	EXPECT_EQ(std::string::npos, output.find("no sound device", line + 1)) << output;
	EXPECT_NE(std::string::npos, output.find("Lantern Drift: launch 1\n")) << output;
}

// A data folder that cannot be used ends the run at once with one line
// naming it and the failed-launch status; no save is written.
TEST(SampleGameProgram, UnusableDataFolderIsNamed)
{
	test::TempFolder out;
	out.write("file", "x");
	struct Case
	{
		std::string folder;
		char const* why;
	};
	Case const cases[] = {
		{out / "missing", "No such file or directory"},
		{out / "file", "it is not a folder"},
	};
	for (Case const& c : cases)
	{
		std::string const command = "XDG_DATA_HOME=" + out.path() + "/share XDG_CACHE_HOME=" + out.path() + "/cache " + std::string(GAME_PROGRAM) +
									" --headless --frames 10 --data " + c.folder + " --save-dir " + out.path() + "/saves";
		int status = -1;
		std::string const log = runProgram(command, status);
		EXPECT_EQ(1, status) << log;
		EXPECT_NE(std::string::npos, log.find("\nThe data folder " + c.folder + " cannot be used: " + c.why + "\n")) << log;
		EXPECT_EQ(std::string::npos, log.find("Failed to load")) << log;
		EXPECT_EQ(std::string::npos, log.find("nil value")) << log;
		EXPECT_FALSE(std::filesystem::exists(out / "saves/settings.lua")) << log;
	}
}

} // namespace
