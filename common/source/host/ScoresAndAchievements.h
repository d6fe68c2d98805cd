#pragma once

#include <host/GameCenterListener.h>
#include <host/Core.h>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace host
{

class GameCenter;

/**
 * The game centre as the scripts see it. The link (GameCenter) signs the
 * player in and hands its results to the members below (it listens to the
 * link), which write the
 * tables under "gameCenter" of the host table and call the scripts by name
 * (exceptions of those calls pass). Writes into a "gameCenter" whose parts
 * the scripts replaced by other values are skipped.
 *
 * Main thread only.
 */
class ScoresAndAchievements final : public GameCenterListener
{
public:
	/** Without a link; core's parts are borrowed and must outlive the area. No other effect. */
	explicit ScoresAndAchievements(Core const& core);

	/** The link the script functions go through (borrowed); null without one. */
	void setGameCenter(GameCenter* gameCenter) override;
	GameCenter* gameCenter() const override { return m_gameCenter; }

	/** Prints "GameLua initGameCenter \n" and signs the local player in. */
	void initGameCenter();
	/** No effect. */
	void getLeaderboardScoresForPlayers();
	/**
	 * When gameCenter.leaderboards[category] is a table: sets its "loading"
	 * and loads the scores of ranks first .. first + count - 1 (truncated;
	 * first below 1 or NaN is 1, count limited to 1 .. 100).
	 */
	void getLeaderboardScoresForRange(std::string const& category, float first, float count);
	/** Print "GameLua showLeaderboards \n" / "GameLua showAchievements \n" and show the screen. */
	void showLeaderboards();
	void showAchievements();
	/** When "gameCenterEnabled" is the boolean true: posts value as the score of category. */
	void postHighscore(std::string const& category, float value);
	/**
	 * When "gameCenterEnabled" is the boolean true and
	 * gameCenter.achievements[id].completed is the boolean false: reports
	 * the achievement 100 percent complete. The second argument is not read.
	 */
	void unlockAchievement(std::string const& id, std::string const& unused);
	/** Print "Setting stat <name> <value>"; no other effect. */
	void setStat(std::string const& name, int value);
	void setStatFloat(std::string const& name, float value);
	/** No effect. */
	void activateGameOverlayToStore();

	/**
	 * The player signed in: "gameCenterEnabled", "gameCenterSupported" true,
	 * "localPlayerID", a new "gameCenter" with empty "achievements" and
	 * "leaderboards", its "localPlayerID" and "localPlayerAlias"; loads the
	 * leaderboards and achievements, then calls "enableGameCenter".
	 */
	void prepareGameCenter(GameCenter* gameCenter, std::string const& playerID, std::string const& alias) override;
	/** Sets gameCenter.leaderboards.loading and loads the leaderboards. */
	void getLeaderboardCategories();
	/** Sets gameCenter.achievements.loading and loads the achievements. */
	void getAchievements();
	/** Signed out: "gameCenterEnabled" false, "localPlayerID" 0, calls "disableGameCenter". */
	void removeGameCenter() override;
	/** Not supported: as removeGameCenter, with "gameCenterSupported" false. */
	void removeSupport() override;
	/**
	 * leaderboards.loading false; per category a new table with "title" and
	 * "posted" false, then its top score is loaded.
	 */
	void setLeaderboardCategories(std::map<std::string, std::string> const& categories) override;
	/**
	 * When leaderboards[category] is a table: "range", "localRank",
	 * "localScore", "loading" false and one table per score under its rank;
	 * then "setIndicatorPositions" when gameCenter.safeToRefresh is the
	 * boolean true.
	 */
	void setLeaderboardScores(std::vector<ScoreData> const& scores, std::string const& category, int range, int localRank,
		int64_t localScore) override;
	/**
	 * Per achievement a new table with "title", "achievedText", "completed"
	 * false and the "icon" of the entry of "achievements" with its id.
	 */
	void setAchievementMetaData(std::vector<AchievementData> const& achievements) override;
	/**
	 * The player's progress into the achievements' tables that exist, then
	 * achievements.loading false and "gameCenterAchievementsLoaded".
	 */
	void setAchievements(std::vector<AchievementData> const& achievements) override;
	/** Marks the achievement completed and calls "achievementRegisteredCallback" with id. */
	void achievementRegistered(std::string const& id) override;
	/** Marks the leaderboard posted; reloads its top score when "leaderboards" names it. */
	void highScoresPosted(std::string const& category) override;
	/** "leaderboard" calls "hideLoadingLeaderboards", "achievement" "hideLoadingAchievements". */
	void stopMainMenuAnimation(std::string const& kind) override;
	/** Calls "hideLoadingInitGameCenter". */
	void hideLoadingInitGameCenter() override;

private:
	Core m_core;
	GameCenter* m_gameCenter;

	ScoresAndAchievements(ScoresAndAchievements const&) = delete;
	ScoresAndAchievements& operator=(ScoresAndAchievements const&) = delete;
};

} // namespace host
