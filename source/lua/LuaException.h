#pragma once

#include <lang/Exception.h>

namespace lua
{

/**
 * Failure of the Lua binding: a script error (message and call-stack text),
 * a chunk that does not compile, or a stack slot of the wrong kind.
 */
class LuaException : public lang::Exception
{
public:
	LuaException() {}
	explicit LuaException(lang::Format const& msg) : lang::Exception(msg) {}
};

} // lua
