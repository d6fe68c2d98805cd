// The scene's physics world and its object registry.
#include <host/SceneObjects.h>
#include <host/RenderObjectData.h>
#include <lang/Debug.h>
#include <lang/Exception.h>
#include <lua/LuaException.h>
#include <lua/LuaObject.h>
#include <lua/LuaState.h>
#include <lua/LuaTable.h>
#include <physics/PhysicsWorld.h>

namespace host
{

SceneObjects::SceneObjects(Core const& core, b2ContactListener* contacts, b2ContactFilter* filter,
	b2DestructionListener* destructions) :
	m_core(core),
	m_contacts(contacts),
	m_filter(filter),
	m_destructions(destructions),
	m_orderDirty(false),
	m_levelLeft(0),
	m_levelRight(0),
	m_levelTop(0),
	m_levelBottom(0)
{
}

SceneObjects::~SceneObjects()
{
	for (auto const& entry : m_renderObjects)
		delete entry.second;
	m_world.reset();
}

void SceneObjects::resetPhysicsWorld(b2Vec2 const& gravity, bool allowSleep)
{
	if (m_world && m_world->busy())
		throw lang::Exception(lang::Format("resetPhysicsWorld: the physics world is busy"));
	std::unique_ptr<physics::PhysicsWorld> world(new physics::PhysicsWorld(gravity, allowSleep));
	clearObjects();
	m_world = std::move(world);
	m_world->setListeners(m_contacts, m_filter, m_destructions);
}

void SceneObjects::clearObjects()
{
	for (auto const& entry : m_renderObjects)
		delete entry.second;
	m_renderObjects.clear();
	m_orderDirty = true;
	m_inactiveObjects.clear();
	m_trackedObjects.clear();
	m_aimSensors.clear();
	m_drawLists.clear();
	if (m_cleared)
		m_cleared();
}

std::vector<RenderObjectData*> const& SceneObjects::objectOrder()
{
	if (m_orderDirty)
	{
		m_objectOrder.clear();
		m_objectOrder.reserve(m_renderObjects.size());
		for (auto const& entry : m_renderObjects)
			m_objectOrder.push_back(entry.second);
		m_orderDirty = false;
	}
	return m_objectOrder;
}

RenderObjectData* SceneObjects::findObject(std::string const& name) const
{
	auto it = m_renderObjects.find(name);
	return it == m_renderObjects.end() ? nullptr : it->second;
}

RenderObjectData* SceneObjects::objectOrLog(std::string const& name) const
{
	RenderObjectData* object = findObject(name);
	if (!object)
		lang::Debug::debug("Body name : %s\n", name.c_str());
	return object;
}

b2Body* SceneObjects::getBody(std::string const& name) const
{
	RenderObjectData* object = objectOrLog(name);
	return object ? object->body : nullptr;
}

lua::LuaTable SceneObjects::worldTable()
{
	lua::LuaTable& objects = m_core.objects;
	if (objects.isNil("world"))
		objects.setTable("world", lua::LuaTable(objects.getLuaState()));
	if (!objects.isTable("world"))
		throw lua::LuaException(lang::Format("objects.world is not a table"));
	return objects.getTable("world");
}

void SceneObjects::setLevelLimits(float minX, float minY, float maxX, float maxY)
{
	m_levelLeft = lua::LuaNumber::toInt(minX);
	m_levelTop = lua::LuaNumber::toInt(minY);
	m_levelRight = lua::LuaNumber::toInt(maxX);
	m_levelBottom = lua::LuaNumber::toInt(maxY);
}

} // namespace host
