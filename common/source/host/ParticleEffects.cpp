#include <host/ParticleEffects.h>
#include <host/Particles.h>
#include <lua/LuaObject.h>

namespace host
{

ParticleEffects::ParticleEffects(Core const& core) :
	m_core(core),
	m_inGameParticles(true)
{
}

ParticleEffects::~ParticleEffects() = default;

void ParticleEffects::open()
{
	m_particles = new Particles(m_core.table.getLuaState(), m_core, "particles");
	m_core.table.setTable("particles", *m_particles);
}

void ParticleEffects::drawParticlesNative()
{
	drawInWorld(false);
}

void ParticleEffects::drawMenuParticlesNative()
{
	m_particles->draw(m_core.context, false, false);
}

void ParticleEffects::updateMenuParticlesNative(float dt)
{
	m_particles->update(dt, false, m_core.context);
}

void ParticleEffects::setMenuParticlesScale(float scale)
{
	m_particles->setMenuScale(scale);
}

void ParticleEffects::clearParticlesNative()
{
	m_particles->clearAll();
}

void ParticleEffects::drawInWorld(bool background)
{
	if (m_inGameParticles)
		m_particles->draw(m_core.context, true, background);
}

void ParticleEffects::updateInWorld(float dt)
{
	m_particles->update(dt, true, m_core.context);
}

} // namespace host
