#include "LuaFixture.h"
#include <io/ByteArrayOutputStream.h>
#include <lua.hpp>
#include <algorithm>
#include <cstring>
#include <ctime>
#include <vector>

using lua::LuaTable;

namespace
{

class LuaTableTextTest : public LuaFixture
{
protected:
	// Text of the table that the chunk leaves in the global "t".
	std::string textOf(std::string const& code)
	{
		run(code);
		io::ByteArrayOutputStream out;
		lua.globals().getTable("t").write(out, 0, false);
		return std::string(out.data().begin(), out.data().end());
	}

	void readInto(LuaTable& table, std::string const& text)
	{
		io::ByteArrayInputStream in(text.data(), static_cast<int>(text.size()));
		table.read(in);
	}

	// The message of the LuaException that reading text named "settings.lua" into a new table raises ("" when none).
	std::string readFailure(char const* text);
};

/** Text in memory under a file's name. */
class NamedText : public io::ByteArrayInputStream
{
public:
	NamedText(char const* text, std::string const& name) : io::ByteArrayInputStream(text, static_cast<int>(std::strlen(text)))
	{
		setName(name);
	}
};

std::string LuaTableTextTest::readFailure(char const* text)
{
	LuaTable table(&lua);
	NamedText in(text, "settings.lua");
	try
	{
		table.read(in);
	}
	catch (lua::LuaException const& e)
	{
		return e.getMessage().format();
	}
	return "";
}

} // namespace

TEST_F(LuaTableTextTest, WorkedExampleByteForByte)
{
	EXPECT_EQ("levels = {\n    1,2,3,\n    best = {\n        4.5,\n    },\n}\n",
		textOf("t = { levels = { 1, 2, 3, best = { 4.5 } } }"));
}

TEST_F(LuaTableTextTest, KeysAndLayout)
{
	struct Case
	{
		char const* table;
		char const* text;
	} const cases[] = {
		{"{ a = 1, ['a b'] = 2, [3] = 3, f = print }", "a = 1\n"},
		{"{ }", "\n"},
		{"{ n = { [2] = 'x' } }", "n = {\n    [2] = \"x\",\n}\n"},
		{"{ n = { 1, 2, [4] = 3 } }", "n = {\n    1,2,\n    [4] = 3,\n}\n"},
		{"{ n = { ['end'] = 1 } }", "n = {\n    [\"end\"] = 1,\n}\n"},
		{"{ n = { _a1 = true } }", "n = {\n    _a1 = true,\n}\n"},
		{"{ n = { [''] = 1 }, [''] = 2 }", "n = {\n    [\"\"] = 1,\n}\n"},
		{"{ n = { [false] = 0 } }", "n = {\n    [false] = 0,\n}\n"},
		{"{ n = { } }", "n = {\n\n}\n"},
		{"{ n = { { } } }", "n = {\n    {\n\n    },\n}\n"},
		{"{ _G = 1, this = 2 }", ""},
		{"{ s = 'Gr\\195\\188\\195\\159e' }", "s = \"Gr\xc3\xbc\xc3\x9f" "e\"\n"},
		{"{ v = { 0.5, 3, 0.0001, 0.00001 } }", "v = {\n    0.5,3,0.0001,1e-05,\n}\n"},
	};
	for (Case const& c : cases)
		EXPECT_EQ(c.text, textOf(std::string("t = ") + c.table)) << c.table;
}

TEST_F(LuaTableTextTest, TrickyValuesReadBackUnchanged)
{
	run("function same(a, b)\n"
		"  if type(a) ~= type(b) then return false end\n"
		"  if type(a) == 'number' then\n"
		"    if a ~= a then return b ~= b end\n"
		"    return a == b and 1 / a == 1 / b\n"
		"  end\n"
		"  if type(a) ~= 'table' then return a == b end\n"
		"  for k, v in pairs(a) do if not same(v, b[k]) then return false end end\n"
		"  for k in pairs(b) do if a[k] == nil then return false end end\n"
		"  return true\n"
		"end\n"
		"local nz = 1 / (-1 / 0)\n"
		"t = { zero = 0, negzero = nz, n = { 1234567, 0.1, 1e30, nz, 2^53, -2^53 + 1, 1/3, 5e-324, 1/0, -1/0, 0/0, 0 },\n"
		"  s = { 'quote \" backslash \\\\ end', 'line\\nbreak\\r', 'zero\\0' .. '1 byte', '\\0', '\\\\0' },\n"
		"  k = { ['a\\nb'] = 1, ['q\"'] = 2, [1/0] = 3, [0.1] = 4, [2^40] = 5 } }");
	io::ByteArrayOutputStream out;
	lua.globals().getTable("t").write(out, 0, false);
	std::string text(out.data().begin(), out.data().end());

	LuaTable back(&lua);
	readInto(back, text);
	lua.globals().setTable("back", back);
	run("ok = same(t, back)");
	EXPECT_TRUE(lua.globals().getBoolean("ok")) << text;
	run("negative = 1 / back.negzero < 0 and 1 / back.n[4] < 0");
	EXPECT_TRUE(lua.globals().getBoolean("negative")) << text;
	EXPECT_NE(std::string::npos, text.find("1234567,0.1,1e+30,")) << text;
}

TEST_F(LuaTableTextTest, SelfContainingTableIsWrittenOnce)
{
	std::string text = textOf("t = { a = { 1 } }; t.a[2] = t.a; t.a.up = t; t.b = t.a");
	EXPECT_EQ("a = {\n    1,\n}\nb = {\n    1,\n}\n", text);
}

TEST_F(LuaTableTextTest, ReadKeepsOtherFieldsAndRefusesPrecompiledChunks)
{
	LuaTable t(&lua);
	t.setNumber("old", 1);
	readInto(t, "new = 2\n");
	EXPECT_EQ(1.f, t.getNumber("old"));
	EXPECT_EQ(2.f, t.getNumber("new"));

	run("code = string.dump(function() evil = true end)");
	std::string code = lua.globals().getString("code");
	try
	{
		readInto(t, code);
		FAIL() << "precompiled chunk accepted";
	}
	catch (lua::LuaException const& e)
	{
		EXPECT_EQ(0u, e.getMessage().format().find("Error while compiling Lua: "));
	}
	EXPECT_TRUE(t.isNil("evil"));
	EXPECT_TRUE(lua.globals().isNil("evil"));

	try
	{
		readInto(t, "x = 1\ny = = 2\n");
		FAIL() << "bad text accepted";
	}
	catch (lua::LuaException const& e)
	{
		EXPECT_NE(std::string::npos, e.getMessage().format().find(":2:")) << e.getMessage().format();
	}
}

TEST_F(LuaTableTextTest, DeepNestingFailsCleanly)
{
	run("local d = { }; for i = 1, 20000 do d = { d } end; t = { d = d }");
	int top = lua.top();
	io::ByteArrayOutputStream out;
	EXPECT_THROW(lua.globals().getTable("t").write(out, 0, false), lua::LuaException);
	EXPECT_TRUE(out.data().empty()) << "nothing is written when the table cannot be written";
	EXPECT_EQ(top, lua.top());
}

TEST_F(LuaTableTextTest, HostileTextIsStoppedByItsBudgetsAndTheStateStaysUsable)
{
	std::string const instructions = "Error while reading Lua table text settings.lua: it runs more than 100000000 instructions";
	std::string const memory = "Error while reading Lua table text settings.lua: it needs more than 256 MiB of memory";
	// Which bound the text meets first depends on the machine's speed (the
	// sanitizers, a loaded machine): the time bound may come first for each.
	// LuaBudgetTest holds each bound to its own.
	std::string const time = "Error while reading Lua table text settings.lua: it runs longer than 5 seconds";
	struct Case
	{
		char const* text;
		std::vector<std::string> messages;
	} const cases[] = {
		{"x = 1 while true do end", {instructions, time}},
		{"a = 'x' for i = 1, 28 do a = a .. a end b = a .. 'y'", {memory, time}},
		{"a = 'x' for i = 1, 20 do a = a .. a end t = {} for i = 1, 2^30 do t[i] = a .. i end", {memory, time}},
		{"t = {} for i = 1, 2^30 do t[i] = { i } end", {memory, time}},
	};
	for (Case const& c : cases)
	{
		std::string const message = readFailure(c.text);
		EXPECT_NE(c.messages.end(), std::find(c.messages.begin(), c.messages.end(), message)) << c.text << "\n" << message;
		LuaTable next(&lua);
		readInto(next, "level = { 1, 2 } name = \"ok\"");
		EXPECT_EQ(next.getString("name"), "ok");
	}
	// The bounds applied to that reading only: game scripts run past both.
	run("n = 0 for i = 1, 40000000 do n = n + 1 end "
		"local p = ('z'):rep(2^20) big = {} for i = 1, 270 do big[i] = p .. i end");
	EXPECT_EQ(lua.globals().getNumber("n"), 40000000.0f);
	run("big = nil collectgarbage()");
}

// The strings' metatable holds the string library: text reaching it could run
// a backtracking pattern for hours inside one C call, out of reach of the
// instruction bound. Table text reaches no library function by any road.
TEST_F(LuaTableTextTest, TextReachesNoLibraryFunctionAndTheValuesKeepTheirMetatablesAfterwards)
{
	// Numbers and booleans given the libraries as their methods, as a game may.
	run("numberMethods = { __index = math } booleanMethods = { __index = string }");
	lua_State* state = lua::LuaAccess::get(&lua);
	lua_pushnumber(state, 0);
	lua_getglobal(state, "numberMethods");
	lua_setmetatable(state, -2);
	lua_pushboolean(state, 1);
	lua_getglobal(state, "booleanMethods");
	lua_setmetatable(state, -2);
	lua_pop(state, 2);
	struct Case
	{
		char const* text;
		char const* message;
	} const cases[] = {
		{"x = (\"a\"):rep(40):find((\"a*\"):rep(40) .. \"b\")", "settings.lua\"]:1: attempt to index a string value"},
		{"x = (\"a\").len", "settings.lua\"]:1: attempt to index a string value"},
		{"x = (1).floor", "settings.lua\"]:1: attempt to index a number value"},
		{"x = (true).rep", "settings.lua\"]:1: attempt to index a boolean value"},
		{"x = tostring(1)", "settings.lua\"]:1: attempt to call global 'tostring' (a nil value)"},
		{"x = _G.string", "settings.lua\"]:1: attempt to index global '_G' (a nil value)"},
		{"x = getfenv(1)", "settings.lua\"]:1: attempt to call global 'getfenv' (a nil value)"},
		{"x = #\"abc\" .. (\"a\" < \"b\" and 1 or 0)", ""},
	};
	for (Case const& c : cases)
	{
		std::string const message = readFailure(c.text);
		if (*c.message)
			EXPECT_NE(std::string::npos, message.find(c.message)) << c.text << "\n" << message;
		else
			EXPECT_EQ("", message) << c.text;
	}
	// Names of the globals are plain fields of the text's own table.
	LuaTable table(&lua);
	NamedText in("x = string y = print z = _G", "settings.lua");
	table.read(in);
	EXPECT_TRUE(table.isNil("x") && table.isNil("y") && table.isNil("z"));

	EXPECT_EQ("", failure("assert(('ab'):rep(2) == 'abab') assert((2.5).floor == math.floor) assert((true).rep == string.rep)"));
}

TEST_F(LuaTableTextTest, TextThatCopiesMuchMemoryPerInstructionIsStoppedByTheTimeBound)
{
	// A few thousand instructions a second: the instruction bound is far away.
	// The bound holds within a second (of CPU time, which a loaded machine
	// cannot stretch).
	std::clock_t const start = std::clock();
	std::string const message = readFailure("a = 'x' for i = 1, 23 do a = a .. a end for i = 1, 2^40 do b = a .. a end");
	long long const cpu = static_cast<long long>(std::clock() - start) * 1000 / CLOCKS_PER_SEC;
	EXPECT_EQ("Error while reading Lua table text settings.lua: it runs longer than 5 seconds", message);
	EXPECT_LT(cpu, 6000) << cpu << " ms of CPU time";
	EXPECT_EQ("", failure("local n = 0 for i = 1, 100000 do n = n + 1 end"));
}

// Read into a table that holds the globals (as the game's host table does,
// under "_G" and "this"), the text still sees only a fresh table of its
// own; what it sets lands in the table afterwards, and a text that fails
// changes nothing.
TEST_F(LuaTableTextTest, TextReadIntoAHostSeesOnlyItsOwnTable)
{
	run("host = { kept = 1 } host._G = _G host.this = host host.gamelua = host");
	LuaTable host = lua.globals().getTable("host");
	char const* const hostile[] = {
		"_G.escaped = true", "this.escaped = true", "gamelua._G.escaped = true", "getfenv(0).escaped = true",
		"setmetatable(kept or {}, {})", "x = string.rep('a', 2)", "x = ('a'):rep(2)", "io.write('escaped')",
		"loadstring('escaped = true')()", "kept = 2 error('half way')",
	};
	for (char const* text : hostile)
	{
		EXPECT_THROW(readInto(host, text), lua::LuaException) << text;
		run("ok = escaped == nil and host.escaped == nil and host.kept == 1 and host.x == nil and getmetatable(host) == nil");
		EXPECT_TRUE(lua.globals().getBoolean("ok")) << text;
	}
	readInto(host, "seen = _G == nil and this == nil and gamelua == nil and kept == nil and getfenv == nil"
		" and setmetatable == nil and string == nil and io == nil\n kept = 3 t = { 1, 'two' }");
	run("ok = host.seen == true and host.kept == 3 and host.t[2] == 'two' and host._G == _G and host.this == host");
	EXPECT_TRUE(lua.globals().getBoolean("ok"));
}
