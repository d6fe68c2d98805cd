#include "LuaTable.h"
#include "LuaBudget.h"
#include "LuaKeywordChecker.h"
#include "LuaTableScope.h"
#include <io/InputStream.h>
#include <io/OutputStream.h>
#include <lua.hpp>
#include <algorithm>
#include <array>
#include <cassert>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

// Lua table text: the writer of the save and level format and its reader.

namespace lua
{

using detail::ensureStack;
using detail::onPath;
using detail::TablePath;
using detail::TableScope;
using detail::LEVEL_STACK;

namespace
{

// Largest piece handed to an output stream at once.
constexpr size_t WRITE_PIECE = 1 << 20;

// Bounds of reading table text (levels and saves come from files): far more
// than a real level needs, little enough that a hostile file fails within
// about a second instead of hanging the game or exhausting its memory.
constexpr long long READ_INSTRUCTIONS = 100000000;
constexpr size_t READ_MEMORY = size_t(256) << 20;
// Instructions that each copy much memory (joining long strings) stay under
// the instruction bound for minutes: the time bound ends them. A real save
// of a few megabytes reads in milliseconds, also on a slow machine under
// load.
constexpr std::chrono::seconds READ_TIME(5);

/**
 * Takes the metatables of the values that are not tables or userdata (the
 * strings' one holds the string library as __index, so that ("a"):rep(9)
 * calls string.rep) off the state while it lives, and puts them back when
 * it goes. Table text then reaches no function but what the text itself
 * defines.
 */
class BareValues
{
public:
	explicit BareValues(lua_State* lua) : m_lua(lua)
	{
		ensureStack(lua, 4);
		for (size_t i = 0; i < TYPES.size(); ++i)
		{
			pushValueOf(TYPES[i]);
			m_refs[i] = LUA_NOREF;
			if (lua_getmetatable(lua, -1))
			{
				m_refs[i] = luaL_ref(lua, LUA_REGISTRYINDEX);
				lua_pushnil(lua);
				lua_setmetatable(lua, -2);
			}
			lua_pop(lua, 1);
		}
	}

	~BareValues()
	{
		for (size_t i = 0; i < TYPES.size(); ++i)
		{
			if (m_refs[i] == LUA_NOREF)
				continue;
			pushValueOf(TYPES[i]);
			lua_rawgeti(m_lua, LUA_REGISTRYINDEX, m_refs[i]);
			lua_setmetatable(m_lua, -2);
			lua_pop(m_lua, 1);
			luaL_unref(m_lua, LUA_REGISTRYINDEX, m_refs[i]);
		}
	}

private:
	static constexpr std::array<int, 7> TYPES = {LUA_TNIL, LUA_TBOOLEAN, LUA_TLIGHTUSERDATA, LUA_TNUMBER, LUA_TSTRING,
		LUA_TFUNCTION, LUA_TTHREAD};

	lua_State* m_lua;
	std::array<int, 7> m_refs;

	static int nothing(lua_State*)
	{
		return 0;
	}

	/** Pushes a value of the basic type; setting its metatable sets the one of every value of the type. */
	void pushValueOf(int type)
	{
		switch (type)
		{
		case LUA_TNIL: lua_pushnil(m_lua); break;
		case LUA_TBOOLEAN: lua_pushboolean(m_lua, 0); break;
		case LUA_TLIGHTUSERDATA: lua_pushlightuserdata(m_lua, nullptr); break;
		case LUA_TNUMBER: lua_pushnumber(m_lua, 0); break;
		case LUA_TSTRING: lua_pushliteral(m_lua, ""); break;
		case LUA_TFUNCTION: lua_pushcfunction(m_lua, nothing); break;
		default: lua_pushthread(m_lua); break;
		}
	}

	BareValues(BareValues const&) = delete;
	BareValues& operator=(BareValues const&) = delete;
};

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
	std::string const name = in.toString();
	bool instructions = false;
	bool time = false;
	bool memory = false;
	// The text is data: it runs in a fresh table of its own as its only
	// global table (whatever this table holds, its host or the globals, the
	// text does not reach), and with no library behind the values it makes.
	LuaTable own(m_luastate);
	{
		BareValues bare(LuaAccess::get(m_luastate));
		LuaBudget budget(m_luastate, READ_INSTRUCTIONS, READ_MEMORY, READ_TIME);
		try
		{
			m_luastate->compileChunk(in, name, &own, false);
		}
		catch (LuaException const&)
		{
			instructions = budget.instructionsExhausted();
			time = budget.timeExhausted();
			memory = budget.memoryExhausted();
			if (!instructions && !time && !memory)
				throw;
		}
	}
	// Thrown once the budget is gone, so that the state is unbounded again.
	if (instructions)
		lang::throwError(LuaException(lang::Format("Error while reading Lua table text {0}: it runs more than {1,#} instructions", name, static_cast<double>(READ_INSTRUCTIONS))));
	if (time)
		lang::throwError(LuaException(lang::Format("Error while reading Lua table text {0}: it runs longer than {1,#} seconds", name, static_cast<double>(READ_TIME.count()))));
	if (memory)
		lang::throwError(LuaException(lang::Format("Error while reading Lua table text {0}: it needs more than {1,#} MiB of memory", name, static_cast<double>(READ_MEMORY >> 20))));

	// The text ran through: its entries land in this table, raw (no script
	// code runs while they land).
	lua_State* lua = LuaAccess::get(m_luastate);
	LuaStackRestore restore(lua);
	ensureStack(lua, 5);
	LuaState::pushTable(lua, this);
	LuaState::pushTable(lua, &own);
	lua_pushnil(lua);
	while (lua_next(lua, -2))
	{
		lua_pushvalue(lua, -2);
		lua_insert(lua, -2);
		lua_rawset(lua, -5);
	}
}

} // lua
