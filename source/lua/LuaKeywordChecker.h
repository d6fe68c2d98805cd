#pragma once

namespace lua
{

/** Tells whether a string may stand as a bare field name in Lua text. */
class LuaKeywordChecker
{
public:
	/**
	 * True for a non-empty string of ASCII letters, digits and "_" that does
	 * not start with a digit and is not one of the 21 reserved words.
	 */
	static bool isValidKeyName(char const* name);
};

} // lua
