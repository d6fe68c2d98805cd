#include <util/JSONObject.h>
#include <util/JSONVisitor.h>
#include <util/JSONHash.h>
#include <util/JSONDiff.h>
#include <util/JSONParse.h>
#include <util/JSONPrint.h>
#include <support/ExactNumbers.h>
#include <lang/Exception.h>
#include <cjson/cJSON.h>
#include <gtest/gtest.h>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string>
#include <type_traits>

using namespace util;

namespace
{

/** Writes every visit as a short text, so a walk can be compared at once. */
class Recorder : public JSONVisitor
{
public:
	std::string log;
	int throwAt = -1; // throws std::runtime_error at this visit number
	int visits = 0;

	void visit(char const* key, char const* value) override { add(k(key) + "s:" + value); }
	void visit(char const* key, double value) override
	{
		char buf[32];
		std::snprintf(buf, sizeof(buf), "%g", value);
		add(k(key) + "n:" + buf);
	}
	void visit(char const* key, bool value) override { add(k(key) + (value ? "true" : "false")); }
	void visit(char const* key) override { add(k(key) + "null"); }
	void startObject(char const* key) override { add(k(key) + "{"); }
	void endObject() override { add("}"); }
	void startArray(char const* key) override { add(k(key) + "["); }
	void endArray() override { add("]"); }
	void start() override { add("start"); }
	void end() override { add("end"); }

private:
	static std::string k(char const* key) { return key ? std::string(key) + "=" : std::string(); }

	void add(std::string const& s)
	{
		if (visits++ == throwAt)
			throw std::runtime_error("visitor failed");
		log += log.empty() ? s : " " + s;
	}
};

uint32_t hashOf(char const* text)
{
	JSONHash h;
	traverseJSON(text, h);
	return h.getHash();
}

uint32_t textHash(std::string const& s)
{
	uint32_t h = 0;
	for (char c : s)
		h = h * 31u + static_cast<unsigned char>(c);
	return h;
}

struct Deleter
{
	void operator()(cJSON* p) const { cJSON_Delete(p); }
};
using Tree = std::unique_ptr<cJSON, Deleter>;

Tree parse(char const* text)
{
	Tree t(cJSON_Parse(text));
	EXPECT_TRUE(t) << text;
	return t;
}

std::string print(cJSON* item)
{
	char* s = cJSON_PrintUnformatted(item);
	std::string out = s ? s : "<print failed>";
	cJSON_free(s);
	return out;
}

/** The difference from a to b, printed; the delta is freed before the documents. */
std::string diff(char const* a, char const* b)
{
	Tree ta = parse(a);
	Tree tb = parse(b);
	Tree delta(diffcJSON(ta.get(), tb.get()));
	return print(delta.get());
}

} // namespace

TEST(JSONObject, TypedGettersFallBackToDefaults)
{
	JSONObject o("{\"n\": 5.9, \"s\": \"5\", \"big\": 1e12, \"o\": {\"m\": 3}, \"a\": [1]}");
	ASSERT_FALSE(o.isNull());
	EXPECT_EQ(5, o.getInt("n", 7));
	EXPECT_EQ(7, o.getInt("s", 7));
	EXPECT_EQ(7, o.getInt("missing", 7));
	EXPECT_EQ(7, o.getInt(nullptr, 7));
	EXPECT_EQ(2147483647, o.getInt("big", 7));
	EXPECT_STREQ("5", o.getString("s"));
	EXPECT_EQ(nullptr, o.getString("n"));
	EXPECT_EQ(nullptr, o.getString("missing"));

	JSONObject inner = o.getObject("o");
	EXPECT_FALSE(inner.isNull());
	EXPECT_EQ(3, inner.getInt("m", 0));
	EXPECT_FALSE(o.getObject("a").isNull());
	EXPECT_EQ(0, o.getObject("a").getInt("0", 0));
	EXPECT_TRUE(o.getObject("missing").isNull());
	EXPECT_TRUE(o.getObject("missing").getObject("x").isNull());
}

TEST(JSONObject, UnparseableOrNullTextGivesNullObject)
{
	for (char const* text : {static_cast<char const*>(nullptr), "", "{\"a\": ", "{\"a\": 1,}"})
	{
		JSONObject o(text);
		EXPECT_TRUE(o.isNull());
		EXPECT_EQ(4, o.getInt("a", 4));
		EXPECT_EQ(nullptr, o.getString("a"));
		EXPECT_TRUE(o.getObject("a").isNull());
	}
}

TEST(JSONObject, OwnershipMovesButIsNeverCopied)
{
	static_assert(!std::is_copy_constructible_v<JSONObject>);
	static_assert(!std::is_copy_assignable_v<JSONObject>);

	JSONObject a("{\"n\": 1}");
	JSONObject b(std::move(a));
	EXPECT_TRUE(a.isNull());
	EXPECT_EQ(1, b.getInt("n", 0));

	JSONObject c("{\"n\": 2}");
	c = std::move(b); // frees c's own tree, takes b's
	EXPECT_TRUE(b.isNull());
	EXPECT_EQ(1, c.getInt("n", 0));
}

TEST(TraverseJSON, ReportsMembersInDocumentOrder)
{
	Recorder r;
	traverseJSON("{\"a\": 1.5, \"b\": [true, null, \"x\", [], {\"c\": false}], \"d\": {}}", r);
	EXPECT_EQ("start a=n:1.5 b=[ true null s:x [ ] { c=false } ] d={ } end", r.log);

	Recorder arr;
	traverseJSON("[1, {\"k\": \"v\"}]", arr);
	EXPECT_EQ("start n:1 { k=s:v } end", arr.log);

	Recorder scalar;
	traverseJSON("42", scalar);
	EXPECT_EQ("start end", scalar.log);
}

TEST(TraverseJSON, NullTextCallsNothing)
{
	Recorder r;
	traverseJSON(nullptr, r);
	EXPECT_EQ("", r.log);
}

TEST(TraverseJSON, ParseErrorNamesRestOfTextAndCallsNothing)
{
	Recorder r;
	try
	{
		traverseJSON("{\"a\": 1, \"b\": ?x}", r);
		FAIL() << "no exception";
	}
	catch (lang::Exception const& e)
	{
		EXPECT_EQ("JSON parsing failed here: ?x}", e.getMessage().format());
	}
	EXPECT_EQ("", r.log);
}

TEST(TraverseJSON, DeepNestingIsWalkedOrRefused)
{
	JSONHash ok;
	std::string deep = std::string(500, '[') + std::string(500, ']');
	traverseJSON(deep.c_str(), ok);

	JSONHash refused;
	std::string tooDeep = std::string(100000, '[') + std::string(100000, ']');
	EXPECT_THROW(traverseJSON(tooDeep.c_str(), refused), lang::Exception);
}

TEST(TraverseJSON, TreeIsFreedWhenVisitorThrows)
{
	// The leak checker reports the tree if it were kept.
	Recorder r;
	r.throwAt = 3;
	EXPECT_THROW(traverseJSON("{\"a\": {\"b\": [1, 2, 3]}}", r), std::runtime_error);
}

TEST(JSONHash, IgnoresMemberOrderButNotArrayOrder)
{
	EXPECT_EQ(hashOf("{\"a\": 1, \"b\": 2}"), hashOf("{\"b\": 2, \"a\": 1}"));
	EXPECT_EQ(hashOf("{\"o\": {\"x\": true, \"y\": null}, \"s\": \"t\"}"),
		hashOf("{\"s\": \"t\", \"o\": {\"y\": null, \"x\": true}}"));
	EXPECT_NE(hashOf("{\"x\": [\"a\", \"bb\"]}"), hashOf("{\"x\": [\"bb\", \"a\"]}"));
	// Swapping elements of equal text length cancels out in the sum of
	// position texts; the hash is kept as it is, since stored values are
	// compared against it.
	EXPECT_EQ(hashOf("{\"x\": [1, 2]}"), hashOf("{\"x\": [2, 1]}"));
	// An array directly in an array does not advance the position.
	EXPECT_EQ(hashOf("{\"x\": [[1], [2]]}"), hashOf("{\"x\": [[2], [1]]}"));
	EXPECT_NE(hashOf("[\"a\", \"bb\"]"), hashOf("[\"bb\", \"a\"]"));
}

TEST(JSONHash, SumsTheHashesOfPathTexts)
{
	EXPECT_EQ(textHash("ab"), hashOf("{\"a\": \"b\"}"));
	EXPECT_EQ(0u, hashOf("{}"));
	EXPECT_EQ(0u, hashOf("{\"n\": null}"));
	EXPECT_EQ(textHash("o") + textHash("ok0.5") + textHash("l") + textHash("l0false") + textHash("l1")
			+ textHash("l1x1e+20") + textHash("l2") + textHash("l23"),
		hashOf("{\"o\": {\"k\": 0.5}, \"l\": [false, {\"x\": 1e20}, [], 3]}"));
	// Root array elements are named by position.
	EXPECT_EQ(textHash("0a") + textHash("1") + textHash("1k2"), hashOf("[\"a\", {\"k\": 2}]"));
}

TEST(SortcJSON, SortsObjectMembersAndKeepsListLinks)
{
	Tree t = parse("{\"c\": {\"z\": 1, \"y\": 2}, \"a\": [{\"q\": 1, \"p\": 2}, 2, 1], \"b\": 3}");
	sortcJSON(t.get());
	EXPECT_EQ("{\"a\":[{\"q\":1,\"p\":2},2,1],\"b\":3,\"c\":{\"y\":2,\"z\":1}}", print(t.get()));

	// The links must stay valid for the library: the first child's prev is
	// the last child, which appending relies on.
	for (cJSON* o : {t.get(), cJSON_GetObjectItem(t.get(), "c")})
	{
		cJSON* first = o->child;
		cJSON* last = first;
		while (last->next)
		{
			EXPECT_EQ(last, last->next->prev);
			last = last->next;
		}
		EXPECT_EQ(last, first->prev);
	}
	cJSON_AddNumberToObject(t.get(), "d", 4);
	EXPECT_EQ("{\"a\":[{\"q\":1,\"p\":2},2,1],\"b\":3,\"c\":{\"y\":2,\"z\":1},\"d\":4}", print(t.get()));

	Tree arr = parse("[3, {\"b\": 1, \"a\": 2}, 1]");
	sortcJSON(arr.get());
	EXPECT_EQ("[3,{\"b\":1,\"a\":2},1]", print(arr.get()));
	sortcJSON(nullptr);
}

TEST(DiffcJSON, ReportsChangedNewAndRemovedMembers)
{
	struct Case
	{
		char const* a;
		char const* b;
		char const* delta;
	} const cases[] = {
		{"{\"a\": 1, \"b\": [1, 2], \"c\": true}", "{\"a\": 2, \"b\": [1, 2], \"d\": \"x\"}",
			"{\"a\":2,\"c\":null,\"d\":\"x\"}"},
		{"{\"b\": [1, 2]}", "{\"b\": [1, 3]}", "{\"b\":[1,3]}"},
		{"{\"b\": [1, 2]}", "{\"b\": [1, 2, 3]}", "{\"b\":[1,2,3]}"},
		{"{\"b\": [1, \"x\"]}", "{\"b\": [1, 2]}", "{\"b\":[1,2]}"},
		{"{\"b\": [[1], {\"k\": 1}]}", "{\"b\": [[1], {\"k\": 1}]}", "{}"},
		{"{\"b\": [[1], {\"k\": 1}]}", "{\"b\": [[1], {\"k\": 2}]}", "{\"b\":[[1],{\"k\":2}]}"},
		{"{\"z\": 1, \"a\": {\"x\": 1, \"y\": \"s\"}}", "{\"a\": {\"y\": \"t\", \"x\": 1}, \"z\": 1}",
			"{\"a\":{\"y\":\"t\"}}"},
		{"{\"a\": {\"x\": 1}}", "{\"a\": {\"x\": 1}}", "{}"},
		{"{\"t\": true, \"n\": null, \"f\": 1}", "{\"t\": false, \"n\": null, \"f\": \"1\"}",
			"{\"f\":\"1\",\"t\":false}"},
		{"{}", "{\"a\": {\"b\": 1}}", "{\"a\":{\"b\":1}}"},
		{"{\"a\": 1, \"b\": 2}", "{}", "{\"a\":null,\"b\":null}"},
		// Roots that are not both objects: nothing, or the whole of b.
		{"[1, 2]", "[1, 2]", "{}"},
		{"[1, 2]", "[2, 1]", "[2,1]"},
		{"{\"a\": 1}", "[1]", "[1]"},
		{"[1]", "{\"a\": 1}", "{\"a\":1}"},
		{"5", "5", "{}"},
		{"5", "\"x\"", "\"x\""},
	};
	for (Case const& c : cases)
		EXPECT_EQ(c.delta, diff(c.a, c.b)) << c.a << " -> " << c.b;
}

TEST(DiffcJSON, MissingDocumentGivesEmptyObject)
{
	Tree a = parse("{\"a\": 1}");
	Tree d1(diffcJSON(a.get(), nullptr));
	Tree d2(diffcJSON(nullptr, a.get()));
	EXPECT_EQ("{}", print(d1.get()));
	EXPECT_EQ("{}", print(d2.get()));
}

// Every reader of JSON goes through one parse: an escape the library would
// cut a string at makes the text unparseable, pointing at that escape.
TEST(JSONObject, EscapesThatWouldCutAStringMakeTheTextUnparseable)
{
	struct Case
	{
		char const* text;
		char const* rest;
	} const cases[] = {
		{"{\"a\": \"x\\u00zzb\"}", "\\u00zzb\"}"},
		{"{\"foo\\u0000bar\": 42}", "\\u0000bar\": 42}"},
		{"{\"a\": \"\\u000G\"}", "\\u000G\"}"},
		{"{\"a\": \"ok\", \"b\": \"\\u0000\"}", "\\u0000\"}"},
	};
	for (Case const& c : cases)
	{
		EXPECT_TRUE(JSONObject(c.text).isNull()) << c.text;
		Recorder r;
		try
		{
			traverseJSON(c.text, r);
			ADD_FAILURE() << "parsed: " << c.text;
		}
		catch (lang::Exception const& e)
		{
			EXPECT_EQ(std::string("JSON parsing failed here: ") + c.rest, e.getMessage().format());
		}
		EXPECT_EQ("", r.log);
	}
	JSONObject fine("{\"a\": \"\\\\u0000 \\u00e9 \\u20AC\"}");
	ASSERT_FALSE(fine.isNull());
	EXPECT_STREQ("\\u0000 \xc3\xa9 \xe2\x82\xac", fine.getString("a"));
}

// Every number the project writes as JSON reads back as the same double,
// whether the tree holds it directly, in an array, through a reference or
// as a difference; the tree printed stays as it was.
TEST(PrintJSON, EveryNumberReadsBackBitForBit)
{
	for (double const v : test::exactNumbers())
	{
		SCOPED_TRACE(util::jsonNumber(v));
		Tree shared(cJSON_CreateNumber(v));
		Tree doc(cJSON_CreateObject());
		cJSON_AddNumberToObject(doc.get(), "x", v);
		cJSON* list = cJSON_AddArrayToObject(doc.get(), "list");
		cJSON_AddItemToArray(list, cJSON_CreateNumber(v));
		cJSON_AddItemReferenceToObject(doc.get(), "ref", shared.get());
		for (bool const formatted : {true, false})
		{
			std::string const text = util::printJSON(doc.get(), formatted);
			char const* end = nullptr;
			Tree back(util::parseJSON(text.c_str(), end));
			ASSERT_TRUE(back) << text;
			EXPECT_TRUE(test::sameBits(v, cJSON_GetObjectItem(back.get(), "x")->valuedouble)) << text;
			EXPECT_TRUE(test::sameBits(v, cJSON_GetArrayItem(cJSON_GetObjectItem(back.get(), "list"), 0)->valuedouble)) << text;
			EXPECT_TRUE(test::sameBits(v, cJSON_GetObjectItem(back.get(), "ref")->valuedouble)) << text;
		}
		EXPECT_TRUE(cJSON_IsNumber(cJSON_GetObjectItem(doc.get(), "x")));
		EXPECT_TRUE(cJSON_IsNumber(shared.get()));

		// The delta of a difference.
		Tree a = parse("{\"x\":1}");
		Tree b(cJSON_CreateObject());
		cJSON_AddNumberToObject(b.get(), "x", v);
		Tree delta(diffcJSON(a.get(), b.get()));
		std::string const text = util::printJSON(delta.get(), false);
		char const* end = nullptr;
		Tree back(util::parseJSON(text.c_str(), end));
		ASSERT_TRUE(back) << text;
		EXPECT_TRUE(test::sameBits(v, cJSON_GetObjectItem(back.get(), "x")->valuedouble)) << text;
	}
	EXPECT_EQ("1.7976931348623157e+308", util::jsonNumber(DBL_MAX));
	EXPECT_EQ("5e-324", util::jsonNumber(4.9406564584124654e-324));
	EXPECT_EQ("0.30000000000000004", util::jsonNumber(0.30000000000000004));
	EXPECT_EQ("9007199254740992", util::jsonNumber(9007199254740992.0));
	EXPECT_EQ("-0", util::jsonNumber(-0.0));
	EXPECT_EQ("null", util::jsonNumber(HUGE_VAL));
	EXPECT_EQ("null", util::jsonNumber(std::nan("")));
	Tree odd(cJSON_CreateArray());
	cJSON_AddItemToArray(odd.get(), cJSON_CreateNumber(-HUGE_VAL));
	cJSON_AddItemToArray(odd.get(), cJSON_CreateString("1e400"));
	EXPECT_EQ("[null,\"1e400\"]", util::printJSON(odd.get(), false));
	EXPECT_EQ("", util::printJSON(nullptr, false));
}
