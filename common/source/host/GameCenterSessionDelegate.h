#pragma once

#include <pf/PlayerService.h>

namespace host
{

class GameCenter;
class GameCenterListener;

/**
 * The game-centre link's side of the platform: it hears the local player
 * sign in and out, shows the player service's errors and presents the
 * leaderboard and achievement screens; what it hears goes to the link's
 * listener. One per link.
 *
 * Main thread only.
 */
class GameCenterSessionDelegate
{
public:
	/**
	 * Listens for sign-in changes on service, the player service of link,
	 * and tells listener. All borrowed; they outlive the delegate (the link
	 * owns it).
	 */
	GameCenterSessionDelegate(GameCenter* link, pf::PlayerService& service, GameCenterListener& listener);

	/**
	 * Signed out: prints "authentication changed to disabled!", then the
	 * listener's removeGameCenter and hideLoadingInitGameCenter. Signed in:
	 * prints "authentication changed to enabled!", then the listener's
	 * prepareGameCenter (with the link) and hideLoadingInitGameCenter.
	 * @exception lang::Throwable From the scripts.
	 */
	void authenticationChanged();

	/**
	 * A player service error: "not supported" stops listening for sign-in
	 * and tells the listener (removeSupport; no alert);
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
	GameCenter* m_link;
	pf::PlayerService& m_service;
	GameCenterListener& m_listener;
	bool m_showingLeaderboard;
	bool m_showingAchievements;

	GameCenterSessionDelegate(GameCenterSessionDelegate const&) = delete;
	GameCenterSessionDelegate& operator=(GameCenterSessionDelegate const&) = delete;
};

} // namespace host
