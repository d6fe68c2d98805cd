#pragma once

#include <lua/LuaObject.h>
#include <vector>

namespace framework
{
class App;
}

namespace lua
{

class LuaState;
class WebViewLuaObserver;

/**
 * The web view module of the scripts: the table WebView (new and the link
 * code constants "0", "1", "2") and the methods of web view values, full
 * userdata of the metatable "quennet.webview":
 *
 *     local v = WebView.new(x, y, width, height)   -- pixels of the window
 *     v:loadPage(url)  v:loadLocalPage(path)  v:reloadPage()
 *     v:show()  v:hide()  v:delete()
 *     v:setOnPageLoadedCallback(function(view, success, title) end)
 *     v:setOnLinkClickedCallback(function(view, url) return WebView.LOAD_PAGE_INTO_WEBVIEW end)
 *     v:allowCallsFromJavaScript("ui.web")   -- page calls of ui.web's functions
 *     local text = v:executeJavaScript(script)  v:asyncExecuteJavaScript(script)
 *
 * A view the scripts drop lives until delete or the module's end; methods
 * on a deleted view raise "attempt to use a deleted WebView". Each
 * instance registers the module into its own state. Main thread only.
 */
class WebViewLuaInterface : public LuaObject
{
public:
	/** The application (not owned) given to the latest instance. */
	static framework::App* s_app;
	/** The latest instance; null when it has gone. */
	static WebViewLuaInterface* s_instance;
	static char const* const s_metaTableName;
	static char const* const s_tableName;

	/** Registers the module into state when web views are supported. */
	WebViewLuaInterface(framework::App* app, LuaState* state);

	/** Deletes the views still open and frees their callbacks; the module's functions then refuse to work. */
	~WebViewLuaInterface() override;

private:
	struct Functions;

	std::vector<WebViewLuaObserver*> m_views;
	/** The userdata the module's closures hold, pointing back here until the module goes. */
	int m_selfRef;

	void forget(WebViewLuaObserver* observer);
};

} // lua
