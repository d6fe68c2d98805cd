#pragma once

#include <host/Core.h>
#include <string>

class b2Contact;
class b2Fixture;

namespace lua
{
class LuaTable;
}

namespace host
{

class Joints;
class SceneObjects;
struct WorldSettings;

/**
 * The rules of the scene objects' contacts: which objects touch, the sensor
 * callbacks, impacts and damage of flyers and blocks, the score, hit wobble,
 * broken joints, and leaving sensors and killing volumes. The host's Box2D
 * contact listener and filter forward here.
 *
 * The contact callbacks run inside the physics step: script tables are
 * read raw with defaults, nothing is created or destroyed, and what
 * scripts ask for waits in the physics world's queue.
 *
 * Main thread only.
 */
class ContactRules
{
public:
	/**
	 * Keeps the core, the scene, the joints (an impact breaks breakable
	 * joints) and the settings, all borrowed (they outlive the area); no
	 * observable effect.
	 */
	ContactRules(Core const& core, SceneObjects& scene, Joints& joints, WorldSettings const& settings);

	ContactRules(ContactRules const&) = delete;
	ContactRules& operator=(ContactRules const&) = delete;

	/** Which scene objects touch (flyers, killing volumes, disabled collision, immovable objects). */
	bool shouldCollide(b2Fixture* fixtureA, b2Fixture* fixtureB) const;

	/**
	 * Sensor callbacks, impacts and damage of flyers and blocks, the score,
	 * hit wobble and broken joints; calls "enterCollision", "flyerCollision"
	 * and "blockCollision". Script tables are read raw; missing or mistyped
	 * values count as their defaults. Nothing while a level loads; only the
	 * sensor step while editing.
	 */
	void beginContact(b2Contact* contact);

	/** Wakes both bodies; for a sensor calls "exitCollision" and lets both sides leave. */
	void endContact(b2Contact* contact);

	/**
	 * The sensor side of a beginning contact: 1 when fixture is a sensor of
	 * an object of type 5, 6 or 7 and the other object does not ignore
	 * killing volumes, else 0. A gravity sensor (type 2) or listing sensor
	 * (type 3) enters the other object's sensors list and wakes its body; a
	 * type 4 sensor touched by a non-sensor fixture starts its destruction.
	 */
	int checkSensorContact(b2Fixture* fixture, b2Fixture* other);

	/** Puts table into the host table's "deadBlocks" under name (logged when no level has made that table). */
	void handToDeadBlocks(std::string const& name, lua::LuaTable const& table);

private:
	Core m_core;
	SceneObjects& m_scene;
	Joints& m_joints;
	WorldSettings const& m_settings;

	/** A side of a sensor contact that ends. */
	void sensorEndContact(b2Fixture* sensor, b2Fixture* other);
};

} // namespace host
