// Shipped Lua files, levels and saves: the rows of the scripts' file
// functions.
#include <api/LevelFileApi.h>
#include <host/Levels.h>
#include <host/SaveTables.h>
#include <lua/LuaObject.h>

namespace host
{

void registerLevelFileApi(lua::LuaObject& host, Levels& levels, SaveTables& saves)
{
	host.registerMethod("loadBlocksForEditing", &levels, &Levels::loadBlocksForEditing);
	host.registerMethod("loadLevel", &levels, &Levels::loadLevel);
	host.registerMethod("loadPreviousLevel", &levels, &Levels::loadPreviousLevel);
	host.registerMethod("saveLevel", &levels, &Levels::saveLevel);
	host.registerMethod("saveLevelForReload", &levels, &Levels::saveLevelForReload);
	host.registerMethod("saveLuaFile", &saves, &SaveTables::saveLuaFile);
	host.registerMethod("savePersistentLuaFile", &saves, &SaveTables::savePersistentLuaFile);
	host.registerMethod("storePersistentData", &saves, &SaveTables::storePersistentData);
	host.registerMethod("createDirectory", &saves, &SaveTables::createDirectory);
	host.registerMethod("checkDirectory", &saves, &SaveTables::checkDirectory);
	host.registerMethod("checkForLuaFile", &levels, &Levels::checkForLuaFile);
	host.registerMethod("onLoadLuaFileFail", &levels, &Levels::onLoadLuaFileFail);
	host.registerLuaMethod("loadLuaFileToObject", &levels, &Levels::loadLuaFileToObject);
	host.registerMethod("loadLuaFile", &levels, &Levels::loadLuaFile);
}

} // namespace host
