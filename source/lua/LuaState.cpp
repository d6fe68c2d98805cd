#include "LuaState.h"
#include "LuaBudget.h"
#include "LuaStop.h"
#include <io/InputStream.h>
#include <lang/Format.h>
#include <lua.hpp>
#include <cassert>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cxxabi.h>
#include <typeinfo>

// The interpreter is the C++-built library: a Lua error is a C++ exception
// of this type (a pointer to the library's private jump record), so it
// unwinds C++ frames properly. Bound functions must let it pass.
struct lua_longjmp;

namespace lua
{

namespace
{

// Frames listed by the call-stack text at most.
constexpr int MAX_STACK_FRAMES = 10;

// Size of the read buffer of the chunk reader.
constexpr int CHUNK_BUFFER_SIZE = 2048;

// True when the exception being handled is the interpreter's own error.
bool isLuaError()
{
	std::type_info const* t = abi::__cxa_current_exception_type();
	return t && *t == typeid(lua_longjmp*);
}

// Replacement of the global `error`: raises its first argument unchanged,
// without position information, whatever level is given.
int scriptError(lua_State* lua)
{
	lua_settop(lua, 1);
	return lua_error(lua);
}

// Text of an error value.
std::string errorText(lua_State* lua, int index)
{
	if (lua_type(lua, index) == LUA_TSTRING || lua_type(lua, index) == LUA_TNUMBER)
	{
		size_t len = 0;
		lua_pushvalue(lua, index);
		char const* s = lua_tolstring(lua, -1, &len);
		std::string text(s, len);
		lua_pop(lua, 1);
		return text;
	}
	if (lua_isnoneornil(lua, index))
		return "(error object is a nil value)";
	return std::string("(error object is a ") + lua_typename(lua, lua_type(lua, index)) + " value)";
}

std::string stackTrace(lua_State* lua, int firstLevel)
{
	std::string text;
	int frames = 0;
	lua_Debug ar;
	for (int level = firstLevel; frames < MAX_STACK_FRAMES; ++level)
	{
		if (!lua_getstack(lua, level, &ar) || !lua_getinfo(lua, "Snl", &ar))
			break;
		if (frames == 0)
			text += "\nCall stack:\n";
		char buf[512];
		// A long source name is cut so that the line number and the line break stay.
		std::snprintf(buf, sizeof(buf), "%.480s(%i)\n", ar.source ? ar.source : "?", ar.currentline);
		text += buf;
		++frames;
	}
	if (frames > 0)
		text += "(end)\n";
	else
		text += " (call stack not available)";
	return text;
}

// Whether a stack index names an existing slot (or a pseudo-index).
bool validIndex(lua_State* lua, int index)
{
	if (index > 0)
		return index <= lua_gettop(lua);
	if (index > LUA_REGISTRYINDEX)
		return index < 0 && -index <= lua_gettop(lua);
	return true;
}

int absoluteIndex(lua_State* lua, int index)
{
	return index < 0 && index > LUA_REGISTRYINDEX ? lua_gettop(lua) + index + 1 : index;
}

// Table access with metamethods, run as protected calls: stack (table, key[, value]).
int getTableBody(lua_State* lua)
{
	lua_gettable(lua, 1);
	return 1;
}

int setTableBody(lua_State* lua)
{
	lua_settable(lua, 1);
	return 0;
}

void reserveStack(lua_State* lua, int n)
{
	if (!lua_checkstack(lua, n))
		lang::throwError(LuaException(lang::Format("Lua stack overflow")));
}

// Reads a stream as one chunk; a stream failure is kept and thrown after
// the load has returned.
struct ChunkReader
{
	io::InputStream* in;
	int remaining;
	bool unknownSize;
	bool allowBinary;
	bool first;
	bool refusedBinary;
	std::exception_ptr failure;
	char buffer[CHUNK_BUFFER_SIZE];

	static char const* read(lua_State*, void* data, size_t* size)
	{
		ChunkReader* r = static_cast<ChunkReader*>(data);
		*size = 0;
		if (r->failure || r->refusedBinary || (!r->unknownSize && r->remaining <= 0))
			return nullptr;
		int want = CHUNK_BUFFER_SIZE;
		if (!r->unknownSize && r->remaining < want)
			want = r->remaining;
		int got = 0;
		try
		{
			got = r->in->read(r->buffer, want);
		}
		catch (...)
		{
			if (isLuaError())
				throw;
			r->failure = std::current_exception();
			return nullptr;
		}
		if (got <= 0)
			return nullptr;
		if (got > want)
			got = want;
		if (r->first)
		{
			r->first = false;
			if (!r->allowBinary && r->buffer[0] == LUA_SIGNATURE[0])
			{
				r->refusedBinary = true;
				return nullptr;
			}
		}
		r->remaining -= got;
		*size = static_cast<size_t>(got);
		return r->buffer;
	}
};

} // namespace

// The libraries opened in every state, in this order (the debug library is
// left closed), ended by a null pair.
extern luaL_Reg const libsToOpen[];
luaL_Reg const libsToOpen[] = {
	{"", luaopen_base},
	{LUA_LOADLIBNAME, luaopen_package},
	{LUA_TABLIBNAME, luaopen_table},
	{LUA_IOLIBNAME, luaopen_io},
	{LUA_OSLIBNAME, luaopen_os},
	{LUA_STRLIBNAME, luaopen_string},
	{LUA_MATHLIBNAME, luaopen_math},
	{nullptr, nullptr},
};

void* LuaState::allocate(void* ud, void* ptr, size_t osize, size_t nsize)
{
	// The standard allocator, counted against the budget when one is set.
	LuaBudget* budget = static_cast<LuaState*>(ud)->m_budget;
	if (budget && !budget->grant(ptr ? osize : 0, nsize))
		return nullptr;
	if (nsize == 0)
	{
		std::free(ptr);
		return nullptr;
	}
	void* p = std::realloc(ptr, nsize);
	if (!p && budget)
		budget->revoke(ptr ? osize : 0, nsize);
	return p;
}

LuaState::LuaState() : m_lua(nullptr), m_handlerRef(LUA_NOREF)
{
	// The standard allocator; its user data is this state, which is how a
	// bound C function finds the state without touching the stack.
	lua_State* lua = lua_newstate(allocate, this);
	if (!lua)
		lang::throwError(LuaException(lang::Format("Failed to initialized Lua interpreter")));
	m_lua = lua;
	lua_atpanic(lua, handleError);
	// A script stuck in a loop still stops when the program is asked to end.
	LuaStop::watch(lua);

	bool ok = true;
	for (luaL_Reg const* lib = libsToOpen; lib->func && ok; ++lib)
	{
		lua_pushcfunction(lua, lib->func);
		lua_pushstring(lua, lib->name);
		ok = lua_pcall(lua, 1, 0, 0) == 0;
	}
	if (ok)
	{
		// No C modules: drop package.loadlib and the C entries of package.loaders
		// (the preload and Lua-file searchers stay).
		lua_getglobal(lua, LUA_LOADLIBNAME);
		if (lua_istable(lua, -1))
		{
			lua_pushnil(lua);
			lua_setfield(lua, -2, "loadlib");
			lua_getfield(lua, -1, "loaders");
			if (lua_istable(lua, -1))
			{
				for (int i = static_cast<int>(lua_objlen(lua, -1)); i > 2; --i)
				{
					lua_pushnil(lua);
					lua_rawseti(lua, -2, i);
				}
			}
			lua_pop(lua, 1);
		}
		lua_pop(lua, 1);

		lua_pushcfunction(lua, scriptError);
		lua_setglobal(lua, "error");

		lua_pushlightuserdata(lua, lua);
		lua_pushlightuserdata(lua, this);
		lua_rawset(lua, LUA_REGISTRYINDEX);

		lua_pushlightuserdata(lua, this);
		lua_pushcclosure(lua, messageHandler, 1);
		m_handlerRef = luaL_ref(lua, LUA_REGISTRYINDEX);
		ok = m_handlerRef >= 0;
	}
	if (!ok)
	{
		lua_close(lua);
		m_lua = nullptr;
		lang::throwError(LuaException(lang::Format("Failed to initialized Lua interpreter")));
	}

	checkType(LUA_GLOBALSINDEX, TYPE_TABLE);
	lua_pushvalue(lua, LUA_GLOBALSINDEX);
	m_globals.m_ref = luaL_ref(lua, LUA_REGISTRYINDEX);
	m_globals.m_luastate = this;
}

LuaState::~LuaState()
{
	m_globals = LuaTable();
	lua_close(m_lua);
}

char const* LuaState::toString(Type type)
{
	switch (type)
	{
	case TYPE_NIL: return "NIL";
	case TYPE_BOOLEAN: return "BOOLEAN";
	case TYPE_LIGHTUSERDATA: return "LIGHTUSERDATA";
	case TYPE_NUMBER: return "NUMBER";
	case TYPE_STRING: return "STRING";
	case TYPE_TABLE: return "TABLE";
	case TYPE_FUNCTION: return "FUNCTION";
	case TYPE_USERDATA: return "USERDATA";
	case TYPE_THREAD: return "THREAD";
	default: return "INVALID";
	}
}

int LuaState::top() const
{
	return lua_gettop(m_lua);
}

void LuaState::push(int index)
{
	assert(validIndex(m_lua, index));
	reserveStack(m_lua, 1);
	lua_pushvalue(m_lua, index);
}

void LuaState::pop(int n)
{
	assert(n >= 0 && n <= lua_gettop(m_lua));
	lua_pop(m_lua, n);
}

LuaState::Type LuaState::type(int index) const
{
	if (!validIndex(m_lua, index))
		return TYPE_INVALID;
	return static_cast<Type>(lua_type(m_lua, index));
}

bool LuaState::isNil(int index) const
{
	return type(index) == TYPE_NIL;
}

bool LuaState::isBoolean(int index) const
{
	return type(index) == TYPE_BOOLEAN;
}

bool LuaState::isTable(int index) const
{
	return type(index) == TYPE_TABLE;
}

bool LuaState::isNumber(int index) const
{
	return validIndex(m_lua, index) && lua_isnumber(m_lua, index);
}

bool LuaState::isString(int index) const
{
	return validIndex(m_lua, index) && lua_isstring(m_lua, index);
}

bool LuaState::toBoolean(int index) const
{
	checkType(index, TYPE_BOOLEAN);
	return lua_toboolean(m_lua, index) != 0;
}

float LuaState::toNumber(int index) const
{
	checkType(index, TYPE_NUMBER);
	return LuaNumber::toFloat(lua_tonumber(m_lua, index));
}

char const* LuaState::toString(int index) const
{
	checkType(index, TYPE_STRING);
	return lua_tostring(m_lua, index);
}

LuaTable LuaState::toTable(int index)
{
	checkType(index, TYPE_TABLE);
	reserveStack(m_lua, 1);
	lua_pushvalue(m_lua, index);
	LuaTable table;
	table.m_ref = luaL_ref(m_lua, LUA_REGISTRYINDEX);
	table.m_luastate = this;
	return table;
}

void LuaState::checkType(int index, Type expected) const
{
	Type found = type(index);
	if (found != expected)
	{
		lang::throwError(LuaException(lang::Format("Excepted type {0} at stack position {1} but found {2}{3}",
			toString(expected), static_cast<double>(index), toString(found), getStackTrace(m_lua))));
	}
}

void LuaState::pushBoolean(bool value)
{
	reserveStack(m_lua, 1);
	lua_pushboolean(m_lua, value ? 1 : 0);
}

void LuaState::pushNumber(float value)
{
	reserveStack(m_lua, 1);
	lua_pushnumber(m_lua, value);
}

void LuaState::pushString(char const* str)
{
	pushString(m_lua, str);
}

void LuaState::pushString(std::string const& str)
{
	pushString(m_lua, str);
}

void LuaState::pushString(lua_State* lua, std::string const& str)
{
	reserveStack(lua, 1);
	lua_pushlstring(lua, str.data(), str.size());
}

void LuaState::pushString(lua_State* lua, char const* str)
{
	reserveStack(lua, 1);
	lua_pushstring(lua, str);
}

void LuaState::pushNil()
{
	reserveStack(m_lua, 1);
	lua_pushnil(m_lua);
}

void LuaState::pushLightUserData(void* ptr)
{
	reserveStack(m_lua, 1);
	lua_pushlightuserdata(m_lua, ptr);
}

void LuaState::pushCClosure(int (*func)(lua_State*), int upvalueCount)
{
	assert(upvalueCount >= 0 && upvalueCount <= lua_gettop(m_lua));
	lua_pushcclosure(m_lua, func, upvalueCount);
}

void LuaState::newTable()
{
	reserveStack(m_lua, 1);
	lua_newtable(m_lua);
}

void LuaState::pushTable(lua_State* lua, LuaTable const* table)
{
	reserveStack(lua, 1);
	if (table && table->m_luastate && table->m_ref >= 0)
		lua_rawgeti(lua, LUA_REGISTRYINDEX, table->m_ref);
	else
		lua_pushnil(lua);
}

void LuaState::getTable(int index)
{
	// Metamethods may run script code: the access is a protected call.
	checkType(index, TYPE_TABLE);
	assert(lua_gettop(m_lua) >= 1);
	int table = absoluteIndex(m_lua, index);
	reserveStack(m_lua, 3);
	lua_pushcfunction(m_lua, getTableBody);
	lua_pushvalue(m_lua, table);
	lua_pushvalue(m_lua, -3);
	protectedCall(2, 1);
	lua_replace(m_lua, -2);
}

void LuaState::setTable(int index)
{
	checkType(index, TYPE_TABLE);
	assert(lua_gettop(m_lua) >= 2);
	int table = absoluteIndex(m_lua, index);
	reserveStack(m_lua, 4);
	lua_pushcfunction(m_lua, setTableBody);
	lua_pushvalue(m_lua, table);
	lua_pushvalue(m_lua, -4);
	lua_pushvalue(m_lua, -4);
	protectedCall(3, 0);
	lua_pop(m_lua, 2);
}

bool LuaState::next(int index)
{
	checkType(index, TYPE_TABLE);
	reserveStack(m_lua, 2);
	return lua_next(m_lua, index) != 0;
}

void LuaState::rawSetI(int index, int n)
{
	checkType(index, TYPE_TABLE);
	assert(lua_gettop(m_lua) >= 1);
	lua_rawseti(m_lua, index, n);
}

void LuaState::call(int nargs, int nresults)
{
	protectedCall(nargs, nresults);
}

void LuaState::protectedCall(int nargs, int nresults)
{
	lua_State* lua = m_lua;
	assert(nargs >= 0 && lua_gettop(lua) > nargs);
	reserveStack(lua, 2);
	int base = lua_gettop(lua) - nargs;
	lua_rawgeti(lua, LUA_REGISTRYINDEX, m_handlerRef);
	lua_insert(lua, base);

	// Nested calls keep the outer call's pending exception.
	std::exception_ptr outerPending = std::move(m_pending);
	std::string outerText = std::move(m_pendingText);
	m_pending = nullptr;
	m_pendingText.clear();

	int status = lua_pcall(lua, nargs, nresults, base);

	std::exception_ptr pending = std::move(m_pending);
	m_pending = std::move(outerPending);
	m_pendingText = std::move(outerText);

	if (status == 0)
	{
		lua_remove(lua, base);
		return;
	}

	// The handler leaves the stashed marker when the failure is a C++
	// exception of a bound function; rethrow that original object.
	bool rethrow = lua_touserdata(lua, -1) == static_cast<void*>(&m_pending) && pending;
	std::string text;
	if (!rethrow)
	{
		switch (status)
		{
		case LUA_ERRRUN:
		case LUA_ERRSYNTAX:
			text = errorText(lua, -1);
			break;
		case LUA_ERRMEM:
			text = "not enough memory";
			break;
		case LUA_ERRERR:
			text = "error in error handling";
			break;
		default:
			text = "native exception in a function called from Lua";
			break;
		}
	}
	lua_settop(lua, base - 1);
	if (rethrow)
		std::rethrow_exception(pending);
	lang::throwError(LuaException(lang::Format("{0}", text)));
}

int LuaState::messageHandler(lua_State* lua)
{
	LuaState* self = static_cast<LuaState*>(lua_touserdata(lua, lua_upvalueindex(1)));

	// A C++ exception of a bound function arrives as the text it was raised
	// with; while that exception is still pending, hand a marker back.
	if (self->m_pending && lua_type(lua, 1) == LUA_TSTRING)
	{
		size_t len = 0;
		char const* s = lua_tolstring(lua, 1, &len);
		if (len == self->m_pendingText.size() && std::memcmp(s, self->m_pendingText.data(), len) == 0)
		{
			lua_pushlightuserdata(lua, &self->m_pending);
			return 1;
		}
	}

	// Level 1 is the function that raised the error; the `error` function
	// itself is left out so that the listing starts at the script.
	int first = 1;
	lua_Debug ar;
	if (lua_getstack(lua, 1, &ar) && lua_getinfo(lua, "f", &ar))
	{
		if (lua_tocfunction(lua, -1) == scriptError)
			first = 2;
		lua_pop(lua, 1);
	}
	std::string text = errorText(lua, 1) + stackTrace(lua, first);
	lua_pushlstring(lua, text.data(), text.size());
	return 1;
}

void LuaState::compile(io::InputStream& in, std::string const& name, LuaTable* env)
{
	compileChunk(in, name, env, true);
}

void LuaState::compileChunk(io::InputStream& in, std::string const& name, LuaTable* env, bool allowBinary)
{
	lua_State* lua = m_lua;
	LuaStackRestore restore(this);
	reserveStack(lua, 4);

	ChunkReader reader;
	reader.in = &in;
	reader.remaining = in.available();
	reader.unknownSize = reader.remaining < 0;
	reader.allowBinary = allowBinary;
	reader.first = true;
	reader.refusedBinary = false;

	int status = lua_load(lua, ChunkReader::read, &reader, name.c_str());
	if (reader.failure)
		std::rethrow_exception(reader.failure);
	if (reader.refusedBinary)
	{
		lang::throwError(LuaException(lang::Format("Error while compiling Lua: {0}: precompiled chunks are not accepted here", name)));
	}
	if (status != 0)
	{
		if (status == LUA_ERRMEM)
			lang::throwError(LuaException(lang::Format("Error while compiling Lua: {0}", "not enough memory")));
		checkType(-1, TYPE_STRING);
		lang::throwError(LuaException(lang::Format("Error while compiling Lua: {0}", errorText(lua, -1))));
	}

	if (env)
	{
		pushTable(lua, env);
		checkType(-2, TYPE_FUNCTION);
		checkType(-1, TYPE_TABLE);
		lua_setfenv(lua, -2);
	}
	protectedCall(0, 0);
}

std::string LuaState::getStackTrace(lua_State* lua)
{
	return stackTrace(lua, 1);
}

int LuaState::handleError(lua_State* lua)
{
	std::string text = lua_gettop(lua) > 0 ? errorText(lua, -1) : std::string("(no error object)");
	lang::throwError(LuaException(lang::Format("{0}{1}", text, getStackTrace(lua))));
}

void* LuaState::getDispatchData(lua_State* lua, LuaState** state, LuaFunctor* functor)
{
	void* owner = nullptr;
	lua_getallocf(lua, &owner);
	*state = static_cast<LuaState*>(owner);
	functor->obj = lua_touserdata(lua, lua_upvalueindex(1));
	functor->func[0] = lua_touserdata(lua, lua_upvalueindex(2));
	functor->func[1] = lua_touserdata(lua, lua_upvalueindex(3));
	assert(functor->obj && "lf->obj");
	return functor->obj;
}

int LuaState::invokeBody(lua_State* lua, int (*body)(lua_State*, LuaState*, LuaFunctor const&))
{
	LuaState* state = nullptr;
	LuaFunctor functor;
	getDispatchData(lua, &state, &functor);
	assert(state);

	// The body works on the stack of the thread that called it: a coroutine
	// has a stack of its own, apart from the main thread's.
	lua_State* outer = LuaAccess::enter(state, lua);
	try
	{
		int results = body(lua, state, functor);
		LuaAccess::leave(state, outer);
		return results;
	}
	catch (...)
	{
		LuaAccess::leave(state, outer);
		LuaAccess::keepPending(state);
	}
	lua_settop(lua, 0);
	lua_pushlstring(lua, state->m_pendingText.data(), state->m_pendingText.size());
	return -1;
}

void LuaAccess::keepPending(LuaState* state)
{
	if (isLuaError())
		throw;
	state->keepPending();
}

int LuaAccess::raisePending(LuaState* state, lua_State* lua)
{
	lua_settop(lua, 0);
	lua_pushlstring(lua, state->m_pendingText.data(), state->m_pendingText.size());
	return lua_error(lua);
}

void LuaState::keepPending()
{
	m_pending = std::current_exception();
	try
	{
		throw;
	}
	catch (lang::Throwable const& e)
	{
		m_pendingText = e.getMessage().format();
	}
	catch (std::exception const& e)
	{
		m_pendingText = e.what();
	}
	catch (...)
	{
		m_pendingText = "unknown C++ exception";
	}
}

int LuaState::dispatch(lua_State* lua, int (*body)(lua_State*, LuaState*, LuaFunctor const&))
{
	// No C++ object with a destructor lives in this frame: the error below
	// may leave it without unwinding.
	int results = invokeBody(lua, body);
	if (results < 0)
		return lua_error(lua);
	return results;
}

LuaStackRestore::LuaStackRestore(LuaState* state) : m_lua(state->m_lua), m_top(lua_gettop(state->m_lua)) {}

LuaStackRestore::LuaStackRestore(lua_State* lua) : m_lua(lua), m_top(lua_gettop(lua)) {}

LuaStackRestore::~LuaStackRestore()
{
	lua_settop(m_lua, m_top);
}

} // lua
