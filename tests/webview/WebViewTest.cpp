#include <pf/WebView.h>
#include <pf/WebViewImpl.h>
#include <pf/WebViewObserver.h>
#include <pf/Launcher.h>
#include <pf/MainThread.h>
#include <io/detail/detail.h>
#include <support/ScopedVariable.h>
#include <support/ScriptedPageEngine.h>
#include <support/TempFolder.h>
#include <gtest/gtest.h>
#include <algorithm>
#include <filesystem>
#include <sys/stat.h>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace
{

/** Records what the view tells it; answers links with a set code. */
class RecordingObserver : public pf::WebViewObserver
{
public:
	std::vector<std::string> calls;
	std::vector<std::string> links;
	std::vector<std::string> loads;
	pf::WebView* lastView = nullptr;
	int code = 1;

	void onUrlLoadCompleted(bool success, std::string const& title, pf::WebView* view) override
	{
		loads.push_back(std::string(success ? "true " : "false ") + title);
		lastView = view;
	}

	int onLinkClicked(std::string const& url, pf::WebView* view) override
	{
		links.push_back(url);
		lastView = view;
		return code;
	}

	void callLuaFunction(std::string const& name) override { calls.push_back(name); }
};

class WebViewBridge : public ::testing::Test
{
protected:
	test::ScriptedPageEngines engines;
	RecordingObserver observer;
	lang::Ptr<pf::WebView> view = new pf::WebView(0, 0, 320, 200);

	test::ScriptedPageEngine& engine() { return engines.last(); }

	/** The game sends the view to its page (not loaded yet). */
	void SetUp() override
	{
		view->loadUrl("https://game.example/");
		engine().calls.clear();
	}

	/** Loads a document at url and tells whether it was given the bridge. */
	bool loadGetsBridge(std::string const& url)
	{
		engine().scripts.clear();
		engine().finishLoad(&url);
		std::vector<std::string> const& scripts = engine().scripts;
		return !scripts.empty() && scripts[0] == pf::WebViewImpl::forOrigin(pf::WebViewImpl::originOf(url), pf::WebViewImpl::bridgeScripts(engine().bridgeToken())[0]);
	}
};

} // namespace

TEST(WebView, NamespaceCodeAndBridgeScripts)
{
	EXPECT_EQ("if (typeof(Quennet) == 'undefined') { Quennet = {}; };\n"
		"if (typeof(Quennet.Platform) == 'undefined') { Quennet.Platform = {}; };\n"
		"if (typeof(Quennet.Platform.WebView) == 'undefined') { Quennet.Platform.WebView = {}; };\n"
		"Quennet.Platform.WebView.version = 1;\n"
		"Quennet.Platform.WebView.show = function() { callWebViewFunction('Quennet.Platform.WebView.show');};\n"
		"Quennet.Platform.WebView.hide = function() { callWebViewFunction('Quennet.Platform.WebView.hide');};\n",
		pf::WebViewImpl::namespaceCode("Quennet.Platform.WebView", {"show", "hide"}, 1));
	std::vector<std::string> const scripts = pf::WebViewImpl::bridgeScripts("0123abcd");
	ASSERT_EQ(2u, scripts.size());
	EXPECT_EQ("function callLuaFunction(functionName) {  var iframe = document.createElement('IFRAME');  "
		"iframe.setAttribute('src', 'js-call:0123abcd:' + functionName);  document.documentElement.appendChild(iframe);  "
		"iframe.parentNode.removeChild(iframe);  iframe = null;};", scripts[0]);
	EXPECT_EQ("function callWebViewFunction(functionName) {  var iframe = document.createElement('IFRAME');  "
		"iframe.setAttribute('src', 'wv-call:0123abcd:' + functionName);  document.documentElement.appendChild(iframe);  "
		"iframe.parentNode.removeChild(iframe);  iframe = null;};" +
		pf::WebViewImpl::namespaceCode("Quennet.Platform.WebView", {"show", "hide"}, 1), scripts[1]);
}

TEST_F(WebViewBridge, Navigations)
{
	// A stand-in for xdg-open records the links opened in the system browser.
	test::TempFolder bin;
	bin.write("xdg-open", "#!/bin/sh\nprintf '%s\\n' \"$@\" >> \"" + bin.path() + "/opened\"\n");
	chmod((bin / "xdg-open").c_str(), 0755);
	test::ScopedVariable path("PATH", (bin.path() + ":" + getenv("PATH")).c_str());

	struct Case
	{
		char const* url;
		bool link;
		bool withObserver;
		int code;
		bool allowed;
		char const* call;    // what reaches callLuaFunction ("" nothing)
		char const* engine;  // the engine calls it causes, joined by ";"
		bool opened;
	} const cases[] = {
		{"js-call:f(1)", false, true, 1, false, "f(1)", "", false},
		{"js-call:f(1)", false, false, 1, false, "", "", false},
		{"js-call:a%20b", false, true, 1, false, "a b", "", false},
		{"js-call:%C3%A9t%C3%A9()", false, true, 1, false, "\xC3\xA9t\xC3\xA9()", "", false},
		{"js-call:a%2", false, true, 1, false, "", "", false},
		{"js-call:a%zz", false, true, 1, false, "", "", false},
		{"js-call:a%00b", false, true, 1, false, "", "", false},
		{"js-call:%FF%FE", false, true, 1, false, "", "", false},
		{"wv-call:Quennet.Platform.WebView.show", false, true, 1, false, "", "front;fade 1.0 0.5", false},
		{"wv-call:Quennet.Platform.WebView.hide", false, false, 1, false, "", "fade 0.0 0.0", false},
		{"wv-call:Quennet.Platform.WebView.other", false, true, 1, false, "", "", false},
		{"https://example.org/a", false, true, 0, true, "", "", false},
		{"https://example.org/0", true, true, 0, false, "", "", false},
		{"https://example.org/1", true, true, 1, true, "", "", false},
		{"https://example.org/2", true, true, 2, false, "", "", true},
		{"https://example.org/3", true, true, 3, true, "", "", false},
		{"https://example.org/-1", true, true, -1, true, "", "", false},
		{"https://example.org/none", true, false, 0, true, "", "", false},
	};
	engine().finishLoad();
	for (Case const& c : cases)
	{
		SCOPED_TRACE(c.url);
		observer = RecordingObserver();
		observer.code = c.code;
		view->setObserver(c.withObserver ? &observer : nullptr);
		engine().calls.clear();
		std::remove((bin / "opened").c_str());

		bool const call = std::string(c.url).rfind("js-call:", 0) == 0 || std::string(c.url).rfind("wv-call:", 0) == 0;
		EXPECT_EQ(c.allowed, call ? engine().bridgeCall(c.url) : engine().navigate(c.url, c.link));
		EXPECT_EQ(c.call, observer.calls.empty() ? std::string() : observer.calls.at(0));
		EXPECT_LE(observer.calls.size(), 1u);
		std::string made;
		for (std::string const& call : engine().calls)
			made += (made.empty() ? "" : ";") + call;
		EXPECT_EQ(c.engine, made);
		bool const asked = c.link && c.withObserver;
		EXPECT_EQ(asked ? std::vector<std::string>{c.url} : std::vector<std::string>{}, observer.links);
		if (asked)
		{
			EXPECT_EQ(view.ptr(), observer.lastView);
		}
		pf::Launcher::reapChildren(true);
		EXPECT_EQ(c.opened ? std::string(c.url) + "\n" : "", bin.read("opened"));
	}
}

// Only the main frame, whose bridge carries the page's token, calls in: a
// frame that builds the address itself (or kept an earlier page's token) is
// refused.
TEST_F(WebViewBridge, CallsWithoutThePagesTokenAreRefused)
{
	view->setObserver(&observer);
	engine().finishLoad();
	std::string const old = engine().bridgeToken();
	engine().finishLoad();
	std::string const token = engine().bridgeToken();
	engine().calls.clear();
	testing::internal::CaptureStdout();
	std::string const urls[] = {"js-call:f(1)", "js-call:" + old + ":f(1)", "js-call::f(1)", "js-call:" + token,
		"js-call:" + token.substr(1) + ":f(1)", "js-call:" + token + "0:f(1)", "wv-call:Quennet.Platform.WebView.show",
		"wv-call:" + old + ":Quennet.Platform.WebView.show"};
	for (std::string const& url : urls)
	{
		SCOPED_TRACE(url);
		EXPECT_FALSE(engine().navigate(url));
	}
	std::string const out = testing::internal::GetCapturedStdout();
	EXPECT_TRUE(observer.calls.empty());
	EXPECT_TRUE(engine().calls.empty());
	EXPECT_NE(std::string::npos, out.find("WebView: a call from outside the page's main frame was refused\n"));

	EXPECT_FALSE(engine().navigate("js-call:" + token + ":f(1)"));
	EXPECT_EQ(std::vector<std::string>{"f(1)"}, observer.calls);
}

// The bridge goes only to a document of an origin the game sent the view
// to: by a load, or by a link its observer let load.
TEST_F(WebViewBridge, OnlyDocumentsTheGameSentTheViewToGetTheBridge)
{
	struct Case
	{
		char const* url;
		bool bridged;
	} const cases[] = {
		{"https://game.example/", true},
		{"https://game.example/other?q#f", true},
		{"HTTPS://GAME.EXAMPLE:443/x", true},
		{"https://user:pw@game.example/", true},
		{"blob:https://game.example/0a1b", true},
		{"https://evil.example/", false},
		{"http://game.example/", false},
		{"https://game.example:8443/", false},
		{"https://game.example.evil.example/", false},
		{"https://evil.example\\@game.example/", false},
		{"https://evil.example#@game.example/", false},
		{"blob:https://evil.example/0a1b", false},
		{"data:text/html,<script>callLuaFunction('f()')</script>", false},
		{"about:blank", false},
		{"about:srcdoc", false},
		{"javascript:1", false},
		{"file:///etc/passwd", false},
		{"", false},
		{"https:game.example", false},
		{"https://game.example'/", false},
	};
	for (Case const& c : cases)
	{
		SCOPED_TRACE(c.url);
		EXPECT_EQ(c.bridged, loadGetsBridge(c.url));
	}

	// A document without the bridge cannot use the token of the one before.
	EXPECT_TRUE(loadGetsBridge("https://game.example/"));
	std::string const token = engine().bridgeToken();
	view->setObserver(&observer);
	testing::internal::CaptureStdout();
	EXPECT_FALSE(loadGetsBridge("https://evil.example/"));
	EXPECT_FALSE(engine().navigate("js-call:" + token + ":f(1)"));
	std::string const out = testing::internal::GetCapturedStdout();
	EXPECT_TRUE(observer.calls.empty());
	EXPECT_NE(std::string::npos, out.find("WebView: https://evil.example/ is not a page the game sent the view to: it cannot call the game's scripts\n"))
		<< out;

	// Links: only one the observer let load adds its origin.
	struct Link
	{
		char const* url;
		bool withObserver;
		int code;
		bool bridged;
	} const links[] = {
		{"https://partner.example/a", true, pf::WEBVIEW_LINK_LOAD, true},
		{"https://refused.example/a", true, pf::WEBVIEW_LINK_DONT_LOAD, false},
		{"https://outside.example/a", true, pf::WEBVIEW_LINK_EXTERNAL, false},
		{"https://unknown.example/a", true, 7, false},
		{"https://unasked.example/a", false, pf::WEBVIEW_LINK_LOAD, false},
		{"data:text/html,x", true, pf::WEBVIEW_LINK_LOAD, false},
	};
	test::TempFolder bin;
	bin.write("xdg-open", "#!/bin/sh\n");
	chmod((bin / "xdg-open").c_str(), 0755);
	test::ScopedVariable path("PATH", (bin.path() + ":" + getenv("PATH")).c_str());
	for (Link const& l : links)
	{
		SCOPED_TRACE(l.url);
		ASSERT_TRUE(loadGetsBridge("https://game.example/"));
		observer.code = l.code;
		view->setObserver(l.withObserver ? &observer : nullptr);
		engine().navigate(l.url, true);
		EXPECT_EQ(l.bridged, loadGetsBridge(l.url));
		pf::Launcher::reapChildren(true);
	}
	EXPECT_TRUE(loadGetsBridge("https://partner.example/b")) << "the game's own page stays allowed";
	EXPECT_TRUE(loadGetsBridge("https://game.example/b"));

	// A new load by the game starts the list afresh.
	view->loadUrl("https://other.example/");
	EXPECT_FALSE(loadGetsBridge("https://partner.example/b"));
	EXPECT_TRUE(loadGetsBridge("https://other.example/"));
	view->loadUrl("file:///data/page.html");
	EXPECT_TRUE(loadGetsBridge("file:///data/other.html"));
	EXPECT_FALSE(loadGetsBridge("https://other.example/"));
}

// The game is asked about a link only when the player clicked it on a page
// that holds the bridge: a script's link, a frame's, or a click on a page
// without the bridge loads without asking, adds no origin and never opens
// outside.
TEST_F(WebViewBridge, OnlyThePlayersClickOnTheGamesPageIsAsked)
{
	test::TempFolder bin;
	bin.write("xdg-open", "#!/bin/sh\nprintf '%s\\n' \"$@\" >> \"" + bin.path() + "/opened\"\n");
	chmod((bin / "xdg-open").c_str(), 0755);
	test::ScopedVariable path("PATH", (bin.path() + ":" + getenv("PATH")).c_str());
	view->setObserver(&observer);
	struct Case
	{
		char const* what;
		/** The page the link is on: the game's (bridged) or another. */
		char const* page;
		bool player;
		int code;
		bool asked;
		bool allowed;
	} const cases[] = {
		{"the player's click on the game's page", "https://game.example/", true, pf::WEBVIEW_LINK_LOAD, true, true},
		{"the player's click on the game's page, kept", "https://game.example/", true, pf::WEBVIEW_LINK_DONT_LOAD, true, false},
		{"the player's click on the game's page, outside", "https://game.example/", true, pf::WEBVIEW_LINK_EXTERNAL, true, false},
		{"a script's click on the game's page", "https://game.example/", false, pf::WEBVIEW_LINK_LOAD, false, true},
		{"a script's click asking to open outside", "https://game.example/", false, pf::WEBVIEW_LINK_EXTERNAL, false, true},
		{"the player's click on a foreign page", "https://evil.example/", true, pf::WEBVIEW_LINK_LOAD, false, true},
		{"the player's click on a foreign page asking to open outside", "https://evil.example/", true, pf::WEBVIEW_LINK_EXTERNAL, false, true},
		{"a script's click on a foreign page", "https://evil.example/", false, pf::WEBVIEW_LINK_LOAD, false, true},
	};
	for (Case const& c : cases)
	{
		SCOPED_TRACE(c.what);
		loadGetsBridge(c.page);
		observer.links.clear();
		observer.code = c.code;
		std::remove((bin / "opened").c_str());
		std::string const to = "https://partner" + std::to_string(&c - cases) + ".example/";
		EXPECT_EQ(c.allowed, engine().navigate(to, c.player));
		EXPECT_EQ(c.asked ? std::vector<std::string>{to} : std::vector<std::string>{}, observer.links);
		pf::Launcher::reapChildren(true);
		EXPECT_EQ(c.asked && c.code == pf::WEBVIEW_LINK_EXTERNAL ? to + "\n" : "", bin.read("opened"));
		EXPECT_EQ(c.asked && c.code == pf::WEBVIEW_LINK_LOAD, loadGetsBridge(to)) << "only a link the game let load gives the bridge";
	}
}

// A refused download is logged with its address (shortened when long),
// once per page like every line a page can repeat.
TEST_F(WebViewBridge, RefusedDownloadsAreLoggedOncePerPage)
{
	engine().finishLoad();
	std::string const data = "data:application/octet-stream," + std::string(5000, 'x');
	testing::internal::CaptureStdout();
	for (int i = 0; i < 3; ++i)
		engine().refuseDownload("https://evil.example/run.desktop");
	engine().refuseDownload(data);
	engine().finishLoad();
	std::string const out = testing::internal::GetCapturedStdout();
	EXPECT_EQ(0u, out.find("WebView: a download of https://evil.example/run.desktop was refused: pages cannot save files\n"
		"WebView: a download of data:application/octet-stream,xxx")) << out;
	EXPECT_NE(std::string::npos, out.find("bytes cut ...]xxx")) << out;
	EXPECT_NE(std::string::npos, out.find("WebView: a download of https://evil.example/run.desktop was refused: pages cannot save files (2 more times on that page)\n")) << out;
	EXPECT_LT(out.size(), 800u);
}

// A page that makes a line at will gets it logged once, then counted.
TEST_F(WebViewBridge, LinesAPageCanRepeatAreLoggedOncePerPage)
{
	view->setObserver(&observer);
	engine().finishLoad();
	testing::internal::CaptureStdout();
	for (int i = 0; i < 1000; ++i)
		engine().navigate("js-call:f(1)");
	engine().finishLoad();
	engine().navigate("js-call:f(1)");
	engine().navigate("wv-call:x");
	view = nullptr;
	std::string const out = testing::internal::GetCapturedStdout();
	EXPECT_EQ("WebView: a call from outside the page's main frame was refused\n"
		"WebView: a call from outside the page's main frame was refused (999 more times on that page)\n"
		"WebView: a call from outside the page's main frame was refused\n"
		"WebView: a call from outside the page's main frame was refused (1 more time on that page)\n",
		out);
}

TEST_F(WebViewBridge, CompletionInjectsTheBridgeThenReportsTheTitle)
{
	engine().answers["document.title"] = "The page";
	engine().finishLoad();
	std::string const first = engine().bridgeToken();
	EXPECT_EQ(32u, first.size());
	auto guarded = [](std::vector<std::string> scripts) {
		for (std::string& script : scripts)
			script = pf::WebViewImpl::forOrigin("https://game.example", script);
		return scripts;
	};
	EXPECT_EQ(guarded(pf::WebViewImpl::bridgeScripts(first)), engine().scripts) << "no observer: no title asked";

	engine().scripts.clear();
	view->setObserver(&observer);
	engine().finishLoad();
	EXPECT_NE(first, engine().bridgeToken()) << "each page its own token";
	std::vector<std::string> expected = guarded(pf::WebViewImpl::bridgeScripts(engine().bridgeToken()));
	expected.push_back("document.title");
	EXPECT_EQ(expected, engine().scripts);
	EXPECT_EQ(std::vector<std::string>{"true The page"}, observer.loads);
	EXPECT_EQ(view.ptr(), observer.lastView);
}

TEST_F(WebViewBridge, FailuresReportSuccessOnlyWhenCancelled)
{
	engine().answers["document.title"] = "Old";
	engine().failLoad(false);
	EXPECT_TRUE(engine().scripts.empty()) << "without an observer nothing is asked";
	view->setObserver(&observer);
	engine().failLoad(false);
	engine().failLoad(true);
	EXPECT_EQ((std::vector<std::string>{"false Old", "true Old"}), observer.loads);
}

TEST_F(WebViewBridge, ScriptsRunInThePage)
{
	engine().answers["1+1"] = "2";
	EXPECT_EQ("2", view->executeJavaScript("1+1"));
	EXPECT_EQ("", view->executeJavaScript("undefined"));
	view->asyncExecuteJavaScript("go(1);");
	EXPECT_EQ("function asyncExec() {go(1);}setTimeout(asyncExec, 0);", engine().scripts.back());
	view->reload();
	view->loadUrl("https://example.org/");
	view->show();
	view->hide();
	EXPECT_EQ((std::vector<std::string>{"reload", "url https://example.org/", "front", "fade 1.0 0.5", "fade 0.0 0.0"}), engine().calls);
	EXPECT_TRUE(pf::WebView::isWebViewSupported());
}

TEST_F(WebViewBridge, ClosingStopsTheReports)
{
	bool alive = true;
	engine().alive = &alive;
	test::ScriptedPageEngine& e = engine();
	view->setObserver(&observer);
	lang::Ptr<pf::PageEngine> keep(&e);
	view = nullptr;
	EXPECT_TRUE(alive);
	EXPECT_EQ("fade 0.0 0.0", e.calls.back()) << "a closed view hides";
	e.bridgeCall("js-call:f()");
	e.finishLoad();
	EXPECT_TRUE(observer.calls.empty());
	EXPECT_TRUE(observer.loads.empty());
	keep = nullptr;
	EXPECT_FALSE(alive);
}

TEST(WebView, RectangleIsDividedByThePixelRatio)
{
	test::ScriptedPageEngines engines;
	struct Case
	{
		float ratio;
		int in[4];
		int out[4];
	} const cases[] = {
		{1.f, {10, 20, 300, 200}, {10, 20, 300, 200}},
		{2.f, {10, 21, 300, 200}, {5, 11, 150, 100}},
		{NAN, {10, 20, 300, 200}, {10, 20, 300, 200}},
		{0.f, {10, 20, 300, 200}, {10, 20, 300, 200}},
		{0.5f, {INT_MAX, INT_MIN, 1, -1}, {1000000, -1000000, 2, -2}},
	};
	for (Case const& c : cases)
	{
		pf::setPageWindowPlace([&c]() {
			pf::PageWindowPlace p;
			p.pixelRatio = c.ratio;
			return p;
		});
		pf::WebView view(c.in[0], c.in[1], c.in[2], c.in[3]);
		test::ScriptedPageEngine& e = engines.last();
		EXPECT_EQ((std::vector<int>{c.out[0], c.out[1], c.out[2], c.out[3]}), (std::vector<int>{e.x, e.y, e.width, e.height}));
	}
	pf::setPageWindowPlace(nullptr);
	EXPECT_EQ(1.f, pf::pageWindowPlace().pixelRatio) << "headless";
}

TEST_F(WebViewBridge, LocalPagesLoadFromTheDataRoot)
{
	test::TempFolder data;
	data.write("web.d/page.html", "<p>hi</p>");
	data.write("web.d/x y.html", "<p>sp</p>");
	io::detail::setBundlePath(data.path());
	view->setObserver(&observer);
	pf::clearMainThreadQueue();

	view->loadLocalUrl("web.d/page.html");
	view->loadLocalUrl("/web.d/./sub/../x y.html");
	EXPECT_EQ((std::vector<std::string>{"html file://" + data.path() + "/web.d/page.html <p>hi</p>",
		"html file://" + data.path() + "/web.d/x%20y.html <p>sp</p>"}), engine().calls);

	engine().calls.clear();
	testing::internal::CaptureStdout();
	// Links inside the root that lead out of it, to a file or to a folder.
	test::TempFolder elsewhere;
	elsewhere.write("secret.html", "<p>secret</p>");
	std::filesystem::create_symlink(elsewhere / "secret.html", data / "web.d/link.html");
	std::filesystem::create_directory_symlink(elsewhere.path(), data / "web.d/out");
	for (char const* bad : {"web.d/missing.html", "../outside.html", "web.d/../../outside.html", "web.d", "", "web.d/link.html",
			 "web.d/out/secret.html"})
		view->loadLocalUrl(bad);
	std::string const out = testing::internal::GetCapturedStdout();
	EXPECT_TRUE(engine().calls.empty());
	EXPECT_NE(std::string::npos, out.find("WebView: cannot load web.d/missing.html: no such file\n")) << out;
	EXPECT_NE(std::string::npos, out.find("WebView: cannot load web.d/link.html: the file lies outside the data folder\n")) << out;
	EXPECT_NE(std::string::npos, out.find("WebView: cannot load web.d/out/secret.html: the file lies outside the data folder\n")) << out;
	EXPECT_NE(std::string::npos, out.find("WebView: cannot load ../outside.html: the path leaves the data folder\n")) << out;
	EXPECT_TRUE(observer.loads.empty()) << "reported at the next turn";
	pf::runMainThreadQueue();
	EXPECT_EQ(std::vector<std::string>(7, "false "), observer.loads);

	// A link that stays inside the root is fine; the page's address is the file's own.
	std::filesystem::create_symlink(data / "web.d/page.html", data / "web.d/inside.html");
	engine().calls.clear();
	view->loadLocalUrl("web.d/inside.html");
	EXPECT_EQ(std::vector<std::string>{"html file://" + data.path() + "/web.d/page.html <p>hi</p>"}, engine().calls);

	view->loadLocalUrl("web.d/missing.html");
	view = nullptr;
	pf::runMainThreadQueue();
	EXPECT_EQ(7u, observer.loads.size()) << "a view gone hears nothing";
	io::detail::setBundlePath("");
}

TEST(WebView, LoadsFailWithoutADisplayOrThePagePlugin)
{
	// The page plugin is opened once per process: each case runs in a
	// process of its own.
	GTEST_FLAG_SET(death_test_style, "threadsafe");
	test::TempFolder empty;
	struct Case
	{
		char const* what;
		char const* variable;
		std::string value;
		char const* line;
	} const cases[] = {
		{"no display", "DISPLAY", "", "WebView: cannot load https://example.org/: web pages need a display"},
		{"no page plugin", "ENGINE_PLUGIN_DIR", empty.path(),
			"WebView: cannot load https://example.org/: the page engine cannot be loaded: .*libeng_pf_linux_webkit.so"},
		{"page plugin makes no engine", "ENGINE_PLUGIN_DIR", NULL_PAGE_PLUGIN_DIR,
			"WebView: cannot load https://example.org/: the page engine cannot be loaded: " NULL_PAGE_PLUGIN_DIR
			"/libeng_pf_linux_webkit.so made no page engine\n"},
	};
	for (Case const& c : cases)
	{
		SCOPED_TRACE(c.what);
		EXPECT_EXIT(
			{
				test::ScopedVariable variable(c.variable, c.value.c_str());
				test::ScopedVariable wayland("WAYLAND_DISPLAY", "");
				pf::clearMainThreadQueue();
				RecordingObserver observer;
				pf::WebView view(0, 0, 100, 100);
				view.setObserver(&observer);
				testing::internal::CaptureStdout();
				view.loadUrl("https://example.org/");
				view.show();
				std::string const out = testing::internal::GetCapturedStdout();
				bool const quiet = view.executeJavaScript("1+1").empty();
				pf::runMainThreadQueue();
				pf::turnPageLoop();
				std::fprintf(stderr, "%s", out.c_str());
				std::exit(quiet && observer.loads == std::vector<std::string>{"false "} ? 0 : 1);
			},
			testing::ExitedWithCode(0), c.line);
	}
}
