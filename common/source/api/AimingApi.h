#pragma once

namespace lua
{
class LuaObject;
}

namespace host
{

class Aiming;

/**
 * Binds the aiming rows (the flight prediction, the aiming stream's
 * controls and the recorded trails) into host, in their fixed order, to
 * area's members. Both borrowed: area must outlive host's use of the rows.
 */
void registerAimingApi(lua::LuaObject& host, Aiming& area);

} // namespace host
