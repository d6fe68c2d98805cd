// The aiming rows: the flight prediction of "FlyerSimulation", the aiming
// stream's controls and the two recorded trails.
#include <api/AimingApi.h>
#include <host/Aiming.h>
#include <lua/LuaObject.h>

namespace host
{

void registerAimingApi(lua::LuaObject& host, Aiming& area)
{
	host.registerMethod("updateFlyerTrajectoryTable", &area, &Aiming::updateFlyerTrajectoryTable);
	host.registerMethod("ClearSimulationTrajectory", &area, &Aiming::ClearSimulationTrajectory);
	host.registerMethod("populateAimingAid", &area, &Aiming::populateAimingAid);
	host.registerMethod("setSelectedFlyerDuringSimulation", &area, &Aiming::setSelectedFlyerDuringSimulation);
	host.registerMethod("enableAimingAid", &area, &Aiming::enableAimingAid);
	host.registerMethod("getAimingTime", &area, &Aiming::getAimingTime);
	host.registerMethod("clearAimingAid", &area, &Aiming::clearAimingAid);
	host.registerMethod("setAimingAidSprite", &area, &Aiming::setAimingAidSprite);
	host.registerMethod("startNewTrajectory", &area, &Aiming::startNewTrajectory);
	host.registerMethod("addToTrajectory", &area, &Aiming::addToTrajectory);
	host.registerMethod("addPuffToTrajectory", &area, &Aiming::addPuffToTrajectory);
	host.registerMethod("setNormalTrailSprite", &area, &Aiming::setNormalTrailSprite);
	host.registerMethod("setSpecialTrailSprite", &area, &Aiming::setSpecialTrailSprite);
}

} // namespace host
