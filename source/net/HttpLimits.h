#pragma once

#include <cstddef>

namespace net
{

/**
 * How long and how much a request may take. Every request has both a limit
 * on its whole run and a low-speed limit, so that neither a server that
 * sends nothing nor one that sends a byte a second holds a download (and the
 * worker behind it) for longer than totalTimeoutMs.
 *
 * The figures are meant for what the game fetches (a JSON description of a
 * few KiB, an advertisement image of some hundred KiB, the game list) on a
 * slow mobile line: 5 minutes at the low-speed floor of 512 bytes a second
 * still bring 150 KiB, at 32 KiB a second (a weak 3G line) 9 MiB.
 * Tests shorten them through HttpRequest::setDefaultLimits.
 */
struct HttpLimits
{
	/** Time to set up the connection, in milliseconds: a reachable server answers well within 10 s. */
	long connectTimeoutMs = 10000;
	/** The whole request, redirects included, in milliseconds (5 minutes). */
	long totalTimeoutMs = 300000;
	/**
	 * A transfer below lowSpeedBytes per second for lowSpeedSeconds fails:
	 * 512 bytes a second is far below any line that can load a page, and
	 * 30 s lets a line that drops out for a moment come back.
	 */
	long lowSpeedBytes = 512;
	long lowSpeedSeconds = 30;
	/** Redirects followed before the request fails: more than any real chain of redirects uses. */
	long maxRedirects = 10;
	/**
	 * Largest body accepted, in bytes (64 MiB): far above any file the game
	 * fetches, and small enough to hold in memory on a phone. A body that
	 * announces more (Content-Length) is refused before it is read.
	 */
	size_t maxBodyBytes = size_t(64) << 20;
};

} // net
