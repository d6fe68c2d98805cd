#pragma once

#include <string>

namespace util
{

/** Base64 text over the URL-safe alphabet ("-" and "_" for values 62 and 63). */
class Base64
{
public:
	/**
	 * Decodes text to bytes. Padding is optional; line feeds, carriage
	 * returns and spaces are skipped.
	 * @exception lang::Exception "BaseN::decode: Bad character in input: {0}"
	 *            for the first character outside the alphabet, {0} its code.
	 */
	static std::string decode(std::string const& text);
};

} // util
