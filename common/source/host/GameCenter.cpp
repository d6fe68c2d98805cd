#include <host/GameCenter.h>
#include <host/GameCenterListener.h>
#include <host/GameCenterSessionDelegate.h>
#include <lang/Debug.h>
#include <pf/PlayerService.h>
#include <cmath>
#include <map>
#include <vector>

namespace host
{

GameCenter::GameCenter(GameApp* app, GameCenterListener* listener, gr::Context* context) :
	m_app(app),
	m_listener(listener),
	m_context(context),
	m_service(new pf::PlayerService())
{
	m_delegate.reset(new GameCenterSessionDelegate(this, *m_service, *m_listener));
	m_listener->setGameCenter(this);
}

GameCenter::~GameCenter()
{
	// A newer link may have taken the listener over already.
	if (m_listener->gameCenter() == this)
		m_listener->setGameCenter(nullptr);
}

bool GameCenter::isGameCenterAvailable()
{
	return pf::PlayerService::isAvailable();
}

void GameCenter::firstInit()
{
}

bool GameCenter::authenticated() const
{
	return m_service->localPlayer().authenticated;
}

int64_t GameCenter::scoreValue(float value)
{
	if (std::isnan(value))
		return 0;
	if (value >= 9223372036854775808.f)
		return INT64_MAX;
	if (value < -9223372036854775808.f)
		return INT64_MIN;
	return static_cast<int64_t>(value);
}

void GameCenter::authenticateLocalPlayer()
{
	m_service->authenticate([this](pf::PlayerService::Error const& error) {
		if (error.failed())
		{
			lang::Debug::printf("authenticateWithCompletionHandler failed!\n");
			m_delegate->showAlert(error, true);
		}
		else
		{
			lang::Debug::debug("authenticateWithCompletionHandler succeeded!\n");
		}
	});
}

void GameCenter::loadLeaderboardCategories()
{
	if (!authenticated())
		return;
	m_service->loadCategories([this](pf::PlayerService::Error const& error, std::vector<pf::PlayerService::Category> const& list) {
		if (error.failed())
		{
			lang::Debug::printf("Error in loading leaderboardCategories.\n");
			return;
		}
		std::map<std::string, std::string> categories;
		for (pf::PlayerService::Category const& entry : list)
			categories.emplace(entry.category, entry.title);
		m_listener->setLeaderboardCategories(categories);
	});
}

void GameCenter::getLeaderboardScoresForRange(std::string const& category, int first, int count)
{
	if (!authenticated())
		return;
	m_service->loadScores(category, first, count, [this, category](pf::PlayerService::Error const& error, pf::PlayerService::Scores const& result) {
		if (error.failed() || result.scores.empty())
			return;
		std::vector<ScoreData> scores;
		for (pf::PlayerService::Score const& score : result.scores)
		{
			ScoreData data;
			data.playerID = score.playerID;
			data.rank = score.rank;
			data.score = score.value;
			scores.push_back(data);
		}
		m_listener->setLeaderboardScores(scores, category, result.maxRange, result.localPlayerScore.rank, result.localPlayerScore.value);
	});
}

void GameCenter::loadAchievements()
{
	if (!authenticated())
		return;
	m_service->loadAchievementDescriptions([this](pf::PlayerService::Error const& error,
		std::vector<pf::PlayerService::AchievementDescription> const& descriptions) {
		if (error.failed() || descriptions.empty())
			return;
		std::vector<AchievementData> meta;
		for (pf::PlayerService::AchievementDescription const& description : descriptions)
		{
			AchievementData data;
			data.id = description.identifier;
			data.title = description.title;
			data.achievedText = description.achievedDescription;
			meta.push_back(data);
		}
		m_listener->setAchievementMetaData(meta);
		m_service->loadAchievements([this](pf::PlayerService::Error const& error, std::vector<pf::PlayerService::Achievement> const& list) {
			std::vector<AchievementData> achievements;
			if (!error.failed())
			{
				for (pf::PlayerService::Achievement const& achievement : list)
				{
					AchievementData data;
					data.id = achievement.identifier;
					data.completed = achievement.completed;
					data.hidden = achievement.hidden;
					data.percentComplete = static_cast<float>(achievement.percentComplete);
					achievements.push_back(data);
				}
			}
			m_listener->setAchievements(achievements);
		});
	});
}

void GameCenter::postHighscore(std::string const& category, float value)
{
	if (!authenticated())
		return;
	lang::Debug::debug("GameCenter : postHighscore: %s, value: %f\n", category.c_str(), static_cast<double>(value));
	m_service->reportScore(category, scoreValue(value), [this, category](pf::PlayerService::Error const& error) {
		if (error.failed())
		{
			lang::Debug::printf("reportScoreWithCompletionHandler failed for %s!\n", category.c_str());
			return;
		}
		lang::Debug::debug("reportScoreWithCompletionHandler succeeded for %s!\n", category.c_str());
		m_listener->highScoresPosted(category);
	});
}

void GameCenter::unlockAchievement(std::string const& id, double percent)
{
	if (!authenticated())
		return;
	lang::Debug::debug("unlockAchievement: %s\n", id.c_str());
	m_service->reportAchievement(id, percent, [this, id](pf::PlayerService::Error const& error) {
		if (error.failed())
		{
			lang::Debug::printf("reportAchievementWithCompletionHandler failed for %s!\n", id.c_str());
			return;
		}
		lang::Debug::debug("reportAchievementWithCompletionHandler succeeded for %s!\n", id.c_str());
		m_listener->achievementRegistered(id);
	});
}

void GameCenter::showLeaderboards()
{
	showScreen("leaderboard", true);
}

void GameCenter::showAchievements()
{
	showScreen("achievement", false);
}

void GameCenter::showScreen(char const* kind, bool leaderboard)
{
	if (!authenticated())
		return;
	std::string const name = kind;
	m_service->loadCategories([this, name, leaderboard](pf::PlayerService::Error const& error,
		std::vector<pf::PlayerService::Category> const&) {
		m_listener->stopMainMenuAnimation(name);
		if (error.failed())
			m_delegate->showAlert(error, true);
		else if (leaderboard)
			m_delegate->presentLeaderboards();
		else
			m_delegate->presentAchievements();
	});
}

} // namespace host
