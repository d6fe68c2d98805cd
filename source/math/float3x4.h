#pragma once

#include "float3.h"

namespace math
{

/**
 * Single-precision 3 x 4 matrix: the upper three rows of an affine 4 x 4
 * transform (the fourth row is implicitly 0, 0, 0, 1). Stored row after
 * row, element (r, c) at index r * 4 + c; vectors are columns, so the
 * translation sits at indices 3, 7 and 11.
 */
class float3x4
{
public:
	enum { ROWS = 3, COLUMNS = 4, SIZE = 12 };

	/** All elements 0. */
	float3x4() {}

	/** d on the diagonal, 0 elsewhere: float3x4(1) is the identity. */
	explicit float3x4(float d);

	/** The point M * (v, 1). */
	float3 transform(float3 const& v) const;

	float& operator[](int i) { return m_m[i]; }
	float operator[](int i) const { return m_m[i]; }
	float& operator()(int row, int col) { return m_m[row * COLUMNS + col]; }
	float operator()(int row, int col) const { return m_m[row * COLUMNS + col]; }

	/** The 12 elements, row after row. */
	float* data() { return m_m; }
	float const* data() const { return m_m; }

private:
	float m_m[SIZE] = {};
};

} // math
