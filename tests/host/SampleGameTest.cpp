// The sample game's scripts on the game application (fake context), and the
// game program playing them headless.
#include <support/GameAppFixture.h>
#include <support/NoSoundDevice.h>
#include <io/detail/detail.h>
#include <pf/linux/LocalStore.h>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <gtest/gtest.h>

namespace
{

class SampleGame : public test::GameAppFixture
{
protected:
	SampleGame() { io::detail::setBundlePath(ENGINE_BUNDLE_DIR); }

	/** Starts the game, runs frames of 1/60 s, runs code, stops; returns what the game printed. */
	std::string play(int frames, std::string const& code = "")
	{
		testing::internal::CaptureStdout();
		start();
		for (int i = 0; i < frames; ++i)
			game->update(1.f / 60.f, context, 3);
		if (!code.empty())
			run(code);
		stop();
		return testing::internal::GetCapturedStdout();
	}
};

TEST_F(SampleGame, StartsAtTheLevelReachedAndCountsLaunches)
{
	std::string first = play(120, "settings.level = 'hilltop'");
	EXPECT_NE(std::string::npos, first.find("Lantern Drift: launch 1\n")) << first;
	EXPECT_NE(std::string::npos, first.find("Lantern Drift: 3 levels with star limits\n")) << first;
	EXPECT_NE(std::string::npos, first.find("Removing physics objects...\nLoading level from file...\n")) << first;
	EXPECT_NE(std::string::npos, first.find("Lantern Drift: level meadow with 9 objects, 2 targets, 3 flyers\n")) << first;
	EXPECT_EQ(std::string::npos, first.find("could not load")) << first;
	EXPECT_EQ(std::string::npos, first.find("unknown definition")) << first;
	// Nothing is launched, nothing breaks: the level goes on.
	EXPECT_EQ(std::string::npos, first.find(" won ")) << first;
	EXPECT_EQ(std::string::npos, first.find(" lost ")) << first;
	std::string const settings = test::readSaveFile(appData, "settings.lua");
	EXPECT_NE(std::string::npos, settings.find("launches = 1")) << settings;

	std::string second = play(1);
	EXPECT_NE(std::string::npos, second.find("Lantern Drift: launch 2\n")) << second;
	EXPECT_NE(std::string::npos, second.find("Lantern Drift: level hilltop with 11 objects, 3 targets, 4 flyers\n")) << second;
}

TEST_F(SampleGame, AFlyerBreaksABlockThroughTheContactCallbacks)
{
	// A lantern thrown down on the right end of the gate's beam: the host
	// takes the impact off the beam's strength and breaks the weld that holds
	// it; the script removes the broken beam with its points and reports the
	// joint.
	testing::internal::CaptureStdout();
	start();
	game->update(1.f / 60.f, context, 3);
	run("createCircle('thrown', 'lantern', 35.5, -8, 0.6, 4, 0.5, 0.2, true, true, 3)\n"
		"objects.world.thrown.damageFactors = 'lantern'\n"
		"setActive('thrown', true)\n"
		"setVelocity('thrown', 0, 20)\n");
	for (int i = 0; i < 60; ++i)
		game->update(1.f / 60.f, context, 3);
	run("score = scoreTable.blocks.score beamGone = objects.world.beam == nil and objects.joints.gateWeld == nil");
	bool const beamGone = host().getBoolean("beamGone");
	float const score = host().getNumber("score");
	stop();
	std::string const out = testing::internal::GetCapturedStdout();
	EXPECT_TRUE(beamGone) << out;
	EXPECT_GE(score, 250.f) << out;
	EXPECT_NE(std::string::npos, out.find("Lantern Drift: joint gateWeld broke at frame ")) << out;
	EXPECT_NE(std::string::npos, out.find("Lantern Drift: block beam (timber) broke at frame ")) << out;
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

/**
 * The game program's command line for a run in folder out: its saves and the
 * analytics agent's folders stay there, sound goes nowhere, the texts'
 * language comes from lang. flags follow.
 */
std::string gameCommand(test::TempFolder const& out, std::string const& lang, std::string const& flags)
{
	return "LANGUAGE= LC_ALL= LC_MESSAGES= LANG=" + lang + " ALSOFT_DRIVERS=null XDG_DATA_HOME=" + out.path() + "/share XDG_CACHE_HOME=" +
		   out.path() + "/cache " + std::string(GAME_PROGRAM) + " --headless --data " + ENGINE_BUNDLE_DIR + " --out " + out.path() +
		   " --save-dir " + out.path() + "/saves " + flags;
}

/** The lines the sample game printed in log, in order. */
std::string gameLines(std::string const& log)
{
	std::string lines;
	std::istringstream in(log);
	for (std::string line; std::getline(in, line);)
	{
		if (line.rfind("Lantern Drift: ", 0) == 0)
			lines += line + "\n";
	}
	return lines;
}

/** Width and height of a PNG file (0, 0 when it is none). */
std::pair<int, int> pngSize(std::string const& path)
{
	std::ifstream in(path, std::ios::binary);
	unsigned char head[24] = {};
	in.read(reinterpret_cast<char*>(head), sizeof(head));
	if (!in || head[12] != 'I' || head[15] != 'R')
		return {0, 0};
	auto be = [&](int at) { return int(head[at]) << 24 | int(head[at + 1]) << 16 | int(head[at + 2]) << 8 | int(head[at + 3]); };
	return {be(16), be(20)};
}

TEST(SampleGameProgram, HeadlessRunWritesFramesAndSavesInTheSystemsLanguage)
{
	test::TempFolder out;
	int status = -1;
	std::string first = runProgram(gameCommand(out, "de_DE.UTF-8", "--frames 120 --screenshot 1,60,120"), status);
	EXPECT_EQ(0, status) << first;
	EXPECT_NE(std::string::npos, first.find("Lantern Drift: launch 1\n")) << first;
	EXPECT_NE(std::string::npos, first.find("Lantern Drift: texts in de_DE for the system locale de_DE.UTF-8\n")) << first;
	EXPECT_NE(std::string::npos, first.find("Lantern Drift: level meadow with 9 objects, 2 targets, 3 flyers\n")) << first;
	for (char const* png : {"frame-0001.png", "frame-0060.png", "frame-0120.png"})
		EXPECT_EQ(pngSize(out / png), std::make_pair(1024, 768)) << png;
	EXPECT_FALSE(std::filesystem::exists(out / "frame-0121.png"));
	for (char const* save : {"settings.lua", "highscores.lua", "bi_data.lua", "gamepurchases.lua"})
		EXPECT_TRUE(std::filesystem::exists(out / ("saves/" + std::string(save)))) << save;

	std::string second = runProgram(gameCommand(out, "C", "--frames 2"), status);
	EXPECT_EQ(0, status) << second;
	EXPECT_NE(std::string::npos, second.find("Lantern Drift: launch 2\n")) << second;
	EXPECT_NE(std::string::npos, second.find("Lantern Drift: texts in en_EN for the system locale C\n")) << second;
	EXPECT_NE(std::string::npos, test::readSaveFile(out, "saves/settings.lua").find("launches = 2")) << test::readSaveFile(out, "saves/settings.lua");
}

// Headless, the sound follows the game's clock and no device is opened:
// without a sound device the game plays on (its opening sound included) to
// a normal end, with no word of a device. (A window's output without a
// device runs silent: test_audio_silent.)
TEST(SampleGameProgram, HeadlessRunNeedsNoSoundDevice)
{
	test::TempFolder out;
	std::string const command = test::noSoundDevice(out) + " " + std::string(GAME_PROGRAM) + " --headless --frames 60 --data " +
								ENGINE_BUNDLE_DIR + " --out " + out.path() + " --save-dir " + out.path() + "/saves";
	int status = -1;
	std::string const output = runProgram(command, status);
	EXPECT_EQ(0, status) << output;
	EXPECT_EQ(std::string::npos, output.find("no sound device")) << output;
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

TEST(SampleGameProgram, ScriptedPlayWinsTheFirstLevelTheSameEachRun)
{
	std::string const flags = "--frames 420 --screenshot 50,100,134,200,420 --events " + std::string(ENGINE_GAME_DATA) + "/play-level1.events";
	test::TempFolder runs[2];
	std::string logs[2];
	for (int i = 0; i < 2; ++i)
	{
		int status = -1;
		logs[i] = runProgram(gameCommand(runs[i], "C", flags), status);
		EXPECT_EQ(0, status) << logs[i];
	}
	std::string const& log = logs[0];
	EXPECT_NE(std::string::npos, log.find("Lantern Drift: flyer 1 launched at frame 60")) << log;
	EXPECT_NE(std::string::npos, log.find("Lantern Drift: block strawTop (straw) broke")) << log;
	EXPECT_NE(std::string::npos, log.find("Lantern Drift: joint gateWeld broke")) << log;
	EXPECT_NE(std::string::npos, log.find("Lantern Drift: target gloomUnder destroyed")) << log;
	EXPECT_NE(std::string::npos, log.find("Lantern Drift: target gloomTop destroyed")) << log;
	size_t const won = log.find("Lantern Drift: level meadow won at frame ");
	ASSERT_NE(std::string::npos, won) << log;
	int frame = 0, score = 0, stars = 0;
	ASSERT_EQ(3, std::sscanf(log.c_str() + won, "Lantern Drift: level meadow won at frame %d: score %d, %d stars", &frame, &score, &stars)) << log;
	EXPECT_GT(score, 0);
	// After the pause the second level starts, and the saves hold the result.
	EXPECT_GT(log.find("Lantern Drift: level riverbank with "), won) << log;
	std::string const highscores = test::readSaveFile(runs[0], "saves/highscores.lua");
	size_t const meadow = highscores.find("meadow = {");
	ASSERT_NE(std::string::npos, meadow) << highscores;
	std::string const result = highscores.substr(meadow, highscores.find('}', meadow) - meadow);
	EXPECT_NE(std::string::npos, result.find("score = " + std::to_string(score))) << highscores;
	EXPECT_NE(std::string::npos, result.find("stars = " + std::to_string(stars))) << highscores;
	EXPECT_NE(std::string::npos, test::readSaveFile(runs[0], "saves/settings.lua").find("level = \"riverbank\"")) << test::readSaveFile(runs[0], "saves/settings.lua");

	// The second run plays and draws the same, frame by frame.
	EXPECT_EQ(gameLines(logs[1]), gameLines(log));
	for (char const* png : {"frame-0050.png", "frame-0100.png", "frame-0134.png", "frame-0200.png", "frame-0420.png"})
	{
		std::string const a = runs[0].read(png);
		EXPECT_FALSE(a.empty()) << png;
		EXPECT_TRUE(a == runs[1].read(png)) << png << " differs between the runs";
	}
}

TEST(SampleGameProgram, UsedUpFlyersAndAWorldAtRestLoseAndRestartTheLevel)
{
	// Three short pulls: each lantern drops in front of the launcher.
	test::TempFolder out;
	std::string events;
	for (int start : {10, 400, 800})
	{
		events += std::to_string(start) + " touch-begin 1 150 566\n";
		events += std::to_string(start + 2) + " touch-move 1 130 566\n";
		events += std::to_string(start + 4) + " touch-end 1 130 566\n";
	}
	out.write("short.events", events);
	int status = -1;
	std::string const log = runProgram(gameCommand(out, "C", "--frames 1250 --events " + (out / "short.events")), status);
	EXPECT_EQ(0, status) << log;
	EXPECT_NE(std::string::npos, log.find("Lantern Drift: flyer 3 launched at frame 804")) << log;
	size_t const lost = log.find("Lantern Drift: level meadow lost at frame ");
	ASSERT_NE(std::string::npos, lost) << log;
	EXPECT_NE(std::string::npos, log.find("Lantern Drift: level meadow with 9 objects, 2 targets, 3 flyers\n", lost)) << log;
	EXPECT_EQ(std::string::npos, log.find(" won ")) << log;
	EXPECT_EQ(std::string::npos, test::readSaveFile(out, "saves/highscores.lua").find("meadow")) << test::readSaveFile(out, "saves/highscores.lua");
}

TEST(SampleGameProgram, ScreenFlagGoesOverTheGamesSizeAndTheSceneFollowsResizes)
{
	test::TempFolder out;
	out.write("resize.events", "2 resize 1280 720\n");
	int status = -1;
	std::string const log = runProgram(gameCommand(out, "C", "--screen 600x800 --frames 3 --screenshot 1,3 --events " + (out / "resize.events")), status);
	EXPECT_EQ(0, status) << log;
	// The game asks for 768 x 1024 (turned to landscape); the flag wins, as
	// width x height of the frames.
	EXPECT_EQ(pngSize(out / "frame-0001.png"), std::make_pair(600, 800));
	EXPECT_EQ(pngSize(out / "frame-0003.png"), std::make_pair(1280, 720));
	EXPECT_NE(std::string::npos, log.find("Lantern Drift: screen 1280 x 720\n")) << log;
}

} // namespace
