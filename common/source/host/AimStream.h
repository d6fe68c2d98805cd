#pragma once

#include <host/Core.h>
#include <lang/Object.h>
#include <math/float2.h>
#include <string>
#include <vector>

namespace host
{

/**
 * The aiming stream: small sprites travelling along a Catmull-Rom curve
 * through the predicted flight points, shrinking toward its end and
 * respawned at its start. Positions count spline segments from the start;
 * the length L is the number of stream points - 3. Main thread only.
 */
class AimStream : public lang::Object
{
public:
	/** The curve kind; only STREAM_SPLINE is updated and drawn. */
	enum STREAMTYPE
	{
		STREAM_NONE = -1,
		STREAM_SPLINE = 0,
	};

	/** One sprite of the stream: position in segments from the start, angle in radians, scale. */
	struct StreamParticle
	{
		float position;
		float angle;
		float scale;
	};

	/** @param core The host's core (its parts borrowed; context and resources not null): view corner, world and physics scales. */
	explicit AimStream(Core const& core);
	~AimStream() override;

	/**
	 * Takes the curve through points (the end points doubled) and updates
	 * by 0; with 3 points or fewer logs and changes nothing.
	 */
	void setStream(std::vector<math::float2> const& points, STREAMTYPE type);
	/**
	 * Moves, rescales and turns every particle, removes those past the end
	 * and spawns while spawning is on. With a spawn interval or speed that
	 * is not finite and positive the stream holds no particles; one update
	 * inserts at most populateStream's count + 1; a dt that is not finite
	 * does nothing.
	 */
	void update(float dt);
	/** Draws every particle at its curve point with the stream sprite (logged when none is set). */
	void draw();
	/** Refills the stream with evenly spaced particles (none for a bad interval or speed). */
	void populateStream();
	/** Removes the front particles whose position / L is below fraction. */
	void clearParticlesFromStream(float fraction);
	/** The sprite of every particle. */
	void setStreamSprite(std::string const& name) { m_sprite = name; }
	/** Switching from off to on fills the stream first. */
	void setSpawningEnabled(bool enabled);
	/** Empties particles and points and stops spawning. */
	void disableStream();
	/** More than 3 stream points. */
	bool isStreamReady() const { return m_points.size() > 3; }

	void setSpawnInterval(float interval) { m_spawnInterval = interval; }
	void setSpeed(float speed) { m_speed = speed; }
	void setSpawnCountdown(float countdown) { m_countdown = countdown; }
	float spawnInterval() const { return m_spawnInterval; }
	float speed() const { return m_speed; }
	float spawnCountdown() const { return m_countdown; }
	bool spawning() const { return m_spawning; }
	std::string const& sprite() const { return m_sprite; }
	std::vector<math::float2> const& points() const { return m_points; }
	std::vector<StreamParticle>& particles() { return m_particles; }
	/** The curve point at position (segments from the start); position must lie in [0, L). */
	math::float2 curvePoint(float position) const;

private:
	Core m_core;
	float m_width;
	STREAMTYPE m_type;
	std::vector<math::float2> m_points;
	float m_spawnInterval;
	float m_countdown;
	float m_speed;
	float m_spinRate;
	bool m_spawning;
	std::string m_sprite;
	std::vector<StreamParticle> m_particles;

	/** L: the number of spline segments. */
	float length() const { return static_cast<float>(m_points.size()) - 3.f; }
	/** Interval and speed are finite and positive. */
	bool moving() const;
	/** populateStream's count. */
	int fillCount() const;
};

} // namespace host
