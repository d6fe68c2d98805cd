// The frame's physics: fixed steps from the time accumulator, interpolated
// poses, destruction timers, the pass that writes every awake object's
// state into its table, and the rolling sounds it measures.
#include <host/PhysicsStepper.h>
#include <host/Angles.h>
#include <host/ContactRules.h>
#include <host/RenderObjectData.h>
#include <host/SceneObjects.h>
#include <host/WorldForces.h>
#include <audio/AudioOutput.h>
#include <game/Resources.h>
#include <lang/Debug.h>
#include <lang/System.h>
#include <lua/LuaObject.h>
#include <lua/LuaState.h>
#include <physics/PhysicsWorld.h>
#include <lua.hpp>
#include <algorithm>
#include <cmath>
#include <iterator>
#include <utility>

namespace host
{

namespace
{

/** The fixed step (0.033333335 as a float) and the most steps one frame runs. */
float const STEP = 1.f / 30.f;
int const MAX_STEPS = 120;
/** Poses are saved only while at most this much time is left to simulate. */
float const SNAPSHOT_LIMIT = 1.f / 15.f;

/**
 * Writes the object pass's fields into object tables with the key strings
 * pushed once per pass: the pass writes five or more fields per object every
 * frame.
 */
class FieldWriter
{
public:
	enum Key
	{
		X,
		Y,
		FROZEN,
		VELOCITY,
		X_VEL,
		Y_VEL,
		ANGLE,
		SLEEPING,
		KEY_COUNT
	};

	explicit FieldWriter(lua::LuaState* state) : m_lua(lua::LuaAccess::get(state)), m_restore(m_lua)
	{
		static char const* const NAMES[KEY_COUNT] = {"x", "y", "frozen", "velocity", "xVel", "yVel", "angle", "sleeping"};
		luaL_checkstack(m_lua, KEY_COUNT + 4, "object pass");
		m_keys = lua_gettop(m_lua) + 1;
		for (char const* name : NAMES)
			lua_pushstring(m_lua, name);
		m_table = lua_gettop(m_lua) + 1;
		lua_pushnil(m_lua);
	}

	/** Makes table the one written to. */
	void select(lua::LuaTable const& table)
	{
		lua::LuaState::pushTable(m_lua, &table);
		lua_replace(m_lua, m_table);
	}

	void set(Key key, float value)
	{
		lua_pushvalue(m_lua, m_keys + key);
		lua_pushnumber(m_lua, value);
		lua_rawset(m_lua, m_table);
	}

	void set(Key key, bool value)
	{
		lua_pushvalue(m_lua, m_keys + key);
		lua_pushboolean(m_lua, value ? 1 : 0);
		lua_rawset(m_lua, m_table);
	}

private:
	lua_State* m_lua;
	lua::LuaStackRestore m_restore;
	int m_keys;
	int m_table;
};

float angleOf(b2Body const* body)
{
	b2Rot const& q = body->GetTransform().q;
	return std::atan2(q.s, q.c);
}

} // namespace

PhysicsStepper::PhysicsStepper(Core const& core, SceneObjects& scene, WorldForces& forces, ContactRules& contacts) :
	m_core(core),
	m_scene(scene),
	m_forces(forces),
	m_contacts(contacts)
{
}

void PhysicsStepper::stepPhysics(float dt, long long& micros)
{
	if (!std::isnan(dt))
		m_accumulator += dt;
	// A frame runs at most MAX_STEPS steps; the time beyond is dropped.
	if (!(m_accumulator <= MAX_STEPS * STEP))
		m_accumulator = MAX_STEPS * STEP;
	for (int steps = 0; m_accumulator >= STEP; ++steps)
	{
		if (steps == MAX_STEPS)
		{
			m_accumulator = 0.f;
			break;
		}
		m_core.table.call("applyForcesAtPhysicsStep");
		m_forces.applySensorForces();
		for (RenderObjectData* o : m_scene.objectOrder())
		{
			if (o->startsInactive && o->flyerTimer >= 0.f)
				o->flyerTimer += STEP;
		}
		int64_t start = lang::System::currentTimeMicros();
		m_scene.world().step(STEP, 10, 10);
		micros += lang::System::currentTimeMicros() - start;
		m_accumulator -= STEP;
		m_scene.world().clearForces();
		m_core.table.call("removeBlocks");

		for (RenderObjectData* o : m_scene.objectOrder())
		{
			if (!o->hasPendingVelocity)
				continue;
			if (o->body && o->body->GetType() != b2_staticBody)
				m_scene.world().setLinearVelocity(o->body, o->pendingVelocity);
			o->hasPendingVelocity = false;
		}

		// Only the last two steps of a frame are interpolated between.
		if (m_accumulator <= SNAPSHOT_LIMIT)
		{
			m_snapshotIndex ^= 1;
			for (RenderObjectData* o : m_scene.objectOrder())
			{
				if (!o->body || !o->body->IsAwake())
					continue;
				RenderObjectData::Snapshot& snapshot = o->snapshot[m_snapshotIndex];
				snapshot.x = o->body->GetPosition().x;
				snapshot.y = o->body->GetPosition().y;
				snapshot.angle = angleOf(o->body);
				if (o->startsInactive && o->body->GetMass() != 0.f)
					m_scene.world().setBullet(o->body, true);
			}
		}
	}
	m_scene.world().clearForces();
	m_core.table.call("clearLuaForceFunctions");

	// Interpolation and destruction timers, in one pass over the objects.
	float alpha = m_accumulator / STEP;
	for (RenderObjectData* o : m_scene.objectOrder())
	{
		if (o->body && o->body->IsAwake())
		{
			RenderObjectData::Snapshot const& now = o->snapshot[m_snapshotIndex];
			RenderObjectData::Snapshot const& before = o->snapshot[m_snapshotIndex ^ 1];
			o->renderX = now.x * alpha + before.x * (1.f - alpha);
			o->renderY = now.y * alpha + before.y * (1.f - alpha);
			float old = before.angle;
			// Across the +-pi seam the blend goes the short way round.
			if (std::fabs(now.angle - old) >= PI)
				old = now.angle <= old ? old - 2.f * PI : old + 2.f * PI;
			o->renderAngle = now.angle * alpha + old * (1.f - alpha);
		}
		if (!o->destroyPending)
			continue;
		o->destroyTimer -= dt;
		if (o->destroyTimer > 0.f)
			continue;
		o->luaTable.setNumber("strength", 0.f);
		m_contacts.handToDeadBlocks(o->name, o->luaTable);
		o->destroyPending = false;
	}
}

void PhysicsStepper::objectPass(float dt)
{
	clearRollingLevels();
	bool moving = false;
	bool awake = false;
	bool movingZeroTolerance = false;
	if (m_scene.renderObjects().empty())
	{
		m_core.table.setBoolean("hasMovingObjects", false);
		m_core.table.setBoolean("hasAwakeObjects", false);
		m_core.table.setBoolean("hasMovingObjectsZeroTolerance", false);
		return;
	}
	float const count = static_cast<float>(m_scene.renderObjects().size());
	float const left = static_cast<float>(m_scene.levelLeft());
	float const right = static_cast<float>(m_scene.levelRight());
	float const top = static_cast<float>(m_scene.levelTop());
	float const bottom = static_cast<float>(m_scene.levelBottom());
	int position = 0;
	FieldWriter writer(m_core.table.getLuaState());
	std::vector<RenderObjectData*> const* order = &m_scene.objectOrder();
	for (size_t index = 0; index < order->size();)
	{
		RenderObjectData* o = (*order)[index];
		b2Body* body = o->body;
		writer.select(o->luaTable);
		++position;
		float speedSquared = 0.f;
		b2Vec2 v = b2Vec2_zero;
		bool counted = false;
		if ((o->wasAwake || body->IsAwake()) && body->GetMass() > 0.f)
		{
			writer.set(FieldWriter::X, o->renderX);
			writer.set(FieldWriter::Y, o->renderY);
			if (o->renderY > bottom || o->renderX < left || o->renderX > right || o->renderY < top)
				writer.set(FieldWriter::FROZEN, true);
			if (isFlyerType(o->objectType) &&
				(o->renderY > bottom * 0.95f || o->renderX < left * 0.95f || o->renderX > right * 0.95f ||
					o->renderY < top * 0.95f))
				o->destroyPending = true;
			v = body->GetLinearVelocity();
			float w = body->GetAngularVelocity();
			speedSquared = v.x * v.x + v.y * v.y;
			if (speedSquared > 0.f && !o->startsInactive && !o->excludeFromMoving)
				movingZeroTolerance = true;
			if (speedSquared > 9.f || std::fabs(w) > 0.1f)
			{
				if (!o->excludeFromMoving)
					moving = true;
				if (o->mirrorByVelocity && std::fabs(v.x) > 3.f)
					o->mirrored = v.x >= 0.f;
			}
			writer.set(FieldWriter::VELOCITY, std::sqrt(speedSquared));
			if (o->startsInactive || o->material == 4 || o->recordVelocity)
			{
				writer.set(FieldWriter::X_VEL, v.x);
				writer.set(FieldWriter::Y_VEL, v.y);
				writer.set(FieldWriter::ANGLE, o->renderAngle);
			}
			if (!o->startsInactive && o->rolls && o->material >= 1 && o->material <= 3)
			{
				float level = std::min(1.f, std::fabs(w) * o->radius / 400.f * body->GetMass());
				m_rollingLevel[o->material - 1] = std::max(m_rollingLevel[o->material - 1], level);
			}
			awake = true;
			counted = true;
		}
		if (o->animated)
		{
			// The script may remove objects, this one too.
			std::string name = o->name;
			float heading = counted ? std::atan2(v.y, v.x) * 57.29578f : 0.f;
			m_core.table.call("selectObjectAnimation", name, std::sqrt(speedSquared), heading, dt);
			if (m_scene.orderDirty())
			{
				order = &m_scene.objectOrder();
				auto byName = [](RenderObjectData const* a, std::string const& b) { return a->name < b; };
				index = std::lower_bound(order->begin(), order->end(), name, byName) - order->begin();
				if (index == order->size() || (*order)[index] != o)
				{
					// This object is gone: go on with the next name.
					if (index < order->size() && (*order)[index]->name == name)
						++index;
					continue;
				}
			}
			body = o->body;
			writer.select(o->luaTable);
		}
		o->wasAwake = body->IsAwake();
		writer.set(FieldWriter::ANGLE, angleOf(body));
		writer.set(FieldWriter::SLEEPING, !o->wasAwake);

		if (o->wobbling)
		{
			o->wobbleTime += dt;
			o->wobbleAmplitude = std::min(4.f, (o->wobbleStartAmplitude - o->wobbleStartAmplitude * o->wobbleTime) * o->wobbleStrength);
			if (o->wobbleAmplitude > 0.01f)
			{
				float phase = std::floor(position / count) * PI * 0.5f;
				float a = (o->wobbleSpeed * 5.f + o->wobbleAmplitude * 100.f) * o->wobbleTime + phase;
				o->scaleX = o->baseScaleX + std::sin(a) * o->wobbleAmplitude;
				o->scaleY = o->baseScaleY + std::sin(a + PI) * o->wobbleAmplitude;
			}
			else
			{
				o->wobbling = false;
				o->wobbleTime = o->wobbleAmplitude = o->wobbleStartAmplitude = 0.f;
			}
		}
		++index;
	}
	m_core.table.setBoolean("hasMovingObjects", moving);
	m_core.table.setBoolean("hasAwakeObjects", awake);
	m_core.table.setBoolean("hasMovingObjectsZeroTolerance", movingZeroTolerance);
}

void PhysicsStepper::clearRollingLevels()
{
	std::fill(std::begin(m_rollingLevel), std::end(m_rollingLevel), 0.f);
}

float PhysicsStepper::rollingLevel(int material) const
{
	return material >= 1 && material <= 3 ? m_rollingLevel[material - 1] : 0.f;
}

int PhysicsStepper::rollingClip(int material) const
{
	return material >= 1 && material <= 3 ? m_rollingClip[material - 1] : -1;
}

void PhysicsStepper::playRollingSounds()
{
	static char const* const s_clips[3] = {"wood_rolling", "rock_rolling", "light_rolling"};
	audio::AudioOutput* output = m_core.resources->getAudioOutput();
	// The resource manager refuses to play or stop without an output.
	if (!output)
		return;
	for (int i = 0; i < 3; ++i)
	{
		float const level = m_rollingLevel[i];
		if (level > 0.f)
		{
			if (!m_core.resources->isAudioPlaying(m_rollingClip[i]))
				m_rollingClip[i] = m_core.resources->playAudio(s_clips[i], level, true, 2);
			else
				output->setClipVolume(m_rollingClip[i], level);
		}
		else
		{
			m_core.resources->stopAudio(s_clips[i]);
		}
	}
}

} // namespace host
