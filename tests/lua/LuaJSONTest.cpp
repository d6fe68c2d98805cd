#include <lua/JSONExporter.h>
#include <lua/JSONImporter.h>
#include <lua/LuaException.h>
#include <lua/LuaState.h>
#include <lua/LuaTable.h>
#include <io/ByteArrayInputStream.h>
#include <util/JSONVisitor.h>
#include <lang/Exception.h>
#include <gtest/gtest.h>
#include <cstring>
#include <string>

using namespace lua;

namespace
{

class LuaJSON : public ::testing::Test
{
protected:
	LuaState m_lua;

	/** Runs code with a new table as its environment and returns that table. */
	LuaTable run(char const* code, LuaTable* env = nullptr)
	{
		LuaTable t(&m_lua);
		if (!env)
			env = &t;
		io::ByteArrayInputStream in(code, static_cast<int>(std::strlen(code)));
		// Code, not table text: it sees what env holds.
		m_lua.compile(in, "test", env);
		return *env;
	}

	/** The JSON text of field "t" set by code. */
	std::string exportOf(char const* code)
	{
		LuaTable t = run(code).getTable("t");
		JSONExporter e;
		t.traverse(e);
		return e.getJSON();
	}

	/** A new table filled from text. */
	LuaTable importOf(char const* text)
	{
		LuaTable t(&m_lua);
		JSONImporter importer(t);
		util::traverseJSON(text, importer);
		return t;
	}

	/** Runs a boolean check on table t (seen as "t") and returns it. */
	bool check(LuaTable const& t, char const* expression)
	{
		LuaTable env(&m_lua);
		env.setTable("t", t);
		std::string code = std::string("ok = ") + expression;
		run(code.c_str(), &env);
		return env.getBoolean("ok");
	}
};

} // namespace

TEST_F(LuaJSON, ExportsArraysObjectsAndNesting)
{
	struct Case
	{
		char const* code;
		char const* json;
	} const cases[] = {
		{"t = {1, 2, 3}", "[1,2,3]"},
		{"t = {}", "{}"},
		{"t = {t = {}}", "{\"t\":{}}"},
		{"t = {{}, 5}", "[{},5]"},
		{"t = {a = {b = {1, {c = true}, 'x'}}}", "{\"a\":{\"b\":[1,{\"c\":true},\"x\"]}}"},
		{"t = {{{}}, {1}}", "[[{}],[1]]"},
		{"t = {x = false}", "{\"x\":false}"},
		{"t = {3, 0.5, -2, 1e20, 0.1 + 0.2}", "[3,0.5,-2,1e+20,0.30000000000000004]"},
		{"t = {1/0, -1/0, 0/0, n = 1/0}", "{\"1\":null,\"2\":null,\"3\":null,\"n\":null}"},
		// Indices 1..n met out of order still make an array, in index order.
		{"t = {[3] = 'c', [2] = 'b', [1] = 'a'}", "[\"a\",\"b\",\"c\"]"},
		{"t = {[5] = 5, [4] = {}, [3] = 3, [2] = {x = 1}, [1] = 1}", "[1,{\"x\":1},3,{},5]"},
		{"t = {[2] = 'b'}", "{\"2\":\"b\"}"},
		{"t = {[0] = 'z'}", "{\"0\":\"z\"}"},
		{"t = {[1.5] = 'x'}", "{\"1.5\":\"x\"}"},
		{"t = {1, 2, x = 3}", "{\"1\":1,\"2\":2,\"x\":3}"},
		{"t = {f = function() end, 1}", "[1]"},
		{"t = {_G = {1}, k = 'v'}", "{\"k\":\"v\"}"},
	};
	for (Case const& c : cases)
		EXPECT_EQ(c.json, exportOf(c.code)) << c.code;
}

TEST_F(LuaJSON, ExportOfTableWithHolesIsAnObject)
{
	std::string json = exportOf("t = {[1] = 'a', [3] = 'c'}");
	EXPECT_TRUE(json == "{\"1\":\"a\",\"3\":\"c\"}" || json == "{\"3\":\"c\",\"1\":\"a\"}") << json;

	// Nested tables keep the index they sit under.
	json = exportOf("t = {[1] = {}, [5] = {}}");
	EXPECT_TRUE(json == "{\"1\":{},\"5\":{}}" || json == "{\"5\":{},\"1\":{}}") << json;
}

TEST_F(LuaJSON, ExportEscapesKeysAndStrings)
{
	struct Case
	{
		char const* code;
		char const* json;
	} const cases[] = {
		{"t = {['a/b'] = 1}", "{\"a\\/b\":1}"},
		{"t = {'say \"hi\"'}", "[\"say \\\"hi\\\"\"]"},
		{"t = {'\\\\ \\b\\t\\n\\f\\r'}", "[\"\\\\ \\b\\t\\n\\f\\r\"]"},
		{"t = {'\\1\\11\\31 \\127'}", "[\"\\u0001\\u000b\\u001f \x7f\"]"},
		{"t = {'\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80'}", "[\"\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80\"]"},
	};
	for (Case const& c : cases)
		EXPECT_EQ(c.json, exportOf(c.code)) << c.code;
}

TEST_F(LuaJSON, ImportsObjectsArraysAndNulls)
{
	LuaTable t = importOf("{\"a\": 1, \"b\": [true, null, \"x\"], \"c\": {}}");
	EXPECT_TRUE(check(t, "t.a == 1 and t.b[1] == true and t.b[2] == nil and t.b[3] == 'x'"));
	EXPECT_TRUE(t.isTable("c"));
	EXPECT_EQ(0, t.getTable("c").size());
	EXPECT_EQ(2, t.getTable("b").size());
	EXPECT_EQ(3, t.size());

	LuaTable n = importOf("{\"o\": {\"s\": \"\\u00e9\\n\", \"f\": false, \"l\": [[1, 2], {\"k\": null}]}}");
	EXPECT_TRUE(check(n, "t.o.s == '\xc3\xa9\\n' and t.o.f == false and t.o.l[1][2] == 2"));
	EXPECT_EQ(0, n.getTable("o").getTable("l").getTable(2).size());
}

TEST_F(LuaJSON, NullRemovesExistingField)
{
	LuaTable t(&m_lua);
	t.setString("x", "old");
	t.setString("keep", "yes");
	JSONImporter importer(t);
	util::traverseJSON("{\"x\": null, \"y\": 2}", importer);
	EXPECT_TRUE(t.isNil("x"));
	EXPECT_EQ("yes", t.getString("keep"));
	EXPECT_EQ(2.0f, t.getNumber("y"));
}

TEST_F(LuaJSON, RootArrayImportsUnderOneToN)
{
	LuaTable t = importOf("[10, null, \"s\", {\"k\": false}, [7]]");
	EXPECT_TRUE(check(t, "t[1] == 10 and t[2] == nil and t[3] == 's' and t[4].k == false and t[5][1] == 7"));
	EXPECT_EQ(4, t.size());
}

TEST_F(LuaJSON, FailedParseLeavesTargetUnchanged)
{
	LuaTable t(&m_lua);
	t.setString("x", "old");
	JSONImporter importer(t);
	EXPECT_THROW(util::traverseJSON("{\"x\": null, \"y\": ", importer), lang::Exception);
	EXPECT_EQ("old", t.getString("x"));
	EXPECT_EQ(1, t.size());
}

TEST_F(LuaJSON, NumbersKeepFullPrecisionBothWays)
{
	char const* json = "{\"a\":0.1,\"b\":[1e+300,0.30000000000000004,9007199254740991,0.1]}";
	LuaTable t = importOf(json);
	EXPECT_TRUE(check(t, "t.a == 0.1 and t.b[1] == 1e300 and t.b[2] == 0.1 + 0.2 and t.b[3] == 2^53 - 1"));
	JSONExporter e;
	t.traverse(e);
	EXPECT_EQ(json, e.getJSON());
}

TEST_F(LuaJSON, ExporterRecoversFromAnAbortedWalk)
{
	LuaTable bad = run("t = {a = {b = {[true] = 1}}}").getTable("t");
	JSONExporter e;
	EXPECT_THROW(bad.traverse(e), LuaException);
	LuaTable good = run("t = {1, {2}}").getTable("t");
	good.traverse(e);
	EXPECT_EQ("[1,[2]]", e.getJSON());
}

// The parser would cut a string at a broken or zero escape and keep the
// rest: the text is refused instead, and the target stays as it was.
TEST_F(LuaJSON, EscapesThatWouldCutAStringAreRefused)
{
	for (char const* text : {"{\"x\": \"a\\u00zzb\"}", "{\"foo\\u0000bar\": 42}", "{\"x\": \"a\\u0000b\"}", "[\"\\u12\"]"})
	{
		LuaTable t(&m_lua);
		t.setString("x", "old");
		JSONImporter importer(t);
		EXPECT_THROW(util::traverseJSON(text, importer), lang::Exception) << text;
		EXPECT_EQ("old", t.getString("x"));
		EXPECT_EQ(1, t.size()) << text;
	}
	LuaTable t = importOf("{\"x\": \"\\u0041\\\\u0000\\u00e9\"}");
	EXPECT_EQ("A\\u0000\xc3\xa9", t.getString("x"));
}
