// The host's compound rows: compound bodies from description tables and the
// older pending compound list.
#include <api/CompoundBodyApi.h>
#include <host/Compounds.h>
#include <lua/LuaObject.h>

namespace host
{

void registerCompoundBodyApi(lua::LuaObject& host, Compounds& area)
{
	host.registerLuaMethod("createCompoundBodyFromTable", &area, &Compounds::createCompoundBodyFromTable);
	host.registerMethod("clearShapesArray", &area, &Compounds::clearShapesArray);
	host.registerMethod("addBoxToCompoundList", &area, &Compounds::addBoxToCompoundList);
	host.registerMethod("addPolygonToCompoundList", &area, &Compounds::addPolygonToCompoundList);
	host.registerMethod("addLineToCompoundList", &area, &Compounds::addLineToCompoundList);
	host.registerMethod("addCircleToCompoundList", &area, &Compounds::addCircleToCompoundList);
	host.registerMethod("setCompoundShapeLinearDamping", &area, &Compounds::setCompoundShapeLinearDamping);
	host.registerMethod("setCompoundShapeParameter", &area, &Compounds::setCompoundShapeParameter);
	host.registerMethod("finalizeCompoundObject", &area, &Compounds::createCompoundObject);
}

} // namespace host
