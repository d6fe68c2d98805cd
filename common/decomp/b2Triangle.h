#pragma once

namespace decomp
{

/**
 * A triangle of the ear clipping, its vertices in counter-clockwise order.
 */
class b2Triangle
{
public:
	float x[3];
	float y[3];

	/** All three vertices at the origin. */
	b2Triangle();

	/**
	 * The triangle of the three points, counter-clockwise: when the turn
	 * from 1 over 2 to 3 is not to the left (a straight one included),
	 * points 2 and 3 change places.
	 */
	b2Triangle(float x1, float y1, float x2, float y2, float x3, float y3);

	/**
	 * True when (px, py) lies inside the triangle or on its border. A
	 * triangle without area holds no point.
	 */
	bool IsInside(float px, float py) const;
};

} // decomp
