// The game application under the headless shell, with real GL and Lua.
#include <support/DataFiles.h>
#include <support/ShellFixture.h>
#include <support/TallyFolders.h>
#include <support/TempFolder.h>
#include <GameApp.h>
#include <framework/Hooks.h>
#include <io/detail/detail.h>
#include <gtest/gtest.h>
#include <filesystem>

namespace
{

class GameAppShell : public test::ShellFixture
{
protected:
	test::TempFolder bundle;
	test::TempFolder appData;
	test::TallyFolders tallyFolders{appData};

	GameAppShell()
	{
		io::detail::setBundlePath(bundle.path());
		io::detail::setAppdataPath(appData.path());
		configure = &framework::configure;
		makeApp = [](framework::OSInterface* os, gr::Context* context) -> framework::App* {
			GameApp* game = static_cast<GameApp*>(framework::init(os, context));
			game->setCrashPause(0);
			return game;
		};
	}

	~GameAppShell() override
	{
		host.reset();
		GameApp::folders().clear();
		io::detail::setBundlePath("");
		io::detail::setAppdataPath("");
	}

	/** Writes the game logic: text plus the event handlers the shell's launch and end reach. */
	void writeLogic(std::string const& text)
	{
		test::writeShippedFile(bundle, "data_ipad/scripts_common/gamelogic.lua", text +
			"function gameResumed() settings.resumed = true end\n"
			"function gamePaused() end\n"
			"function resolutionChanged() end\n");
	}
};

TEST_F(GameAppShell, RunsFramesAndSavesAtTheEnd)
{
	writeLogic("function updateValues() settings.frames = 0 end\n"
			   "function createStartUpAssets() end\n"
			   "function update(dt, rawDt) settings.frames = settings.frames + 1 settings.size = screenWidth .. 'x' .. screenHeight end\n"
			   "function draw() end\n");
	launch();
	ticks(4);
	EXPECT_EQ(0, finish());
	std::string settings = test::readSaveFile(appData, "settings.lua");
	EXPECT_NE(std::string::npos, settings.find("frames = 4")) << settings;
	EXPECT_NE(std::string::npos, settings.find("size = \"1024x768\"")) << settings;
	EXPECT_NE(std::string::npos, settings.find("resumed = true")) << settings;
}

TEST_F(GameAppShell, ExceptionInUpdateEndsTheRunAfterSaving)
{
	writeLogic("function updateValues() settings.frames = 0 end\n"
			   "function createStartUpAssets() end\n"
			   "function update(dt, rawDt)\n"
			   "  settings.frames = settings.frames + 1\n"
			   "  if settings.frames == 2 then throwException('unused') end\n"
			   "end\n"
			   "function draw() end\n");
	launch();
	testing::internal::CaptureStdout();
	ticks(5);
	std::string out = testing::internal::GetCapturedStdout();
	EXPECT_NE(std::string::npos, out.find("Exception from game: \n")) << out;
	EXPECT_EQ(1, finish());
	std::string settings = test::readSaveFile(appData, "settings.lua");
	EXPECT_NE(std::string::npos, settings.find("frames = 2")) << settings;
}

} // namespace
