// The host's particle rows: drawing, menu updates, the menu scale and
// clearing of the scripts' particle object.
#include <GameLua.h>
#include <Particles.h>

void GameLua::registerParticlesApi()
{
	registerMethod("drawParticlesNative", this, &GameLua::drawParticlesNative);
	registerMethod("drawMenuParticlesNative", this, &GameLua::drawMenuParticlesNative);
	registerMethod("updateMenuParticlesNative", this, &GameLua::updateMenuParticlesNative);
	registerMethod("setMenuParticlesScale", this, &GameLua::setMenuParticlesScale);
	registerMethod("clearParticlesNative", this, &GameLua::clearParticlesNative);
	registerMethod("enableInGameParticlesNative", this, &GameLua::enableInGameParticlesNative);
}

void GameLua::drawParticlesNative()
{
	if (m_inGameParticles)
		m_particles->draw(m_context, true, false);
}

void GameLua::drawMenuParticlesNative()
{
	m_particles->draw(m_context, false, false);
}

void GameLua::updateMenuParticlesNative(float dt)
{
	m_particles->update(dt, false, m_context);
}

void GameLua::setMenuParticlesScale(float scale)
{
	m_particles->setMenuScale(scale);
}

void GameLua::clearParticlesNative()
{
	m_particles->clearAll();
}
