#include <pf/PlayerService.h>
#include <pf/Alert.h>
#include <pf/MainThread.h>
#include <pf/linux/LocalPlayerFiles.h>
#include <pf/linux/PlayerServiceImpl.h>
#include <lang/Debug.h>
#include <lang/Throwable.h>
#include <pwd.h>
#include <unistd.h>
#include <cinttypes>
#include <cstdio>
#include <sys/stat.h>

namespace pf
{

PlayerService::Error PlayerServiceImpl::s_nextSignIn;

PlayerServiceImpl::PlayerServiceImpl() :
	m_alive(std::make_shared<int>(0))
{
}

PlayerServiceImpl::~PlayerServiceImpl()
{
}

std::function<void()> PlayerServiceImpl::guard(std::function<void()> fn)
{
	std::weak_ptr<int> alive = m_alive;
	return [alive, fn]() {
		if (alive.lock() && fn)
			fn();
	};
}

void PlayerServiceImpl::post(std::function<void()> fn)
{
	postToMainThread(guard(std::move(fn)));
}

void PlayerServiceImpl::cancel()
{
	m_alive = std::make_shared<int>(0);
}

void PlayerServiceImpl::postAuthenticationChanged()
{
	// The handler in place when the call runs is told.
	PlayerServiceImpl* self = this;
	post([self]() {
		if (self->authenticationHandler)
			self->authenticationHandler();
	});
}

namespace
{

char const* const LOCAL_PLAYER_ID = "local";

/** The login name of the user, else "Player". */
std::string loginName()
{
	char name[256];
	if (getlogin_r(name, sizeof(name)) == 0 && name[0])
		return name;
	struct passwd entry;
	struct passwd* found = nullptr;
	char buffer[4096];
	if (getpwuid_r(geteuid(), &entry, buffer, sizeof(buffer), &found) == 0 && found && found->pw_name && found->pw_name[0])
		return found->pw_name;
	return "Player";
}

PlayerService::Error failure(int code, std::string const& description)
{
	PlayerService::Error error;
	error.code = code;
	error.description = description;
	return error;
}

PlayerService::Error notSignedIn()
{
	return failure(PlayerService::ERROR_NOT_AUTHENTICATED, "The local player is not signed in.");
}

/** The catalogue into catalogue, or the failure (logged) as an error. */
PlayerService::Error readCatalogue(LocalPlayerFiles::Catalogue& catalogue)
{
	try
	{
		catalogue = LocalPlayerFiles::readCatalogue();
		return PlayerService::Error();
	}
	catch (lang::Throwable const& e)
	{
		std::string const message = e.getMessage().format();
		lang::Debug::printf("%s\n", message.c_str());
		return failure(PlayerService::ERROR_UNKNOWN, message);
	}
}

/** Writes progress; the failure (logged) as an error. */
PlayerService::Error writeProgress(LocalPlayerFiles::Progress const& progress)
{
	try
	{
		LocalPlayerFiles::writeProgress(progress);
		return PlayerService::Error();
	}
	catch (lang::Throwable const& e)
	{
		std::string const message = e.getMessage().format();
		lang::Debug::printf("%s\n", message.c_str());
		return failure(PlayerService::ERROR_COMMUNICATIONS_FAILURE, message);
	}
}

} // namespace

PlayerService::PlayerService() :
	m_impl(new PlayerServiceImpl())
{
}

PlayerService::~PlayerService()
{
	m_impl->cancel();
}

bool PlayerService::isAvailable()
{
	struct stat info;
	return stat(LocalPlayerFiles::cataloguePath().c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

PlayerService::Player PlayerService::localPlayer() const
{
	Player player;
	player.authenticated = m_impl->authenticated;
	if (player.authenticated)
	{
		player.playerID = LOCAL_PLAYER_ID;
		player.alias = m_impl->alias;
	}
	return player;
}

void PlayerService::setAuthenticationHandler(std::function<void()> handler)
{
	m_impl->authenticationHandler = std::move(handler);
}

void PlayerService::failNextSignIn(int code, std::string const& description)
{
	PlayerServiceImpl::s_nextSignIn = failure(code, description);
}

void PlayerService::authenticate(std::function<void(Error const&)> completion)
{
	Error const error = PlayerServiceImpl::s_nextSignIn;
	PlayerServiceImpl::s_nextSignIn = Error();
	bool const changed = !error.failed() && !m_impl->authenticated;
	if (changed)
	{
		m_impl->authenticated = true;
		m_impl->alias = loginName();
	}
	m_impl->post([completion, error]() {
		if (completion)
			completion(error);
	});
	if (changed)
		m_impl->postAuthenticationChanged();
}

void PlayerService::signOut()
{
	if (!m_impl->authenticated)
		return;
	m_impl->authenticated = false;
	m_impl->postAuthenticationChanged();
}

void PlayerService::loadCategories(std::function<void(Error const&, std::vector<Category> const&)> completion)
{
	std::vector<Category> categories;
	LocalPlayerFiles::Catalogue catalogue;
	Error error = m_impl->authenticated ? readCatalogue(catalogue) : notSignedIn();
	if (!error.failed())
	{
		for (LocalPlayerFiles::Leaderboard const& board : catalogue.leaderboards)
			categories.push_back(Category{board.category, board.title});
	}
	m_impl->post([completion, error, categories]() {
		if (completion)
			completion(error, categories);
	});
}

void PlayerService::loadScores(std::string const& category, int first, int count,
	std::function<void(Error const&, Scores const&)> completion)
{
	Scores result;
	LocalPlayerFiles::Catalogue catalogue;
	Error error = m_impl->authenticated ? readCatalogue(catalogue) : notSignedIn();
	if (!error.failed() && !catalogue.leaderboard(category))
		error = failure(ERROR_UNKNOWN, "There is no leaderboard \"" + category + "\".");
	if (!error.failed())
	{
		// The local player is the only one: its best score holds rank 1.
		LocalPlayerFiles::Progress const progress = LocalPlayerFiles::readProgress();
		auto const best = progress.scores.find(category);
		if (best != progress.scores.end())
		{
			result.maxRange = 1;
			result.localPlayerScore = Score{LOCAL_PLAYER_ID, 1, best->second};
			// Every range holds at least one rank, so one from rank 1 holds it.
			if (first <= 1 && count >= 0)
				result.scores.push_back(result.localPlayerScore);
		}
	}
	m_impl->post([completion, error, result]() {
		if (completion)
			completion(error, result);
	});
}

void PlayerService::loadAchievementDescriptions(
	std::function<void(Error const&, std::vector<AchievementDescription> const&)> completion)
{
	std::vector<AchievementDescription> descriptions;
	LocalPlayerFiles::Catalogue catalogue;
	Error error = m_impl->authenticated ? readCatalogue(catalogue) : notSignedIn();
	if (!error.failed())
	{
		for (LocalPlayerFiles::Achievement const& entry : catalogue.achievements)
			descriptions.push_back(AchievementDescription{entry.id, entry.title, entry.achievedText});
	}
	m_impl->post([completion, error, descriptions]() {
		if (completion)
			completion(error, descriptions);
	});
}

void PlayerService::loadAchievements(std::function<void(Error const&, std::vector<Achievement> const&)> completion)
{
	std::vector<Achievement> achievements;
	LocalPlayerFiles::Catalogue catalogue;
	Error error = m_impl->authenticated ? readCatalogue(catalogue) : notSignedIn();
	if (!error.failed())
	{
		LocalPlayerFiles::Progress const progress = LocalPlayerFiles::readProgress();
		for (LocalPlayerFiles::Achievement const& entry : catalogue.achievements)
		{
			auto const done = progress.achievements.find(entry.id);
			if (done == progress.achievements.end())
				continue;
			Achievement achievement;
			achievement.identifier = entry.id;
			achievement.percentComplete = done->second;
			achievement.completed = done->second >= 100.0;
			achievement.hidden = entry.hidden;
			achievements.push_back(achievement);
		}
	}
	m_impl->post([completion, error, achievements]() {
		if (completion)
			completion(error, achievements);
	});
}

void PlayerService::reportScore(std::string const& category, int64_t value, std::function<void(Error const&)> completion)
{
	LocalPlayerFiles::Catalogue catalogue;
	Error error = m_impl->authenticated ? readCatalogue(catalogue) : notSignedIn();
	LocalPlayerFiles::Leaderboard const* board = error.failed() ? nullptr : catalogue.leaderboard(category);
	if (!error.failed() && !board)
		error = failure(ERROR_UNKNOWN, "There is no leaderboard \"" + category + "\".");
	if (board)
	{
		LocalPlayerFiles::Progress progress = LocalPlayerFiles::readProgress();
		auto const old = progress.scores.find(category);
		bool const better = old == progress.scores.end() || (board->lowFirst ? value < old->second : value > old->second);
		if (better)
		{
			progress.scores[category] = value;
			error = writeProgress(progress);
		}
	}
	m_impl->post([completion, error]() {
		if (completion)
			completion(error);
	});
}

void PlayerService::reportAchievement(std::string const& identifier, double percent, std::function<void(Error const&)> completion)
{
	LocalPlayerFiles::Catalogue catalogue;
	Error error = m_impl->authenticated ? readCatalogue(catalogue) : notSignedIn();
	if (!error.failed() && !catalogue.achievement(identifier))
		error = failure(ERROR_UNKNOWN, "There is no achievement \"" + identifier + "\".");
	if (!error.failed() && !(percent >= 0.0 && percent <= 100.0))
		error = failure(ERROR_UNKNOWN, "The progress of \"" + identifier + "\" is not between 0 and 100.");
	if (!error.failed())
	{
		LocalPlayerFiles::Progress progress = LocalPlayerFiles::readProgress();
		auto const old = progress.achievements.find(identifier);
		if (old == progress.achievements.end() || percent > old->second)
		{
			progress.achievements[identifier] = percent;
			error = writeProgress(progress);
		}
	}
	m_impl->post([completion, error]() {
		if (completion)
			completion(error);
	});
}

void PlayerService::showLeaderboards(std::function<void()> didFinish)
{
	LocalPlayerFiles::Catalogue catalogue;
	Error const error = readCatalogue(catalogue);
	LocalPlayerFiles::Progress const progress = LocalPlayerFiles::readProgress();
	std::string text = error.failed() ? error.description + "\n" : "";
	for (LocalPlayerFiles::Leaderboard const& board : catalogue.leaderboards)
	{
		auto const best = progress.scores.find(board.category);
		char score[32] = "no score";
		if (best != progress.scores.end())
			std::snprintf(score, sizeof(score), "%" PRId64, best->second);
		text += board.title + ": " + score + "\n";
	}
	showAlert("Leaderboards", text, {"OK"}, [finished = m_impl->guard(std::move(didFinish))](int) { finished(); });
}

void PlayerService::showAchievements(std::function<void()> didFinish)
{
	LocalPlayerFiles::Catalogue catalogue;
	Error const error = readCatalogue(catalogue);
	LocalPlayerFiles::Progress const progress = LocalPlayerFiles::readProgress();
	std::string text = error.failed() ? error.description + "\n" : "";
	for (LocalPlayerFiles::Achievement const& entry : catalogue.achievements)
	{
		auto const done = progress.achievements.find(entry.id);
		double const percent = done == progress.achievements.end() ? 0.0 : done->second;
		if (percent >= 100.0)
			text += entry.title + ": " + entry.achievedText + "\n";
		else if (entry.hidden)
			text += "Hidden achievement\n";
		else
			text += entry.title + ": " + std::to_string(static_cast<int>(percent)) + "%\n";
	}
	showAlert("Achievements", text, {"OK"}, [finished = m_impl->guard(std::move(didFinish))](int) { finished(); });
}

} // pf
