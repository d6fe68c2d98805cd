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

/** The errno value error for messages: "<number> (<the system's text>)", as "2 (No such file or directory)". */
std::string errnoText(int error);

/**
 * Opens path with the fopen mode; a folder fails with errno EISDIR.
 * @param failure Message pattern of the failure: {0} is shown, {1} errnoText of errno.
 * @exception IOException When the file cannot be opened.
 */
FILE* openFile(std::string const& path, char const* mode, char const* failure, std::string const& shown);

} // detail
} // io
