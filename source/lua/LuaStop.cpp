#include "LuaStop.h"
#include <lua.hpp>
#include <atomic>

namespace lua
{

namespace
{

std::atomic<bool> s_requested{false};
/** True once the stop cut a script short. */
std::atomic<bool> s_cut{false};
static_assert(std::atomic<bool>::is_always_lock_free, "a signal handler sets the request");

void stopHook(lua_State* lua, lua_Debug*)
{
	if (!LuaStop::requested())
	{
		// Back to the long step once a request was withdrawn.
		if (lua_gethookcount(lua) != LuaStop::HOOK_STEP)
			LuaStop::watch(lua);
		return;
	}
	// Every further instruction raises again, also right after a pcall
	// that caught this one.
	lua_sethook(lua, stopHook, LUA_MASKCOUNT, 1);
	s_cut.store(true);
	luaL_error(lua, "%s", LuaStop::MESSAGE);
}

} // namespace

char const* const LuaStop::MESSAGE = "script stopped: it had not returned within its grace period after the program was asked to end";

void LuaStop::request()
{
	s_requested.store(true);
}

bool LuaStop::requested()
{
	return s_requested.load(std::memory_order_relaxed);
}

bool LuaStop::cut()
{
	return s_cut.load();
}

void LuaStop::forgetCut()
{
	s_cut.store(false);
}

void LuaStop::withdraw()
{
	s_requested.store(false);
}

void LuaStop::watch(lua_State* lua)
{
	lua_sethook(lua, stopHook, LUA_MASKCOUNT, HOOK_STEP);
}

} // lua
