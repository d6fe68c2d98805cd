// World queries: objects in a box or along a ray, and points between an
// object's frame and the world.
#include <host/WorldQueries.h>
#include <ArgumentCheck.h>
#include <QueryCallback.h>
#include <RayCastCallback.h>
#include <host/RenderObjectData.h>
#include <host/SceneObjects.h>
#include <lang/Exception.h>
#include <lua/LuaException.h>
#include <lua/LuaObject.h>
#include <lua/LuaState.h>
#include <physics/PhysicsWorld.h>
#include <cmath>

namespace host
{

namespace
{

/** The name of the object whose body is body, or "". */
std::string nameOf(b2Body const* body)
{
	auto* object = static_cast<RenderObjectData*>(physics::PhysicsWorld::userData(body));
	return object ? object->name : std::string();
}

/** The table at stack position 1. @exception lua::LuaException Type-check error otherwise. */
lua::LuaTable tableArgument(lua::LuaState* state)
{
	state->checkType(1, lua::LuaState::TYPE_TABLE);
	return lua::LuaValue::readTable(state, 1);
}

} // namespace

WorldQueries::WorldQueries(SceneObjects& scene) :
	m_scene(scene)
{
}

int WorldQueries::getIntersectingObjects(lua::LuaState* state)
{
	lua::LuaTable box = tableArgument(state);
	float x = box.getNumber("x");
	float y = box.getNumber("y");
	b2AABB aabb;
	aabb.lowerBound = b2Vec2(x + box.getNumber("left"), y + box.getNumber("down"));
	aabb.upperBound = b2Vec2(x + box.getNumber("right"), y + box.getNumber("up"));
	requireFinite("getIntersectingObjects", "box", {aabb.lowerBound.x, aabb.lowerBound.y, aabb.upperBound.x, aabb.upperBound.y});

	std::vector<b2Body*> bodies;
	QueryCallback callback(b2Vec2(x, y), &bodies, true);
	m_scene.world().queryAABB(&callback, aabb);
	lua::LuaTable result(state);
	for (size_t i = 0; i < bodies.size(); ++i)
		result.setString(int(i + 1), nameOf(bodies[i]));
	lua::LuaValue::push(state, result);
	return 1;
}

int WorldQueries::getRayCastedObjects(lua::LuaState* state)
{
	lua::LuaTable ray = tableArgument(state);
	b2Vec2 a(ray.getNumber("x1"), ray.getNumber("y1"));
	b2Vec2 b(ray.getNumber("x2"), ray.getNumber("y2"));
	requireFinite("getRayCastedObjects", "ray", {a.x, a.y, b.x, b.y});

	std::vector<b2Body*> bodies;
	std::vector<b2Vec2> points;
	std::vector<b2Vec2> normals;
	std::vector<float> fractions;
	RayCastCallback callback(&bodies, &points, &normals, &fractions);
	m_scene.world().rayCast(&callback, a, b);
	lua::LuaTable result(state);
	for (size_t i = 0; i < bodies.size(); ++i)
	{
		int k = int(6 * i + 1);
		result.setString(k, nameOf(bodies[i]));
		result.setNumber(k + 1, points[i].x);
		result.setNumber(k + 2, points[i].y);
		result.setNumber(k + 3, normals[i].x);
		result.setNumber(k + 4, normals[i].y);
		result.setNumber(k + 5, fractions[i]);
	}
	lua::LuaValue::push(state, result);
	return 1;
}

namespace
{

/** Raw (name, x, y): pushes the point through body's transform (toWorld) or its inverse; the point itself without a body. */
int transformPoint(lua::LuaState* state, SceneObjects& scene, bool toWorld)
{
	std::string name = lua::LuaValue::readString(state, 1);
	b2Vec2 p(lua::LuaValue::readFloat(state, 2), lua::LuaValue::readFloat(state, 3));
	if (b2Body* body = scene.getBody(name))
		p = toWorld ? body->GetWorldPoint(p) : body->GetLocalPoint(p);
	lua::LuaValue::push(state, p.x);
	lua::LuaValue::push(state, p.y);
	return 2;
}

} // namespace

int WorldQueries::getWorldPoint(lua::LuaState* state)
{
	return transformPoint(state, m_scene, true);
}

int WorldQueries::getLocalPoint(lua::LuaState* state)
{
	return transformPoint(state, m_scene, false);
}

} // namespace host
