#pragma once

namespace host
{

/** The level's simulation settings, from "worldAttributes" (0 for a missing value). */
struct SimulationSettings
{
	int iterations = 0;
	float timeStepMultiplier = 0.f;
	int storePointsSampler = 0;
	float aimSpawnTime = 0.f;
	float aimSpeed = 0.f;
};

/**
 * The numbers and flags of the world that several areas of the host share:
 * the scripts and the level loader set them, the frame, the physics step,
 * the contacts and the aiming prediction read them.
 *
 * Main thread only.
 */
struct WorldSettings
{
	/** Frame time multiplier of the scripts; 0 pauses. */
	float deltaTimeMultiplier = 1.f;
	/** The gravity force multiplier; set by the level loader and the scripts. */
	float gravityForceMultiplier = 4.f;
	/** Physics-disabled counter; the world runs only at 0. 1 until the scripts enable it. */
	int physicsDisabled = 1;
	/** The simulation settings of the loaded level. */
	SimulationSettings simulation;
	/** Set only while a level loads: contacts then have no effect. */
	bool loadingLevel = false;
	/** Editing mode: contacts only run their sensor step. */
	bool editing = false;
};

} // namespace host
