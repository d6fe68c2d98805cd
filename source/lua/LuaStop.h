#pragma once

struct lua_State;

namespace lua
{

/**
 * The process-wide request that every interpreter stop the script it runs,
 * so that a script stuck in a loop cannot keep the program from ending.
 * A stop of the program makes it only once the script had its grace period
 * to return (framework::StopSignals): a frame that ends in time is never
 * cut.
 *
 * Each interpreter carries a count hook (LuaState installs it; coroutines
 * inherit it) that looks at the request every HOOK_STEP instructions: one
 * relaxed atomic load while none stands. While one stands, the running Lua
 * code raises the Lua error MESSAGE, and raises it again at every further
 * instruction, so that a pcall in the script cannot hold on to it.
 *
 * request() and requested() may be called from any thread and from a
 * signal handler (they touch one lock-free atomic only).
 */
class LuaStop
{
public:
	/** Instructions between two looks at the request while none stands. */
	static constexpr int HOOK_STEP = 10000;

	/** The Lua error the stopped code raises. */
	static char const* const MESSAGE;

	/** Asks every interpreter to stop the code it runs. Async-signal-safe. */
	static void request();

	/** True while a request stands. Async-signal-safe. */
	static bool requested();

	/**
	 * True once a request stopped Lua code that was running (the code
	 * raised MESSAGE): the state it worked on may be half changed. Stays
	 * true after the request is withdrawn. Any thread.
	 */
	static bool cut();

	/** Makes cut() false again (a test's next case in one process). */
	static void forgetCut();

	/** Withdraws the request: Lua code runs again (a shutdown's own calls into the scripts); cut() stays as it is. */
	static void withdraw();

	/** Puts the stop hook on lua (replacing any hook it had). The interpreter's thread only. */
	static void watch(lua_State* lua);
};

} // lua
