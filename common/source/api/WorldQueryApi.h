#pragma once

namespace lua
{
class LuaObject;
}

namespace host
{

class WorldQueries;

/**
 * Binds the world query rows (objects in a box or along a ray, points
 * between an object's frame and the world) into host, in their fixed order,
 * to area's members. Both borrowed: area must outlive host's use of the rows.
 */
void registerWorldQueryApi(lua::LuaObject& host, WorldQueries& area);

} // namespace host
