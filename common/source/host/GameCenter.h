#pragma once

#include <lang/Ptr.h>
#include <cstdint>
#include <memory>
#include <string>

namespace gr
{
class Context;
}

namespace pf
{
class PlayerService;
}

class GameApp;

namespace host
{

class GameCenterListener;
class GameCenterSessionDelegate;

/**
 * The game-centre link: signs the local player in through the player
 * service, loads the leaderboards with their top scores and the
 * achievements with the player's progress, posts scores, reports
 * achievements and shows the two screens. The results go to its listener
 * (the host's game centre, which writes the tables under "gameCenter" and
 * calls the script functions by name).
 *
 * Every operation that needs the player does nothing while the player is
 * not signed in. Results arrive on the main thread at the shell's next turn
 * (pf::runMainThreadQueue); those still queued when the link is destroyed
 * never arrive. A script error in a function that a result calls leaves
 * through the queue's turn, like the game's own errors.
 *
 * Main thread only.
 */
class GameCenter
{
public:
	/**
	 * Links listener to the player service (setGameCenter) and listens for
	 * the local player signing in and out. app, listener and context are
	 * borrowed; listener must outlive the link (the application destroys the
	 * link first).
	 */
	GameCenter(GameApp* app, GameCenterListener* listener, gr::Context* context);

	/** Unlinks the listener when it still goes through this link; results still queued are dropped. */
	~GameCenter();

	/** True when the game has a game centre (its catalogue is shipped). */
	static bool isGameCenterAvailable();

	/** Called once at start-up when the game centre is available; nothing more to prepare here. */
	void firstInit();

	/**
	 * Signs the local player in; prints "authenticateWithCompletionHandler
	 * succeeded!" or "... failed!" and shows failures (showAlert). The
	 * player's state reaches the listener through the sign-in notification.
	 */
	void authenticateLocalPlayer();

	/** Loads the leaderboards for GameCenterListener::setLeaderboardCategories; a failure prints "Error in loading leaderboardCategories.". */
	void loadLeaderboardCategories();

	/** Loads ranks first .. first + count - 1 of category for GameCenterListener::setLeaderboardScores; nothing arrives for an error or no score. */
	void getLeaderboardScoresForRange(std::string const& category, int first, int count);

	/** Loads the achievements (GameCenterListener::setAchievementMetaData), then the player's progress (GameCenterListener::setAchievements). */
	void loadAchievements();

	/** Reports value (truncated, saturated to 64 bits, NaN as 0) as the score of category. */
	void postHighscore(std::string const& category, float value);

	/** Reports percent of the achievement id. */
	void unlockAchievement(std::string const& id, double percent);

	/** Loads the leaderboards again, tells the listener (stopMainMenuAnimation), then shows the leaderboard screen or the failure. */
	void showLeaderboards();

	/** As showLeaderboards, with the achievement screen. */
	void showAchievements();

	/** A score for the player service: truncated toward zero, saturated, NaN giving 0. */
	static int64_t scoreValue(float value);

	pf::PlayerService& playerService() { return *m_service; }
	GameCenterSessionDelegate& sessionDelegate() { return *m_delegate; }

private:
	[[maybe_unused]] GameApp* m_app;
	GameCenterListener* m_listener;
	[[maybe_unused]] gr::Context* m_context;
	/** Its destruction drops the results still queued. */
	lang::Ptr<pf::PlayerService> m_service;
	std::unique_ptr<GameCenterSessionDelegate> m_delegate;

	bool authenticated() const;
	/** Loads the leaderboards again, then stops the scripts' animation of kind and presents the screen. */
	void showScreen(char const* kind, bool leaderboard);

	GameCenter(GameCenter const&) = delete;
	GameCenter& operator=(GameCenter const&) = delete;
};

} // namespace host
