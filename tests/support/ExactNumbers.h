#pragma once

#include <cfloat>
#include <cstring>
#include <vector>

namespace test
{

/**
 * Doubles that a writer printing fewer than 17 significant digits, or
 * dropping the sign of zero, does not read back bit for bit: the largest
 * double, the smallest subnormal, 0.30000000000000004, 2^53, -0, and their
 * kin.
 */
inline std::vector<double> exactNumbers()
{
	return {DBL_MAX, -DBL_MAX, 4.9406564584124654e-324, 0.30000000000000004, 9007199254740992.0, -0.0, 0.1, 1.0 / 3,
		2.2250738585072014e-308, 123456789012345680.0};
}

/** True when a and b are the same double, bit for bit (-0 differs from 0). */
inline bool sameBits(double a, double b)
{
	return std::memcmp(&a, &b, sizeof(double)) == 0;
}

} // test
