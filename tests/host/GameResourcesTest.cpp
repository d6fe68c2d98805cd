// The game application's steps that go through the resource manager: the
// start-up on the sample data, the clip limits, the audio activation and the
// host's channel limit and the preferred languages. Sound goes to the wave writer.
#include <support/AudioWaveEnvironment.h>
#include <support/GameAppFixture.h>
#include <support/ScopedVariable.h>
#include <game/LuaResources.h>
#include <io/ThrownMessage.h>
#include <lang/Exception.h>
#include <pf/Locale.h>
#include <gtest/gtest.h>

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
