// A stop request ends scripts stuck in loops, and scripts run again after it
// is withdrawn.
#include "LuaFixture.h"
#include <lua/LuaStop.h>
#include <chrono>
#include <thread>

namespace
{

class LuaStopTest : public LuaFixture
{
protected:
	~LuaStopTest() override
	{
		lua::LuaStop::withdraw();
		lua::LuaStop::forgetCut();
	}

	/** Runs code while another thread requests a stop after 50 ms; the message of what code raised. */
	std::string stopWhileRunning(std::string const& code)
	{
		std::thread stopper([] {
			std::this_thread::sleep_for(std::chrono::milliseconds(50));
			lua::LuaStop::request();
		});
		std::string const message = failure(code);
		stopper.join();
		return message;
	}
};

TEST_F(LuaStopTest, StuckScriptsRaiseTheStop)
{
	struct Case
	{
		char const* name;
		char const* code;
	};
	Case const cases[] = {
		{"plain loop", "while true do end"},
		{"loop calling functions", "local function f(x) return x + 1 end local n = 0 while true do n = f(n) end"},
		// The stop raises again right after the pcall that caught it.
		{"pcall in a loop", "while true do pcall(function() while true do end end) end"},
		{"pcall of the whole loop", "while true do local ok = pcall(function() while true do end end) if not ok then end end"},
		// Coroutines inherit the hook.
		{"coroutine", "coroutine.wrap(function() while true do end end)()"},
		{"coroutines resumed in a loop", "while true do coroutine.resume(coroutine.create(function() while true do end end)) end"},
	};
	for (Case const& c : cases)
	{
		std::string const message = stopWhileRunning(c.code);
		EXPECT_NE(std::string::npos, message.find(lua::LuaStop::MESSAGE)) << c.name << ": " << message;
		lua::LuaStop::withdraw();
	}
}

TEST_F(LuaStopTest, OnlyAStandingRequestStopsScripts)
{
	// Without a request a long loop runs through the hook's looks.
	EXPECT_EQ("", failure("n = 0 for i = 1, 1000000 do n = n + 1 end"));
	EXPECT_EQ(1000000.f, lua.globals().getNumber("n"));

	lua::LuaStop::request();
	EXPECT_NE(std::string::npos, failure("local n = 0 for i = 1, 100000 do n = n + 1 end").find(lua::LuaStop::MESSAGE));
	lua::LuaStop::withdraw();
	// The same interpreter (whose hook was left at every instruction) runs
	// the whole loop again.
	EXPECT_EQ("", failure("n = 0 for i = 1, 100000 do n = n + 1 end"));
	EXPECT_EQ(100000.f, lua.globals().getNumber("n"));
}

// A request that stopped running code is remembered as a cut (the state the
// code worked on may be half changed) after it is withdrawn; a request that
// found no code running cut nothing.
TEST_F(LuaStopTest, ACutIsRememberedOnlyWhereCodeWasStopped)
{
	lua::LuaStop::forgetCut();
	lua::LuaStop::request();
	lua::LuaStop::withdraw();
	EXPECT_FALSE(lua::LuaStop::cut());
	EXPECT_EQ("", failure("n = 0 for i = 1, 100000 do n = n + 1 end"));
	EXPECT_FALSE(lua::LuaStop::cut());

	EXPECT_NE(std::string::npos, stopWhileRunning("while true do end").find(lua::LuaStop::MESSAGE));
	lua::LuaStop::withdraw();
	EXPECT_TRUE(lua::LuaStop::cut());
	EXPECT_EQ("", failure("n = 1"));
	EXPECT_TRUE(lua::LuaStop::cut());
	lua::LuaStop::forgetCut();
	EXPECT_FALSE(lua::LuaStop::cut());
}

} // namespace
