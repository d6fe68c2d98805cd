#pragma once

#include <game/Sprite.h>
#include <host/Core.h>
#include <lang/Object.h>
#include <lang/Ptr.h>
#include <lua/LuaObject.h>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace gr
{
class Context;
}

namespace host
{

/**
 * The game's sprite particles, the scripts' object "particles": bursts
 * spawned by name from the definitions in particleTable.particles, gravity
 * sensors that pull or push them, and the per-frame ageing, movement and
 * drawing of every live particle. Main thread only.
 */
class Particles : public lua::LuaObject
{
public:
	/** Soft and hard limits of live particles for a spawn. */
	static constexpr float SOFT_LIMIT = 60.f;
	static constexpr float HARD_LIMIT = 225.f;

	/** One cached definition; particles hold it by counted reference, so a cache clear leaves them valid. */
	struct ParticleSystemData : public lang::Object
	{
		std::string name;
		std::vector<std::string> sprites;
		bool lifeTimeAnimation = false;
		bool background = false;
		float minVel = 0.f, maxVel = 0.f;
		bool useAngleFromSpawner = false;
		float minAngleVel = 0.f, maxAngleVel = 0.f;
		float minScaleBegin = 0.f, maxScaleBegin = 0.f, minScaleEnd = 0.f, maxScaleEnd = 0.f;
		float lifeTime = 0.f;
		float gravityX = 0.f, gravityY = 0.f;
		float minAngleEmitter = 0.f, maxAngleEmitter = 0.f;
		float minAngle = 0.f, maxAngle = 0.f;
		bool ignoreLimits = false;
		float emitAreaScaleX = 1.f, emitAreaScaleY = 1.f;
	};

	/** One live particle; its sprite (which keeps its image) and definition are counted references. */
	struct ParticleData
	{
		std::string systemName;
		std::string spriteName;
		float x = 0.f, y = 0.f, vx = 0.f, vy = 0.f;
		float rotation = 0.f, angularVelocity = 0.f;
		float scaleBegin = 0.f, scaleEnd = 0.f, scale = 0.f;
		lang::Ptr<game::Sprite> sprite;
		float age = 0.f, lifeTime = 0.f;
		int frame = 1;
		lang::Ptr<ParticleSystemData> system;
		bool lifeTimeAnimation = false, background = false;
	};

	/** One gravity sensor: a pull toward a point within a radius, or a constant push along dirX, dirY. */
	struct GravitySensorData
	{
		float x, y, strength;
		bool point;
		float radius, spare, dirX, dirY;
	};

	/** Numbers in [0, 1) drawn for the spawns. */
	using RandomSource = std::function<double()>;

	/**
	 * Registers the four script functions on the object and stores it in
	 * the state's globals under name.
	 * @param core The host's core (its parts borrowed; resources not null):
	 * the view's world scale and corner, particleTable in the host table,
	 * the sprite look-ups.
	 */
	Particles(lua::LuaState* state, Core const& core, std::string const& name);
	~Particles() override;

	/**
	 * Spawns a burst of the definition name around x, y within width x
	 * height turned by angle (radians).
	 * @exception lua::LuaException The definition is not in particleTable.particles (nothing cached).
	 */
	void addParticles(std::string const& name, float count, float x, float y, float width, float height, float angle);
	/** As addParticles, with the definition's begin and end scales set to scaleBegin and scaleEnd for this and later spawns. */
	void addParticlesWithScale(std::string const& name, float count, float x, float y, float width, float height,
		float angle, float scaleBegin, float scaleEnd);
	/**
	 * As addParticles, under the key name + suffix whose definition takes
	 * its speeds and emitter angles (radians) from the arguments of the call
	 * that builds it; the count is limited first even under ignoreLimits.
	 */
	void addParticlesWithProperties(std::string const& name, float count, float x, float y, float width, float height,
		float minVel, float maxVel, float minAngleEmitter, float maxAngleEmitter, float angle, std::string const& suffix);
	/** Appends a gravity sensor; sensors stay until clearAll. */
	void addGravitySensor(float x, float y, float strength, bool point, float radius, float spare, float dirX, float dirY);

	/**
	 * One frame: ages, moves and removes particles in one stable pass.
	 * @param inGame False scales the movement by the context height / 768.
	 */
	void update(float dt, bool inGame, gr::Context* context);
	/**
	 * Draws the particles whose background flag equals background, then
	 * resets the context's 2D transform. A particle without sprite (logged
	 * in the world drawing) or with a zero or non-finite scale is skipped.
	 */
	void draw(gr::Context* context, bool inGame, bool background);
	/**
	 * The scale of the menu drawing.
	 * @exception lua::LuaException Unless 0 < scale < 100; the old scale stays.
	 */
	void setMenuScale(float scale);
	/** Removes every live particle and gravity sensor (definitions stay). */
	void clearAll();
	/** Forgets every cached definition (live particles keep theirs). */
	void clearParticleCache();

	/** Replaces the random source (tests); the default is math::RandomUtil::random. */
	void setRandomSource(RandomSource source) { m_random = std::move(source); }

	std::vector<ParticleData> const& particles() const { return m_particles; }
	std::vector<GravitySensorData> const& gravitySensors() const { return m_sensors; }
	/** The cached definition of key, or null. */
	ParticleSystemData* definition(std::string const& key) const;
	float menuScale() const { return m_menuScale; }

private:
	Core m_core;
	float m_menuScale;
	std::vector<ParticleData> m_particles;
	std::map<std::string, lang::Ptr<ParticleSystemData>> m_cache;
	std::vector<GravitySensorData> m_sensors;
	RandomSource m_random;
	/** The definitions' sprite names that no sheet held, each reported once: key, sprite. */
	std::set<std::pair<std::string, std::string>> m_missingSprites;

	/** How a definition is built when it is not cached yet. */
	struct Overrides;

	/** The cached definition of key, built from particleTable.particles[name] when missing. */
	ParticleSystemData& lookUp(std::string const& key, std::string const& name, Overrides const& overrides);
	/** Halves a count that passes the soft limit and cuts it at the hard limit. */
	float limited(float count) const;
	/** Spawns count particles of the definition. */
	void spawn(ParticleSystemData& system, float count, float x, float y, float width, float height, float angle);
	/**
	 * Sets the particle's sprite to name k (1-based) of its definition. A
	 * name that no sheet holds leaves the particle without one (not drawn),
	 * reported once per definition and name with the sheets searched.
	 */
	void setSprite(ParticleData& particle, std::string const& name);
};

} // namespace host
