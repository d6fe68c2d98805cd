#pragma once

#include "float2.h"
#include <cmath>

namespace math
{

/** Three-component single-precision vector. */
class float3
{
public:
	float x = 0.f;
	float y = 0.f;
	float z = 0.f;

	float3() {}
	float3(float x0, float y0, float z0) : x(x0), y(y0), z(z0) {}
	float3(float2 const& xy, float z0) : x(xy.x), y(xy.y), z(z0) {}

	float3 operator+(float3 const& o) const { return float3(x + o.x, y + o.y, z + o.z); }
	float3 operator-(float3 const& o) const { return float3(x - o.x, y - o.y, z - o.z); }
	/** Component-wise product. */
	float3 operator*(float3 const& o) const { return float3(x * o.x, y * o.y, z * o.z); }
	float3 operator*(float s) const { return float3(x * s, y * s, z * s); }
	float3 operator/(float s) const { return float3(x / s, y / s, z / s); }
	float3 operator-() const { return float3(-x, -y, -z); }

	float3& operator+=(float3 const& o) { return *this = *this + o; }
	float3& operator-=(float3 const& o) { return *this = *this - o; }
	float3& operator*=(float s) { return *this = *this * s; }
	float3& operator/=(float s) { return *this = *this / s; }

	bool operator==(float3 const& o) const { return x == o.x && y == o.y && z == o.z; }
	bool operator!=(float3 const& o) const { return !(*this == o); }

	float dot(float3 const& o) const { return x * o.x + y * o.y + z * o.z; }
	float length() const { return std::sqrt(dot(*this)); }
};

inline float3 operator*(float s, float3 const& v) { return v * s; }

} // math
