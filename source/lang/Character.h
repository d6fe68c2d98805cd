#pragma once

namespace lang
{

class Character
{
public:
	/** True exactly for the ASCII digits '0' to '9'. */
	static bool isDigit(int c) { return c >= '0' && c <= '9'; }
};

} // lang
