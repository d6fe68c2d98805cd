#pragma once

#include <lua/LuaState.h>
#include <lua/LuaTable.h>
#include <lua.hpp>

/**
 * The exact Lua type (LUA_TNIL, LUA_TNUMBER, LUA_TSTRING, ...) of
 * table[key], for the file formats whose fields count only with one type
 * (a numeric string is no number there). LUA_TNIL when absent.
 */
inline int fieldType(lua::LuaTable const& table, char const* key)
{
	lua::LuaStackRestore restore(table.getLuaState());
	table.pushMember(key);
	return lua_type(lua::LuaAccess::get(table.getLuaState()), -1);
}
