// The host's particle rows: drawing, menu updates, the menu scale and
// clearing of the scripts' particle object.
#include <api/ParticlesApi.h>
#include <host/HostParticles.h>
#include <lua/LuaObject.h>

void registerParticlesApi(lua::LuaObject& host, HostParticles& area)
{
	host.registerMethod("drawParticlesNative", &area, &HostParticles::drawParticlesNative);
	host.registerMethod("drawMenuParticlesNative", &area, &HostParticles::drawMenuParticlesNative);
	host.registerMethod("updateMenuParticlesNative", &area, &HostParticles::updateMenuParticlesNative);
	host.registerMethod("setMenuParticlesScale", &area, &HostParticles::setMenuParticlesScale);
	host.registerMethod("clearParticlesNative", &area, &HostParticles::clearParticlesNative);
	host.registerMethod("enableInGameParticlesNative", &area, &HostParticles::enableInGameParticlesNative);
}
