// The scripts' small library, called from script text.
#include <support/ExactNumbers.h>
#include <support/HostFixture.h>
#include <host/Tally.h>
#include <host/ScriptUtilities.h>
#include <lang/System.h>
#include <lang/Throwable.h>
#include <util/JSONParse.h>
#include <util/JSONPrint.h>
#include <cjson/cJSON.h>
#include <lua.hpp>
#include <gtest/gtest.h>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <ctime>

namespace
{

class ScriptUtil : public test::HostFixture
{
protected:
	/** The text printed to standard output while code runs. */
	std::string printed(std::string const& code)
	{
		host();
		testing::internal::CaptureStdout();
		std::string error = failure(code);
		std::string out = testing::internal::GetCapturedStdout();
		EXPECT_EQ("", error) << code;
		return out;
	}
};

/** Fixes the time zone for the test. */
class FixedZone
{
public:
	explicit FixedZone(char const* zone)
	{
		char const* old = getenv("TZ");
		m_hadOld = old != nullptr;
		if (old)
			m_old = old;
		setenv("TZ", zone, 1);
		tzset();
	}

	~FixedZone()
	{
		if (m_hadOld)
			setenv("TZ", m_old.c_str(), 1);
		else
			unsetenv("TZ");
		tzset();
	}

private:
	bool m_hadOld;
	std::string m_old;
};

TEST_F(ScriptUtil, ReturnsOfTheSimpleMembers)
{
	struct Case
	{
		char const* expr;
		char const* expected;
	};
	Case const cases[] = {
		{"getClipboardText()", ""},
		{"getDeviceID()", ""},
		{"doesMouseClickSetsTouchCount()", "false"},
		{"decodeBase64('aGVsbG8gd29ybGQ')", "hello world"},
		{"decodeBase64('-_8=')", "\xfb\xff"},
		{"exportLuaTableAsJSON('noSuchTable')", ""},
		{"exportLuaTableAsJSON('screenWidth')", ""},
		{"GetJSONDiff('noSuchTable', 'objects')", "{}"},
		{"GetJSONDiff('objects', 'screenWidth')", "{}"},
		{"getJSONHash('{\"a\":1,\"b\":[true,\"x\"]}') == getJSONHash('{\"b\":[true,\"x\"],\"a\":1}')", "true"},
		{"getJSONHash('{\"a\":1}') == getJSONHash('{\"a\":2}')", "false"},
	};
	for (Case const& c : cases)
		EXPECT_EQ(c.expected, eval(c.expr)) << c.expr;
	run("openBarnesAndNobleShop('shop') checkForUpdates() callVersionUpdater() goToTaskSwitcherLua()");
}

TEST_F(ScriptUtil, JSONImportExportAndDiff)
{
	run("saved = { name = 'p', level = 3, list = { 1, 2 } }\n"
		"importJSONToLuaTable('{\"extra\":{\"on\":true},\"level\":4,\"gone\":null}', 'saved')\n"
		"ok = saved.extra.on == true and saved.level == 4 and saved.name == 'p' and saved.gone == nil\n"
		"importJSONToLuaTable('{\"x\":1}', 'screenWidth')\n"
		"importJSONToLuaTable('{\"x\":1}', 'noSuchTable')\n"
		"a = { n = 1, keep = 'k' } b = { n = 2, keep = 'k', added = true }");
	EXPECT_TRUE(host().getBoolean("ok"));
	EXPECT_EQ(768, host().getNumber("screenWidth"));
	EXPECT_TRUE(host().isNil("noSuchTable"));
	run("nested = { list = { 1, 2 } }");
	EXPECT_EQ("{\"list\":[1,2]}", eval("exportLuaTableAsJSON('nested')"));
	EXPECT_EQ("{\"added\":true,\"n\":2}", eval("GetJSONDiff('a', 'b')"));

	EXPECT_EQ(0u, error("importJSONToLuaTable('{broken', 'saved')").find("JSON parsing failed here: "));
	EXPECT_EQ(0u, error("getJSONHash('[1,')").find("JSON parsing failed here: "));
	EXPECT_EQ("BaseN::decode: Bad character in input: 42", error("decodeBase64('ab*c')"));
}

TEST_F(ScriptUtil, Dates)
{
	FixedZone zone("Europe/Berlin");
	// 90061 seconds: one day, one hour, one minute and one second, across the change to summer time.
	run("t1 = { year = 2024, month = 3, day = 30, hour = 12, minutes = 0, seconds = 0 }\n"
		"t2 = { year = 2024, month = 3, day = 31, hour = 13, minutes = 1, seconds = 1 }\n"
		"d1 = getTimeDifference(t1, t2) d2 = getTimeDifference(t2, t1)\n"
		"s1 = getTimeDifferenceInSeconds(t1, t2) s2 = getTimeDifferenceInSeconds(t2, t1)\n"
		"noon = getTimeDifferenceInSeconds({ year = 2024, month = 1, day = 2 }, { year = 2024, month = 1, day = 1, hour = 'x' })");
	for (char const* d : {"d1", "d2"})
	{
		lua::LuaTable diff = host().getTable(d);
		EXPECT_EQ(1, diff.getNumber("days")) << d;
		EXPECT_EQ(1, diff.getNumber("hours")) << d;
		EXPECT_EQ(1, diff.getNumber("minutes")) << d;
		EXPECT_EQ(1, diff.getNumber("seconds")) << d;
	}
	EXPECT_EQ(-90061, host().getNumber("s1"));
	EXPECT_EQ(90061, host().getNumber("s2"));
	EXPECT_EQ(86400, host().getNumber("noon"));

	EXPECT_EQ("Tried to get value year from table, but type was STRING instead of NUMBER",
		error("getTimeDifference({ year = '2024', month = 1, day = 1 }, t1)"));
	EXPECT_EQ("Tried to get value day from table, but type was NIL instead of NUMBER",
		error("getTimeDifferenceInSeconds(t1, { year = 2024, month = 1 })"));
	EXPECT_EQ(0u, error("getTimeDifference(t1, 5)").find("Excepted type TABLE at stack position 2 but found NUMBER"));
	EXPECT_EQ(0u, error("getTimeDifference(t1)").find("Excepted type TABLE at stack position 2 but found INVALID"));
	EXPECT_EQ("", failure("getTimeDifference({ year = 1e300, month = -1e300, day = 0/0 }, t1)"));

	time_t before = time(nullptr);
	run("now = getCurrentTime() hours = GetDate()");
	time_t after = time(nullptr);
	EXPECT_GE(host().getNumber("hours"), static_cast<float>(before / 3600));
	EXPECT_LE(host().getNumber("hours"), static_cast<float>(after / 3600));
	struct tm local = {};
	localtime_r(&before, &local);
	lua::LuaTable now = host().getTable("now");
	EXPECT_EQ(local.tm_year + 1900, now.getNumber("year"));
	EXPECT_EQ(local.tm_mon + 1, now.getNumber("month"));
	EXPECT_EQ(local.tm_mday, now.getNumber("day"));
	EXPECT_NEAR(local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec,
		now.getNumber("hour") * 3600 + now.getNumber("minutes") * 60 + now.getNumber("seconds"), 2);
}

TEST_F(ScriptUtil, PrintWritesTheWholeTextLiterally)
{
	EXPECT_EQ("100% %d %s\n", printed("print('100% %d %s\\n')"));
	std::string longText(3000, 'x');
	longText += "end";
	EXPECT_EQ(longText, printed("print(_G.string.rep('x', 3000) .. 'end')"));
	EXPECT_EQ(std::string("a\0b", 3), printed("print('a\\0b')"));
}

TEST_F(ScriptUtil, PrintGlobalsListsTheHostTable)
{
	std::string out = printed("levelName = 'one' this[7] = true");
	out = printed("printGlobals()");
	EXPECT_NE(std::string::npos, out.find("Name: levelName\n")) << out;
	EXPECT_NE(std::string::npos, out.find("Number: 7.000000\n")) << out;
	EXPECT_NE(std::string::npos, out.find("Name: screenWidth\n")) << out;
	EXPECT_EQ(std::string::npos, out.find("Name: print\n")) << out;
	EXPECT_NE(std::string::npos, out.find("Number: 0.000000\n")) << out; // [0], the host's address
}

TEST_F(ScriptUtil, OperatingSystemFunctions)
{
	run("setGameOn(true) setGameOn(false) captureMouse(true)\n"
		"captured = isMouseCaptured()\n"
		"setFullScreenMode(true) full = isInFullScreenMode()\n"
		"setResolution(1024.9, 768) setResolution(0, 768) setResolution(1024, 0.5)");
	std::vector<std::string> const expected = {
		"allowSleep(false)", "allowSleep(true)", "captureMouse(true)", "setFullscreen(true)", "setResolution(1024, 768)",
	};
	EXPECT_EQ(expected, os.calls);
	EXPECT_TRUE(host().getBoolean("captured"));
	EXPECT_TRUE(host().getBoolean("full"));

	EXPECT_FALSE(app.quitRequested());
	run("requestExit()");
	EXPECT_TRUE(app.quitRequested());
	EXPECT_EQ(0, app.exitCode());
}

TEST_F(ScriptUtil, GameParametersTimerAndException)
{
	run("setGameParameters(1, { deterministicPhysics = 1 })");
	EXPECT_FALSE(host().scriptUtilities().deterministicPhysics());
	run("setGameParameters({ deterministicPhysics = true })");
	EXPECT_TRUE(host().scriptUtilities().deterministicPhysics());
	run("setGameParameters({ deterministicPhysics = false }, 'last is not a table')");
	EXPECT_TRUE(host().scriptUtilities().deterministicPhysics());
	run("setGameParameters() setGameParameters({ deterministicPhysics = false })");
	EXPECT_FALSE(host().scriptUtilities().deterministicPhysics());

	int64_t before = lang::System::currentTimeMillis();
	EXPECT_EQ("resetTimer called\n", printed("resetTimer()"));
	EXPECT_GE(host().tally().timerStart(), before);
	EXPECT_LE(host().tally().timerStart(), lang::System::currentTimeMillis());
	EXPECT_EQ(0, host().tally().timerPaused());

	bool thrown = false;
	try
	{
		run("throwException('unused text')");
	}
	catch (lua::LuaException const&)
	{
		ADD_FAILURE() << "a lua::LuaException";
	}
	catch (lang::Throwable const& e)
	{
		thrown = true;
		EXPECT_EQ("", e.getMessage().format());
	}
	EXPECT_TRUE(thrown);
}

} // namespace

// The difference of two tables and the table exported as JSON carry each
// number exactly: read back, it is the same double.
TEST_F(ScriptUtil, JSONNumbersReadBackBitForBit)
{
	for (double const v : test::exactNumbers())
	{
		SCOPED_TRACE(util::jsonNumber(v));
		// A constant -0 would merge with a constant 0: computed instead.
		std::string const literal = v == 0 && std::signbit(v) ? "1/(-1/0)" : util::jsonNumber(v);
		run("a = { x = 1 } b = { x = " + literal + " }");
		for (char const* call : {"GetJSONDiff('a', 'b')", "exportLuaTableAsJSON('b')"})
		{
			std::string const text = eval(call);
			char const* end = nullptr;
			std::unique_ptr<cJSON, void (*)(cJSON*)> back(util::parseJSON(text.c_str(), end), cJSON_Delete);
			ASSERT_TRUE(back) << call << ": " << text;
			cJSON const* x = cJSON_GetObjectItem(back.get(), "x");
			ASSERT_TRUE(x) << call << ": " << text;
			EXPECT_TRUE(test::sameBits(v, x->valuedouble)) << call << ": " << text;
		}
	}
}
