#include <host/Particles.h>
#include <DrawPlacement.h>
#include <game/Anchor.h>
#include <game/Resources.h>
#include <host/View.h>
#include <host/SheetsSearched.h>
#include <gr/Context.h>
#include <gr/RenderState2D.h>
#include <lang/Debug.h>
#include <lang/Format.h>
#include <lua/LuaException.h>
#include <lua/LuaState.h>
#include <math/RandomUtil.h>
#include <climits>
#include <cmath>

namespace host
{

namespace
{

float const DEGREES_TO_RADIANS = 0.017453292f;

game::Anchor const PIVOT(game::Anchor::VPIVOT, game::Anchor::HPIVOT);

/** The number under key, or fallback when the key holds no number. */
float number(lua::LuaTable const& table, char const* key, float fallback = 0.f)
{
	return table.isNumber(key) ? table.getNumber(key) : fallback;
}

/** The flag under key, false when the key holds no boolean. */
bool flag(lua::LuaTable const& table, char const* key)
{
	return table.isBoolean(key) && table.getBoolean(key);
}

/** lo + (hi - lo) * r. */
float between(float lo, float hi, double r)
{
	return lo + (hi - lo) * static_cast<float>(r);
}

} // namespace

struct Particles::Overrides
{
	bool scales = false;
	float scaleBegin = 0.f, scaleEnd = 0.f;
	bool properties = false;
	float minVel = 0.f, maxVel = 0.f, minAngleEmitter = 0.f, maxAngleEmitter = 0.f;
};

Particles::Particles(lua::LuaState* state, Core const& core, std::string const& name) :
	lua::LuaObject(state),
	m_core(core),
	m_menuScale(1.f),
	m_random(&math::RandomUtil::random)
{
	registerMethod("addParticles", this, &Particles::addParticles);
	registerMethod("addParticlesWithScale", this, &Particles::addParticlesWithScale);
	registerMethod("addParticlesWithProperties", this, &Particles::addParticlesWithProperties);
	registerMethod("addGravitySensor", this, &Particles::addGravitySensor);
	state->globals().setTable(name, *this);
}

Particles::~Particles() = default;

Particles::ParticleSystemData* Particles::definition(std::string const& key) const
{
	auto it = m_cache.find(key);
	return it == m_cache.end() ? nullptr : it->second.ptr();
}

Particles::ParticleSystemData& Particles::lookUp(std::string const& key, std::string const& name, Overrides const& overrides)
{
	if (ParticleSystemData* cached = definition(key))
		return *cached;
	// Built aside and cached only once complete: a missing table raises here.
	lua::LuaTable table = m_core.table.getTable("particleTable").getTable("particles").getTable(name);
	lang::Ptr<ParticleSystemData> d = new ParticleSystemData();
	d->name = key;
	d->ignoreLimits = flag(table, "ignoreLimits");
	if (d->ignoreLimits)
		lang::Debug::debug("**** particles: ignoreLimits = true\n");
	else if (overrides.properties)
		lang::Debug::debug("**** particles: ignoreLimits = false\n");
	d->useAngleFromSpawner = flag(table, "useAngleFromSpawner");
	d->background = flag(table, "background");
	d->gravityX = number(table, "gravityX");
	d->gravityY = number(table, "gravityY");
	if (overrides.properties)
	{
		d->minVel = overrides.minVel;
		d->maxVel = overrides.maxVel;
		d->minAngleEmitter = overrides.minAngleEmitter;
		d->maxAngleEmitter = overrides.maxAngleEmitter;
	}
	else
	{
		d->minVel = number(table, "minVel");
		d->maxVel = number(table, "maxVel");
		d->minAngleEmitter = number(table, "minAngleEmitter") * DEGREES_TO_RADIANS;
		d->maxAngleEmitter = number(table, "maxAngleEmitter") * DEGREES_TO_RADIANS;
	}
	d->minAngleVel = number(table, "minAngleVel");
	d->maxAngleVel = number(table, "maxAngleVel");
	if (overrides.scales)
	{
		d->minScaleBegin = d->maxScaleBegin = overrides.scaleBegin;
		d->minScaleEnd = d->maxScaleEnd = overrides.scaleEnd;
	}
	else
	{
		d->minScaleBegin = number(table, "minScaleBegin");
		d->maxScaleBegin = number(table, "maxScaleBegin");
		d->minScaleEnd = number(table, "minScaleEnd");
		d->maxScaleEnd = number(table, "maxScaleEnd");
	}
	d->minAngle = number(table, "minAngle") * DEGREES_TO_RADIANS;
	d->maxAngle = number(table, "maxAngle") * DEGREES_TO_RADIANS;
	d->lifeTime = number(table, "lifeTime");
	d->emitAreaScaleX = number(table, "emitAreaScaleX", 1.f);
	d->emitAreaScaleY = number(table, "emitAreaScaleY", 1.f);
	d->lifeTimeAnimation = table.isString("animation") && table.getString("animation") == "lifeTime";
	if (table.isTable("sprites"))
	{
		lua::LuaTable sprites = table.getTable("sprites");
		for (int i = 1; sprites.isString(i); ++i)
			d->sprites.push_back(sprites.getString(i));
	}
	ParticleSystemData& stored = *d;
	m_cache[key] = d;
	return stored;
}

float Particles::limited(float count) const
{
	float const live = static_cast<float>(m_particles.size());
	if (live + count > SOFT_LIMIT)
		count *= 0.5f;
	if (live + count > HARD_LIMIT)
		count = HARD_LIMIT - live;
	return count;
}

void Particles::addParticles(std::string const& name, float count, float x, float y, float width, float height, float angle)
{
	ParticleSystemData& system = lookUp(name, name, Overrides());
	spawn(system, count, x, y, width, height, angle);
}

void Particles::addParticlesWithScale(std::string const& name, float count, float x, float y, float width, float height,
	float angle, float scaleBegin, float scaleEnd)
{
	Overrides overrides;
	overrides.scales = true;
	overrides.scaleBegin = scaleBegin;
	overrides.scaleEnd = scaleEnd;
	ParticleSystemData& system = lookUp(name, name, overrides);
	system.minScaleBegin = system.maxScaleBegin = scaleBegin;
	system.minScaleEnd = system.maxScaleEnd = scaleEnd;
	spawn(system, count, x, y, width, height, angle);
}

void Particles::addParticlesWithProperties(std::string const& name, float count, float x, float y, float width,
	float height, float minVel, float maxVel, float minAngleEmitter, float maxAngleEmitter, float angle, std::string const& suffix)
{
	count = limited(count);
	Overrides overrides;
	overrides.properties = true;
	overrides.minVel = minVel;
	overrides.maxVel = maxVel;
	overrides.minAngleEmitter = minAngleEmitter;
	overrides.maxAngleEmitter = maxAngleEmitter;
	ParticleSystemData& system = lookUp(name + suffix, name, overrides);
	spawn(system, count, x, y, width, height, angle);
}

void Particles::addGravitySensor(float x, float y, float strength, bool point, float radius, float spare, float dirX, float dirY)
{
	m_sensors.push_back(GravitySensorData{x, y, strength, point, radius, spare, dirX, dirY});
}

void Particles::spawn(ParticleSystemData& system, float count, float x0, float y0, float width, float height, float angle)
{
	if (!system.ignoreLimits)
		count = limited(count);
	// The loop index is an int: a count it cannot reach (not finite, or past
	// INT_MAX) would never end the loop, so it spawns nothing.
	if (!(count > 0.f) || !(count < static_cast<float>(INT_MAX)))
		return;
	// Index 0 of an empty list does not exist: nothing to spawn.
	if (system.sprites.empty())
		return;
	float const c = std::cos(angle);
	float const s = std::sin(angle);
	for (int i = 0; static_cast<float>(i) < count; ++i)
	{
		ParticleData p;
		float const ox = (static_cast<float>(m_random()) - 0.5f) * width * system.emitAreaScaleX;
		float const oy = (static_cast<float>(m_random()) - 0.5f) * height * system.emitAreaScaleY;
		p.x = x0 + ox * c - oy * s;
		p.y = y0 + ox * s + oy * c;
		float a = between(system.minAngleEmitter, system.maxAngleEmitter, m_random());
		if (system.useAngleFromSpawner)
			a += angle;
		float const v = between(system.minVel, system.maxVel, m_random());
		p.vx = v * std::cos(a);
		p.vy = v * std::sin(a);
		p.rotation = between(system.minAngle, system.maxAngle, m_random());
		if (system.useAngleFromSpawner)
			p.rotation += angle;
		p.angularVelocity = between(system.minAngleVel, system.maxAngleVel, m_random());
		p.scaleBegin = between(system.minScaleBegin, system.maxScaleBegin, m_random());
		p.scaleEnd = between(system.minScaleEnd, system.maxScaleEnd, m_random());
		p.scale = p.scaleBegin;
		p.age = 0.f;
		p.lifeTime = system.lifeTime;
		p.frame = 1;
		p.lifeTimeAnimation = system.lifeTimeAnimation;
		p.background = system.background;
		p.system = &system;
		p.systemName = system.name;
		size_t index = 0;
		if (!system.lifeTimeAnimation)
		{
			double const r9 = m_random();
			double const picked = std::floor(r9 * static_cast<double>(system.sprites.size()));
			if (picked >= 0.0 && picked < static_cast<double>(system.sprites.size()))
				index = static_cast<size_t>(picked);
		}
		setSprite(p, system.sprites[index]);
		m_particles.push_back(std::move(p));
	}
}

void Particles::setSprite(ParticleData& particle, std::string const& name)
{
	particle.spriteName = name;
	particle.sprite = m_core.resources->getSprite(name);
	if (!particle.sprite && m_missingSprites.insert({particle.systemName, name}).second)
		lang::Debug::printf("Particle sprite \"%s\" of %s is missing: no sprite sheet holds it (%s); its particles are not drawn\n",
			name.c_str(), particle.systemName.c_str(), sheetsSearched(*m_core.resources).c_str());
}

void Particles::update(float dt, bool inGame, gr::Context* context)
{
	float const f = inGame ? 1.f : static_cast<float>(context->height()) / 768.f;
	size_t kept = 0;
	for (size_t i = 0; i < m_particles.size(); ++i)
	{
		ParticleData& p = m_particles[i];
		p.age += dt;
		// A lifetime at or below 0, or NaN, ends at the first update.
		if (!(p.age <= p.lifeTime) || !(p.lifeTime > 0.f))
			continue;
		ParticleSystemData const& system = *p.system;
		p.vx += system.gravityX * dt;
		p.vy += system.gravityY * dt;
		bool removed = false;
		for (GravitySensorData const& sensor : m_sensors)
		{
			if (!sensor.point)
			{
				p.vx += sensor.dirX * sensor.strength * dt;
				p.vy += sensor.dirY * sensor.strength * dt;
				continue;
			}
			float dx = sensor.x - p.x;
			float dy = sensor.y - p.y;
			float const d = std::sqrt(dx * dx + dy * dy);
			if (d >= sensor.radius)
				continue;
			if (d < std::sqrt(p.vx * p.vx + p.vy * p.vy) * 0.5f)
			{
				removed = true;
				break;
			}
			if (d >= 1.1920929e-7f)
			{
				dx /= d;
				dy /= d;
			}
			p.vx += dx * sensor.strength * dt;
			p.vy += dy * sensor.strength * dt;
		}
		if (removed)
			continue;
		p.x += p.vx * dt * f;
		p.y += p.vy * dt * f;
		p.rotation += p.angularVelocity * dt;
		float const t = p.age / p.lifeTime;
		p.scale = p.scaleBegin + (p.scaleEnd - p.scaleBegin) * t;
		if (p.lifeTimeAnimation && !system.sprites.empty())
		{
			int const n = static_cast<int>(system.sprites.size());
			float const k0 = std::ceil(static_cast<float>(n) * t);
			int const k = k0 >= static_cast<float>(n) ? n : (k0 <= 1.f ? 1 : static_cast<int>(k0));
			if (k != p.frame)
			{
				setSprite(p, system.sprites[static_cast<size_t>(k - 1)]);
				p.frame = k;
			}
		}
		if (kept != i)
			m_particles[kept] = std::move(p);
		++kept;
	}
	m_particles.resize(kept);
}

void Particles::draw(gr::Context* context, bool inGame, bool background)
{
	gr::RenderState2D& state = context->getRenderState2D();
	float const left = m_core.view.topLeftX();
	float const top = m_core.view.topLeftY();
	float const worldScale = m_core.view.worldScale();
	for (ParticleData const& p : m_particles)
	{
		if (p.background != background)
			continue;
		if (!p.sprite)
			continue; // reported once when the particle was given its sprite
		float const s = inGame ? p.scale : p.scale * m_menuScale;
		if (!draw::divisor(s))
			continue;
		draw::setAngle(state, p.rotation);
		state.pivot = math::float2(static_cast<float>(p.sprite->getPivotX()), static_cast<float>(p.sprite->getPivotY()));
		if (inGame)
		{
			state.scale = math::float2(s * worldScale, s * worldScale);
			state.translation = math::float2(-left / s, -top / s);
		}
		else
		{
			state.scale = math::float2(s, s);
			state.translation = math::float2(0.f, 0.f);
		}
		float const x = p.x / s;
		float const y = p.y / s;
		if (draw::placeable(state, x, y))
			p.sprite->draw(context, x, y, PIVOT);
	}
	state.clipRect = gr::Rect(-32000, -32000, 32000, 32000);
	state.scale = math::float2(1.f, 1.f);
	state.translation = math::float2(0.f, 0.f);
	draw::setAngle(state, 0.f);
	state.transform = math::float4x4(1.f);
}

void Particles::setMenuScale(float scale)
{
	if (!(scale > 0.f && scale < 100.f))
		throw lua::LuaException(lang::Format("setMenuParticlesScale: the scale must lie between 0 and 100 (got {0})", scale));
	m_menuScale = scale;
}

void Particles::clearAll()
{
	m_particles.clear();
	m_sensors.clear();
}

void Particles::clearParticleCache()
{
	m_cache.clear();
}

} // namespace host
