// Making joints: the kinds a description names, their checks and defaults,
// the description kept in "joints" and the cross links of the ends' tables.
#include <host/Joints.h>
#include <ArgumentCheck.h>
#include <ScriptValues.h>
#include <host/RenderObjectData.h>
#include <host/SceneObjects.h>
#include <lang/Debug.h>
#include <lang/Exception.h>
#include <lua/LuaException.h>
#include <lua/LuaObject.h>
#include <lua/LuaState.h>
#include <physics/PhysicsWorld.h>
#include <box2d/box2d.h>
#include <lua.hpp>
#include <cmath>

namespace host
{

namespace
{

enum JointType
{
	DISTANCE = 1,
	WELD = 2,
	REVOLUTE = 3,
	PRISMATIC = 4,
	TIMED_LINK = 5
};

/** A boolean, or a number other than 0; else fallback. */
bool flag(lua::LuaTable const& table, char const* key, bool fallback)
{
	if (table.isBoolean(key))
		return table.getBoolean(key);
	if (table.isNumber(key))
		return table.getNumber(key) != 0.f;
	return fallback;
}

} // namespace

lua::LuaTable Joints::jointsTable()
{
	if (!m_core.objects.isTable("joints"))
		m_core.objects.setTable("joints", lua::LuaTable(m_core.table.getLuaState()));
	return m_core.objects.getTable("joints");
}

int Joints::createJoint(lua::LuaState* state)
{
	lua::LuaTable description = lua::LuaValue::readTable(state, 1);
	// World anchors of coordType 1 distance joints.
	float anchors[4] = {0.f, 0.f, 0.f, 0.f};
	for (int i = 0; i < 4; ++i)
	{
		if (state->top() >= 6 + i && state->isNumber(6 + i))
			anchors[i] = state->toNumber(6 + i);
	}
	b2Vec2 worldA(anchors[0], anchors[1]);
	b2Vec2 worldB(anchors[2], anchors[3]);
	m_scene.world().defer([this, description, worldA, worldB] { createJointNow(description, worldA, worldB); });
	return 0;
}

int Joints::createJoints(lua::LuaState* state)
{
	lua::LuaTable list = lua::LuaValue::readTable(state, 1);
	std::vector<lua::LuaTable> descriptions;
	{
		lua_State* lua = lua::LuaAccess::get(state);
		lua::LuaStackRestore restore(state);
		lua::LuaState::pushTable(lua, &list);
		lua_pushnil(lua);
		while (lua_next(lua, -2) != 0)
		{
			if (lua_type(lua, -1) != LUA_TTABLE)
				throw lua::LuaException(lang::Format("createJoints: an entry is a {0}, not a joint description", lua_typename(lua, lua_type(lua, -1))));
			descriptions.push_back(state->toTable(-1));
			lua_pop(lua, 1);
		}
	}
	for (lua::LuaTable const& description : descriptions)
		m_scene.world().defer([this, description] { createJointNow(description, b2Vec2_zero, b2Vec2_zero); });
	return 0;
}

void Joints::createJointNow(lua::LuaTable const& d, b2Vec2 const& worldA, b2Vec2 const& worldB)
{
	using scriptvalues::number;
	std::string name = scriptvalues::text(d, "name");
	std::string end1 = scriptvalues::text(d, "end1");
	std::string end2 = scriptvalues::text(d, "end2");
	auto fail = [&name](std::string const& what) {
		throw lua::LuaException(lang::Format("createJoint: joint \"{0}\": {1}", name, what));
	};
	auto finite = [&fail](char const* key, float value) {
		if (!std::isfinite(value))
			fail(lang::Format("{0} is {1}", key, numberText(value)).format());
		return value;
	};
	int type = d.isNumber("type") ? lua::LuaNumber::toInt(d.getNumber("type")) : 0;
	if (type < DISTANCE || type > TIMED_LINK)
		fail(lang::Format("unknown joint type {0}", type).format());
	int coordType = lua::LuaNumber::toInt(std::floor(finite("coordType", number(d, "coordType", 0.f)) + 0.5));
	float x1 = finite("x1", number(d, "x1", 0.f));
	float y1 = finite("y1", number(d, "y1", 0.f));
	float x2 = finite("x2", number(d, "x2", 0.f));
	float y2 = finite("y2", number(d, "y2", 0.f));

	lua::LuaTable stored(m_core.table.getLuaState());
	stored.setString("name", name);
	stored.setString("end1", end1);
	stored.setString("end2", end2);
	stored.setNumber("type", static_cast<float>(type));
	stored.setNumber("coordType", static_cast<float>(coordType));
	if (d.isBoolean("breakable"))
		stored.setBoolean("breakable", d.getBoolean("breakable"));
	if (d.isNumber("breakForce"))
		stored.setNumber("breakForce", d.getNumber("breakForce"));
	auto storeAnchors = [&stored](float ax, float ay, float bx, float by) {
		stored.setNumber("x1", ax);
		stored.setNumber("y1", ay);
		stored.setNumber("x2", bx);
		stored.setNumber("y2", by);
	};

	JointData record;
	record.name = name;
	record.end1 = end1;
	record.end2 = end2;
	record.coordType = coordType;

	if (type == TIMED_LINK)
	{
		storeAnchors(x1, y1, x2, y2);
		stored.setNumber("destroyTimer", finite("destroyTimer", number(d, "destroyTimer", 1.f)));
		m_timedLinks.push_back(record);
		jointsTable().setTable(name, stored);
		linkObjects(end1, end2);
		return;
	}

	RenderObjectData* objectA = m_scene.findObject(end1);
	RenderObjectData* objectB = m_scene.findObject(end2);
	b2Body* a = objectA ? objectA->body : nullptr;
	b2Body* b = objectB ? objectB->body : nullptr;
	if (!a || !b)
	{
		lang::Debug::printf("createJoint: joint \"%s\": end1 \"%s\"%s, end2 \"%s\"%s\n", name.c_str(), end1.c_str(),
			a ? "" : " has no body", end2.c_str(), b ? "" : " has no body");
		throw lua::LuaException(lang::Format("Joint bodies are not defined!"));
	}
	if (a == b)
		fail(lang::Format("both ends are \"{0}\"", end1).format());
	bool collide = flag(d, "collideConnected", false);
	auto requireFinitePoint = [&](char const* what, b2Vec2 const& p) {
		if (!std::isfinite(p.x) || !std::isfinite(p.y))
			fail(lang::Format("{0} is not a finite point", what).format());
	};

	b2Joint* joint = nullptr;
	try
	{
		switch (type)
		{
		case DISTANCE:
		{
			physics::PhysicsWorld::DistanceJointParams params;
			params.bodyA = a;
			params.bodyB = b;
			if (coordType == 1)
			{
				// World points; the local anchors are their offsets from the body
				// positions, and the length is the points' distance, whatever
				// turns the bodies have.
				params.anchorA = a->GetWorldPoint(worldA - a->GetPosition());
				params.anchorB = b->GetWorldPoint(worldB - b->GetPosition());
				params.length = b2Distance(worldA, worldB);
				storeAnchors(worldA.x, worldA.y, worldB.x, worldB.y);
			}
			else if (coordType == 2)
			{
				params.anchorA = a->GetWorldPoint(b2Vec2(x1, y1));
				params.anchorB = b->GetWorldPoint(b2Vec2(x2, y2));
				storeAnchors(x1, y1, x2, y2);
			}
			else
			{
				params.anchorA = a->GetPosition();
				params.anchorB = b->GetPosition();
				storeAnchors(params.anchorA.x, params.anchorA.y, params.anchorB.x, params.anchorB.y);
			}
			requireFinitePoint("anchor A", params.anchorA);
			requireFinitePoint("anchor B", params.anchorB);
			if (!std::isfinite(params.length.value_or(b2Distance(params.anchorA, params.anchorB))))
				fail("the length is not finite");
			params.collideConnected = collide;
			params.frequencyHz = finite("frequency", number(d, "frequency", 4.f));
			params.dampingRatio = finite("dampingRatio", number(d, "dampingRatio", 0.5f));
			record.frequency = params.frequencyHz;
			record.dampingRatio = params.dampingRatio;
			stored.setNumber("frequency", params.frequencyHz);
			stored.setNumber("dampingRatio", params.dampingRatio);
			stored.setNumber("collideConnected", collide ? 1.f : 0.f);
			joint = m_scene.world().createDistanceJoint(params);
			break;
		}
		case WELD:
		{
			b2Vec2 anchor = 0.5f * (a->GetWorldPoint(b2Vec2(x1, y1)) + b->GetWorldPoint(b2Vec2(x2, y2)));
			requireFinitePoint("the anchor", anchor);
			b2WeldJointDef def;
			def.Initialize(a, b, anchor);
			def.collideConnected = collide;
			storeAnchors(x1, y1, x2, y2);
			stored.setBoolean("collideConnected", collide);
			joint = m_scene.world().createJoint(def);
			break;
		}
		default:
		{
			b2Vec2 anchor = a->GetWorldPoint(b2Vec2(x1, y1));
			requireFinitePoint("the anchor", anchor);
			bool motor = flag(d, "motor", false);
			float motorSpeed = finite("motorSpeed", number(d, "motorSpeed", 0.f));
			float maxTorque = finite("maxTorque", number(d, "maxTorque", 0.f));
			bool limit = flag(d, "limit", false);
			float lower = finite("lowerLimit", number(d, "lowerLimit", 0.f));
			float upper = finite("upperLimit", number(d, "upperLimit", type == PRISMATIC ? 5.f : 0.f));
			if (lower > upper)
				fail(lang::Format("lower limit {0} is above upper limit {1}", lower, upper).format());
			bool backAndForth = flag(d, "backAndForth", false);
			storeAnchors(x1, y1, x2, y2);
			stored.setBoolean("motor", motor);
			stored.setNumber("motorSpeed", motorSpeed);
			stored.setNumber("maxTorque", maxTorque);
			stored.setBoolean("limit", limit);
			stored.setNumber("lowerLimit", lower);
			stored.setNumber("upperLimit", upper);
			stored.setBoolean("collideConnected", collide);
			stored.setBoolean("backAndForth", backAndForth);
			if (type == REVOLUTE)
			{
				b2RevoluteJointDef def;
				def.Initialize(a, b, anchor);
				def.enableMotor = motor;
				def.motorSpeed = motorSpeed;
				def.maxMotorTorque = maxTorque;
				def.enableLimit = limit;
				def.lowerAngle = lower;
				def.upperAngle = upper;
				def.collideConnected = collide;
				joint = m_scene.world().createJoint(def);
				if (flag(d, "isMenuJoint", false))
				{
					stored.setBoolean("isMenuJoint", true);
					m_core.table.setString("rotatingMenuJoint", name);
				}
			}
			else
			{
				b2Vec2 axis(finite("worldAxisX", number(d, "worldAxisX", 0.f)), finite("worldAxisY", number(d, "worldAxisY", 0.f)));
				stored.setNumber("worldAxisX", axis.x);
				stored.setNumber("worldAxisY", axis.y);
				b2PrismaticJointDef def;
				def.Initialize(a, b, anchor, axis);
				def.enableLimit = limit;
				def.lowerTranslation = lower;
				def.upperTranslation = upper;
				def.enableMotor = motor;
				def.motorSpeed = motorSpeed;
				def.maxMotorForce = maxTorque;
				def.collideConnected = collide;
				joint = m_scene.world().createJoint(def);
			}
			break;
		}
		}
	}
	catch (lua::LuaException const&)
	{
		throw;
	}
	catch (lang::Exception const& e)
	{
		fail(e.getMessage().format());
	}

	record.joint = joint;
	m_joints.push_back(record);
	// Jointed objects do not keep the level moving.
	if (!objectA->startsInactive && !objectB->startsInactive)
	{
		objectA->excludeFromMoving = true;
		objectB->excludeFromMoving = true;
	}
	jointsTable().setTable(name, stored);
	linkObjects(end1, end2);
}

void Joints::linkObjects(std::string const& end1, std::string const& end2)
{
	lua::LuaTable world;
	if (!scriptvalues::table(m_core.objects, "world", world))
		return;
	lua::LuaTable tables[2];
	bool present[2] = {scriptvalues::table(world, end1, tables[0]), scriptvalues::table(world, end2, tables[1])};
	std::string const names[2] = {end1, end2};
	bool sensorEnd = (present[0] && !tables[0].isNil("sensorType")) || (present[1] && !tables[1].isNil("sensorType"));
	if (!sensorEnd)
	{
		for (int i = 0; i < 2; ++i)
		{
			if (present[i])
				tables[i].setString("linkedObject", names[1 - i]);
		}
		lang::Debug::debug("LINKING bodies\n");
	}
	lua::LuaTable blocks, blockTable;
	if (scriptvalues::table(m_core.table, "blockTable", blockTable))
		scriptvalues::table(blockTable, "blocks", blocks);
	for (int i = 0; i < 2; ++i)
	{
		lua::LuaTable& x = tables[i];
		if (!present[i] || x.isNil("levelGoal"))
			continue;
		lua::LuaTable& y = tables[1 - i];
		lua::LuaTable block;
		bool bubble = present[1 - i] && blocks.hasReference() &&
			scriptvalues::table(blocks, scriptvalues::text(y, "definition"), block) && scriptvalues::text(block, "material") == "bubble";
		if (bubble)
		{
			x.setString("linkedBubble", names[1 - i]);
			if (!y.isTable("linkedTargets"))
				y.setTable("linkedTargets", lua::LuaTable(m_core.table.getLuaState()));
			lua::LuaTable targets = y.getTable("linkedTargets");
			targets.setString(targets.size() + 1, names[i]);
		}
		else
			x.setString("linkedObject", names[1 - i]);
	}
}

} // namespace host
