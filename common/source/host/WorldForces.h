#pragma once

#include <host/Core.h>
#include <map>
#include <string>

namespace lua
{
class LuaState;
}

namespace host
{

class SceneObjects;
struct RenderObjectData;
struct WorldSettings;

/**
 * The world's forces: switching the physics simulation on and off (the
 * physics-disabled counter with its requesters), the gravity, time and
 * scale factors, the per-object settings of gravity sensors, and the force
 * a sensor exerts on the objects inside it at each physics step.
 *
 * Main thread only.
 */
class WorldForces
{
public:
	/**
	 * Keeps the core, the shared world numbers and the scene (borrowed; they
	 * outlive the area). The empty requester starts as the one switch that
	 * holds the physics disabled (the counter's 1 of WorldSettings); no
	 * observable effect.
	 */
	WorldForces(Core const& core, WorldSettings& settings, SceneObjects& scene);

	WorldForces(WorldForces const&) = delete;
	WorldForces& operator=(WorldForces const&) = delete;

	/**
	 * Raw: (enabled [, requester]). The empty requester is one on/off switch
	 * (repeats do not stack); a named requester counts its calls.
	 * @exception lua::LuaException Type-check error for a non-boolean first or non-string second argument.
	 */
	int setPhysicsEnabled(lua::LuaState* state);
	/** True when the physics-disabled counter is 0. */
	bool isPhysicsEnabled();

	/**
	 * Gravity force multiplier, delta-time multiplier, physics simulation scale.
	 * @exception lua::LuaException A value that is not finite (the
	 *            delta-time multiplier also when negative; 0 pauses).
	 */
	void setGravityForceMultiplier(float multiplier);
	float getGravityForceMultiplier();
	void setDeltaTimeMultiplier(float multiplier);
	float getDeltaTimeMultiplier();
	void setPhysicsSimulationScale(float scale);
	/** The world's gravity; sleeping bodies stay asleep. @exception lua::LuaException Not finite. */
	void setWorldGravity(float x, float y);

	// Per-object settings of the gravity sensors; an unknown name logs
	// "Body name : %s" and changes nothing.
	/** @exception lua::LuaException A force that is not finite. */
	void setSensorMinimumAndMaximumForces(std::string const& name, float minForce, float maxForce);
	void setSensorGravityMask(std::string const& name, int mask);
	void setObjectGravityCategory(std::string const& name, int category);
	void setRecordVelocity(std::string const& name, bool record);
	void setRevertGravity(std::string const& name, bool revert);
	/** @exception lua::LuaException A multiplier or speed limit that is not finite. */
	void setRevertGravityWithMultiplier(std::string const& name, bool revert, float multiplier, float speedLimit);

	/**
	 * One physics step's force of sensor on object: toward a point sensor's
	 * centre or along a line sensor's local y axis, falling off linearly from
	 * the maximum at the centre to the minimum at the edge, times a tenth of
	 * the object's mass; flyers and reverting objects get their factors. Only
	 * a dynamic body is pushed (and woken). Nothing for a sensor of another
	 * type, a filtered pair, a point radius in (-1, 0], a line length <= 0, or
	 * a force that is not finite.
	 */
	void applySensorForceToObject(RenderObjectData* sensor, RenderObjectData* object);

	/**
	 * Frame step 7.3.2: every awake non-flyer object gets the forces of the
	 * sensors it is inside; a sensor whose body is gone leaves the object's
	 * list.
	 */
	void applySensorForces();

private:
	Core m_core;
	WorldSettings& m_settings;
	SceneObjects& m_scene;
	/** Calls of each requester of setPhysicsEnabled that hold the physics disabled. */
	std::map<std::string, int> m_physicsDisableOwners;
};

} // namespace host
