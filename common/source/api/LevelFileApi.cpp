// Shipped Lua files, levels and saves: the rows of the scripts' file
// functions and the shipped-file loading of the game logic and its tables.
#include <GameLua.h>
#include <ShippedFile.h>
#include <TextStream.h>
#include <framework/App.h>
#include <io/std/FileUtil.h>
#include <io/std/BundleInputStream.h>
#include <io/detail/detail.h>
#include <lang/Debug.h>
#include <lang/Ptr.h>
#include <lang/Throwable.h>
#include <lua/LuaException.h>
#include <lua/LuaState.h>
#include <lua.hpp>

void GameLua::registerLevelFileApi()
{
	registerMethod("loadBlocksForEditing", this, &GameLua::loadBlocksForEditing);
	registerMethod("loadLevel", this, &GameLua::loadLevel);
	registerMethod("loadPreviousLevel", this, &GameLua::loadPreviousLevel);
	registerMethod("saveLevel", this, &GameLua::saveLevel);
	registerMethod("saveLevelForReload", this, &GameLua::saveLevelForReload);
	registerMethod("saveLuaFile", this, &GameLua::saveLuaFile);
	registerMethod("savePersistentLuaFile", this, &GameLua::savePersistentLuaFile);
	registerMethod("storePersistentData", this, &GameLua::storePersistentData);
	registerMethod("createDirectory", this, &GameLua::createDirectory);
	registerMethod("checkDirectory", this, &GameLua::checkDirectory);
	registerMethod("checkForLuaFile", this, &GameLua::checkForLuaFile);
	registerMethod("onLoadLuaFileFail", this, &GameLua::onLoadLuaFileFail);
	registerLuaMethod("loadLuaFileToObject", this, &GameLua::loadLuaFileToObject);
	registerMethod("loadLuaFile", this, &GameLua::loadLuaFile);
}

void GameLua::fileFailed(std::string const& file, std::string const& error)
{
	lang::Debug::printf("Failed to load %s: %s\n", file.c_str(), error.c_str());
	m_failedFiles.push_back(file);
}

void GameLua::compile(std::string const& file)
{
	try
	{
		std::string const path = m_app->path(file);
		std::string text = ShippedFile::read(path);
		std::string const name = io::detail::constructPath(io::detail::bundlePath(), path);
		// Precompiled chunks are not loaded from files: a damaged one can crash the interpreter.
		if (!text.empty() && text[0] == LUA_SIGNATURE[0])
			lang::throwError(lang::Throwable(lang::Format("Failed to read {0}: precompiled Lua is not loaded", name)));
		TextStream in(std::move(text), name);
		m_luastate->compile(in, name, this);
		call("updateValues");
		m_compiled = true;
	}
	catch (lang::Throwable const& e)
	{
		fileFailed(file, e.getMessage().format());
	}
}

void GameLua::loadLuaFile(std::string const& file, std::string const& table, bool intoBlocks, bool viaBlockList)
{
	try
	{
		std::string const path = m_app->path(file);
		TextStream in(ShippedFile::read(path), path);
		if (table.empty())
		{
			read(in);
			return;
		}
		// A separate table first, so that a file failing half way changes no entry.
		lua::LuaTable loaded(m_luastate);
		loaded.read(in);
		if (!intoBlocks)
			setTable(table, loaded);
		else if (!viaBlockList)
			m_blockTable.setTable(table, loaded);
		else
			m_scene->addToBlocksTable(loaded);
	}
	catch (lang::Throwable const& e)
	{
		fileFailed(file, e.getMessage().format());
	}
}

int GameLua::loadLuaFileToObject(lua::LuaState* state)
{
	state->checkType(1, lua::LuaState::TYPE_STRING);
	state->checkType(2, lua::LuaState::TYPE_TABLE);
	state->checkType(3, lua::LuaState::TYPE_STRING);
	std::string const file = state->toString(1);
	std::string const key = state->toString(3);
	lua::LuaTable target = state->toTable(2);

	std::string const path = m_app->path(file);
	TextStream in(ShippedFile::read(path), path);
	if (key.empty())
	{
		target.read(in);
		return 0;
	}
	lang::Ptr<lua::LuaObject> object = new lua::LuaObject(state);
	object->setTable("gamelua", *this);
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

bool GameLua::checkForLuaFile(std::string const& file)
{
	io::BundleInputStream in(m_app->path(file));
	return true;
}

void GameLua::loadBlocksForEditing()
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
	setTable("blockEditorTable", m_blockEditorTable);
	std::string const scripts = getString("scriptPath");
	for (auto const& file : files)
	{
		io::BundleInputStream in(scripts + file[0]);
		lua::LuaTable loaded(m_luastate);
		loaded.read(in);
		m_blockEditorTable.setTable(file[1], loaded);
	}
}

void GameLua::createAssets()
{
	call("createStartUpAssets");
	audio::AudioOutput* output = m_resources->getAudioOutput();
	if (!output)
	{
		lang::Debug::printf("No audio output after createStartUpAssets: clip limits not set\n");
		return;
	}
	static int const limits[][2] = {{1, 4}, {2, 6}, {3, 3}, {4, 5}, {5, 5}};
	for (auto const& limit : limits)
		output->setClipCountLimit(limit[0], limit[1]);
}

void GameLua::onLoadLuaFileFail(std::string const& file)
{
	bool scripted = false;
	{
		lua::LuaStackRestore restore(m_luastate);
		pushMember("onLoadLuaFileFail");
		lua_State* lua = lua::LuaAccess::get(m_luastate);
		scripted = lua_isfunction(lua, -1) && !lua_iscfunction(lua, -1);
	}
	if (!scripted)
	{
		lang::Debug::printf("No script handler for the failed file %s\n", file.c_str());
		return;
	}
	call("onLoadLuaFileFail", file);
}
