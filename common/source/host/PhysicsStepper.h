#pragma once

#include <host/Core.h>
#include <string>

namespace lua
{
class LuaTable;
}

namespace host
{

class ContactRules;
class SceneObjects;
class WorldForces;

/**
 * The frame's physics: fixed steps from the time accumulator, interpolated
 * poses between the last two steps' snapshots, destruction timers, the pass
 * that writes every awake object's state into its table, and the rolling
 * sounds that pass measures.
 *
 * Main thread only.
 */
class PhysicsStepper
{
public:
	/**
	 * Keeps the core, the scene, the world forces and the contact rules
	 * (destroyed objects go to the dead blocks through them; all borrowed,
	 * they outlive the stepper). Nothing to simulate, no rolling
	 * level, no clip started; no observable effect.
	 */
	PhysicsStepper(Core const& core, SceneObjects& scene, WorldForces& forces, ContactRules& contacts);

	PhysicsStepper(PhysicsStepper const&) = delete;
	PhysicsStepper& operator=(PhysicsStepper const&) = delete;

	/**
	 * Frame step 7: adds dt to the accumulator and runs the fixed steps it
	 * holds (at most a frame's limit; the time beyond is dropped), each with
	 * the scripts' "applyForcesAtPhysicsStep", the sensor forces and
	 * "removeBlocks"; then "clearLuaForceFunctions", the interpolated poses
	 * and the destruction timers (an object whose timer runs out is handed to
	 * the dead blocks). micros grows by the time spent in the world's steps.
	 * @exception lang::Throwable From the script calls.
	 */
	void stepPhysics(float dt, long long& micros);

	/**
	 * Frame step 9: writes awake objects' state and the moving and awake
	 * flags, runs "selectObjectAnimation" for animated objects and measures
	 * the rolling levels.
	 * @exception lang::Throwable From the script calls.
	 */
	void objectPass(float dt);

	/** The rolling levels of a frame without physics: all 0. */
	void clearRollingLevels();

	/**
	 * Frame step 11: each material's looping rolling clip on track 2
	 * follows its level (started, its volume set, or stopped by name at 0).
	 * Nothing happens without an audio output.
	 */
	void playRollingSounds();

	/** Unprocessed simulation time in seconds. */
	float accumulator() const { return m_accumulator; }

	/** Rolling sound level of the frame for material 1 (wood), 2 (rock) or 3 (light); 0 otherwise. */
	float rollingLevel(int material) const;

	/**
	 * Play id of the rolling clip of material 1 (wood), 2 (rock) or 3
	 * (light) from its last start; -1 before any start and for other
	 * materials.
	 */
	int rollingClip(int material) const;

private:
	Core m_core;
	SceneObjects& m_scene;
	WorldForces& m_forces;
	ContactRules& m_contacts;
	float m_accumulator = 0.f;
	/** The snapshot of the last step; the other one is the step before. */
	int m_snapshotIndex = 0;
	float m_rollingLevel[3] = {0.f, 0.f, 0.f};
	int m_rollingClip[3] = {-1, -1, -1};
};

} // namespace host
