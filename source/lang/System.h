#pragma once

#include <stdint.h>

namespace lang
{

/** Wall-clock time. */
class System
{
public:
	/** Milliseconds since 1970-01-01 00:00 UTC. */
	static int64_t currentTimeMillis();

	/** Microseconds since 1970-01-01 00:00 UTC. */
	static int64_t currentTimeMicros();
};

} // lang
