#pragma once

#include <lang/Object.h>
#include <lang/Ptr.h>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace pf
{

class PlayerServiceImpl;

/**
 * The game centre's player service: signs the local player in, lists the
 * leaderboards with their scores and the achievements with the player's
 * progress, records scores and achievements, and shows the leaderboard and
 * achievement screens.
 *
 * Every completion and the authentication handler run later on the main
 * thread (pf::postToMainThread), in the order the operations were asked for;
 * none runs once the service is destroyed. The operations that need the
 * player fail with ERROR_NOT_AUTHENTICATED before sign-in.
 *
 * Main thread only.
 */
class PlayerService : public lang::Object
{
public:
	/** Error codes; every error of the service is of its own domain. */
	enum ErrorCode
	{
		ERROR_NONE = 0,
		ERROR_UNKNOWN = 1,
		ERROR_CANCELLED = 2,
		ERROR_COMMUNICATIONS_FAILURE = 3,
		ERROR_NOT_AUTHENTICATED = 6,
		ERROR_AUTHENTICATION_IN_PROGRESS = 7,
		ERROR_NOT_SUPPORTED = 16,
	};

	/** An outcome: code ERROR_NONE, or an error with the text the user reads. */
	struct Error
	{
		int code = ERROR_NONE;
		std::string description;

		bool failed() const { return code != ERROR_NONE; }
	};

	/** The local player; id and alias are empty while not signed in. */
	struct Player
	{
		bool authenticated = false;
		std::string playerID;
		std::string alias;
	};

	/** A leaderboard and its title. */
	struct Category
	{
		std::string category;
		std::string title;
	};

	/** One score of a leaderboard. */
	struct Score
	{
		std::string playerID;
		int rank = 0;
		int64_t value = 0;
	};

	/** What a score query found. */
	struct Scores
	{
		/** The scores of the asked ranks, best first. */
		std::vector<Score> scores;
		/** The number of scores the leaderboard holds. */
		int maxRange = 0;
		/** The local player's score; rank 0 when the player has none. */
		Score localPlayerScore;
	};

	/** An achievement as the game lists it. */
	struct AchievementDescription
	{
		std::string identifier;
		std::string title;
		std::string achievedDescription;
	};

	/** The player's progress on an achievement. */
	struct Achievement
	{
		std::string identifier;
		bool completed = false;
		bool hidden = false;
		double percentComplete = 0.0;
	};

	PlayerService();

	/** Drops the completions not yet run. */
	~PlayerService() override;

	/** True when the game has a game-centre catalogue. */
	static bool isAvailable();

	/** The local player as things stand. */
	Player localPlayer() const;

	/**
	 * The handler told (on the main thread) each time the local player
	 * signs in or out; null removes it.
	 */
	void setAuthenticationHandler(std::function<void()> handler);

	/**
	 * Signs the local player in. The completion gets ERROR_NONE, or the
	 * failure chosen by failNextSignIn. A sign-in that changes the state
	 * tells the authentication handler after the completion.
	 */
	void authenticate(std::function<void(Error const&)> completion);

	/** Signs the local player out; the authentication handler is told when the player was signed in. */
	void signOut();

	/** Makes the next sign-in of any service fail with code and description (tests). */
	static void failNextSignIn(int code, std::string const& description);

	/** The leaderboards in catalogue order. */
	void loadCategories(std::function<void(Error const&, std::vector<Category> const&)> completion);

	/**
	 * The scores of ranks first .. first + count - 1 of category (first at
	 * least 1, count 1 to 100) over all players and all time.
	 */
	void loadScores(std::string const& category, int first, int count,
		std::function<void(Error const&, Scores const&)> completion);

	/** The achievements in catalogue order. */
	void loadAchievementDescriptions(std::function<void(Error const&, std::vector<AchievementDescription> const&)> completion);

	/** The player's progress on the achievements begun, in catalogue order. */
	void loadAchievements(std::function<void(Error const&, std::vector<Achievement> const&)> completion);

	/**
	 * Records value as the player's score of category; the best score stays
	 * (the highest, or the lowest for a leaderboard ordered "low").
	 */
	void reportScore(std::string const& category, int64_t value, std::function<void(Error const&)> completion);

	/** Records percent (0 to 100) of the achievement; the highest value stays. */
	void reportAchievement(std::string const& identifier, double percent, std::function<void(Error const&)> completion);

	/** Shows the leaderboards with the player's scores; didFinish runs when the screen is closed. */
	void showLeaderboards(std::function<void()> didFinish);

	/** Shows the achievements with the player's progress; didFinish runs when the screen is closed. */
	void showAchievements(std::function<void()> didFinish);

private:
	lang::Ptr<PlayerServiceImpl> m_impl;

	PlayerService(PlayerService const&) = delete;
	PlayerService& operator=(PlayerService const&) = delete;
};

} // pf
