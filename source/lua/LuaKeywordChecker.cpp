#include "LuaKeywordChecker.h"
#include <algorithm>
#include <cstring>
#include <iterator>

namespace lua
{

namespace
{

// The reserved words, sorted for binary search.
char const* const s_reserved[] = {
	"and", "break", "do", "else", "elseif", "end", "false", "for", "function", "if", "in",
	"local", "nil", "not", "or", "repeat", "return", "then", "true", "until", "while",
};

bool isLetter(char c)
{
	return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}

} // namespace

bool LuaKeywordChecker::isValidKeyName(char const* name)
{
	if (!name || !isLetter(name[0]))
		return false;
	for (char const* s = name + 1; *s; ++s)
	{
		if (!isLetter(*s) && !(*s >= '0' && *s <= '9'))
			return false;
	}
	return !std::binary_search(std::begin(s_reserved), std::end(s_reserved), name,
		[](char const* a, char const* b) { return std::strcmp(a, b) < 0; });
}

} // lua
