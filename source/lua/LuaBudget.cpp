#include "LuaBudget.h"
#include "LuaState.h"
#include <lua.hpp>
#include <cassert>

namespace lua
{

LuaBudget::LuaBudget(LuaState* state, long long instructions, std::size_t memory, std::chrono::milliseconds time) :
	m_state(state),
	m_lua(LuaAccess::get(state)),
	m_instructionsLeft(instructions),
	m_memory(static_cast<long long>(memory)),
	m_memoryLeft(m_memory),
	m_step(HOOK_STEP),
	m_deadline(std::chrono::steady_clock::now() + time),
	m_instructionsExhausted(false),
	m_timeExhausted(false),
	m_memoryExhausted(false),
	m_oldHook(lua_gethook(m_lua)),
	m_oldMask(lua_gethookmask(m_lua)),
	m_oldCount(lua_gethookcount(m_lua))
{
	assert(!state->m_budget && "one budget per state");
	state->m_budget = this;
	lua_sethook(m_lua, countHook, LUA_MASKCOUNT, m_step);
}

LuaBudget::~LuaBudget()
{
	lua_sethook(m_lua, m_oldHook, m_oldMask, m_oldCount);
	m_state->m_budget = nullptr;
}

bool LuaBudget::grant(std::size_t oldSize, std::size_t newSize)
{
	if (newSize <= oldSize)
	{
		m_memoryLeft += static_cast<long long>(oldSize - newSize);
		return true;
	}
	long long const growth = static_cast<long long>(newSize - oldSize);
	if (growth > m_memoryLeft)
	{
		m_memoryExhausted = true;
		return false;
	}
	m_memoryLeft -= growth;
	int const step = stepForMemory();
	if (step < m_step)
	{
		// The instructions already run since the last look are not known:
		// the whole old step is counted.
		m_instructionsLeft -= m_step;
		setStep(m_lua, step);
	}
	return true;
}

int LuaBudget::stepForMemory() const
{
	long long const grown = m_memory - m_memoryLeft;
	if (grown <= STEP_BYTES / HOOK_STEP)
		return HOOK_STEP;
	if (grown >= STEP_BYTES)
		return 1;
	return static_cast<int>(STEP_BYTES / grown);
}

void LuaBudget::setStep(lua_State* lua, int step)
{
	m_step = step;
	// Restarts the count: the hook comes after step instructions from here.
	lua_sethook(lua, countHook, LUA_MASKCOUNT, step);
}

void LuaBudget::revoke(std::size_t oldSize, std::size_t newSize)
{
	m_memoryLeft += static_cast<long long>(newSize) - static_cast<long long>(oldSize);
}

void LuaBudget::countHook(lua_State* lua, lua_Debug*)
{
	void* owner = nullptr;
	lua_getallocf(lua, &owner);
	LuaBudget* budget = static_cast<LuaState*>(owner)->m_budget;
	if (!budget)
		return;
	budget->m_instructionsLeft -= budget->m_step;
	if (budget->m_instructionsLeft <= 0)
	{
		budget->m_instructionsExhausted = true;
		luaL_error(lua, "instruction budget exhausted");
	}
	if (std::chrono::steady_clock::now() >= budget->m_deadline)
	{
		budget->m_timeExhausted = true;
		luaL_error(lua, "time budget exhausted");
	}
	int const step = budget->stepForMemory();
	if (step != budget->m_step)
		budget->setStep(lua, step);
}

} // lua
