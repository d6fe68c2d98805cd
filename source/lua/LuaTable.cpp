#include "LuaTable.h"
#include "LuaKeywordChecker.h"
#include "LuaState.h"
#include <io/InputStream.h>
#include <io/OutputStream.h>
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

namespace
{

// Stack slots a walk or writer level needs: key, value and one spare.
constexpr int LEVEL_STACK = 4;

// Reference of a handle that refers to no table.
constexpr int NO_REF = -1;

// Largest piece handed to an output stream at once.
constexpr size_t WRITE_PIECE = 1 << 20;

void ensureStack(lua_State* lua, int n)
{
	if (!lua_checkstack(lua, n))
		lang::throwError(LuaException(lang::Format("Lua table nesting too deep")));
}

// Pushes the referenced table and restores the stack when it ends.
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

// Tables on the path from the start of a walk to the current table.
typedef std::vector<void const*> TablePath;

bool onPath(TablePath const& path, void const* table)
{
	return std::find(path.begin(), path.end(), table) != path.end();
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

// --- Lua table text ---

void appendIndent(std::string& text, int width)
{
	if (width > 0)
		text.append(static_cast<size_t>(width), ' ');
}

void appendNumber(std::string& text, double v)
{
	if (std::isnan(v))
	{
		text += "0/0";
		return;
	}
	if (std::isinf(v))
	{
		text += v > 0 ? "1/0" : "-1/0";
		return;
	}
	if (v == 0 && std::signbit(v))
	{
		// Computed at run time: a constant -0 would merge with a constant 0
		// of the same chunk and lose its sign.
		text += "1/(-1/0)";
		return;
	}
	char buf[64];
	std::snprintf(buf, sizeof(buf), "%g", v);
	for (int precision = 7; precision <= 17 && std::strtod(buf, nullptr) != v; ++precision)
		std::snprintf(buf, sizeof(buf), "%.*g", precision, v);
	text += buf;
}

void appendQuoted(std::string& text, char const* s, size_t len)
{
	text += '"';
	for (size_t i = 0; i < len; ++i)
	{
		char c = s[i];
		switch (c)
		{
		case '"': text += "\\\""; break;
		case '\\': text += "\\\\"; break;
		case '\n': text += "\\n"; break;
		case '\r': text += "\\r"; break;
		case '\0': text += "\\000"; break;
		default: text += c; break;
		}
	}
	text += '"';
}

// Hands the text to the stream in pieces whose size fits an int.
void writeText(io::OutputStream& out, std::string const& text)
{
	for (size_t at = 0; at < text.size(); at += WRITE_PIECE)
		out.write(text.data() + at, static_cast<int>(std::min(WRITE_PIECE, text.size() - at)));
}

bool isWritableKey(int type)
{
	return type == LUA_TBOOLEAN || type == LUA_TNUMBER || type == LUA_TSTRING;
}

bool isWritableValue(int type)
{
	return type == LUA_TBOOLEAN || type == LUA_TNUMBER || type == LUA_TSTRING || type == LUA_TTABLE;
}

void appendContents(lua_State* lua, std::string& text, int table, int indent, bool nested, TablePath& path);

void appendValue(lua_State* lua, std::string& text, int index, int indent, TablePath& path)
{
	switch (lua_type(lua, index))
	{
	case LUA_TBOOLEAN:
		text += lua_toboolean(lua, index) ? "true" : "false";
		break;
	case LUA_TNUMBER:
		appendNumber(text, lua_tonumber(lua, index));
		break;
	case LUA_TSTRING:
	{
		size_t len = 0;
		char const* s = lua_tolstring(lua, index, &len);
		appendQuoted(text, s, len);
		break;
	}
	case LUA_TTABLE:
		text += "{\n";
		appendContents(lua, text, index, indent + 4, true, path);
		appendIndent(text, indent);
		text += "}";
		break;
	default:
		text += "nil";
		break;
	}
}

void appendContents(lua_State* lua, std::string& text, int table, int indent, bool nested, TablePath& path)
{
	ensureStack(lua, LEVEL_STACK);
	path.push_back(lua_topointer(lua, table));
	bool arrayMode = true;
	bool nothingWritten = true;
	double run = 0;
	lua_pushnil(lua);
	while (lua_next(lua, table))
	{
		int keyType = lua_type(lua, -2);
		int valueType = lua_type(lua, -1);
		bool skip = !isWritableKey(keyType) || !isWritableValue(valueType) ||
			(valueType == LUA_TTABLE && onPath(path, lua_topointer(lua, -1)));

		bool validName = false;
		char const* key = nullptr;
		size_t keyLen = 0;
		if (!skip && keyType == LUA_TSTRING)
		{
			key = lua_tolstring(lua, -2, &keyLen);
			validName = std::strlen(key) == keyLen && LuaKeywordChecker::isValidKeyName(key);
		}
		if (!skip && !nested && !validName)
			skip = true;
		if (skip)
		{
			lua_pop(lua, 1);
			continue;
		}

		if (arrayMode)
		{
			if (keyType == LUA_TNUMBER && lua_tonumber(lua, -2) == run + 1)
			{
				if (nothingWritten && indent > 0)
					appendIndent(text, indent);
				appendValue(lua, text, lua_gettop(lua), indent, path);
				text += ",";
				nothingWritten = false;
				run += 1;
				lua_pop(lua, 1);
				continue;
			}
			arrayMode = false;
			if (!nothingWritten)
				text += "\n";
		}

		if (key && ((keyLen == 2 && std::memcmp(key, "_G", 2) == 0) || (keyLen == 4 && std::memcmp(key, "this", 4) == 0)))
		{
			lua_pop(lua, 1);
			continue;
		}

		appendIndent(text, indent);
		if (!nested || validName)
		{
			text.append(key, keyLen);
		}
		else
		{
			text += "[";
			appendValue(lua, text, lua_gettop(lua) - 1, indent, path);
			text += "]";
		}
		text += " = ";
		appendValue(lua, text, lua_gettop(lua), indent, path);
		if (nested)
			text += ",";
		text += "\n";
		nothingWritten = false;
		lua_pop(lua, 1);
	}
	if (arrayMode)
		text += "\n";
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

void LuaTable::write(io::OutputStream& out, int indent, bool nested) const
{
	assert(m_luastate && "m_luastate");
	std::string text;
	{
		TableScope s(m_luastate, m_ref);
		TablePath path;
		if (lua_istable(s.lua, s.table))
			appendContents(s.lua, text, s.table, indent, nested, path);
		else
			text += "\n";
	}
	writeText(out, text);
}

void LuaTable::writeValue(io::OutputStream& out, int index, int indent) const
{
	assert(m_luastate && "m_luastate");
	lua_State* lua = LuaAccess::get(m_luastate);
	std::string text;
	{
		LuaStackRestore restore(lua);
		if (index < 0 && index > LUA_REGISTRYINDEX)
			index = lua_gettop(lua) + index + 1;
		TablePath path;
		if (index > LUA_REGISTRYINDEX && (index <= 0 || index > lua_gettop(lua)))
			text += "nil";
		else
			appendValue(lua, text, index, indent, path);
	}
	writeText(out, text);
}

void LuaTable::read(io::InputStream& in)
{
	assert(m_luastate && "m_luastate");
	m_luastate->compileChunk(in, in.toString(), this, false);
}

} // lua
