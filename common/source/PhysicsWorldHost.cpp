// The host's physics world and its object records.
#include <GameLua.h>
#include <host/RenderObjectData.h>
#include <lang/Debug.h>
#include <lang/Exception.h>
#include <lua/LuaException.h>
#include <physics/PhysicsWorld.h>

void GameLua::resetPhysicsWorld(b2Vec2 const& gravity, bool allowSleep)
{
	if (m_world && m_world->busy())
		throw lang::Exception(lang::Format("resetPhysicsWorld: the physics world is busy"));
	std::unique_ptr<physics::PhysicsWorld> world(new physics::PhysicsWorld(gravity, allowSleep));
	clearObjects();
	m_world = std::move(world);
	m_world->setListeners(this, this, this);
}

void GameLua::clearObjects()
{
	for (auto const& entry : m_renderObjects)
		delete entry.second;
	m_renderObjects.clear();
	m_orderDirty = true;
	m_inactiveObjects.clear();
	m_trackedObjects.clear();
	m_aimSensors.clear();
	m_drawLists.clear();
	m_joints.clear();
	m_timedLinks.clear();
	m_brokenJoints.clear();
}

std::vector<GameLua::RenderObjectData*> const& GameLua::objectOrder()
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

GameLua::RenderObjectData* GameLua::findObject(std::string const& name) const
{
	auto it = m_renderObjects.find(name);
	return it == m_renderObjects.end() ? nullptr : it->second;
}

GameLua::RenderObjectData* GameLua::objectOrLog(std::string const& name) const
{
	RenderObjectData* object = findObject(name);
	if (!object)
		lang::Debug::debug("Body name : %s\n", name.c_str());
	return object;
}

b2Body* GameLua::getBody(std::string const& name)
{
	RenderObjectData* object = objectOrLog(name);
	return object ? object->body : nullptr;
}

float GameLua::rollingLevel(int material) const
{
	return material >= 1 && material <= 3 ? m_rollingLevel[material - 1] : 0.f;
}

int GameLua::rollingClip(int material) const
{
	return material >= 1 && material <= 3 ? m_rollingClip[material - 1] : -1;
}

lua::LuaTable GameLua::worldTable()
{
	if (m_objects.isNil("world"))
		m_objects.setTable("world", lua::LuaTable(m_luastate));
	if (!m_objects.isTable("world"))
		throw lua::LuaException(lang::Format("objects.world is not a table"));
	return m_objects.getTable("world");
}

void GameLua::SayGoodbye(b2Fixture*)
{
}

