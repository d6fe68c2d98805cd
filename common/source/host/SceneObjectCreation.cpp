// Scene objects: creation of the four shape kinds, removal, the vertex list
// of polygons and lines, an object's look, and the block table.
#include <host/SceneObjects.h>
#include <ArgumentCheck.h>
#include <host/RenderObjectData.h>
#include <host/SheetsSearched.h>
#include <game/CompoSprite.h>
#include <game/Resources.h>
#include <game/Sprite.h>
#include <game/SpriteSheet.h>
#include <lang/Debug.h>
#include <lang/Exception.h>
#include <lua/LuaException.h>
#include <lua/LuaObject.h>
#include <lua/LuaState.h>
#include <lua/LuaTable.h>
#include <physics/ConvexOutline.h>
#include <physics/PhysicsWorld.h>
#include <box2d/box2d.h>
#include <lua.hpp>
#include <algorithm>
#include <cmath>
#include <exception>

namespace host
{

namespace
{

enum Kind
{
	BOX,
	CIRCLE,
	POLYGON,
	LINE
};

char const* const KIND_NAMES[] = {"box", "circle", "polygon", "line"};
char const* const FUNCTIONS[] = {"createBox", "createCircle", "createPolygon", "createLineShape"};

float const WELD_DISTANCE = 0.5f * b2_linearSlop;

} // namespace

void SceneObjects::createBox(std::string const& name, std::string const& sprite, float x, float y, float width, float height,
	float density, float friction, float restitution, bool collisionEnabled, bool inactive, float z_order)
{
	createObject(BOX, name, sprite, x, y, width, height, -1.f, density, friction, restitution, collisionEnabled, inactive, z_order);
}

void SceneObjects::createCircle(std::string const& name, std::string const& sprite, float x, float y, float radius,
	float density, float friction, float restitution, bool collisionEnabled, bool inactive, float z_order)
{
	createObject(CIRCLE, name, sprite, x, y, 0.f, 0.f, radius, density, friction, restitution, collisionEnabled, inactive, z_order);
}

void SceneObjects::createPolygon(std::string const& name, std::string const& sprite, float x, float y, float width, float height,
	float density, float friction, float restitution, bool collisionEnabled, bool inactive, float z_order)
{
	createObject(POLYGON, name, sprite, x, y, width, height, -1.f, density, friction, restitution, collisionEnabled, inactive, z_order);
}

void SceneObjects::createLineShape(std::string const& name, std::string const& sprite, float x, float y, float width, float height,
	float density, float friction, float restitution, bool collisionEnabled, bool inactive, float z_order)
{
	createObject(LINE, name, sprite, x, y, width, height, -1.f, density, friction, restitution, collisionEnabled, inactive, z_order);
}

void SceneObjects::createObject(int kind, std::string const& name, std::string const& sprite, float x, float y, float width,
	float height, float radius, float density, float friction, float restitution, bool collisionEnabled, bool inactive,
	float z_order)
{
	char const* function = FUNCTIONS[kind];
	auto require = [&](bool ok, char const* what, float value) {
		if (!ok)
			throw lua::LuaException(lang::Format("{0}: {1} of \"{2}\" is {3}", function, what, name, numberText(value)));
	};
	require(std::isfinite(x), "x", x);
	require(std::isfinite(y), "y", y);
	if (kind == BOX)
	{
		require(std::isfinite(width) && width > 0.f, "width", width);
		require(std::isfinite(height) && height > 0.f, "height", height);
		require(double(width) * height > 4.0 * b2_epsilon || density == 0.f || density == 100.f, "area", width * height);
	}
	if (kind == CIRCLE)
		require(std::isfinite(radius) && radius > 0.f, "radius", radius);
	require(std::isfinite(density) && density >= 0.f, "density", density);
	require(std::isfinite(friction), "friction", friction);
	require(std::isfinite(restitution), "restitution", restitution);

	std::vector<b2Vec2> points;
	if (kind == POLYGON || kind == LINE)
		points = vertices();
	if (kind == POLYGON)
	{
		if (points.size() < 3 || points.size() > b2_maxPolygonVertices)
			throw lua::LuaException(lang::Format("{0}: \"{1}\" has {2} points (3 to {3} wanted)", function, name,
				int(points.size()), b2_maxPolygonVertices));
		std::vector<b2Vec2> hull = physics::convexHull(points, WELD_DISTANCE);
		if (hull.size() < 3 || physics::polygonArea(hull) <= 4.0 * b2_epsilon)
			throw lua::LuaException(lang::Format("{0}: the points of \"{1}\" span no area", function, name));
	}
	if (kind == LINE)
	{
		for (size_t i = 1; i < points.size(); ++i)
		{
			if (b2DistanceSquared(points[i - 1], points[i]) < WELD_DISTANCE * WELD_DISTANCE)
				throw lua::LuaException(lang::Format("{0}: edge {1} of \"{2}\" has no length", function, int(i), name));
		}
	}
	if ((kind == POLYGON || kind == LINE) && !sprite.empty() && !m_core.resources->getSpriteSheet(sprite))
	{
		lang::Debug::printf("Sprite not found: %s\n", sprite.c_str());
		throw lua::LuaException(lang::Format("{0}: Sprite not found: {1}", function, sprite));
	}
	worldTable(); // a world that is no table fails before anything changes

	world().defer([=, this] {
		buildObject(kind, name, sprite, x, y, width, height, radius, density, friction, restitution, collisionEnabled,
			inactive, z_order, points);
	});
}

void SceneObjects::buildObject(int kind, std::string const& name, std::string const& sprite, float x, float y, float width,
	float height, float radius, float density, float friction, float restitution, bool collisionEnabled, bool inactive,
	float z_order, std::vector<b2Vec2> const& points)
{
	// The entry table first: a world that is no table fails before anything changes.
	lua::LuaTable entries = worldTable();
	removeObjectNow(name);

	bool isStatic = density == 0.f || (kind == BOX && density == 100.f);
	physics::PhysicsWorld& world = this->world();
	b2Body* body = world.createBody(isStatic ? b2_staticBody : b2_dynamicBody, b2Vec2(x, y), 0.f, nullptr);
	RenderObjectData* object = new RenderObjectData(lua::LuaTable(m_core.table.getLuaState()));
	physics::PhysicsWorld::FixtureParams params;
	params.density = density;
	params.friction = friction;
	params.restitution = restitution;
	params.userData = reinterpret_cast<uintptr_t>(object);
	try
	{
		switch (kind)
		{
		case BOX:
			world.createBox(body, width / 2, height / 2, params);
			break;
		case CIRCLE:
			world.createCircle(body, b2Vec2_zero, radius, params);
			break;
		case POLYGON:
		{
			b2Fixture* fixture = world.createPolygon(body, points, params);
			int corners = static_cast<b2PolygonShape*>(fixture->GetShape())->m_count;
			if (size_t(corners) < physics::distinctPoints(points, WELD_DISTANCE))
				lang::Debug::printf("createPolygon: the outline of \"%s\" is not convex; its convex hull is used\n", name.c_str());
			break;
		}
		default:
			for (size_t i = 1; i < points.size(); ++i)
				world.createEdge(body, points[i - 1], points[i], params);
			break;
		}
	}
	catch (lang::Throwable const& e)
	{
		world.destroyBody(body);
		delete object;
		throw lua::LuaException(lang::Format("{0}: \"{1}\": {2}", FUNCTIONS[kind], name, e.getMessage().format()));
	}

	lua::LuaTable& table = object->luaTable;
	table.setString("name", name);
	table.setString("sprite", sprite);
	table.setString("type", KIND_NAMES[kind]);
	table.setNumber("x", x);
	table.setNumber("y", y);
	if (kind == CIRCLE)
		table.setNumber("radius", radius);
	else
	{
		table.setNumber("width", width);
		table.setNumber("height", height);
	}
	table.setNumber("angle", 0.f);
	table.setNumber("density", density);
	table.setNumber("friction", friction);
	table.setNumber("restitution", restitution);
	table.setNumber("mass", body->GetMass());
	table.setNumber("xVel", 0.f);
	table.setNumber("yVel", 0.f);
	table.setNumber("z_order", z_order);
	table.setNumber("animTimer", 0.f);
	table.setNumber("animFrame", 1.f);
	table.setNumber("animThresholdTimer", 0.f);
	table.setNumber("collisionEnabled", collisionEnabled ? 1.f : 0.f);

	object->name = name;
	object->spriteName = sprite;
	object->body = body;
	object->radius = kind == CIRCLE ? radius : -1.f;
	object->width = width;
	object->height = height;
	object->renderX = x;
	object->renderY = y;
	for (RenderObjectData::Snapshot& snapshot : object->snapshot)
	{
		snapshot.x = x;
		snapshot.y = y;
	}
	object->z_order = z_order;
	object->collisionEnabled = collisionEnabled;
	object->startsInactive = inactive;
	object->rolls = kind == CIRCLE;
	Look const look = findLook(object->spriteName, kind);
	setLook(*object, look);
	if (!look.compo && !look.sprite && !object->spriteName.empty())
		reportMissingSprite(*object, object->spriteName, searchedSheets(object->spriteName, kind), "it is drawn without a look");
	registerObject(entries, object, !(kind == BOX && name == "ground"));

	if (inactive)
	{
		world.setAngularDamping(body, 2.f);
		if (kind == BOX || kind == CIRCLE)
		{
			inactiveObjects()[name] = object;
			world.setEnabled(body, false);
		}
	}
}

void SceneObjects::registerObject(lua::LuaTable& entries, RenderObjectData* object, bool drawn)
{
	entries.setTable(object->name, object->luaTable);
	m_renderObjects[object->name] = object;
	m_orderDirty = true;
	physics::PhysicsWorld::setUserData(object->body, object);
	if (drawn)
		m_drawLists[lua::LuaNumber::toInt(object->z_order)][drawKey(*object)].push_back(object->name);
}

SceneObjects::Look SceneObjects::findLook(std::string const& name, int kind) const
{
	Look look;
	look.compo = m_core.resources->getCompoSprite(name);
	if (look.compo || name.empty())
		return look;
	if (kind == POLYGON || kind == LINE)
	{
		// The sheet may have gone since the creation checked it.
		if (game::SpriteSheet* sheet = m_core.resources->getSpriteSheet(name))
			look.sprite = sheet->getSprite(name);
	}
	else
		look.sprite = m_core.resources->getSprite(name);
	return look;
}

void SceneObjects::setLook(RenderObjectData& object, Look const& look)
{
	object.compoSprite = look.compo;
	object.isCompoSprite = look.compo != nullptr;
	object.sprite = look.compo ? nullptr : look.sprite;
}

std::string SceneObjects::searchedSheets(std::string const& name, int kind) const
{
	if (kind == POLYGON || kind == LINE)
		return "the sheet searched: the one loaded as \"" + name + "\"";
	return sheetsSearched(*m_core.resources);
}

void SceneObjects::reportMissingSprite(RenderObjectData& object, std::string const& sprite, std::string const& searched,
	char const* outcome)
{
	std::vector<std::string>& reported = object.missingSprites;
	if (std::find(reported.begin(), reported.end(), sprite) != reported.end())
		return;
	reported.push_back(sprite);
	lang::Debug::printf("Sprite \"%s\" of object %s is missing: no sprite sheet or composite set holds it (%s); %s\n", sprite.c_str(),
		object.name.c_str(), searched.c_str(), outcome);
}

game::SpriteSheet const* SceneObjects::drawKey(RenderObjectData const& object)
{
	if (object.isCompoSprite)
	{
		game::CompoSprite const* compo = object.compoSprite;
		if (compo->getSpriteCount() == 0)
			return nullptr;
		game::Sprite const* first = compo->getSpriteEntry(0).sprite;
		return first ? first->getSheet() : nullptr;
	}
	game::Sprite const* sprite = object.sprite;
	return sprite ? sprite->getSheet() : nullptr;
}

void SceneObjects::replaceLook(RenderObjectData& o, std::string const& sprite)
{
	// The sprite name keeps its creation value; only the look changes,
	// and only to one that is found: the object never loses its look.
	Look const look = findLook(sprite, BOX);
	if (!look.compo && !look.sprite)
	{
		reportMissingSprite(o, sprite, searchedSheets(sprite, BOX),
			o.compoSprite || o.sprite ? "the object keeps the look it has" : "the object stays without a look");
		return;
	}
	setLook(o, look);

	auto depth = drawLists().find(lua::LuaNumber::toInt(o.z_order));
	if (depth == drawLists().end())
		return;
	game::SpriteSheet const* key = drawKey(o);
	for (auto& [sheet, names] : depth->second)
	{
		auto it = std::find(names.begin(), names.end(), o.name);
		if (it == names.end())
			continue;
		if (sheet == key)
			return;
		names.erase(it);
		depth->second[key].push_back(o.name);
		return;
	}
}

void SceneObjects::clearVertices()
{
	vertices().clear();
}

void SceneObjects::addVertex(float x, float y)
{
	if (!std::isfinite(x) || !std::isfinite(y))
		throw lua::LuaException(lang::Format("addVertex: ({0}, {1}) is not a finite point", numberText(x), numberText(y)));
	vertices().push_back(b2Vec2(x, y));
}

void SceneObjects::removeObject(std::string const& name)
{
	world().defer([this, name] { removeObjectNow(name); });
}

void SceneObjects::removeObjectNow(std::string const& name)
{
	RenderObjectData* object = findObject(name);
	if (!object)
		return;
	// An object may be both tracked and inactive: it leaves both.
	trackedObjects().erase(name);
	inactiveObjects().erase(name);

	// A bubble releases its linked targets.
	lua::LuaTable& table = object->luaTable;
	if (table.isString("definition") && table.isTable("linkedTargets") && m_core.blockTable.isTable("blocks"))
	{
		lua::LuaTable blocks = m_core.blockTable.getTable("blocks");
		std::string definition = table.getString("definition");
		if (blocks.isTable(definition))
		{
			lua::LuaTable block = blocks.getTable(definition);
			if (block.isString("material") && block.getString("material") == "bubble")
			{
				lua::LuaTable targets = table.getTable("linkedTargets");
				lua::LuaTable world = worldTable();
				for (int i = 1, n = targets.size(); i <= n; ++i)
				{
					if (!targets.isString(i))
						continue;
					std::string target = targets.getString(i);
					if (world.isTable(target))
						world.getTable(target).setString("linkedBubble", "");
				}
			}
		}
	}

	b2Body* body = object->body;
	object->body = nullptr;
	// A script error in a callback of the destruction ends the removal first.
	std::exception_ptr failure;
	if (body)
	{
		try
		{
			world().destroyBody(body);
		}
		catch (...)
		{
			failure = std::current_exception();
		}
	}
	renderObjects().erase(name);
	markOrderDirty();
	removeFromDrawLists(object);
	aimSensors().erase(std::remove(aimSensors().begin(), aimSensors().end(), object), aimSensors().end());
	for (auto const& entry : renderObjects())
	{
		std::vector<RenderObjectData*>& sensors = entry.second->sensors;
		sensors.erase(std::remove(sensors.begin(), sensors.end(), object), sensors.end());
	}
	delete object;
	if (m_removed)
		m_removed(name);
	if (failure)
		std::rethrow_exception(failure);
}

void SceneObjects::removeFromDrawLists(RenderObjectData* object)
{
	auto layer = drawLists().find(lua::LuaNumber::toInt(object->z_order));
	if (layer == drawLists().end())
		return;
	for (auto& [sheet, names] : layer->second)
	{
		auto it = std::find(names.begin(), names.end(), object->name);
		if (it != names.end())
		{
			names.erase(it);
			return;
		}
	}
}

void SceneObjects::addToBlocksTable(lua::LuaTable const& groups)
{
	lua::LuaState* const state = m_core.table.getLuaState();
	if (!m_core.blockTable.isTable("blocks"))
		m_core.blockTable.setTable("blocks", lua::LuaTable(state));
	lua::LuaTable blocks = m_core.blockTable.getTable("blocks");
	lua_State* lua = lua::LuaAccess::get(state);
	int top = lua_gettop(lua);
	lua::LuaValue::push(state, groups);
	int groupsIndex = lua_gettop(lua);
	lua_pushnil(lua);
	while (lua_next(lua, groupsIndex))
	{
		if (lua_type(lua, -2) == LUA_TSTRING && lua_istable(lua, -1))
		{
			std::string group = lua_tostring(lua, -2);
			int groupIndex = lua_gettop(lua);
			lua_pushnil(lua);
			while (lua_next(lua, groupIndex))
			{
				if (lua_type(lua, -2) == LUA_TNUMBER && lua_istable(lua, -1))
				{
					float index = static_cast<float>(lua_tonumber(lua, -2));
					lua::LuaTable block = state->toTable(-1);
					block.setNumber("index", index);
					block.setString("group", group);
					if (block.isString("definition"))
						blocks.setTable(block.getString("definition"), block);
				}
				lua_pop(lua, 1);
			}
		}
		lua_pop(lua, 1);
	}
	lua_settop(lua, top);
}

} // namespace host
