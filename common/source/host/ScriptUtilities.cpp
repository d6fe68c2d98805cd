#include <host/ScriptUtilities.h>
#include <host/Shell.h>
#include <audio/AudioOutput.h>
#include <framework/App.h>
#include <framework/OSInterface.h>
#include <game/Resources.h>
#include <lang/Debug.h>
#include <lang/Exception.h>
#include <lang/Format.h>
#include <lua/JSONExporter.h>
#include <lua/JSONImporter.h>
#include <lua/LuaException.h>
#include <lua/LuaObject.h>
#include <lua/LuaState.h>
#include <util/Base64.h>
#include <util/JSONDiff.h>
#include <util/JSONPrint.h>
#include <util/JSONHash.h>
#include <util/JSONParse.h>
#include <util/JSONVisitor.h>
#include <cjson/cJSON.h>
#include <lua.hpp>
#include <climits>
#include <cstdio>
#include <ctime>
#include <memory>

namespace host
{

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

ScriptUtilities::ScriptUtilities(Core const& core) :
	m_core(core),
	m_deterministicPhysics(false)
{
}

void ScriptUtilities::openBarnesAndNobleShop(std::string const&) {}

void ScriptUtilities::requestExit()
{
	m_core.app->quit(0);
}

void ScriptUtilities::print(std::string const& text)
{
	fwrite(text.data(), 1, text.size(), stdout);
	fflush(stdout);
}

void ScriptUtilities::checkForUpdates() {}

void ScriptUtilities::callVersionUpdater() {}

void ScriptUtilities::captureMouse(bool capture)
{
	m_core.app->os()->captureMouse(capture);
}

bool ScriptUtilities::isMouseCaptured()
{
	return m_core.app->os()->isMouseCaptured();
}

void ScriptUtilities::setFullScreenMode(bool fullscreen)
{
	m_core.app->os()->setFullscreen(fullscreen);
}

void ScriptUtilities::setResolution(float width, float height)
{
	int w = lua::LuaNumber::toInt(width);
	int h = lua::LuaNumber::toInt(height);
	if (w < 1 || h < 1)
		return;
	m_core.app->os()->setResolution(w, h);
}

bool ScriptUtilities::isInFullScreenMode()
{
	return m_core.app->os()->isFullscreen();
}

std::string ScriptUtilities::getClipboardText()
{
	return "";
}

void ScriptUtilities::setIsMultitouchMouseWheelSimulationEnabled(bool enabled)
{
	if (Shell* game = m_core.shell)
		game->setMultitouchMouseWheelSimulation(enabled);
}

bool ScriptUtilities::doesMouseClickSetsTouchCount()
{
	return false;
}

void ScriptUtilities::enableSmoothZooming(bool enabled)
{
	if (Shell* game = m_core.shell)
		game->setSmoothZooming(enabled);
}

std::string ScriptUtilities::getDeviceID()
{
	return "";
}

int ScriptUtilities::getDate()
{
	long long hours = static_cast<long long>(time(nullptr)) / 3600;
	return static_cast<int>(hours);
}

void ScriptUtilities::throwException(std::string const&)
{
	lang::throwError(lang::Throwable());
}

void ScriptUtilities::goToTaskSwitcher() {}

void ScriptUtilities::setGameOn(bool on)
{
	m_core.app->os()->allowSleep(!on);
}

void ScriptUtilities::printGlobals()
{
	lua_State* lua = lua::LuaAccess::get(m_core.table.getLuaState());
	lua::LuaStackRestore restore(lua);
	lua_checkstack(lua, 4);
	m_core.table.pushMember("this");
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

int ScriptUtilities::setGameParameters(lua::LuaState* state)
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

int ScriptUtilities::performBitwiseAnd(lua::LuaState* state)
{
	int a, b;
	bitwiseOperands(state, a, b);
	return pushBitwiseResult(state, a & b);
}

int ScriptUtilities::performBitwiseOr(lua::LuaState* state)
{
	int a, b;
	bitwiseOperands(state, a, b);
	return pushBitwiseResult(state, a | b);
}

lua::LuaTable ScriptUtilities::getCurrentTime()
{
	time_t now = time(nullptr);
	struct tm t = {};
	localtime_r(&now, &t);
	lua::LuaTable result(m_core.table.getLuaState());
	result.setNumber("year", static_cast<float>(t.tm_year + 1900));
	result.setNumber("month", static_cast<float>(t.tm_mon + 1));
	result.setNumber("day", static_cast<float>(t.tm_mday));
	result.setNumber("hour", static_cast<float>(t.tm_hour));
	result.setNumber("minutes", static_cast<float>(t.tm_min));
	result.setNumber("seconds", static_cast<float>(t.tm_sec));
	return result;
}

int ScriptUtilities::getTimeDifference(lua::LuaState* state)
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

int ScriptUtilities::getTimeDifferenceInSeconds(lua::LuaState* state)
{
	long long t1 = dateSeconds(state, 1);
	long long t2 = dateSeconds(state, 2);
	lua::LuaValue::push(state, static_cast<double>(t1 - t2));
	return 1;
}

void ScriptUtilities::importJSONToLuaTable(std::string const& json, std::string const& tableName)
{
	if (!m_core.table.isTable(tableName))
		return;
	lua::LuaTable target = m_core.table.getTable(tableName);
	lua::JSONImporter importer(target);
	util::traverseJSON(json.c_str(), importer);
}

std::string ScriptUtilities::exportLuaTableAsJSON(std::string const& tableName)
{
	if (!m_core.table.isTable(tableName))
		return "";
	lua::JSONExporter exporter;
	m_core.table.getTable(tableName).traverse(exporter);
	return exporter.getJSON();
}

std::string ScriptUtilities::getJSONHash(std::string const& json)
{
	util::JSONHash hash;
	util::traverseJSON(json.c_str(), hash);
	char text[16];
	snprintf(text, sizeof(text), "%d", static_cast<int>(hash.getHash()));
	return text;
}

std::string ScriptUtilities::GetJSONDiff(std::string const& tableA, std::string const& tableB)
{
	JSONPtr a = parse(exportLuaTableAsJSON(tableA));
	JSONPtr b = parse(exportLuaTableAsJSON(tableB));
	util::sortcJSON(a.get());
	util::sortcJSON(b.get());
	// The delta refers to parts of b: it goes first.
	JSONPtr delta(util::diffcJSON(a.get(), b.get()));
	return util::printJSON(delta.get(), false);
}

std::string ScriptUtilities::decodeBase64(std::string const& text)
{
	return util::Base64::decode(text);
}

void ScriptUtilities::setUseTestAds(bool) {}

void ScriptUtilities::setChannelCountLimit(int channel, int limit)
{
	audio::AudioOutput* output = m_core.resources->getAudioOutput();
	if (!output)
		lang::throwError(lang::Exception(lang::Format("Trying to set channel count limit but no audio output has been created")));
	output->setClipCountLimit(channel, limit);
}

void ScriptUtilities::requestBannerAd()
{
	lang::Debug::debug("GameLua::requestBannerAd()");
}

} // namespace host
