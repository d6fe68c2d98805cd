#pragma once

#include <host/Core.h>
#include <lang/Ptr.h>
#include <math/float2.h>
#include <string>
#include <vector>

class b2Body;

namespace host
{

class AimStream;
class SceneObjects;
class WorldForces;
struct RenderObjectData;
struct WorldSettings;

/** One recorded trail: its points (world coordinates), an optional puff and their sprites. */
struct TrajectoryData
{
	std::vector<math::float2> points;
	bool hasPuff = false;
	float puffX = 0.f;
	float puffY = 0.f;
	std::string normalTrailSprite;
	std::string specialTrailSprite;
};

/**
 * The aiming aid: the flight prediction of "FlyerSimulation" handed to the
 * aiming stream (owned here), the stream's script controls and the two
 * recorded trails of the flyers.
 *
 * Main thread only.
 */
class Aiming
{
public:
	/** Two trails are kept: the one being recorded and the previous one. */
	static constexpr int NumTrajectories = 2;

	/**
	 * Keeps the core, the scene, the settings and the world forces (the
	 * aiming sensors' pull; all borrowed, they outlive the area); makes the
	 * aiming stream. No trail yet
	 * (clearTrajectories makes the two); touches no table.
	 */
	Aiming(Core const& core, SceneObjects& scene, WorldSettings& settings, WorldForces& forces);
	~Aiming();

	Aiming(Aiming const&) = delete;
	Aiming& operator=(Aiming const&) = delete;

	/**
	 * Predicts the flight of "FlyerSimulation" (free flight under gravity
	 * and the aiming sensors it overlaps), appends every sampler-th position
	 * to the simulation trajectory and hands that to the aiming stream.
	 * Nothing while the physics is disabled, for a step that is not finite
	 * and positive, or without that object's body (logged); a step whose
	 * result is not finite ends the prediction with the points so far and
	 * the body as it was before that step. A sampler below 1 counts as 1.
	 */
	void updateFlyerTrajectoryTable();
	void ClearSimulationTrajectory() { m_simulationTrajectory.clear(); }
	void populateAimingAid();
	/** Records the named object's body (logged when unknown); each prediction clears it. */
	void setSelectedFlyerDuringSimulation(std::string const& name);
	void enableAimingAid(bool enabled) { m_aimingAidEnabled = enabled; }
	/** The prediction's length in seconds: the level's simulationIterations x the base step (0 before any level). */
	float getAimingTime();
	/** Thins the stream from the flyer's end and stops spawning. */
	void clearAimingAid(float fraction);
	/** @exception lua::LuaException An empty name; the old name stays. */
	void setAimingAidSprite(std::string const& name);
	/** Switches to the other trail and empties it. */
	void startNewTrajectory();
	/** Appends x, y to the current trail (a is not used). */
	void addToTrajectory(float a, float x, float y);
	/** Sets the current trail's puff (a is not used). */
	void addPuffToTrajectory(float a, float x, float y);
	void setNormalTrailSprite(std::string const& name);
	void setSpecialTrailSprite(std::string const& name);
	/** Draws both trails at their world places: sets the 2D translation (-left, -top) and scale (world scale) itself. */
	void drawTrajectories();
	/** Draws the stream when it is ready, then switches its spawning to the aiming-aid flag. */
	void drawSimulationTrajectory();
	/** Two empty trails, the first one current. */
	void clearTrajectories();
	/**
	 * A level's simulation settings took effect: two empty trails, the
	 * stream's spawn interval and speed from the settings, the stream off
	 * and not spawning.
	 */
	void startLevel();

	AimStream& aimStream() { return *m_aimStream; }
	std::vector<math::float2> const& simulationTrajectory() const { return m_simulationTrajectory; }
	std::vector<TrajectoryData> const& trajectories() const { return m_trajectories; }
	int currentTrajectoryIndex() const { return m_currentTrajectoryIndex; }
	bool aimingAidEnabled() const { return m_aimingAidEnabled; }
	b2Body* selectedFlyerBody() const { return m_selectedFlyerBody; }

private:
	Core m_core;
	SceneObjects& m_scene;
	WorldSettings& m_settings;
	WorldForces& m_forces;
	std::vector<math::float2> m_simulationTrajectory;
	bool m_aimingAidEnabled;
	lang::Ptr<AimStream> m_aimStream;
	b2Body* m_selectedFlyerBody;
	std::vector<TrajectoryData> m_trajectories;
	int m_currentTrajectoryIndex;

	/** The base step of the prediction: objects.currentTimeStep when a number, else 1/35. */
	float aimingBaseStep();
	/** The current trail. */
	TrajectoryData& getCurrentTrajectory();
};

} // namespace host
