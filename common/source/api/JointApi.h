#pragma once

namespace lua
{
class LuaObject;
}

namespace host
{

class Joints;

/**
 * Binds the joint rows (creation, destruction, parameters, motors, limits,
 * breaking) of host to joints' members, in their fixed order. joints must
 * outlive the host table's use of those rows. Main thread only.
 */
void registerJointApi(lua::LuaObject& host, Joints& joints);

} // namespace host
