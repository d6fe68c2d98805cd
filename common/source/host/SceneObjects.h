#pragma once

#include <SheetGroups.h>
#include <host/HostCore.h>
#include <box2d/b2_math.h>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

class b2Body;
class b2ContactFilter;
class b2ContactListener;
class b2DestructionListener;
struct RenderObjectData;

namespace lua
{
class LuaTable;
}

namespace physics
{
class PhysicsWorld;
}

/**
 * The scene's objects: the physics world and the registry of named object
 * records (with the views of it the frame keeps: inactive, tracked and
 * aiming-sensor objects, the draw lists), the scripts' vertex list for
 * polygons and lines, and the level limits.
 *
 * The records are owned here; the world owns the bodies. What other areas
 * keep about objects (joints) is cleared through the hook set with
 * setClearedHook.
 *
 * Main thread only.
 */
class SceneObjects
{
public:
	/**
	 * An empty registry without a world (resetPhysicsWorld makes the first);
	 * no observable effect. The three listeners (not owned; they must
	 * outlive the scene) sit behind every world it makes.
	 */
	SceneObjects(HostCore const& core, b2ContactListener* contacts, b2ContactFilter* filter,
		b2DestructionListener* destructions);

	/** Deletes every record, then the world with its bodies. */
	~SceneObjects();

	/**
	 * Replaces the physics world: removes every object record (registries,
	 * draw lists and the old world with its bodies), then makes a new world
	 * with gravity and allowSleep behind which the host's three listeners
	 * sit.
	 * @exception lang::Exception For a non-finite gravity, or while the world is busy (nothing changes).
	 */
	void resetPhysicsWorld(b2Vec2 const& gravity, bool allowSleep);

	/** The hook clearObjects calls after emptying the registries (the joints' lists); none by default. */
	void setClearedHook(std::function<void()> cleared) { m_cleared = std::move(cleared); }

	/** Deletes every record and empties the registries (bodies are left to the world), then calls the cleared hook. */
	void clearObjects();

	/** The physics world; there is one once resetPhysicsWorld has run. */
	physics::PhysicsWorld& world() { return *m_world; }

	/** The body of the named object; logs "Body name : %s" and gives null for an unknown name. */
	b2Body* getBody(std::string const& name) const;

	/** The record of the named object, or null (no log). */
	RenderObjectData* findObject(std::string const& name) const;

	/** The record of name, or null after logging "Body name : %s". */
	RenderObjectData* objectOrLog(std::string const& name) const;

	/** The records in name order, rebuilt when the registry changed (markOrderDirty). */
	std::vector<RenderObjectData*> const& objectOrder();

	/** True while objectOrder() must be rebuilt. */
	bool orderDirty() const { return m_orderDirty; }

	/** Tells the scene that records joined or left renderObjects(). */
	void markOrderDirty() { m_orderDirty = true; }

	/** Every live object by name (the order every per-object pass visits them); owns the records. */
	std::map<std::string, RenderObjectData*>& renderObjects() { return m_renderObjects; }
	std::map<std::string, RenderObjectData*> const& renderObjects() const { return m_renderObjects; }

	/** The objects' draw lists: layer to sprite sheet (null without sprite) to names. */
	std::map<int, SheetGroups>& drawLists() { return m_drawLists; }
	std::map<int, SheetGroups> const& drawLists() const { return m_drawLists; }

	/** Records with object parameter 32 (sensors of the aiming prediction). */
	std::vector<RenderObjectData*>& aimSensors() { return m_aimSensors; }
	std::vector<RenderObjectData*> const& aimSensors() const { return m_aimSensors; }

	/** Boxes and circles created inactive, and tracked objects (parameter 1). */
	std::map<std::string, RenderObjectData*>& inactiveObjects() { return m_inactiveObjects; }
	std::map<std::string, RenderObjectData*> const& inactiveObjects() const { return m_inactiveObjects; }
	std::map<std::string, RenderObjectData*>& trackedObjects() { return m_trackedObjects; }
	std::map<std::string, RenderObjectData*> const& trackedObjects() const { return m_trackedObjects; }

	/** The scripts' vertex list (addVertex) for the next polygon, line or compound. */
	std::vector<b2Vec2>& vertices() { return m_vertices; }

	/** The table objects.world, made when missing. @exception lua::LuaException When it is not a table. */
	lua::LuaTable worldTable();

	/** Level limits (setLevelLimits): left, top, right, bottom; 0 at start. */
	int levelLeft() const { return m_levelLeft; }
	int levelTop() const { return m_levelTop; }
	int levelRight() const { return m_levelRight; }
	int levelBottom() const { return m_levelBottom; }

	/** Sets the level limits, each truncated and saturated. */
	void setLevelLimits(float minX, float minY, float maxX, float maxY);

private:
	HostCore m_core;
	b2ContactListener* m_contacts;
	b2ContactFilter* m_filter;
	b2DestructionListener* m_destructions;
	std::function<void()> m_cleared;
	std::unique_ptr<physics::PhysicsWorld> m_world;
	std::map<std::string, RenderObjectData*> m_renderObjects;
	/** m_renderObjects' records in name order, for the per-frame passes; rebuilt after a change. */
	std::vector<RenderObjectData*> m_objectOrder;
	bool m_orderDirty;
	std::map<std::string, RenderObjectData*> m_inactiveObjects;
	std::map<std::string, RenderObjectData*> m_trackedObjects;
	std::vector<RenderObjectData*> m_aimSensors;
	std::map<int, SheetGroups> m_drawLists;
	std::vector<b2Vec2> m_vertices;
	int m_levelLeft;
	int m_levelRight;
	int m_levelTop;
	int m_levelBottom;

	SceneObjects(SceneObjects const&) = delete;
	SceneObjects& operator=(SceneObjects const&) = delete;
};
