#pragma once

#include "float3.h"
#include <cfloat>
#include <cmath>

namespace math
{

/** Four-component single-precision vector. */
class float4
{
public:
	float x = 0.f;
	float y = 0.f;
	float z = 0.f;
	float w = 0.f;

	float4() {}
	float4(float x0, float y0, float z0, float w0) : x(x0), y(y0), z(z0), w(w0) {}
	float4(float3 const& xyz, float w0) : x(xyz.x), y(xyz.y), z(xyz.z), w(w0) {}

	/** The first three components. */
	float3 xyz() const { return float3(x, y, z); }

	/** True when no component is infinite or NaN. */
	bool finite() const
	{
		return x >= -FLT_MAX && x <= FLT_MAX && y >= -FLT_MAX && y <= FLT_MAX && z >= -FLT_MAX && z <= FLT_MAX &&
			w >= -FLT_MAX && w <= FLT_MAX;
	}

	float4 operator+(float4 const& o) const { return float4(x + o.x, y + o.y, z + o.z, w + o.w); }
	float4 operator-(float4 const& o) const { return float4(x - o.x, y - o.y, z - o.z, w - o.w); }
	/** Component-wise product. */
	float4 operator*(float4 const& o) const { return float4(x * o.x, y * o.y, z * o.z, w * o.w); }
	float4 operator*(float s) const { return float4(x * s, y * s, z * s, w * s); }
	float4 operator/(float s) const { return float4(x / s, y / s, z / s, w / s); }
	float4 operator-() const { return float4(-x, -y, -z, -w); }

	float4& operator+=(float4 const& o) { return *this = *this + o; }
	float4& operator-=(float4 const& o) { return *this = *this - o; }
	float4& operator*=(float s) { return *this = *this * s; }
	float4& operator/=(float s) { return *this = *this / s; }

	bool operator==(float4 const& o) const { return x == o.x && y == o.y && z == o.z && w == o.w; }
	bool operator!=(float4 const& o) const { return !(*this == o); }

	float dot(float4 const& o) const { return x * o.x + y * o.y + z * o.z + w * o.w; }
	float length() const { return std::sqrt(dot(*this)); }
};

inline float4 operator*(float s, float4 const& v) { return v * s; }

} // math
