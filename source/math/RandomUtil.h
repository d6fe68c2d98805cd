#pragma once

namespace math
{

/**
 * The process-wide random number generator: complement multiply-with-carry
 * with a lag of 4096, seeded with fixed values, so every run produces the
 * same sequence. Not synchronised: call it from the main thread only.
 */
class RandomUtil
{
public:
	/** Next number of the sequence, in [0, 1). */
	static double random();
};

} // math
