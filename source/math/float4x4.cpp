#include "float4x4.h"
#include <cassert>
#include <cfloat>
#include <cmath>

namespace math
{

float4x4::float4x4(float d)
{
	m_m[0] = m_m[5] = m_m[10] = m_m[15] = d;
}

void float4x4::setTranslation(float3 const& t)
{
	m_m[3] = t.x;
	m_m[7] = t.y;
	m_m[11] = t.z;
}

void float4x4::setRotation(float3 const& axis, float angle)
{
	assert(axis.length() > FLT_MIN);
	float const s = std::sin(angle * .5f);
	float const w = std::cos(angle * .5f);
	float3 const q = axis * (s / axis.length());
	float const x = q.x;
	float const y = q.y;
	float const z = q.z;

	m_m[0] = 1.f - 2.f * (y * y + z * z);
	m_m[1] = 2.f * (x * y - w * z);
	m_m[2] = 2.f * (x * z + w * y);

	m_m[4] = 2.f * (x * y + w * z);
	m_m[5] = 1.f - 2.f * (x * x + z * z);
	m_m[6] = 2.f * (y * z - w * x);

	m_m[8] = 2.f * (x * z - w * y);
	m_m[9] = 2.f * (y * z + w * x);
	m_m[10] = 1.f - 2.f * (x * x + y * y);
}

void float4x4::setPerspectiveProjection(float fov, float front, float back, float aspect)
{
	assert((back-front) > FLT_MIN);
	float const k = std::fabs(1.f / std::tan(fov * .5f));
	float const q = back / (back - front);
	for (float& e : m_m)
		e = 0.f;
	m_m[0] = k;
	m_m[5] = k * aspect;
	m_m[10] = q;
	m_m[11] = -front * q;
	m_m[14] = 1.f;
}

float4x4 float4x4::operator*(float4x4 const& b) const
{
	float4x4 r;
	for (int i = 0; i < ROWS; ++i)
	{
		for (int j = 0; j < COLUMNS; ++j)
		{
			float sum = 0.f;
			for (int k = 0; k < COLUMNS; ++k)
				sum += m_m[i * COLUMNS + k] * b.m_m[k * COLUMNS + j];
			r.m_m[i * COLUMNS + j] = sum;
		}
	}
	return r;
}

float4x4 float4x4::transpose() const
{
	float4x4 r;
	for (int i = 0; i < ROWS; ++i)
		for (int j = 0; j < COLUMNS; ++j)
			r.m_m[j * COLUMNS + i] = m_m[i * COLUMNS + j];
	return r;
}

void float4x4::transform(float4 const& v, float4* v1) const
{
	assert(&v != v1);
	float const* m = m_m;
	v1->x = m[0] * v.x + m[1] * v.y + m[2] * v.z + m[3] * v.w;
	v1->y = m[4] * v.x + m[5] * v.y + m[6] * v.z + m[7] * v.w;
	v1->z = m[8] * v.x + m[9] * v.y + m[10] * v.z + m[11] * v.w;
	v1->w = m[12] * v.x + m[13] * v.y + m[14] * v.z + m[15] * v.w;
}

float4 float4x4::transform(float4 const& v) const
{
	float4 r;
	transform(v, &r);
	return r;
}

} // math
