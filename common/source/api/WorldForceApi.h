#pragma once

namespace lua
{
class LuaObject;
}

namespace host
{

class WorldForces;

/**
 * Binds the world-force rows (the physics switch, the gravity, time and
 * scale factors, the sensors' per-object settings) into host, in their
 * fixed order, to area's members. Both borrowed: area must outlive host's
 * use of the rows.
 */
void registerWorldForceApi(lua::LuaObject& host, WorldForces& area);

} // namespace host
