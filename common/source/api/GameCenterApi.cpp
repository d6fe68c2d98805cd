// The game centre for the scripts: sign-in, leaderboards, achievements and
// the two screens through the game-centre link, and the tables under
// "gameCenter" that the link's results fill.
#include <api/GameCenterApi.h>
#include <host/ScoresAndAchievements.h>
#include <lua/LuaObject.h>

namespace host
{

void registerGameCenterApi(lua::LuaObject& host, ScoresAndAchievements& area)
{
	host.registerMethod("initGameCenter", &area, &ScoresAndAchievements::initGameCenter);
	host.registerMethod("getLeaderboardScoresForPlayers", &area, &ScoresAndAchievements::getLeaderboardScoresForPlayers);
	host.registerMethod("getLeaderboardScoresForRange", &area, &ScoresAndAchievements::getLeaderboardScoresForRange);
	host.registerMethod("showLeaderboards", &area, &ScoresAndAchievements::showLeaderboards);
	host.registerMethod("showAchievements", &area, &ScoresAndAchievements::showAchievements);
	host.registerMethod("postHighscore", &area, &ScoresAndAchievements::postHighscore);
	host.registerMethod("unlockAchievement", &area, &ScoresAndAchievements::unlockAchievement);
	host.registerMethod("setStat", &area, &ScoresAndAchievements::setStat);
	host.registerMethod("setStatFloat", &area, &ScoresAndAchievements::setStatFloat);
	host.registerMethod("activateGameOverlayToStore", &area, &ScoresAndAchievements::activateGameOverlayToStore);
}

} // namespace host
