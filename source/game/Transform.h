#pragma once

#include <math/float3.h>
#include <math/float3x4.h>

namespace game
{

/**
 * Placement of a sprite drawn as a free quad: a 3 x 4 matrix and a flag.
 * With the flag 0 the transform is two-dimensional (x and y through the
 * upper-left 2 x 2 part and the translation, z kept); otherwise points go
 * through the whole matrix.
 */
class Transform
{
public:
	math::float3x4 m;
	int flag;

	/** Identity, two-dimensional. */
	Transform() : m(1.f), flag(0) {}

	Transform(math::float3x4 const& matrix, int flag3d) : m(matrix), flag(flag3d) {}

	/** The point p placed by the transform. */
	math::float3 transform(math::float3 const& p) const
	{
		if (flag)
			return m.transform(p);
		return math::float3(m(0, 0) * p.x + m(0, 1) * p.y + m(0, 3), m(1, 0) * p.x + m(1, 1) * p.y + m(1, 3), p.z);
	}
};

} // game
