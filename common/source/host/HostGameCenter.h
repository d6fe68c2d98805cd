#pragma once

#include <host/HostCore.h>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

class GameCenter;

/** One leaderboard entry; those of loaded scores fill playerID, rank and score only. */
struct ScoreData
{
	std::string playerID;
	std::string alias;
	int rank = 0;
	int64_t score = 0;
	std::string formattedValue;
	std::string category;
};

/** One achievement. */
struct AchievementData
{
	std::string id;
	std::string title;
	std::string achievedText;
	bool completed = false;
	bool hidden = false;
	float percentComplete = 0.f;
};

/**
 * The game centre as the scripts see it. The link (GameCenter) signs the
 * player in and hands its results to the members below, which write the
 * tables under "gameCenter" of the host table and call the scripts by name
 * (exceptions of those calls pass). Writes into a "gameCenter" whose parts
 * the scripts replaced by other values are skipped.
 *
 * Main thread only.
 */
class HostGameCenter
{
public:
	/** Without a link; core's parts are borrowed and must outlive the area. No other effect. */
	explicit HostGameCenter(HostCore const& core);

	/** The link the script functions go through (borrowed); null without one. */
	void setGameCenter(GameCenter* gameCenter);
	GameCenter* gameCenter() const { return m_gameCenter; }

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
	void prepareGameCenter(GameCenter* gameCenter, std::string const& playerID, std::string const& alias);
	/** Sets gameCenter.leaderboards.loading and loads the leaderboards. */
	void getLeaderboardCategories();
	/** Sets gameCenter.achievements.loading and loads the achievements. */
	void getAchievements();
	/** Signed out: "gameCenterEnabled" false, "localPlayerID" 0, calls "disableGameCenter". */
	void removeGameCenter();
	/** Not supported: as removeGameCenter, with "gameCenterSupported" false. */
	void removeSupport();
	/**
	 * leaderboards.loading false; per category a new table with "title" and
	 * "posted" false, then its top score is loaded.
	 */
	void setLeaderboardCategories(std::map<std::string, std::string> const& categories);
	/**
	 * When leaderboards[category] is a table: "range", "localRank",
	 * "localScore", "loading" false and one table per score under its rank;
	 * then "setIndicatorPositions" when gameCenter.safeToRefresh is the
	 * boolean true.
	 */
	void setLeaderboardScores(std::vector<ScoreData> const& scores, std::string const& category, int range, int localRank,
		int64_t localScore);
	/**
	 * Per achievement a new table with "title", "achievedText", "completed"
	 * false and the "icon" of the entry of "achievements" with its id.
	 */
	void setAchievementMetaData(std::vector<AchievementData> const& achievements);
	/**
	 * The player's progress into the achievements' tables that exist, then
	 * achievements.loading false and "gameCenterAchievementsLoaded".
	 */
	void setAchievements(std::vector<AchievementData> const& achievements);
	/** Marks the achievement completed and calls "achievementRegisteredCallback" with id. */
	void achievementRegistered(std::string const& id);
	/** Marks the leaderboard posted; reloads its top score when "leaderboards" names it. */
	void highScoresPosted(std::string const& category);
	/** "leaderboard" calls "hideLoadingLeaderboards", "achievement" "hideLoadingAchievements". */
	void stopMainMenuAnimation(std::string const& kind);
	/** Calls "hideLoadingInitGameCenter". */
	void hideLoadingInitGameCenter();

private:
	HostCore m_core;
	GameCenter* m_gameCenter;

	HostGameCenter(HostGameCenter const&) = delete;
	HostGameCenter& operator=(HostGameCenter const&) = delete;
};
