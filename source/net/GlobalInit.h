#pragma once

namespace net
{

/**
 * Runs libcurl's global initialisation once per process (std::call_once),
 * before any easy handle is made. Every libcurl user calls it first; later
 * calls return at once. Thread-safe.
 * @exception lang::Exception "libcurl initialisation failed: {0}" (then
 *            the next call tries again).
 */
void globalInit();

} // net
