// The host table, calls into the scripts, argument checks and the save files.
#include <support/FileSizeLimit.h>
#include <support/HostFixture.h>
#include <host/SaveTables.h>
#include <lang/Throwable.h>
#include <pf/DeviceID.h>
#include <lua.hpp>
#include <gtest/gtest.h>
#include <filesystem>
#include <random>
#include <unistd.h>

namespace
{

class GameLuaTest : public test::HostFixture
{
protected:
	/** Calls the script function name and returns the first line of the LuaException ("" when none). */
	std::string callFailure(char const* name)
	{
		try
		{
			host().call(name);
		}
		catch (lua::LuaException const& e)
		{
			return e.getMessage().format();
		}
		return "";
	}
};

using GameLua_Table = GameLuaTest;
using GameLua_Dispatch = GameLuaTest;
using GameLua_Saves = GameLuaTest;

TEST_F(GameLua_Table, HoldsItselfGlobalsAndAddress)
{
	run("selfIsThis = (this == _G.nothing) == false and this.this == this\n"
		"globalsOk = _G == _G._G\n"
		"kind = _G.type(this[0])");
	EXPECT_TRUE(host().getBoolean("selfIsThis"));
	EXPECT_TRUE(host().getBoolean("globalsOk"));
	EXPECT_EQ("userdata", host().getString("kind"));

	lua_State* L = lua::LuaAccess::get(lua);
	lua::LuaStackRestore restore(L);
	host().pushMember("this");
	lua_rawgeti(L, -1, 0);
	EXPECT_EQ(static_cast<void*>(&host()), lua_touserdata(L, -1));
}

TEST_F(GameLua_Table, ConstructionPublishesTheDeviceIdAndTheStoreFlag)
{
	// getDeviceID stays empty: the identifier reaches the scripts as uniqueDeviceId.
	EXPECT_EQ(pf::DeviceID().getDeviceIDHash(), eval("uniqueDeviceId"));
	EXPECT_EQ(40u, eval("uniqueDeviceId").size());
	EXPECT_EQ("", eval("getDeviceID()"));
	EXPECT_EQ("true", eval("g_iapEnabled"));
}

TEST_F(GameLua_Table, ScriptFunctionReplacesApiEntry)
{
	run("function print(text) printed = text end");
	host().call("print", std::string("through the script"));
	EXPECT_EQ("through the script", host().getString("printed"));
}

TEST_F(GameLua_Table, FailedCallsKeepStackAndCarryCallStack)
{
	run("function broken() local t = nil; return t.x end\n"
		"function thrower() throwException('bye') end");
	int top = lua->top();

	std::string missing = callFailure("noSuchFunction");
	EXPECT_NE("", missing);
	EXPECT_NE(std::string::npos, missing.find("all stack")) << missing;
	EXPECT_EQ(top, lua->top());

	std::string broken = callFailure("broken");
	EXPECT_NE(std::string::npos, broken.find("attempt to index")) << broken;
	EXPECT_NE(std::string::npos, broken.find("all stack")) << broken;
	EXPECT_EQ(top, lua->top());

	bool plainThrowable = false;
	try
	{
		host().call("thrower");
	}
	catch (lua::LuaException const&)
	{
	}
	catch (lang::Throwable const& e)
	{
		plainThrowable = e.getMessage().format().empty();
	}
	EXPECT_TRUE(plainThrowable);
	EXPECT_EQ(top, lua->top());
}

TEST_F(GameLua_Dispatch, ChecksExactTypesBeforeTheMemberRuns)
{
	struct Case
	{
		char const* code;
		char const* error; // start of the message; "" when the call succeeds
	};
	Case const cases[] = {
		{"setResolution('800', 600)", "Excepted type NUMBER at stack position 1 but found STRING"},
		{"print(5)", "Excepted type STRING at stack position 1 but found NUMBER"},
		{"setResolution(800)", "Excepted type NUMBER at stack position 2 but found INVALID"},
		{"captureMouse(1)", "Excepted type BOOLEAN at stack position 1 but found NUMBER"},
		{"captureMouse()", "Excepted type BOOLEAN at stack position 1 but found INVALID"},
		{"this:print('x')", "Excepted type STRING at stack position 1 but found TABLE"},
		{"performBitwiseAnd(1, '2')", "Excepted type NUMBER at stack position 2 but found STRING"},
		{"setFullScreenMode(nil)", "Excepted type BOOLEAN at stack position 1 but found NIL"},
		{"setResolution(800, 600, 'surplus', {})", ""},
	};
	for (Case const& c : cases)
	{
		os.calls.clear();
		std::string message = failure(c.code);
		if (*c.error)
		{
			EXPECT_EQ(0u, message.find(c.error)) << c.code << ": " << message;
			EXPECT_TRUE(os.calls.empty()) << c.code;
		}
		else
		{
			EXPECT_EQ("", message) << c.code;
		}
	}
	EXPECT_EQ(std::vector<std::string>{"setResolution(800, 600)"}, os.calls);
}

TEST_F(GameLua_Dispatch, NumbersBecomeSaturatedIntegers)
{
	struct Case
	{
		char const* expr;
		double expected;
	};
	Case const cases[] = {
		{"performBitwiseAnd(7.9, 3.2)", 3},
		{"performBitwiseOr(7.9, 3.2)", 7},
		{"performBitwiseAnd(-1.5, -1)", -1},
		{"performBitwiseOr(1e12, 0)", 2147483647},
		{"performBitwiseOr(-1e12, 0)", -2147483648.0},
		{"performBitwiseOr(0/0, 5)", 5},
		{"performBitwiseAnd(16777217, 1)", 1},
		{"performBitwiseOr(16777216, 1)", 16777217},
	};
	for (Case const& c : cases)
	{
		run(std::string("result = ") + c.expr);
		lua::LuaStackRestore restore(lua);
		host().pushMember("result");
		EXPECT_EQ(c.expected, lua_tonumber(lua::LuaAccess::get(lua), -1)) << c.expr;
	}

	run("setResolution(-1.5, 600) setResolution(1e12, 0/0) setResolution(1e12, 768.9)");
	EXPECT_EQ(std::vector<std::string>{"setResolution(2147483647, 768)"}, os.calls);
}

// Writes name with text into the app-data folder.
void writeSave(test::TempFolder const& folder, std::string const& name, std::string const& text)
{
	folder.write(name, text);
}

TEST_F(GameLua_Saves, RoundTrip)
{
	writeSave(appData, "settings.lua", "launches = 2\nroot = { audioEnabled = true, name = \"p\" }\n");
	run("settings.launches = settings.launches + 1\n"
		"highscores.level1 = { score = 1200, stars = 3 }\n"
		"bi_data.sessions = 7");
	destroyHost();
	for (auto const& entry : std::filesystem::directory_iterator(appData.path()))
		EXPECT_NE(".tmp", entry.path().extension()) << entry.path();

	run("ok = settings.launches == 3 and settings.root.audioEnabled and settings.root.name == 'p'\n"
		"  and highscores.level1.score == 1200 and highscores.level1.stars == 3 and bi_data.sessions == 7");
	EXPECT_TRUE(host().getBoolean("ok"));
}

TEST_F(GameLua_Saves, PurchaseFilesDependOnDeviceModel)
{
	struct Case
	{
		char const* model; // Lua expression
		bool purchases;
	};
	Case const cases[] = {{"'osx'", false}, {"'windows'", false}, {"nil", false}, {"5", false}, {"'ipad'", true}};
	for (Case const& c : cases)
	{
		std::filesystem::remove_all(appData.path());
		std::filesystem::create_directories(appData.path());
		run(std::string("deviceModel = ") + c.model);
		host().saveTables().loadPurchases();
		EXPECT_EQ(c.purchases, host().isTable("g_gamePurchasesTable")) << c.model;
		run("g_gamePurchasesTable = { coins = 3 } g_talonPurchasesTable = {} g_episodePurchasesTable = {}");
		destroyHost();
		EXPECT_TRUE(std::filesystem::exists(appData / "settings.lua"));
		EXPECT_TRUE(std::filesystem::exists(appData / "highscores.lua"));
		EXPECT_TRUE(std::filesystem::exists(appData / "bi_data.lua"));
		for (char const* file : {"gamepurchases.lua", "talonpurchases.lua", "episodepurchases.lua"})
			EXPECT_EQ(c.purchases, std::filesystem::exists(appData / file)) << c.model << " " << file;
	}
	// The last case left the purchase files of an "ipad".
	run("deviceModel = 'ipad'");
	host().saveTables().loadPurchases();
	EXPECT_EQ(3, host().getTable("g_gamePurchasesTable").getNumber("coins"));
}

TEST_F(GameLua_Saves, FaultsKeepThePreviousFile)
{
	writeSave(appData, "settings.lua", "launches = 4\n");
	writeSave(appData, "highscores.lua", "best = 10\n");
	run("settings = 5 highscores.best = ('x'):rep(100000) bi_data.x = 1");
	testing::internal::CaptureStdout();
	{
		// The high scores no longer fit on the device; the small files do.
		test::FileSizeLimit full(16384);
		destroyHost();
	}
	std::string log = testing::internal::GetCapturedStdout();

	EXPECT_EQ("launches = 4\n", appData.read("settings.lua"));
	EXPECT_EQ("best = 10\n", appData.read("highscores.lua"));
	EXPECT_TRUE(std::filesystem::exists(appData / "bi_data.lua"));
	EXPECT_NE(std::string::npos, log.find("Failed to save settings.lua: settings is not a table")) << log;
	EXPECT_NE(std::string::npos, log.find("Failed to save highscores.lua: ")) << log;
}

TEST_F(GameLua_Saves, BrokenTextGivesAnEmptyTable)
{
	char const* texts[] = {
		"a = 1\nb = nil + 1\n", // fails while running, after a was set
		"a = 1\nb = = 2\n",     // does not compile
		"",                     // empty
		"\x1bLua binary",       // precompiled chunks are refused
	};
	for (char const* text : texts)
	{
		writeSave(appData, "bi_data.lua", text);
		lua::LuaTable table = host().saveTables().loadPersistentFile("bi_data.lua");
		EXPECT_EQ(0, table.size()) << text;
	}
	lua::LuaTable missing = host().saveTables().loadPersistentFile("missing.lua");
	EXPECT_EQ(0, missing.size());
}

TEST_F(GameLua_Saves, DamagedSavesNeverCrash)
{
	std::string const text = "launches = 12\nvolume = 0.7\nroot = {\n    audioEnabled = true,\n    name = \"player\",\n"
							  "    list = { 1, 2, 3 },\n}\nflags = { [\"a b\"] = false, [5] = \"x\" }\n";
	auto load = [&](std::string const& bytes) {
		writeSave(appData, "settings.lua", bytes);
		lua::LuaTable table = host().saveTables().loadPersistentFile("settings.lua");
		EXPECT_GE(table.size(), 0);
	};
	load(text);
	EXPECT_EQ(12, host().saveTables().loadPersistentFile("settings.lua").getNumber("launches"));
	for (size_t n = 0; n < text.size(); ++n)
		load(text.substr(0, n));
	std::mt19937 random(15);
	for (int i = 0; i < 400; ++i)
	{
		std::string bytes = text;
		bytes[random() % bytes.size()] ^= static_cast<char>(1 + random() % 255);
		load(bytes);
	}
}

} // namespace
