#pragma once

#include <lua/LuaException.h>
#include <lua/LuaState.h>
#include <lang/Format.h>
#include <lua.hpp>
#include <algorithm>
#include <vector>

// Stack helpers shared by the table handle and the table text writer.

namespace lua
{
namespace detail
{

/** Stack slots a walk or writer level needs: key, value and one spare. */
constexpr int LEVEL_STACK = 4;

/**
 * Makes room for n more stack slots.
 * @exception LuaException "Lua table nesting too deep" when the stack cannot grow.
 */
inline void ensureStack(lua_State* lua, int n)
{
	if (!lua_checkstack(lua, n))
		lang::throwError(LuaException(lang::Format("Lua table nesting too deep")));
}

/** Pushes the referenced table and restores the stack when it ends. */
struct TableScope
{
	lua_State* lua;
	LuaStackRestore restore;
	int table;

	TableScope(LuaState* state, int ref) : lua(LuaAccess::get(state)), restore(lua), table(0)
	{
		ensureStack(lua, LEVEL_STACK);
		lua_rawgeti(lua, LUA_REGISTRYINDEX, ref);
		table = lua_gettop(lua);
	}
};

/** Tables on the path from the start of a walk to the current table. */
typedef std::vector<void const*> TablePath;

/** True when table is on the path (a cycle). */
inline bool onPath(TablePath const& path, void const* table)
{
	return std::find(path.begin(), path.end(), table) != path.end();
}

} // detail
} // lua
