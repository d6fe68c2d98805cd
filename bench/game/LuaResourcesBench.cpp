// The scripts' resource look-ups: res.getString(set, key) and
// res.getSpriteBounds(name) in a Lua loop, against plain Lua table look-ups
// of the same data in the same loop (texts[set][key]; two numbers from
// bounds[name]).

#include <benchmark/benchmark.h>
#include <datawriter/TextSetWriter.h>
#include <game/LuaResources.h>
#include <io/ByteArrayInputStream.h>
#include <io/detail/detail.h>
#include <lang/Ptr.h>
#include <lua/LuaState.h>
#include <support/FakeContext.h>
#include <support/TempFolder.h>
#include <lua.hpp>
#include <cstdio>
#include <string>

namespace
{

int const NAMES = 100;
int const LOOP = 1000;

/** A state with "res" over a sheet and a text set of NAMES entries each, and the same data as plain tables. */
struct Scripts
{
	test::TempFolder folder;
	lang::Ptr<test::FakeContext> context = new test::FakeContext();
	lang::Ptr<lua::LuaState> lua = new lua::LuaState();
	lang::Ptr<game::LuaResources> res;

	Scripts()
	{
		datawriter::TextSet texts{{"en_EN"}, {}, {{}}};
		datawriter::DataWriter sheet;
		sheet.beginFile().beginChunk("SPRT").writeShort(1).writeUTF("sheet.png").writeShort(NAMES);
		std::string tables = "texts = { BASIC = {} } bounds = {} keys = {} names = {}\n";
		for (int i = 0; i < NAMES; ++i)
		{
			char key[32], name[32], line[512];
			std::snprintf(key, sizeof(key), "KEY_%03d", i);
			std::snprintf(name, sizeof(name), "sprite_%03d", i);
			texts.ids.push_back(key);
			texts.texts[0].push_back(std::string("Text number ") + key);
			sheet.writeUTF(name).writeShort(i).writeShort(0).writeShort(10 + i).writeShort(20 + i).writeShort(5).writeShort(5);
			std::snprintf(line, sizeof(line), "texts.BASIC.%s = 'Text number %s' bounds.%s = {%d, %d} keys[%d] = '%s' names[%d] = '%s'\n", key, key, name,
				10 + i, 20 + i, i + 1, key, i + 1, name);
			tables += line;
		}
		sheet.endChunk().endFile();
		datawriter::DataWriter set;
		datawriter::writeTextSet(set, texts);
		folder.write("sheet.dat", sheet.bytes());
		folder.write("sheet.png", "");
		folder.write("BASIC.dat", set.bytes());
		io::detail::setBundlePath(folder.path());

		res = new game::LuaResources(lua, context);
		run("res.createSpriteSheet('sheet.dat') res.createTextGroupSet('BASIC.dat') res.loadLocale('BASIC', 'en_EN')\n" + tables +
			"function resStrings(n) local s for i = 1, n do s = res.getString('BASIC', keys[i % 100 + 1]) end return s end\n"
			"function tableStrings(n) local s for i = 1, n do s = texts['BASIC'][keys[i % 100 + 1]] end return s end\n"
			"function resBounds(n) local w, h for i = 1, n do w, h = res.getSpriteBounds(names[i % 100 + 1]) end return w end\n"
			"function tableBounds(n) local w, h for i = 1, n do local b = bounds[names[i % 100 + 1]] w, h = b[1], b[2] end return w end\n");
	}

	~Scripts()
	{
		res = nullptr;
		io::detail::setBundlePath("");
	}

	void run(std::string const& code)
	{
		io::ByteArrayInputStream in(code.data(), static_cast<int>(code.size()));
		lua->compile(in, "bench", nullptr);
	}

	/** Calls the global function with LOOP. */
	void loop(char const* function)
	{
		lua_State* L = lua::LuaAccess::get(lua);
		lua_getglobal(L, function);
		lua_pushnumber(L, LOOP);
		lua_call(L, 1, 1);
		lua_pop(L, 1);
	}
};

void BM_Loop(benchmark::State& state, char const* function)
{
	Scripts scripts;
	for (auto _ : state)
		scripts.loop(function);
	state.SetItemsProcessed(state.iterations() * LOOP);
}
BENCHMARK_CAPTURE(BM_Loop, ResGetString, "resStrings");
BENCHMARK_CAPTURE(BM_Loop, TableGetString, "tableStrings");
BENCHMARK_CAPTURE(BM_Loop, ResGetSpriteBounds, "resBounds");
BENCHMARK_CAPTURE(BM_Loop, TableSpriteBounds, "tableBounds");

} // namespace
