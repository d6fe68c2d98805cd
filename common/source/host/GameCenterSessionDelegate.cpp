#include <host/GameCenterSessionDelegate.h>
#include <host/GameCenter.h>
#include <host/HostGameCenter.h>
#include <lang/Debug.h>
#include <pf/Alert.h>

GameCenterSessionDelegate::GameCenterSessionDelegate(GameCenter* gc) :
	m_gc(gc),
	m_showingLeaderboard(false),
	m_showingAchievements(false)
{
	m_gc->playerService().setAuthenticationHandler([this]() { authenticationChanged(); });
}

void GameCenterSessionDelegate::authenticationChanged()
{
	pf::PlayerService::Player const player = m_gc->playerService().localPlayer();
	if (!player.authenticated)
	{
		lang::Debug::debug("authentication changed to disabled!\n");
		m_gc->host()->removeGameCenter();
		m_gc->host()->hideLoadingInitGameCenter();
		return;
	}
	lang::Debug::debug("authentication changed to enabled!\n");
	m_gc->host()->prepareGameCenter(m_gc, player.playerID, player.alias);
	m_gc->host()->hideLoadingInitGameCenter();
}

void GameCenterSessionDelegate::showAlert(pf::PlayerService::Error const& error, bool alerts)
{
	switch (error.code)
	{
	case pf::PlayerService::ERROR_NONE:
		return;
	case pf::PlayerService::ERROR_NOT_SUPPORTED:
		m_gc->playerService().setAuthenticationHandler(nullptr);
		m_gc->host()->removeSupport();
		return;
	case pf::PlayerService::ERROR_CANCELLED:
	case pf::PlayerService::ERROR_AUTHENTICATION_IN_PROGRESS:
		return;
	default:
		if (alerts)
			pf::showAlert(error.description, "", {"OK"});
	}
}

void GameCenterSessionDelegate::presentLeaderboards()
{
	m_showingLeaderboard = true;
	m_gc->playerService().showLeaderboards([this]() { m_showingLeaderboard = false; });
}

void GameCenterSessionDelegate::presentAchievements()
{
	m_showingAchievements = true;
	m_gc->playerService().showAchievements([this]() { m_showingAchievements = false; });
}
