#include <decomp/Triangulation.h>
#include <algorithm>
#include <cmath>
#include <initializer_list>

namespace decomp
{

namespace
{

b2Vec2 unit(b2Vec2 v)
{
	float length = v.Length();
	if (length == 0.f)
		return b2Vec2(0, 0);
	return b2Vec2(v.x / length, v.y / length);
}

} // namespace

bool IsEar(int i, float const* x, float const* y, int count)
{
	if (i < 0 || i >= count || count < 3)
		return false;
	int upper = (i + 1) % count;
	int lower = (i + count - 1) % count;
	float dx0 = x[i] - x[lower];
	float dy0 = y[i] - y[lower];
	float dx1 = x[upper] - x[i];
	float dy1 = y[upper] - y[i];
	if (dx0 * dy1 - dx1 * dy0 > 0.f)
		return false;
	b2Triangle ear(x[i], y[i], x[upper], y[upper], x[lower], y[lower]);
	for (int j = 0; j < count; ++j)
	{
		if (j == i || j == lower || j == upper)
			continue;
		if (ear.IsInside(x[j], y[j]))
			return false;
	}
	return true;
}

bool ResolvePinchPoint(b2Polygon const& in, b2Polygon& outA, b2Polygon& outB)
{
	int n = in.count();
	if (n < 3)
		return false;
	for (int i = 0; i < n; ++i)
	{
		for (int j = i + 2; j < n; ++j)
		{
			if (i == 0 && j == n - 1)
				continue;
			if (std::fabs(in.x[i] - in.x[j]) >= PINCH_TOLERANCE || std::fabs(in.y[i] - in.y[j]) >= PINCH_TOLERANCE)
				continue;
			b2Polygon a;
			b2Polygon b;
			for (int k = i; k < j; ++k)
			{
				a.x.push_back(in.x[k]);
				a.y.push_back(in.y[k]);
			}
			for (int k = j; k != i; k = (k + 1) % n)
			{
				b.x.push_back(in.x[k]);
				b.y.push_back(in.y[k]);
			}
			outA = std::move(a);
			outB = std::move(b);
			return true;
		}
	}
	return false;
}

int TriangulatePolygon(float const* x, float const* y, int count, std::vector<b2Triangle>& results)
{
	if (count < 3)
		return 0;

	b2Polygon outline(x, y, count);
	b2Polygon partA;
	b2Polygon partB;
	if (ResolvePinchPoint(outline, partA, partB))
	{
		// Each part clockwise: a lobe may be wound the other way round.
		for (b2Polygon* part : {&partA, &partB})
		{
			if (part->signedArea() > 0.f)
			{
				std::reverse(part->x.begin(), part->x.end());
				std::reverse(part->y.begin(), part->y.end());
			}
		}
		std::vector<b2Triangle> triangles;
		int a = TriangulatePolygon(partA.x.data(), partA.y.data(), partA.count(), triangles);
		if (a == -1)
			return -1;
		int b = TriangulatePolygon(partB.x.data(), partB.y.data(), partB.count(), triangles);
		if (b == -1)
			return -1;
		results.insert(results.end(), triangles.begin(), triangles.end());
		return a + b;
	}

	std::vector<float> xs = outline.x;
	std::vector<float> ys = outline.y;
	std::vector<b2Triangle> triangles;
	triangles.reserve(count - 2);
	int n = count;
	while (n > 3)
	{
		// The ear whose triangle has the largest smallest angle; the first of
		// equal ones.
		int earIndex = -1;
		float bestScore = -10.f;
		for (int i = 0; i < n; ++i)
		{
			if (!IsEar(i, xs.data(), ys.data(), n))
				continue;
			int lower = (i + n - 1) % n;
			int upper = (i + 1) % n;
			b2Vec2 d1 = unit(b2Vec2(xs[upper] - xs[i], ys[upper] - ys[i]));
			b2Vec2 d2 = unit(b2Vec2(xs[i] - xs[lower], ys[i] - ys[lower]));
			b2Vec2 d3 = unit(b2Vec2(xs[lower] - xs[upper], ys[lower] - ys[upper]));
			float score = std::min({std::fabs(b2Cross(d1, d2)), std::fabs(b2Cross(d2, d3)), std::fabs(b2Cross(d3, d1))});
			if (score > bestScore)
			{
				bestScore = score;
				earIndex = i;
			}
		}
		if (earIndex == -1)
		{
			if (triangles.empty())
				return -1;
			results.insert(results.end(), triangles.begin(), triangles.end());
			return int(triangles.size());
		}
		int lower = (earIndex + n - 1) % n;
		int upper = (earIndex + 1) % n;
		triangles.emplace_back(xs[earIndex], ys[earIndex], xs[upper], ys[upper], xs[lower], ys[lower]);
		xs.erase(xs.begin() + earIndex);
		ys.erase(ys.begin() + earIndex);
		--n;
	}
	triangles.emplace_back(xs[1], ys[1], xs[2], ys[2], xs[0], ys[0]);
	results.insert(results.end(), triangles.begin(), triangles.end());
	return int(triangles.size());
}

} // decomp
