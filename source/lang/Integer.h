#pragma once

namespace lang
{

class Integer
{
public:
	/**
	 * Base-10 integer at the start of text; the end of the number is stored
	 * through end. The radix argument is not used.
	 */
	static int parse(char const* text, char const** end, int* radix = nullptr);
};

} // lang
