#include "float3x4.h"

namespace math
{

float3x4::float3x4(float d)
{
	m_m[0] = m_m[5] = m_m[10] = d;
}

float3 float3x4::transform(float3 const& v) const
{
	float const* m = m_m;
	return float3(m[0] * v.x + m[1] * v.y + m[2] * v.z + m[3], m[4] * v.x + m[5] * v.y + m[6] * v.z + m[7],
		m[8] * v.x + m[9] * v.y + m[10] * v.z + m[11]);
}

} // math
