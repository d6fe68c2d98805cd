// Contacts of scene objects: sensor callbacks, impacts and damage of flyers
// and blocks, the score, hit wobble, broken joints, and leaving sensors and
// killing volumes. Everything here runs inside the physics step: script
// tables are read raw with defaults, nothing is created or destroyed, and
// what scripts ask for waits in the physics world's queue.
#include <host/ContactRules.h>
#include <host/ContactRecord.h>
#include <host/Joints.h>
#include <host/RenderObjectData.h>
#include <host/SceneObjects.h>
#include <host/WorldSettings.h>
#include <ScriptValues.h>
#include <lang/Debug.h>
#include <lua/LuaObject.h>
#include <lua/LuaState.h>
#include <physics/PhysicsWorld.h>
#include <algorithm>
#include <cmath>

namespace host
{

namespace
{

/** Every impact is divided by it. */
float const IMPACT_SCALE = 10.f;
/** Kept fraction of a HOMING flyer's damage before its first hit. */
float const HOMING_FACTOR = 0.2f;
float const LEGACY_BOUNCE = -0.5f;
/** Linear damping of a body leaving a killing volume. */
float const KILL_DAMPING = 100.f;

float wobbleFor(float impact)
{
	return std::min(0.1f, impact * 0.02f);
}

/** Starts the hit wobble unless one at least as strong runs. */
void wobble(RenderObjectData* o, float w)
{
	if (o->wobbleAmplitude < w)
	{
		o->wobbling = true;
		o->wobbleStartAmplitude = w;
	}
}

} // namespace

ContactRules::ContactRules(Core const& core, SceneObjects& scene, Joints& joints, WorldSettings const& settings) :
	m_core(core),
	m_scene(scene),
	m_joints(joints),
	m_settings(settings)
{
}

void ContactRules::handToDeadBlocks(std::string const& name, lua::LuaTable const& table)
{
	lua::LuaTable dead;
	if (scriptvalues::table(m_core.table, "deadBlocks", dead))
		dead.setTable(name, table);
	else
		lang::Debug::printf("No level loaded: \"%s\" is not handed to deadBlocks\n", name.c_str());
}

void ContactRules::beginContact(b2Contact* contact)
{
	b2Fixture* fixtureA = contact->GetFixtureA();
	b2Fixture* fixtureB = contact->GetFixtureB();
	RenderObjectData* a = recordOf(fixtureA);
	RenderObjectData* b = recordOf(fixtureB);
	if (m_settings.loadingLevel || !a || !b)
		return;

	lua::LuaTable blockTable, blocks, damageFactors;
	if (scriptvalues::table(m_core.table, "blockTable", blockTable))
	{
		scriptvalues::table(blockTable, "blocks", blocks);
		scriptvalues::table(blockTable, "damageFactors", damageFactors);
	}
	auto blockOf = [&](RenderObjectData const* o, lua::LuaTable& out) {
		return blocks.hasReference() && scriptvalues::table(blocks, scriptvalues::text(o->luaTable, "definition"), out);
	};

	bool sensorStep = false;
	bool sensorFlyer = false;
	float sensorDamage = 0.f;
	if (fixtureA->IsSensor() || fixtureB->IsSensor())
	{
		std::string nameA = a->name;
		std::string nameB = b->name;
		m_core.table.call("enterCollision", nameA, nameB);
		bool hit = false;
		for (int side = 0; side < 2; ++side)
		{
			RenderObjectData* s = side == 0 ? a : b;
			if (checkSensorContact(side == 0 ? fixtureA : fixtureB, side == 0 ? fixtureB : fixtureA) != 1)
				continue;
			hit = true;
			lua::LuaTable block;
			sensorDamage = blockOf(s, block) ? scriptvalues::number(block, "damage", 0.f) : 0.f;
			sensorFlyer = isFlyerType(s->objectType);
		}
		if (!hit)
			return;
		sensorStep = true;
	}
	if (m_settings.editing)
		return;

	b2Body* bodyA = fixtureA->GetBody();
	b2Body* bodyB = fixtureB->GetBody();

	if (a->startsInactive && b->startsInactive)
	{
		// Flyer against flyer: the faster body's momentum.
		b2Body* faster = bodyA->GetLinearVelocity().LengthSquared() <= bodyB->GetLinearVelocity().LengthSquared() ? bodyB : bodyA;
		float impact = faster->GetMass() * faster->GetLinearVelocity().Length() / IMPACT_SCALE;
		float w = wobbleFor(impact);
		if (!a->noHitWobble)
			wobble(a, w);
		if (!b->noHitWobble)
			wobble(b, w);
		std::string nameA = a->name;
		std::string nameB = b->name;
		m_core.table.call("flyerCollision", nameA, nameB, impact, 0.f);
		return;
	}

	if (a->startsInactive != b->startsInactive)
	{
		// Flyer against block.
		bool flyerIsA = a->startsInactive;
		RenderObjectData* flyer = flyerIsA ? a : b;
		RenderObjectData* block = flyerIsA ? b : a;
		b2Body* flyerBody = flyerIsA ? bodyA : bodyB;
		b2Body* blockBody = flyerIsA ? bodyB : bodyA;
		std::string flyerName = flyer->name;
		std::string blockName = block->name;

		std::string material = scriptvalues::text(block->luaTable, "material");
		float dm = 1.f;
		float vm = 1.f;
		lua::LuaTable factors, table;
		if (damageFactors.hasReference() &&
			scriptvalues::table(damageFactors, scriptvalues::text(flyer->luaTable, "damageFactors"), factors))
		{
			if (scriptvalues::table(factors, "damageMultiplier", table) && !material.empty())
				dm = scriptvalues::number(table, material.c_str(), 1.f);
			if (scriptvalues::table(factors, "velocityMultiplier", table) && !material.empty())
				vm = scriptvalues::number(table, material.c_str(), 1.f);
		}
		bool legacy = scriptvalues::boolean(flyer->luaTable, "useLegacyCollisionPath", false);

		b2Vec2 flyerVelocity = flyerBody->GetLinearVelocity();
		b2Vec2 momentum = dm * flyerBody->GetMass() * flyerVelocity - blockBody->GetMass() * blockBody->GetLinearVelocity();
		float impact = momentum.Length() / IMPACT_SCALE;

		m_joints.removeBreakableJointsFromObject(blockName, impact);

		float damage = 0.f;
		lua::LuaTable world, blockState;
		if (scriptvalues::table(m_core.objects, "world", world) && scriptvalues::table(world, blockName, blockState) &&
			blockState.isNumber("strength"))
		{
			float strength = blockState.getNumber("strength");
			damage = impact - scriptvalues::number(blockState, "defence", 0.f);
			lua::LuaTable flyerBlock;
			if (blockOf(flyer, flyerBlock) && scriptvalues::text(flyerBlock, "specialty") == "HOMING" &&
				!scriptvalues::boolean(flyer->luaTable, "hasCollided", false))
				damage *= HOMING_FACTOR;
			if (damage > 0.f)
			{
				float left = strength - damage;
				blockState.setNumber("strength", left);
				if (left <= 0.f)
				{
					handToDeadBlocks(blockName, blockState);
					if (legacy)
					{
						// The limit of the bounce factor for no mass or impact is 1.
						float mass = flyerBody->GetMass();
						float f = mass != 0.f && impact != 0.f ? std::min(1.f, left / mass / impact * IMPACT_SCALE * LEGACY_BOUNCE) : 1.f;
						if (std::isfinite(f) && flyer->body && flyer->body->GetType() != b2_staticBody)
							m_scene.world().setLinearVelocity(flyer->body, f * flyerVelocity);
					}
					else
					{
						float f = impact != 0.f ? std::min(1.f, (impact - strength) / impact * vm) : 0.f;
						if (std::isfinite(f))
						{
							flyer->pendingVelocity = f * flyerVelocity;
							flyer->hasPendingVelocity = true;
						}
					}
					// The flyer passes through the broken block.
					contact->SetEnabled(false);
					damage = strength;
				}
			}
		}

		float w = wobbleFor(impact);
		wobble(flyer, w);
		if (block->wobbleStrength > 0.f)
			wobble(block, w);
		m_core.table.call("flyerCollision", flyerName, blockName, impact, std::floor(damage));
		// The script may have changed the flyer's record, never removed it (removal waits).
		if (flyer->flyerTimer < 0.f)
			flyer->flyerTimer = 0.f;
		return;
	}

	if (sensorFlyer)
		return;

	// Block against block: each is damaged with the other's factors.
	auto factorFor = [&](RenderObjectData const* damaged, RenderObjectData const* other) {
		lua::LuaTable factors, multipliers;
		std::string material = scriptvalues::text(damaged->luaTable, "material");
		if (damageFactors.hasReference() && !material.empty() &&
			scriptvalues::table(damageFactors, scriptvalues::text(other->luaTable, "damageFactors"), factors) &&
			scriptvalues::table(factors, "damageMultiplier", multipliers))
			return scriptvalues::number(multipliers, material.c_str(), 1.f);
		return 1.f;
	};
	float fA = factorFor(a, b);
	float fB = factorFor(b, a);
	float impact = sensorStep ? sensorDamage
		: (bodyA->GetMass() * bodyA->GetLinearVelocity() - bodyB->GetMass() * bodyB->GetLinearVelocity()).Length() / IMPACT_SCALE;

	struct Side
	{
		bool hit = false;
		bool damaged = false;
		float contribution = 0.f;
		float lastHit = 0.f;
	};
	auto damageSide = [&](RenderObjectData const* o, float factor) {
		Side side;
		lua::LuaTable& t = const_cast<RenderObjectData*>(o)->luaTable;
		if (!t.isNumber("strength"))
		{
			side.hit = true;
			return side;
		}
		float defence = scriptvalues::number(t, "defence", 0.f);
		if (factor * impact < defence)
			return side;
		float strength = t.getNumber("strength");
		float left = strength - std::floor(factor * impact - defence);
		t.setNumber("strength", left);
		if (left > 0.f)
			side.contribution = impact - defence;
		else
		{
			handToDeadBlocks(o->name, t);
			side.contribution = strength;
		}
		side.hit = true;
		side.damaged = true;
		side.lastHit = factor * impact - defence;
		return side;
	};
	Side sideA = damageSide(a, fA);
	Side sideB = damageSide(b, fB);
	float total = sideA.contribution + sideB.contribution;
	// The score as it was before the callback (which may change it).
	lua::LuaTable scoreTable, scoreBlocks;
	bool hasScore = total > 0.f && scriptvalues::table(m_core.table, "scoreTable", scoreTable) &&
		scriptvalues::table(scoreTable, "blocks", scoreBlocks) && scoreBlocks.isNumber("score");
	float scoreBefore = hasScore ? scoreBlocks.getNumber("score") : 0.f;
	float lastHit = sideB.damaged ? sideB.lastHit : sideA.damaged ? sideA.lastHit : 0.f;

	float w = wobbleFor(impact);
	if (b->wobbleStrength > 0.f)
		wobble(b, w);
	if (a->wobbleStrength > 0.f)
		wobble(a, w);
	std::string nameA = a->name;
	std::string nameB = b->name;
	m_core.table.call("blockCollision", nameA, nameB, impact, sideA.hit || sideB.hit, false, std::floor(lastHit));

	if (hasScore)
	{
		lua::LuaTable attributes;
		if (scriptvalues::table(m_core.table, "worldAttributes", attributes) && attributes.isNumber("scoreDamageMultiplier"))
		{
			int multiplier = lua::LuaNumber::toInt(attributes.getNumber("scoreDamageMultiplier"));
			scoreBlocks.setNumber("score", scoreBefore + std::floor(total) * static_cast<float>(multiplier));
		}
	}
}

void ContactRules::endContact(b2Contact* contact)
{
	b2Fixture* fixtureA = contact->GetFixtureA();
	b2Fixture* fixtureB = contact->GetFixtureB();
	RenderObjectData* a = recordOf(fixtureA);
	RenderObjectData* b = recordOf(fixtureB);
	if (!a || !b)
		return;
	// A body being removed is no longer the record's: only live ones wake.
	if (a->body)
		m_scene.world().setAwake(a->body, true);
	if (b->body)
		m_scene.world().setAwake(b->body, true);
	if (!fixtureA->IsSensor() && !fixtureB->IsSensor())
		return;
	std::string nameA = a->name;
	std::string nameB = b->name;
	m_core.table.call("exitCollision", nameA, nameB);
	sensorEndContact(fixtureA, fixtureB);
	sensorEndContact(fixtureB, fixtureA);
}

void ContactRules::sensorEndContact(b2Fixture* sensorFixture, b2Fixture* otherFixture)
{
	if (!sensorFixture->IsSensor())
		return;
	RenderObjectData* sensor = recordOf(sensorFixture);
	RenderObjectData* other = recordOf(otherFixture);
	if (!sensor || !other)
		return;
	auto it = std::find(other->sensors.begin(), other->sensors.end(), sensor);
	if (it != other->sensors.end())
	{
		other->sensors.erase(it);
		if (other->sensors.empty())
			other->luaTable.setBoolean("insideGravity", false);
	}
	if (!sensor->killingVolume || other->killingVolume)
		return;
	if (other->startsInactive)
		other->luaTable.setBoolean("killingVolumeRemovalTimerEnabled", true);
	else if (other->killOnExit)
	{
		if (other->body)
			m_scene.world().setLinearDamping(other->body, KILL_DAMPING);
		other->destroyPending = true;
	}
	else if (other->tracked)
	{
		if (other->body && other->body->GetType() != b2_staticBody)
		{
			m_scene.world().setLinearVelocity(other->body, b2Vec2_zero);
			m_scene.world().setLinearDamping(other->body, KILL_DAMPING);
		}
	}
}

int ContactRules::checkSensorContact(b2Fixture* fixture, b2Fixture* other)
{
	if (!fixture->IsSensor())
		return 0;
	RenderObjectData* s = recordOf(fixture);
	RenderObjectData* o = recordOf(other);
	if (!s || !o)
		return 0;
	b2Body* body = other->GetBody();
	int result = (isFlyerType(s->objectType) || s->objectType == ObjectType::Special) && !o->ignoresKillingVolumes ? 1 : 0;
	switch (s->objectType)
	{
	case ObjectType::ListingSensor:
		m_scene.world().setAwake(body, true);
		o->sensors.push_back(s);
		break;
	case ObjectType::GravitySensor:
		m_scene.world().setAwake(body, true);
		o->sensors.push_back(s);
		o->luaTable.setBoolean("insideGravity", true);
		break;
	case ObjectType::FuseSensor:
		if (!other->IsSensor())
			s->destroyPending = true;
		break;
	default:
		break;
	}
	return result;
}

} // namespace host
