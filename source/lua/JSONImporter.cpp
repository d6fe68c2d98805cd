#include "JSONImporter.h"
#include "LuaException.h"
#include "LuaState.h"
#include <cassert>
#include <lua.hpp>

namespace lua
{

namespace
{

/**
 * t[key] (or t[index] when key is null) = value, raw, with the full
 * precision of the interpreter's numbers.
 */
void setNumber(LuaTable& t, char const* key, int index, double value)
{
	lua_State* lua = LuaAccess::get(t.getLuaState());
	LuaStackRestore restore(lua);
	if (!lua_checkstack(lua, 3))
		lang::throwError(LuaException(lang::Format("Lua stack overflow while importing JSON")));
	LuaState::pushTable(lua, &t);
	if (key)
		lua_pushstring(lua, key);
	else
		lua_pushinteger(lua, index);
	lua_pushnumber(lua, value);
	lua_rawset(lua, -3);
}

} // namespace

JSONImporter::JSONImporter(LuaTable& table) :
	m_table(table)
{
}

JSONImporter::~JSONImporter()
{
}

JSONImporter::State& JSONImporter::top(char const* key)
{
	assert(!m_stack.empty());
	State& s = m_stack.back();
	// Values come without a key only in arrays; while the top is an object
	// state that means the document's root is an array.
	if (s.index == -1 && !key)
		s.index = 1;
	return s;
}

void JSONImporter::visit(char const* key, char const* value)
{
	State& s = top(key);
	if (s.index == -1)
		s.table->setString(key, value);
	else
		s.table->setString(s.index++, value);
}

void JSONImporter::visit(char const* key, double value)
{
	State& s = top(key);
	if (s.index == -1)
		setNumber(*s.table, key, 0, value);
	else
		setNumber(*s.table, nullptr, s.index++, value);
}

void JSONImporter::visit(char const* key, bool value)
{
	State& s = top(key);
	if (s.index == -1)
		s.table->setBoolean(key, value);
	else
		s.table->setBoolean(s.index++, value);
}

void JSONImporter::visit(char const* key)
{
	State& s = top(key);
	if (s.index == -1)
		s.table->remove(key);
	else
		s.table->remove(s.index++);
}

void JSONImporter::openTable(char const* key, int index)
{
	State& s = top(key);
	std::unique_ptr<LuaTable> t(new LuaTable(s.table->getLuaState()));
	if (s.index == -1)
		s.table->setTable(key, *t);
	else
		s.table->setTable(s.index++, *t);
	LuaTable* raw = t.get();
	m_stack.push_back(State{raw, std::move(t), index});
}

void JSONImporter::startObject(char const* key)
{
	openTable(key, -1);
}

void JSONImporter::endObject()
{
	assert(m_stack.size() > 1);
	m_stack.pop_back();
}

void JSONImporter::startArray(char const* key)
{
	openTable(key, 1);
}

void JSONImporter::endArray()
{
	assert(m_stack.size() > 1);
	m_stack.pop_back();
}

void JSONImporter::start()
{
	// Leftovers of a walk that was cut short by an exception are dropped.
	m_stack.clear();
	m_stack.push_back(State{&m_table, nullptr, -1});
}

void JSONImporter::end()
{
	assert(m_stack.size() == 1);
	m_stack.pop_back();
	assert(m_stack.empty());
}

} // lua
