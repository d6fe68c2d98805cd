#include "LuaObject.h"
#include <lua.hpp>
#include <cassert>

namespace lua
{

std::string LuaValue::readString(LuaState* state, int index)
{
	state->checkType(index, LuaState::TYPE_STRING);
	size_t len = 0;
	char const* s = lua_tolstring(LuaAccess::get(state), index, &len);
	return std::string(s, len);
}

LuaTable LuaValue::readTable(LuaState* state, int index)
{
	return state->toTable(index);
}

void LuaValue::push(LuaState* state, std::string const& value)
{
	state->pushString(value);
}

void LuaValue::push(LuaState* state, char const* value)
{
	state->pushString(value);
}

void LuaValue::push(LuaState* state, float value)
{
	state->pushNumber(value);
}

void LuaValue::push(LuaState* state, double value)
{
	lua_State* lua = LuaAccess::get(state);
	if (!lua_checkstack(lua, 1))
		lang::throwError(LuaException(lang::Format("Lua stack overflow")));
	lua_pushnumber(lua, value);
}

void LuaValue::push(LuaState* state, int value)
{
	push(state, static_cast<double>(value));
}

void LuaValue::push(LuaState* state, bool value)
{
	state->pushBoolean(value);
}

void LuaValue::push(LuaState* state, LuaTable const& value)
{
	LuaState::pushTable(LuaAccess::get(state), &value);
}

LuaObject::LuaObject(LuaState* luastate) : LuaTable(luastate)
{
	assert(m_luastate && "m_luastate");
	lua_State* lua = LuaAccess::get(m_luastate);
	LuaStackRestore restore(lua);
	if (!lua_checkstack(lua, 4))
		lang::throwError(LuaException(lang::Format("Lua stack overflow")));
	lua_rawgeti(lua, LUA_REGISTRYINDEX, m_ref);
	lua_pushlightuserdata(lua, this);
	lua_rawseti(lua, -2, 0);
	lua_pushvalue(lua, LUA_GLOBALSINDEX);
	lua_setfield(lua, -2, "_G");
	lua_pushvalue(lua, -1);
	lua_setfield(lua, -2, "this");
}

LuaObject::~LuaObject() {}

void LuaObject::pushClosure(LuaFunctor const* lf, int (*dispatch)(lua_State*))
{
	lua_State* lua = LuaAccess::get(m_luastate);
	if (!lua_checkstack(lua, 4))
		lang::throwError(LuaException(lang::Format("Lua stack overflow")));
	lua_pushlightuserdata(lua, lf->obj);
	lua_pushlightuserdata(lua, lf->func[0]);
	lua_pushlightuserdata(lua, lf->func[1]);
	lua_pushcclosure(lua, dispatch, 3);
	assert(!m_luastate->isNil(-1));
}

void LuaObject::storeTop(char const* name)
{
	lua_State* lua = LuaAccess::get(m_luastate);
	lua_rawgeti(lua, LUA_REGISTRYINDEX, m_ref);
	lua_insert(lua, -2);
	lua_setfield(lua, -2, name);
	lua_pop(lua, 1);
}

void LuaObject::registerClosure(char const* name, LuaFunctor const* lf, int (*dispatch)(lua_State*))
{
	assert(lf->obj == static_cast<void*>(this) && "lf->obj == this");
	assert(m_ref >= 0 && "m_ref >= 0");
	LuaStackRestore restore(m_luastate);
	pushClosure(lf, dispatch);
	storeTop(name);
}

void LuaObject::call(char const* name)
{
	LuaStackRestore restore(m_luastate);
	pushMember(name);
	m_luastate->call(0, 0);
}

} // lua
