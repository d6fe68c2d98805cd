#include <decomp/Intersect.h>
#include <algorithm>

namespace decomp
{

namespace
{

bool same(b2Vec2 const& a, b2Vec2 const& b)
{
	return a.x == b.x && a.y == b.y;
}

} // namespace

bool intersect(b2Vec2 const& a0, b2Vec2 const& a1, b2Vec2 const& b0, b2Vec2 const& b1, b2Vec2& out)
{
	if (same(a0, b0) || same(a0, b1) || same(a1, b0) || same(a1, b1))
		return false;

	if (std::max(a0.x, a1.x) < std::min(b0.x, b1.x) || std::max(b0.x, b1.x) < std::min(a0.x, a1.x))
		return false;
	if (std::max(a0.y, a1.y) < std::min(b0.y, b1.y) || std::max(b0.y, b1.y) < std::min(a0.y, a1.y))
		return false;

	float denominator = (b1.y - b0.y) * (a1.x - a0.x) - (b1.x - b0.x) * (a1.y - a0.y);
	if (denominator == 0.f)
		return false;
	float ua = ((b1.x - b0.x) * (a0.y - b0.y) - (b1.y - b0.y) * (a0.x - b0.x)) / denominator;
	float ub = ((a1.x - a0.x) * (a0.y - b0.y) - (a1.y - a0.y) * (a0.x - b0.x)) / denominator;
	if (!(ua >= 0.f && ua <= 1.f && ub >= 0.f && ub <= 1.f))
		return false;
	out.x = a0.x + ua * (a1.x - a0.x);
	out.y = a0.y + ua * (a1.y - a0.y);
	return true;
}

} // decomp
