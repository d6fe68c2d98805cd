#include "WebViewLuaObserver.h"
#include <pf/WebView.h>
#include <lua/LuaState.h>
#include <lang/Debug.h>
#include <lang/Throwable.h>
#include <lua.hpp>
#include <cstdlib>
#include <cstring>
#include <exception>

namespace lua
{

/** Marks a callback of the observer as running; frees a released observer when the last one returns. */
struct WebViewLuaBusy
{
	WebViewLuaObserver* observer;

	explicit WebViewLuaBusy(WebViewLuaObserver* o) : observer(o) { ++observer->m_busy; }

	~WebViewLuaBusy()
	{
		if (--observer->m_busy == 0 && observer->m_released)
			delete observer;
	}
};

namespace
{

bool isSpace(char c)
{
	return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

/** text[begin, end) without white space at both ends, into out. */
void trimmed(std::string const& text, size_t begin, size_t end, std::string& out)
{
	while (begin < end && isSpace(text[begin]))
		++begin;
	while (end > begin && isSpace(text[end - 1]))
		--end;
	out.assign(text, begin, end - begin);
}

bool isDigit(char c)
{
	return c >= '0' && c <= '9';
}

/** A decimal number: optional sign, digits with an optional fraction, optional exponent. */
bool isDecimal(std::string const& s)
{
	size_t i = 0;
	size_t const n = s.size();
	if (i < n && (s[i] == '+' || s[i] == '-'))
		++i;
	size_t digits = 0;
	while (i < n && isDigit(s[i]))
		++i, ++digits;
	if (i < n && s[i] == '.')
	{
		++i;
		while (i < n && isDigit(s[i]))
			++i, ++digits;
	}
	if (digits == 0)
		return false;
	if (i < n && (s[i] == 'e' || s[i] == 'E'))
	{
		++i;
		if (i < n && (s[i] == '+' || s[i] == '-'))
			++i;
		size_t exponent = 0;
		while (i < n && isDigit(s[i]))
			++i, ++exponent;
		if (exponent == 0)
			return false;
	}
	return i == n;
}

/** Runs a protected call of the function below nargs arguments; prints a failure. */
bool protectedCall(LuaState* state, int nargs, int nresults)
{
	try
	{
		state->call(nargs, nresults);
		return true;
	}
	catch (lang::Throwable const& e)
	{
		lang::Debug::printf("WebView Lua: %s\n", e.getMessage().format().c_str());
	}
	catch (std::exception const& e)
	{
		lang::Debug::printf("WebView Lua: %s\n", e.what());
	}
	return false;
}

} // namespace

WebViewLuaObserver::WebViewLuaObserver(LuaState* state, pf::WebView* view, int value) :
	m_state(state), m_view(view), m_value(value), m_onLinkClicked(-1), m_onPageLoaded(-1), m_busy(0), m_released(false)
{
	m_view->setObserver(this);
}

WebViewLuaObserver::~WebViewLuaObserver()
{
	close();
}

void WebViewLuaObserver::release(WebViewLuaObserver* observer)
{
	observer->close();
	if (observer->m_busy > 0)
		observer->m_released = true;
	else
		delete observer;
}

void WebViewLuaObserver::close()
{
	if (!m_view)
		return;
	lua_State* lua = LuaAccess::get(m_state);
	if (m_value != -1 && lua_checkstack(lua, 1))
	{
		lua_rawgeti(lua, LUA_REGISTRYINDEX, m_value);
		if (WebViewLuaValue* value = static_cast<WebViewLuaValue*>(lua_touserdata(lua, -1)))
			value->observer = nullptr;
		lua_pop(lua, 1);
	}
	for (int* ref : {&m_onLinkClicked, &m_onPageLoaded, &m_value})
	{
		if (*ref != -1)
			luaL_unref(lua, LUA_REGISTRYINDEX, *ref);
		*ref = -1;
	}
	m_view->setObserver(nullptr);
	m_view = nullptr;
}

void WebViewLuaObserver::setCallback(int& ref, int index)
{
	lua_State* lua = LuaAccess::get(m_state);
	if (ref != -1)
		luaL_unref(lua, LUA_REGISTRYINDEX, ref);
	ref = -1;
	if (lua_type(lua, index) == LUA_TFUNCTION)
	{
		lua_pushvalue(lua, index);
		ref = luaL_ref(lua, LUA_REGISTRYINDEX);
	}
}

void WebViewLuaObserver::setLinkClickedCallback(int index)
{
	setCallback(m_onLinkClicked, index);
}

void WebViewLuaObserver::setPageLoadedCallback(int index)
{
	setCallback(m_onPageLoaded, index);
}

bool WebViewLuaObserver::pushCallback(int ref)
{
	lua_State* lua = LuaAccess::get(m_state);
	if (!lua_checkstack(lua, 8))
		return false;
	lua_rawgeti(lua, LUA_REGISTRYINDEX, ref);
	lua_rawgeti(lua, LUA_REGISTRYINDEX, m_value);
	return true;
}

void WebViewLuaObserver::onUrlLoadCompleted(bool success, std::string const& title, pf::WebView*)
{
	WebViewLuaBusy busy(this);
	if (m_onPageLoaded == -1)
		return;
	LuaStackRestore restore(m_state);
	if (!pushCallback(m_onPageLoaded))
		return;
	lua_State* lua = LuaAccess::get(m_state);
	lua_pushboolean(lua, success ? 1 : 0);
	lua_pushlstring(lua, title.data(), title.size());
	protectedCall(m_state, 3, 0);
}

int WebViewLuaObserver::onLinkClicked(std::string const& url, pf::WebView*)
{
	WebViewLuaBusy busy(this);
	// A link no callback chose loads, but its page gets no bridge.
	if (m_onLinkClicked == -1)
		return pf::WEBVIEW_LINK_LOAD_UNCHECKED;
	LuaStackRestore restore(m_state);
	if (!pushCallback(m_onLinkClicked))
		return pf::WEBVIEW_LINK_LOAD_UNCHECKED;
	lua_State* lua = LuaAccess::get(m_state);
	lua_pushlstring(lua, url.data(), std::min(url.size(), MAX_LINK_BYTES));
	if (!protectedCall(m_state, 2, 1))
		return pf::WEBVIEW_LINK_LOAD_UNCHECKED;
	lua = LuaAccess::get(m_state);
	int const code = LuaNumber::toInt(lua_tonumber(lua, -1));
	if (code >= 3)
	{
		lang::Debug::printf("WebView Lua: unknown return code from onLinkClicked()\n");
		return pf::WEBVIEW_LINK_LOAD_UNCHECKED;
	}
	return code;
}

void WebViewLuaObserver::setAllowedPath(std::string const& path)
{
	m_allowedPath = path;
	m_steps.clear();
	if (path.empty())
		return;
	for (size_t from = 0;;)
	{
		size_t const dot = path.find('.', from);
		m_steps.push_back(path.substr(from, dot == std::string::npos ? std::string::npos : dot - from));
		if (dot == std::string::npos)
			break;
		from = dot + 1;
	}
}

void WebViewLuaObserver::callLuaFunction(std::string const& text)
{
	WebViewLuaBusy busy(this);
	if (m_allowedPath.empty())
		return;
	Call& call = m_call;
	if (!parseCall(text, call))
	{
		lang::Debug::printf("WebView Lua: bad call %s\n", text.c_str());
		return;
	}
	LuaStackRestore restore(m_state);
	lua_State* lua = LuaAccess::get(m_state);
	if (!lua_checkstack(lua, int(call.args.size()) + 8))
		return;
	// Raw lookups: no script metamethod runs outside a protected call.
	lua_pushvalue(lua, LUA_GLOBALSINDEX);
	for (size_t i = 0; i < m_steps.size(); ++i)
	{
		lua_pushlstring(lua, m_steps[i].data(), m_steps[i].size());
		lua_rawget(lua, -2);
		lua_remove(lua, -2);
		if (!lua_istable(lua, -1))
		{
			std::string walked = m_steps[0];
			for (size_t k = 1; k <= i; ++k)
				walked += "." + m_steps[k];
			lang::Debug::printf("WebView Lua: %s is not a table, call %s ignored\n", walked.c_str(), text.c_str());
			return;
		}
	}
	lua_pushlstring(lua, call.name.data(), call.name.size());
	lua_rawget(lua, -2);
	if (!lua_isfunction(lua, -1))
	{
		lang::Debug::printf("WebView Lua: %s.%s is not a function, call ignored\n", m_allowedPath.c_str(), call.name.c_str());
		return;
	}
	for (size_t i = 0; i < call.args.size(); ++i)
	{
		if (call.numbers[i])
			lua_pushnumber(lua, std::strtod(call.args[i].c_str(), nullptr));
		else
			lua_pushlstring(lua, call.args[i].data(), call.args[i].size());
	}
	protectedCall(m_state, int(call.args.size()), 0);
}

bool WebViewLuaObserver::parseCall(std::string const& text, Call& call)
{
	call.args.clear();
	call.numbers.clear();
	size_t const open = text.find('(');
	if (open == std::string::npos)
		return false;
	trimmed(text, 0, open, call.name);
	if (call.name.empty())
		return false;
	size_t i = open + 1;
	size_t const n = text.size();
	auto skipSpace = [&]() {
		while (i < n && isSpace(text[i]))
			++i;
	};
	skipSpace();
	if (i < n && text[i] == ')')
		return true;
	while (i < n)
	{
		skipSpace();
		if (i < n && (text[i] == '"' || text[i] == '\''))
		{
			size_t const close = text.find(text[i], i + 1);
			if (close == std::string::npos)
				return false;
			call.args.emplace_back(text, i + 1, close - i - 1);
			call.numbers.push_back(false);
			i = close + 1;
			skipSpace();
		}
		else
		{
			size_t end = i;
			while (end < n && text[end] != ',' && text[end] != ')')
				++end;
			if (end == n)
				return false;
			call.args.emplace_back();
			trimmed(text, i, end, call.args.back());
			if (!isDecimal(call.args.back()))
				return false;
			call.numbers.push_back(true);
			i = end;
		}
		if (i >= n)
			return false;
		if (text[i] == ')')
			return true;
		if (text[i] != ',')
			return false;
		++i;
	}
	return false;
}

} // lua
