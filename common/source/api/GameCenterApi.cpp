// The game centre for the scripts: sign-in, leaderboards, achievements and
// the two screens through the game-centre link, and the tables under
// "gameCenter" that the link's results fill.
#include <api/GameCenterApi.h>
#include <host/HostGameCenter.h>
#include <lua/LuaObject.h>

void registerGameCenterApi(lua::LuaObject& host, HostGameCenter& area)
{
	host.registerMethod("initGameCenter", &area, &HostGameCenter::initGameCenter);
	host.registerMethod("getLeaderboardScoresForPlayers", &area, &HostGameCenter::getLeaderboardScoresForPlayers);
	host.registerMethod("getLeaderboardScoresForRange", &area, &HostGameCenter::getLeaderboardScoresForRange);
	host.registerMethod("showLeaderboards", &area, &HostGameCenter::showLeaderboards);
	host.registerMethod("showAchievements", &area, &HostGameCenter::showAchievements);
	host.registerMethod("postHighscore", &area, &HostGameCenter::postHighscore);
	host.registerMethod("unlockAchievement", &area, &HostGameCenter::unlockAchievement);
	host.registerMethod("setStat", &area, &HostGameCenter::setStat);
	host.registerMethod("setStatFloat", &area, &HostGameCenter::setStatFloat);
	host.registerMethod("activateGameOverlayToStore", &area, &HostGameCenter::activateGameOverlayToStore);
}
