#pragma once

#include <lua/LuaTable.h>
#include <string>

/**
 * Raw reads of script tables for code that must not raise: a missing value
 * or one of another type gives the fallback. Inline, main thread only.
 */
namespace scriptvalues
{

/** table[key] when it is a number, else fallback. */
inline float number(lua::LuaTable const& table, char const* key, float fallback)
{
	return table.isNumber(key) ? table.getNumber(key) : fallback;
}

/** table[key] when it is a boolean, else fallback. */
inline bool boolean(lua::LuaTable const& table, char const* key, bool fallback)
{
	return table.isBoolean(key) ? table.getBoolean(key) : fallback;
}

/** table[key] when it is a string, else "". */
inline std::string text(lua::LuaTable const& table, char const* key)
{
	return table.isString(key) ? table.getString(key) : std::string();
}

/** Sets out to table[key] and gives true when that is a table. */
inline bool table(lua::LuaTable const& table, std::string const& key, lua::LuaTable& out)
{
	if (key.empty() || !table.isTable(key))
		return false;
	out = table.getTable(key);
	return true;
}

} // scriptvalues
