#pragma once

#include <cmath>

namespace math
{

/** Two-component single-precision vector. */
class float2
{
public:
	float x = 0.f;
	float y = 0.f;

	float2() {}
	float2(float x0, float y0) : x(x0), y(y0) {}

	float2 operator+(float2 const& o) const { return float2(x + o.x, y + o.y); }
	float2 operator-(float2 const& o) const { return float2(x - o.x, y - o.y); }
	/** Component-wise product. */
	float2 operator*(float2 const& o) const { return float2(x * o.x, y * o.y); }
	float2 operator*(float s) const { return float2(x * s, y * s); }
	float2 operator/(float s) const { return float2(x / s, y / s); }
	float2 operator-() const { return float2(-x, -y); }

	float2& operator+=(float2 const& o) { return *this = *this + o; }
	float2& operator-=(float2 const& o) { return *this = *this - o; }
	float2& operator*=(float s) { return *this = *this * s; }
	float2& operator/=(float s) { return *this = *this / s; }

	bool operator==(float2 const& o) const { return x == o.x && y == o.y; }
	bool operator!=(float2 const& o) const { return !(*this == o); }

	float dot(float2 const& o) const { return x * o.x + y * o.y; }
	float length() const { return std::sqrt(dot(*this)); }
};

inline float2 operator*(float s, float2 const& v) { return v * s; }

} // math
