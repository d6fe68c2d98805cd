#include <decomp/b2Polygon.h>
#include <decomp/Intersect.h>
#include <lang/Debug.h>
#include <cmath>
#include <cstdio>

namespace decomp
{

namespace
{

/** v scaled to length 1; the zero vector stays zero. */
b2Vec2 unit(float dx, float dy)
{
	float length = std::sqrt(dx * dx + dy * dy);
	if (length == 0.f)
		return b2Vec2(0, 0);
	return b2Vec2(dx / length, dy / length);
}

/** The edges into and out of point i of polygon (wrapping). */
struct Corner
{
	b2Vec2 in;
	b2Vec2 out;

	Corner(b2Polygon const& polygon, int i)
	{
		int n = polygon.count();
		b2Vec2 point = polygon.vertex(i);
		in = point - polygon.vertex((i + n - 1) % n);
		out = polygon.vertex((i + 1) % n) - point;
	}
};

} // namespace

b2Polygon::b2Polygon(b2Vec2 const* vertices, int count)
{
	x.reserve(count);
	y.reserve(count);
	for (int i = 0; i < count; ++i)
	{
		x.push_back(vertices[i].x);
		y.push_back(vertices[i].y);
	}
}

b2Polygon::b2Polygon(float const* xs, float const* ys, int count) :
	x(xs, xs + count),
	y(ys, ys + count)
{
}

b2Polygon::b2Polygon(b2Triangle const& triangle) :
	x(triangle.x, triangle.x + 3),
	y(triangle.y, triangle.y + 3)
{
}

float b2Polygon::GetArea()
{
	if (!m_areaIsSet)
	{
		m_area = signedArea();
		m_areaIsSet = true;
	}
	return m_area;
}

float b2Polygon::signedArea() const
{
	float sum = 0.f;
	int n = count();
	for (int i = 0; i < n; ++i)
	{
		int j = (i + 1) % n;
		sum += x[i] * y[j] - x[j] * y[i];
	}
	return 0.5f * sum;
}

bool b2Polygon::IsConvex() const
{
	int n = count();
	if (n < 3)
		return false;
	bool left = false;
	bool right = false;
	for (int i = 0; i < n; ++i)
	{
		Corner corner(*this, i);
		float cross = b2Cross(corner.in, corner.out);
		if (cross > 0.f)
			left = true;
		else if (cross < 0.f)
			right = true;
		else if (b2Dot(corner.in, corner.out) <= 0.f)
			return false;
	}
	return left != right;
}

bool b2Polygon::IsSimple() const
{
	int n = count();
	b2Vec2 crossing;
	for (int i = 0; i < n; ++i)
	{
		b2Vec2 a0 = vertex(i);
		b2Vec2 a1 = vertex((i + 1) % n);
		for (int j = i + 2; j < n; ++j)
		{
			if (i == 0 && j == n - 1)
				continue;
			if (intersect(a0, a1, vertex(j), vertex((j + 1) % n), crossing))
				return false;
		}
	}
	return true;
}

std::string b2Polygon::UnusableReason() const
{
	int n = count();
	if (n < 3 || n > MAX_POLYGON_VERTICES)
	{
		char text[64];
		std::snprintf(text, sizeof text, "must have between 3 and %d vertices.\n", MAX_POLYGON_VERTICES);
		return text;
	}
	if (!IsConvex())
		return "must be convex.";
	if (!IsSimple())
		return "must be simple (cannot intersect itself).";
	float area = signedArea();
	if (std::fabs(area) < FLOAT_EPSILON)
		return "area is too small.";

	// Edges: long enough, and each turning from the one before by more than
	// the angular tolerance.
	std::vector<b2Vec2> directions(n);
	for (int i = 0; i < n; ++i)
	{
		int j = (i + 1) % n;
		float dx = x[j] - x[i];
		float dy = y[j] - y[i];
		if (std::sqrt(dx * dx + dy * dy) < FLOAT_EPSILON)
			return "sides are too close to parallel.";
		directions[i] = unit(dx, dy);
	}
	for (int i = 0; i < n; ++i)
	{
		b2Vec2 const& before = directions[(i + n - 1) % n];
		b2Vec2 const& after = directions[i];
		float turn = std::atan2(std::fabs(b2Cross(before, after)), b2Dot(before, after));
		if (!(turn > ANGULAR_TOLERANCE))
			return "sides are too close to parallel.";
	}

	// Every point well inside every edge it is not on (inside is to the
	// left of a counter-clockwise outline).
	float side = area > 0.f ? 1.f : -1.f;
	for (int i = 0; i < n; ++i)
	{
		int j = (i + 1) % n;
		b2Vec2 const& d = directions[i];
		for (int k = 0; k < n; ++k)
		{
			if (k == i || k == j)
				continue;
			float inside = side * b2Cross(d, b2Vec2(x[k] - x[i], y[k] - y[i]));
			if (!(inside >= LINEAR_TOLERANCE))
				return "polygon is too thin.";
		}
	}
	return std::string();
}

bool b2Polygon::IsUsable(bool printErrors) const
{
	std::string reason = UnusableReason();
	if (reason.empty())
		return true;
	if (printErrors)
		lang::Debug::printf("Found invalid polygon, %s", reason.c_str());
	return false;
}

std::optional<b2Polygon> b2Polygon::Add(b2Triangle const& triangle) const
{
	int n = count();
	for (int i = 0; i < n; ++i)
	{
		int next = (i + 1) % n;
		for (int j = 0; j < 3; ++j)
		{
			int k = (j + 1) % 3;
			// The triangle runs the shared edge the other way: from next to i.
			if (triangle.x[j] != x[next] || triangle.y[j] != y[next] || triangle.x[k] != x[i] || triangle.y[k] != y[i])
				continue;
			int third = (k + 1) % 3;
			b2Polygon grown;
			grown.x.reserve(n + 1);
			grown.y.reserve(n + 1);
			for (int v = 0; v <= i; ++v)
			{
				grown.x.push_back(x[v]);
				grown.y.push_back(y[v]);
			}
			grown.x.push_back(triangle.x[third]);
			grown.y.push_back(triangle.y[third]);
			for (int v = i + 1; v < n; ++v)
			{
				grown.x.push_back(x[v]);
				grown.y.push_back(y[v]);
			}
			return grown;
		}
	}
	return std::nullopt;
}

void b2Polygon::MergeParallelEdges(float tolerance)
{
	if (count() < 4)
		return;
	int i = 0;
	while (i < count() && count() > 3)
	{
		Corner corner(*this, i);
		bool drop = (corner.in.x == 0.f && corner.in.y == 0.f) || (corner.out.x == 0.f && corner.out.y == 0.f);
		if (!drop)
		{
			b2Vec2 d0 = unit(corner.in.x, corner.in.y);
			b2Vec2 d1 = unit(corner.out.x, corner.out.y);
			drop = std::fabs(b2Cross(d0, d1)) < tolerance && b2Dot(d0, d1) > 0.f;
		}
		if (drop)
		{
			x.erase(x.begin() + i);
			y.erase(y.begin() + i);
			m_areaIsSet = false;
		}
		else
			++i;
	}
}

bool b2Polygon::AddTo(b2FixtureDef& def, b2PolygonShape& shape) const
{
	int n = count();
	if (n < 3 || n > MAX_POLYGON_VERTICES)
		return false;
	b2Vec2 points[MAX_POLYGON_VERTICES];
	for (int i = 0; i < n; ++i)
		points[i] = vertex(i);
	shape.Set(points, n);
	shape.m_radius = SKIN_RADIUS;
	def.shape = &shape;
	return true;
}

} // decomp
