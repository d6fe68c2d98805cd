// The Lua face of the scene objects: creation, the vertex list, removal,
// the object setters and getters, texture and sprite, bound to the host's
// SceneObjects and the setters.
#include <api/SceneObjectApi.h>
#include <host/ObjectSetters.h>
#include <host/SceneObjects.h>
#include <lua/LuaObject.h>

namespace host
{

void registerSceneObjectApi(lua::LuaObject& host, SceneObjects& scene, ObjectSetters& setters)
{
	host.registerMethod("createBox", &scene, &SceneObjects::createBox);
	host.registerMethod("createCircle", &scene, &SceneObjects::createCircle);
	host.registerMethod("createPolygon", &scene, &SceneObjects::createPolygon);
	host.registerMethod("createLineShape", &scene, &SceneObjects::createLineShape);
	host.registerMethod("clearVertices", &scene, &SceneObjects::clearVertices);
	host.registerMethod("addVertex", &scene, &SceneObjects::addVertex);
	host.registerMethod("removeObject", &scene, &SceneObjects::removeObject);
	host.registerMethod("applyImpulse", &setters, &ObjectSetters::applyImpulse);
	host.registerMethod("applyForceNative", &setters, &ObjectSetters::applyForce);
	host.registerMethod("setPosition", &setters, &ObjectSetters::setPosition);
	host.registerMethod("setRotation", &setters, &ObjectSetters::setRotation);
	host.registerMethod("setSpriteRotation", &setters, &ObjectSetters::setSpriteRotation);
	host.registerMethod("setDecorationObjects", &setters, &ObjectSetters::setDecorationObjects);
	host.registerMethod("setPivotOffset", &setters, &ObjectSetters::setPivotOffset);
	host.registerMethod("setScale", &setters, &ObjectSetters::setScale);
	host.registerMethod("setVelocity", &setters, &ObjectSetters::setVelocity);
	host.registerMethod("setAngularVelocity", &setters, &ObjectSetters::setAngularVelocity);
	host.registerMethod("getAngularVelocity", &setters, &ObjectSetters::getAngularVelocity);
	host.registerMethod("getVelocity", &setters, &ObjectSetters::getVelocity);
	host.registerLuaMethod("getLinearVelocity", &setters, &ObjectSetters::getLinearVelocity);
	host.registerMethod("setFixedRotation", &setters, &ObjectSetters::setFixedRotationForBody);
	host.registerMethod("setAngularDamping", &setters, &ObjectSetters::setAngularDampingForBody);
	host.registerMethod("setLinearDamping", &setters, &ObjectSetters::setLinearDampingForBody);
	host.registerMethod("setAsSensor", &setters, &ObjectSetters::setAsSensor);
	host.registerMethod("multiplyVelocity", &setters, &ObjectSetters::multiplyVelocity);
	host.registerMethod("setVisible", &setters, &ObjectSetters::setVisible);
	host.registerMethod("setMaterial", &setters, &ObjectSetters::setMaterial);
	host.registerMethod("setTextureScale", &setters, &ObjectSetters::setTextureScale);
	host.registerMethod("setTexture", &setters, &ObjectSetters::setTexture);
	host.registerMethod("setSleeping", &setters, &ObjectSetters::setSleeping);
	host.registerMethod("setActive", &setters, &ObjectSetters::setActive);
	host.registerMethod("setObjectParameter", &setters, &ObjectSetters::setObjectParameter);
	host.registerMethod("setCollisionEnabled", &setters, &ObjectSetters::setCollisionEnabled);
	host.registerMethod("setLevelLimits", &scene, &SceneObjects::setLevelLimits);
	host.registerMethod("getAngle", &setters, &ObjectSetters::getAngle);
	host.registerMethod("setSprite", &setters, &ObjectSetters::setSprite);
}

} // namespace host
