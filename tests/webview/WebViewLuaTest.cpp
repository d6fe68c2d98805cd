#include <lua/webview/WebViewLuaInterface.h>
#include <lua/webview/WebViewLuaObserver.h>
#include <lua/LuaFixture.h>
#include <pf/WebView.h>
#include <support/ScriptedPageEngine.h>
#include <lua.hpp>
#include <gtest/gtest.h>
#include <random>
#include <string>

namespace
{

/** A state with the module registered over scripted page engines. */
class WebViewLua : public LuaFixture
{
protected:
	test::ScriptedPageEngines engines;
	lang::Ptr<lua::WebViewLuaInterface> module = new lua::WebViewLuaInterface(nullptr, &lua);

	std::string global(char const* name)
	{
		lua_State* l = lua::LuaAccess::get(&lua);
		lua_getglobal(l, name);
		size_t len = 0;
		char const* s = lua_tolstring(l, -1, &len);
		std::string text = s ? std::string(s, len) : lua_typename(l, lua_type(l, -1));
		if (lua_isboolean(l, -1))
			text = lua_toboolean(l, -1) ? "true" : "false";
		lua_pop(l, 1);
		return text;
	}

	/** Runs code, capturing what it prints. */
	std::string printed(std::function<void()> const& fn)
	{
		testing::internal::CaptureStdout();
		fn();
		return testing::internal::GetCapturedStdout();
	}
};

} // namespace

TEST_F(WebViewLua, ModuleTableAndConstants)
{
	run("v = WebView.new(1, 2, 30, 40)\n"
		"kinds = type(v) .. ' ' .. WebView.DONT_LOAD_PAGE .. WebView.LOAD_PAGE_INTO_WEBVIEW .. WebView.LOAD_PAGE_INTO_EXTERNAL_BROWSER\n"
		"same = getmetatable(v) == getmetatable(WebView.new(0, 0, 1, 1)) and getmetatable(v).__index == getmetatable(v)");
	EXPECT_EQ("userdata 012", global("kinds"));
	EXPECT_EQ("true", global("same"));
	EXPECT_EQ(2u, engines.made.size());
	EXPECT_EQ(30, engines.made[0]->width);
	EXPECT_EQ(module.ptr(), lua::WebViewLuaInterface::s_instance);
	EXPECT_STREQ("quennet.webview", lua::WebViewLuaInterface::s_metaTableName);
	EXPECT_STREQ("WebView", lua::WebViewLuaInterface::s_tableName);
}

TEST_F(WebViewLua, PageCallsReachTheAllowedTable)
{
	run("ui = {web = {f = function(...) local a, b = ... got = select('#', ...) .. ':' .. type(a) .. ':' .. tostring(a) .. ':' .. tostring(b) end}}\n"
		"v = WebView.new(0, 0, 10, 10) v:loadPage('https://game.example/')");
	test::ScriptedPageEngine& page = engines.last();
	page.finishLoad();
	page.bridgeCall("js-call:f(1,%20'a')");
	EXPECT_EQ("nil", global("got")) << "calls without permission are ignored";

	run("v:allowCallsFromJavaScript('ui.web')");
	page.bridgeCall("js-call:f(1,%20'a')");
	EXPECT_EQ("2:number:1:a", global("got"));
	page.bridgeCall("js-call:f()");
	EXPECT_EQ("0:nil:nil:nil", global("got"));
	page.bridgeCall("js-call:f( \"x, y\" , -2.5e1 )");
	EXPECT_EQ("2:string:x, y:-25", global("got"));

	run("got = nil");
	std::string const out = printed([&] {
		for (char const* bad : {"js-call:f(1", "js-call:f('a)", "js-call:f(x)", "js-call:f", "js-call:g(1)", "js-call:(1)"})
			page.bridgeCall(bad);
		run("v:allowCallsFromJavaScript('ui.none.deeper')");
		page.bridgeCall("js-call:f(1)");
		run("ui.web.f = 3 v:allowCallsFromJavaScript('ui.web')");
		page.bridgeCall("js-call:f(1)");
	});
	EXPECT_EQ("nil", global("got"));
	EXPECT_EQ("WebView Lua: bad call f(1\n"
		"WebView Lua: bad call f('a)\n"
		"WebView Lua: bad call f(x)\n"
		"WebView Lua: bad call f\n"
		"WebView Lua: ui.web.g is not a function, call ignored\n"
		"WebView Lua: bad call (1)\n"
		"WebView Lua: ui.none is not a table, call f(1) ignored\n"
		"WebView Lua: ui.web.f is not a function, call ignored\n", out);

	run("ui.web.f = function() error('boom') end");
	EXPECT_NE(std::string::npos, printed([&] { page.bridgeCall("js-call:f()"); }).find("WebView Lua: ")) << "a failing call prints";
}

TEST(WebViewLuaParse, Calls)
{
	struct Case
	{
		char const* text;
		bool ok;
		char const* name;
		std::vector<std::string> args;
		std::vector<bool> numbers;
	} const cases[] = {
		{"f()", true, "f", {}, {}},
		{" f ( ) ", true, "f", {}, {}},
		{"f(1, 'a')", true, "f", {"1", "a"}, {true, false}},
		{"f( \"b c\" ,-1.5e3, .5 )", true, "f", {"b c", "-1.5e3", ".5"}, {false, true, true}},
		{"f('')", true, "f", {""}, {false}},
		{"f(1) trailing", true, "f", {"1"}, {true}},
		{"f", false, "", {}, {}},
		{"f(1", false, "", {}, {}},
		{"(1)", false, "", {}, {}},
		{"f(1,)", false, "", {}, {}},
		{"f(,1)", false, "", {}, {}},
		{"f('a)", false, "", {}, {}},
		{"f('a' 'b')", false, "", {}, {}},
		{"f(abc)", false, "", {}, {}},
		{"f(1e)", false, "", {}, {}},
		{"f(nan)", false, "", {}, {}},
		{"f(0x10)", false, "", {}, {}},
	};
	for (Case const& c : cases)
	{
		SCOPED_TRACE(c.text);
		lua::WebViewLuaObserver::Call call;
		ASSERT_EQ(c.ok, lua::WebViewLuaObserver::parseCall(c.text, call));
		if (!c.ok)
			continue;
		EXPECT_EQ(c.name, call.name);
		EXPECT_EQ(c.args, call.args);
		EXPECT_EQ(c.numbers, call.numbers);
	}
}

// Only a link the script's callback let load gives its page the bridge.
TEST_F(WebViewLua, OnlyLinksTheCallbackLetLoadGiveTheBridge)
{
	run("v = WebView.new(0, 0, 10, 10)");
	test::ScriptedPageEngine& page = engines.last();
	struct Case
	{
		char const* callback;
		bool bridged;
	} const cases[] = {
		{"nil", false},
		{"function() error('no links') end", false},
		{"function() return 7 end", false},
		{"function() return WebView.LOAD_PAGE_INTO_WEBVIEW end", true},
	};
	std::string const other = "https://other.example/";
	for (Case const& c : cases)
	{
		SCOPED_TRACE(c.callback);
		printed([&] {
			run(std::string("v:loadPage('https://game.example/') v:setOnLinkClickedCallback(") + c.callback + ")");
			page.finishLoad();
			EXPECT_TRUE(page.navigate(other, true));
			page.scripts.clear();
			page.finishLoad(&other);
		});
		EXPECT_EQ(c.bridged, !page.scripts.empty() && page.scripts[0].find("function callLuaFunction") != std::string::npos);
	}
}

TEST_F(WebViewLua, LinkCallbacks)
{
	run("v = WebView.new(0, 0, 10, 10)\n"
		"v:setOnLinkClickedCallback(function(view, url) seen = (view == v) and url; return answer end)\n"
		"v:loadPage('https://game.example/')");
	test::ScriptedPageEngine& page = engines.last();
	page.finishLoad();
	std::string const url = "https://example.org/" + std::string(280, 'x');
	run("answer = WebView.DONT_LOAD_PAGE");
	EXPECT_FALSE(page.navigate(url, true));
	EXPECT_EQ(url.substr(0, 150), global("seen"));
	run("answer = WebView.LOAD_PAGE_INTO_WEBVIEW");
	EXPECT_TRUE(page.navigate(url, true));

	std::string out = printed([&] {
		run("answer = 3");
		EXPECT_TRUE(page.navigate(url, true));
		run("answer = 1e300");
		EXPECT_TRUE(page.navigate(url, true));
	});
	EXPECT_EQ("WebView Lua: unknown return code from onLinkClicked()\nWebView Lua: unknown return code from onLinkClicked()\n", out);

	run("v:setOnLinkClickedCallback(function() error('no links') end)");
	out = printed([&] { EXPECT_TRUE(page.navigate(url, true)); });
	EXPECT_NE(std::string::npos, out.find("WebView Lua: ")) << out;
	EXPECT_NE(std::string::npos, out.find("no links")) << out;

	run("seen = nil v.setOnLinkClickedCallback(v, nil)");
	EXPECT_TRUE(page.navigate(url, true));
	EXPECT_EQ("nil", global("seen"));
}

TEST_F(WebViewLua, PageLoadedCallback)
{
	run("v = WebView.new(0, 0, 10, 10)\n"
		"v:setOnPageLoadedCallback(function(view, ok, title) loaded = tostring(view == v) .. ' ' .. tostring(ok) .. ' ' .. title end)");
	test::ScriptedPageEngine& page = engines.last();
	page.answers["document.title"] = "Hello";
	page.finishLoad();
	EXPECT_EQ("true true Hello", global("loaded"));
	page.failLoad(false);
	EXPECT_EQ("true false Hello", global("loaded"));
	run("v:setOnPageLoadedCallback(42) loaded = nil");
	page.finishLoad();
	EXPECT_EQ("nil", global("loaded"));
}

TEST_F(WebViewLua, MethodsReachTheView)
{
	run("v = WebView.new(0, 0, 10, 10)\n"
		"v:loadPage('https://example.org/') v:reloadPage() v:show() v:hide()\n"
		"v:asyncExecuteJavaScript('x()')");
	test::ScriptedPageEngine& page = engines.last();
	page.answers["answer()"] = "42";
	run("r1 = v:executeJavaScript('answer()') r2 = v:executeJavaScript('nothing()')");
	EXPECT_EQ("42", global("r1"));
	EXPECT_EQ("", global("r2"));
	EXPECT_EQ((std::vector<std::string>{"url https://example.org/", "reload", "front", "fade 1.0 0.5", "fade 0.0 0.0"}), page.calls);
	EXPECT_EQ("function asyncExec() {x()}setTimeout(asyncExec, 0);", page.scripts.at(0));
}

TEST_F(WebViewLua, DeletedViewsAndBadArguments)
{
	run("v = WebView.new(0, 0, 10, 10)");
	bool alive = true;
	engines.last().alive = &alive;
	run("v:delete()");
	EXPECT_FALSE(alive);
	for (char const* code : {"v:show()", "v:delete()", "v:executeJavaScript('1')", "v:setOnLinkClickedCallback(nil)"})
		EXPECT_NE(std::string::npos, failure(code).find("attempt to use a deleted WebView")) << code;

	lua_State* l = lua::LuaAccess::get(&lua);
	lua_pushlightuserdata(l, &alive);
	lua_setglobal(l, "light");
	run("w = WebView.new(0, 0, 10, 10)");
	for (char const* code : {"w.show({})", "w.show(light)", "w.show(io.stdout)", "w.show()", "w.show(1)"})
		EXPECT_NE(std::string::npos, failure(code).find("quennet.webview expected")) << code;
	for (char const* code : {"WebView.new('a', 1, 1, 1)", "WebView.new()", "w:loadPage({})", "w:executeJavaScript()", "w:allowCallsFromJavaScript(nil)"})
		EXPECT_NE("", failure(code)) << code;

	run("x = WebView.new(0/0, 1e300, -1e300, 2^40)");
	test::ScriptedPageEngine& e = engines.last();
	EXPECT_EQ((std::vector<int>{0, 1000000, -1000000, 1000000}), (std::vector<int>{e.x, e.y, e.width, e.height}));
}

TEST_F(WebViewLua, DeleteInsideItsOwnCallback)
{
	run("v = WebView.new(0, 0, 10, 10)\n"
		"ui = {f = function() v:delete() end}\n"
		"v:allowCallsFromJavaScript('ui')\n"
		"v:setOnLinkClickedCallback(function(view) view:delete() return 0 end)\n"
		"v:loadPage('https://game.example/')");
	test::ScriptedPageEngine& page = engines.last();
	bool alive = true;
	page.alive = &alive;
	lang::Ptr<pf::PageEngine> keep(&page);
	page.finishLoad();
	EXPECT_FALSE(page.navigate("https://example.org/", true));
	EXPECT_NE("", failure("v:show()"));

	run("v = WebView.new(0, 0, 10, 10) v:allowCallsFromJavaScript('ui') v:loadPage('https://game.example/')");
	engines.last().finishLoad();
	engines.last().bridgeCall("js-call:f()");
	EXPECT_NE("", failure("v:show()"));
}

TEST_F(WebViewLua, ModuleEndDeletesDroppedViews)
{
	run("probe = setmetatable({}, {__mode = 'k'})\n"
		"local refuse = function() return 0 end\n"
		"probe[refuse] = true\n"
		"local dropped = WebView.new(0, 0, 10, 10) dropped:setOnLinkClickedCallback(refuse) dropped:loadPage('https://game.example/') dropped = nil\n"
		"collectgarbage()\n"
		"kept = WebView.new(0, 0, 10, 10)\n"
		"newView = WebView.new");
	bool alive[2] = {true, true};
	engines.made[0]->alive = &alive[0];
	engines.made[1]->alive = &alive[1];
	engines.made[0]->finishLoad();
	EXPECT_FALSE(engines.made[0]->navigate("https://example.org/", true)) << "a dropped view lives on";
	lua_State* l = lua::LuaAccess::get(&lua);
	int const top = lua_gettop(l);

	module = nullptr;
	EXPECT_FALSE(alive[0]);
	EXPECT_FALSE(alive[1]);
	EXPECT_EQ(nullptr, lua::WebViewLuaInterface::s_instance);
	EXPECT_NE(std::string::npos, failure("kept:show()").find("attempt to use a deleted WebView"));
	EXPECT_NE(std::string::npos, failure("newView(0, 0, 1, 1)").find("the WebView module has been closed"));
	EXPECT_EQ(top, lua_gettop(l));
	run("collectgarbage() left = 0 for _ in pairs(probe) do left = left + 1 end");
	EXPECT_EQ("0", global("left")) << "callback references freed";
}

TEST(WebViewLuaStates, EachStateHasItsOwnModule)
{
	test::ScriptedPageEngines engines;
	lua::LuaState a;
	lua::LuaState b;
	lang::Ptr<lua::WebViewLuaInterface> ma = new lua::WebViewLuaInterface(nullptr, &a);
	lang::Ptr<lua::WebViewLuaInterface> mb = new lua::WebViewLuaInterface(nullptr, &b);
	EXPECT_EQ(mb.ptr(), lua::WebViewLuaInterface::s_instance);
	auto run = [](lua::LuaState& state, std::string const& code) {
		io::ByteArrayInputStream in(code.data(), int(code.size()));
		state.compile(in, "test", nullptr);
	};
	run(a, "v = WebView.new(0, 0, 1, 1) v:show()");
	ma = nullptr;
	run(b, "v = WebView.new(0, 0, 2, 2) v:show()");
	EXPECT_EQ(2u, engines.made.size());
	EXPECT_EQ(2, engines.made[1]->width);
	run(b, "v:delete()");
	mb = nullptr;
	EXPECT_EQ(nullptr, lua::WebViewLuaInterface::s_instance);
}

TEST_F(WebViewLua, HostileNavigationsMakeACallOrNothing)
{
	run("calls = 0 ui = {f = function() calls = calls + 1 end}\n"
		"v = WebView.new(0, 0, 10, 10) v:allowCallsFromJavaScript('ui')");
	test::ScriptedPageEngine& page = engines.last();
	std::mt19937 random(20261210);
	std::vector<std::string> texts = {"js-call:" + std::string(100000, '('), "js-call:f(" + std::string(100000, '\'') + ")",
		"js-call:f(" + std::string(50000, ',') + ")", "js-call:%", "js-call:%%", "js-call:" + std::string(100000, '%'),
		"js-call:f()" + std::string(10000, ')'), "js-call:f(" + std::string(100000, '1') + ")"};
	std::string const alphabet = "f(),'\" %0a9.eE-+\x01\xff";
	for (int i = 0; i < 2000; ++i)
	{
		std::string t = i % 2 ? "js-call:" : "js-call:f(";
		int const n = int(random() % 40);
		for (int k = 0; k < n; ++k)
			t += i % 4 < 2 ? char(random() & 0xFF) : alphabet[random() % alphabet.size()];
		texts.push_back(t);
	}
	testing::internal::CaptureStdout();
	page.finishLoad();
	for (std::string const& t : texts)
		EXPECT_FALSE(t.size() % 2 ? page.bridgeCall(t) : page.navigate(t, true));
	testing::internal::GetCapturedStdout();
	EXPECT_NE("nil", global("calls"));
}
