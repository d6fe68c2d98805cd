#pragma once

#include <string>

namespace io
{

/** Most ".bad-N" names tried for one damaged file before moving it aside fails. */
constexpr int MAX_SET_ASIDE_COPIES = 1000;

/**
 * Moves a damaged file aside so that the file written next does not destroy
 * it: to "<path>.bad", or when that exists to "<path>.bad-2", "<path>.bad-3",
 * ... so that a file set aside earlier is never replaced. Logs one line
 * naming the file, where it went and why (the reason the caller gives).
 * Any thread; two threads setting aside the same file may both succeed
 * only with different names.
 * @return The new path; empty when the file could not be moved (logged
 *         with the system's reason).
 */
std::string setAside(std::string const& path, std::string const& why);

} // io
