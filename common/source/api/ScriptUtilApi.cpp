// The scripts' small library: JSON, Base64, dates, bitwise operations,
// printing, and the desktop and operating-system functions.
#include <host/HostShell.h>
#include <GameLua.h>
#include <framework/App.h>
#include <framework/OSInterface.h>
#include <lang/Debug.h>
#include <lang/Exception.h>
#include <lang/Format.h>
#include <lang/System.h>
#include <lua/JSONExporter.h>
#include <lua/JSONImporter.h>
#include <lua/LuaException.h>
#include <lua/LuaState.h>
#include <util/Base64.h>
#include <util/JSONDiff.h>
#include <util/JSONHash.h>
#include <util/JSONParse.h>
#include <util/JSONVisitor.h>
#include <cjson/cJSON.h>
#include <lua.hpp>
#include <climits>
#include <cstdio>
#include <ctime>
#include <memory>

void GameLua::registerScriptUtilApi()
{
	registerMethod("openBarnesAndNobleShop", this, &GameLua::openBarnesAndNobleShop);
	registerMethod("setChannelCountLimit", this, &GameLua::setChannelCountLimit);
	registerMethod("requestExit", this, &GameLua::requestExit);
	registerMethod("print", this, &GameLua::print);
	registerMethod("checkForUpdates", this, &GameLua::checkForUpdates);
	registerMethod("callVersionUpdater", this, &GameLua::callVersionUpdater);
	registerMethod("captureMouse", this, &GameLua::captureMouse);
	registerMethod("isMouseCaptured", this, &GameLua::isMouseCaptured);
	registerMethod("setFullScreenMode", this, &GameLua::setFullScreenMode);
	registerMethod("setResolution", this, &GameLua::setResolution);
	registerMethod("isInFullScreenMode", this, &GameLua::isInFullScreenMode);
	registerMethod("getClipboardText", this, &GameLua::getClipboardText);
	registerMethod("setIsMultitouchMouseWheelSimulationEnabled", this, &GameLua::setIsMultitouchMouseWheelSimulationEnabled);
	registerMethod("doesMouseClickSetsTouchCount", this, &GameLua::doesMouseClickSetsTouchCount);
	registerMethod("enableSmoothZooming", this, &GameLua::enableSmoothZooming);
	registerMethod("getDeviceID", this, &GameLua::getDeviceID);
	registerMethod("GetDate", this, &GameLua::getDate);
	registerMethod("resetTimer", this, &GameLua::resetTimer);
	registerMethod("throwException", this, &GameLua::throwException);
	registerMethod("goToTaskSwitcherLua", this, &GameLua::goToTaskSwitcherLua);
	registerMethod("setGameOn", this, &GameLua::setGameOn);
	registerMethod("printGlobals", this, &GameLua::printGlobals);
	registerLuaMethod("setGameParameters", this, &GameLua::setGameParameters);
	registerLuaMethod("performBitwiseAnd", this, &GameLua::performBitwiseAnd);
	registerLuaMethod("performBitwiseOr", this, &GameLua::performBitwiseOr);
	registerMethod("getCurrentTime", this, &GameLua::getCurrentTime);
	registerLuaMethod("getTimeDifference", this, &GameLua::getTimeDifference);
	registerLuaMethod("getTimeDifferenceInSeconds", this, &GameLua::getTimeDifferenceInSeconds);
	registerMethod("importJSONToLuaTable", this, &GameLua::importJSONToLuaTable);
	registerMethod("exportLuaTableAsJSON", this, &GameLua::exportLuaTableAsJSON);
	registerMethod("getJSONHash", this, &GameLua::getJSONHash);
	registerMethod("GetJSONDiff", this, &GameLua::GetJSONDiff);
	registerMethod("decodeBase64", this, &GameLua::decodeBase64);
}

namespace
{

struct JSONDeleter
{
	void operator()(cJSON* item) const { cJSON_Delete(item); }
};

typedef std::unique_ptr<cJSON, JSONDeleter> JSONPtr;

JSONPtr parse(std::string const& text)
{
	char const* end = nullptr;
	return JSONPtr(util::parseJSON(text.c_str(), end));
}

/**
 * Field key of the date table at index as a number.
 * @exception lua::LuaException "Tried to get value ..." when required and not a number.
 */
bool dateField(lua_State* lua, int index, char const* key, bool required, double& out)
{
	lua::LuaStackRestore restore(lua);
	lua_pushstring(lua, key);
	lua_rawget(lua, index);
	int type = lua_type(lua, -1);
	if (type == LUA_TNUMBER)
	{
		out = lua_tonumber(lua, -1);
		return true;
	}
	if (required)
	{
		lang::throwError(lua::LuaException(lang::Format("Tried to get value {0} from table, but type was {1} instead of {2}",
			key, lua::LuaState::toString(static_cast<lua::LuaState::Type>(type)),
			lua::LuaState::toString(lua::LuaState::TYPE_NUMBER))));
	}
	return false;
}

/** Saturating int of year - 1900 and similar offsets. */
int offsetInt(double value, int offset)
{
	long long v = static_cast<long long>(lua::LuaNumber::toInt(value)) - offset;
	if (v < INT_MIN)
		return INT_MIN;
	return static_cast<int>(v);
}

/**
 * The date table at stack position index as seconds in local time.
 * @exception lua::LuaException For a non-table or a missing year, month or day.
 */
long long dateSeconds(lua::LuaState* state, int index)
{
	state->checkType(index, lua::LuaState::TYPE_TABLE);
	lua_State* lua = lua::LuaAccess::get(state);
	double year = 0, month = 0, day = 0, hour = 0, minutes = 0, seconds = 0;
	dateField(lua, index, "year", true, year);
	dateField(lua, index, "month", true, month);
	dateField(lua, index, "day", true, day);
	dateField(lua, index, "hour", false, hour);
	dateField(lua, index, "minutes", false, minutes);
	dateField(lua, index, "seconds", false, seconds);

	struct tm t = {};
	t.tm_year = offsetInt(year, 1900);
	t.tm_mon = offsetInt(month, 1);
	t.tm_mday = lua::LuaNumber::toInt(day);
	t.tm_hour = lua::LuaNumber::toInt(hour);
	t.tm_min = lua::LuaNumber::toInt(minutes);
	t.tm_sec = lua::LuaNumber::toInt(seconds);
	t.tm_isdst = 0;
	return static_cast<long long>(mktime(&t));
}

/** The two numbers of a bitwise operation, exactly checked. */
void bitwiseOperands(lua::LuaState* state, int& a, int& b)
{
	a = lua::LuaValue::readInt(state, 1);
	b = lua::LuaValue::readInt(state, 2);
}

/** Pushes the result of a bitwise operation (a C function always has room for one value). */
int pushBitwiseResult(lua::LuaState* state, int result)
{
	lua_pushnumber(lua::LuaAccess::get(state), result);
	return 1;
}

} // namespace

void GameLua::openBarnesAndNobleShop(std::string const&) {}

void GameLua::requestExit()
{
	m_app->quit(0);
}

void GameLua::print(std::string const& text)
{
	fwrite(text.data(), 1, text.size(), stdout);
	fflush(stdout);
}

void GameLua::checkForUpdates() {}

void GameLua::callVersionUpdater() {}

void GameLua::captureMouse(bool capture)
{
	os()->captureMouse(capture);
}

bool GameLua::isMouseCaptured()
{
	return os()->isMouseCaptured();
}

void GameLua::setFullScreenMode(bool fullscreen)
{
	os()->setFullscreen(fullscreen);
}

void GameLua::setResolution(float width, float height)
{
	int w = lua::LuaNumber::toInt(width);
	int h = lua::LuaNumber::toInt(height);
	if (w < 1 || h < 1)
		return;
	os()->setResolution(w, h);
}

bool GameLua::isInFullScreenMode()
{
	return os()->isFullscreen();
}

std::string GameLua::getClipboardText()
{
	return "";
}

void GameLua::setIsMultitouchMouseWheelSimulationEnabled(bool enabled)
{
	if (HostShell* game = shell())
		game->setMultitouchMouseWheelSimulation(enabled);
}

bool GameLua::doesMouseClickSetsTouchCount()
{
	return false;
}

void GameLua::enableSmoothZooming(bool enabled)
{
	if (HostShell* game = shell())
		game->setSmoothZooming(enabled);
}

std::string GameLua::getDeviceID()
{
	return "";
}

int GameLua::getDate()
{
	long long hours = static_cast<long long>(time(nullptr)) / 3600;
	return static_cast<int>(hours);
}

void GameLua::resetTimer()
{
	lang::Debug::debug("resetTimer called\n");
	m_timerStart = lang::System::currentTimeMillis();
	m_timerPaused = 0;
}

void GameLua::throwException(std::string const&)
{
	lang::throwError(lang::Throwable());
}

void GameLua::goToTaskSwitcherLua() {}

void GameLua::setGameOn(bool on)
{
	os()->allowSleep(!on);
}

void GameLua::printGlobals()
{
	lua_State* lua = lua::LuaAccess::get(m_luastate);
	lua::LuaStackRestore restore(lua);
	lua_checkstack(lua, 4);
	pushMember("this");
	int table = lua_gettop(lua);
	lua_pushnil(lua);
	while (lua_next(lua, table))
	{
		if (!lua_isfunction(lua, -1))
		{
			if (lua_type(lua, -2) == LUA_TNUMBER)
				lang::Debug::debug("Number: %f\n", lua_tonumber(lua, -2));
			else if (lua_type(lua, -2) == LUA_TSTRING)
				lang::Debug::debug("Name: %s\n", lua_tostring(lua, -2));
		}
		lua_pop(lua, 1);
	}
}

int GameLua::setGameParameters(lua::LuaState* state)
{
	lua_State* lua = lua::LuaAccess::get(state);
	int last = lua_gettop(lua);
	if (last < 1 || lua_type(lua, last) != LUA_TTABLE)
		return 0;
	lua::LuaStackRestore restore(lua);
	lua_pushstring(lua, "deterministicPhysics");
	lua_rawget(lua, last);
	if (lua_type(lua, -1) == LUA_TBOOLEAN)
		m_deterministicPhysics = lua_toboolean(lua, -1) != 0;
	return 0;
}

int GameLua::performBitwiseAnd(lua::LuaState* state)
{
	int a, b;
	bitwiseOperands(state, a, b);
	return pushBitwiseResult(state, a & b);
}

int GameLua::performBitwiseOr(lua::LuaState* state)
{
	int a, b;
	bitwiseOperands(state, a, b);
	return pushBitwiseResult(state, a | b);
}

lua::LuaTable GameLua::getCurrentTime()
{
	time_t now = time(nullptr);
	struct tm t = {};
	localtime_r(&now, &t);
	lua::LuaTable result(m_luastate);
	result.setNumber("year", static_cast<float>(t.tm_year + 1900));
	result.setNumber("month", static_cast<float>(t.tm_mon + 1));
	result.setNumber("day", static_cast<float>(t.tm_mday));
	result.setNumber("hour", static_cast<float>(t.tm_hour));
	result.setNumber("minutes", static_cast<float>(t.tm_min));
	result.setNumber("seconds", static_cast<float>(t.tm_sec));
	return result;
}

int GameLua::getTimeDifference(lua::LuaState* state)
{
	long long t1 = dateSeconds(state, 1);
	long long t2 = dateSeconds(state, 2);
	long long d = t1 > t2 ? t1 - t2 : t2 - t1;
	lua::LuaTable result(state);
	result.setNumber("days", static_cast<float>(d / 86400));
	result.setNumber("hours", static_cast<float>((d / 3600) % 24));
	result.setNumber("minutes", static_cast<float>((d / 60) % 60));
	result.setNumber("seconds", static_cast<float>(d % 60));
	lua::LuaValue::push(state, result);
	return 1;
}

int GameLua::getTimeDifferenceInSeconds(lua::LuaState* state)
{
	long long t1 = dateSeconds(state, 1);
	long long t2 = dateSeconds(state, 2);
	lua::LuaValue::push(state, static_cast<double>(t1 - t2));
	return 1;
}

void GameLua::importJSONToLuaTable(std::string const& json, std::string const& tableName)
{
	if (!isTable(tableName))
		return;
	lua::LuaTable target = getTable(tableName);
	lua::JSONImporter importer(target);
	util::traverseJSON(json.c_str(), importer);
}

std::string GameLua::exportLuaTableAsJSON(std::string const& tableName)
{
	if (!isTable(tableName))
		return "";
	lua::JSONExporter exporter;
	getTable(tableName).traverse(exporter);
	return exporter.getJSON();
}

std::string GameLua::getJSONHash(std::string const& json)
{
	util::JSONHash hash;
	util::traverseJSON(json.c_str(), hash);
	char text[16];
	snprintf(text, sizeof(text), "%d", static_cast<int>(hash.getHash()));
	return text;
}

std::string GameLua::GetJSONDiff(std::string const& tableA, std::string const& tableB)
{
	JSONPtr a = parse(exportLuaTableAsJSON(tableA));
	JSONPtr b = parse(exportLuaTableAsJSON(tableB));
	util::sortcJSON(a.get());
	util::sortcJSON(b.get());
	// The delta refers to parts of b: it goes first.
	JSONPtr delta(util::diffcJSON(a.get(), b.get()));
	std::string result;
	if (delta)
	{
		std::unique_ptr<char, void (*)(void*)> text(cJSON_PrintUnformatted(delta.get()), cJSON_free);
		if (text)
			result = text.get();
	}
	return result;
}

std::string GameLua::decodeBase64(std::string const& text)
{
	return util::Base64::decode(text);
}

void GameLua::setUseTestAds(bool) {}

void GameLua::setChannelCountLimit(int channel, int limit)
{
	audio::AudioOutput* output = m_resources->getAudioOutput();
	if (!output)
		lang::throwError(lang::Exception(lang::Format("Trying to set channel count limit but no audio output has been created")));
	output->setClipCountLimit(channel, limit);
}
