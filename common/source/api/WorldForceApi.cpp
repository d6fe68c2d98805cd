// World forces: switching the physics simulation on and off, the world's
// gravity, time and scale factors, and the per-object settings of gravity
// sensors.
#include <api/WorldForceApi.h>
#include <host/WorldForces.h>
#include <lua/LuaObject.h>

namespace host
{

void registerWorldForceApi(lua::LuaObject& host, WorldForces& area)
{
	host.registerLuaMethod("setPhysicsEnabled", &area, &WorldForces::setPhysicsEnabled);
	host.registerMethod("isPhysicsEnabled", &area, &WorldForces::isPhysicsEnabled);
	host.registerMethod("setGravityForceMultiplier", &area, &WorldForces::setGravityForceMultiplier);
	host.registerMethod("getGravityForceMultiplier", &area, &WorldForces::getGravityForceMultiplier);
	host.registerMethod("setDeltaTimeMultiplier", &area, &WorldForces::setDeltaTimeMultiplier);
	host.registerMethod("getDeltaTimeMultiplier", &area, &WorldForces::getDeltaTimeMultiplier);
	host.registerMethod("setSensorMinimumAndMaximumForces", &area, &WorldForces::setSensorMinimumAndMaximumForces);
	host.registerMethod("setSensorGravityMask", &area, &WorldForces::setSensorGravityMask);
	host.registerMethod("setObjectGravityCategory", &area, &WorldForces::setObjectGravityCategory);
	host.registerMethod("setWorldGravity", &area, &WorldForces::setWorldGravity);
	host.registerMethod("setPhysicsSimulationScale", &area, &WorldForces::setPhysicsSimulationScale);
	host.registerMethod("setRecordVelocity", &area, &WorldForces::setRecordVelocity);
	host.registerMethod("setRevertGravity", &area, &WorldForces::setRevertGravity);
	host.registerMethod("setRevertGravityWithMultiplier", &area, &WorldForces::setRevertGravityWithMultiplier);
}

} // namespace host
