// Shipped Lua files and the player's save files.
#include <GameLua.h>
#include <framework/App.h>
#include <io/ByteArrayInputStream.h>
#include <io/ByteArrayOutputStream.h>
#include <io/std/AppDataInputStream.h>
#include <io/std/AppDataOutputStream.h>
#include <io/std/BundleInputStream.h>
#include <io/std/FileUtil.h>
#include <io/detail/detail.h>
#include <lang/Debug.h>
#include <lang/Exception.h>
#include <lua/LuaState.h>
#include <lua.hpp>
#include <unistd.h>

namespace
{

/** The message of an engine exception as text. */
std::string messageOf(lang::Throwable const& e)
{
	return e.getMessage().format();
}

} // namespace

void GameLua::fileFailed(std::string const& file, std::string const& error)
{
	lang::Debug::printf("Failed to load %s: %s\n", file.c_str(), error.c_str());
	m_failedFiles.push_back(file);
}

void GameLua::compile(std::string const& file)
{
	try
	{
		io::BundleInputStream in(m_app->path(file));
		m_luastate->compile(in, in.toString(), this);
		call("updateValues");
		m_compiled = true;
	}
	catch (lang::Throwable const& e)
	{
		fileFailed(file, messageOf(e));
	}
}

void GameLua::loadLuaFile(std::string const& file, std::string const& table)
{
	try
	{
		io::BundleInputStream in(m_app->path(file));
		if (table.empty())
		{
			read(in);
			return;
		}
		// A separate table first, so that a file failing half way changes no entry.
		lua::LuaTable loaded(m_luastate);
		loaded.read(in);
		setTable(table, loaded);
	}
	catch (lang::Throwable const& e)
	{
		fileFailed(file, messageOf(e));
	}
}

lua::LuaTable GameLua::loadPersistentFile(std::string const& name)
{
	lua::LuaTable loaded(m_luastate);
	// A missing save is the normal first run.
	std::string path = io::detail::constructPath(io::detail::appdataPath(), name);
	if (::access(path.c_str(), F_OK) != 0)
		return loaded;
	try
	{
		io::AppDataInputStream file(name);
		io::ByteArrayInputStream in(file);
		loaded.read(in);
		return loaded;
	}
	catch (lang::Throwable const& e)
	{
		// A damaged save starts afresh.
		lang::Debug::printf("Save %s not read: %s\n", name.c_str(), messageOf(e).c_str());
	}
	return lua::LuaTable(m_luastate);
}

void GameLua::savePersistentLuaFile(std::string const& file, std::string const& table)
{
	if (!isTable(table))
		lang::throwError(lang::Exception(lang::Format("{0} is not a table", table)));
	io::ByteArrayOutputStream text;
	getTable(table).write(text, 0, false);

	io::AppDataOutputStream out(file);
	std::vector<unsigned char> const& bytes = text.data();
	if (!bytes.empty())
		out.write(bytes.data(), static_cast<int>(bytes.size()));
	out.close();
}

void GameLua::saveQuietly(std::string const& file, std::string const& table)
{
	try
	{
		savePersistentLuaFile(file, table);
	}
	catch (lang::Throwable const& e)
	{
		lang::Debug::printf("%s\n", lang::Format("Failed to save {0}: {1}", file, messageOf(e)).format().c_str());
	}
	catch (std::exception const& e)
	{
		lang::Debug::printf("%s\n", lang::Format("Failed to save {0}: {1}", file, e.what()).format().c_str());
	}
}

bool GameLua::hasPurchaseFiles() const
{
	lua::LuaStackRestore restore(m_luastate);
	pushMember("deviceModel");
	if (lua_type(lua::LuaAccess::get(m_luastate), -1) != LUA_TSTRING)
		return false;
	std::string model = getString("deviceModel");
	return model != "osx" && model != "windows";
}

void GameLua::loadPurchases()
{
	if (!hasPurchaseFiles())
		return;
	setTable("g_gamePurchasesTable", loadPersistentFile("gamepurchases.lua"));
	setTable("g_talonPurchasesTable", loadPersistentFile("talonpurchases.lua"));
	setTable("g_episodePurchasesTable", loadPersistentFile("episodepurchases.lua"));
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
