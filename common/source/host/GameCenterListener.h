#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace host
{

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
 * What the game-centre link (GameCenter) tells the game: the local player
 * signing in and out, the results it loaded or reported, and the screens
 * it is about to show. The link also tells its listener that it is the
 * link to go through (setGameCenter), and that it is gone.
 *
 * Called on the main thread, at the shell's turn that delivers a result;
 * exceptions of the listener pass to that turn.
 */
class GameCenterListener
{
public:
	/** link is the link its requests go through from now on (borrowed); null: none. */
	virtual void setGameCenter(GameCenter* link) = 0;

	/** The link its requests go through; null without one. */
	virtual GameCenter* gameCenter() const = 0;

	/** The player playerID (alias) signed in through link, which the requests go through from now on. */
	virtual void prepareGameCenter(GameCenter* link, std::string const& playerID, std::string const& alias) = 0;

	/** The player signed out. */
	virtual void removeGameCenter() = 0;

	/** The platform has no game centre: the link no longer hears of sign-ins. */
	virtual void removeSupport() = 0;

	/** A sign-in change was told (after prepareGameCenter or removeGameCenter). */
	virtual void hideLoadingInitGameCenter() = 0;

	/** The leaderboards loaded: category -> title, each category once (its first title). */
	virtual void setLeaderboardCategories(std::map<std::string, std::string> const& categories) = 0;

	/**
	 * Ranks of category loaded (at least one score, in the service's order):
	 * range is the leaderboard's size, localRank and localScore the local
	 * player's entry.
	 */
	virtual void setLeaderboardScores(std::vector<ScoreData> const& scores, std::string const& category, int range,
		int localRank, int64_t localScore) = 0;

	/** The achievements' descriptions loaded (at least one; id, title and achievedText filled). */
	virtual void setAchievementMetaData(std::vector<AchievementData> const& achievements) = 0;

	/** The player's progress loaded (id, completed, hidden, percentComplete filled); none after a failure. */
	virtual void setAchievements(std::vector<AchievementData> const& achievements) = 0;

	/** The achievement id was reported. */
	virtual void achievementRegistered(std::string const& id) = 0;

	/** The score of category was reported. */
	virtual void highScoresPosted(std::string const& category) = 0;

	/** The screen of kind ("leaderboard" or "achievement") loaded and is about to show, or its failure. */
	virtual void stopMainMenuAnimation(std::string const& kind) = 0;

protected:
	~GameCenterListener() = default;
};

} // namespace host
