// The joints' lists: destruction, forgetting an object's joints, breaking
// on impacts, the anchors published each frame, motors and limits.
#include <host/Joints.h>
#include <ArgumentCheck.h>
#include <ScriptValues.h>
#include <host/RenderObjectData.h>
#include <host/SceneObjects.h>
#include <lua/LuaException.h>
#include <lua/LuaObject.h>
#include <lua/LuaState.h>
#include <physics/PhysicsWorld.h>
#include <box2d/box2d.h>
#include <algorithm>
#include <cmath>

namespace host
{

namespace
{

bool isLimited(b2Joint const* joint)
{
	return joint->GetType() == e_revoluteJoint || joint->GetType() == e_prismaticJoint;
}

float lowerLimit(b2Joint* joint)
{
	return joint->GetType() == e_revoluteJoint ? static_cast<b2RevoluteJoint*>(joint)->GetLowerLimit()
		: static_cast<b2PrismaticJoint*>(joint)->GetLowerLimit();
}

float upperLimit(b2Joint* joint)
{
	return joint->GetType() == e_revoluteJoint ? static_cast<b2RevoluteJoint*>(joint)->GetUpperLimit()
		: static_cast<b2PrismaticJoint*>(joint)->GetUpperLimit();
}

} // namespace

Joints::Joints(Core const& core, SceneObjects& scene) :
	m_core(core),
	m_scene(scene)
{
}

void Joints::clear()
{
	m_joints.clear();
	m_timedLinks.clear();
	m_brokenJoints.clear();
}

void Joints::destroyJoint(std::string const& name)
{
	m_scene.world().defer([this, name] {
		auto byName = [&name](JointData const& entry) { return entry.name == name; };
		auto joint = std::find_if(m_joints.begin(), m_joints.end(), byName);
		if (joint != m_joints.end())
		{
			jointsTable().remove(name);
			b2Joint* b2joint = joint->joint;
			m_joints.erase(joint);
			if (b2joint)
				m_scene.world().destroyJoint(b2joint);
		}
		auto link = std::find_if(m_timedLinks.begin(), m_timedLinks.end(), byName);
		if (link != m_timedLinks.end())
		{
			jointsTable().remove(name);
			m_timedLinks.erase(link);
		}
	});
}

void Joints::removeJointsFromObject(std::string const& name)
{
	m_scene.world().defer([this, name] { forgetObjectJoints(name); });
}

void Joints::forgetObjectJoints(std::string const& name)
{
	auto hasEnd = [&name](JointData const& entry) { return entry.end1 == name || entry.end2 == name; };
	lua::LuaTable joints;
	bool hasJoints = scriptvalues::table(m_core.objects, "joints", joints);
	std::vector<JointData> links;
	for (auto it = m_timedLinks.begin(); it != m_timedLinks.end();)
	{
		if (hasEnd(*it))
		{
			links.push_back(*it);
			it = m_timedLinks.erase(it);
		}
		else
			++it;
	}
	for (JointData const& link : links)
	{
		RenderObjectData* other = m_scene.findObject(link.end1 == name ? link.end2 : link.end1);
		if (!other)
			continue;
		lua::LuaTable description;
		float timer = hasJoints && scriptvalues::table(joints, link.name, description)
			? scriptvalues::number(description, "destroyTimer", 1.f) : 1.f;
		other->destroyPending = true;
		other->destroyTimer = timer;
	}
	std::vector<b2Joint*> destroyed;
	for (auto it = m_joints.begin(); it != m_joints.end();)
	{
		if (hasEnd(*it))
		{
			if (it->joint)
				destroyed.push_back(it->joint);
			if (hasJoints)
				joints.remove(it->name);
			it = m_joints.erase(it);
		}
		else
			++it;
	}
	for (b2Joint* joint : destroyed)
		m_scene.world().destroyJoint(joint);
}

void Joints::removeBreakableJointsFromObject(std::string const& name, float impact)
{
	lua::LuaTable joints;
	if (!scriptvalues::table(m_core.objects, "joints", joints))
		return;
	for (auto it = m_joints.begin(); it != m_joints.end();)
	{
		lua::LuaTable description;
		if (it->joint && (it->end1 == name || it->end2 == name) && scriptvalues::table(joints, it->name, description) &&
			scriptvalues::boolean(description, "breakable", false) && description.isNumber("breakForce") &&
			description.getNumber("breakForce") < impact)
		{
			m_brokenJoints.push_back(*it);
			joints.remove(it->name);
			it = m_joints.erase(it);
		}
		else
			++it;
	}
}

void Joints::destroyBrokenJoints()
{
	while (!m_brokenJoints.empty())
	{
		b2Joint* joint = m_brokenJoints.back().joint;
		m_brokenJoints.pop_back();
		if (joint)
			m_scene.world().destroyJoint(joint);
	}
}

void Joints::jointDestroyed(b2Joint* joint)
{
	if (!joint)
		return;
	m_brokenJoints.erase(std::remove(m_brokenJoints.begin(), m_brokenJoints.end(), joint), m_brokenJoints.end());
	for (JointData& entry : m_joints)
	{
		if (entry.joint == joint)
			entry.joint = nullptr;
	}
}

void Joints::publishJointAnchors()
{
	if (m_joints.empty())
		return;
	lua::LuaTable joints;
	if (!scriptvalues::table(m_core.objects, "joints", joints))
		return;
	for (JointData const& entry : m_joints)
	{
		lua::LuaTable description;
		if (!entry.joint || entry.coordType == 2 || !scriptvalues::table(joints, entry.name, description))
			continue;
		b2Vec2 a = entry.joint->GetAnchorA();
		b2Vec2 b = entry.joint->GetAnchorB();
		description.setNumber("x1", a.x);
		description.setNumber("y1", a.y);
		description.setNumber("x2", b.x);
		description.setNumber("y2", b.y);
	}
}

int Joints::setJointParameters(lua::LuaState* state)
{
	lua::LuaTable t = lua::LuaValue::readTable(state, 1);
	std::string name = scriptvalues::text(t, "name");
	auto entry = std::find_if(m_joints.begin(), m_joints.end(), [&name](JointData const& e) { return e.name == name; });
	if (entry == m_joints.end() || !entry->joint)
		return 0;
	b2Joint* joint = entry->joint;
	for (char const* key : {"frequency", "dampingRatio", "motorSpeed", "maxTorque", "lowerLimit", "upperLimit"})
	{
		if (t.isNumber(key) && !std::isfinite(t.getNumber(key)))
			throw lua::LuaException(lang::Format("setJointParameters: joint \"{0}\": {1} is {2}", name, key, numberText(t.getNumber(key))));
	}
	bool limits = isLimited(joint) && (t.isNumber("lowerLimit") || t.isNumber("upperLimit"));
	float lower = 0.f, upper = 0.f;
	if (limits)
	{
		lower = t.isNumber("lowerLimit") ? t.getNumber("lowerLimit") : lowerLimit(joint);
		upper = t.isNumber("upperLimit") ? t.getNumber("upperLimit") : upperLimit(joint);
		if (lower > upper)
			throw lua::LuaException(lang::Format("setJointParameters: joint \"{0}\": lower limit {1} is above upper limit {2}", name, lower, upper));
	}
	m_scene.world().defer([this, t, name, joint, limits, lower, upper] {
		auto it = std::find_if(m_joints.begin(), m_joints.end(), [joint](JointData const& e) { return e.joint == joint; });
		if (it == m_joints.end())
			return;
		lua::LuaTable joints, description;
		bool hasDescription = scriptvalues::table(m_core.objects, "joints", joints) && scriptvalues::table(joints, name, description);
		auto copyNumber = [&](char const* key) {
			if (hasDescription)
				description.setNumber(key, t.getNumber(key));
		};
		auto copyBoolean = [&](char const* key) {
			if (hasDescription)
				description.setBoolean(key, t.getBoolean(key));
		};
		if (joint->GetType() == e_distanceJoint)
		{
			if (t.isNumber("frequency"))
				it->frequency = t.getNumber("frequency");
			if (t.isNumber("dampingRatio"))
				it->dampingRatio = t.getNumber("dampingRatio");
			if (t.isNumber("frequency") || t.isNumber("dampingRatio"))
				m_scene.world().setDistanceSpring(joint, it->frequency, it->dampingRatio);
			for (char const* key : {"frequency", "dampingRatio"})
			{
				if (t.isNumber(key))
					copyNumber(key);
			}
			return;
		}
		if (!isLimited(joint))
			return;
		if (t.isBoolean("motor"))
		{
			m_scene.world().enableMotor(joint, t.getBoolean("motor"));
			copyBoolean("motor");
		}
		if (t.isNumber("motorSpeed"))
		{
			m_scene.world().setMotorSpeed(joint, t.getNumber("motorSpeed"));
			copyNumber("motorSpeed");
		}
		if (t.isNumber("maxTorque"))
		{
			m_scene.world().setMaxMotor(joint, t.getNumber("maxTorque"));
			copyNumber("maxTorque");
		}
		if (t.isBoolean("limit"))
		{
			m_scene.world().enableLimit(joint, t.getBoolean("limit"));
			copyBoolean("limit");
		}
		if (limits)
		{
			// One pair: a transient inversion would stop the library.
			m_scene.world().setLimits(joint, lower, upper);
			if (hasDescription)
			{
				description.setNumber("lowerLimit", lower);
				description.setNumber("upperLimit", upper);
			}
		}
	});
	return 0;
}

void Joints::setRevoluteJointSpeed(std::string const& name, float speed)
{
	if (!std::isfinite(speed))
		throw lua::LuaException(lang::Format("setRevoluteJointSpeed: joint \"{0}\": speed is {1}", name, numberText(speed)));
	m_scene.world().defer([this, name, speed] {
		for (JointData const& entry : m_joints)
		{
			if (entry.name == name && entry.joint && entry.joint->GetType() == e_revoluteJoint)
				m_scene.world().setMotorSpeed(entry.joint, speed);
		}
	});
}

void Joints::LinkSensor(std::string const&)
{
}

void Joints::checkJointLimits(std::string const& name)
{
	m_scene.world().defer([this, name] {
		for (JointData const& entry : m_joints)
		{
			if (entry.name != name || !entry.joint)
				continue;
			b2Joint* joint = entry.joint;
			if (joint->GetType() == e_revoluteJoint)
			{
				b2RevoluteJoint* revolute = static_cast<b2RevoluteJoint*>(joint);
				float speed = revolute->GetMotorSpeed();
				float angle = revolute->GetJointAngle();
				if (revolute->IsLimitEnabled() && revolute->IsMotorEnabled() &&
					((speed > 0.f && angle >= revolute->GetUpperLimit()) || (speed < 0.f && angle <= revolute->GetLowerLimit())))
					m_scene.world().setMotorSpeed(joint, -speed);
			}
			else if (joint->GetType() == e_prismaticJoint)
			{
				b2PrismaticJoint* prismatic = static_cast<b2PrismaticJoint*>(joint);
				float speed = prismatic->GetMotorSpeed();
				float translation = prismatic->GetJointTranslation();
				if ((prismatic->IsLimitEnabled() && prismatic->IsMotorEnabled() && speed > 0.f && translation >= prismatic->GetUpperLimit()) ||
					(speed < 0.f && translation <= prismatic->GetLowerLimit()))
					m_scene.world().setMotorSpeed(joint, -speed);
			}
		}
	});
}

} // namespace host
