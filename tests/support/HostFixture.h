#pragma once

#include <support/FakeContext.h>
#include <support/IdleApp.h>
#include <support/RecordingOS.h>
#include <support/TempFolder.h>
#include <GameLua.h>
#include <framework/App.h>
#include <io/ByteArrayInputStream.h>
#include <io/detail/detail.h>
#include <io/std/AppDataOutputStream.h>
#include <lang/Ptr.h>
#include <lang/Throwable.h>
#include <lua/LuaException.h>
#include <lua/LuaState.h>
#include <lua/LuaTable.h>
#include <lua.hpp>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace test
{

/**
 * A script host on a fresh Lua state, a fake context (768 x 1024), a
 * recording platform interface and temporary bundle and app-data folders
 * (the io layer's folders point there for the test's duration). The host is
 * made on first use of host(), so a test can write save files first.
 */
class HostFixture : public ::testing::Test
{
protected:
	test::TempFolder bundle;
	test::TempFolder appData;
	RecordingOS os;
	IdleApp app{&os};
	lang::Ptr<FakeContext> context = new FakeContext();
	lang::Ptr<lua::LuaState> lua = new lua::LuaState();
	lang::Ptr<game::Resources> resources = new game::Resources(context);
	lang::Ptr<GameLua> m_host;

	HostFixture()
	{
		io::detail::setBundlePath(bundle.path());
		io::detail::setAppdataPath(appData.path());
		// A case whose game could not lock its folder stopped the writes of the process.
		io::AppDataOutputStream::resumeWrites();
		io::AppDataOutputStream::holdsFolder(false);
	}

	~HostFixture() override
	{
		m_host = nullptr;
		io::detail::setBundlePath("");
		io::detail::setAppdataPath("");
		io::AppDataOutputStream::resumeWrites();
		io::AppDataOutputStream::holdsFolder(false);
	}

	GameLua& host()
	{
		if (!m_host)
			m_host = new GameLua(&app, resources, lua, context);
		return *m_host;
	}

	/** Destroys the host (writing its saves). */
	void destroyHost() { m_host = nullptr; }

	/** Runs code with the host table as environment. */
	void run(std::string const& code)
	{
		io::ByteArrayInputStream in(code.data(), static_cast<int>(code.size()));
		lua->compile(in, "test", &host());
	}

	/** Runs "result = <expr>" and returns result as text (numbers in Lua's format, booleans, "nil"). */
	std::string eval(std::string const& expr)
	{
		run("result = " + expr);
		lua::LuaStackRestore restore(lua);
		host().pushMember("result");
		lua_State* L = lua::LuaAccess::get(lua);
		if (lua_type(L, -1) == LUA_TBOOLEAN)
			return lua_toboolean(L, -1) ? "true" : "false";
		size_t len = 0;
		char const* s = lua_tolstring(L, -1, &len);
		return s ? std::string(s, len) : "nil";
	}

	/** The strings the scripts appended to their global table "log" since the last look; empties it. */
	std::vector<std::string> log()
	{
		std::vector<std::string> result;
		lua::LuaTable table = host().getTable("log");
		for (int i = 1; i <= table.size(); ++i)
			result.push_back(table.getString(i));
		run("log = {}");
		return result;
	}

	/** The message of the exception that code raises ("" when none). */
	std::string failure(std::string const& code)
	{
		try
		{
			run(code);
		}
		catch (lang::Throwable const& e)
		{
			return e.getMessage().format();
		}
		return "";
	}

	/** The first line of failure(code): the message without the call stack. */
	std::string error(std::string const& code)
	{
		std::string text = failure(code);
		return text.substr(0, text.find('\n'));
	}
};

} // test
