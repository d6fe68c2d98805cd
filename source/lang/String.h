#pragma once

#include <string>
#include <vector>

namespace lang
{

/** String helpers; each returns a new string. */
namespace string
{

/** Every byte through the C tolower (bytes 0x80 and above included). */
std::string tolower(std::string const& s);

/** Every byte through the C toupper (bytes 0x80 and above included). */
std::string toupper(std::string const& s);

/** Removes leading and trailing blanks, line feeds, tabs and carriage returns. */
std::string trim(std::string const& s);

/**
 * The pieces between occurrences of the whole delimiter, left to right;
 * the piece after the last match is always added, so the result has at
 * least one piece. An empty delimiter gives the input as the one piece.
 */
std::vector<std::string> split(std::string const& s, std::string const& delimiter);

/**
 * UTF-16 (machine order) to UTF-8. A unit that does not decode (a high
 * surrogate as the last unit) is skipped.
 */
std::string toUTF8string(std::basic_string<unsigned short> const& s);

/** UTF-32 to UTF-8; elements of 0x200000 and above produce nothing. */
std::string toUTF8string(std::basic_string<unsigned int> const& s);

/**
 * UTF-8 to UTF-16 (machine order), one or two units per code point. A byte
 * where decoding fails is skipped; code points a surrogate pair cannot
 * carry (above 0x10FFFF) produce nothing.
 */
std::basic_string<unsigned short> toUTF16string(std::string const& s);

/** UTF-8 to UTF-32; a byte where decoding fails is skipped. */
std::basic_string<unsigned int> toUTF32string(std::string const& s);

} // string

} // lang
