#include <decomp/ConvexDecomposition.h>
#include <decomp/Triangulation.h>
#include <algorithm>
#include <cmath>

namespace decomp
{

namespace
{

/**
 * For a triangle: 1 when it is fine as it is, 0 when it is to be skipped (an
 * edge of no length), or 2 with corner set when the corner there is nearly
 * straight.
 */
int checkTriangle(b2Polygon const& triangle, int& corner)
{
	for (int i = 0; i < 3; ++i)
	{
		b2Vec2 lower = triangle.vertex((i + 2) % 3);
		b2Vec2 middle = triangle.vertex(i);
		b2Vec2 upper = triangle.vertex((i + 1) % 3);
		b2Vec2 in = middle - lower;
		b2Vec2 out = upper - middle;
		float inLength = in.Length();
		float outLength = out.Length();
		if (inLength == 0.f || outLength == 0.f)
			return 0;
		in *= 1.f / inLength;
		out *= 1.f / outLength;
		if (std::fabs(b2Cross(in, out)) < ANGULAR_TOLERANCE && b2Dot(in, out) > 0.f)
		{
			corner = i;
			return 2;
		}
	}
	return 1;
}

/**
 * Splits triangle at its nearly straight corner: the foot of the corner's
 * height on the opposite edge makes two triangles. False when the opposite
 * edge has no length.
 */
bool splitTriangle(b2Polygon const& triangle, int corner, b2Polygon& first, b2Polygon& second)
{
	b2Vec2 lower = triangle.vertex((corner + 2) % 3);
	b2Vec2 middle = triangle.vertex(corner);
	b2Vec2 upper = triangle.vertex((corner + 1) % 3);
	b2Vec2 edge = upper - lower;
	float length = edge.Length();
	if (length == 0.f)
		return false;
	b2Vec2 direction = (1.f / length) * edge;
	b2Vec2 foot = lower + b2Dot(middle - lower, direction) * direction;
	b2Vec2 a[3] = {foot, lower, middle};
	b2Vec2 b[3] = {foot, middle, upper};
	first = b2Polygon(a, 3);
	second = b2Polygon(b, 3);
	return true;
}

bool addIfUsable(b2Polygon const& piece, b2Body* body, b2FixtureDef const& prototype, PieceSink& sink)
{
	return piece.IsUsable(false) && sink.addPiece(body, piece, prototype);
}

} // namespace

int DecomposeConvexAndAddTo(b2Polygon& polygon, b2Body* body, b2FixtureDef const& prototype, PieceSink& sink)
{
	int count = polygon.count();
	if (count < 3)
		return 0;
	std::vector<b2Polygon> pieces;
	if (DecomposeConvex(polygon, pieces, count - 2) < 0)
		return -1;
	int added = 0;
	for (b2Polygon const& piece : pieces)
	{
		if (piece.count() == 3)
		{
			int corner = 0;
			int verdict = checkTriangle(piece, corner);
			if (verdict == 0)
				continue;
			if (verdict == 2)
			{
				b2Polygon first;
				b2Polygon second;
				if (!splitTriangle(piece, corner, first, second))
					continue;
				added += addIfUsable(first, body, prototype, sink);
				added += addIfUsable(second, body, prototype, sink);
				continue;
			}
		}
		added += addIfUsable(piece, body, prototype, sink);
	}
	return added;
}

int DecomposeConvex(b2Polygon& polygon, std::vector<b2Polygon>& results, int maxPolygons)
{
	results.clear();
	int count = polygon.count();
	if (count < 3)
		return 0;
	std::vector<b2Triangle> triangles;
	int made;
	if (polygon.GetArea() > 0.f)
	{
		// The triangulation works on clockwise outlines.
		std::vector<float> xs(polygon.x.rbegin(), polygon.x.rend());
		std::vector<float> ys(polygon.y.rbegin(), polygon.y.rend());
		made = TriangulatePolygon(xs.data(), ys.data(), count, triangles);
	}
	else
		made = TriangulatePolygon(polygon.x.data(), polygon.y.data(), count, triangles);
	if (made < 1)
		return -1;
	return PolygonizeTriangles(triangles, results, maxPolygons);
}

int PolygonizeTriangles(std::vector<b2Triangle> const& triangles, std::vector<b2Polygon>& results, int maxPolygons)
{
	int count = int(triangles.size());
	std::vector<bool> taken(count, false);
	int made = 0;
	int start = 0;
	while (made < maxPolygons)
	{
		while (start < count && taken[start])
			++start;
		if (start == count)
			break;
		taken[start] = true;
		b2Polygon polygon(triangles[start]);
		for (int i = start + 1; i < count; ++i)
		{
			if (taken[i])
				continue;
			std::optional<b2Polygon> grown = polygon.Add(triangles[i]);
			if (grown && grown->count() <= MAX_POLYGON_VERTICES && grown->IsConvex())
			{
				polygon = std::move(*grown);
				taken[i] = true;
			}
		}
		polygon.MergeParallelEdges(ANGULAR_TOLERANCE);
		if (polygon.count() >= 3)
		{
			results.push_back(std::move(polygon));
			++made;
		}
	}
	return made;
}

} // decomp
