#pragma once

namespace lua
{
class LuaState;
}

namespace host
{

class SceneObjects;

/**
 * Questions the scripts ask of the physics world: which objects lie in a box
 * or along a ray, and where a point lies in an object's frame or the world.
 * Nothing changes in the world.
 *
 * Main thread only.
 */
class WorldQueries
{
public:
	/** Asks scene's world (borrowed; it must outlive the area). No observable effect. */
	explicit WorldQueries(SceneObjects& scene);

	WorldQueries(WorldQueries const&) = delete;
	WorldQueries& operator=(WorldQueries const&) = delete;

	/**
	 * Raw: ({x, y, left, right, down, up}) -> names of the bodies whose
	 * proxies overlap the box (missing fields read 0).
	 * @exception lua::LuaException The type-check error for a non-table; a box that is not finite.
	 */
	int getIntersectingObjects(lua::LuaState* state);
	/**
	 * Raw: ({x1, y1, x2, y2}) -> name, x, y, normal x, normal y, fraction per hit.
	 * @exception lua::LuaException The type-check error for a non-table; a ray that is not finite.
	 */
	int getRayCastedObjects(lua::LuaState* state);
	/** Raw: (name, x, y) -> the local point in world coordinates; the point itself for an unknown name (logged). */
	int getWorldPoint(lua::LuaState* state);
	/** Raw: (name, x, y) -> the world point in the object's frame; the point itself for an unknown name (logged). */
	int getLocalPoint(lua::LuaState* state);

private:
	SceneObjects& m_scene;
};

} // namespace host
