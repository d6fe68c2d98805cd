// The sample game's scripts on the game application (fake context), and the
// game program playing them headless.
#include <support/GameAppFixture.h>
#include <support/NoSoundDevice.h>
#include <img/ImageReader.h>
#include <io/ByteArrayInputStream.h>
#include <io/detail/detail.h>
#include <pf/linux/LocalStore.h>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
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

// Once a level is won the score shown is the score saved: points the host
// still adds for blocks falling under the banner count no more. The HUD's
// text is caught by standing in for the host's text drawing.
TEST_F(SampleGame, ScoreStopsWithTheWin)
{
	testing::internal::CaptureStdout();
	start();
	game->update(1.f / 60.f, context, 3);
	run("for name, t in _G.pairs(objects.world) do if t.target then deadBlocks[name] = true end end");
	for (int i = 0; i < 3; ++i)
		game->update(1.f / 60.f, context, 3);
	run("saved = highscores.meadow and highscores.meadow.score or -1\n"
		"scoreTable.blocks.score = scoreTable.blocks.score + 10\n"
		"shown = nil\n"
		"drawUITextNative = function(e) if e.text and e.text:find('^SCORE ') then shown = _G.tonumber(e.text:sub(7)) end end\n"
		"draw()\n");
	float const saved = host().getNumber("saved");
	float const shown = host().isNumber("shown") ? host().getNumber("shown") : -2.f;
	stop();
	std::string const out = testing::internal::GetCapturedStdout();
	ASSERT_NE(std::string::npos, out.find("Lantern Drift: level meadow won at frame ")) << out;
	EXPECT_GT(saved, 0.f) << out;
	EXPECT_EQ(saved, shown) << out;
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

/** Plays the game in folder out with the scripted input events (written there) and flags; status gets the exit status; returns its output. */
std::string playEvents(test::TempFolder& out, std::string const& events, std::string const& flags, int& status)
{
	out.write("play.events", events);
	return runProgram(gameCommand(out, "C", flags + " --events " + (out / "play.events")), status);
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

/** The pixels of a PNG frame as R, G, B, A bytes, top row first; width and height set. */
std::vector<unsigned char> framePixels(std::string bytes, int& width, int& height)
{
	img::ImageReader reader(new io::ByteArrayInputStream(std::move(bytes)), io::FILEFORMAT_PNG);
	width = reader.surfaceWidth();
	height = reader.surfaceHeight();
	std::vector<unsigned char> pixels(size_t(width) * height * 4);
	reader.readSurface(pixels.data(), width * 4, width, height, gr::SurfaceFormat::SURFACE_A8B8G8R8);
	return pixels;
}

/** A rectangle of pixels, right and bottom excluded; empty while right <= left. */
struct PixelBox
{
	int left = INT32_MAX, top = INT32_MAX, right = INT32_MIN, bottom = INT32_MIN;

	void add(int x, int y)
	{
		left = std::min(left, x);
		top = std::min(top, y);
		right = std::max(right, x + 1);
		bottom = std::max(bottom, y + 1);
	}
	bool empty() const { return right <= left; }
	bool holds(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
};

/** The pixels of frame from row top down that differ from its bottom left pixel (the ground). */
int differingFromGround(std::string const& png, int top)
{
	int w = 0, h = 0;
	std::vector<unsigned char> const f = framePixels(png, w, h);
	unsigned char const* ground = &f[size_t(h - 1) * w * 4];
	int count = 0;
	for (int y = top; y < h; ++y)
	{
		for (int x = 0; x < w; ++x)
			count += std::equal(ground, ground + 3, &f[(size_t(y) * w + x) * 4]) ? 0 : 1;
	}
	return count;
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
	std::string const flags = "--frames 420 --screenshot 50,100,134,142,150,200,420 --events " + std::string(ENGINE_GAME_DATA) + "/play-level1.events";
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
	for (char const* png : {"frame-0050.png", "frame-0100.png", "frame-0134.png", "frame-0142.png", "frame-0150.png", "frame-0200.png", "frame-0420.png"})
	{
		std::string const a = runs[0].read(png);
		EXPECT_FALSE(a.empty()) << png;
		EXPECT_TRUE(a == runs[1].read(png)) << png << " differs between the runs";
		// Under the ground's surface (row 676 of 768) there is only ground:
		// no ember of the aiming path (50), no chip of the breaking blocks
		// (134 to 150), no spark or wisp of the glooms (200).
		EXPECT_EQ(0, differingFromGround(a, 680)) << png;
	}
}

// After a flight the next lantern waits, and the flight's trail of white
// dots stays drawn to aim by (under the HUD's half of the screen).
TEST(SampleGameProgram, TrailStaysWhileTheNextLanternWaits)
{
	test::TempFolder out;
	int status = -1;
	std::string const events = "10 touch-begin 1 150 566\n13 touch-move 1 120 560\n16 touch-move 1 100 556\n20 touch-end 1 100 556\n";
	std::string const log = playEvents(out, events, "--frames 400 --screenshot 400", status);
	EXPECT_EQ(0, status) << log;
	ASSERT_NE(std::string::npos, log.find("Lantern Drift: flyer 1 launched at frame 20")) << log;
	int w = 0, h = 0;
	std::vector<unsigned char> const f = framePixels(out.read("frame-0400.png"), w, h);
	int dots = 0;
	for (int y = h / 2; y < h; ++y)
	{
		for (int x = 0; x < w; ++x)
		{
			unsigned char const* p = &f[(size_t(y) * w + x) * 4];
			dots += p[0] == 255 && p[1] == 255 && p[2] == 255 ? 1 : 0;
		}
	}
	EXPECT_GT(dots, 100) << "no trail";
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
	int status = -1;
	std::string const log = playEvents(out, events, "--frames 1250", status);
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
	int status = -1;
	std::string const log = playEvents(out, "2 resize 1280 720\n", "--screen 600x800 --frames 3 --screenshot 1,3", status);
	EXPECT_EQ(0, status) << log;
	// The game asks for 768 x 1024 (turned to landscape); the flag wins, as
	// width x height of the frames.
	EXPECT_EQ(pngSize(out / "frame-0001.png"), std::make_pair(600, 800));
	EXPECT_EQ(pngSize(out / "frame-0003.png"), std::make_pair(1280, 720));
	EXPECT_NE(std::string::npos, log.find("Lantern Drift: screen 1280 x 720\n")) << log;
}

// Hilltop's gloom hangs from the lintel on a line that is drawn: between the
// lintel's bottom (row 548) and the gloom's top (row 570) at x 740 the
// line's brown shows over the peaks' and the sky's blues.
TEST(SampleGameProgram, HilltopsHangingLineIsDrawn)
{
	test::TempFolder out;
	out.write("saves/settings.lua", "level = \"hilltop\"\n");
	int status = -1;
	std::string const log = runProgram(gameCommand(out, "C", "--frames 2 --screenshot 2"), status);
	EXPECT_EQ(0, status) << log;
	ASSERT_NE(std::string::npos, log.find("Lantern Drift: level hilltop with ")) << log;
	int w = 0, h = 0;
	std::vector<unsigned char> const f = framePixels(out.read("frame-0002.png"), w, h);
	int brown = 0;
	for (int y = 552; y < 566; ++y)
	{
		for (int x = 735; x < 746; ++x)
		{
			unsigned char const* p = &f[(size_t(y) * w + x) * 4];
			brown += p[0] > p[2] + 40 ? 1 : 0;
		}
	}
	EXPECT_GE(brown, 14) << "one brown pixel a row at least";
}

// P pauses: a pull and release while paused launches nothing; Escape goes
// on, and the next pull launches. R starts the level afresh.
TEST(SampleGameProgram, KeysPauseGoOnAndRestart)
{
	test::TempFolder out;
	int status = -1;
	std::string const events = "10 key-down P\n11 key-up P\n"
							   "20 touch-begin 1 150 566\n22 touch-move 1 110 576\n24 touch-move 1 70 586\n26 touch-end 1 70 586\n"
							   "40 key-down ESCAPE\n41 key-up ESCAPE\n"
							   "50 touch-begin 1 150 566\n53 touch-move 1 110 576\n56 touch-move 1 70 586\n70 touch-end 1 70 586\n"
							   "100 key-down R\n101 key-up R\n";
	std::string const log = playEvents(out, events, "--frames 110", status);
	EXPECT_EQ(0, status) << log;
	std::string const lines = gameLines(log);
	size_t const paused = lines.find("Lantern Drift: paused at frame 10\n");
	size_t const goingOn = lines.find("Lantern Drift: going on at frame 40\n");
	size_t const launched = lines.find("Lantern Drift: flyer 1 launched at frame 70,");
	size_t const restarted = lines.find("Lantern Drift: level meadow restarted at frame 100\n");
	ASSERT_NE(std::string::npos, paused) << lines;
	ASSERT_NE(std::string::npos, goingOn) << lines;
	ASSERT_NE(std::string::npos, launched) << lines;
	ASSERT_NE(std::string::npos, restarted) << lines;
	EXPECT_LT(paused, goingOn);
	EXPECT_LT(goingOn, launched);
	EXPECT_LT(launched, restarted);
	EXPECT_EQ(std::string::npos, lines.find("flyer 2 launched")) << lines;
	EXPECT_NE(std::string::npos, lines.find("Lantern Drift: level meadow with 9 objects, 2 targets, 3 flyers\n", restarted)) << lines;
}

// The HUD and the scenery at every size from 480 x 320 to 1920 x 1080, by
// pixels. While the first lantern waits, the hint's box (its rim colour)
// lies on the screen and covers none of the text lines (score, level and
// lanterns, best score, keys: the white pixels of the top half once the
// lantern is launched and the hint gone); the level's best score is in the
// saves, so its line shows. The scenery's pieces (hills, mountains) meet
// side by side across the whole width: 40 world pixels above the ground
// line no column shows the sky, 8 above it none shows the sky or the
// mountains (only the hills and what stands on them). Each size is a case
// of its own, so that the runs of the game go side by side.
class SampleGameSizes : public ::testing::TestWithParam<std::pair<int, int>>
{
};

TEST_P(SampleGameSizes, HudAndSceneryFit)
{
	int const w = GetParam().first, h = GetParam().second;
	std::string const label = std::to_string(w) + " x " + std::to_string(h);
	test::TempFolder out;
	out.write("saves/highscores.lua", "meadow = { score = 98765, stars = 3 }\n");
	// Where the game's layout puts the waiting lantern (world 150, -110):
	// the level's 1024 x 640 fitted, the ground line 0.88 of the way down.
	// A portrait screen takes the scale of its landscape turn, the
	// view's left edge 120 left of the launcher where the level's width
	// does not fit.
	double scale = std::min(w / 1024.0, h / 640.0);
	if (h > w)
		scale = std::max(scale, std::min(h / 1024.0, w / 640.0));
	double const shown = w / scale;
	double const left = shown < 1024.0 ? 30.0 : 512.0 - shown / 2.0, top = -0.88 * h / scale;
	int const x = int(std::lround((150.0 - left) * scale)), y = int(std::lround((-110.0 - top) * scale));
	std::string const events = "1 resize " + std::to_string(w) + " " + std::to_string(h) + "\n4 touch-begin 1 " + std::to_string(x) + " " +
							   std::to_string(y) + "\n6 touch-move 1 " + std::to_string(x - 30) + " " + std::to_string(y) +
							   "\n8 touch-move 1 " + std::to_string(x - 60) + " " + std::to_string(y + 10) + "\n10 touch-end 1 " +
							   std::to_string(x - 60) + " " + std::to_string(y + 10) + "\n";
	int status = -1;
	std::string const log = playEvents(out, events, "--frames 13 --screenshot 3,13", status);
	ASSERT_EQ(0, status) << label << log;
	ASSERT_NE(std::string::npos, log.find("Lantern Drift: flyer 1 launched")) << label << log;

	int fw = 0, fh = 0;
	std::vector<unsigned char> const waiting = framePixels(out.read("frame-0003.png"), fw, fh);
	ASSERT_EQ(std::make_pair(w, h), std::make_pair(fw, fh)) << label;
	std::vector<unsigned char> const launched = framePixels(out.read("frame-0013.png"), fw, fh);
	// Within the steps of the frames' 5 and 6 bits a colour.
	auto near = [&](std::vector<unsigned char> const& f, int px, int py, int r, int g, int b) {
		unsigned char const* p = &f[(size_t(py) * w + px) * 4];
		return std::abs(p[0] - r) <= 8 && std::abs(p[1] - g) <= 4 && std::abs(p[2] - b) <= 8;
	};
	PixelBox hint, text;
	int covered = 0;
	for (int py = 0; py < h; ++py)
	{
		for (int px = 0; px < w; ++px)
		{
			if (near(waiting, px, py, 240, 220, 120))
				hint.add(px, py);
		}
	}
	ASSERT_FALSE(hint.empty()) << label << ": no hint box";
	for (int py = 0; py < h / 2; ++py)
	{
		for (int px = 0; px < w; ++px)
		{
			if (near(launched, px, py, 255, 255, 255))
			{
				text.add(px, py);
				covered += hint.holds(px, py) ? 1 : 0;
			}
		}
	}
	EXPECT_EQ(0, covered) << label << ": the hint box (" << hint.left << ", " << hint.top << ") - (" << hint.right << ", " << hint.bottom
						  << ") covers text pixels of (" << text.left << ", " << text.top << ") - (" << text.right << ", " << text.bottom << ")";
	// Four lines of text, all on the screen with a margin.
	EXPECT_GE(text.bottom - text.top, 4 * 16) << label;
	EXPECT_GT(text.left, 0) << label;
	EXPECT_LT(text.right, w) << label;
	EXPECT_GT(hint.left, 0) << label;
	EXPECT_LT(hint.right, w) << label;
	EXPECT_LT(hint.bottom, h) << label;
	for (int above : {8, 40})
	{
		int const row = int(0.88 * h - above * scale);
		int behind = 0;
		for (int px = 0; px < w; ++px)
			behind += near(waiting, px, row, 44, 52, 104) || (above == 8 && near(waiting, px, row, 110, 130, 170)) ? 1 : 0;
		EXPECT_EQ(0, behind) << label << ": row " << row;
	}
}

INSTANTIATE_TEST_SUITE_P(EverySize, SampleGameSizes,
	::testing::Values(std::make_pair(480, 320), std::make_pair(640, 480), std::make_pair(480, 640), std::make_pair(900, 500),
		std::make_pair(1024, 768), std::make_pair(1920, 1080)),
	[](::testing::TestParamInfo<std::pair<int, int>> const& info) {
		return std::to_string(info.param.first) + "x" + std::to_string(info.param.second);
	});

/**
 * A data folder at "<out>/data" for --data: the build's bundle, its entries
 * linked, except the shipped files of replacements (paths below data_ipad,
 * text), which are packed there instead.
 */
void mirrorBundle(test::TempFolder const& out, std::map<std::string, std::string> const& replacements)
{
	namespace fs = std::filesystem;
	std::function<void(fs::path const&, fs::path const&, std::string const&)> mirror = [&](fs::path const& from, fs::path const& to,
																						  std::string const& prefix) {
		fs::create_directories(to);
		for (fs::directory_entry const& entry : fs::directory_iterator(from))
		{
			std::string const name = prefix + entry.path().filename().string();
			if (replacements.count(name))
				continue;
			bool const holds = std::any_of(replacements.begin(), replacements.end(),
				[&](auto const& r) { return r.first.rfind(name + "/", 0) == 0; });
			if (holds)
				mirror(entry.path(), to / entry.path().filename(), name + "/");
			else
				fs::create_symlink(entry.path(), to / entry.path().filename());
		}
	};
	mirror(ENGINE_BUNDLE_DIR, out / "data", "");
	for (auto const& [name, text] : replacements)
		test::writeShippedFile(out, "data/" + name, text);
}

/** The command line of gameCommand with the data folder of mirrorBundle. */
std::string mirroredGameCommand(test::TempFolder const& out, std::string const& flags)
{
	std::string command = gameCommand(out, "C", flags);
	size_t const data = command.find(std::string(" --data ") + ENGINE_BUNDLE_DIR + " ");
	return command.replace(data, 8 + std::string(ENGINE_BUNDLE_DIR).size(), " --data " + out / "data");
}

/** The level file of the first level (meadow) holding world (entries of the world table). */
std::string levelWith(std::string const& world)
{
	return "filename = \"meadow.lua\"\nworldGravity = { x = 0, y = 9.8 }\ncounts = { blocks = 1, flyers = 3 }\ntheme = \"dusk\"\n"
		   "world = {\n"
		   "\tground = { name = \"ground\", definition = \"BLOCK_GROUND\", type = \"box\", x = 512, y = 40, angle = 0, scale = 1 },\n" +
		   world + "}\njoints = {}\n";
}

/** A target entry named name at x, y of definition. */
std::string gloomAt(std::string const& name, int x, int y, std::string const& definition = "TARGET_GLOOM")
{
	return "\t" + name + " = { name = \"" + name + "\", definition = \"" + definition + "\", type = \"circle\", x = " + std::to_string(x) +
		   ", y = " + std::to_string(y) + ", angle = 0, scale = 1 },\n";
}

/** The 16-bit samples (left, right interleaved) of the data chunk of a wave file's bytes; empty when it has none. */
std::vector<int16_t> waveSamples(std::string const& wave)
{
	for (size_t pos = 12; pos + 8 <= wave.size();)
	{
		uint32_t size = 0;
		std::memcpy(&size, wave.data() + pos + 4, 4);
		if (wave.compare(pos, 4, "data") == 0)
		{
			std::vector<int16_t> samples(std::min<size_t>(size, wave.size() - pos - 8) / 2);
			std::memcpy(samples.data(), wave.data() + pos + 8, samples.size() * 2);
			return samples;
		}
		pos += 8 + size + (size & 1);
	}
	return {};
}

/** The root mean square of the stereo samples from second from to second to at 44100 Hz. */
double loudness(std::vector<int16_t> const& samples, double from, double to)
{
	size_t const begin = std::min(samples.size(), size_t(from * 44100) * 2), end = std::min(samples.size(), size_t(to * 44100) * 2);
	double sum = 0;
	for (size_t i = begin; i < end; ++i)
		sum += double(samples[i]) * samples[i];
	return end > begin ? std::sqrt(sum / double(end - begin)) : 0.0;
}

// A ready-made sound is a file in data/game/audio and nothing else: the
// build copies every one into the bundle as it is, and the game plays it.
// The sample's launch sound ships so: the scripted launch at tick 60 is
// heard in the headless run's wave file, over the silence before it.
TEST(SampleGameProgram, ReadyMadeSoundsArePackedAsTheyAreAndPlay)
{
	std::vector<std::string> files;
	for (std::filesystem::directory_entry const& entry : std::filesystem::directory_iterator(std::string(ENGINE_GAME_DATA) + "/audio"))
		files.push_back(entry.path().filename().string());
	ASSERT_NE(files.end(), std::find(files.begin(), files.end(), "launch.wav"));
	for (std::string const& file : files)
	{
		std::ifstream source(std::string(ENGINE_GAME_DATA) + "/audio/" + file, std::ios::binary);
		std::ifstream packed(std::string(ENGINE_BUNDLE_DIR) + "/data_ipad/audio/" + file, std::ios::binary);
		std::string const a((std::istreambuf_iterator<char>(source)), std::istreambuf_iterator<char>());
		std::string const b((std::istreambuf_iterator<char>(packed)), std::istreambuf_iterator<char>());
		EXPECT_FALSE(a.empty()) << file;
		EXPECT_TRUE(a == b) << file << " is not in the bundle as it is";
	}

	test::TempFolder out;
	int status = -1;
	std::string const log = runProgram(gameCommand(out, "C", "--frames 90 --sound " + out / "sound.wav" + " --events " +
														  std::string(ENGINE_GAME_DATA) + "/play-level1.events"),
		status);
	ASSERT_EQ(0, status) << log;
	ASSERT_NE(std::string::npos, log.find("Lantern Drift: flyer 1 launched at frame 60")) << log;
	std::vector<int16_t> const samples = waveSamples(out.read("sound.wav"));
	double const before = loudness(samples, 0.1, 0.95), launch = loudness(samples, 1.0, 1.35);
	EXPECT_GT(launch, 1000.0) << "before " << before;
	EXPECT_LT(before * 10, launch);
}

// A level that cannot be won as written says so in one line when it loads
// (and is never won at once); one with a target to reach says nothing.
TEST(SampleGameProgram, ALevelThatCannotBeWonSaysSoWhenItLoads)
{
	std::string const block = "\tbox = { name = \"box\", definition = \"BLOCK_STRAW_SQUARE\", type = \"box\", x = 700, y = -16, angle = 0, scale = 1 },\n";
	struct Case
	{
		char const* what;
		std::string world;
		char const* line; // null: none
	};
	Case const cases[] = {
		{"no targets", block, "level meadow cannot be won: it has no targets (none of its entries names a target definition)\n"},
		{"a target of an unknown definition", block + gloomAt("ghost", 700, -60, "TARGET_GHOST"), "level meadow cannot be won: it has no targets"},
		{"a target past the right bound", gloomAt("far", 1400, -14), "level meadow cannot be won: none of its 1 targets lies within the level's bounds"},
		{"targets in the ground and above the top", gloomAt("deep", 600, 60) + gloomAt("high", 600, -1700),
			"level meadow cannot be won: none of its 2 targets lies within the level's bounds above the ground\n"},
		{"one target within the bounds", gloomAt("far", 1400, -14) + gloomAt("near", 700, -14), nullptr},
	};
	for (Case const& c : cases)
	{
		test::TempFolder out;
		mirrorBundle(out, {{"data_ipad/levels/meadow.lua", levelWith(c.world)}});
		int status = -1;
		std::string const log = runProgram(mirroredGameCommand(out, "--frames 10"), status);
		EXPECT_EQ(0, status) << c.what << log;
		std::string const lines = gameLines(log);
		EXPECT_NE(std::string::npos, lines.find("Lantern Drift: level meadow with ")) << c.what << lines;
		if (c.line)
		{
			EXPECT_NE(std::string::npos, lines.find(std::string("Lantern Drift: ") + c.line)) << c.what << lines;
			EXPECT_EQ(lines.find("cannot be won"), lines.rfind("cannot be won")) << c.what << ": one line\n" << lines;
		}
		else
			EXPECT_EQ(std::string::npos, lines.find("cannot be won")) << c.what << lines;
		EXPECT_EQ(std::string::npos, lines.find(" won at frame")) << c.what << lines;
	}
}

/** Pixels of a frame (R, G, B, A rows) and its size. */
struct Frame
{
	std::vector<unsigned char> pixels;
	int width = 0, height = 0;

	explicit Frame(std::string const& png) { pixels = framePixels(png, width, height); }

	/** Whether the pixel at x, y is within the steps of the frames' 5 and 6 bits of r, g, b. */
	bool near(int x, int y, int r, int g, int b) const
	{
		unsigned char const* p = &pixels[(size_t(y) * width + x) * 4];
		return std::abs(p[0] - r) <= 8 && std::abs(p[1] - g) <= 4 && std::abs(p[2] - b) <= 8;
	}

	/** The box of the pixels near r, g, b in rows top to bottom (excluded). */
	PixelBox find(int r, int g, int b, int top, int bottom) const
	{
		PixelBox box;
		for (int y = std::max(0, top); y < std::min(height, bottom); ++y)
		{
			for (int x = 0; x < width; ++x)
			{
				if (near(x, y, r, g, b))
					box.add(x, y);
			}
		}
		return box;
	}
};

// The stars of a won level are centred under the banner by their count:
// the star limits of the first level set to give one, two and three stars
// to the scripted play's score, the stars' yellow and the banner's box
// share one centre, the screen's.
TEST(SampleGameProgram, WinStarsAreCentredUnderTheBannerByTheirCount)
{
	std::string const limits[] = {"{ 1, 99999999, 99999999 }", "{ 1, 1, 99999999 }", "{ 1, 1, 1 }"};
	for (int stars = 1; stars <= 3; ++stars)
	{
		test::TempFolder out;
		mirrorBundle(out, {{"data_ipad/scripts/starLimits.lua", "meadow = " + limits[stars - 1] + "\nriverbank = { 1, 2, 3 }\nhilltop = { 1, 2, 3 }\n"}});
		int status = -1;
		std::string const log = runProgram(
			mirroredGameCommand(out, "--frames 200 --screenshot 200 --events " + std::string(ENGINE_GAME_DATA) + "/play-level1.events"), status);
		ASSERT_EQ(0, status) << log;
		ASSERT_NE(std::string::npos, log.find(", " + std::to_string(stars) + " stars\n")) << log;
		Frame const f(out.read("frame-0200.png"));
		// The banner's text starts at 0.3 of the height; the stars follow it.
		PixelBox const star = f.find(250, 210, 40, f.height * 3 / 10, f.height * 3 / 4);
		ASSERT_FALSE(star.empty()) << stars;
		PixelBox const banner = f.find(255, 255, 255, f.height * 3 / 10 - 4, star.top);
		ASSERT_FALSE(banner.empty()) << stars;
		// The stars apart: columns with star pixels, counted by runs.
		int runs = 0;
		bool inRun = false;
		for (int x = star.left; x <= star.right; ++x)
		{
			bool any = false;
			for (int y = star.top; y < star.bottom && !any; ++y)
				any = f.near(x, y, 250, 210, 40);
			runs += any && !inRun ? 1 : 0;
			inRun = any;
		}
		EXPECT_EQ(stars, runs);
		// The banner's box (its rim) is centred on the screen; the text's
		// ink lies within the font's spacing after the last letter (2 of its
		// pixels, 3 screen pixels each) of that centre.
		PixelBox const box = f.find(240, 220, 120, f.height * 3 / 10 - 40, f.height * 3 / 4);
		ASSERT_FALSE(box.empty()) << stars;
		double const starCentre = (star.left + star.right) / 2.0, boxCentre = (box.left + box.right) / 2.0;
		EXPECT_NEAR(boxCentre, starCentre, 1.5) << stars << " stars";
		EXPECT_NEAR(f.width / 2.0, starCentre, 1.5) << stars << " stars";
		EXPECT_NEAR((banner.left + banner.right) / 2.0, starCentre, 7.0) << stars << " stars";
	}
}

// On a portrait screen the lantern waiting in the launcher is at least as
// large as on the landscape screen of the same sides, and all of it on the
// screen.
TEST(SampleGameProgram, PortraitLanternIsAtLeastAsLargeAsInLandscape)
{
	PixelBox lanterns[2];
	int const sizes[2][2] = {{640, 480}, {480, 640}};
	for (int i = 0; i < 2; ++i)
	{
		test::TempFolder out;
		int status = -1;
		std::string const size = std::to_string(sizes[i][0]) + "x" + std::to_string(sizes[i][1]);
		std::string const log = runProgram(gameCommand(out, "C", "--screen " + size + " --frames 2 --screenshot 2"), status);
		ASSERT_EQ(0, status) << log;
		Frame const f(out.read("frame-0002.png"));
		// The lantern's orange paper, below the text.
		lanterns[i] = f.find(250, 150, 40, f.height / 3, f.height);
		ASSERT_FALSE(lanterns[i].empty()) << size;
		EXPECT_GT(lanterns[i].left, 0) << size;
		EXPECT_LT(lanterns[i].right, f.width) << size;
	}
	int const landscape = lanterns[0].right - lanterns[0].left, portrait = lanterns[1].right - lanterns[1].left;
	EXPECT_GE(landscape, 12);
	EXPECT_GE(portrait, landscape);
	EXPECT_GE(lanterns[1].bottom - lanterns[1].top, lanterns[0].bottom - lanterns[0].top);
}

// The program going to the background and back is one line each, however
// often it is told: none at the start, at most one at the end.
TEST(SampleGameProgram, OnePauseLineForEachRealPauseAndResume)
{
	test::TempFolder out;
	int status = -1;
	std::string const log = playEvents(out, "5 deactivate\n7 deactivate\n10 activate\n12 activate\n", "--frames 20", status);
	EXPECT_EQ(0, status) << log;
	std::string pauses;
	std::istringstream in(gameLines(log));
	for (std::string line; std::getline(in, line);)
	{
		if (line == "Lantern Drift: paused" || line == "Lantern Drift: resumed")
			pauses += line.substr(15) + " ";
	}
	EXPECT_TRUE(pauses == "paused resumed " || pauses == "paused resumed paused ") << pauses << "\n" << log;
}

// A lantern that leaves the level's bounds ends its flight at once: on a
// level of bare ground (its gloom out of the way, left of the launcher), a
// flat throw that rolls off the ground's right end and a high one that
// flies out beside it. A second run of the same play shows the frame a
// second before the flight ended: the lantern still in the level, above
// the ground line (row 676 of 768 at any zoom); after the end nothing is
// drawn below the ground line (no trail through the earth).
TEST(SampleGameProgram, ALanternLeavingTheLevelEndsItsFlightWithinASecond)
{
	struct Case
	{
		char const* what;
		char const* release; // the touch's x, y when it lets go
	};
	Case const cases[] = {
		{"rolling off the ground's end", "62 586"},
		{"flying out beside the level", "86 630"},
	};
	for (Case const& c : cases)
	{
		std::string const events = std::string("10 touch-begin 1 150 566\n13 touch-move 1 120 570\n16 touch-move 1 90 575\n19 touch-move 1 ") + c.release +
								   "\n30 touch-end 1 " + c.release + "\n";
		std::string const level = levelWith(gloomAt("aside", -50, -14));
		test::TempFolder first;
		mirrorBundle(first, {{"data_ipad/levels/meadow.lua", level}});
		first.write("play.events", events);
		int status = -1;
		std::string const log = runProgram(mirroredGameCommand(first, "--frames 400 --events " + first / "play.events"), status);
		ASSERT_EQ(0, status) << c.what << log;
		size_t const left = log.find("Lantern Drift: flyer 1 left the level at frame ");
		ASSERT_NE(std::string::npos, left) << c.what << log;
		int end = 0;
		ASSERT_EQ(1, std::sscanf(log.c_str() + left, "Lantern Drift: flyer 1 left the level at frame %d", &end)) << log;
		ASSERT_GT(end, 90) << c.what;

		test::TempFolder second;
		mirrorBundle(second, {{"data_ipad/levels/meadow.lua", level}});
		second.write("play.events", events);
		std::string const before = std::to_string(end - 60), after = std::to_string(end + 1);
		std::string const again = runProgram(mirroredGameCommand(second, "--frames " + std::to_string(end + 1) + " --screenshot " + before + "," +
																		   after + " --events " + second / "play.events"),
			status);
		ASSERT_EQ(0, status) << c.what << again;
		ASSERT_EQ(gameLines(log).substr(0, gameLines(again).size()), gameLines(again)) << c.what;
		Frame const f(second.read("frame-" + std::string(4 - before.size(), '0') + before + ".png"));
		PixelBox const lantern = f.find(250, 150, 40, 0, f.height);
		ASSERT_FALSE(lantern.empty()) << c.what << ": no lantern a second before the end";
		EXPECT_LT((lantern.top + lantern.bottom) / 2, 676) << c.what;
		EXPECT_EQ(0, differingFromGround(second.read("frame-" + std::string(4 - after.size(), '0') + after + ".png"), 680)) << c.what;
	}
}

} // namespace
