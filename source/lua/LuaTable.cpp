#include "LuaTable.h"
#include "LuaTableScope.h"
#include <lang/Format.h>
#include <lua.hpp>
#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace lua
{

using detail::ensureStack;
using detail::onPath;
using detail::TablePath;
using detail::TableScope;
using detail::LEVEL_STACK;

namespace
{

// Reference of a handle that refers to no table.
constexpr int NO_REF = -1;

void pushKey(lua_State* lua, int key)
{
	lua_pushnumber(lua, key);
}

void pushKey(lua_State* lua, char const* key)
{
	assert(key);
	lua_pushstring(lua, key);
}

void pushKey(lua_State* lua, std::string const& key)
{
	lua_pushlstring(lua, key.data(), key.size());
}

// Pushes t[key] (raw) above the scope's table.
template <class K>
void rawGet(TableScope& s, K const& key)
{
	pushKey(s.lua, key);
	lua_rawget(s.lua, s.table);
}

std::string keyText(int key)
{
	return lang::Format("{0}", static_cast<double>(key)).format();
}

std::string keyText(char const* key)
{
	return key;
}

std::string keyText(std::string const& key)
{
	return key;
}

void walk(LuaState* state, lua_State* lua, LuaTableVisitor& visitor, int table, TablePath& path)
{
	ensureStack(lua, LEVEL_STACK);
	path.push_back(lua_topointer(lua, table));
	lua_pushnil(lua);
	while (lua_next(lua, table))
	{
		char const* key = nullptr;
		int index = 0;
		char numberKey[32];
		if (lua_type(lua, -2) == LUA_TSTRING)
		{
			size_t len = 0;
			key = lua_tolstring(lua, -2, &len);
			if (len == 2 && std::memcmp(key, "_G", 2) == 0)
			{
				lua_pop(lua, 1);
				continue;
			}
		}
		else
		{
			state->checkType(-2, LuaState::TYPE_NUMBER);
			double const n = lua_tonumber(lua, -2);
			index = LuaNumber::toInt(n);
			if (static_cast<double>(index) != n)
			{
				// A number key that is no int index is reported by its text,
				// so that it neither collides with an index nor gets lost.
				std::snprintf(numberKey, sizeof(numberKey), LUA_NUMBER_FMT, n);
				key = numberKey;
			}
		}

		switch (lua_type(lua, -1))
		{
		case LUA_TSTRING:
			if (key)
				visitor.visit(key, lua_tostring(lua, -1));
			else
				visitor.visit(index, lua_tostring(lua, -1));
			break;
		case LUA_TNUMBER:
			if (key)
				visitor.visit(key, static_cast<double>(lua_tonumber(lua, -1)));
			else
				visitor.visit(index, static_cast<double>(lua_tonumber(lua, -1)));
			break;
		case LUA_TBOOLEAN:
			if (key)
				visitor.visit(key, lua_toboolean(lua, -1) != 0);
			else
				visitor.visit(index, lua_toboolean(lua, -1) != 0);
			break;
		case LUA_TTABLE:
			if (!onPath(path, lua_topointer(lua, -1)))
			{
				if (key)
					visitor.openTable(key);
				else
					visitor.openTable(index);
				walk(state, lua, visitor, lua_gettop(lua), path);
				visitor.closeTable();
			}
			break;
		default:
			break;
		}
		lua_pop(lua, 1);
	}
	path.pop_back();
}

} // namespace

LuaTable::LuaTable() : m_luastate(nullptr), m_ref(NO_REF) {}

LuaTable::LuaTable(LuaState* luastate) : m_luastate(luastate), m_ref(NO_REF)
{
	if (luastate)
	{
		lua_State* lua = LuaAccess::get(luastate);
		ensureStack(lua, 1);
		lua_newtable(lua);
		m_ref = luaL_ref(lua, LUA_REGISTRYINDEX);
	}
}

LuaTable::LuaTable(LuaTable const& other) : lang::Object(), m_luastate(other.m_luastate), m_ref(NO_REF)
{
	if (other.m_luastate && other.m_ref >= 0)
	{
		lua_State* lua = LuaAccess::get(other.m_luastate);
		ensureStack(lua, 1);
		lua_rawgeti(lua, LUA_REGISTRYINDEX, other.m_ref);
		m_ref = luaL_ref(lua, LUA_REGISTRYINDEX);
	}
}

LuaTable& LuaTable::operator=(LuaTable const& other)
{
	LuaState* oldState = m_luastate;
	int oldRef = m_ref;
	if (other.m_luastate && other.m_ref >= 0)
	{
		lua_State* lua = LuaAccess::get(other.m_luastate);
		ensureStack(lua, 1);
		lua_rawgeti(lua, LUA_REGISTRYINDEX, other.m_ref);
		m_ref = luaL_ref(lua, LUA_REGISTRYINDEX);
		m_luastate = other.m_luastate;
	}
	else
	{
		m_luastate = nullptr;
		m_ref = NO_REF;
	}
	if (oldState && oldRef >= 0)
		luaL_unref(LuaAccess::get(oldState), LUA_REGISTRYINDEX, oldRef);
	return *this;
}

LuaTable::~LuaTable()
{
	if (m_luastate && m_ref >= 0)
		luaL_unref(LuaAccess::get(m_luastate), LUA_REGISTRYINDEX, m_ref);
}

#define LUATABLE_SCOPE \
	assert(m_ref >= 0 && "m_ref >= 0"); \
	assert(m_luastate && "m_luastate"); \
	TableScope s(m_luastate, m_ref)

namespace
{

template <class K>
void rawSetTop(TableScope& s, K const& key)
{
	pushKey(s.lua, key);
	lua_insert(s.lua, -2);
	lua_rawset(s.lua, s.table);
}

} // namespace

void LuaTable::remove(int index)
{
	LUATABLE_SCOPE;
	lua_pushnil(s.lua);
	rawSetTop(s, index);
}

void LuaTable::remove(std::string const& key)
{
	LUATABLE_SCOPE;
	lua_pushnil(s.lua);
	rawSetTop(s, key);
}

void LuaTable::remove(char const* key)
{
	LUATABLE_SCOPE;
	lua_pushnil(s.lua);
	rawSetTop(s, key);
}

void LuaTable::setString(int index, std::string const& value)
{
	LUATABLE_SCOPE;
	lua_pushlstring(s.lua, value.data(), value.size());
	rawSetTop(s, index);
}

void LuaTable::setString(int index, char const* value)
{
	LUATABLE_SCOPE;
	lua_pushstring(s.lua, value);
	rawSetTop(s, index);
}

void LuaTable::setString(char const* key, std::string const& value)
{
	LUATABLE_SCOPE;
	lua_pushlstring(s.lua, value.data(), value.size());
	rawSetTop(s, key);
}

void LuaTable::setString(char const* key, char const* value)
{
	LUATABLE_SCOPE;
	lua_pushstring(s.lua, value);
	rawSetTop(s, key);
}

void LuaTable::setNumber(int index, float value)
{
	LUATABLE_SCOPE;
	lua_pushnumber(s.lua, value);
	rawSetTop(s, index);
}

void LuaTable::setNumber(char const* key, float value)
{
	LUATABLE_SCOPE;
	lua_pushnumber(s.lua, value);
	rawSetTop(s, key);
}

void LuaTable::setBoolean(int index, bool value)
{
	LUATABLE_SCOPE;
	lua_pushboolean(s.lua, value ? 1 : 0);
	rawSetTop(s, index);
}

void LuaTable::setBoolean(std::string const& key, bool value)
{
	LUATABLE_SCOPE;
	lua_pushboolean(s.lua, value ? 1 : 0);
	rawSetTop(s, key);
}

void LuaTable::setBoolean(char const* key, bool value)
{
	LUATABLE_SCOPE;
	lua_pushboolean(s.lua, value ? 1 : 0);
	rawSetTop(s, key);
}

void LuaTable::setTable(int index, LuaTable const& value)
{
	LUATABLE_SCOPE;
	assert(!value.m_luastate || value.m_luastate == m_luastate);
	LuaState::pushTable(s.lua, &value);
	rawSetTop(s, index);
}

void LuaTable::setTable(std::string const& key, LuaTable const& value)
{
	assert(value.m_ref >= 0 && "v.m_ref >= 0");
	setTable(key, &value);
}

void LuaTable::setTable(char const* key, LuaTable const& value)
{
	assert(value.m_ref >= 0 && "v.m_ref >= 0");
	setTable(key, &value);
}

void LuaTable::setTable(std::string const& key, LuaTable const* value)
{
	LUATABLE_SCOPE;
	assert(!value || !value->m_luastate || value->m_luastate == m_luastate);
	LuaState::pushTable(s.lua, value);
	rawSetTop(s, key);
}

void LuaTable::setTable(char const* key, LuaTable const* value)
{
	LUATABLE_SCOPE;
	assert(!value || !value->m_luastate || value->m_luastate == m_luastate);
	LuaState::pushTable(s.lua, value);
	rawSetTop(s, key);
}

namespace
{

template <class K>
std::string getStringOf(TableScope& s, K const& key)
{
	rawGet(s, key);
	if (!lua_isstring(s.lua, -1))
		return std::string();
	size_t len = 0;
	char const* str = lua_tolstring(s.lua, -1, &len);
	return std::string(str, len);
}

template <class K>
float getNumberOf(TableScope& s, K const& key)
{
	rawGet(s, key);
	if (!lua_isnumber(s.lua, -1))
		return 0.f;
	return LuaNumber::toFloat(lua_tonumber(s.lua, -1));
}

template <class K>
int typeOf(TableScope& s, K const& key)
{
	rawGet(s, key);
	return lua_type(s.lua, -1);
}

template <class K>
LuaTable getTableOf(LuaState* state, TableScope& s, K const& key)
{
	int type = typeOf(s, key);
	if (type != LUA_TTABLE)
	{
		lang::throwError(LuaException(lang::Format("Tried to get value {0} from table, but type was {1} instead of {2}",
			keyText(key), LuaState::toString(static_cast<LuaState::Type>(type)), LuaState::toString(LuaState::TYPE_TABLE))));
	}
	return state->toTable(-1);
}

} // namespace

std::string LuaTable::getString(char const* key) const
{
	LUATABLE_SCOPE;
	return getStringOf(s, key);
}

std::string LuaTable::getString(int index) const
{
	LUATABLE_SCOPE;
	return getStringOf(s, index);
}

float LuaTable::getNumber(std::string const& key) const
{
	LUATABLE_SCOPE;
	return getNumberOf(s, key);
}

float LuaTable::getNumber(char const* key) const
{
	LUATABLE_SCOPE;
	return getNumberOf(s, key);
}

float LuaTable::getNumber(int index) const
{
	LUATABLE_SCOPE;
	return getNumberOf(s, index);
}

bool LuaTable::getBoolean(char const* key) const
{
	LUATABLE_SCOPE;
	rawGet(s, key);
	return lua_toboolean(s.lua, -1) != 0;
}

LuaTable LuaTable::getTable(std::string const& key) const
{
	LUATABLE_SCOPE;
	return getTableOf(m_luastate, s, key);
}

LuaTable LuaTable::getTable(char const* key) const
{
	LUATABLE_SCOPE;
	return getTableOf(m_luastate, s, key);
}

LuaTable LuaTable::getTable(int index) const
{
	LUATABLE_SCOPE;
	return getTableOf(m_luastate, s, index);
}

bool LuaTable::isNil(char const* key) const
{
	LUATABLE_SCOPE;
	return typeOf(s, key) == LUA_TNIL;
}

bool LuaTable::isNil(int index) const
{
	LUATABLE_SCOPE;
	return typeOf(s, index) == LUA_TNIL;
}

bool LuaTable::isString(char const* key) const
{
	LUATABLE_SCOPE;
	rawGet(s, key);
	return lua_isstring(s.lua, -1) != 0;
}

bool LuaTable::isString(int index) const
{
	LUATABLE_SCOPE;
	rawGet(s, index);
	return lua_isstring(s.lua, -1) != 0;
}

bool LuaTable::isNumber(char const* key) const
{
	LUATABLE_SCOPE;
	rawGet(s, key);
	return lua_isnumber(s.lua, -1) != 0;
}

bool LuaTable::isNumber(std::string const& key) const
{
	LUATABLE_SCOPE;
	rawGet(s, key);
	return lua_isnumber(s.lua, -1) != 0;
}

bool LuaTable::isNumber(int index) const
{
	LUATABLE_SCOPE;
	rawGet(s, index);
	return lua_isnumber(s.lua, -1) != 0;
}

bool LuaTable::isTable(char const* key) const
{
	LUATABLE_SCOPE;
	return typeOf(s, key) == LUA_TTABLE;
}

bool LuaTable::isTable(std::string const& key) const
{
	LUATABLE_SCOPE;
	return typeOf(s, key) == LUA_TTABLE;
}

bool LuaTable::isTable(int index) const
{
	LUATABLE_SCOPE;
	return typeOf(s, index) == LUA_TTABLE;
}

bool LuaTable::isBoolean(char const* key) const
{
	LUATABLE_SCOPE;
	return typeOf(s, key) == LUA_TBOOLEAN;
}

void LuaTable::pushMember(char const* key) const
{
	assert(m_ref >= 0 && "m_ref >= 0");
	assert(m_luastate && "m_luastate");
	lua_State* lua = LuaAccess::get(m_luastate);
	ensureStack(lua, 2);
	lua_rawgeti(lua, LUA_REGISTRYINDEX, m_ref);
	pushKey(lua, key);
	lua_rawget(lua, -2);
	lua_remove(lua, -2);
}

int LuaTable::size() const
{
	assert(m_luastate && "m_luastate");
	TableScope s(m_luastate, m_ref);
	if (!lua_istable(s.lua, s.table))
		return 0;
	int count = 0;
	lua_pushnil(s.lua);
	while (lua_next(s.lua, s.table))
	{
		++count;
		lua_pop(s.lua, 1);
	}
	return count;
}

void LuaTable::traverse(LuaTableVisitor& visitor) const
{
	assert(m_luastate && "m_luastate");
	TableScope s(m_luastate, m_ref);
	visitor.start();
	if (lua_istable(s.lua, s.table))
	{
		TablePath path;
		walk(m_luastate, s.lua, visitor, s.table, path);
	}
	visitor.end();
}

} // lua
