// The host's save files: the tables the scripts keep in the app-data folder.
#include <GameLua.h>
#include <SaveFile.h>
#include <TextStream.h>
#include <io/ByteArrayOutputStream.h>
#include <io/detail/detail.h>
#include <io/std/FileUtil.h>
#include <lang/Debug.h>
#include <lang/Exception.h>
#include <lua/LuaState.h>
#include <lua.hpp>

lua::LuaTable GameLua::loadPersistentFile(std::string const& name)
{
	cipher::Bytes text;
	bool deciphered = false;
	if (!SaveFile::read(name, text, deciphered))
		return lua::LuaTable(m_luastate);
	try
	{
		// A separate table, so that text failing half way leaves nothing behind.
		lua::LuaTable loaded(m_luastate);
		TextStream in(text.data(), text.size(), io::detail::constructPath(io::detail::appdataPath(), name));
		loaded.read(in);
		return loaded;
	}
	catch (lang::Throwable const& e)
	{
		// A damaged save starts afresh, and is kept out of the way of the next save.
		std::string const fault = e.getMessage().format();
		SaveFile::setAside(name, deciphered ? fault : "it does not decipher, and as plain text: " + fault);
	}
	return lua::LuaTable(m_luastate);
}

void GameLua::saveTable(std::string const& file, std::string const& table, bool encrypt)
{
	SaveFile::writeOrLog(file, [&] {
		if (!isTable(table))
			lang::throwError(lang::Exception(lang::Format("{0} is not a table", table)));
		io::ByteArrayOutputStream text;
		getTable(table).write(text, 0, false);
		std::vector<unsigned char> const& bytes = text.data();
		SaveFile::write(file, bytes.data(), bytes.size(), encrypt);
	});
}

void GameLua::savePersistentLuaFile(std::string const& file, std::string const& table)
{
	saveTable(file, table, true);
}

void GameLua::saveLuaFile(std::string const& file, std::string const& table, bool encrypt)
{
	saveTable(file, table, encrypt);
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

void GameLua::storePersistentData()
{
}

void GameLua::createDirectory(std::string const&)
{
}

bool GameLua::checkDirectory(std::string const&)
{
	return false;
}
