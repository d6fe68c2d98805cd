#include "WebViewLuaInterface.h"
#include "WebViewLuaObserver.h"
#include <pf/WebView.h>
#include <lua/LuaState.h>
#include <lua.hpp>
#include <algorithm>
#include <string>

namespace lua
{

framework::App* WebViewLuaInterface::s_app = nullptr;
WebViewLuaInterface* WebViewLuaInterface::s_instance = nullptr;
char const* const WebViewLuaInterface::s_metaTableName = "quennet.webview";
char const* const WebViewLuaInterface::s_tableName = "WebView";

namespace
{

/** The block of the userdata that the module's closures hold as their first upvalue. */
struct ModuleValue
{
	WebViewLuaInterface* module;
};

typedef int (*Body)(lua_State*, LuaState*, LuaFunctor const&);

template <Body body>
int dispatchTo(lua_State* lua)
{
	return LuaState::dispatch(lua, body);
}

/** The open view of the method's first argument; raises a Lua error for anything else. */
WebViewLuaObserver* checkView(lua_State* lua)
{
	WebViewLuaValue* value = static_cast<WebViewLuaValue*>(luaL_checkudata(lua, 1, WebViewLuaInterface::s_metaTableName));
	if (!value->observer || value->observer->closed())
		luaL_error(lua, "attempt to use a deleted WebView");
	return value->observer;
}

std::string checkString(lua_State* lua, int index)
{
	size_t len = 0;
	char const* s = luaL_checklstring(lua, index, &len);
	return std::string(s, len);
}

int checkInt(lua_State* lua, int index)
{
	return LuaNumber::toInt(luaL_checknumber(lua, index));
}

} // namespace

struct WebViewLuaInterface::Functions
{
	static int create(lua_State* lua, LuaState* state, LuaFunctor const& lf)
	{
		WebViewLuaInterface* module = static_cast<ModuleValue*>(lf.obj)->module;
		if (!module)
			luaL_error(lua, "the WebView module has been closed");
		int const x = checkInt(lua, 1);
		int const y = checkInt(lua, 2);
		int const width = checkInt(lua, 3);
		int const height = checkInt(lua, 4);
		lang::Ptr<pf::WebView> view = new pf::WebView(x, y, width, height);
		WebViewLuaValue* value = static_cast<WebViewLuaValue*>(lua_newuserdata(lua, sizeof(WebViewLuaValue)));
		value->observer = nullptr;
		luaL_getmetatable(lua, s_metaTableName);
		lua_setmetatable(lua, -2);
		lua_pushvalue(lua, -1);
		int const ref = luaL_ref(lua, LUA_REGISTRYINDEX);
		value->observer = new WebViewLuaObserver(state, view, ref);
		module->m_views.push_back(value->observer);
		return 1;
	}

	static int destroy(lua_State* lua, LuaState*, LuaFunctor const& lf)
	{
		WebViewLuaObserver* observer = checkView(lua);
		if (WebViewLuaInterface* module = static_cast<ModuleValue*>(lf.obj)->module)
			module->forget(observer);
		WebViewLuaObserver::release(observer);
		return 0;
	}

	static int show(lua_State* lua, LuaState*, LuaFunctor const&)
	{
		lang::Ptr<pf::WebView> view = checkView(lua)->view();
		view->show();
		return 0;
	}

	static int hide(lua_State* lua, LuaState*, LuaFunctor const&)
	{
		lang::Ptr<pf::WebView> view = checkView(lua)->view();
		view->hide();
		return 0;
	}

	static int reloadPage(lua_State* lua, LuaState*, LuaFunctor const&)
	{
		lang::Ptr<pf::WebView> view = checkView(lua)->view();
		view->reload();
		return 0;
	}

	static int loadPage(lua_State* lua, LuaState*, LuaFunctor const&)
	{
		lang::Ptr<pf::WebView> view = checkView(lua)->view();
		view->loadUrl(checkString(lua, 2));
		return 0;
	}

	static int loadLocalPage(lua_State* lua, LuaState*, LuaFunctor const&)
	{
		lang::Ptr<pf::WebView> view = checkView(lua)->view();
		view->loadLocalUrl(checkString(lua, 2));
		return 0;
	}

	static int setOnLinkClickedCallback(lua_State* lua, LuaState*, LuaFunctor const&)
	{
		checkView(lua)->setLinkClickedCallback(2);
		return 0;
	}

	static int setOnPageLoadedCallback(lua_State* lua, LuaState*, LuaFunctor const&)
	{
		checkView(lua)->setPageLoadedCallback(2);
		return 0;
	}

	static int allowCallsFromJavaScript(lua_State* lua, LuaState*, LuaFunctor const&)
	{
		WebViewLuaObserver* observer = checkView(lua);
		observer->setAllowedPath(checkString(lua, 2));
		return 0;
	}

	static int executeJavaScript(lua_State* lua, LuaState*, LuaFunctor const&)
	{
		lang::Ptr<pf::WebView> view = checkView(lua)->view();
		std::string const script = checkString(lua, 2);
		std::string const result = view->executeJavaScript(script);
		lua_pushlstring(lua, result.data(), result.size());
		return 1;
	}

	static int asyncExecuteJavaScript(lua_State* lua, LuaState*, LuaFunctor const&)
	{
		lang::Ptr<pf::WebView> view = checkView(lua)->view();
		view->asyncExecuteJavaScript(checkString(lua, 2));
		return 0;
	}
};

WebViewLuaInterface::WebViewLuaInterface(framework::App* app, LuaState* state) : LuaObject(state), m_selfRef(-1)
{
	s_app = app;
	if (!pf::WebView::isWebViewSupported())
		return;
	lua_State* lua = LuaAccess::get(state);
	LuaStackRestore restore(state);
	lua_checkstack(lua, 8);
	static_cast<ModuleValue*>(lua_newuserdata(lua, sizeof(ModuleValue)))->module = this;
	int const self = lua_gettop(lua);
	lua_pushvalue(lua, self);
	m_selfRef = luaL_ref(lua, LUA_REGISTRYINDEX);

	static struct
	{
		char const* name;
		lua_CFunction function;
	} const methods[] = {
		{"delete", &dispatchTo<&Functions::destroy>},
		{"show", &dispatchTo<&Functions::show>},
		{"hide", &dispatchTo<&Functions::hide>},
		{"reloadPage", &dispatchTo<&Functions::reloadPage>},
		{"loadPage", &dispatchTo<&Functions::loadPage>},
		{"loadLocalPage", &dispatchTo<&Functions::loadLocalPage>},
		{"setOnLinkClickedCallback", &dispatchTo<&Functions::setOnLinkClickedCallback>},
		{"setOnPageLoadedCallback", &dispatchTo<&Functions::setOnPageLoadedCallback>},
		{"allowCallsFromJavaScript", &dispatchTo<&Functions::allowCallsFromJavaScript>},
		{"executeJavaScript", &dispatchTo<&Functions::executeJavaScript>},
		{"asyncExecuteJavaScript", &dispatchTo<&Functions::asyncExecuteJavaScript>},
	};
	// A second module on the same state takes the metatable over.
	luaL_newmetatable(lua, s_metaTableName);
	lua_pushvalue(lua, -1);
	lua_setfield(lua, -2, "__index");
	for (auto const& m : methods)
	{
		lua_pushvalue(lua, self);
		lua_pushcclosure(lua, m.function, 1);
		lua_setfield(lua, -2, m.name);
	}
	lua_pop(lua, 1);

	lua_newtable(lua);
	lua_pushvalue(lua, self);
	lua_pushcclosure(lua, &dispatchTo<&Functions::create>, 1);
	lua_setfield(lua, -2, "new");
	lua_pushliteral(lua, "0");
	lua_setfield(lua, -2, "DONT_LOAD_PAGE");
	lua_pushliteral(lua, "1");
	lua_setfield(lua, -2, "LOAD_PAGE_INTO_WEBVIEW");
	lua_pushliteral(lua, "2");
	lua_setfield(lua, -2, "LOAD_PAGE_INTO_EXTERNAL_BROWSER");
	lua_setfield(lua, LUA_GLOBALSINDEX, s_tableName);
	s_instance = this;
}

WebViewLuaInterface::~WebViewLuaInterface()
{
	std::vector<WebViewLuaObserver*> views;
	views.swap(m_views);
	for (WebViewLuaObserver* observer : views)
		WebViewLuaObserver::release(observer);
	if (m_selfRef != -1)
	{
		lua_State* lua = LuaAccess::get(getLuaState());
		lua_rawgeti(lua, LUA_REGISTRYINDEX, m_selfRef);
		static_cast<ModuleValue*>(lua_touserdata(lua, -1))->module = nullptr;
		lua_pop(lua, 1);
		luaL_unref(lua, LUA_REGISTRYINDEX, m_selfRef);
	}
	if (s_instance == this)
		s_instance = nullptr;
}

void WebViewLuaInterface::forget(WebViewLuaObserver* observer)
{
	m_views.erase(std::remove(m_views.begin(), m_views.end(), observer), m_views.end());
}

} // lua
