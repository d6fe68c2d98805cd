#include <host/GameCenterSessionDelegate.h>
#include <host/GameCenterListener.h>
#include <lang/Debug.h>
#include <pf/Alert.h>

namespace host
{

GameCenterSessionDelegate::GameCenterSessionDelegate(GameCenter* link, pf::PlayerService& service, GameCenterListener& listener) :
	m_link(link),
	m_service(service),
	m_listener(listener),
	m_showingLeaderboard(false),
	m_showingAchievements(false)
{
	m_service.setAuthenticationHandler([this]() { authenticationChanged(); });
}

void GameCenterSessionDelegate::authenticationChanged()
{
	pf::PlayerService::Player const player = m_service.localPlayer();
	if (!player.authenticated)
	{
		lang::Debug::debug("authentication changed to disabled!\n");
		m_listener.removeGameCenter();
		m_listener.hideLoadingInitGameCenter();
		return;
	}
	lang::Debug::debug("authentication changed to enabled!\n");
	m_listener.prepareGameCenter(m_link, player.playerID, player.alias);
	m_listener.hideLoadingInitGameCenter();
}

void GameCenterSessionDelegate::showAlert(pf::PlayerService::Error const& error, bool alerts)
{
	switch (error.code)
	{
	case pf::PlayerService::ERROR_NONE:
		return;
	case pf::PlayerService::ERROR_NOT_SUPPORTED:
		m_service.setAuthenticationHandler(nullptr);
		m_listener.removeSupport();
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
	m_service.showLeaderboards([this]() { m_showingLeaderboard = false; });
}

void GameCenterSessionDelegate::presentAchievements()
{
	m_showingAchievements = true;
	m_service.showAchievements([this]() { m_showingAchievements = false; });
}

} // namespace host
