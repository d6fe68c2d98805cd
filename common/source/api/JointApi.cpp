// The Lua face of the joints: creation, destruction, parameters, motors,
// limits and breaking, bound to the host's Joints.
#include <api/JointApi.h>
#include <host/Joints.h>
#include <lua/LuaObject.h>

namespace host
{

void registerJointApi(lua::LuaObject& host, Joints& joints)
{
	host.registerLuaMethod("createJoint", &joints, &Joints::createJoint);
	host.registerLuaMethod("createJoints", &joints, &Joints::createJoints);
	host.registerMethod("destroyJoint", &joints, &Joints::destroyJoint);
	host.registerLuaMethod("setJointParameters", &joints, &Joints::setJointParameters);
	host.registerMethod("removeJointsFromObject", &joints, &Joints::removeJointsFromObject);
	host.registerMethod("setRevoluteJointSpeed", &joints, &Joints::setRevoluteJointSpeed);
	host.registerMethod("removeBreakableJointsFromObject", &joints, &Joints::removeBreakableJointsFromObject);
	host.registerMethod("linkSensor", &joints, &Joints::LinkSensor);
	host.registerMethod("checkJointLimits", &joints, &Joints::checkJointLimits);
}

} // namespace host
