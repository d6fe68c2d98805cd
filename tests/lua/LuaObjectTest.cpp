#include "LuaFixture.h"
#include <io/IOException.h>
#include <lua.hpp>
#include <algorithm>
#include <vector>

using lua::LuaState;
using lua::LuaTable;

namespace
{

int s_alive = 0;

// Counts live instances, to see that frames are unwound.
struct Tracked
{
	Tracked() { ++s_alive; }
	~Tracked() { --s_alive; }
};

class Host : public lua::LuaObject
{
public:
	explicit Host(LuaState* s) : lua::LuaObject(s)
	{
		registerMethod("add", this, &Host::add);
		registerMethod("identity", this, &Host::identity);
		registerMethod("echo", this, &Host::echo);
		registerMethod("negate", this, &Host::negate);
		registerMethod("count", this, &Host::count);
		registerMethod("wrap", this, &Host::wrap);
		registerMethod("fail", this, &Host::fail);
		registerMethod("relay", this, &Host::relay);
		registerLuaMethod("twice", this, &Host::twice);
		registerLuaMethod("rawFailure", this, &Host::rawFailure);
		lua::LuaFunctor lf(this, &Host::add);
		registerClosure("add2", &lf, &lua::LuaRawMethodDispatcher<Host, decltype(&Host::add)>::dispatch);
	}

	float add(std::string s, float x) { return static_cast<float>(s.size()) + x; }
	int identity(int v) { return v; }
	std::string echo(std::string const& s) const { return s + "!"; }
	bool negate(bool b) { return !b; }
	int count(LuaTable t) { return t.size(); }
	LuaTable wrap(std::string s)
	{
		LuaTable t(getLuaState());
		t.setString("v", s);
		return t;
	}
	void fail()
	{
		Tracked t;
		lang::throwError(io::IOException(lang::Format("disk gone")));
	}
	void relay(std::string name) { call(name.c_str(), 7); }
	int twice(LuaState* s)
	{
		s->pushNumber(s->toNumber(1) * 2);
		return 1;
	}
	int rawFailure(LuaState* s)
	{
		Tracked t;
		std::string text = "raw failure";
		return luaL_error(lua::LuaAccess::get(s), "%s", text.c_str());
	}
};

class LuaObjectTest : public LuaFixture
{
protected:
	Host host{&lua};

	void SetUp() override { lua.globals().setTable("obj", host); }
	void TearDown() override { lua.globals().remove("obj"); }
};

} // namespace

TEST_F(LuaObjectTest, BoundCallsConvertArgumentsAndResults)
{
	run("a = obj.add('abc', 1.5); b = obj.echo('x\\0y'); c = obj.negate(false); d = obj.count({1, 2, x = 3})\n"
		"e = obj.wrap('q').v; f = obj.twice(21); g = obj.add2('ab', 1); h = obj.identity(7, 'ignored')");
	LuaTable& g = lua.globals();
	EXPECT_EQ(4.5f, g.getNumber("a"));
	EXPECT_EQ(std::string("x\0y!", 4), g.getString("b"));
	EXPECT_TRUE(g.getBoolean("c"));
	EXPECT_EQ(3.f, g.getNumber("d"));
	EXPECT_EQ("q", g.getString("e"));
	EXPECT_EQ(42.f, g.getNumber("f"));
	EXPECT_EQ(3.f, g.getNumber("g"));
	EXPECT_EQ(7.f, g.getNumber("h"));
}

TEST_F(LuaObjectTest, WrongArgumentTypesNameThePosition)
{
	struct Case
	{
		char const* code;
		char const* message;
	} const cases[] = {
		{"obj.add('a')", "Excepted type NUMBER at stack position 2 but found INVALID"},
		{"obj.add('a', '1')", "Excepted type NUMBER at stack position 2 but found STRING"},
		{"obj:add('a', 1)", "Excepted type STRING at stack position 1 but found TABLE"},
		{"obj.negate(1)", "Excepted type BOOLEAN at stack position 1 but found NUMBER"},
		{"obj.count('x')", "Excepted type TABLE at stack position 1 but found STRING"},
		{"obj.identity(nil)", "Excepted type NUMBER at stack position 1 but found NIL"},
		{"obj.twice()", "Excepted type NUMBER at stack position 1 but found INVALID"},
	};
	for (Case const& c : cases)
		EXPECT_EQ(std::string(c.message) + "\nCall stack:\ntest(1)\n(end)\n", failure(c.code)) << c.code;
}

TEST_F(LuaObjectTest, IntegerArgumentsTruncateAndSaturate)
{
	struct Case
	{
		char const* arg;
		char const* result;
	} const cases[] = {
		{"3.9", "3"}, {"-3.9", "-3"}, {"1e300", "2147483647"}, {"-1e300", "-2147483648"},
		{"1/0", "2147483647"}, {"0/0", "0"}, {"2^31 - 1", "2147483647"}, {"16777217", "16777217"},
	};
	for (Case const& c : cases)
	{
		run(std::string("r = obj.identity(") + c.arg + ")");
		EXPECT_EQ(c.result, lua.globals().getString("r")) << c.arg;
	}
}

TEST_F(LuaObjectTest, OriginalExceptionReachesTheNativeCaller)
{
	run("function obj.viaScript(n) obj.fail() end");
	auto expectDiskGone = [](std::function<void()> const& f) {
		try
		{
			f();
			ADD_FAILURE() << "no exception";
		}
		catch (io::IOException const& e)
		{
			EXPECT_EQ("disk gone", e.getMessage().format());
		}
	};
	expectDiskGone([&] { run("obj.fail()"); });
	expectDiskGone([&] { host.call("viaScript", 1); });
	// Native -> script -> native -> script -> native, and back.
	expectDiskGone([&] { run("obj.relay('viaScript')"); });
	EXPECT_EQ(0, s_alive);

	// A script may catch it; it sees the message, and a later different
	// failure is a plain script error.
	run("ok, msg = pcall(obj.fail)");
	EXPECT_FALSE(lua.globals().getBoolean("ok"));
	EXPECT_EQ("disk gone", lua.globals().getString("msg"));
	EXPECT_EQ("other\nCall stack:\ntest(1)\n(end)\n", failure("pcall(obj.fail); error('other')"));
}

TEST_F(LuaObjectTest, LuaErrorsUnwindNativeFrames)
{
	std::string msg = failure("obj.rawFailure()");
	EXPECT_EQ("[string \"test\"]:1: raw failure\nCall stack:\n=[C](-1)\ntest(1)\n(end)\n", msg);
	EXPECT_EQ(0, s_alive) << "a Lua error must run the destructors of the frames it leaves";
}

TEST_F(LuaObjectTest, ThousandFailuresLeaveTheInterpreterUsable)
{
	run("function obj.bad() local t = nil; return t.x end\nfunction obj.good(n) total = (total or 0) + n end");
	int top = lua.top();
	int failures = 0;
	for (int i = 0; i < 1000; ++i)
	{
		try
		{
			switch (i % 4)
			{
			case 0: host.call("bad"); break;
			case 1: host.call("missing"); break;
			case 2: host.call("fail"); break;
			default: host.call("rawFailure"); break;
			}
		}
		catch (lang::Exception const&)
		{
			++failures;
		}
	}
	EXPECT_EQ(1000, failures);
	EXPECT_EQ(top, lua.top());
	EXPECT_EQ(0, s_alive);
	host.call("good", 5);
	EXPECT_EQ(5.f, lua.globals().getNumber("total"));
	EXPECT_EQ(top, lua.top());
}

TEST_F(LuaObjectTest, BoundCallsInsideCoroutinesUseTheCoroutineStack)
{
	int top = lua.top();
	run("co = coroutine.wrap(function(a) local r = obj.add('abc', a); coroutine.yield(r); return obj.twice(r) end)\n"
		"r1 = co(1.5); r2 = co()\n"
		"ok, msg = coroutine.resume(coroutine.create(function() obj.add('a', 'b') end))");
	EXPECT_EQ(4.5f, lua.globals().getNumber("r1"));
	EXPECT_EQ(9.f, lua.globals().getNumber("r2"));
	EXPECT_FALSE(lua.globals().getBoolean("ok"));
	EXPECT_EQ(0u, lua.globals().getString("msg").find("Excepted type NUMBER at stack position 2 but found STRING\nCall stack:\ntest(3)\n"))
		<< lua.globals().getString("msg");
	EXPECT_EQ(top, lua.top());
}

TEST_F(LuaObjectTest, ObjectTableHoldsItselfAndTheGlobals)
{
	EXPECT_FALSE(host.isNil(0));
	EXPECT_TRUE(host.isTable("_G"));
	EXPECT_TRUE(host.isTable("this"));
	EXPECT_EQ(3 + 11, host.size());
	run("same = obj.this == obj and obj._G == _G");
	EXPECT_TRUE(lua.globals().getBoolean("same"));
}

TEST_F(LuaFixture, TableHandlesKeepTheirOwnReference)
{
	LuaTable empty;
	LuaTable emptyCopy(empty);
	EXPECT_FALSE(emptyCopy.hasReference());

	LuaTable* source = new LuaTable(&lua);
	source->setNumber("n", 3);
	LuaTable copy(*source);
	delete source;
	EXPECT_EQ(3.f, copy.getNumber("n"));
	LuaTable& self = copy;
	copy = self;
	EXPECT_EQ(3.f, copy.getNumber("n"));
	copy = empty;
	EXPECT_FALSE(copy.hasReference());
}

TEST_F(LuaFixture, TableGettersConvertLikeTheInterpreter)
{
	LuaTable t(&lua);
	t.setNumber("n", 1.5f);
	t.setString("s", "12");
	t.setBoolean("b", true);
	t.setTable("t", LuaTable(&lua));
	t.setString(1, std::string("a\0b", 3));

	EXPECT_EQ("1.5", t.getString("n"));
	EXPECT_EQ("", t.getString("b"));
	EXPECT_EQ("", t.getString("t"));
	EXPECT_EQ(std::string("a\0b", 3), t.getString(1));
	EXPECT_EQ(12.f, t.getNumber("s"));
	EXPECT_EQ(0.f, t.getNumber("b"));
	EXPECT_TRUE(t.isNumber("s"));
	EXPECT_TRUE(t.isString("n"));
	EXPECT_FALSE(t.getBoolean("missing"));
	EXPECT_TRUE(t.getBoolean("n"));
	EXPECT_EQ(5, t.size());

	auto message = [&](std::function<void()> const& f) -> std::string {
		try
		{
			f();
		}
		catch (lua::LuaException const& e)
		{
			return e.getMessage().format();
		}
		return "";
	};
	EXPECT_EQ("Tried to get value missing from table, but type was NIL instead of TABLE",
		message([&] { t.getTable("missing"); }));
	EXPECT_EQ("Tried to get value 1 from table, but type was STRING instead of TABLE",
		message([&] { t.getTable(1); }));

	t.remove("n");
	t.setTable("t", nullptr);
	EXPECT_EQ(3, t.size());
}

namespace
{

// Records a walk as text lines.
class Recorder : public lua::LuaTableVisitor
{
public:
	std::vector<std::string> lines;

	void visit(char const* key, char const* value) override { lines.push_back(std::string(key) + "=" + value); }
	void visit(char const* key, double value) override { lines.push_back(std::string(key) + "=" + num(value)); }
	void visit(char const* key, bool value) override { lines.push_back(std::string(key) + "=" + (value ? "true" : "false")); }
	void visit(char const* key) override { lines.push_back(std::string(key) + "=nil"); }
	void visit(int index, char const* value) override { lines.push_back("[" + num(index) + "]=" + value); }
	void visit(int index, double value) override { lines.push_back("[" + num(index) + "]=" + num(value)); }
	void visit(int index, bool value) override { lines.push_back("[" + num(index) + "]=" + (value ? "true" : "false")); }
	void visit(int index) override { lines.push_back("[" + num(index) + "]=nil"); }
	void openTable(char const* key) override { lines.push_back(std::string("open ") + (key ? key : "-")); }
	void closeTable() override { lines.push_back("close"); }
	void start() override { lines.push_back("start"); }
	void end() override { lines.push_back("end"); }

private:
	static std::string num(double v)
	{
		char buf[32];
		std::snprintf(buf, sizeof(buf), "%g", v);
		return buf;
	}
};

} // namespace

TEST_F(LuaFixture, TraverseReportsValuesAndSkipsCycles)
{
	run("w = { 10, 20, x = 's', t = { }, _G = { 1 }, f = print, b = true, { 'in' } }\n"
		"w.t.up = w; w.t.me = w.t");
	Recorder r;
	lua.globals().getTable("w").traverse(r);
	std::vector<std::string> expectedStart = {"start", "[1]=10", "[2]=20", "open -", "[1]=in", "close"};
	ASSERT_LE(expectedStart.size(), r.lines.size());
	EXPECT_EQ(expectedStart, std::vector<std::string>(r.lines.begin(), r.lines.begin() + 6));
	EXPECT_EQ("end", r.lines.back());

	std::vector<std::string> rest(r.lines.begin() + 6, r.lines.end() - 1);
	auto t = std::find(rest.begin(), rest.end(), "open t");
	ASSERT_NE(rest.end(), t);
	EXPECT_EQ("close", *(t + 1)) << "the cycles back to w and to t itself are not walked";
	rest.erase(t, t + 2);
	std::sort(rest.begin(), rest.end());
	EXPECT_EQ((std::vector<std::string>{"b=true", "x=s"}), rest);
}

TEST_F(LuaFixture, TraverseOfAnObjectDoesNotFollowThis)
{
	lua::LuaObject obj(&lua);
	obj.setNumber("n", 1);
	Recorder r;
	obj.traverse(r);
	std::vector<std::string> lines(r.lines.begin() + 1, r.lines.end() - 1);
	std::sort(lines.begin(), lines.end());
	EXPECT_EQ((std::vector<std::string>{"n=1"}), lines);
}
