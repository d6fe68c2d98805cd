#include <host/HostParticles.h>
#include <host/Particles.h>
#include <lua/LuaObject.h>

HostParticles::HostParticles(HostCore const& core) :
	m_core(core),
	m_inGameParticles(true)
{
}

HostParticles::~HostParticles() = default;

void HostParticles::open()
{
	m_particles = new Particles(m_core.table.getLuaState(), m_core, "particles");
	m_core.table.setTable("particles", *m_particles);
}

void HostParticles::drawParticlesNative()
{
	drawInWorld(false);
}

void HostParticles::drawMenuParticlesNative()
{
	m_particles->draw(m_core.context, false, false);
}

void HostParticles::updateMenuParticlesNative(float dt)
{
	m_particles->update(dt, false, m_core.context);
}

void HostParticles::setMenuParticlesScale(float scale)
{
	m_particles->setMenuScale(scale);
}

void HostParticles::clearParticlesNative()
{
	m_particles->clearAll();
}

void HostParticles::drawInWorld(bool background)
{
	if (m_inGameParticles)
		m_particles->draw(m_core.context, true, background);
}

void HostParticles::updateInWorld(float dt)
{
	m_particles->update(dt, true, m_core.context);
}
