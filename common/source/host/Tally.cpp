#include <host/Tally.h>
#include <lang/Debug.h>
#include <lang/System.h>
#include <lua/LuaObject.h>
#include <lua/LuaState.h>
#include <tally/Tally.h>
#include <lua.hpp>
#include <cinttypes>
#include <cstdio>
#include <map>

namespace host
{

Tally::Tally(Core const& core) :
	m_core(core),
	m_timerStart(0),
	m_timerPaused(0),
	m_tally(nullptr)
{
}

void Tally::prepareTally(tally::Tally* tally)
{
	m_tally = tally;
}

void Tally::logTallyEvent(std::string const& event)
{
	lang::Debug::printf("Logging tally event: name=%s\n", event.c_str());
	if (m_tally)
		m_tally->logEvent(event);
}

void Tally::logTallyEventWithParam(std::string const& event, std::string const& name, std::string const& value)
{
	lang::Debug::printf("Logging tally event: name=%s paramname=%s paramvalue=%s\n", event.c_str(), name.c_str(), value.c_str());
	if (m_tally)
		m_tally->logEvent(event, name, value);
}

void Tally::logTallyEventWithParams(std::string const& event, std::string const& tableName)
{
	lang::Debug::printf("Logging tally event with params: event=%s\n", event.c_str());
	std::map<std::string, std::string> params;
	lua::LuaState* state = m_core.table.getLuaState();
	lua_State* lua = lua::LuaAccess::get(state);
	lua::LuaStackRestore restore(state);
	m_core.table.pushMember(tableName.c_str());
	if (lua_type(lua, -1) == LUA_TTABLE)
	{
		lua_pushnil(lua);
		while (lua_next(lua, -2) != 0)
		{
			// lua_type, not lua_isstring: numbers are not texts here, and
			// converting a number key in place would upset lua_next.
			if (lua_type(lua, -2) == LUA_TSTRING && lua_type(lua, -1) == LUA_TSTRING)
			{
				size_t keyLength = 0, valueLength = 0;
				char const* key = lua_tolstring(lua, -2, &keyLength);
				char const* value = lua_tolstring(lua, -1, &valueLength);
				lang::Debug::printf("Param: %s = %s\n", key, value);
				params[std::string(key, keyLength)] = std::string(value, valueLength);
			}
			lua_pop(lua, 1);
		}
	}
	if (m_tally)
		m_tally->logEvent(event, params);
}

int Tally::timerSeconds(int64_t elapsedMs)
{
	if (elapsedMs < 0)
		return 0;
	int64_t const seconds = (elapsedMs + 500) / 1000;
	return seconds > INT32_MAX ? INT32_MAX : static_cast<int>(seconds);
}

void Tally::logTallyTimerEvent(std::string const& event)
{
	int64_t elapsed = lang::System::currentTimeMillis() - m_timerStart;
	if (elapsed < 0)
		elapsed = 0;
	char seconds[32];
	snprintf(seconds, sizeof(seconds), "%i", timerSeconds(elapsed));
	lang::Debug::printf("logTallyTimerEvent: %s, %ss, (%llims)\n", event.c_str(), seconds, static_cast<long long>(elapsed));
	logTallyEventWithParam(event, "seconds", seconds);
}

void Tally::resetTimer()
{
	lang::Debug::debug("resetTimer called\n");
	m_timerStart = lang::System::currentTimeMillis();
	m_timerPaused = 0;
}

} // namespace host
