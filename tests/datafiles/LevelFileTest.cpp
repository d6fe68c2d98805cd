// Levels: loading shipped levels, writing them for the editor and for a
// reload, and the scripts' other file functions.
#include <support/DataFiles.h>
#include <support/FilePermissionsApply.h>
#include <support/HostFixture.h>
#include <datapack/DataPack.h>
#include <ShippedFile.h>
#include <host/Levels.h>
#include <lang/Throwable.h>
#include <box2d/box2d.h>
#include <physics/PhysicsWorld.h>
#include <host/SaveTables.h>
#include <lua/LuaTable.h>
#include <gtest/gtest.h>
#include <filesystem>
#include <functional>
#include <random>
#include <sys/stat.h>

namespace
{

char const* const s_attributes =
	"deadBlocks = {}\n"
	"worldAttributes = { defaultGravityForceMultiplier = 2.5, simulationIterations = 60.9, simulationTimeStepMultiplier = 1.5,"
	" simulationStorePointsSampler = 3, simulationAimSpawnTime = 0.25 }\n";

class LevelFileTest : public test::HostFixture
{
protected:
	/** The message of the exception of running code ("" when none). */
	std::string loadFailure(std::string const& code) { return error(code); }
};

using LevelFile_Load = LevelFileTest;
using LevelFile_Save = LevelFileTest;
using LevelFile_Api = LevelFileTest;

TEST_F(LevelFile_Load, SampleLevelsLoadWithAMissingAttributeAsZero)
{
	io::detail::setBundlePath(ENGINE_BUNDLE_DIR);
	app.setDataPath("data_ipad");
	run(s_attributes);
	testing::internal::CaptureStdout();
	run("loadLevel('levels/meadow')");
	std::string const log = testing::internal::GetCapturedStdout();
	EXPECT_NE(std::string::npos, log.find("Removing physics objects...\nLoading level from file...\n")) << log;
	run("ok = loadedObjects.filename == 'meadow.lua' and loadedObjects.world.beam.definition == 'BLOCK_TIMBER_PLANK'");
	EXPECT_TRUE(host().getBoolean("ok"));
	EXPECT_EQ("levels/meadow", host().levels().levelName());
	EXPECT_FLOAT_EQ(3.5f, host().settings().gravityForceMultiplier); // the level's own
	GameLua::SimulationSettings const& s = host().settings().simulation;
	EXPECT_EQ(60, s.iterations);
	EXPECT_FLOAT_EQ(1.5f, s.timeStepMultiplier);
	EXPECT_EQ(3, s.storePointsSampler);
	EXPECT_FLOAT_EQ(0.25f, s.aimSpawnTime);
	EXPECT_FLOAT_EQ(0.f, s.aimSpeed); // missing
	EXPECT_FALSE(host().settings().loadingLevel);

	run("worldAttributes.simulationIterations = 'many' loadLevel('levels/riverbank')");
	run("ok = loadedObjects.world.well.sensorType == 'gravitation'");
	EXPECT_TRUE(host().getBoolean("ok"));
	EXPECT_FLOAT_EQ(2.5f, host().settings().gravityForceMultiplier); // the default: the level has none
	EXPECT_EQ(0, host().settings().simulation.iterations);   // not a number
}

TEST_F(LevelFile_Load, RefusalsClearTheLoadingFlag)
{
	run(s_attributes);
	test::writeShippedFile(bundle, "good.lua", "filename = 'good.lua'\nworld = {}\n");
	test::writeShippedFile(bundle, "other.lua", "filename = 'good.lua'\n");
	test::writeShippedFile(bundle, "none.lua", "world = {}\n");
	test::writeShippedFile(bundle, "number.lua", "filename = 5\n");
	run("loadLevel('good') first = loadedObjects");

	for (char const* level : {"other", "none", "number"})
	{
		std::string const message = loadFailure(std::string("loadLevel('") + level + "')");
		EXPECT_NE(std::string::npos, message.find(std::string(level) + ".lua")) << message;
		EXPECT_NE(std::string::npos, message.find("instead of")) << message;
		run("same = loadedObjects == first");
		EXPECT_TRUE(host().getBoolean("same")) << level;
		EXPECT_FALSE(host().settings().loadingLevel) << level;
	}

	// Without world attributes the level is taken, then the load fails.
	run("worldAttributes = nil");
	EXPECT_NE("", loadFailure("loadLevel('good')"));
	run("changed = loadedObjects ~= first and loadedObjects.filename == 'good.lua'");
	EXPECT_TRUE(host().getBoolean("changed"));
	EXPECT_FALSE(host().settings().loadingLevel);
	EXPECT_NE("", loadFailure("loadPreviousLevel('good')"));
	EXPECT_FALSE(host().settings().loadingLevel);
}

// Level text that cannot be read: the message names the level's file.
TEST_F(LevelFile_Load, BadLevelTextNamesTheFile)
{
	run(s_attributes);
	struct Case
	{
		char const* text;
		char const* fault;
	};
	Case const cases[] = {
		{"filename = = 'bad.lua'\n", "Error while compiling Lua"},
		{"filename = 'bad.lua'\nx = nil + 1\n", "arithmetic"},
		{"while true do end\n", "instructions"},
		{"\x1bLua\x51\x00rest", "precompiled"},
	};
	for (Case const& c : cases)
	{
		test::writeShippedFile(bundle, "bad.lua", c.text);
		std::string const message = failure("loadLevel('bad')");
		EXPECT_NE(std::string::npos, message.find(bundle / "bad.lua")) << message;
		EXPECT_NE(std::string::npos, message.find(c.fault)) << c.fault << ": " << message;
		EXPECT_EQ(std::string::npos, message.find("ByteArrayInputStream")) << message;
	}
}

TEST_F(LevelFile_Load, DamagedLevelGivesTheLevelOrAnException)
{
	run(s_attributes);
	std::string const text = "filename = \"dune.lua\"\ngravityForceMultiplier = 2\n"
							 "world = { a = { x = 1, y = 2, name = \"a\" }, b = { x = 3, y = 4, name = \"b\" } }\n";
	cipher::Bytes const good = datapack::packShippedFile("dune.lua", text);
	std::vector<cipher::Bytes> damaged;
	for (size_t n = 0; n < good.size(); ++n)
		damaged.emplace_back(good.begin(), good.begin() + static_cast<long>(n));
	std::mt19937 random(19);
	for (int i = 0; i < 300; ++i)
	{
		cipher::Bytes bytes = good;
		bytes[random() % bytes.size()] ^= static_cast<unsigned char>(1 + random() % 255);
		damaged.push_back(bytes);
	}
	// Every damaged file unpacks to the exact text or raises naming the file.
	for (cipher::Bytes const& bytes : damaged)
	{
		try
		{
			EXPECT_EQ(text, ShippedFile::unpack(bytes, "levels/dune.lua"));
		}
		catch (lang::Throwable const& e)
		{
			EXPECT_EQ(0u, e.getMessage().format().find("Failed to read levels/dune.lua: "));
		}
	}
	// Some of them through the loader: the level, or the previous one kept.
	for (size_t i = 0; i < damaged.size(); i += 37)
	{
		run("loadedObjects = 'before'");
		bundle.write("dune.lua", std::string(damaged[i].begin(), damaged[i].end()));
		std::string const message = failure("loadLevel('dune')");
		if (message.empty())
		{
			run("ok = loadedObjects.world.b.y == 4");
			EXPECT_TRUE(host().getBoolean("ok")) << i;
		}
		else
		{
			EXPECT_NE(std::string::npos, message.find("dune.lua")) << message;
			EXPECT_EQ("before", host().getString("loadedObjects"));
		}
		EXPECT_FALSE(host().settings().loadingLevel);
	}
	bundle.write("dune.lua", std::string(good.begin(), good.end()));
	run("loadLevel('dune') ok = loadedObjects.world.b.y == 4 and loadedObjects.world.a.name == 'a'");
	EXPECT_TRUE(host().getBoolean("ok"));
}

TEST_F(LevelFile_Load, LoadingRemovesTheSceneObjects)
{
	run(s_attributes);
	test::writeShippedFile(bundle, "good.lua", "filename = 'good.lua'\n");
	run("createBox('crate', '', 0, 0, 1, 1, 1, 0.5, 0, true, false, 1) createBox('dock', '', 0, 2, 8, 1, 0, 0.5, 0, true, false, 1)");
	ASSERT_NE(nullptr, host().scene().findObject("crate"));
	b2World const* world = host().scene().world().world();
	EXPECT_EQ(2, world->GetBodyCount());
	run("loadLevel('good')");
	EXPECT_EQ(nullptr, host().scene().findObject("crate"));
	EXPECT_EQ(nullptr, host().scene().findObject("dock"));
	EXPECT_EQ(0, host().scene().world().world()->GetBodyCount());
	EXPECT_EQ(world, host().scene().world().world()); // the same world

	// With deterministic physics the world is made afresh.
	run("createBox('crate', '', 0, 0, 1, 1, 1, 0.5, 0, true, false, 1) setGameParameters({ deterministicPhysics = true })"
		" loadPreviousLevel('good')");
	EXPECT_EQ(nullptr, host().scene().findObject("crate"));
	EXPECT_EQ(0, host().scene().world().world()->GetBodyCount());
}

TEST_F(LevelFile_Load, BlockListsMergeIntoTheBlocks)
{
	test::writeShippedFile(bundle, "groups.lua", "wood = { { definition = 'PLANK', hp = 3 }, { definition = 'BEAM' } }\n");
	host().levels().loadLuaFile("groups.lua", "groups", true, true);
	run("b = blockTable.blocks ok = b.PLANK.hp == 3 and b.PLANK.group == 'wood' and b.BEAM.index == 2 and blockTable.groups == nil");
	EXPECT_TRUE(host().getBoolean("ok"));
	EXPECT_TRUE(host().levels().failedFiles().empty());
}

TEST_F(LevelFile_Save, WrittenLevelsReadBack)
{
	run("objects.theme = 'meadow' objects.gravityForceMultiplier = 3 objects.worldGravity = { x = 0, y = 10 }\n"
		"objects.counts = { blocks = 2 } objects.unlisted = 7\n"
		"objects.world = {\n"
		" box = { name = 'box', definition = 'BLOCK_WOOD', type = 'box', x = 1, y = 2, angle = 0.5, scale = 2, scaleX = 9,"
		"   gravityFilterCategory = 'PLANETS', triggerEvents = { 'open' }, startNumber = 1, health = 100 },\n"
		" plain = { name = 'plain', definition = 'BLOCK_STONE', type = 'box', x = 0, y = 0, angle = 0, scaleX = 2, scaleY = 3,"
		"   gravityFilterCategory = 'NONE' },\n"
		" comp = { name = 'comp', definition = 'GROUP_7', type = 'compound', x = 5, y = 5, angle = 0 },\n"
		" well = { name = 'well', definition = 'W', x = 0, y = 0, angle = 0, sensorType = 'gravitation',"
		"   gravitationMinForce = 1, gravitationMaxForce = 5, radius = 50, width = 9 },\n"
		" field = { name = 'field', definition = 'F', x = 0, y = 0, angle = 0, sensorType = 'gravitation',"
		"   gravitationMinForce = 1, gravitationMaxForce = 5, width = 8, height = 6, forceAngle = 90 },\n"
		" kill = { name = 'kill', definition = 'K', x = 0, y = 0, angle = 0, sensorType = 'killing', width = 4, height = 3, radius = 1 },\n"
		" bomb = { name = 'bomb', definition = 'B', x = 0, y = 0, angle = 0, canBeEdited = true, explosionRadius = 3,"
		"   explosionForce = 'strong', startingForce = 2 },\n"
		" target = { name = 'target', definition = 'BLOCK_SENSOR_TARGET_A', x = 0, y = 0, angle = 0 },\n"
		" target2 = { name = 'target2', definition = 'BLOCK_SENSOR_TARGET_B_2', x = 0, y = 0, angle = 0 },\n"
		" [3] = { name = 'three', definition = 'N', x = 0, y = 0, angle = 0 },\n"
		" notATable = 5,\n"
		"}\n");
	run("saveLevel('levels/edited')");
	std::string const text = appData.read("levels/edited.lua");
	ASSERT_FALSE(text.empty());
	lua::LuaTable level(lua);
	io::ByteArrayInputStream in(text.data(), static_cast<int>(text.size()));
	level.read(in);
	host().setTable("edited", level);

	struct Case
	{
		char const* check; // true for the written level "e"
	};
	Case const cases[] = {
		{"e.theme == 'meadow' and e.gravityForceMultiplier == 3 and e.worldGravity.y == 10 and e.counts.blocks == 2"},
		{"e.unlisted == nil and e.world.notATable == nil"},
		{"e.world.box.scale == 2 and e.world.box.scaleX == nil and e.world.box.health == nil and e.world.box.startNumber == 1"},
		{"e.world.box.gravityFilterCategory == 'PLANETS' and e.world.box.triggerEvents[1] == 'open' and e.world.box.angle == 0.5"},
		{"e.world.plain.scaleX == 2 and e.world.plain.scaleY == 3 and e.world.plain.gravityFilterCategory == nil"},
		{"e.world.comp.definition == 'compound' and e.world.comp.type == 'compound'"},
		{"e.world.well.radius == 50 and e.world.well.width == nil and e.world.well.gravitationMaxForce == 5"},
		{"e.world.field.radius == nil and e.world.field.width == 8 and e.world.field.forceAngle == 90"},
		{"e.world.kill.width == 4 and e.world.kill.height == 3 and e.world.kill.radius == nil"},
		{"e.world.bomb.explosionRadius == 3 and e.world.bomb.explosionForce == nil and e.world.bomb.startingForce == 2"},
		{"e.world.target == nil and e.world.target2 ~= nil and e.world[3].name == 'three'"},
	};
	for (Case const& c : cases)
	{
		run(std::string("e = edited ok = ") + c.check);
		EXPECT_TRUE(host().getBoolean("ok")) << c.check;
	}

	// For a reload: no gravity, no filters or triggers, the second targets left out.
	run("saveLevelForReload('x') r = objects.previousLevel\n"
		"ok = r.worldGravity == nil and r.world.box.gravityFilterCategory == nil and r.world.box.triggerEvents == nil"
		" and r.world.target2 == nil and r.world.plain ~= nil and r.gravityForceMultiplier == 3");
	EXPECT_TRUE(host().getBoolean("ok"));
}

TEST_F(LevelFile_Save, ReloadTakesThePreviousGravity)
{
	run(s_attributes);
	run("objects.gravityForceMultiplier = 6 objects.world = {} saveLevelForReload('a') loadPreviousLevel('a')");
	EXPECT_FLOAT_EQ(6.f, host().settings().gravityForceMultiplier);
	EXPECT_EQ(60, host().settings().simulation.iterations);
	run("objects.previousLevel.gravityForceMultiplier = nil loadPreviousLevel('a')");
	EXPECT_FLOAT_EQ(2.5f, host().settings().gravityForceMultiplier);
	EXPECT_FALSE(host().settings().loadingLevel);
}

TEST_F(LevelFile_Save, FailedWriteKeepsTheOldLevel)
{
	appData.write("lv.lua", "old level");
	// The game holds its folder before the folder turns read-only (one
	// that cannot lock it writes no save at all).
	host();
	testing::internal::CaptureStdout();
	{
		// No new file can be made in the folder.
		test::FilePermissionsApply permissions;
		ASSERT_EQ(0, chmod(appData.path().c_str(), 0500));
		run("objects.world = {} saveLevel('lv')");
		ASSERT_EQ(0, chmod(appData.path().c_str(), 0700));
	}
	std::string const log = testing::internal::GetCapturedStdout();
	EXPECT_EQ("old level", appData.read("lv.lua"));
	EXPECT_NE(std::string::npos, log.find("Failed to save lv.lua: ")) << log;
}

// A level's folders below the save folder are made one by one and never
// through a link: a folder on the way that is a link (to a folder outside),
// a file, or a ".." fails the save with its line, and nothing is made
// outside the save folder.
TEST_F(LevelFile_Save, FoldersOnTheWayAreNeverFollowedOutOfTheSaveFolder)
{
	test::TempFolder outside;
	std::filesystem::create_directory_symlink(outside.path(), appData / "linked");
	appData.write("plain", "a file");
	host();
	// A name of this run's own beside the save folder.
	std::string const escape = std::filesystem::path(appData.path()).filename().string() + "-escape";
	struct Case
	{
		std::string name;
		char const* line;
	};
	Case const cases[] = {
		{"linked/x", "it is a link, not a folder"},
		{"linked/deeper/x", "it is a link, not a folder"},
		{"plain/x", "it is a file, not a folder"},
		{"../" + escape, "it leaves "},
		{"made/../../" + escape, "it leaves "},
	};
	for (Case const& c : cases)
	{
		testing::internal::CaptureStdout();
		run("objects.world = {} saveLevel('" + c.name + "')");
		std::string const log = testing::internal::GetCapturedStdout();
		EXPECT_NE(std::string::npos, log.find(std::string("Failed to save "))) << c.name << ": " << log;
		EXPECT_NE(std::string::npos, log.find(c.line)) << c.name << ": " << log;
	}
	EXPECT_TRUE(std::filesystem::is_empty(outside.path()));
	EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(appData.path()).parent_path() / (escape + ".lua")));
	EXPECT_EQ("a file", appData.read("plain"));
	EXPECT_FALSE(std::filesystem::exists(appData / "made"));

	// Folders that are not there yet are made.
	run("objects.world = {} saveLevel('new/deeper/x')");
	EXPECT_FALSE(appData.read("new/deeper/x.lua").empty());
}

TEST_F(LevelFile_Api, ObjectFilesAndDirectories)
{
	test::writeShippedFile(bundle, "obj.lua", "speed = 4\nfunction hostOk() return gamelua == _G.nothing end\n");
	run("t = {} loadLuaFileToObject('obj.lua', t, 'enemy') loadLuaFileToObject('obj.lua', t, '')\n"
		"ok = t.enemy.speed == 4 and t.enemy.gamelua == this and t.enemy[0] == nil and t.speed == 4");
	EXPECT_TRUE(host().getBoolean("ok"));
	EXPECT_NE(std::string::npos, error("loadLuaFileToObject('obj.lua', 'x', 'y')").find("Excepted type TABLE at stack position 2 but found STRING"));
	EXPECT_NE(std::string::npos, error("loadLuaFileToObject('obj.lua', {})").find("stack position 3"));
	EXPECT_NE("", error("loadLuaFileToObject('missing.lua', {}, 'k')"));

	run("found = checkForLuaFile('obj.lua') dir = checkDirectory('.') createDirectory('x') storePersistentData()");
	EXPECT_TRUE(host().getBoolean("found"));
	EXPECT_FALSE(host().getBoolean("dir"));
	EXPECT_FALSE(std::filesystem::exists(appData / "x"));
	EXPECT_NE(std::string::npos, error("checkForLuaFile('missing.lua')").find("missing.lua"));
}

TEST_F(LevelFile_Api, OnLoadLuaFileFailWithAndWithoutHandler)
{
	testing::internal::CaptureStdout();
	run("onLoadLuaFileFail('a.lua')");
	std::string const log = testing::internal::GetCapturedStdout();
	EXPECT_NE(std::string::npos, log.find("No script handler for the failed file a.lua")) << log;
	run("function onLoadLuaFileFail(file) failed = file end");
	host().levels().onLoadLuaFileFail("b.lua");
	EXPECT_EQ("b.lua", host().getString("failed"));
}

TEST_F(LevelFile_Api, BlocksForEditingArePlainText)
{
	run("scriptPath = 'editor'");
	char const* const files[] = {"blocks_levelgoals", "blocks_scoreobjects", "flyers", "blocks_hazard", "blocks_wood",
		"blocks_stone", "blocks_glass", "blocks_gameElements", "blocks_static", "blocks_planets", "blocks_asteroids",
		"blocks_decorations", "blocks_sensors", "groups"};
	for (char const* file : files)
		bundle.write(std::string("editor/") + file + ".lua", std::string("name = '") + file + "'\n");
	run("loadBlocksForEditing() ok = blockEditorTable.flyers.name == 'flyers' and blockEditorTable.groups.name == 'groups'");
	EXPECT_TRUE(host().getBoolean("ok"));
}

} // namespace

namespace
{

/** One way the game reads table text: loads file (a bundle or save file name) and returns what landed. */
struct TableTextPath
{
	char const* name;
	/** Loads the file "t.lua"; false when the load was refused. */
	std::function<bool()> load;
	/** Lua expression: the text's own field "seen" as it landed (nil when this path does not keep it). */
	char const* seen;
};

} // namespace

// Table text is data: on every path that reads it, the text sees nothing but
// a fresh table of its own (no globals, no host, no libraries), and what the
// path copies into the host or an object afterwards lands as before.
TEST_F(LevelFile_Api, TableTextSeesOnlyItsOwnTable)
{
	std::string const marker = appData / "escaped.txt";
	std::vector<std::string> const hostile = {
		"_G.escaped = true",
		"this.escaped = true",
		"gamelua._G.escaped = true",
		"getfenv(0).escaped = true",
		"getfenv(1).escaped = true",
		"setmetatable({}, {})",
		"x = string.rep('a', 2)",
		"x = ('a'):rep(2)",
		"io.open('" + marker + "', 'w')",
		"_G.io.open('" + marker + "', 'w')",
		"gamelua._G.io.open('" + marker + "', 'w')",
		"this.io.open('" + marker + "', 'w')",
		"os.remove('" + marker + "')",
		"loadstring('escaped = true')()",
		"x = {} x.y = x.z.w",
	};
	// Looks at what a text sees, without failing.
	std::string const looker = "seen = _G == nil and this == nil and gamelua == nil and getfenv == nil"
		" and setmetatable == nil and string == nil and io == nil and os == nil and loadstring == nil"
		" and rawget == nil\n";

	auto shipped = [this](std::string const& table, bool intoBlocks, bool viaBlockList) {
		return [this, table, intoBlocks, viaBlockList]() {
			size_t const failed = host().levels().failedFiles().size();
			host().levels().loadLuaFile("t.lua", table, intoBlocks, viaBlockList);
			return host().levels().failedFiles().size() == failed;
		};
	};
	auto script = [this](std::string const& code) {
		return [this, code]() { return failure(code).empty(); };
	};
	std::vector<TableTextPath> const paths = {
		{"loadLuaFile into the host table", shipped("", false, false), "seen"},
		{"loadLuaFile into a host entry", shipped("entry", false, false), "entry.seen"},
		{"loadLuaFile into the blocks", shipped("entry", true, false), "blockTable.entry.seen"},
		{"loadLuaFile via the block list", shipped("entry", true, true), "nil"},
		{"loadLuaFileToObject with a key", script("o = {} loadLuaFileToObject('t.lua', o, 'k')"), "o.k.seen"},
		{"loadLuaFileToObject into the target", script("o = {} loadLuaFileToObject('t.lua', o, '')"), "o.seen"},
		{"loadLevel", script("loadLevel('t')"), "loadedObjects.seen"},
		{"loadBlocksForEditing", script("scriptPath = 'ed' loadBlocksForEditing()"), "blockEditorTable.groups.seen"},
		{"loadPersistentFile",
			[this]() {
				host().setTable("save", host().saveTables().loadPersistentFile("t.lua"));
				return true;
			},
			"save.seen"},
	};
	char const* const editorFiles[] = {"blocks_levelgoals", "blocks_scoreobjects", "flyers", "blocks_hazard", "blocks_wood",
		"blocks_stone", "blocks_glass", "blocks_gameElements", "blocks_static", "blocks_planets", "blocks_asteroids",
		"blocks_decorations", "blocks_sensors", "groups"};
	auto writeText = [&](std::string const& text) {
		// A level must name its own file; the others take the text as it is.
		test::writeShippedFile(bundle, "t.lua", "filename = 't.lua'\n" + text);
		for (char const* file : editorFiles)
			bundle.write(std::string("ed/") + file + ".lua", text);
		cipher::Bytes save;
		ASSERT_TRUE(cipher::encrypt(cipher::getVariableKey(), text.data(), text.size(), save));
		appData.write("t.lua", std::string(save.begin(), save.end()));
	};
	run(s_attributes);
	for (TableTextPath const& path : paths)
	{
		for (std::string const& text : hostile)
		{
			writeText(text + "\n");
			path.load();
			EXPECT_EQ("nil", eval("escaped")) << path.name << ": " << text;
			EXPECT_EQ("nil", eval("_G.escaped")) << path.name << ": " << text;
			EXPECT_FALSE(std::filesystem::exists(marker)) << path.name << ": " << text;
			EXPECT_EQ("function", eval("_G.type(_G.io.open)")) << path.name << ": " << text;
			// Each row on its own.
			std::filesystem::remove(marker);
			run("escaped = nil _G.escaped = nil");
		}
		writeText(looker);
		EXPECT_TRUE(path.load()) << path.name;
		if (std::string(path.seen) != "nil")
			EXPECT_EQ("true", eval(path.seen)) << path.name;
		// The host keeps its own globals.
		EXPECT_EQ("true", eval("_G ~= nil and this ~= nil and _G.type(_G.string.rep) == 'function'")) << path.name;
	}
}
