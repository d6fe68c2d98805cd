// The game-centre link with its script rows, driven by a script that records
// the functions the link calls; results arrive at turns of the main-thread
// queue as the shell runs them.
#include <support/GameAppFixture.h>
#include <support/HostFixture.h>
#include <io/detail/detail.h>
#include <GameApp.h>
#include <host/GameCenter.h>
#include <host/GameCenterListener.h>
#include <host/GameCenterSessionDelegate.h>
#include <lang/Throwable.h>
#include <pf/Alert.h>
#include <pf/DeviceInfo.h>
#include <pf/MainThread.h>
#include <pf/PlayerService.h>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

namespace
{

char const* const CATALOGUE = R"({"leaderboards": [
	{"category": "drift", "title": "Longest drift", "order": "high"},
	{"category": "time", "title": "Best time", "order": "low"},
	{"category": "drift", "title": "Repeated", "order": "low"}],
 "achievements": [
	{"id": "first", "title": "First", "achievedText": "Flew", "hidden": false},
	{"id": "ten", "title": "Ten", "achievedText": "Ten flights", "hidden": true}]})";

/** The script functions the link calls, each recording itself in "log". */
char const* const SCRIPT =
	"log = {} "
	"local function rec(s) log[#log + 1] = s end "
	"function enableGameCenter() rec('enable') end "
	"function disableGameCenter() rec('disable') end "
	"function hideLoadingInitGameCenter() rec('hideInit') end "
	"function hideLoadingLeaderboards() rec('hideBoards') end "
	"function hideLoadingAchievements() rec('hideAchievements') end "
	"function gameCenterAchievementsLoaded() rec('achievementsLoaded') end "
	"function setIndicatorPositions() rec('indicators') end "
	"function achievementRegisteredCallback(id) rec('registered:' .. id) end "
	"leaderboards = { longest = 'drift', other = 5 } "
	"achievements = { a = { id = 'first', icon = 'icon_first' }, b = { id = 5, icon = 'x' }, [1] = { id = 'ten', icon = 'y' } }";

class GameCenterLink : public test::HostFixture
{
protected:
	std::vector<std::string> alerts;
	std::unique_ptr<host::GameCenter> link;

	GameCenterLink()
	{
		pf::clearMainThreadQueue();
		pf::setAlertPresenter([this](std::string const& title, std::string const& message, std::vector<std::string> const&) {
			alerts.push_back(title + "|" + message);
			return 0;
		});
		bundle.write("gamecenter-catalogue.json", CATALOGUE);
	}

	~GameCenterLink() override
	{
		link.reset();
		pf::setAlertPresenter(nullptr);
		pf::clearMainThreadQueue();
		pf::PlayerService::failNextSignIn(pf::PlayerService::ERROR_NONE, "");
	}

	/** The script, then a new link. */
	void start(char const* script = SCRIPT)
	{
		run(script);
		link.reset(new host::GameCenter(nullptr, &host().gameCenter(), context));
	}

	/** Turns of the main-thread queue until it is empty. */
	void settle()
	{
		while (pf::runMainThreadQueue() > 0)
		{
		}
	}

	void signIn()
	{
		run("initGameCenter()");
		settle();
	}

	/** What code prints while the queue settles. */
	std::string output(std::string const& code)
	{
		testing::internal::CaptureStdout();
		run(code);
		settle();
		return testing::internal::GetCapturedStdout();
	}
};

typedef std::vector<std::string> Log;

TEST_F(GameCenterLink, SignInFillsTheTables)
{
	appData.write("gamecenter-player.json", R"({"scores": {"drift": 120}, "achievements": {"first": 100, "ten": 40}})");
	start();
	testing::internal::CaptureStdout();
	signIn();
	std::string const out = testing::internal::GetCapturedStdout();
	EXPECT_EQ("GameLua initGameCenter \nauthenticateWithCompletionHandler succeeded!\nauthentication changed to enabled!\n", out);
	EXPECT_EQ((Log{"enable", "hideInit", "achievementsLoaded"}), log());

	EXPECT_EQ("true true local local", eval("_G.tostring(gameCenterEnabled) .. ' ' .. _G.tostring(gameCenterSupported) .. ' ' .. "
											"localPlayerID .. ' ' .. gameCenter.localPlayerID"));
	EXPECT_NE("", eval("gameCenter.localPlayerAlias"));
	EXPECT_EQ("false", eval("gameCenter.leaderboards.loading"));
	EXPECT_EQ("Longest drift false false 1 1 120 | local 1 120 '' '' ''", eval(
		"(function(b) local e = b[1] return b.title .. ' ' .. _G.tostring(b.posted) .. ' ' .. _G.tostring(b.loading) .. ' ' .. "
		"b.range .. ' ' .. b.localRank .. ' ' .. b.localScore .. ' | ' .. e.playerID .. ' ' .. e.rank .. ' ' .. e.score .. "
		"\" '\" .. e.alias .. \"' '\" .. e.formattedValue .. \"' '\" .. e.category .. \"'\" end)(gameCenter.leaderboards.drift)"));
	EXPECT_EQ("Best time true nil nil", eval("(function(b) return b.title .. ' ' .. _G.tostring(b.loading) .. ' ' .. "
											 "_G.tostring(b.range) .. ' ' .. _G.tostring(b[1]) end)(gameCenter.leaderboards.time)"))
		<< "a board without scores stays loading";

	char const* const achievement = "(function(a) return a.title .. ' ' .. a.achievedText .. ' ' .. _G.tostring(a.completed) .. ' ' .. "
									"_G.tostring(a.hidden) .. ' ' .. a.percentComplete .. ' ' .. _G.tostring(a.icon) end)";
	EXPECT_EQ("First Flew true false 100 icon_first", eval(std::string(achievement) + "(gameCenter.achievements.first)"));
	EXPECT_EQ("Ten Ten flights false true 40 nil", eval(std::string(achievement) + "(gameCenter.achievements.ten)"))
		<< "only string keys with an id string name icons";
	EXPECT_EQ("false", eval("gameCenter.achievements.loading"));

	run("gameCenter.safeToRefresh = true getLeaderboardScoresForRange('drift', 1, 1)");
	EXPECT_EQ("true", eval("gameCenter.leaderboards.drift.loading"));
	settle();
	EXPECT_EQ(Log{"indicators"}, log());
}

TEST_F(GameCenterLink, SignInErrors)
{
	struct Case
	{
		int code;
		char const* alert;
		Log calls;
		char const* supported;
	};
	Case const cases[] = {
		{pf::PlayerService::ERROR_NOT_SUPPORTED, nullptr, {"disable"}, "false"},
		{pf::PlayerService::ERROR_CANCELLED, nullptr, {}, "true"},
		{pf::PlayerService::ERROR_AUTHENTICATION_IN_PROGRESS, nullptr, {}, "true"},
		{pf::PlayerService::ERROR_COMMUNICATIONS_FAILURE, "The network is down|", {}, "true"},
	};
	for (Case const& c : cases)
	{
		alerts.clear();
		start();
		run("gameCenterSupported = true localPlayerID = nil");
		pf::PlayerService::failNextSignIn(c.code, "The network is down");
		std::string const out = output("initGameCenter()");
		EXPECT_NE(std::string::npos, out.find("authenticateWithCompletionHandler failed!\n")) << c.code;
		EXPECT_EQ(c.calls, log()) << c.code;
		EXPECT_EQ(c.alert ? Log{c.alert} : Log{}, alerts) << c.code;
		EXPECT_EQ(c.supported, eval("_G.tostring(gameCenterSupported)")) << c.code;
		EXPECT_EQ(c.code == pf::PlayerService::ERROR_NOT_SUPPORTED ? "0" : "nil", eval("_G.tostring(localPlayerID)")) << c.code;

		// The next sign-in succeeds; after "not supported" nobody listens any more.
		signIn();
		Log const expected = c.code == pf::PlayerService::ERROR_NOT_SUPPORTED ? Log{} : Log{"enable", "hideInit", "achievementsLoaded"};
		EXPECT_EQ(expected, log()) << c.code;
	}
}

TEST_F(GameCenterLink, SignOut)
{
	start();
	signIn();
	log();
	link->playerService().signOut();
	EXPECT_EQ("authentication changed to disabled!\n", output(""));
	EXPECT_EQ((Log{"disable", "hideInit"}), log());
	EXPECT_EQ("false 0", eval("_G.tostring(gameCenterEnabled) .. ' ' .. _G.tostring(localPlayerID)"));
	EXPECT_EQ("GameLua showLeaderboards \n", output("postHighscore('drift', 5) showLeaderboards() unlockAchievement('ten', '')"));
	EXPECT_EQ(Log{}, log()) << "nothing reaches the scripts after sign-out";
}

TEST_F(GameCenterLink, PostingScores)
{
	start();
	signIn();
	log();
	EXPECT_EQ("GameCenter : postHighscore: drift, value: 50.000000\nreportScoreWithCompletionHandler succeeded for drift!\n",
		output("postHighscore('drift', 50)"));
	EXPECT_EQ("true false 50", eval("_G.tostring(gameCenter.leaderboards.drift.posted) .. ' ' .. "
									"_G.tostring(gameCenter.leaderboards.drift.loading) .. ' ' .. gameCenter.leaderboards.drift[1].score"))
		<< "a board the game lists is refreshed";
	output("postHighscore('time', 30)");
	EXPECT_EQ("true true nil", eval("_G.tostring(gameCenter.leaderboards.time.posted) .. ' ' .. "
									"_G.tostring(gameCenter.leaderboards.time.loading) .. ' ' .. _G.tostring(gameCenter.leaderboards.time[1])"))
		<< "a board the game does not list is only marked";

	output("postHighscore('drift', 40) postHighscore('drift', 0/0) postHighscore('time', 20) postHighscore('time', 25)");
	EXPECT_EQ("50", eval("gameCenter.leaderboards.drift[1].score")) << "the best score stays";
	EXPECT_NE(std::string::npos, output("postHighscore('nope', 1)").find("reportScoreWithCompletionHandler failed for nope!\n"));
	output("postHighscore('drift', 1e30)");
	EXPECT_EQ("true", eval("gameCenter.leaderboards.drift[1].score == 2^63")) << "saturated to 64 bits";

	alerts.clear();
	output("showLeaderboards()");
	EXPECT_EQ(Log{"Leaderboards|Longest drift: 9223372036854775807\nBest time: 20\n"}, alerts);

	run("gameCenterEnabled = 'true'");
	EXPECT_EQ("", output("postHighscore('drift', 60)"));
	EXPECT_NE("", error("postHighscore(1, 2)"));
	EXPECT_NE("", error("postHighscore('drift')"));
	EXPECT_EQ((Log{"hideBoards"}), log());
}

TEST_F(GameCenterLink, UnlockingAchievements)
{
	appData.write("gamecenter-player.json", R"({"achievements": {"first": 100, "ten": 40}})");
	start();
	signIn();
	log();
	EXPECT_EQ("unlockAchievement: ten\nreportAchievementWithCompletionHandler succeeded for ten!\n", output("unlockAchievement('ten', 'unused')"));
	EXPECT_EQ(Log{"registered:ten"}, log());
	EXPECT_EQ("true", eval("gameCenter.achievements.ten.completed"));
	for (char const* code : {"unlockAchievement('ten', '')", "unlockAchievement('first', '')", "unlockAchievement('unknown', '')",
			 "gameCenter.achievements.first.completed = 'false' unlockAchievement('first', '')"})
	{
		EXPECT_EQ("", output(code)) << code;
		EXPECT_EQ(Log{}, log()) << code;
	}
	EXPECT_EQ("unlockAchievement: made\nreportAchievementWithCompletionHandler failed for made!\n",
		output("gameCenter.achievements.made = { completed = false } unlockAchievement('made', '')"));
	EXPECT_NE("", error("unlockAchievement('ten')"));
}

TEST_F(GameCenterLink, ProgressKeptByANewService)
{
	start();
	signIn();
	output("postHighscore('drift', 75) unlockAchievement('first', '')");
	link.reset();
	start();
	signIn();
	EXPECT_EQ("75 true nil", eval("gameCenter.leaderboards.drift[1].score .. ' ' .. _G.tostring(gameCenter.achievements.first.completed) .. "
								  "' ' .. _G.tostring(gameCenter.leaderboards.time[1])"));
}

TEST_F(GameCenterLink, DestroyedWithResultsPending)
{
	start();
	run("initGameCenter()");
	link.reset();
	EXPECT_EQ("", output(""));
	EXPECT_EQ(Log{}, log());
	EXPECT_EQ("GameLua initGameCenter \nGameLua showLeaderboards \n", output("initGameCenter() showLeaderboards() getLeaderboardScoresForRange('drift', 1, 1)"))
		<< "without a link the rows only print";

	start();
	signIn();
	log();
	// The screen is on its way (its alert queued) when the link goes.
	run("showLeaderboards()");
	pf::runMainThreadQueue();
	EXPECT_EQ(Log{"hideBoards"}, log());
	EXPECT_TRUE(link->sessionDelegate().showingLeaderboard());
	link.reset();
	settle();
	EXPECT_EQ(1u, alerts.size());
}

TEST_F(GameCenterLink, Screens)
{
	start();
	EXPECT_EQ("GameLua showLeaderboards \n", output("showLeaderboards()")) << "not signed in: nothing";
	signIn();
	log();
	bool showing = false;
	pf::setAlertPresenter([&](std::string const& title, std::string const& message, std::vector<std::string> const& buttons) {
		alerts.push_back(title + "|" + message + "|" + buttons.at(0));
		showing = link->sessionDelegate().showingLeaderboard() || link->sessionDelegate().showingAchievements();
		return 0;
	});
	output("showLeaderboards()");
	EXPECT_EQ(Log{"hideBoards"}, log());
	EXPECT_TRUE(showing);
	EXPECT_FALSE(link->sessionDelegate().showingLeaderboard()) << "closing the screen is its did-finish";
	output("showAchievements()");
	EXPECT_EQ(Log{"hideAchievements"}, log());
	EXPECT_FALSE(link->sessionDelegate().showingAchievements());
	EXPECT_EQ((Log{"Leaderboards|Longest drift: no score\nBest time: no score\n|OK", "Achievements|First: 0%\nHidden achievement\n|OK"}), alerts);

	alerts.clear();
	bundle.write("gamecenter-catalogue.json", "{\"leaderboards\": 1}");
	output("showAchievements()");
	EXPECT_EQ(Log{"hideAchievements"}, log());
	ASSERT_EQ(1u, alerts.size());
	EXPECT_NE(std::string::npos, alerts[0].find("gamecenter-catalogue.json: \"leaderboards\" is not an array||OK")) << alerts[0];
}

TEST_F(GameCenterLink, RangeArguments)
{
	appData.write("gamecenter-player.json", R"({"scores": {"drift": 9}})");
	start();
	signIn();
	log();
	struct Case
	{
		char const* arguments;
		char const* loaded;
	};
	Case const cases[] = {
		{"'drift', 1, 1", "false 9"},
		{"'drift', 0/0, 0/0", "false 9"},
		{"'drift', -5, 1e9", "false 9"},
		{"'drift', -1/0, -1/0", "false 9"},
		{"'drift', 2, 100", "true nil"},
		{"'drift', 1e30, 1e30", "true nil"},
		{"'drift', 2147483647, 100", "true nil"},
	};
	for (Case const& c : cases)
	{
		run("gameCenter.leaderboards.drift = {}");
		run(std::string("getLeaderboardScoresForRange(") + c.arguments + ")");
		settle();
		EXPECT_EQ(c.loaded, eval("_G.tostring(gameCenter.leaderboards.drift.loading) .. ' ' .. _G.tostring(gameCenter.leaderboards.drift.localScore)"))
			<< c.arguments;
	}
	run("getLeaderboardScoresForRange('other', 1, 1) gameCenter.leaderboards.drift = 7 getLeaderboardScoresForRange('drift', 1, 1)");
	EXPECT_EQ("nil 7", eval("_G.tostring(gameCenter.leaderboards.other) .. ' ' .. gameCenter.leaderboards.drift"));
	for (char const* code : {"getLeaderboardScoresForRange('drift', '1', 1)", "getLeaderboardScoresForRange(1, 1, 1)",
			 "getLeaderboardScoresForRange('drift', 1)"})
		EXPECT_NE("", error(code)) << code;
	settle();
	EXPECT_EQ(Log{}, log());
}

TEST_F(GameCenterLink, BadCatalogue)
{
	bundle.write("gamecenter-catalogue.json", "{\"leaderboards\": [], \"achievements\": [{\"id\": \"a\"}]}");
	start();
	testing::internal::CaptureStdout();
	signIn();
	std::string const out = testing::internal::GetCapturedStdout();
	EXPECT_NE(std::string::npos, out.find("Error in loading leaderboardCategories.\n")) << out;
	EXPECT_NE(std::string::npos, out.find("gamecenter-catalogue.json: achievement 0 has no \"title\"\n")) << out;
	EXPECT_EQ((Log{"enable", "hideInit"}), log());
	EXPECT_EQ("true true", eval("_G.tostring(gameCenter.leaderboards.loading) .. ' ' .. _G.tostring(gameCenter.achievements.loading)"));
}

TEST_F(GameCenterLink, ScriptErrorsLeaveThroughTheQueue)
{
	start("log = {}");
	run("initGameCenter()");
	EXPECT_THROW(settle(), lang::Throwable) << "\"enableGameCenter\" is missing";
}

TEST_F(GameCenterLink, StatsAndRowsWithoutEffect)
{
	start();
	EXPECT_EQ("Setting stat launches 3\nSetting stat ratio 0.500000\n",
		output("setStat('launches', 3.7) setStatFloat('ratio', 0.5) getLeaderboardScoresForPlayers() activateGameOverlayToStore()"));
	EXPECT_NE("", error("setStat('launches', 'x')"));
	EXPECT_EQ(Log{}, log());
}

/** Records what the link tells it, in order. */
class RecordingListener : public host::GameCenterListener
{
public:
	Log calls;
	host::GameCenter* link = nullptr;

	void setGameCenter(host::GameCenter* gameCenter) override
	{
		link = gameCenter;
		calls.push_back(gameCenter ? "link" : "unlink");
	}
	host::GameCenter* gameCenter() const override { return link; }
	void prepareGameCenter(host::GameCenter* gameCenter, std::string const& playerID, std::string const&) override
	{
		calls.push_back("prepare " + playerID + (gameCenter == link ? "" : " through another link"));
	}
	void removeGameCenter() override { calls.push_back("remove"); }
	void removeSupport() override { calls.push_back("unsupported"); }
	void hideLoadingInitGameCenter() override { calls.push_back("hideInit"); }
	void setLeaderboardCategories(std::map<std::string, std::string> const& categories) override
	{
		std::string line = "boards";
		for (auto const& entry : categories)
			line += " " + entry.first + "=" + entry.second;
		calls.push_back(line);
	}
	void setLeaderboardScores(std::vector<host::ScoreData> const& scores, std::string const& category, int, int, int64_t) override
	{
		calls.push_back("scores " + category + " " + std::to_string(scores.size()));
	}
	void setAchievementMetaData(std::vector<host::AchievementData> const& achievements) override
	{
		calls.push_back("described " + std::to_string(achievements.size()));
	}
	void setAchievements(std::vector<host::AchievementData> const& achievements) override
	{
		calls.push_back("progress " + std::to_string(achievements.size()));
	}
	void achievementRegistered(std::string const& id) override { calls.push_back("registered " + id); }
	void highScoresPosted(std::string const& category) override { calls.push_back("posted " + category); }
	void stopMainMenuAnimation(std::string const& kind) override { calls.push_back("stop " + kind); }
};

// The link needs no script host: whatever listens hears each sign-in change
// and result in order, with the link itself to go through, and is let go
// when the link goes.
TEST_F(GameCenterLink, ListenerHearsTheLinkAlone)
{
	appData.write("gamecenter-player.json", R"({"scores": {"drift": 120}, "achievements": {"first": 100}})");
	RecordingListener listener;
	{
		host::GameCenter own(nullptr, &listener, context);
		EXPECT_EQ(&own, listener.gameCenter());
		own.authenticateLocalPlayer();
		settle();
		own.loadLeaderboardCategories();
		settle();
		own.getLeaderboardScoresForRange("drift", 1, 5);
		own.loadAchievements();
		own.postHighscore("time", 30.f);
		own.unlockAchievement("ten", 100.0);
		settle();
		own.showAchievements();
		settle();
		own.playerService().signOut();
		settle();
	}
	EXPECT_EQ((Log{"link", "prepare local", "hideInit", "boards drift=Longest drift time=Best time", "scores drift 1",
				  "described 2", "posted time", "registered ten", "progress 2", "stop achievement", "remove", "hideInit", "unlink"}),
		listener.calls);
	EXPECT_EQ(nullptr, listener.gameCenter());
}

class GameCenterApp : public test::GameAppFixture
{
protected:
	GameCenterApp()
	{
		writeData("scripts_common/gamelogic.lua", std::string(minimalLogic()) +
			"function enableGameCenter() enabled = true end\n"
			"function hideLoadingInitGameCenter() end\n"
			"function gameCenterAchievementsLoaded() end\n");
	}

	~GameCenterApp() override { pf::clearMainThreadQueue(); }
};

TEST_F(GameCenterApp, StartUpWithoutCatalogue)
{
	testing::internal::CaptureStdout();
	start();
	EXPECT_NE(std::string::npos, testing::internal::GetCapturedStdout().find("GameCenter support not available.\n"));
	EXPECT_FALSE(host().getBoolean("gameCenterSupported"));
	EXPECT_TRUE(host().isBoolean("gameCenterSupported"));
	EXPECT_EQ(lang::Ptr<pf::DeviceInfo>(new pf::DeviceInfo())->getOSVersion(), host().getString("g_iOSVersion"));
	ASSERT_NE(nullptr, game->gameCenter());
	EXPECT_EQ(game->gameCenter(), host().gameCenter().gameCenter());
}

TEST_F(GameCenterApp, StartUpWithCatalogue)
{
	bundle.write("gamecenter-catalogue.json", CATALOGUE);
	start();
	EXPECT_TRUE(host().getBoolean("gameCenterSupported"));
	run("initGameCenter()");
	while (pf::runMainThreadQueue() > 0)
	{
	}
	EXPECT_TRUE(host().getBoolean("enabled"));
}

TEST_F(GameCenterApp, DestroyedBeforeTheHostWithResultsPending)
{
	bundle.write("gamecenter-catalogue.json", CATALOGUE);
	start();
	run("initGameCenter()");
	stop();
	testing::internal::CaptureStdout();
	pf::runMainThreadQueue();
	EXPECT_EQ("", testing::internal::GetCapturedStdout());
}

/** The sample game as the build packs it. */
class GameCenterSample : public test::GameAppFixture
{
protected:
	GameCenterSample() { io::detail::setBundlePath(ENGINE_BUNDLE_DIR); }
	~GameCenterSample() override { pf::clearMainThreadQueue(); }
};

TEST_F(GameCenterSample, CatalogueMatchesTheScripts)
{
	start();
	EXPECT_TRUE(host().getBoolean("gameCenterSupported"));
	run("function enableGameCenter() end function hideLoadingInitGameCenter() end function gameCenterAchievementsLoaded() end "
		"initGameCenter()");
	while (pf::runMainThreadQueue() > 0)
	{
	}
	run("mismatches = 0 "
		"for _, category in _G.pairs(leaderboards) do "
		"  if _G.type(gameCenter.leaderboards[category]) ~= 'table' then mismatches = mismatches + 1 end "
		"end "
		"for _, entry in _G.pairs(achievements) do "
		"  local a = gameCenter.achievements[entry.id] "
		"  if _G.type(a) ~= 'table' or a.icon ~= entry.icon then mismatches = mismatches + 1 end "
		"end "
		"boards = 0 for k, v in _G.pairs(gameCenter.leaderboards) do if _G.type(v) == 'table' then boards = boards + 1 end end");
	EXPECT_EQ(0.f, host().getNumber("mismatches"));
	EXPECT_EQ(2.f, host().getNumber("boards"));
}

} // namespace
