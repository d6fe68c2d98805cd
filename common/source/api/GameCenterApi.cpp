// The game centre for the scripts: sign-in, leaderboards, achievements and
// the two screens through the game-centre link, and the tables under
// "gameCenter" that the link's results fill.
#include <GameCenter.h>
#include <GameLua.h>
#include <lang/Debug.h>
#include <lua/LuaState.h>
#include <lua.hpp>
#include <cstdint>

namespace
{

/** gameCenter[part] into out when both are tables. */
bool gameCenterPart(GameLua& host, char const* part, lua::LuaTable& out)
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
bool achievementIcon(GameLua& host, std::string const& id, std::string& icon)
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
bool listedLeaderboard(GameLua& host, std::string const& category)
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

void GameLua::registerGameCenterApi()
{
	registerMethod("initGameCenter", this, &GameLua::initGameCenter);
	registerMethod("getLeaderboardScoresForPlayers", this, &GameLua::getLeaderboardScoresForPlayers);
	registerMethod("getLeaderboardScoresForRange", this, &GameLua::getLeaderboardScoresForRange);
	registerMethod("showLeaderboards", this, &GameLua::showLeaderboards);
	registerMethod("showAchievements", this, &GameLua::showAchievements);
	registerMethod("postHighscore", this, &GameLua::postHighscore);
	registerMethod("unlockAchievement", this, &GameLua::unlockAchievement);
	registerMethod("setStat", this, &GameLua::setStat);
	registerMethod("setStatFloat", this, &GameLua::setStatFloat);
	registerMethod("activateGameOverlayToStore", this, &GameLua::activateGameOverlayToStore);
}

void GameLua::initGameCenter()
{
	lang::Debug::debug("GameLua initGameCenter \n");
	if (m_gameCenter)
		m_gameCenter->authenticateLocalPlayer();
}

void GameLua::getLeaderboardScoresForPlayers()
{
}

void GameLua::getLeaderboardScoresForRange(std::string const& category, float first, float count)
{
	lua::LuaTable leaderboards;
	if (!gameCenterPart(*this, "leaderboards", leaderboards) || !leaderboards.isTable(category))
		return;
	leaderboards.getTable(category).setBoolean("loading", true);
	if (m_gameCenter)
		m_gameCenter->getLeaderboardScoresForRange(category, clampedWhole(first, 1, INT32_MAX), clampedWhole(count, 1, 100));
}

void GameLua::showLeaderboards()
{
	lang::Debug::debug("GameLua showLeaderboards \n");
	if (m_gameCenter)
		m_gameCenter->showLeaderboards();
}

void GameLua::showAchievements()
{
	lang::Debug::debug("GameLua showAchievements \n");
	if (m_gameCenter)
		m_gameCenter->showAchievements();
}

void GameLua::postHighscore(std::string const& category, float value)
{
	if (m_gameCenter && isBoolean("gameCenterEnabled") && getBoolean("gameCenterEnabled"))
		m_gameCenter->postHighscore(category, value);
}

void GameLua::unlockAchievement(std::string const& id, std::string const&)
{
	if (!m_gameCenter || !isBoolean("gameCenterEnabled") || !getBoolean("gameCenterEnabled"))
		return;
	lua::LuaTable achievements;
	if (!gameCenterPart(*this, "achievements", achievements) || !achievements.isTable(id))
		return;
	lua::LuaTable achievement = achievements.getTable(id);
	if (achievement.isBoolean("completed") && !achievement.getBoolean("completed"))
		m_gameCenter->unlockAchievement(id, 100.0);
}

void GameLua::setStat(std::string const& name, int value)
{
	lang::Debug::debug("Setting stat %s %i\n", name.c_str(), value);
}

void GameLua::setStatFloat(std::string const& name, float value)
{
	lang::Debug::debug("Setting stat %s %f\n", name.c_str(), static_cast<double>(value));
}

void GameLua::activateGameOverlayToStore()
{
}

void GameLua::setGameCenter(GameCenter* gameCenter)
{
	m_gameCenter = gameCenter;
}

void GameLua::prepareGameCenter(GameCenter* gameCenter, std::string const& playerID, std::string const& alias)
{
	m_gameCenter = gameCenter;
	setBoolean("gameCenterEnabled", true);
	setBoolean("gameCenterSupported", true);
	setString("localPlayerID", playerID);
	lua::LuaTable table(m_luastate);
	table.setTable("achievements", lua::LuaTable(m_luastate));
	table.setTable("leaderboards", lua::LuaTable(m_luastate));
	table.setString("localPlayerID", playerID);
	table.setString("localPlayerAlias", alias);
	setTable("gameCenter", table);
	getLeaderboardCategories();
	getAchievements();
	call("enableGameCenter");
}

void GameLua::getLeaderboardCategories()
{
	lua::LuaTable leaderboards;
	if (gameCenterPart(*this, "leaderboards", leaderboards))
		leaderboards.setBoolean("loading", true);
	if (m_gameCenter)
		m_gameCenter->loadLeaderboardCategories();
}

void GameLua::getAchievements()
{
	lua::LuaTable achievements;
	if (gameCenterPart(*this, "achievements", achievements))
		achievements.setBoolean("loading", true);
	if (m_gameCenter)
		m_gameCenter->loadAchievements();
}

void GameLua::removeGameCenter()
{
	setBoolean("gameCenterEnabled", false);
	setNumber("localPlayerID", 0.f);
	call("disableGameCenter");
}

void GameLua::removeSupport()
{
	setBoolean("gameCenterEnabled", false);
	setBoolean("gameCenterSupported", false);
	setNumber("localPlayerID", 0.f);
	call("disableGameCenter");
}

void GameLua::setLeaderboardCategories(std::map<std::string, std::string> const& categories)
{
	lua::LuaTable leaderboards;
	if (!gameCenterPart(*this, "leaderboards", leaderboards))
		return;
	leaderboards.setBoolean("loading", false);
	for (auto const& category : categories)
	{
		lua::LuaTable board(m_luastate);
		board.setString("title", category.second);
		board.setBoolean("posted", false);
		leaderboards.setTable(category.first, board);
		getLeaderboardScoresForRange(category.first, 1.f, 1.f);
	}
}

void GameLua::setLeaderboardScores(std::vector<ScoreData> const& scores, std::string const& category, int range,
	int localRank, int64_t localScore)
{
	lua::LuaTable leaderboards;
	if (!gameCenterPart(*this, "leaderboards", leaderboards) || !leaderboards.isTable(category))
		return;
	lua::LuaTable board = leaderboards.getTable(category);
	board.setNumber("range", static_cast<float>(range));
	board.setNumber("localRank", static_cast<float>(localRank));
	setWholeNumber(board, "localScore", localScore);
	board.setBoolean("loading", false);
	for (ScoreData const& score : scores)
	{
		lua::LuaTable entry(m_luastate);
		entry.setString("playerID", score.playerID);
		entry.setString("alias", score.alias);
		entry.setNumber("rank", static_cast<float>(score.rank));
		setWholeNumber(entry, "score", score.score);
		entry.setString("formattedValue", score.formattedValue);
		entry.setString("category", score.category);
		board.setTable(score.rank, entry);
	}
	leaderboards.setTable(category, board);

	lua::LuaTable gameCenter = getTable("gameCenter");
	if (gameCenter.isBoolean("safeToRefresh") && gameCenter.getBoolean("safeToRefresh"))
		call("setIndicatorPositions");
}

void GameLua::setAchievementMetaData(std::vector<AchievementData> const& achievements)
{
	lua::LuaTable table;
	if (!gameCenterPart(*this, "achievements", table))
		return;
	for (AchievementData const& data : achievements)
	{
		lua::LuaTable achievement(m_luastate);
		achievement.setString("title", data.title);
		achievement.setString("achievedText", data.achievedText);
		achievement.setBoolean("completed", false);
		std::string icon;
		if (achievementIcon(*this, data.id, icon))
			achievement.setString("icon", icon);
		table.setTable(data.id, achievement);
	}
}

void GameLua::setAchievements(std::vector<AchievementData> const& achievements)
{
	lua::LuaTable table;
	if (gameCenterPart(*this, "achievements", table))
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
	call("gameCenterAchievementsLoaded");
}

void GameLua::achievementRegistered(std::string const& id)
{
	lua::LuaTable achievements;
	if (gameCenterPart(*this, "achievements", achievements) && achievements.isTable(id))
		achievements.getTable(id).setBoolean("completed", true);
	call("achievementRegisteredCallback", id);
}

void GameLua::highScoresPosted(std::string const& category)
{
	lua::LuaTable leaderboards;
	if (gameCenterPart(*this, "leaderboards", leaderboards) && leaderboards.isTable(category))
		leaderboards.getTable(category).setBoolean("posted", true);
	if (listedLeaderboard(*this, category))
		getLeaderboardScoresForRange(category, 1.f, 1.f);
}

void GameLua::stopMainMenuAnimation(std::string const& kind)
{
	if (kind == "leaderboard")
		call("hideLoadingLeaderboards");
	else if (kind == "achievement")
		call("hideLoadingAchievements");
}

void GameLua::hideLoadingInitGameCenter()
{
	call("hideLoadingInitGameCenter");
}
