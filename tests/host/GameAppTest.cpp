// The game application on a fake context: start-up and frames.
#include <support/GameAppFixture.h>
#include <TallyKeys.h>
#include <TallyAnalytics.h>
#include <TallyEvent.h>
#include <TallySession.h>
#include <RatePrompt/RatePrompt.h>
#include <framework/AppActivationListeners.h>
#include <host/Levels.h>
#include <lang/Throwable.h>
#include <lua/LuaException.h>
#include <pf/Alert.h>
#include <pf/MainThread.h>
#include <pf/UserDefaults.h>
#include <gtest/gtest.h>

namespace
{

using framework::App;
using framework::TouchEvent;

class GameAppStartUp : public test::GameAppFixture
{
};

class GameAppFrame : public test::GameAppFixture
{
protected:
	GameAppFrame()
	{
		writeData("scripts_common/gamelogic.lua", std::string(minimalLogic()) +
			"function update(dt, rawDt) frames = (frames or 0) + 1 lastDt = dt lastRawDt = rawDt end\n"
			"function draw() draws = (draws or 0) + 1 end\n");
		start();
	}

	void frame(float dt) { game->update(dt, context, 3); }

	float zoomLevel() { return host().getNumber("zoomLevel"); }
};

/** The names of the events the agent's current session logged, in order. */
std::vector<std::string> loggedEvents()
{
	std::vector<std::string> names;
	if (lang::Ptr<TallySession> session = TallySession::currentSession())
		for (lang::Ptr<TallyEvent> const& event : session->read(&TallySessionState::eventLog))
			names.push_back(event->name());
	return names;
}

/** The parameters of the agent's last logged event. */
TallyAnalytics::Parameters lastParameters()
{
	return TallySession::currentSession()->read(&TallySessionState::eventLog).back()->parameters();
}

TEST_F(GameAppStartUp, ConfiguresAndStartsInOrder)
{
	writeData("scripts/starLimits.lua", "level1 = { 100, 200, 300 }\n");
	writeData("scripts/gamecenter/ipad/leaderboards.lua", "total = 'board.total'\n");
	writeData("scripts/gamecenter/ipad/achievements.lua", "achievementCount = 4\n");
	writeData("scripts_common/gamelogic.lua",
		"order = ''\n"
		"function updateValues() order = order .. 'updateValues;' premiumSeen = isPremium end\n"
		"function createStartUpAssets() order = order .. 'createStartUpAssets;' end\n");
	start();

	EXPECT_EQ(768, config.width);
	EXPECT_EQ(1024, config.height);
	EXPECT_EQ((std::vector<int>{1, 3}), config.allowedOrientations);
	EXPECT_EQ(std::vector<int>{1}, config.renderers);

	EXPECT_EQ("updateValues;createStartUpAssets;", host().getString("order"));
	EXPECT_TRUE(host().getBoolean("premiumSeen"));
	EXPECT_TRUE(host().levels().isCompiled());
	EXPECT_TRUE(host().levels().failedFiles().empty());
	EXPECT_EQ(200, host().getTable("starTable").getTable("level1").getNumber(2));
	EXPECT_EQ("board.total", host().getTable("leaderboards").getString("total"));
	EXPECT_EQ(4, host().getNumber("achievementCount"));

	struct Global
	{
		char const* name;
		char const* value;
	};
	Global const texts[] = {
		{"imagePath", "images"}, {"fontPath", "fonts"}, {"audioPath", "audio"}, {"localizationPath", "localization"},
		{"levelPath", "levels"}, {"scriptPath", "scripts"}, {"commonScriptPath", "scripts_common"}, {"deviceModel", "ipad"},
		{"screenWidth", "768"}, {"screenHeight", "1024"},
	};
	for (Global const& g : texts)
		EXPECT_EQ(g.value, host().getString(g.name)) << g.name;
	for (char const* name : {"isLiteVersion", "showCursor", "isHDVersion"})
	{
		EXPECT_TRUE(host().isBoolean(name)) << name;
		EXPECT_FALSE(host().getBoolean(name)) << name;
	}
	EXPECT_TRUE(host().getBoolean("isPremium"));
	EXPECT_TRUE(host().isTable("g_gamePurchasesTable"));

	for (char const* table : {"keyPressed", "keyReleased", "keyHold"})
	{
		lua::LuaTable keys = host().getTable(table);
		EXPECT_EQ(91, keys.size()) << table;
		for (int k = 0; k < App::KEY_COUNT; ++k)
		{
			char const* name = App::toString(static_cast<App::KeyType>(k));
			EXPECT_TRUE(keys.isBoolean(name)) << table << " " << name;
			EXPECT_FALSE(keys.getBoolean(name)) << table << " " << name;
		}
	}

	EXPECT_EQ(1u, context->count("setShaderPath"));
	EXPECT_EQ("setShaderPath(data_ipad/shaders/)", context->callsOf("setShaderPath")[0].toString());
	std::vector<std::string> const shaders = {
		"loadShaders(data_ipad/shaders/2d-sprite-alpha-masked, false)", "loadShaders(data_ipad/shaders/2d-sprite, false)",
		"loadShaders(data_ipad/shaders/2d-sprite-alpha, false)", "loadShaders(data_ipad/shaders/2d-vertexcolor-alpha, false)",
		"loadShaders(data_ipad/shaders/2d-vertexcolor, false)",
	};
	EXPECT_EQ(shaders, os.calls);
	EXPECT_EQ("", GameApp::folders().data);
	EXPECT_EQ("", GameApp::folders().scripts);
}

TEST_F(GameAppStartUp, TellsTheRatingPromptOfLaunchAndDeactivation)
{
	pf::UserDefaults& defaults = pf::UserDefaults::standard();
	defaults.reset();
	RatePrompt::Configuration prompt = RatePrompt::defaultConfiguration();
	prompt.reachable = [] { return true; };
	RatePrompt::configure(prompt);
	defaults.setString("kRatePromptCurrentVersion", prompt.version);
	defaults.setNumber("kRatePromptFirstUseDate", 1);
	defaults.setNumber("kRatePromptUseCount", 20);
	int alerts = 0;
	pf::setAlertPresenter([&](std::string const&, std::string const&, std::vector<std::string> const&) {
		++alerts;
		return -1;
	});
	pf::clearMainThreadQueue();

	writeData("scripts_common/gamelogic.lua", minimalLogic());
	start();
	RatePrompt::waitUntilIdle();
	for (framework::AppActivationListener* listener : framework::AppActivationListeners::s_listeners)
		listener->deactivated();
	pf::runMainThreadQueue();
	EXPECT_EQ(0, alerts) << "the alert due at this launch is withdrawn when the application resigns";
	size_t const listening = framework::AppActivationListeners::s_listeners.size();
	stop();
	EXPECT_EQ(listening - 1, framework::AppActivationListeners::s_listeners.size());
	defaults.reset();
	EXPECT_EQ(21, defaults.getNumber("kRatePromptUseCount"));

	RatePrompt::configure(RatePrompt::defaultConfiguration());
	pf::setAlertPresenter(nullptr);
	defaults.reset();
}

TEST_F(GameAppStartUp, FailedFilesReachTheScriptsInOrder)
{
	writeData("scripts/gamecenter/ipad/leaderboards.lua", "total = = 'broken'\n");
	writeData("scripts/gamecenter/ipad/achievements.lua", "a = 1\nerror('half way')\n");
	writeData("scripts_common/gamelogic.lua",
		"failed = ''\n"
		"function updateValues() end\n"
		"function createStartUpAssets() assetsAfter = failed end\n"
		"function onLoadLuaFileFail(file) failed = failed .. file .. ';' end\n");
	start();
	EXPECT_EQ("scripts/starLimits.lua;scripts/gamecenter/ipad/leaderboards.lua;scripts/gamecenter/ipad/achievements.lua;",
		host().getString("assetsAfter"));
	EXPECT_TRUE(host().levels().failedFiles().empty());
	EXPECT_TRUE(host().isNil("leaderboards"));
}

TEST_F(GameAppStartUp, MissingGameLogicFailsTheLaunchWithoutRecursion)
{
	std::string message;
	testing::internal::CaptureStdout();
	try
	{
		start();
	}
	catch (lua::LuaException const& e)
	{
		message = e.getMessage().format();
	}
	std::string log = testing::internal::GetCapturedStdout();
	// The failed file is logged; then "createStartUpAssets" is missing.
	EXPECT_NE(std::string::npos, log.find("No script handler for the failed file scripts_common/gamelogic.lua")) << log;
	EXPECT_EQ(0u, message.find("attempt to call a nil value")) << message;
	EXPECT_EQ(nullptr, game);
}

TEST_F(GameAppFrame, WheelEasesOutCubic)
{
	game->mouseWheel(1);
	EXPECT_TRUE(host().getTable("cursor").getBoolean("wheelTriggered"));
	EXPECT_EQ(1, host().getTable("cursor").getNumber("wheel"));
	frame(0.25f);
	EXPECT_FLOAT_EQ(1.175f, game->wheelScale());
	EXPECT_NEAR(0.0875f, zoomLevel(), 1e-6);
	EXPECT_FALSE(host().getTable("cursor").getBoolean("wheelTriggered"));
	frame(0.3f);
	EXPECT_EQ(1.2f, game->wheelScale());
	EXPECT_NEAR(0.1f, zoomLevel(), 1e-6);
	frame(0.1f);
	EXPECT_EQ(1.2f, game->wheelScale());
}

TEST_F(GameAppFrame, SecondNotchAddsHalfAStepFromWhereTheEasingIs)
{
	game->mouseWheel(1);
	frame(0.25f);
	game->mouseWheel(1); // target 1.2 + 0.1, from 1.175 over 1.0 - 0.25 s
	frame(0.375f);
	EXPECT_FLOAT_EQ(1.175f + 0.875f * 0.125f, game->wheelScale());
	frame(0.4f);
	EXPECT_FLOAT_EQ(1.3f, game->wheelScale());
}

TEST_F(GameAppFrame, EasingWithoutDurationEndsAtItsTarget)
{
	game->mouseWheel(1);
	game->mouseWheel(1); // duration 1.0 - 0
	frame(1.f);
	EXPECT_FLOAT_EQ(1.3f, game->wheelScale());
	game->mouseWheel(1); // duration 1.0 - 1.0
	frame(0.f);
	EXPECT_FLOAT_EQ(1.4f, game->wheelScale());
	EXPECT_NEAR(0.2f, zoomLevel(), 1e-6);
	frame(0.1f);
	EXPECT_FLOAT_EQ(1.4f, game->wheelScale());
}

TEST_F(GameAppFrame, WheelWithoutSmoothZooming)
{
	run("enableSmoothZooming(false)");
	EXPECT_FALSE(game->smoothZooming());
	for (int i = 0; i < 3; ++i)
		game->mouseWheel(-5);
	EXPECT_FLOAT_EQ(1.f - 1.f - 0.5f - 0.5f, game->wheelScale());
	game->setKeyDown(App::CONTROL, true);
	game->mouseWheel(1);
	EXPECT_FLOAT_EQ(-1.f, game->wheelScale());
	run("setIsMultitouchMouseWheelSimulationEnabled(true)");
	EXPECT_TRUE(game->multitouchMouseWheelSimulation());
}

TEST_F(GameAppFrame, PinchZoomsUntilAThirdFinger)
{
	game->touchBegan(TouchEvent{11, 100, 100});
	game->touchBegan(TouchEvent{12, 200, 100});
	frame(0.016f);
	EXPECT_FLOAT_EQ(1.f, game->wheelScale());
	game->touchMoved(TouchEvent{12, 300, 100});
	frame(0.016f);
	EXPECT_FLOAT_EQ(2.f, game->wheelScale());
	EXPECT_NEAR(0.5f, zoomLevel(), 1e-6);
	EXPECT_EQ(2, host().getNumber("touchcount"));

	game->touchBegan(TouchEvent{13, 0, 0});
	frame(0.016f);
	game->touchMoved(TouchEvent{12, 500, 100});
	frame(0.016f);
	EXPECT_FLOAT_EQ(2.f, game->wheelScale());
	EXPECT_EQ(2, host().getNumber("touchcount"));
	lua::LuaTable touches = host().getTable("touches");
	EXPECT_EQ(2, touches.size());
	EXPECT_EQ(100, touches.getTable("11").getNumber("x"));
	EXPECT_EQ(500, touches.getTable("12").getNumber("x"));
	EXPECT_TRUE(touches.isNil("13"));

	game->touchCancel();
	frame(0.016f);
	EXPECT_EQ(0, host().getNumber("touchcount"));
	EXPECT_EQ(0, host().getTable("touches").size());
}

TEST_F(GameAppFrame, ScriptsSetTheZoom)
{
	// The wheel scale and its previous value together: no zoom step follows.
	run("resetMouseWheelScale(1.5)");
	EXPECT_EQ(1.5f, game->wheelScale());
	EXPECT_EQ(1.5f, game->previousWheelScale());
	frame(0.016f);
	EXPECT_EQ(0, zoomLevel());
	// A pinch starts from the world scale the scripts set.
	run("setWorldScale(3)");
	EXPECT_EQ(3.f, host().view().worldScale());
	game->touchBegan(TouchEvent{11, 100, 100});
	game->touchBegan(TouchEvent{12, 200, 100});
	frame(0.016f);
	EXPECT_FLOAT_EQ(3.f, game->wheelScale());
}

TEST_F(GameAppFrame, KeyPressedAndReleasedInOneFrame)
{
	game->keyDown(App::LBUTTON);
	game->keyUp(App::LBUTTON);
	game->keyDown(static_cast<App::KeyType>(91));
	game->keyDown(static_cast<App::KeyType>(-1));
	game->setKeyDown(App::KEY_BACK, true);
	frame(0.016f);
	EXPECT_TRUE(host().getTable("keyPressed").getBoolean("LBUTTON"));
	EXPECT_TRUE(host().getTable("keyReleased").getBoolean("LBUTTON"));
	EXPECT_TRUE(host().getTable("keyHold").getBoolean("KEY_BACK"));
	frame(0.016f);
	EXPECT_FALSE(host().getTable("keyPressed").getBoolean("LBUTTON"));
	EXPECT_FALSE(host().getTable("keyReleased").getBoolean("LBUTTON"));
}

// Every key reaches the scripts, not only the five the host itself reads: a
// letter, a game's restart and pause keys, the last key code.
TEST_F(GameAppFrame, EveryKeyIsPublished)
{
	for (App::KeyType key : {App::A, App::R, App::P, App::ESCAPE, App::KEY_ZOOM})
	{
		char const* name = App::toString(key);
		game->keyDown(key);
		game->setKeyDown(key, true);
		frame(0.016f);
		EXPECT_TRUE(host().getTable("keyPressed").getBoolean(name)) << name;
		EXPECT_TRUE(host().getTable("keyHold").getBoolean(name)) << name;
		game->keyUp(key);
		game->setKeyDown(key, false);
		frame(0.016f);
		EXPECT_FALSE(host().getTable("keyPressed").getBoolean(name)) << name;
		EXPECT_TRUE(host().getTable("keyReleased").getBoolean(name)) << name;
		EXPECT_FALSE(host().getTable("keyHold").getBoolean(name)) << name;
		frame(0.016f);
		EXPECT_FALSE(host().getTable("keyReleased").getBoolean(name)) << name;
	}
}

TEST_F(GameAppStartUp, VolumeKeysStayWithinZeroAndOne)
{
	// The master volume is the audio output's.
	writeData("scripts_common/gamelogic.lua", std::string(minimalLogic()) + "function createStartUpAssets() res.createAudioOutput(2, 16, 22050) end\n");
	appData.write("settings.lua", "volume = 0.05\n");
	start();
	EXPECT_FLOAT_EQ(0.05f, game->masterVolume());
	game->keyDown(App::VOLUME_DOWN);
	game->update(0.016f, context, 3);
	EXPECT_EQ(0.f, game->masterVolume());
	EXPECT_EQ(0.f, host().getTable("settings").getNumber("volume"));
	run("settings.volume = 0.95");
	stop();
	start();
	game->keyDown(App::VOLUME_UP);
	game->update(0.016f, context, 3);
	EXPECT_EQ(1.f, game->masterVolume());
	EXPECT_EQ(1.f, host().getTable("settings").getNumber("volume"));
}

TEST_F(GameAppFrame, UpdateClearDrawPresent)
{
	context->clearCalls();
	run("g_safeToQuit = true");
	frame(0.05f);
	EXPECT_EQ(1, host().getNumber("frames"));
	EXPECT_FLOAT_EQ(0.05f, host().getNumber("lastDt"));
	EXPECT_FLOAT_EQ(0.05f, host().getNumber("lastRawDt"));
	EXPECT_EQ(1, host().getNumber("draws"));
	EXPECT_EQ(0, host().getNumber("g_physicsUpdateMillis"));
	EXPECT_TRUE(game->safeToQuit());
	std::vector<std::string> ops;
	for (test::Call const& call : context->calls())
		ops.push_back(call.op == "clear" ? call.toString() : call.op);
	std::vector<std::string> const expected = {"beginScene", "clear(0xFFFFFFFF, true, true, true)", "endScene", "present"};
	EXPECT_EQ(expected, ops);
}

TEST_F(GameAppFrame, ActivationAndOtherEvents)
{
	run("function gamePaused() state = 'paused' end function gameResumed() state = 'resumed' end\n"
		"function resolutionChanged() resized = screenWidth end");
	game->setKeyDown(App::A, true);
	game->activate(false);
	EXPECT_FALSE(game->isKeyDown(App::A));
	EXPECT_EQ("paused", host().getString("state"));
	game->activate(true);
	EXPECT_EQ("resumed", host().getString("state"));
	game->resolutionChanged();
	EXPECT_EQ(768, host().getNumber("resized"));
	game->mouseMove(5, 7);
	EXPECT_EQ(7, host().getTable("cursor").getNumber("y"));
	game->setMouseAvailable(true);
	EXPECT_TRUE(host().getBoolean("g_mouseAvailable"));
	EXPECT_TRUE(game->activateAudio(true));
}

TEST_F(GameAppFrame, ScriptExceptionLeavesTheFrame)
{
	run("function update() throwException('stop') end");
	EXPECT_THROW(frame(0.016f), lang::Throwable);
	EXPECT_EQ(0, host().getNumber("draws"));
}

TEST_F(GameAppStartUp, AnalyticsSessionRunsWithTheKeyAndServesTheScripts)
{
	writeData("scripts_common/gamelogic.lua", std::string(minimalLogic()) + "customerString = 'shop-7'\n");
	testing::internal::CaptureStdout();
	start();
	std::string out = testing::internal::GetCapturedStdout();
	EXPECT_NE(std::string::npos, out.find("Customer string: shop-7\n")) << out;

	ASSERT_TRUE(game->tally());
	EXPECT_TRUE(TallyAnalytics::started());
	lang::Ptr<TallySession> session = TallySession::currentSession();
	ASSERT_TRUE(session);
	EXPECT_EQ(TallyKeys::IPAD, session->apiKey());
	EXPECT_FALSE(session->read(&TallySessionState::sessionReportsOnCloseEnabled));
	EXPECT_FALSE(session->read(&TallySessionState::sessionReportsOnPauseEnabled));
	ASSERT_EQ(std::vector<std::string>{"Customer String"}, loggedEvents());
	EXPECT_EQ(TallyAnalytics::Parameters(std::map<std::string, std::string>{{"ID", "shop-7"}}), lastParameters());

	// The host logs through the same wrapper.
	run("logTallyEventWithParam('level done', 'level', '3')");
	ASSERT_EQ((std::vector<std::string>{"Customer String", "level done"}), loggedEvents());

	// The wrapper goes first; the host, writing its saves, no longer reaches it.
	stop();
	EXPECT_FALSE(game);
}

TEST_F(GameAppFrame, CrashIsLoggedBeforeTheExceptionPasses)
{
	// No "customerString": no event at start-up.
	EXPECT_TRUE(loggedEvents().empty());
	run("function update() undefinedCrashCall() end");
	std::string message;
	try
	{
		frame(0.016f);
		ADD_FAILURE() << "no exception";
	}
	catch (lang::Throwable const& e)
	{
		message = e.getMessage().format();
	}
	EXPECT_NE(std::string::npos, message.find("undefinedCrashCall")) << message;
	ASSERT_EQ(std::vector<std::string>{"Game crashed"}, loggedEvents());
	EXPECT_EQ(TallyAnalytics::Parameters(std::map<std::string, std::string>{{"exception", message}}), lastParameters());
	EXPECT_EQ(0, host().getNumber("draws"));
}

} // namespace
