#pragma once

#include "float3.h"
#include "float4.h"

namespace math
{

/**
 * Single-precision 4 x 4 matrix for projection and world transforms.
 * Stored row after row, element (r, c) at index r * 4 + c. Vectors are
 * columns and are transformed as M * v, so the translation sits at indices
 * 3, 7 and 11, and in a product A * B the transform B is applied first.
 */
class float4x4
{
public:
	enum { ROWS = 4, COLUMNS = 4, SIZE = 16 };

	/** All elements 0. */
	float4x4() {}

	/** d on the diagonal, 0 elsewhere: float4x4(1) is the identity. */
	explicit float4x4(float d);

	/** Writes t to indices 3, 7 and 11; other elements are unchanged. */
	void setTranslation(float3 const& t);

	/**
	 * Writes the rotation by angle radians about axis (normalised first)
	 * into the upper-left 3 x 3 block; the other elements are unchanged.
	 * The axis must not have zero length.
	 */
	void setRotation(float3 const& axis, float angle);

	/**
	 * Overwrites the matrix with a perspective projection that maps view
	 * depth z = front to 0 and z = back to 1 after the division by w = z
	 * (positive z looks into the screen).
	 * @param fov Horizontal field of view in radians.
	 * @param front Near plane distance.
	 * @param back Far plane distance, greater than front.
	 * @param aspect Width / height.
	 */
	void setPerspectiveProjection(float fov, float front, float back, float aspect);

	/** Product: (this * b)(i, j) = sum over k of this(i, k) * b(k, j). */
	float4x4 operator*(float4x4 const& b) const;

	/** The transposed matrix. */
	float4x4 transpose() const;

	/** v1 = M * v; v1 must not be &v. */
	void transform(float4 const& v, float4* v1) const;

	/** M * v. */
	float4 transform(float4 const& v) const;

	float& operator[](int i) { return m_m[i]; }
	float operator[](int i) const { return m_m[i]; }
	float& operator()(int row, int col) { return m_m[row * COLUMNS + col]; }
	float operator()(int row, int col) const { return m_m[row * COLUMNS + col]; }

	/** The 16 elements, row after row. */
	float* data() { return m_m; }
	float const* data() const { return m_m; }

private:
	float m_m[SIZE] = {};
};

} // math
