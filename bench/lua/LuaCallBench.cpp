#include <lua/LuaObject.h>
#include <lua/LuaState.h>
#include <io/ByteArrayInputStream.h>
#include <benchmark/benchmark.h>
#include <lua.hpp>
#include <string>

// Cost of one call from a script into the engine: a bound member function
// against a plain C function doing the same work (two typed reads, one sum,
// one pushed result).

namespace
{

class Adder : public lua::LuaObject
{
public:
	explicit Adder(lua::LuaState* s) : lua::LuaObject(s) { registerMethod("add", this, &Adder::add); }

	float add(float a, float b) { return a + b; }
};

int plainAdd(lua_State* lua)
{
	if (lua_type(lua, 1) != LUA_TNUMBER || lua_type(lua, 2) != LUA_TNUMBER)
		return luaL_error(lua, "numbers expected");
	float a = static_cast<float>(lua_tonumber(lua, 1));
	float b = static_cast<float>(lua_tonumber(lua, 2));
	lua_pushnumber(lua, a + b);
	return 1;
}

constexpr int CALLS = 1000;

void run(lua::LuaState& lua, std::string const& code)
{
	io::ByteArrayInputStream in(code.data(), static_cast<int>(code.size()));
	lua.compile(in, "bench", nullptr);
}

void measure(benchmark::State& state, lua::LuaState& lua, char const* function)
{
	run(lua, std::string("function loop(n) local f = ") + function + " for i = 1, n do f(i, 1) end end");
	for (auto _ : state)
	{
		lua::LuaStackRestore restore(&lua);
		lua.globals().pushMember("loop");
		lua.pushNumber(CALLS);
		lua.call(1, 0);
	}
	state.SetItemsProcessed(state.iterations() * CALLS);
}

void BM_BoundMemberCall(benchmark::State& state)
{
	lua::LuaState lua;
	Adder adder(&lua);
	lua.globals().setTable("obj", adder);
	measure(state, lua, "obj.add");
	lua.globals().remove("obj");
}

void BM_PlainCFunctionCall(benchmark::State& state)
{
	lua::LuaState lua;
	{
		lua::LuaStackRestore restore(&lua);
		lua.pushCClosure(plainAdd, 0);
		lua.globals().pushMember("_G");
		lua.pushString("plainAdd");
		lua.push(-3);
		lua.setTable(-3);
	}
	measure(state, lua, "plainAdd");
}

} // namespace

BENCHMARK(BM_BoundMemberCall);
BENCHMARK(BM_PlainCFunctionCall);
