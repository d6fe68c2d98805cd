#pragma once

#include <lua/LuaObject.h>
#include <lua/LuaState.h>
#include <lua/LuaTable.h>
#include <io/ByteArrayInputStream.h>
#include <gtest/gtest.h>
#include <string>

// One interpreter per test, with a helper that runs a chunk named "test".
class LuaFixture : public ::testing::Test
{
protected:
	lua::LuaState lua;

	void run(std::string const& code, lua::LuaTable* env = nullptr)
	{
		io::ByteArrayInputStream in(code.data(), static_cast<int>(code.size()));
		lua.compile(in, "test", env);
	}

	// The message of the LuaException that code raises ("" when none).
	std::string failure(std::string const& code)
	{
		try
		{
			run(code);
		}
		catch (lua::LuaException const& e)
		{
			return e.getMessage().format();
		}
		return "";
	}
};
