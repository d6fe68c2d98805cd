#pragma once

#include <host/Core.h>
#include <lua/LuaTable.h>
#include <string>
#include <vector>

namespace lua
{
class LuaState;
}

namespace host
{

class Aiming;
class ParticleEffects;
class SceneObjects;
class ScriptUtilities;
class Themes;
struct WorldSettings;

/**
 * The shipped Lua files and the levels: the game logic's compilation, the
 * shipped tables the scripts load, the files that failed to load, the level
 * editor's block table, loading a level into "loadedObjects" with its world
 * attributes, and writing the scene of "objects" back as a level table.
 *
 * Loading a level clears the scene (objects, bodies, vertex list; the world
 * is reset when physics is deterministic), the particles and the themes'
 * reference camera, and sets the world settings the physics and the aiming
 * read. What it does to areas it does not reach goes through its hooks.
 *
 * Main thread only.
 */
class Levels
{
public:
	/**
	 * Not compiled, no failed file, no level name; the editor's block table
	 * made empty (not yet stored in the host table). The core and the areas
	 * are borrowed and must outlive this object. Touches no table.
	 */
	Levels(Core const& core, WorldSettings& settings, SceneObjects& scene, Themes& themes,
		ScriptUtilities& utilities, ParticleEffects& particles, Aiming& aiming);

	/**
	 * Runs the shipped Lua source file (path under the application's data
	 * path, see ShippedFile) with the host table as its environment and the
	 * file's bundle path as chunk name, calls the script function
	 * "updateValues" and marks the game logic compiled. A file that cannot be
	 * read, compiled ("Error while compiling Lua: {0}") or run, or a failing
	 * "updateValues", is logged and recorded in failedFiles().
	 */
	void compile(std::string const& file);

	/** True once compile() has succeeded. */
	bool isCompiled() const { return m_compiled; }

	/**
	 * Reads the shipped Lua table text file (path under the application's
	 * data path) into: the host table itself when table is empty; else a new
	 * table stored as the host-table entry table (intoBlocks false), as the
	 * entry table of "blockTable" (intoBlocks true, viaBlockList false) or
	 * merged into the block list of "blockTable" (both true: each of its
	 * tables is stored under its key in "blocks"). A failure is logged and
	 * recorded in failedFiles(); then no entry changes.
	 */
	void loadLuaFile(std::string const& file, std::string const& table, bool intoBlocks = false, bool viaBlockList = false);

	/**
	 * Raw, (file, target, key): reads the shipped file; with a non-empty key
	 * into a new table whose "gamelua" is the host table, stored as
	 * target[key]; with an empty key into target itself. No results.
	 * @exception lua::LuaException The type-check message for an argument
	 *            that is not a string, table, string in that order.
	 * @exception lang::Throwable The shipped file's failure (ShippedFile::read).
	 */
	int loadLuaFileToObject(lua::LuaState* state);

	/**
	 * True when the bundle file (path under the application's data path)
	 * opens.
	 * @exception io::IOException The open failure for a missing file
	 *            (scripts rely on the error).
	 */
	bool checkForLuaFile(std::string const& file);

	/**
	 * Sets "blockEditorTable" to the editor's block table and reads the
	 * fourteen plain-text block files "scriptPath" + "/blocks_*.lua", ...
	 * of the bundle into it, each under its own key.
	 * @exception lang::Throwable A file that cannot be opened or read.
	 */
	void loadBlocksForEditing();

	/**
	 * Loads the shipped level name (+ ".lua", under the application's data
	 * path) as "loadedObjects" and applies the host table's
	 * "worldAttributes". The loading flag is cleared on every exit.
	 * @exception lang::Throwable The shipped file's failure; "Level {0} holds
	 *            filename {1} instead of {2}" (before "loadedObjects"
	 *            changes); the table getter's failure when "worldAttributes"
	 *            is not a table (after).
	 */
	void loadLevel(std::string const& name);

	/**
	 * As loadLevel but without a file: the gravity force multiplier comes
	 * from "previousLevel" of "objects" when it holds one, and the
	 * starting-camera flag is cleared whatever the name.
	 * @exception lang::Throwable When "worldAttributes" is not a table.
	 */
	void loadPreviousLevel(std::string const& name);

	/**
	 * Writes the level of "objects" as plain Lua table text to the app-data
	 * file name + ".lua" under the application's data path, creating its
	 * folders. Never throws: a failure logs "Failed to save {0}: {1}" and
	 * keeps the previous file.
	 */
	void saveLevel(std::string const& name);

	/** Builds the same level table (less gravity and triggers) as "previousLevel" of "objects". */
	void saveLevelForReload(std::string const& name);

	/**
	 * Calls the script function "createStartUpAssets", then limits the clips
	 * each track of the audio output plays at once: track 1 to 4, 2 to 6, 3
	 * to 3, 4 and 5 to 5. Without an audio output the limits are skipped
	 * (logged).
	 * @exception lang::Throwable From the call.
	 */
	void createAssets();

	/**
	 * Tells the scripts that file failed to load: calls the host-table entry
	 * "onLoadLuaFileFail" with the name when the scripts defined it, else
	 * logs the file and goes on.
	 * @exception lang::Throwable From the script handler.
	 */
	void onLoadLuaFileFail(std::string const& file);

	/** Files that failed to load since the last clearFailedFiles(), in order. */
	std::vector<std::string> const& failedFiles() const { return m_failedFiles; }

	/** Empties failedFiles(). */
	void clearFailedFiles() { m_failedFiles.clear(); }

	/** The name given to the last loadLevel; empty before. */
	std::string const& levelName() const { return m_levelName; }

private:
	Core m_core;
	WorldSettings& m_settings;
	SceneObjects& m_scene;
	Themes& m_themes;
	ScriptUtilities& m_utilities;
	ParticleEffects& m_particles;
	Aiming& m_aiming;
	bool m_compiled;
	std::vector<std::string> m_failedFiles;
	lua::LuaTable m_blockEditorTable;
	lua::LuaTable m_deadBlocks;
	lua::LuaTable m_worldAttributes;
	std::string m_levelName;

	/** Logs the failure and records file in failedFiles(). */
	void fileFailed(std::string const& file, std::string const& error);

	/** Loading steps 2 to 4 shared by loadLevel and loadPreviousLevel: counters, flag, dead blocks, objects removed. */
	void beginLevelLoad();

	/**
	 * Removes the level's scene: every object record with its body, the
	 * per-level maps and lists; resets the physics world when physics is
	 * deterministic.
	 */
	void clearLevelObjects();

	/** Applies the host table's "worldAttributes"; keepMultiplier when the level set the gravity multiplier. */
	void applyWorldAttributes(bool keepMultiplier);

	/** The level table of "objects" that saveLevel (forReload false) or saveLevelForReload writes. */
	lua::LuaTable buildLevelTable(bool forReload);

	Levels(Levels const&) = delete;
	Levels& operator=(Levels const&) = delete;
};

} // namespace host
