// World forces: switching the physics simulation on and off.
#include <GameLua.h>
#include <lua/LuaObject.h>
#include <lua/LuaState.h>
#include <algorithm>

void GameLua::registerWorldForceApi()
{
	registerLuaMethod("setPhysicsEnabled", this, &GameLua::setPhysicsEnabled);
	registerMethod("isPhysicsEnabled", this, &GameLua::isPhysicsEnabled);
}

int GameLua::setPhysicsEnabled(lua::LuaState* state)
{
	bool enabled = lua::LuaValue::readBool(state, 1);
	std::string requester = state->top() >= 2 ? lua::LuaValue::readString(state, 2) : std::string();
	int& count = m_physicsDisableOwners[requester];
	if (requester.empty())
	{
		// One switch: repeated calls do not stack.
		if (enabled && count == 1)
		{
			m_physicsDisabled = std::max(m_physicsDisabled - 1, 0);
			count = 0;
		}
		else if (!enabled && count == 0)
		{
			++m_physicsDisabled;
			count = 1;
		}
		return 0;
	}
	if (enabled)
	{
		m_physicsDisabled = std::max(m_physicsDisabled - 1, 0);
		--count;
	}
	else
	{
		++m_physicsDisabled;
		++count;
	}
	return 0;
}

bool GameLua::isPhysicsEnabled()
{
	return m_physicsDisabled == 0;
}
