// Loading a level: the shipped level table becomes "loadedObjects" and the
// host takes the world attributes the scripts keep.
#include <host/Levels.h>
#include <FieldType.h>
#include <host/Aiming.h>
#include <host/ParticleEffects.h>
#include <host/RenderObjectData.h>
#include <host/SceneObjects.h>
#include <host/ScriptUtilities.h>
#include <host/Themes.h>
#include <host/WorldSettings.h>
#include <ShippedFile.h>
#include <TextStream.h>
#include <framework/App.h>
#include <io/detail/detail.h>
#include <io/std/FileUtil.h>
#include <lang/Debug.h>
#include <lang/Throwable.h>
#include <lua/LuaObject.h>
#include <lua/LuaState.h>
#include <lua.hpp>
#include <physics/PhysicsWorld.h>

namespace host
{

namespace
{

/** Clears the level-loading flag on every way out of a loader. */
class LoadingFlag
{
public:
	explicit LoadingFlag(bool& flag) : m_flag(flag) { m_flag = true; }
	~LoadingFlag() { m_flag = false; }

private:
	bool& m_flag;
};

/** table[key] when it is a number, else 0. */
double numberOf(lua::LuaTable const& table, char const* key)
{
	lua::LuaStackRestore restore(table.getLuaState());
	table.pushMember(key);
	lua_State* lua = lua::LuaAccess::get(table.getLuaState());
	return lua_type(lua, -1) == LUA_TNUMBER ? lua_tonumber(lua, -1) : 0.0;
}

/** The file-name part (base name and suffix) of path. */
std::string fileNameOf(std::string const& path)
{
	size_t const slash = path.find_last_of('/');
	return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

void Levels::beginLevelLoad()
{
	m_deadBlocks = m_core.table.getTable("deadBlocks");
	lang::Debug::debug("Removing physics objects...\n");
	clearLevelObjects();
	m_particles.clearParticlesNative();
}

void Levels::applyWorldAttributes(bool keepMultiplier)
{
	m_worldAttributes = m_core.table.getTable("worldAttributes");
	if (!keepMultiplier)
		m_settings.gravityForceMultiplier = lua::LuaNumber::toFloat(numberOf(m_worldAttributes, "defaultGravityForceMultiplier"));
	m_settings.simulation.iterations = lua::LuaNumber::toInt(numberOf(m_worldAttributes, "simulationIterations"));
	m_settings.simulation.timeStepMultiplier = lua::LuaNumber::toFloat(numberOf(m_worldAttributes, "simulationTimeStepMultiplier"));
	m_settings.simulation.storePointsSampler = lua::LuaNumber::toInt(numberOf(m_worldAttributes, "simulationStorePointsSampler"));
	m_settings.simulation.aimSpawnTime = lua::LuaNumber::toFloat(numberOf(m_worldAttributes, "simulationAimSpawnTime"));
	m_settings.simulation.aimSpeed = lua::LuaNumber::toFloat(numberOf(m_worldAttributes, "simulationAimSpeed"));
	m_aiming.startLevel();
}

void Levels::loadLevel(std::string const& name)
{
	LoadingFlag loading(m_settings.loadingLevel);
	if (name != m_levelName)
	{
		m_themes.setStartingCameraValue(false);
		m_levelName = name;
	}
	beginLevelLoad();

	lang::Debug::debug("Loading level from file...\n");
	std::string const path = m_core.app->path(name + ".lua");
	TextStream in(ShippedFile::read(path), io::detail::constructPath(io::detail::bundlePath(), path));
	lua::LuaTable level(m_core.table.getLuaState());
	level.read(in);
	std::string const expected = fileNameOf(path);
	std::string const found = fieldType(level, "filename") == LUA_TSTRING ? level.getString("filename") : std::string("none");
	if (fieldType(level, "filename") != LUA_TSTRING || found != expected)
		lang::throwError(lang::Throwable(lang::Format("Level {0} holds filename {1} instead of {2}", path, found, expected)));

	m_core.table.setTable("loadedObjects", level);
	bool const levelGravity = fieldType(level, "gravityForceMultiplier") == LUA_TNUMBER;
	if (levelGravity)
		m_settings.gravityForceMultiplier = lua::LuaNumber::toFloat(numberOf(level, "gravityForceMultiplier"));
	applyWorldAttributes(levelGravity);
}

void Levels::loadPreviousLevel(std::string const&)
{
	LoadingFlag loading(m_settings.loadingLevel);
	// The next background draw records the reference camera again.
	m_themes.setStartingCameraValue(false);
	beginLevelLoad();
	bool levelGravity = false;
	if (fieldType(m_core.objects, "previousLevel") == LUA_TTABLE)
	{
		lua::LuaTable previous = m_core.objects.getTable("previousLevel");
		levelGravity = fieldType(previous, "gravityForceMultiplier") == LUA_TNUMBER;
		if (levelGravity)
			m_settings.gravityForceMultiplier = lua::LuaNumber::toFloat(numberOf(previous, "gravityForceMultiplier"));
	}
	applyWorldAttributes(levelGravity);
}

void Levels::clearLevelObjects()
{
	// Bodies first, while every record is still there for the world's callbacks.
	for (auto const& entry : m_scene.renderObjects())
	{
		b2Body* body = entry.second->body;
		entry.second->body = nullptr;
		if (body)
			m_scene.world().destroyBody(body);
	}
	m_scene.clearObjects();
	m_scene.vertices().clear();
	if (m_utilities.deterministicPhysics())
		m_scene.resetPhysicsWorld(b2Vec2(0.f, 0.f), true);
}

} // namespace host
