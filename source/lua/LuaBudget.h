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
 * budget has passed (looked at between instructions; a single call into C
 * is not cut short).
 *
 * One instruction can cost as much as the memory the code holds (joining,
 * comparing or looking up strings of that size), so the hook looks after
 * fewer instructions the more memory the code has grown by: every HOOK_STEP
 * instructions while it holds at most STEP_BYTES / HOOK_STEP bytes, after
 * every instruction once it holds STEP_BYTES or more. The instructions
 * between two looks then touch about as many bytes as STEP_BYTES times a
 * small factor, a fraction of a second, and the time budget holds within
 * that. The step shrinks as soon as the memory grows (from the allocator)
 * and grows back at the hook's next look.
 *
 * Outside the guard's life the state runs unbounded, as before. One guard
 * per state at a time; the state's thread only (coroutines made while the
 * guard lives keep the step they were made with).
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

	/** Most instructions between two looks at the budgets. */
	static constexpr int HOOK_STEP = 1000;

	/** Memory growth over which the hook looks after every instruction (see the class). */
	static constexpr long long STEP_BYTES = 16LL << 20;

private:
	LuaState* m_state;
	lua_State* m_lua;
	long long m_instructionsLeft;
	long long const m_memory;
	long long m_memoryLeft;
	/** Instructions between two looks of the hook now. */
	int m_step;
	std::chrono::steady_clock::time_point m_deadline;
	bool m_instructionsExhausted;
	bool m_timeExhausted;
	bool m_memoryExhausted;
	void (*m_oldHook)(lua_State*, lua_Debug*);
	int m_oldMask;
	int m_oldCount;

	static void countHook(lua_State* lua, lua_Debug* ar);

	/** The step for the memory grown by now. */
	int stepForMemory() const;

	/** Sets the hook's step on lua. */
	void setStep(lua_State* lua, int step);

	LuaBudget(LuaBudget const&) = delete;
	LuaBudget& operator=(LuaBudget const&) = delete;
};

} // lua
