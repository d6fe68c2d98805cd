// Shipped Lua files: the game logic's compilation, the shipped tables the
// scripts load, the files that failed and the level editor's block table.
#include <host/Levels.h>
#include <host/SceneObjects.h>
#include <ShippedFile.h>
#include <TextStream.h>
#include <audio/AudioOutput.h>
#include <framework/App.h>
#include <game/Resources.h>
#include <io/std/FileUtil.h>
#include <io/std/BundleInputStream.h>
#include <io/detail/detail.h>
#include <lang/Debug.h>
#include <lang/Ptr.h>
#include <lang/Throwable.h>
#include <lua/LuaException.h>
#include <lua/LuaObject.h>
#include <lua/LuaState.h>
#include <lua.hpp>

namespace host
{

Levels::Levels(Core const& core, WorldSettings& settings, SceneObjects& scene, Themes& themes,
	ScriptUtilities& utilities, ParticleEffects& particles, Aiming& aiming) :
	m_core(core),
	m_settings(settings),
	m_scene(scene),
	m_themes(themes),
	m_utilities(utilities),
	m_particles(particles),
	m_aiming(aiming),
	m_compiled(false),
	m_blockEditorTable(core.table.getLuaState())
{
}

void Levels::fileFailed(std::string const& file, std::string const& error)
{
	lang::Debug::printf("Failed to load %s: %s\n", file.c_str(), error.c_str());
	m_failedFiles.push_back(file);
}

void Levels::compile(std::string const& file)
{
	try
	{
		std::string const path = m_core.app->path(file);
		std::string text = ShippedFile::read(path);
		std::string const name = io::detail::constructPath(io::detail::bundlePath(), path);
		// Precompiled chunks are not loaded from files: a damaged one can crash the interpreter.
		if (!text.empty() && text[0] == LUA_SIGNATURE[0])
			lang::throwError(lang::Throwable(lang::Format("Failed to read {0}: precompiled Lua is not loaded", name)));
		TextStream in(std::move(text), name);
		m_core.table.getLuaState()->compile(in, name, &m_core.table);
		m_core.table.call("updateValues");
		m_compiled = true;
	}
	catch (lang::Throwable const& e)
	{
		fileFailed(file, e.getMessage().format());
	}
}

void Levels::loadLuaFile(std::string const& file, std::string const& table, bool intoBlocks, bool viaBlockList)
{
	try
	{
		std::string const path = m_core.app->path(file);
		TextStream in(ShippedFile::read(path), path);
		if (table.empty())
		{
			m_core.table.read(in);
			return;
		}
		// A separate table first, so that a file failing half way changes no entry.
		lua::LuaTable loaded(m_core.table.getLuaState());
		loaded.read(in);
		if (!intoBlocks)
			m_core.table.setTable(table, loaded);
		else if (!viaBlockList)
			m_core.blockTable.setTable(table, loaded);
		else
			m_scene.addToBlocksTable(loaded);
	}
	catch (lang::Throwable const& e)
	{
		fileFailed(file, e.getMessage().format());
	}
}

int Levels::loadLuaFileToObject(lua::LuaState* state)
{
	state->checkType(1, lua::LuaState::TYPE_STRING);
	state->checkType(2, lua::LuaState::TYPE_TABLE);
	state->checkType(3, lua::LuaState::TYPE_STRING);
	std::string const file = state->toString(1);
	std::string const key = state->toString(3);
	lua::LuaTable target = state->toTable(2);

	std::string const path = m_core.app->path(file);
	TextStream in(ShippedFile::read(path), path);
	if (key.empty())
	{
		target.read(in);
		return 0;
	}
	lang::Ptr<lua::LuaObject> object = new lua::LuaObject(state);
	object->setTable("gamelua", m_core.table);
	object->read(in);
	// The table outlives the native object: it must not keep its address.
	lua_State* lua = lua::LuaAccess::get(state);
	lua::LuaState::pushTable(lua, object.get());
	lua_pushnil(lua);
	lua_rawseti(lua, -2, 0);
	lua_pop(lua, 1);
	target.setTable(key, *object);
	return 0;
}

bool Levels::checkForLuaFile(std::string const& file)
{
	io::BundleInputStream in(m_core.app->path(file));
	return true;
}

void Levels::loadBlocksForEditing()
{
	static char const* const files[][2] = {
		{"/blocks_levelgoals.lua", "blocks_levelgoals"},
		{"/blocks_scoreobjects.lua", "blocks_scoreobjects"},
		{"/flyers.lua", "flyers"},
		{"/blocks_hazard.lua", "blocks_hazard"},
		{"/blocks_wood.lua", "blocks_wood"},
		{"/blocks_stone.lua", "blocks_stone"},
		{"/blocks_glass.lua", "blocks_glass"},
		{"/blocks_gameElements.lua", "blocks_gameElements"},
		{"/blocks_static.lua", "blocks_static"},
		{"/blocks_planets.lua", "blocks_planets"},
		{"/blocks_asteroids.lua", "blocks_asteroids"},
		{"/blocks_decorations.lua", "blocks_decorations"},
		{"/blocks_sensors.lua", "blocks_sensors"},
		{"/groups.lua", "groups"},
	};
	m_core.table.setTable("blockEditorTable", m_blockEditorTable);
	std::string const scripts = m_core.table.getString("scriptPath");
	for (auto const& file : files)
	{
		io::BundleInputStream in(scripts + file[0]);
		lua::LuaTable loaded(m_core.table.getLuaState());
		loaded.read(in);
		m_blockEditorTable.setTable(file[1], loaded);
	}
}

void Levels::createAssets()
{
	m_core.table.call("createStartUpAssets");
	audio::AudioOutput* output = m_core.resources->getAudioOutput();
	if (!output)
	{
		lang::Debug::printf("No audio output after createStartUpAssets: clip limits not set\n");
		return;
	}
	static int const limits[][2] = {{1, 4}, {2, 6}, {3, 3}, {4, 5}, {5, 5}};
	for (auto const& limit : limits)
		output->setClipCountLimit(limit[0], limit[1]);
}

void Levels::onLoadLuaFileFail(std::string const& file)
{
	bool scripted = false;
	{
		lua::LuaStackRestore restore(m_core.table.getLuaState());
		m_core.table.pushMember("onLoadLuaFileFail");
		lua_State* lua = lua::LuaAccess::get(m_core.table.getLuaState());
		scripted = lua_isfunction(lua, -1) && !lua_iscfunction(lua, -1);
	}
	if (!scripted)
	{
		lang::Debug::printf("No script handler for the failed file %s\n", file.c_str());
		return;
	}
	m_core.table.call("onLoadLuaFileFail", file);
}

} // namespace host
