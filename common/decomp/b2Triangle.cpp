#include <decomp/b2Triangle.h>

namespace decomp
{

b2Triangle::b2Triangle() :
	x{0, 0, 0},
	y{0, 0, 0}
{
}

b2Triangle::b2Triangle(float x1, float y1, float x2, float y2, float x3, float y3) :
	x{x1, x2, x3},
	y{y1, y2, y3}
{
	float cross = (x2 - x1) * (y3 - y1) - (x3 - x1) * (y2 - y1);
	if (cross <= 0.f)
	{
		x[1] = x3;
		y[1] = y3;
		x[2] = x2;
		y[2] = y2;
	}
}

bool b2Triangle::IsInside(float px, float py) const
{
	if (px < x[0] && px < x[1] && px < x[2])
		return false;
	if (px > x[0] && px > x[1] && px > x[2])
		return false;
	if (py < y[0] && py < y[1] && py < y[2])
		return false;
	if (py > y[0] && py > y[1] && py > y[2])
		return false;

	// Barycentric coordinates of the point relative to vertex 0.
	float vx0 = x[2] - x[0];
	float vy0 = y[2] - y[0];
	float vx1 = x[1] - x[0];
	float vy1 = y[1] - y[0];
	float vx2 = px - x[0];
	float vy2 = py - y[0];

	float dot00 = vx0 * vx0 + vy0 * vy0;
	float dot01 = vx0 * vx1 + vy0 * vy1;
	float dot02 = vx0 * vx2 + vy0 * vy2;
	float dot11 = vx1 * vx1 + vy1 * vy1;
	float dot12 = vx1 * vx2 + vy1 * vy2;

	float denominator = dot00 * dot11 - dot01 * dot01;
	if (denominator == 0.f)
		return false;
	float inverse = 1.f / denominator;
	float u = (dot11 * dot02 - dot01 * dot12) * inverse;
	float v = (dot00 * dot12 - dot01 * dot02) * inverse;
	return u >= 0.f && v >= 0.f && u + v <= 1.f;
}

} // decomp
