// The Lua face of the scene objects: creation, the vertex list, removal,
// the object setters and getters, texture and sprite, bound to the host's
// SceneObjects and the setters.
#include <api/SceneObjectApi.h>
#include <GameLua.h>
#include <host/SceneObjects.h>
#include <lua/LuaObject.h>

void registerSceneObjectApi(lua::LuaObject& host, SceneObjects& scene, GameLua& setters)
{
	host.registerMethod("createBox", &scene, &SceneObjects::createBoxLua);
	host.registerMethod("createCircle", &scene, &SceneObjects::createCircleLua);
	host.registerMethod("createPolygon", &scene, &SceneObjects::createPolygonLua);
	host.registerMethod("createLineShape", &scene, &SceneObjects::createLineShapeLua);
	host.registerMethod("clearVertices", &scene, &SceneObjects::clearVertices);
	host.registerMethod("addVertex", &scene, &SceneObjects::addVertex);
	host.registerMethod("removeObject", &scene, &SceneObjects::removeObject);
	host.registerMethod("applyImpulse", &setters, &GameLua::applyImpulse);
	host.registerMethod("applyForceNative", &setters, &GameLua::applyForce);
	host.registerMethod("setPosition", &setters, &GameLua::setPosition);
	host.registerMethod("setRotation", &setters, &GameLua::setRotation);
	host.registerMethod("setSpriteRotation", &setters, &GameLua::setSpriteRotation);
	host.registerMethod("setDecorationObjects", &setters, &GameLua::setDecorationObjects);
	host.registerMethod("setPivotOffset", &setters, &GameLua::setPivotOffset);
	host.registerMethod("setScale", &setters, &GameLua::setScale);
	host.registerMethod("setVelocity", &setters, &GameLua::setVelocity);
	host.registerMethod("setAngularVelocity", &setters, &GameLua::setAngularVelocity);
	host.registerMethod("getAngularVelocity", &setters, &GameLua::getAngularVelocity);
	host.registerMethod("getVelocity", &setters, &GameLua::getVelocity);
	host.registerLuaMethod("getLinearVelocity", &setters, &GameLua::getLinearVelocity);
	host.registerMethod("setFixedRotation", &setters, &GameLua::setFixedRotationForBody);
	host.registerMethod("setAngularDamping", &setters, &GameLua::setAngularDampingForBody);
	host.registerMethod("setLinearDamping", &setters, &GameLua::setLinearDampingForBody);
	host.registerMethod("setAsSensor", &setters, &GameLua::setAsSensor);
	host.registerMethod("multiplyVelocity", &setters, &GameLua::multiplyVelocity);
	host.registerMethod("setVisible", &setters, &GameLua::setVisible);
	host.registerMethod("setMaterial", &setters, &GameLua::setMaterial);
	host.registerMethod("setTextureScale", &setters, &GameLua::setTextureScale);
	host.registerMethod("setTexture", &scene, &SceneObjects::setTexture);
	host.registerMethod("setSleeping", &setters, &GameLua::setSleeping);
	host.registerMethod("setActive", &setters, &GameLua::setActive);
	host.registerMethod("setObjectParameter", &setters, &GameLua::setObjectParameter);
	host.registerMethod("setCollisionEnabled", &setters, &GameLua::setCollisionEnabled);
	host.registerMethod("setLevelLimits", &setters, &GameLua::setLevelLimits);
	host.registerMethod("getAngle", &setters, &GameLua::getAngle);
	host.registerMethod("setSprite", &scene, &SceneObjects::setSprite);
}
