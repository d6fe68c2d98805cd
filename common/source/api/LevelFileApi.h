#pragma once

namespace lua
{
class LuaObject;
}

namespace host
{

class Levels;
class SaveTables;

/**
 * Binds the level and save-file rows ("loadBlocksForEditing" ...
 * "loadLuaFile") of host to the members of levels and saves, in the
 * scripts' order. Both must outlive the host table's use of those rows.
 * Main thread only.
 */
void registerLevelFileApi(lua::LuaObject& host, Levels& levels, SaveTables& saves);

} // namespace host
