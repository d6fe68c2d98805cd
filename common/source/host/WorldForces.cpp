// World forces: switching the physics simulation on and off, the world's
// gravity, time and scale factors, the per-object settings of gravity
// sensors, and the force a sensor exerts on the objects inside it.
#include <host/WorldForces.h>
#include <ArgumentCheck.h>
#include <host/ObjectType.h>
#include <host/View.h>
#include <host/RenderObjectData.h>
#include <host/SceneObjects.h>
#include <host/WorldSettings.h>
#include <lang/Format.h>
#include <lua/LuaException.h>
#include <lua/LuaObject.h>
#include <lua/LuaState.h>
#include <physics/PhysicsWorld.h>
#include <algorithm>
#include <cfloat>
#include <cmath>
#include <initializer_list>

namespace host
{

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

WorldForces::WorldForces(Core const& core, WorldSettings& settings, SceneObjects& scene) :
	m_core(core),
	m_settings(settings),
	m_scene(scene),
	m_physicsDisableOwners{{std::string(), 1}}
{
}

int WorldForces::setPhysicsEnabled(lua::LuaState* state)
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

bool WorldForces::isPhysicsEnabled()
{
	return m_settings.physicsDisabled == 0;
}

void WorldForces::setGravityForceMultiplier(float multiplier)
{
	requireFiniteSetting("setGravityForceMultiplier", {multiplier});
	m_settings.gravityForceMultiplier = multiplier;
}

float WorldForces::getGravityForceMultiplier()
{
	return m_settings.gravityForceMultiplier;
}

void WorldForces::setDeltaTimeMultiplier(float multiplier)
{
	// NaN would stay in the time accumulator for good; a negative factor runs up a debt of time.
	requireFiniteSetting("setDeltaTimeMultiplier", {multiplier});
	if (multiplier < 0.f)
		throw lua::LuaException(lang::Format("setDeltaTimeMultiplier: {0} is negative", multiplier));
	m_settings.deltaTimeMultiplier = multiplier;
}

float WorldForces::getDeltaTimeMultiplier()
{
	return m_settings.deltaTimeMultiplier;
}

void WorldForces::setPhysicsSimulationScale(float scale)
{
	requireFiniteSetting("setPhysicsSimulationScale", {scale});
	m_core.view.setPhysicsSimulationScale(scale);
}

void WorldForces::setWorldGravity(float x, float y)
{
	requireFiniteSetting("setWorldGravity", {x, y});
	m_scene.world().setGravity(b2Vec2(x, y));
}

void WorldForces::setSensorMinimumAndMaximumForces(std::string const& name, float minForce, float maxForce)
{
	requireFiniteSetting("setSensorMinimumAndMaximumForces", {minForce, maxForce});
	if (RenderObjectData* o = m_scene.objectOrLog(name))
	{
		o->sensorMinForce = minForce;
		o->sensorMaxForce = maxForce;
	}
}

void WorldForces::setSensorGravityMask(std::string const& name, int mask)
{
	if (RenderObjectData* o = m_scene.objectOrLog(name))
		o->gravityMask = mask;
}

void WorldForces::setObjectGravityCategory(std::string const& name, int category)
{
	if (RenderObjectData* o = m_scene.objectOrLog(name))
		o->gravityCategory = category;
}

void WorldForces::setRecordVelocity(std::string const& name, bool record)
{
	if (RenderObjectData* o = m_scene.objectOrLog(name))
		o->recordVelocity = record;
}

void WorldForces::setRevertGravity(std::string const& name, bool revert)
{
	if (RenderObjectData* o = m_scene.objectOrLog(name))
		o->revertGravity = revert;
}

void WorldForces::setRevertGravityWithMultiplier(std::string const& name, bool revert, float multiplier, float speedLimit)
{
	requireFiniteSetting("setRevertGravityWithMultiplier", {multiplier, speedLimit});
	if (RenderObjectData* o = m_scene.objectOrLog(name))
	{
		o->revertGravityWithMultiplier = revert;
		o->revertGravityMultiplier = -multiplier;
		o->revertGravitySpeedLimit = speedLimit;
	}
}

void WorldForces::applySensorForces()
{
	for (RenderObjectData* o : m_scene.objectOrder())
	{
		if (!o->body || !o->body->IsAwake() || isFlyerType(o->objectType))
			continue;
		for (size_t i = o->sensors.size(); i-- > 0;)
		{
			RenderObjectData* sensor = o->sensors[i];
			if (!sensor->body)
				o->sensors.erase(o->sensors.begin() + static_cast<std::ptrdiff_t>(i));
			else
				applySensorForceToObject(sensor, o);
		}
	}
}

void WorldForces::applySensorForceToObject(RenderObjectData* sensor, RenderObjectData* object)
{
	if (sensor->gravityMask >= 0 && object->gravityCategory >= 0 && (sensor->gravityMask & object->gravityCategory) == 0)
		return;
	if (sensor->objectType != ObjectType::GravitySensor || !sensor->body || !object->body)
		return;
	b2Vec2 sensorPosition = sensor->body->GetPosition();
	b2Vec2 objectPosition = object->body->GetPosition();
	float r = sensor->sensorRadius;
	float t;
	b2Vec2 d;
	if (r > -1.f)
	{
		// A radius in (-1, 0] gives no finite ratio: no field.
		if (!(r > 0.f))
			return;
		d = sensorPosition - objectPosition;
		t = d.Length() / r;
	}
	else
	{
		float length = sensor->sensorLength;
		if (!(length > 0.f))
			return;
		double a = sensor->body->GetAngle();
		b2Vec2 reference(static_cast<float>(sensorPosition.x - length / 2.0 * std::sin(a)),
			static_cast<float>(sensorPosition.y + length / 2.0 * std::cos(a)));
		t = (reference - objectPosition).Length() / length;
		d = b2Vec2(static_cast<float>(-std::sin(a)), static_cast<float>(std::cos(a)));
	}
	float magnitude = sensor->sensorMaxForce - t * (sensor->sensorMaxForce - sensor->sensorMinForce);
	float strength = magnitude * (object->body->GetMass() * 0.1f);
	if (d.Length() >= FLT_EPSILON)
		d.Normalize();
	b2Vec2 f = strength * d;
	if (object->startsInactive)
	{
		float g = m_settings.gravityForceMultiplier;
		if (object->flyerTimer < 0.f)
			f *= g;
		else
		{
			float k = g - 1.3f * object->flyerTimer;
			if (k > 1.f)
				f *= k;
		}
	}
	else if (object->revertGravity)
		f *= -0.1f;
	else if (object->revertGravityWithMultiplier)
	{
		if (object->body->GetLinearVelocity().Length() >= object->revertGravitySpeedLimit)
			return;
		f *= object->revertGravityMultiplier;
	}
	if (!std::isfinite(f.x) || !std::isfinite(f.y))
		return;
	if (object->body->GetType() != b2_dynamicBody)
		return;
	m_scene.world().applyForce(object->body, f, object->body->GetPosition());
}

} // namespace host
