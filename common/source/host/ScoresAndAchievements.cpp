#include <host/ScoresAndAchievements.h>
#include <host/GameCenter.h>
#include <lang/Debug.h>
#include <lua/LuaObject.h>
#include <lua/LuaState.h>
#include <lua.hpp>
#include <cstdint>

namespace host
{

namespace
{

/** gameCenter[part] into out when both are tables. */
bool gameCenterPart(lua::LuaObject& host, char const* part, lua::LuaTable& out)
{
	if (!host.isTable("gameCenter"))
		return false;
	lua::LuaTable gameCenter = host.getTable("gameCenter");
	if (!gameCenter.isTable(part))
		return false;
	out = gameCenter.getTable(part);
	return true;
}

/** t[key] = value as a Lua number of full precision (scores take 64 bits). */
void setWholeNumber(lua::LuaTable& table, char const* key, int64_t value)
{
	lua::LuaState* state = table.getLuaState();
	lua_State* lua = lua::LuaAccess::get(state);
	lua::LuaStackRestore restore(state);
	if (!lua_checkstack(lua, 3))
		return;
	lua::LuaState::pushTable(lua, &table);
	lua_pushstring(lua, key);
	lua_pushnumber(lua, static_cast<lua_Number>(value));
	lua_rawset(lua, -3);
}

/** The text of the string at index of the stack; only strings count. */
bool stringAt(lua_State* lua, int index, std::string& out)
{
	if (lua_type(lua, index) != LUA_TSTRING)
		return false;
	size_t length = 0;
	char const* text = lua_tolstring(lua, index, &length);
	out.assign(text, length);
	return true;
}

/**
 * The "icon" string of the entry of the host's table "achievements" (string
 * keys, table values) whose "id" string is id; false when there is none.
 */
bool achievementIcon(lua::LuaObject& host, std::string const& id, std::string& icon)
{
	lua::LuaState* state = host.getLuaState();
	lua_State* lua = lua::LuaAccess::get(state);
	lua::LuaStackRestore restore(state);
	if (!lua_checkstack(lua, 6))
		return false;
	host.pushMember("achievements");
	if (lua_type(lua, -1) != LUA_TTABLE)
		return false;
	int const table = lua_gettop(lua);
	lua_pushnil(lua);
	while (lua_next(lua, table))
	{
		if (lua_type(lua, -2) == LUA_TSTRING && lua_type(lua, -1) == LUA_TTABLE)
		{
			std::string entryId;
			lua_pushstring(lua, "id");
			lua_rawget(lua, -2);
			bool const match = stringAt(lua, -1, entryId) && entryId == id;
			lua_pop(lua, 1);
			if (match)
			{
				lua_pushstring(lua, "icon");
				lua_rawget(lua, -2);
				return stringAt(lua, -1, icon);
			}
		}
		lua_pop(lua, 1);
	}
	return false;
}

/** True when category is one of the string values of the host's table "leaderboards". */
bool listedLeaderboard(lua::LuaObject& host, std::string const& category)
{
	lua::LuaState* state = host.getLuaState();
	lua_State* lua = lua::LuaAccess::get(state);
	lua::LuaStackRestore restore(state);
	if (!lua_checkstack(lua, 4))
		return false;
	host.pushMember("leaderboards");
	if (lua_type(lua, -1) != LUA_TTABLE)
		return false;
	int const table = lua_gettop(lua);
	lua_pushnil(lua);
	while (lua_next(lua, table))
	{
		std::string value;
		if (stringAt(lua, -1, value) && value == category)
			return true;
		lua_pop(lua, 1);
	}
	return false;
}

/** A script's rank or count: truncated, NaN as low, within low .. high. */
int clampedWhole(float value, int low, int high)
{
	if (!(value >= static_cast<float>(low)))
		return low;
	if (value >= static_cast<float>(high))
		return high;
	return static_cast<int>(value);
}

} // namespace

ScoresAndAchievements::ScoresAndAchievements(Core const& core) :
	m_core(core),
	m_gameCenter(nullptr)
{
}

void ScoresAndAchievements::initGameCenter()
{
	lang::Debug::debug("GameLua initGameCenter \n");
	if (m_gameCenter)
		m_gameCenter->authenticateLocalPlayer();
}

void ScoresAndAchievements::getLeaderboardScoresForPlayers()
{
}

void ScoresAndAchievements::getLeaderboardScoresForRange(std::string const& category, float first, float count)
{
	lua::LuaTable leaderboards;
	if (!gameCenterPart(m_core.table, "leaderboards", leaderboards) || !leaderboards.isTable(category))
		return;
	leaderboards.getTable(category).setBoolean("loading", true);
	if (m_gameCenter)
		m_gameCenter->getLeaderboardScoresForRange(category, clampedWhole(first, 1, INT32_MAX), clampedWhole(count, 1, 100));
}

void ScoresAndAchievements::showLeaderboards()
{
	lang::Debug::debug("GameLua showLeaderboards \n");
	if (m_gameCenter)
		m_gameCenter->showLeaderboards();
}

void ScoresAndAchievements::showAchievements()
{
	lang::Debug::debug("GameLua showAchievements \n");
	if (m_gameCenter)
		m_gameCenter->showAchievements();
}

void ScoresAndAchievements::postHighscore(std::string const& category, float value)
{
	if (m_gameCenter && m_core.table.isBoolean("gameCenterEnabled") && m_core.table.getBoolean("gameCenterEnabled"))
		m_gameCenter->postHighscore(category, value);
}

void ScoresAndAchievements::unlockAchievement(std::string const& id, std::string const&)
{
	if (!m_gameCenter || !m_core.table.isBoolean("gameCenterEnabled") || !m_core.table.getBoolean("gameCenterEnabled"))
		return;
	lua::LuaTable achievements;
	if (!gameCenterPart(m_core.table, "achievements", achievements) || !achievements.isTable(id))
		return;
	lua::LuaTable achievement = achievements.getTable(id);
	if (achievement.isBoolean("completed") && !achievement.getBoolean("completed"))
		m_gameCenter->unlockAchievement(id, 100.0);
}

void ScoresAndAchievements::setStat(std::string const& name, int value)
{
	lang::Debug::debug("Setting stat %s %i\n", name.c_str(), value);
}

void ScoresAndAchievements::setStatFloat(std::string const& name, float value)
{
	lang::Debug::debug("Setting stat %s %f\n", name.c_str(), static_cast<double>(value));
}

void ScoresAndAchievements::activateGameOverlayToStore()
{
}

void ScoresAndAchievements::setGameCenter(GameCenter* gameCenter)
{
	m_gameCenter = gameCenter;
}

void ScoresAndAchievements::prepareGameCenter(GameCenter* gameCenter, std::string const& playerID, std::string const& alias)
{
	m_gameCenter = gameCenter;
	m_core.table.setBoolean("gameCenterEnabled", true);
	m_core.table.setBoolean("gameCenterSupported", true);
	m_core.table.setString("localPlayerID", playerID);
	lua::LuaTable table(m_core.table.getLuaState());
	table.setTable("achievements", lua::LuaTable(m_core.table.getLuaState()));
	table.setTable("leaderboards", lua::LuaTable(m_core.table.getLuaState()));
	table.setString("localPlayerID", playerID);
	table.setString("localPlayerAlias", alias);
	m_core.table.setTable("gameCenter", table);
	getLeaderboardCategories();
	getAchievements();
	m_core.table.call("enableGameCenter");
}

void ScoresAndAchievements::getLeaderboardCategories()
{
	lua::LuaTable leaderboards;
	if (gameCenterPart(m_core.table, "leaderboards", leaderboards))
		leaderboards.setBoolean("loading", true);
	if (m_gameCenter)
		m_gameCenter->loadLeaderboardCategories();
}

void ScoresAndAchievements::getAchievements()
{
	lua::LuaTable achievements;
	if (gameCenterPart(m_core.table, "achievements", achievements))
		achievements.setBoolean("loading", true);
	if (m_gameCenter)
		m_gameCenter->loadAchievements();
}

void ScoresAndAchievements::removeGameCenter()
{
	m_core.table.setBoolean("gameCenterEnabled", false);
	m_core.table.setNumber("localPlayerID", 0.f);
	m_core.table.call("disableGameCenter");
}

void ScoresAndAchievements::removeSupport()
{
	m_core.table.setBoolean("gameCenterEnabled", false);
	m_core.table.setBoolean("gameCenterSupported", false);
	m_core.table.setNumber("localPlayerID", 0.f);
	m_core.table.call("disableGameCenter");
}

void ScoresAndAchievements::setLeaderboardCategories(std::map<std::string, std::string> const& categories)
{
	lua::LuaTable leaderboards;
	if (!gameCenterPart(m_core.table, "leaderboards", leaderboards))
		return;
	leaderboards.setBoolean("loading", false);
	for (auto const& category : categories)
	{
		lua::LuaTable board(m_core.table.getLuaState());
		board.setString("title", category.second);
		board.setBoolean("posted", false);
		leaderboards.setTable(category.first, board);
		getLeaderboardScoresForRange(category.first, 1.f, 1.f);
	}
}

void ScoresAndAchievements::setLeaderboardScores(std::vector<ScoreData> const& scores, std::string const& category, int range,
	int localRank, int64_t localScore)
{
	lua::LuaTable leaderboards;
	if (!gameCenterPart(m_core.table, "leaderboards", leaderboards) || !leaderboards.isTable(category))
		return;
	lua::LuaTable board = leaderboards.getTable(category);
	board.setNumber("range", static_cast<float>(range));
	board.setNumber("localRank", static_cast<float>(localRank));
	setWholeNumber(board, "localScore", localScore);
	board.setBoolean("loading", false);
	for (ScoreData const& score : scores)
	{
		lua::LuaTable entry(m_core.table.getLuaState());
		entry.setString("playerID", score.playerID);
		entry.setString("alias", score.alias);
		entry.setNumber("rank", static_cast<float>(score.rank));
		setWholeNumber(entry, "score", score.score);
		entry.setString("formattedValue", score.formattedValue);
		entry.setString("category", score.category);
		board.setTable(score.rank, entry);
	}
	leaderboards.setTable(category, board);

	lua::LuaTable gameCenter = m_core.table.getTable("gameCenter");
	if (gameCenter.isBoolean("safeToRefresh") && gameCenter.getBoolean("safeToRefresh"))
		m_core.table.call("setIndicatorPositions");
}

void ScoresAndAchievements::setAchievementMetaData(std::vector<AchievementData> const& achievements)
{
	lua::LuaTable table;
	if (!gameCenterPart(m_core.table, "achievements", table))
		return;
	for (AchievementData const& data : achievements)
	{
		lua::LuaTable achievement(m_core.table.getLuaState());
		achievement.setString("title", data.title);
		achievement.setString("achievedText", data.achievedText);
		achievement.setBoolean("completed", false);
		std::string icon;
		if (achievementIcon(m_core.table, data.id, icon))
			achievement.setString("icon", icon);
		table.setTable(data.id, achievement);
	}
}

void ScoresAndAchievements::setAchievements(std::vector<AchievementData> const& achievements)
{
	lua::LuaTable table;
	if (gameCenterPart(m_core.table, "achievements", table))
	{
		for (AchievementData const& data : achievements)
		{
			if (!table.isTable(data.id))
				continue;
			lua::LuaTable achievement = table.getTable(data.id);
			achievement.setBoolean("completed", data.completed);
			achievement.setBoolean("hidden", data.hidden);
			achievement.setNumber("percentComplete", data.percentComplete);
		}
		table.setBoolean("loading", false);
	}
	m_core.table.call("gameCenterAchievementsLoaded");
}

void ScoresAndAchievements::achievementRegistered(std::string const& id)
{
	lua::LuaTable achievements;
	if (gameCenterPart(m_core.table, "achievements", achievements) && achievements.isTable(id))
		achievements.getTable(id).setBoolean("completed", true);
	m_core.table.call("achievementRegisteredCallback", id);
}

void ScoresAndAchievements::highScoresPosted(std::string const& category)
{
	lua::LuaTable leaderboards;
	if (gameCenterPart(m_core.table, "leaderboards", leaderboards) && leaderboards.isTable(category))
		leaderboards.getTable(category).setBoolean("posted", true);
	if (listedLeaderboard(m_core.table, category))
		getLeaderboardScoresForRange(category, 1.f, 1.f);
}

void ScoresAndAchievements::stopMainMenuAnimation(std::string const& kind)
{
	if (kind == "leaderboard")
		m_core.table.call("hideLoadingLeaderboards");
	else if (kind == "achievement")
		m_core.table.call("hideLoadingAchievements");
}

void ScoresAndAchievements::hideLoadingInitGameCenter()
{
	m_core.table.call("hideLoadingInitGameCenter");
}

} // namespace host
