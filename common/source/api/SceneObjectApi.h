#pragma once

namespace lua
{
class LuaObject;
}

namespace host
{

class ObjectSetters;
class SceneObjects;

/**
 * Binds the scene-object rows (creation of the four shape kinds, the vertex
 * list, removal, the object setters and getters, the level limits, the
 * texture and the sprite) of host to scene's and setters' members, in the
 * scripts' order. Both must outlive the host table's use of those rows.
 * Main thread only.
 */
void registerSceneObjectApi(lua::LuaObject& host, SceneObjects& scene, ObjectSetters& setters);

} // namespace host
