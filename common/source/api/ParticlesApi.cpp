// The host's particle rows: drawing, menu updates, the menu scale and
// clearing of the scripts' particle object.
#include <api/ParticlesApi.h>
#include <host/ParticleEffects.h>
#include <lua/LuaObject.h>

namespace host
{

void registerParticlesApi(lua::LuaObject& host, ParticleEffects& area)
{
	host.registerMethod("drawParticlesNative", &area, &ParticleEffects::drawParticlesNative);
	host.registerMethod("drawMenuParticlesNative", &area, &ParticleEffects::drawMenuParticlesNative);
	host.registerMethod("updateMenuParticlesNative", &area, &ParticleEffects::updateMenuParticlesNative);
	host.registerMethod("setMenuParticlesScale", &area, &ParticleEffects::setMenuParticlesScale);
	host.registerMethod("clearParticlesNative", &area, &ParticleEffects::clearParticlesNative);
	host.registerMethod("enableInGameParticlesNative", &area, &ParticleEffects::enableInGameParticlesNative);
}

} // namespace host
