#pragma once

#include <support/DataFiles.h>
#include <support/FakeContext.h>
#include <support/RecordingOS.h>
#include <support/TallyFolders.h>
#include <support/TempFolder.h>
#include <GameApp.h>
#include <GameLua.h>
#include <framework/Hooks.h>
#include <io/ByteArrayInputStream.h>
#include <io/detail/detail.h>
#include <io/std/AppDataOutputStream.h>
#include <lang/Ptr.h>
#include <lua/LuaState.h>
#include <gtest/gtest.h>
#include <filesystem>
#include <memory>
#include <string>

namespace test
{

/**
 * The game application on a temporary bundle ("data_ipad/..." below it) and
 * app-data folder, a fake context (768 x 1024, GL ES 2) and a recording
 * platform interface, the analytics agent's folders in the app-data folder.
 * A test writes its files with writeData, then start()s the application;
 * the crash pause is 0.
 */
class GameAppFixture : public ::testing::Test
{
protected:
	test::TempFolder bundle;
	test::TempFolder appData;
	TallyFolders tallyFolders{appData};
	RecordingOS os;
	lang::Ptr<FakeContext> context = new FakeContext();
	framework::App::Configuration config;
	std::unique_ptr<GameApp> game;

	/** A game logic with every function the application calls, doing nothing. */
	static char const* minimalLogic()
	{
		return "function updateValues() end\n"
			   "function createStartUpAssets() end\n"
			   "function update(dt, rawDt) end\n"
			   "function draw() end\n";
	}

	GameAppFixture()
	{
		io::detail::setBundlePath(bundle.path());
		io::detail::setAppdataPath(appData.path());
		// A case whose game could not lock its folder stopped the writes of the process.
		io::AppDataOutputStream::resumeWrites();
		io::AppDataOutputStream::holdsFolder(false);
	}

	~GameAppFixture() override
	{
		game.reset();
		GameApp::folders().clear();
		io::detail::setBundlePath("");
		io::detail::setAppdataPath("");
		io::AppDataOutputStream::resumeWrites();
		io::AppDataOutputStream::holdsFolder(false);
	}

	/** Writes text as the shipped file "data_ipad/<name>" of the bundle (packed). */
	void writeData(std::string const& name, std::string const& text)
	{
		writeShippedFile(bundle, "data_ipad/" + name, text);
	}

	/** Configures and starts the application (the constructor's exceptions pass). */
	void start()
	{
		framework::configure(config, os);
		game.reset(new GameApp(context, &os));
		game->setCrashPause(0);
	}

	/** Destroys the application (writing the saves). */
	void stop() { game.reset(); }

	GameLua& host() { return *game->host(); }

	/** Runs code with the host table as environment. */
	void run(std::string const& code);
};

inline void GameAppFixture::run(std::string const& code)
{
	io::ByteArrayInputStream in(code.data(), static_cast<int>(code.size()));
	game->luaState()->compile(in, "test", &host());
}

} // test
