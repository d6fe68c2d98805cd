#include "LuaFixture.h"
#include <io/IOException.h>

using lua::LuaState;

namespace
{

std::string messageOf(std::function<void()> const& f)
{
	try
	{
		f();
	}
	catch (lua::LuaException const& e)
	{
		return e.getMessage().format();
	}
	return "";
}

} // namespace

TEST_F(LuaFixture, TypedReadsCheckTheExactKind)
{
	lua::LuaStackRestore restore(&lua);
	lua.pushString("12");
	lua.pushNumber(2.5f);
	lua.pushBoolean(true);

	EXPECT_TRUE(lua.isNumber(1));
	EXPECT_EQ("Excepted type NUMBER at stack position 1 but found STRING (call stack not available)",
		messageOf([&] { lua.toNumber(1); }));
	EXPECT_TRUE(lua.isString(2));
	EXPECT_EQ("Excepted type STRING at stack position -2 but found NUMBER (call stack not available)",
		messageOf([&] { lua.toString(-2); }));
	EXPECT_EQ("Excepted type BOOLEAN at stack position 2 but found NUMBER (call stack not available)",
		messageOf([&] { lua.toBoolean(2); }));
	EXPECT_FALSE(lua.isNil(3));
	EXPECT_TRUE(lua.isBoolean(3));

	EXPECT_STREQ("12", lua.toString(1));
	EXPECT_EQ(2.5f, lua.toNumber(2));
	EXPECT_TRUE(lua.toBoolean(-1));
	EXPECT_EQ(LuaState::TYPE_STRING, lua.type(1));
}

TEST_F(LuaFixture, AbsentSlotsAreInvalid)
{
	lua::LuaStackRestore restore(&lua);
	lua.pushNil();
	EXPECT_TRUE(lua.isNil(1));
	EXPECT_FALSE(lua.isNil(2));
	EXPECT_EQ(LuaState::TYPE_INVALID, lua.type(-2));
	EXPECT_EQ("Excepted type NIL at stack position 5 but found INVALID (call stack not available)",
		messageOf([&] { lua.checkType(5, LuaState::TYPE_NIL); }));
	EXPECT_STREQ("INVALID", LuaState::toString(static_cast<LuaState::Type>(42)));
	EXPECT_STREQ("THREAD", LuaState::toString(LuaState::TYPE_THREAD));
}

TEST_F(LuaFixture, EmptyChunkRunsAndDoesNothing)
{
	int top = lua.top();
	run("");
	EXPECT_EQ(top, lua.top());
}

TEST_F(LuaFixture, ChunkWithEnvironmentWritesIntoIt)
{
	lua::LuaTable env(&lua);
	run("x = 5; y = print", &env);
	EXPECT_EQ(5.f, env.getNumber("x"));
	EXPECT_TRUE(env.isNil("y")) << "globals must not be visible through the environment";
	EXPECT_TRUE(lua.globals().isNil("x"));

	lua::LuaTable none;
	EXPECT_EQ("Excepted type TABLE at stack position -1 but found NIL (call stack not available)",
		messageOf([&] { run("x = 1", &none); }));
}

TEST_F(LuaFixture, CompileErrorsNameTheChunk)
{
	std::string msg = failure("x = = 1");
	EXPECT_EQ(0u, msg.find("Error while compiling Lua: [string \"test\"]:1: unexpected symbol")) << msg;
}

TEST_F(LuaFixture, ScriptErrorsReachTheCallerWithTheStackRestored)
{
	run("function f(a)\n  local x = nil\n  return x.field + a\nend\n"
		"function g(msg) error(msg, 2) end\n");
	int top = lua.top();
	try
	{
		lua::LuaStackRestore restore(&lua);
		lua.globals().pushMember("f");
		lua.pushNumber(1);
		lua.call(1, 1);
		FAIL() << "no exception";
	}
	catch (lua::LuaException const& e)
	{
		EXPECT_EQ("[string \"test\"]:3: attempt to index local 'x' (a nil value)\nCall stack:\ntest(3)\n(end)\n", e.getMessage().format());
	}
	EXPECT_EQ(top, lua.top());

	// error(msg, level) reports msg itself; the listing starts at the script.
	EXPECT_EQ("boom\nCall stack:\ntest(5)\ntest(1)\n(end)\n", failure("g('boom')"));
	EXPECT_EQ("(error object is a table value)\nCall stack:\ntest(1)\n(end)\n", failure("error({})"));
}

TEST_F(LuaFixture, CallStackListsAtMostTenFrames)
{
	std::string msg = failure("local function r(n) if n == 0 then error('deep') end r(n - 1) end\nr(20)");
	ASSERT_EQ(0u, msg.find("deep\nCall stack:\n")) << msg;
	int frames = 0;
	for (size_t at = msg.find("test("); at != std::string::npos; at = msg.find("test(", at + 1))
		++frames;
	EXPECT_EQ(10, frames);
	EXPECT_EQ("(end)\n", msg.substr(msg.size() - 6));
}

TEST_F(LuaFixture, LongChunkNamesAreCutInTheCallStack)
{
	std::string name(600, 'n');
	std::string code = "error('long')";
	io::ByteArrayInputStream in(code.data(), static_cast<int>(code.size()));
	try
	{
		lua.compile(in, name, nullptr);
		FAIL() << "no exception";
	}
	catch (lua::LuaException const& e)
	{
		EXPECT_EQ("long\nCall stack:\n" + name.substr(0, 480) + "(1)\n(end)\n", e.getMessage().format());
	}
}

TEST_F(LuaFixture, LibrariesAreOpenedWithoutDebugOrCModules)
{
	run("r = tostring(debug) .. ',' .. tostring(package.loadlib) .. ',' .. #package.loaders .. ','"
		" .. type(string.format) .. type(math.floor) .. type(table.insert) .. type(io.write) .. type(os.time)");
	EXPECT_EQ("nil,nil,2,functionfunctionfunctionfunctionfunction", lua.globals().getString("r"));
}

TEST_F(LuaFixture, NumbersAreDoubleInsideTheInterpreter)
{
	run("a = 16777217; b = tostring(0.1); c = 2^53");
	EXPECT_EQ("16777217", lua.globals().getString("a"));
	EXPECT_EQ("0.1", lua.globals().getString("b"));
	EXPECT_EQ("9.007199254741e+15", lua.globals().getString("c"));
}

TEST_F(LuaFixture, PrecompiledChunksAreAccepted)
{
	run("code = string.dump(function() x = 42 end)");
	std::string code = lua.globals().getString("code");
	ASSERT_EQ('\x1b', code[0]);
	io::ByteArrayInputStream in(code.data(), static_cast<int>(code.size()));
	lua.compile(in, "binary", nullptr);
	EXPECT_EQ(42.f, lua.globals().getNumber("x"));
}

namespace
{

// A stream that fails while the chunk is read.
class FailingStream : public io::InputStream
{
public:
	FailingStream() : io::InputStream(lang::Ptr<io::InputStream>()) {}
	int read(void*, int) override { lang::throwError(io::IOException(lang::Format("read failed"))); }
	int available() const override { return 10; }
	std::string toString() const override { return "failing"; }
};

} // namespace

TEST_F(LuaFixture, StreamFailureWhileLoadingKeepsItsType)
{
	FailingStream in;
	int top = lua.top();
	EXPECT_THROW(lua.compile(in, "failing", nullptr), io::IOException);
	EXPECT_EQ(top, lua.top());
	run("ok = true");
	EXPECT_TRUE(lua.globals().getBoolean("ok"));
}

TEST_F(LuaFixture, MetamethodFailuresInTableAccessAreExceptions)
{
	run("t = setmetatable({}, { __index = function(t, k) error('no field ' .. k) end,"
		" __newindex = function(t, k, v) rawset(t, k, v * 2) end })");
	lua::LuaStackRestore restore(&lua);
	lua.pushNumber(7);
	lua.globals().pushMember("t");
	lua.pushString("x");
	EXPECT_EQ("no field x\nCall stack:\ntest(1)\n=[C](-1)\n(end)\n", messageOf([&] { lua.getTable(-2); }));
	EXPECT_EQ(7.f, lua.toNumber(1)) << "values below stay in place";

	lua.pushString("y");
	lua.pushNumber(4);
	lua.setTable(2);
	EXPECT_EQ(8.f, lua.globals().getTable("t").getNumber("y"));
	lua.pushString("y");
	lua.getTable(2);
	EXPECT_EQ(8.f, lua.toNumber(-1));
}
