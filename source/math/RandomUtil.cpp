#include "RandomUtil.h"
#include <stdint.h>

namespace math
{

namespace
{

uint32_t sm_q[4096];
uint32_t sm_i = 0;
uint32_t sm_c = 0;
bool sm_initialised = false;

// Fills the lag table from a xorshift-128 generator with fixed seeds.
void seed()
{
	uint32_t x = 123456789u;
	uint32_t y = 362436069u;
	uint32_t z = 521288629u;
	uint32_t w = 88675123u;
	for (uint32_t& q : sm_q)
	{
		uint32_t const t = x ^ (x << 11);
		x = y;
		y = z;
		z = w;
		w = w ^ (w >> 19) ^ t ^ (t >> 8);
		q = w;
	}
	sm_i = 4095;
	sm_c = 362436;
	sm_initialised = true;
}

} // namespace

double RandomUtil::random()
{
	if (!sm_initialised)
		seed();
	sm_i = (sm_i + 1) & 4095;
	uint64_t const t = 18782ull * sm_q[sm_i] + sm_c;
	sm_c = static_cast<uint32_t>(t >> 32);
	uint32_t x = static_cast<uint32_t>(t) + sm_c;
	if (x < sm_c)
	{
		++x;
		++sm_c;
	}
	sm_q[sm_i] = 0xFFFFFFFEu - x;
	return sm_q[sm_i] * (1.0 / 4294967296.0);
}

} // math
