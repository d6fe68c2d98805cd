// The game application's steps that go through the resource manager: the
// start-up on the sample data, the clip limits, the audio activation and the
// host's channel limit, the frame's audio restart and rolling sounds, and the
// preferred languages. Sound goes to the wave writer.
#include <support/AudioWaveEnvironment.h>
#include <support/GameAppFixture.h>
#include <support/ScopedVariable.h>
#include <host/PhysicsStepper.h>
#include <game/LuaResources.h>
#include <io/ThrownMessage.h>
#include <lang/Exception.h>
#include <pf/Locale.h>
#include <gtest/gtest.h>
#include <fstream>
#include <sstream>

namespace
{

::testing::Environment* const wave = ::testing::AddGlobalTestEnvironment(new AudioWaveEnvironment(44100));

class GameResources : public test::GameAppFixture
{
protected:
	game::Resources& res() { return *game->resources()->getResources(); }

	/** The message of what code raises as lang::Exception, "no exception" when nothing. */
	std::string raised(std::string const& code)
	{
		return message<lang::Exception>([&] { run(code); });
	}

	/**
	 * A game logic whose start-up assets are an audio output and the three
	 * rolling clips (the sample sounds copied into the bundle), with every
	 * function the frame loop calls.
	 */
	void writeRollingGame()
	{
		for (char const* clip : {"wood_rolling", "rock_rolling", "light_rolling"})
		{
			std::ifstream in(std::string(ENGINE_BUNDLE_DIR) + "/data_ipad/audio/" + clip + ".wav", std::ios::binary);
			std::ostringstream bytes;
			bytes << in.rdbuf();
			ASSERT_FALSE(bytes.str().empty()) << clip;
			bundle.write(std::string("data_ipad/audio/") + clip + ".wav", bytes.str());
		}
		writeData("scripts_common/gamelogic.lua",
			std::string(minimalLogic()) +
				"function createStartUpAssets()\n"
				"  res.createAudioOutput(2, 16, 44100)\n"
				"  for _, clip in _G.ipairs({'wood_rolling', 'rock_rolling', 'light_rolling'}) do\n"
				"    res.createAudio(audioPath .. '/' .. clip .. '.wav', clip, false)\n"
				"  end\n"
				"end\n"
				"function applyForcesAtPhysicsStep() end\n"
				"function removeBlocks() end\n"
				"function clearLuaForceFunctions() end\n");
	}

	/** One frame of the host's frame step. */
	void frame() { host().update(1.f / 30.f); }

	/** Play ids of n looping plays of the sample's hit sound on track. */
	std::vector<int> plays(int n, int track)
	{
		std::vector<int> ids;
		for (int i = 0; i < n; ++i)
			ids.push_back(res().playAudio("hit", 0.1f, true, track));
		return ids;
	}
};

TEST_F(GameResources, StartUpOnTheSampleData)
{
	io::detail::setBundlePath(ENGINE_DATA_DIR);
	appData.write("settings.lua", "volume = 0.3\n");
	start();
	run("hasRes = res == _G.res and res.getLocale() == 'en_EN'");
	EXPECT_TRUE(host().getBoolean("hasRes"));
	EXPECT_EQ(res().getLocale(), "en_EN");
	EXPECT_EQ(res().getString("TEXTS_BASIC", "TITLE"), "LANTERN DRIFT");
	ASSERT_TRUE(res().getTextGroupSet("TEXTS_BASIC"));
	EXPECT_EQ(res().getTextGroupSet("TEXTS_BASIC")->getTextGroups().size(), 1u);
	EXPECT_FLOAT_EQ(game->masterVolume(), 0.3f);
	EXPECT_EQ(res().getPath(), "data_ipad/");
	EXPECT_TRUE(res().getSprite("star"));
	EXPECT_TRUE(res().getCurrentFont());

	// The clip limits of createAssets: track 2 takes 6.
	EXPECT_TRUE(game->activateAudio(true));
	EXPECT_TRUE(res().getAudioOutput()->isStarted());
	std::vector<int> const ids = plays(7, 2);
	for (int i = 0; i < 6; ++i)
		EXPECT_GE(ids[i], 0) << i;
	EXPECT_EQ(ids[6], -1);
	EXPECT_EQ(plays(5, 1).back(), -1);
	EXPECT_GE(plays(1, 6).back(), 0);

	run("setChannelCountLimit(6, 1)");
	EXPECT_EQ(plays(1, 6).back(), -1);

	EXPECT_TRUE(game->activateAudio(false));
	EXPECT_FALSE(res().getAudioOutput()->isStarted());
}

TEST_F(GameResources, AudioStaysOffWhenTheSettingsSaySo)
{
	writeData("scripts_common/gamelogic.lua", std::string(minimalLogic()) + "function createStartUpAssets() res.createAudioOutput(2, 16, 44100) end\n");
	appData.write("settings.lua", "root = { audioEnabled = false }\n");
	start();
	EXPECT_FLOAT_EQ(game->masterVolume(), 1.f);
	EXPECT_TRUE(game->activateAudio(true));
	EXPECT_FALSE(res().getAudioOutput()->isStarted());
	run("settings.root.audioEnabled = true");
	EXPECT_TRUE(game->activateAudio(true));
	EXPECT_TRUE(res().getAudioOutput()->isStarted());
}

TEST_F(GameResources, WithoutAnOutputLimitsAreSkippedAndTheChannelLimitRaises)
{
	writeData("scripts_common/gamelogic.lua", minimalLogic());
	start();
	EXPECT_FALSE(res().getAudioOutput());
	EXPECT_EQ(game->masterVolume(), 0.f);
	EXPECT_TRUE(game->activateAudio(true));
	EXPECT_TRUE(game->activateAudio(false));
	EXPECT_EQ(raised("setChannelCountLimit(1, 2)"), "Trying to set channel count limit but no audio output has been created");
	// Without "TEXTS_BASIC" the locale is set all the same.
	EXPECT_EQ(res().getLocale(), "en_EN");
}

TEST_F(GameResources, RollingLevelsDriveTheClips)
{
	writeRollingGame();
	start();
	ASSERT_TRUE(game->activateAudio(true));
	run("setPhysicsEnabled(true)\n"
		"createCircle('log', '', 0, 0, 2, 1, 0, 0, true, false, 1)\n"
		"createCircle('stone', '', 10, 0, 1, 1, 0, 0, true, false, 1)\n"
		"setMaterial('log', 'wood') setMaterial('stone', 'rock')\n"
		"setAngularVelocity('log', 10) setAngularVelocity('stone', 0.5)\n");
	frame();
	ASSERT_GT(host().physicsStepper().rollingLevel(1), 0.f);
	ASSERT_GT(host().physicsStepper().rollingLevel(2), 0.f);
	int const wood = host().physicsStepper().rollingClip(1);
	int const rock = host().physicsStepper().rollingClip(2);
	EXPECT_GE(wood, 0);
	EXPECT_GE(rock, 0);
	EXPECT_NE(wood, rock);
	EXPECT_TRUE(res().isAudioPlaying(wood));
	EXPECT_TRUE(res().isAudioPlaying("wood_rolling"));
	EXPECT_TRUE(res().isAudioPlaying("rock_rolling"));
	EXPECT_FALSE(res().isAudioPlaying("light_rolling"));
	EXPECT_EQ(host().physicsStepper().rollingClip(3), -1);

	// A playing clip keeps its instance: only its volume follows the level.
	frame();
	EXPECT_EQ(host().physicsStepper().rollingClip(1), wood);
	EXPECT_EQ(host().physicsStepper().rollingClip(2), rock);
	EXPECT_TRUE(res().isAudioPlaying(wood));

	// The stone stops: its clip stops, the wood's plays on.
	run("setAngularVelocity('stone', 0)");
	frame();
	EXPECT_EQ(host().physicsStepper().rollingLevel(2), 0.f);
	EXPECT_FALSE(res().isAudioPlaying("rock_rolling"));
	EXPECT_FALSE(res().isAudioPlaying(rock));
	EXPECT_TRUE(res().isAudioPlaying(wood));

	// Rolling again starts a new instance.
	run("setAngularVelocity('stone', 0.5)");
	frame();
	EXPECT_TRUE(res().isAudioPlaying("rock_rolling"));
	EXPECT_NE(host().physicsStepper().rollingClip(2), -1);

	// Physics off: every rolling clip stops.
	run("setPhysicsEnabled(false)");
	frame();
	for (char const* clip : {"wood_rolling", "rock_rolling", "light_rolling"})
		EXPECT_FALSE(res().isAudioPlaying(clip)) << clip;
}

TEST_F(GameResources, NothingRollingIsSilent)
{
	writeRollingGame();
	start();
	ASSERT_TRUE(game->activateAudio(true));
	run("setPhysicsEnabled(true)\n"
		"createCircle('log', '', 0, 0, 2, 1, 0, 0, true, false, 1) setMaterial('log', 'wood')\n"
		"createBox('crate', '', 10, 0, 1, 1, 1, 0, 0, true, false, 1) setMaterial('crate', 'light')\n"
		"setAngularVelocity('crate', 5)\n");
	// A rolling clip a script plays is stopped by name while nothing rolls.
	EXPECT_GE(res().playAudio("light_rolling", 1.f, true, 0), 0);
	frame();
	EXPECT_EQ(host().physicsStepper().rollingLevel(3), 0.f);
	for (char const* clip : {"wood_rolling", "rock_rolling", "light_rolling"})
		EXPECT_FALSE(res().isAudioPlaying(clip)) << clip;
	for (int material = 1; material <= 3; ++material)
		EXPECT_EQ(host().physicsStepper().rollingClip(material), -1) << material;

	// With the output stopped, a rolling object plays nothing.
	EXPECT_TRUE(game->activateAudio(false));
	run("setAngularVelocity('log', 10)");
	frame();
	EXPECT_GT(host().physicsStepper().rollingLevel(1), 0.f);
	EXPECT_FALSE(res().isAudioPlaying("wood_rolling"));
	EXPECT_EQ(host().physicsStepper().rollingClip(1), -1);
}

TEST_F(GameResources, RollingWithoutAnOutputDoesNothing)
{
	writeData("scripts_common/gamelogic.lua", std::string(minimalLogic()) +
												  "function applyForcesAtPhysicsStep() end\n"
												  "function removeBlocks() end\n"
												  "function clearLuaForceFunctions() end\n");
	start();
	run("setPhysicsEnabled(true)\n"
		"createCircle('log', '', 0, 0, 2, 1, 0, 0, true, false, 1) setMaterial('log', 'wood')\n"
		"setAngularVelocity('log', 10)\n");
	frame();
	EXPECT_GT(host().physicsStepper().rollingLevel(1), 0.f);
	EXPECT_EQ(host().physicsStepper().rollingClip(1), -1);
	run("setAngularVelocity('log', 0)");
	frame();
	EXPECT_EQ(host().physicsStepper().rollingLevel(1), 0.f);
}

TEST_F(GameResources, FrameRestartsWantedAudioOnlyWhenEnabled)
{
	writeRollingGame();
	appData.write("settings.lua", "root = { audioEnabled = false }\n");
	start();
	EXPECT_TRUE(game->activateAudio(true));
	frame();
	EXPECT_FALSE(res().getAudioOutput()->isStarted());
	run("settings.root.audioEnabled = true");
	frame();
	EXPECT_TRUE(res().getAudioOutput()->isStarted());

	// Not wanted: the frame leaves it stopped.
	EXPECT_TRUE(game->activateAudio(false));
	frame();
	EXPECT_FALSE(res().getAudioOutput()->isStarted());

	// Wanted, but "audioEnabled" missing: activateAudio starts it, the frame does not.
	run("settings.root.audioEnabled = nil");
	EXPECT_TRUE(game->activateAudio(true));
	EXPECT_TRUE(res().getAudioOutput()->isStarted());
	res().stopAudioOutput();
	frame();
	EXPECT_FALSE(res().getAudioOutput()->isStarted());
}

TEST_F(GameResources, PreferredLanguagesLeaveTheTextsEnglish)
{
	test::ScopedVariable language("LANGUAGE", "de:fr");
	test::ScopedVariable lang("LANG", "de_DE.UTF-8");
	ASSERT_EQ(pf::Locale().getPreferedLanguages(), (std::vector<std::string>{"de_DE", "fr_FR"}));
	io::detail::setBundlePath(ENGINE_DATA_DIR);
	start();
	EXPECT_EQ(res().getLocale(), "en_EN");
	EXPECT_EQ(res().getString("TEXTS_BASIC", "TITLE"), "LANTERN DRIFT");
	ASSERT_TRUE(res().getTextGroupSet("TEXTS_BASIC"));
	EXPECT_EQ(res().getTextGroupSet("TEXTS_BASIC")->getTextGroups().size(), 1u);
}

} // namespace
