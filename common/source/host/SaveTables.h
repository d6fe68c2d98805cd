#pragma once

#include <host/Core.h>
#include <lua/LuaTable.h>
#include <memory>
#include <string>

namespace io
{
class FileLock;
}

namespace host
{

/**
 * The tables the scripts keep in the app-data folder: reading a save file
 * into a table, writing a host-table entry enciphered or as plain text, the
 * list of the game's save files with the order they are read and written
 * in (the game's own tables and the purchase tables), and this process's
 * hold on the save folder.
 *
 * Main thread only.
 */
class SaveTables
{
public:
	/** Keeps the core (borrowed; it outlives the area). No hold on the save folder yet; touches no file or table. */
	explicit SaveTables(Core const& core);

	/** Lets go of the save folder. */
	~SaveTables();

	/**
	 * Takes this process's hold on the save folder (SaveFile::lockFolder),
	 * kept until this object goes, so after the last save is written.
	 */
	void lockFolder();

	/**
	 * A new table filled from the save file name of the app-data folder
	 * (see SaveFile::read: enciphered or plain text); empty when the file is
	 * missing, unreadable or its text does not compile or run (never half
	 * filled). A file that exists but cannot be used is set aside
	 * (SaveFile::setAside), so the saves that follow do not replace it.
	 * Never throws for a bad file.
	 */
	lua::LuaTable loadPersistentFile(std::string const& name);

	/**
	 * Writes the host-table entry table enciphered to the app-data file.
	 * Never throws: when the entry is not a table or the write fails, logs
	 * "Failed to save {0}: {1}" and keeps the previous file.
	 */
	void savePersistentLuaFile(std::string const& file, std::string const& table);

	/** As savePersistentLuaFile, enciphered only when encrypt is true. */
	void saveLuaFile(std::string const& file, std::string const& table, bool encrypt);

	/**
	 * Reads "highscores.lua", "settings.lua" and "bi_data.lua", in that
	 * order, into the host-table entries "highscores", "settings" and
	 * "bi_data" (each as loadPersistentFile: empty for a missing or damaged
	 * file). Never throws for a bad file.
	 */
	void loadGameTables();

	/**
	 * Writes the saves back enciphered: "bi_data", "settings" and
	 * "highscores" in that order, then, when hasPurchaseFiles, the purchase
	 * tables in the order loadPurchases reads them. Never throws: a failed
	 * save is logged and keeps the previous file (see savePersistentLuaFile).
	 */
	void saveAll();

	/** Do nothing. */
	void storePersistentData();
	void createDirectory(std::string const& path);

	/** False. */
	bool checkDirectory(std::string const& path);

	/**
	 * Unless "deviceModel" is "osx", "windows" or not a string, loads
	 * "gamepurchases.lua", "talonpurchases.lua" and "episodepurchases.lua"
	 * into "g_gamePurchasesTable", "g_talonPurchasesTable" and
	 * "g_episodePurchasesTable".
	 */
	void loadPurchases();

	/** True when "deviceModel" is a string other than "osx" and "windows": the purchase tables have files. */
	bool hasPurchaseFiles() const;

private:
	Core m_core;
	/** This process's hold on the save folder; null before lockFolder. */
	std::unique_ptr<io::FileLock> m_folderLock;

	/** Writes the host-table entry table to file; logs "Failed to save {0}: {1}" instead of throwing. */
	void saveTable(std::string const& file, std::string const& table, bool encrypt);

	SaveTables(SaveTables const&) = delete;
	SaveTables& operator=(SaveTables const&) = delete;
};

} // namespace host
