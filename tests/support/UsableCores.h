#pragma once

#include <sched.h>

namespace test
{

/**
 * The processors this process may run on (its affinity mask, which
 * taskset and CI's limits set), at least 1. A test that runs work side by
 * side sizes its lanes from this, not from the machine's count.
 */
inline int usableCores()
{
	cpu_set_t set;
	CPU_ZERO(&set);
	if (sched_getaffinity(0, sizeof set, &set) != 0)
		return 1;
	int const count = CPU_COUNT(&set);
	return count > 0 ? count : 1;
}

} // test
