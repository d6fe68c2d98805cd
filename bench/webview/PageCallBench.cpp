#include <lua/webview/WebViewLuaInterface.h>
#include <lua/LuaState.h>
#include <io/ByteArrayInputStream.h>
#include <support/ScriptedPageEngine.h>
#include <benchmark/benchmark.h>
#include <lua.hpp>
#include <string>

// Cost of a page's call of a game script function, ui.web.f(1, 'a'): from
// the navigation text through the bridge, the call parser and the path walk
// to the function's return, against looking the function up along the path
// and calling it from C.

namespace
{

char const SCRIPT[] = "n = 0 ui = {web = {f = function(a, b) n = n + a end}}\n";

void runChunk(lua::LuaState& state, std::string const& code)
{
	io::ByteArrayInputStream in(code.data(), int(code.size()));
	state.compile(in, "bench", nullptr);
}

void PageCall(benchmark::State& st)
{
	test::ScriptedPageEngines engines;
	lua::LuaState state;
	lang::Ptr<lua::WebViewLuaInterface> module = new lua::WebViewLuaInterface(nullptr, &state);
	runChunk(state, std::string(SCRIPT) + "v = WebView.new(0, 0, 10, 10) v:allowCallsFromJavaScript('ui.web') v:loadPage('https://game.example/')");
	test::ScriptedPageEngine& page = engines.last();
	// The call carries the token of the page's bridge, as the page's own would.
	page.finishLoad();
	std::string const url = "js-call:f(1,%20'a')";
	for (auto _ : st)
		benchmark::DoNotOptimize(page.bridgeCall(url));
	module = nullptr;
}
BENCHMARK(PageCall);

void DirectCall(benchmark::State& st)
{
	lua::LuaState state;
	runChunk(state, SCRIPT);
	lua_State* lua = lua::LuaAccess::get(&state);
	for (auto _ : st)
	{
		lua_getfield(lua, LUA_GLOBALSINDEX, "ui");
		lua_getfield(lua, -1, "web");
		lua_getfield(lua, -1, "f");
		lua_pushnumber(lua, 1);
		lua_pushlstring(lua, "a", 1);
		int const status = lua_pcall(lua, 2, 0, 0);
		benchmark::DoNotOptimize(status);
		lua_settop(lua, 0);
	}
}
BENCHMARK(DirectCall);

} // namespace
