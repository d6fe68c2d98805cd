// The host's save files: the tables the scripts keep in the app-data folder.
#include <host/SaveTables.h>
#include <SaveFile.h>
#include <TextStream.h>
#include <io/ByteArrayOutputStream.h>
#include <io/std/FileLock.h>
#include <io/detail/detail.h>
#include <io/std/FileUtil.h>
#include <lang/Debug.h>
#include <lang/Exception.h>
#include <lua/LuaObject.h>
#include <lua/LuaState.h>
#include <lua.hpp>
#include <iterator>

namespace host
{

namespace
{

/** A save file and the host-table entry it holds. */
struct SavedTable
{
	char const* file;
	char const* table;
};

// The game's own tables, in the order they are read; they are written in
// the reverse order.
SavedTable const SAVED_GAME_TABLES[] = {
	{"highscores.lua", "highscores"},
	{"settings.lua", "settings"},
	{"bi_data.lua", "bi_data"},
};

// The purchase tables (where the device has them), read and written in
// this order.
SavedTable const SAVED_PURCHASE_TABLES[] = {
	{"gamepurchases.lua", "g_gamePurchasesTable"},
	{"talonpurchases.lua", "g_talonPurchasesTable"},
	{"episodepurchases.lua", "g_episodePurchasesTable"},
};

} // namespace

SaveTables::SaveTables(Core const& core) :
	m_core(core)
{
}

SaveTables::~SaveTables() = default;

void SaveTables::lockFolder()
{
	m_folderLock = SaveFile::lockFolder();
}

lua::LuaTable SaveTables::loadPersistentFile(std::string const& name)
{
	cipher::Bytes text;
	bool deciphered = false;
	if (!SaveFile::read(name, text, deciphered))
		return lua::LuaTable(m_core.table.getLuaState());
	try
	{
		// A separate table, so that text failing half way leaves nothing behind.
		lua::LuaTable loaded(m_core.table.getLuaState());
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
	return lua::LuaTable(m_core.table.getLuaState());
}

void SaveTables::saveTable(std::string const& file, std::string const& table, bool encrypt)
{
	SaveFile::writeOrLog(file, [&] {
		if (!m_core.table.isTable(table))
			lang::throwError(lang::Exception(lang::Format("{0} is not a table", table)));
		io::ByteArrayOutputStream text;
		m_core.table.getTable(table).write(text, 0, false);
		std::vector<unsigned char> const& bytes = text.data();
		SaveFile::write(file, bytes.data(), bytes.size(), encrypt);
	});
}

void SaveTables::savePersistentLuaFile(std::string const& file, std::string const& table)
{
	saveTable(file, table, true);
}

void SaveTables::saveLuaFile(std::string const& file, std::string const& table, bool encrypt)
{
	saveTable(file, table, encrypt);
}

bool SaveTables::hasPurchaseFiles() const
{
	lua::LuaStackRestore restore(m_core.table.getLuaState());
	m_core.table.pushMember("deviceModel");
	if (lua_type(lua::LuaAccess::get(m_core.table.getLuaState()), -1) != LUA_TSTRING)
		return false;
	std::string model = m_core.table.getString("deviceModel");
	return model != "osx" && model != "windows";
}

void SaveTables::loadPurchases()
{
	if (!hasPurchaseFiles())
		return;
	for (SavedTable const& saved : SAVED_PURCHASE_TABLES)
		m_core.table.setTable(saved.table, loadPersistentFile(saved.file));
}

void SaveTables::loadGameTables()
{
	for (SavedTable const& saved : SAVED_GAME_TABLES)
		m_core.table.setTable(saved.table, loadPersistentFile(saved.file));
}

void SaveTables::saveAll()
{
	for (auto saved = std::rbegin(SAVED_GAME_TABLES); saved != std::rend(SAVED_GAME_TABLES); ++saved)
		saveTable(saved->file, saved->table, true);
	if (!hasPurchaseFiles())
		return;
	for (SavedTable const& saved : SAVED_PURCHASE_TABLES)
		saveTable(saved.file, saved.table, true);
}

void SaveTables::storePersistentData()
{
}

void SaveTables::createDirectory(std::string const&)
{
}

bool SaveTables::checkDirectory(std::string const&)
{
	return false;
}

} // namespace host
