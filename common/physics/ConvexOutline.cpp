#include <physics/ConvexOutline.h>
#include <algorithm>

namespace physics
{

namespace
{

std::vector<b2Vec2> welded(std::vector<b2Vec2> const& points, float weld)
{
	std::vector<b2Vec2> out;
	double limit = double(weld) * weld;
	for (b2Vec2 const& p : points)
	{
		bool unique = true;
		for (b2Vec2 const& q : out)
		{
			double dx = double(p.x) - q.x;
			double dy = double(p.y) - q.y;
			if (dx * dx + dy * dy < limit)
			{
				unique = false;
				break;
			}
		}
		if (unique)
			out.push_back(p);
	}
	return out;
}

double cross(b2Vec2 const& o, b2Vec2 const& a, b2Vec2 const& b)
{
	return (double(a.x) - o.x) * (double(b.y) - o.y) - (double(a.y) - o.y) * (double(b.x) - o.x);
}

} // namespace

size_t distinctPoints(std::vector<b2Vec2> const& points, float weld)
{
	return welded(points, weld).size();
}

std::vector<b2Vec2> convexHull(std::vector<b2Vec2> const& points, float weld)
{
	std::vector<b2Vec2> ps = welded(points, weld);
	if (ps.size() < 3)
		return ps;
	std::sort(ps.begin(), ps.end(), [](b2Vec2 const& a, b2Vec2 const& b) {
		return a.x < b.x || (a.x == b.x && a.y < b.y);
	});
	// Andrew's monotone chain: lower hull then upper hull, collinear points dropped.
	std::vector<b2Vec2> hull(2 * ps.size());
	size_t k = 0;
	for (size_t i = 0; i < ps.size(); ++i)
	{
		while (k >= 2 && cross(hull[k - 2], hull[k - 1], ps[i]) <= 0)
			--k;
		hull[k++] = ps[i];
	}
	for (size_t i = ps.size() - 1, t = k + 1; i-- > 0;)
	{
		while (k >= t && cross(hull[k - 2], hull[k - 1], ps[i]) <= 0)
			--k;
		hull[k++] = ps[i];
	}
	hull.resize(k - 1);
	return hull;
}

double polygonArea(std::vector<b2Vec2> const& points)
{
	double area = 0;
	for (size_t i = 0; i < points.size(); ++i)
	{
		b2Vec2 const& a = points[i];
		b2Vec2 const& b = points[(i + 1) % points.size()];
		area += double(a.x) * b.y - double(b.x) * a.y;
	}
	return area * 0.5;
}

} // physics
