#pragma once

#include <chrono>
#include <cstddef>

struct lua_State;
struct lua_Debug;

namespace lua
{

class LuaState;

/**
 * Scope guard that bounds the Lua code run on a state while it lives: the
 * state's allocator refuses to grow the memory in use by more than a memory
 * budget (counted from the guard's construction), and a count hook raises
 * a Lua error once the code has run an instruction budget or once the time
 * budget has passed (looked at between instructions, every HOOK_STEP of
 * them: a single call into C is not cut short). Outside the
 * guard's life the state runs unbounded, as before. One guard per state at
 * a time; the state's thread only.
 */
class LuaBudget
{
public:
	/**
	 * Starts counting on state.
	 * @param instructions Virtual-machine instructions allowed (counted in steps of HOOK_STEP).
	 * @param memory Bytes the state's memory in use may grow by.
	 * @param time Time the code may run for (steady clock), counted from here.
	 */
	LuaBudget(LuaState* state, long long instructions, std::size_t memory, std::chrono::milliseconds time);

	/** Stops counting; the hook the state had before is put back. */
	~LuaBudget();

	/** True once the code ran out of instructions. */
	bool instructionsExhausted() const { return m_instructionsExhausted; }

	/** True once the code ran past its time. */
	bool timeExhausted() const { return m_timeExhausted; }

	/** True once an allocation was refused for the memory budget. */
	bool memoryExhausted() const { return m_memoryExhausted; }

	/**
	 * For the state's allocator: whether a block may change from oldSize
	 * to newSize bytes (shrinking always may); counts the change when
	 * granted. A refusal marks the memory as exhausted.
	 */
	bool grant(std::size_t oldSize, std::size_t newSize);

	/** For the state's allocator: a granted change failed in the allocator itself; takes it back. */
	void revoke(std::size_t oldSize, std::size_t newSize);

	/** Instructions between two checks of the instruction budget. */
	static constexpr int HOOK_STEP = 1000;

private:
	LuaState* m_state;
	lua_State* m_lua;
	long long m_stepsLeft;
	long long m_memoryLeft;
	std::chrono::steady_clock::time_point m_deadline;
	bool m_instructionsExhausted;
	bool m_timeExhausted;
	bool m_memoryExhausted;
	void (*m_oldHook)(lua_State*, lua_Debug*);
	int m_oldMask;
	int m_oldCount;

	static void countHook(lua_State* lua, lua_Debug* ar);

	LuaBudget(LuaBudget const&) = delete;
	LuaBudget& operator=(LuaBudget const&) = delete;
};

} // lua
