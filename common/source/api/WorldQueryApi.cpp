// The host's world query rows: objects in a box or along a ray, and points
// between an object's frame and the world.
#include <api/WorldQueryApi.h>
#include <host/WorldQueries.h>
#include <lua/LuaObject.h>

namespace host
{

void registerWorldQueryApi(lua::LuaObject& host, WorldQueries& area)
{
	host.registerLuaMethod("getIntersectingObjects", &area, &WorldQueries::getIntersectingObjects);
	host.registerLuaMethod("getRayCastedObjects", &area, &WorldQueries::getRayCastedObjects);
	host.registerLuaMethod("getWorldPoint", &area, &WorldQueries::getWorldPoint);
	host.registerLuaMethod("getLocalPoint", &area, &WorldQueries::getLocalPoint);
}

} // namespace host
