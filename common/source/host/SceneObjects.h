#pragma once

#include <SheetGroups.h>
#include <host/Core.h>
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

namespace game
{
class CompoSprite;
class Sprite;
class SpriteSheet;
}

namespace lua
{
class LuaTable;
}

namespace physics
{
class PhysicsWorld;
}

namespace host
{

struct RenderObjectData;

/**
 * The scene's objects: the physics world and the registry of named object
 * records (with the views of it the frame keeps: inactive, tracked and
 * aiming-sensor objects, the draw lists), the scripts' vertex list for
 * polygons and lines, and the level limits; the creation of the four shape
 * kinds, removal, an object's look, and the block table.
 *
 * The records are owned here; the world owns the bodies. What other areas
 * keep about objects (joints) is cleared through the hook set with
 * setClearedHook and forgotten per object through setRemovedHook.
 *
 * A missing name logs (where noted "Body name : %s") and changes nothing.
 * Numbers bound for the physics world must be finite (else
 * lua::LuaException "<function>: <what> of "<name>" is <value>").
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
	SceneObjects(Core const& core, b2ContactListener* contacts, b2ContactFilter* filter, b2DestructionListener* destructions);

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

	/** The hook removeObjectNow calls with the name after the record is gone (the object's joints); none by default. */
	void setRemovedHook(std::function<void(std::string const&)> removed) { m_removed = std::move(removed); }

	/** Deletes every record and empties the registries (bodies are left to the world), then calls the cleared hook. */
	void clearObjects();

	/**
	 * Enters a new object (owned from now on; its name, table, body and look
	 * set) into the scene, in this order: entries[name] := its table, the
	 * registry, the body's user data and, when drawn, the end of the draw
	 * list of its layer (z_order) and draw key. A live object of the name
	 * must have been removed first.
	 */
	void registerObject(lua::LuaTable& entries, RenderObjectData* object, bool drawn);

	/** Box of width x height around (x, y); static at density 0 or 100. */
	void createBox(std::string const& name, std::string const& sprite, float x, float y, float width, float height,
		float density, float friction, float restitution, bool collisionEnabled, bool inactive, float z_order);
	/** Circle of radius at (x, y); static at density 0. */
	void createCircle(std::string const& name, std::string const& sprite, float x, float y, float radius,
		float density, float friction, float restitution, bool collisionEnabled, bool inactive, float z_order);
	/** Convex polygon of the 3 to 8 points of addVertex (a concave outline becomes its hull, logged). */
	void createPolygon(std::string const& name, std::string const& sprite, float x, float y, float width, float height,
		float density, float friction, float restitution, bool collisionEnabled, bool inactive, float z_order);
	/** Chain of edges between consecutive points of addVertex. */
	void createLineShape(std::string const& name, std::string const& sprite, float x, float y, float width, float height,
		float density, float friction, float restitution, bool collisionEnabled, bool inactive, float z_order);
	void clearVertices();
	/** @exception lua::LuaException A point that is not finite. */
	void addVertex(float x, float y);

	/** Removes the object with its body from every registry, draw list and sensor list (after the world's current operation). */
	void removeObject(std::string const& name);
	/**
	 * Removes one record now (the world must not be busy); nothing for an
	 * unknown name. A bubble's linked targets lose their "linkedBubble".
	 * @exception lang::Throwable A script error of a destruction callback,
	 *            rethrown once the removal is complete.
	 */
	void removeObjectNow(std::string const& name);

	/**
	 * Gives the object the look of sprite, looked up as creation does (a
	 * composite first, else the resources' plain sprite), and moves its
	 * name to the end of the new sheet's draw list when the sheet changes.
	 * A sprite that is not found changes nothing: the object keeps the look
	 * it has, and the missing name is reported once for the object
	 * (reportMissingSprite). The sprite name keeps its creation value.
	 */
	void replaceLook(RenderObjectData& object, std::string const& sprite);

	/**
	 * Logs, once per object and sprite name, that the object's sprite was
	 * not found: the sprite's name, the object's, the sheets searched and
	 * outcome (what the object looks like now). Later calls for the same
	 * pair write nothing.
	 */
	static void reportMissingSprite(RenderObjectData& object, std::string const& sprite, std::string const& searched,
		char const* outcome);
	/** The draw key of the object: its sprite's sheet (a composite's first part's), or null. */
	static game::SpriteSheet const* drawKey(RenderObjectData const& object);

	/** Enters every table B of every table T of groups as blocks[B.definition] of the block table (with B.index, B.group). */
	void addToBlocksTable(lua::LuaTable const& groups);

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
	Core m_core;
	b2ContactListener* m_contacts;
	b2ContactFilter* m_filter;
	b2DestructionListener* m_destructions;
	std::function<void()> m_cleared;
	std::function<void(std::string const&)> m_removed;
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

	/** Shared creation of the four shape kinds: checks the arguments, then builds after the world's current operation. */
	void createObject(int kind, std::string const& name, std::string const& sprite, float x, float y, float width,
		float height, float radius, float density, float friction, float restitution, bool collisionEnabled,
		bool inactive, float z_order);
	/** Builds an object whose arguments createObject checked. */
	void buildObject(int kind, std::string const& name, std::string const& sprite, float x, float y, float width,
		float height, float radius, float density, float friction, float restitution, bool collisionEnabled,
		bool inactive, float z_order, std::vector<b2Vec2> const& points);
	/** Takes name out of the draw list it lies in. */
	void removeFromDrawLists(RenderObjectData* object);
	/** An object's look: its composite sprite or its plain sprite; both null when none was found. */
	struct Look
	{
		game::CompoSprite* compo = nullptr;
		game::Sprite* sprite = nullptr;
	};
	/** Looks a sprite or composite sprite up by name (for polygons and lines in the sheet of that name). */
	Look findLook(std::string const& name, int kind) const;
	/** The sheets findLook searches for name and kind, as a log names them. */
	std::string searchedSheets(std::string const& name, int kind) const;
	/** Gives the object its look (compo or sprite). */
	static void setLook(RenderObjectData& object, Look const& look);

	SceneObjects(SceneObjects const&) = delete;
	SceneObjects& operator=(SceneObjects const&) = delete;
};

} // namespace host
