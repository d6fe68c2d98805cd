// World forces: switching the physics simulation on and off, the world's
// gravity, time and scale factors, and the per-object settings of gravity
// sensors.
#include <ArgumentCheck.h>
#include <GameLua.h>
#include <host/RenderObjectData.h>
#include <lang/Format.h>
#include <lua/LuaException.h>
#include <lua/LuaObject.h>
#include <lua/LuaState.h>
#include <physics/PhysicsWorld.h>
#include <algorithm>
#include <cmath>
#include <initializer_list>

namespace
{

/** @exception lua::LuaException "<function>: <value> is not a finite number" unless every value is finite. */
void requireFiniteSetting(char const* function, std::initializer_list<float> values)
{
	for (float value : values)
	{
		if (!std::isfinite(value))
			throw lua::LuaException(lang::Format("{0}: {1} is not a finite number", function, numberText(value)));
	}
}

} // namespace

void GameLua::registerWorldForceApi()
{
	registerLuaMethod("setPhysicsEnabled", this, &GameLua::setPhysicsEnabled);
	registerMethod("isPhysicsEnabled", this, &GameLua::isPhysicsEnabled);
	registerMethod("setGravityForceMultiplier", this, &GameLua::setGravityForceMultiplier);
	registerMethod("getGravityForceMultiplier", this, &GameLua::getGravityForceMultiplier);
	registerMethod("setDeltaTimeMultiplier", this, &GameLua::setDeltaTimeMultiplier);
	registerMethod("getDeltaTimeMultiplier", this, &GameLua::getDeltaTimeMultiplier);
	registerMethod("setSensorMinimumAndMaximumForces", this, &GameLua::setSensorMinimumAndMaximumForces);
	registerMethod("setSensorGravityMask", this, &GameLua::setSensorGravityMask);
	registerMethod("setObjectGravityCategory", this, &GameLua::setObjectGravityCategory);
	registerMethod("setWorldGravity", this, &GameLua::setWorldGravity);
	registerMethod("setPhysicsSimulationScale", this, &GameLua::setPhysicsSimulationScale);
	registerMethod("setRecordVelocity", this, &GameLua::setRecordVelocity);
	registerMethod("setRevertGravity", this, &GameLua::setRevertGravity);
	registerMethod("setRevertGravityWithMultiplier", this, &GameLua::setRevertGravityWithMultiplier);
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
			m_settings.physicsDisabled = std::max(m_settings.physicsDisabled - 1, 0);
			count = 0;
		}
		else if (!enabled && count == 0)
		{
			++m_settings.physicsDisabled;
			count = 1;
		}
		return 0;
	}
	if (enabled)
	{
		m_settings.physicsDisabled = std::max(m_settings.physicsDisabled - 1, 0);
		--count;
	}
	else
	{
		++m_settings.physicsDisabled;
		++count;
	}
	return 0;
}

bool GameLua::isPhysicsEnabled()
{
	return m_settings.physicsDisabled == 0;
}

void GameLua::setGravityForceMultiplier(float multiplier)
{
	requireFiniteSetting("setGravityForceMultiplier", {multiplier});
	m_settings.gravityForceMultiplier = multiplier;
}

float GameLua::getGravityForceMultiplier()
{
	return m_settings.gravityForceMultiplier;
}

void GameLua::setDeltaTimeMultiplier(float multiplier)
{
	// NaN would stay in the time accumulator for good; a negative factor runs up a debt of time.
	requireFiniteSetting("setDeltaTimeMultiplier", {multiplier});
	if (multiplier < 0.f)
		throw lua::LuaException(lang::Format("setDeltaTimeMultiplier: {0} is negative", multiplier));
	m_settings.deltaTimeMultiplier = multiplier;
}

float GameLua::getDeltaTimeMultiplier()
{
	return m_settings.deltaTimeMultiplier;
}

void GameLua::setPhysicsSimulationScale(float scale)
{
	requireFiniteSetting("setPhysicsSimulationScale", {scale});
	m_view.setPhysicsSimulationScale(scale);
}

void GameLua::setWorldGravity(float x, float y)
{
	requireFiniteSetting("setWorldGravity", {x, y});
	m_scene->world().setGravity(b2Vec2(x, y));
}

void GameLua::setSensorMinimumAndMaximumForces(std::string const& name, float minForce, float maxForce)
{
	requireFiniteSetting("setSensorMinimumAndMaximumForces", {minForce, maxForce});
	if (RenderObjectData* o = m_scene->objectOrLog(name))
	{
		o->sensorMinForce = minForce;
		o->sensorMaxForce = maxForce;
	}
}

void GameLua::setSensorGravityMask(std::string const& name, int mask)
{
	if (RenderObjectData* o = m_scene->objectOrLog(name))
		o->gravityMask = mask;
}

void GameLua::setObjectGravityCategory(std::string const& name, int category)
{
	if (RenderObjectData* o = m_scene->objectOrLog(name))
		o->gravityCategory = category;
}

void GameLua::setRecordVelocity(std::string const& name, bool record)
{
	if (RenderObjectData* o = m_scene->objectOrLog(name))
		o->recordVelocity = record;
}

void GameLua::setRevertGravity(std::string const& name, bool revert)
{
	if (RenderObjectData* o = m_scene->objectOrLog(name))
		o->revertGravity = revert;
}

void GameLua::setRevertGravityWithMultiplier(std::string const& name, bool revert, float multiplier, float speedLimit)
{
	requireFiniteSetting("setRevertGravityWithMultiplier", {multiplier, speedLimit});
	if (RenderObjectData* o = m_scene->objectOrLog(name))
	{
		o->revertGravityWithMultiplier = revert;
		o->revertGravityMultiplier = -multiplier;
		o->revertGravitySpeedLimit = speedLimit;
	}
}
