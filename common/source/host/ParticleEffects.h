#pragma once

#include <host/Core.h>
#include <lang/Ptr.h>

namespace host
{

class Particles;

/**
 * The host's particles: it owns the scripts' particle object "particles"
 * and gates its in-game drawing. The frame advances the particles in world
 * movement; the menus draw and advance them in menu placement.
 *
 * Main thread only.
 */
class ParticleEffects
{
public:
	/** Keeps the core (borrowed; it outlives the area). Makes no particle object yet and touches no table. */
	explicit ParticleEffects(Core const& core);
	~ParticleEffects();

	ParticleEffects(ParticleEffects const&) = delete;
	ParticleEffects& operator=(ParticleEffects const&) = delete;

	/**
	 * Makes the particle object: it registers its script functions and
	 * stores itself under "particles" in the state's globals; then it is
	 * stored under "particles" in the host table. Called once.
	 */
	void open();

	/** The scripts' particle object "particles"; open must have run. */
	Particles& object() { return *m_particles; }

	/** When in-game particles are enabled: draws the foreground particles in the world. */
	void drawParticlesNative();
	/** Draws the foreground particles in menu placement. */
	void drawMenuParticlesNative();
	/** Advances the particles in menu movement. */
	void updateMenuParticlesNative(float dt);
	/** @exception lua::LuaException Unless 0 < scale < 100; the old scale stays. */
	void setMenuParticlesScale(float scale);
	/** Removes every live particle and gravity sensor. */
	void clearParticlesNative();
	/** Gates the world drawing (drawParticlesNative and the scene's passes) only (true from the start). */
	void enableInGameParticlesNative(bool enabled) { m_inGameParticles = enabled; }
	bool inGameParticlesEnabled() const { return m_inGameParticles; }

	/** When in-game particles are enabled: draws the particles whose background flag equals background in the world. */
	void drawInWorld(bool background);
	/** Advances the particles in world movement (the frame's step). */
	void updateInWorld(float dt);

private:
	Core m_core;
	lang::Ptr<Particles> m_particles;
	bool m_inGameParticles;
};

} // namespace host
