#pragma once

#include <cstdio>
#include <string>

namespace io
{
namespace detail
{

/** path for messages: longer than 128 characters it is "... " and its last 124. */
std::string shortPath(std::string const& path);

/** The full path of name in folder base (one leading "/" of name ignored), normalised. */
std::string constructPath(std::string const& base, std::string const& name);

/**
 * Opens path with the fopen mode; a folder fails with errno EISDIR.
 * @param failure Message pattern of the failure: {0} is shown, {1} errno.
 * @exception IOException When the file cannot be opened.
 */
FILE* openFile(std::string const& path, char const* mode, char const* failure, std::string const& shown);

/**
 * Moves a damaged file aside to "<path>.bad" (replacing an older one), so
 * that the file written next in its place does not destroy it.
 * @return "" when moved, else the failure's text (strerror).
 */
std::string setAside(std::string const& path);

} // detail
} // io
