#pragma once

#include <string>

namespace util
{

/** Hexadecimal text with the digits 0-9 and A-F. */
class Base16
{
public:
	/** Two characters per byte, the high four bits first. */
	static std::string encode(std::string const& bytes);
};

} // util
