// Gravity sensors: the force a sensor exerts on the objects inside it.
#include <host/ContactRecord.h>
#include <GameLua.h>
#include <host/RenderObjectData.h>
#include <physics/PhysicsWorld.h>
#include <cfloat>
#include <cmath>

void GameLua::applySensorForces()
{
	for (RenderObjectData* o : m_scene->objectOrder())
	{
		if (!o->body || !o->body->IsAwake() || isFlyerType(o))
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

void GameLua::applySensorForceToObject(RenderObjectData* sensor, RenderObjectData* object)
{
	if (sensor->gravityMask >= 0 && object->gravityCategory >= 0 && (sensor->gravityMask & object->gravityCategory) == 0)
		return;
	if (sensor->objectType != 2 || !sensor->body || !object->body)
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
	m_scene->world().applyForce(object->body, f, object->body->GetPosition());
}
