#include <support/BenchHost.h>
#include <io/ByteArrayInputStream.h>
#include <lua/LuaState.h>
#include <benchmark/benchmark.h>
#include <lua.hpp>
#include <string>

// Cost of a call from a script into the game host: performBitwiseAnd through
// the host table against a plain C function doing the same work (exact type
// checks, saturating conversions, and, one pushed result).

namespace
{

constexpr int CALLS = 100000;

int plainAnd(lua_State* lua)
{
	if (lua_type(lua, 1) != LUA_TNUMBER || lua_type(lua, 2) != LUA_TNUMBER)
		return luaL_error(lua, "numbers expected");
	int a = lua::LuaNumber::toInt(lua_tonumber(lua, 1));
	int b = lua::LuaNumber::toInt(lua_tonumber(lua, 2));
	lua_pushnumber(lua, a & b);
	return 1;
}

/** A host with a loop of calls to measure. */
struct Bench : test::BenchHost
{
	void measure(benchmark::State& state, char const* function, lua::LuaTable* env)
	{
		std::string code = std::string("function loop(n) local f = ") + function +
						   " local r = 0 for i = 1, n do r = f(i, 1023) end return r end";
		io::ByteArrayInputStream in(code.data(), static_cast<int>(code.size()));
		lua->compile(in, "bench", env);
		lua::LuaTable& table = env ? *env : lua->globals();
		for (auto _ : state)
		{
			lua::LuaStackRestore restore(lua);
			table.pushMember("loop");
			lua->pushNumber(CALLS);
			lua->call(1, 1);
		}
		state.SetItemsProcessed(state.iterations() * CALLS);
	}
};

void BM_HostBitwiseAnd(benchmark::State& state)
{
	Bench bench;
	bench.measure(state, "performBitwiseAnd", bench.host);
}

void BM_PlainBitwiseAnd(benchmark::State& state)
{
	Bench bench;
	{
		lua::LuaStackRestore restore(bench.lua);
		bench.lua->pushCClosure(plainAnd, 0);
		bench.lua->globals().pushMember("_G");
		bench.lua->pushString("plainAnd");
		bench.lua->push(-3);
		bench.lua->setTable(-3);
	}
	bench.measure(state, "plainAnd", nullptr);
}

} // namespace

BENCHMARK(BM_HostBitwiseAnd);
BENCHMARK(BM_PlainBitwiseAnd);
