#include "LuaBudget.h"
#include "LuaState.h"
#include <lua.hpp>
#include <cassert>

namespace lua
{

LuaBudget::LuaBudget(LuaState* state, long long instructions, std::size_t memory, std::chrono::milliseconds time) :
	m_state(state),
	m_lua(LuaAccess::get(state)),
	m_stepsLeft((instructions + HOOK_STEP - 1) / HOOK_STEP),
	m_memoryLeft(static_cast<long long>(memory)),
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
	lua_sethook(m_lua, countHook, LUA_MASKCOUNT, HOOK_STEP);
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
	return true;
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
	if (--budget->m_stepsLeft <= 0)
	{
		budget->m_instructionsExhausted = true;
		luaL_error(lua, "instruction budget exhausted");
	}
	if (std::chrono::steady_clock::now() >= budget->m_deadline)
	{
		budget->m_timeExhausted = true;
		luaL_error(lua, "time budget exhausted");
	}
}

} // lua
