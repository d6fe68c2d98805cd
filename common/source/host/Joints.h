#pragma once

#include <host/Core.h>
#include <box2d/b2_math.h>
#include <string>
#include <vector>

class b2Joint;

namespace lua
{
class LuaState;
class LuaTable;
}

namespace host
{

class SceneObjects;

/** A joint between two objects: the Box2D joint (null for a timed link), names and anchor kind. */
struct JointData
{
	std::string name;
	std::string end1;
	std::string end2;
	b2Joint* joint = nullptr;
	int coordType = 0;
	/** Spring of a distance joint (frequency 0: rigid). */
	float frequency = 0.f;
	float dampingRatio = 0.f;

	bool operator==(b2Joint const* other) const { return joint == other; }
};

/**
 * The joints between scene objects: distance, weld, revolute and prismatic
 * joints, timed links that tie the lifetimes of two objects, breaking on
 * impacts, motors and limits. Each joint is described to the scripts by its
 * table in "joints" of the host's "objects" table; the Box2D joints live in
 * the scene's physics world. Every change of the world waits while the
 * world is busy (a step or a listener) and runs after its outermost
 * operation, in order (physics::PhysicsWorld::defer).
 *
 * Main thread only.
 */
class Joints
{
public:
	/**
	 * Empty lists over the core and the scene (both borrowed; they outlive
	 * the area); no observable effect.
	 */
	Joints(Core const& core, SceneObjects& scene);

	Joints(Joints const&) = delete;
	Joints& operator=(Joints const&) = delete;

	/**
	 * Raw: (description [, _, _, _, _, x1, y1, x2, y2]): creates the joint the
	 * table describes; coordType 1 distance joints take their world anchors
	 * from positions 6 to 9 (0 unless a number). Runs after the world's
	 * current operation when busy.
	 * @exception lua::LuaException "Joint bodies are not defined!" for a
	 *            missing end of types 1 to 4; an unknown type, equal ends,
	 *            inverted limits or a number that is not finite (naming the
	 *            joint). Nothing is stored then.
	 */
	int createJoint(lua::LuaState* state);
	/** Raw: (table of descriptions): createJoint for each value, in table order. */
	int createJoints(lua::LuaState* state);
	/** Destroys the first joint and the first timed link of that name. */
	void destroyJoint(std::string const& name);
	/**
	 * Raw: (table with "name"): changes a live joint's spring, motor or
	 * limits (each key present, also written to joints[name]); lower and
	 * upper limits are applied together.
	 * @exception lua::LuaException A number that is not finite or an inverted pair of limits.
	 */
	int setJointParameters(lua::LuaState* state);
	/** Removes the object's joints; the other end of each timed link runs down its destroyTimer. */
	void removeJointsFromObject(std::string const& name);
	/** Motor speed of every revolute joint of that name. @exception lua::LuaException Not finite. */
	void setRevoluteJointSpeed(std::string const& name, float speed);
	/** Moves the object's breakable joints whose breakForce is below impact to the broken list. */
	void removeBreakableJointsFromObject(std::string const& name, float impact);
	/** No effect. */
	void LinkSensor(std::string const& name);
	/** Reverses the motor of the named joints at their limits. */
	void checkJointLimits(std::string const& name);

	/** Joints of types 1 to 4, timed links, and joints broken by impacts awaiting destruction. */
	std::vector<JointData> const& joints() const { return m_joints; }
	std::vector<JointData> const& timedLinks() const { return m_timedLinks; }
	std::vector<JointData> const& brokenJoints() const { return m_brokenJoints; }

	/** Empties the three lists (the scene's records are gone; the world keeps or drops the Box2D joints). */
	void clear();

	/**
	 * A joint is destroyed with one of its bodies: it leaves the broken-joint
	 * list and the joint list's entries forget it (their "joints" entries stay
	 * for removeObject). A null joint is ignored.
	 */
	void jointDestroyed(b2Joint* joint);

	/** Frame step 10: joints[name] gets the anchors of every joint whose coordType is not 2. */
	void publishJointAnchors();
	/** Frame step 15: destroys the joints broken during the frame's steps. */
	void destroyBrokenJoints();
	/** removeObject's joint part: timed links start their other end's timer; joints leave the lists. */
	void forgetObjectJoints(std::string const& name);

private:
	Core m_core;
	SceneObjects& m_scene;
	std::vector<JointData> m_joints;
	std::vector<JointData> m_timedLinks;
	std::vector<JointData> m_brokenJoints;

	/** Creates the described joint (the world must not be busy). */
	void createJointNow(lua::LuaTable const& description, b2Vec2 const& worldA, b2Vec2 const& worldB);
	/** The cross links in world[end1] and world[end2] (ends whose entry is not a table are skipped). */
	void linkObjects(std::string const& end1, std::string const& end2);
	/** The table objects.joints, made when missing or not a table. */
	lua::LuaTable jointsTable();
};

} // namespace host
