#pragma once

#include <box2d/b2_math.h>
#include <vector>

namespace host
{

/**
 * A shape of the pending compound list, kept as plain copies (never a
 * library shape, so no outline can reach the library's checks).
 */
struct CompoundShape
{
	enum Kind
	{
		BOX,
		POLYGON,
		EDGE,
		CIRCLE
	};
	Kind kind = BOX;
	/** Polygon points, or an edge's two points. */
	std::vector<b2Vec2> points;
	/** Centre of a box or circle. */
	b2Vec2 centre = b2Vec2_zero;
	/** Half width and half height of a box. */
	b2Vec2 halfExtents = b2Vec2_zero;
	/** Angle of a box (radians). */
	float angle = 0.f;
	/** Radius of a circle. */
	float radius = 0.f;
};

} // namespace host
