#pragma once

#include <string>

namespace io
{
namespace detail
{

/** path for messages: longer than 128 characters it is "... " and its last 124. */
std::string shortPath(std::string const& path);

/** The full path of name in folder base (one leading "/" of name ignored), normalised. */
std::string constructPath(std::string const& base, std::string const& name);

} // detail
} // io
