#pragma once

#include <cstddef>

namespace net
{

/**
 * How long and how much a request may take. There is no limit on the
 * whole transfer, so a slow but steady download finishes.
 */
struct HttpLimits
{
	/** Time to set up the connection, in milliseconds. */
	long connectTimeoutMs = 10000;
	/** A transfer below lowSpeedBytes per second for lowSpeedSeconds fails. */
	long lowSpeedBytes = 1;
	long lowSpeedSeconds = 30;
	/** Redirects followed before the request fails. */
	long maxRedirects = 10;
	/** Largest body accepted, in bytes. */
	size_t maxBodyBytes = size_t(64) << 20;
};

} // net
