#pragma once

#include <pf/PlayerService.h>

class GameCenter;

/**
 * The game-centre link's side of the platform: it hears the local player
 * sign in and out, shows the player service's errors and presents the
 * leaderboard and achievement screens. One per link.
 *
 * Main thread only.
 */
class GameCenterSessionDelegate
{
public:
	/** Listens for sign-in changes on the link's player service. */
	explicit GameCenterSessionDelegate(GameCenter* gc);

	/**
	 * Signed out: prints "authentication changed to disabled!", then the
	 * host's removeGameCenter and hideLoadingInitGameCenter. Signed in:
	 * prints "authentication changed to enabled!", then the host's
	 * prepareGameCenter and hideLoadingInitGameCenter.
	 * @exception lang::Throwable From the scripts.
	 */
	void authenticationChanged();

	/**
	 * A player service error: "not supported" stops listening for sign-in
	 * and removes game-centre support from the scripts (no alert);
	 * "cancelled" and "authentication in progress" are silent; any other
	 * error is an alert titled with its description and an "OK" button,
	 * when alerts is set.
	 * @exception lang::Throwable From the scripts.
	 */
	void showAlert(pf::PlayerService::Error const& error, bool alerts);

	/** Shows the leaderboard or achievement screen; closing it clears the flag. */
	void presentLeaderboards();
	void presentAchievements();

	/** A screen is shown and not closed yet. */
	bool showingLeaderboard() const { return m_showingLeaderboard; }
	bool showingAchievements() const { return m_showingAchievements; }

private:
	GameCenter* m_gc;
	bool m_showingLeaderboard;
	bool m_showingAchievements;

	GameCenterSessionDelegate(GameCenterSessionDelegate const&) = delete;
	GameCenterSessionDelegate& operator=(GameCenterSessionDelegate const&) = delete;
};
