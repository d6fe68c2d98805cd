// Convex decomposition: the pieces of known outlines, the usability rules,
// segment crossings, pinch points, and a seeded property test of random
// outlines made into fixtures through the physics layer.
#include <decomp/ConvexDecomposition.h>
#include <decomp/Intersect.h>
#include <decomp/Triangulation.h>
#include <PhysicsPieceSink.h>
#include <physics/PhysicsWorld.h>
#include <gtest/gtest.h>
#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

namespace
{

using decomp::b2Polygon;
using Points = std::vector<b2Vec2>;

double area(Points const& points)
{
	double sum = 0;
	for (size_t i = 0; i < points.size(); ++i)
	{
		b2Vec2 const& a = points[i];
		b2Vec2 const& b = points[(i + 1) % points.size()];
		sum += double(a.x) * b.y - double(b.x) * a.y;
	}
	return 0.5 * sum;
}

Points reversed(Points points)
{
	std::reverse(points.begin(), points.end());
	return points;
}

/** The points of a piece, starting at its lowest (then leftmost) point, counter-clockwise. */
Points normalised(Points points)
{
	if (area(points) < 0)
		std::reverse(points.begin(), points.end());
	auto first = std::min_element(points.begin(), points.end(), [](b2Vec2 const& a, b2Vec2 const& b) {
		return a.y < b.y || (a.y == b.y && a.x < b.x);
	});
	std::rotate(points.begin(), first, points.end());
	return points;
}

Points pointsOf(b2Polygon const& polygon)
{
	Points points;
	for (int i = 0; i < polygon.count(); ++i)
		points.push_back(polygon.vertex(i));
	return points;
}

/** The decomposition's pieces, each normalised, in a stable order. */
std::vector<Points> pieces(Points const& outline)
{
	b2Polygon polygon(outline.data(), int(outline.size()));
	std::vector<b2Polygon> results;
	decomp::DecomposeConvex(polygon, results, int(outline.size()));
	std::vector<Points> out;
	for (b2Polygon const& piece : results)
		out.push_back(normalised(pointsOf(piece)));
	std::sort(out.begin(), out.end(), [](Points const& a, Points const& b) {
		return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](b2Vec2 const& p, b2Vec2 const& q) {
			return p.x < q.x || (p.x == q.x && p.y < q.y);
		});
	});
	return out;
}

bool convex(Points const& points)
{
	for (size_t i = 0; i < points.size(); ++i)
	{
		b2Vec2 const& a = points[i];
		b2Vec2 const& b = points[(i + 1) % points.size()];
		b2Vec2 const& c = points[(i + 2) % points.size()];
		if (b2Cross(b - a, c - b) <= 0)
			return false;
	}
	return true;
}

/** A body in a real world with the pieces of outlines made into its fixtures through the layer. */
class Decomposition : public ::testing::Test
{
protected:
	physics::PhysicsWorld world{b2Vec2(0, -10), true};
	b2Body* body = world.createBody(b2_dynamicBody, b2Vec2(0, 0), 0, nullptr);
	PhysicsPieceSink sink{world, "test"};

	int add(Points const& outline)
	{
		b2Polygon polygon(outline.data(), int(outline.size()));
		b2FixtureDef prototype;
		prototype.density = 1;
		return decomp::DecomposeConvexAndAddTo(polygon, body, prototype, sink);
	}

	/** Every fixture's points (counter-clockwise, as the library keeps them). */
	std::vector<Points> fixtures() const
	{
		std::vector<Points> out;
		for (b2Fixture const* f = body->GetFixtureList(); f; f = f->GetNext())
		{
			auto const* shape = static_cast<b2PolygonShape const*>(f->GetShape());
			out.emplace_back(shape->m_vertices, shape->m_vertices + shape->m_count);
		}
		return out;
	}

	double fixtureArea() const
	{
		double sum = 0;
		for (Points const& piece : fixtures())
			sum += area(piece);
		return sum;
	}
};

Points const SQUARE = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
Points const L_SHAPE = {{0, 0}, {2, 0}, {2, 1}, {1, 1}, {1, 2}, {0, 2}};

TEST_F(Decomposition, KnownOutlinesGiveTheirPieces)
{
	ASSERT_EQ(pieces(SQUARE).size(), 1u);
	EXPECT_EQ(pieces(SQUARE)[0].size(), 4u);

	std::vector<Points> l = pieces(L_SHAPE);
	ASSERT_EQ(l.size(), 2u);
	for (Points const& piece : l)
		EXPECT_TRUE(convex(piece));
	EXPECT_DOUBLE_EQ(area(l[0]) + area(l[1]), 3.0);

	// Either orientation: the same pieces.
	EXPECT_EQ(pieces(reversed(L_SHAPE)).size(), l.size());
	for (Points const& outline : {SQUARE, L_SHAPE, Points{{0, 0}, {4, 0}, {4, 3}, {2, 1}, {0, 3}}})
	{
		std::vector<Points> ccw = pieces(outline);
		std::vector<Points> cw = pieces(reversed(outline));
		ASSERT_EQ(ccw.size(), cw.size());
		for (size_t i = 0; i < ccw.size(); ++i)
		{
			ASSERT_EQ(ccw[i].size(), cw[i].size());
			for (size_t k = 0; k < ccw[i].size(); ++k)
			{
				EXPECT_EQ(ccw[i][k].x, cw[i][k].x);
				EXPECT_EQ(ccw[i][k].y, cw[i][k].y);
			}
		}
	}
}

TEST_F(Decomposition, CollinearPointsMergeAway)
{
	Points square = {{0, 0}, {0.5f, 0}, {1, 0}, {1, 0.25f}, {1, 0.5f}, {1, 1}, {0, 1}, {0, 0.5f}};
	std::vector<Points> result = pieces(square);
	double sum = 0;
	for (Points const& piece : result)
	{
		sum += area(piece);
		b2Polygon polygon(piece.data(), int(piece.size()));
		EXPECT_EQ(polygon.UnusableReason(), "");
	}
	EXPECT_DOUBLE_EQ(sum, 1.0);
	EXPECT_LT(result.size(), 6u);

	b2Polygon line(Points{{0, 0}, {1, 0}, {2, 0}, {3, 0}}.data(), 4);
	line.MergeParallelEdges(decomp::ANGULAR_TOLERANCE);
	EXPECT_EQ(line.count(), 3);
	b2Polygon doubled(Points{{0, 0}, {1, 0}, {1, 0}, {1, 1}, {0, 1}, {0, 0.5f}}.data(), 6);
	doubled.MergeParallelEdges(decomp::ANGULAR_TOLERANCE);
	ASSERT_EQ(doubled.count(), 4);
	EXPECT_DOUBLE_EQ(doubled.signedArea(), 1.0);
}

TEST_F(Decomposition, DegenerateOutlinesAddNothing)
{
	EXPECT_EQ(add({}), 0);
	EXPECT_EQ(add({{1, 1}}), 0);
	EXPECT_EQ(add({{0, 0}, {1, 1}}), 0);
	// All in a line, or a triangle whose corners fall together.
	EXPECT_LE(add({{0, 0}, {1, 0}, {2, 0}, {3, 0}}), 0);
	EXPECT_LE(add({{0, 0}, {1, 1}, {0, 0}}), 0);
	EXPECT_LE(add({{0, 0}, {1e-9f, 0}, {0, 1e-9f}}), 0);
	EXPECT_EQ(body->GetFixtureList(), nullptr);
}

TEST_F(Decomposition, NearlyStraightTriangleIsSplitInTwo)
{
	// The corner at (5, 0.05) turns by about 1.15 degrees.
	Points sliver = {{0, 0}, {10, 0}, {5, 0.05f}};
	EXPECT_EQ(add(sliver), 2);
	std::vector<Points> parts = fixtures();
	ASSERT_EQ(parts.size(), 2u);
	EXPECT_NEAR(fixtureArea(), area(sliver), 1e-5);
	for (Points const& part : parts)
		EXPECT_EQ(part.size(), 3u);
}

TEST_F(Decomposition, PiecesNeverExceedEightPoints)
{
	Points circle;
	for (int i = 0; i < 40; ++i)
		circle.push_back(b2Vec2(5 * std::cos(i * b2_pi / 20), 5 * std::sin(i * b2_pi / 20)));
	std::vector<Points> result = pieces(circle);
	EXPECT_GE(result.size(), 6u);
	for (Points const& piece : result)
		EXPECT_LE(piece.size(), 8u);
	add(circle);
	EXPECT_NEAR(fixtureArea(), area(circle), 1e-4 * area(circle));
}

TEST_F(Decomposition, FigureEightIsCutAtItsPinch)
{
	// Two squares that touch at (1, 1), which the outline passes twice.
	Points eight = {{0, 0}, {1, 0}, {1, 1}, {2, 1}, {2, 2}, {1, 2}, {1, 1}, {0, 1}};
	b2Polygon polygon(eight.data(), int(eight.size()));
	b2Polygon a;
	b2Polygon b;
	ASSERT_TRUE(decomp::ResolvePinchPoint(polygon, a, b));
	EXPECT_EQ(a.count() + b.count(), 8);

	EXPECT_EQ(add(eight), 2);
	EXPECT_NEAR(fixtureArea(), 2.0, 1e-6);

	// A closing copy of the first point is no pinch.
	Points closed = {{0, 0}, {1, 0}, {1, 1}, {0, 1}, {0, 0}};
	b2Polygon closedPolygon(closed.data(), int(closed.size()));
	EXPECT_FALSE(decomp::ResolvePinchPoint(closedPolygon, a, b));
}

TEST(DecompositionRules, IsUsableGivesTheFirstFailingReason)
{
	struct Case
	{
		char const* what;
		Points points;
		char const* reason;
	};
	float const e = decomp::FLOAT_EPSILON;
	Case const cases[] = {
		{"square", SQUARE, ""},
		{"two points", {{0, 0}, {1, 0}}, "must have between 3 and 8 vertices.\n"},
		{"nine points", {{0, 0}, {1, 0}, {2, 0.1f}, {3, 0.3f}, {3.5f, 1}, {3, 2}, {2, 2.5f}, {1, 2.5f}, {0, 2}},
			"must have between 3 and 8 vertices.\n"},
		{"concave", {{0, 0}, {2, 0}, {1, 0.5f}, {2, 2}, {0, 2}}, "must be convex."},
		{"star", {{0, 0}, {2, 1}, {-1, 1}, {1, 0}, {0.5f, 2}}, "must be simple (cannot intersect itself)."},
		{"tiny", {{0, 0}, {1e-4f, 0}, {0, 1e-4f}}, "area is too small."},
		{"zero edge", {{0, 0}, {1, 0}, {1, 0}, {0, 1}}, "must be convex."},
		{"short edge", {{0, 0}, {5e-8f, 0}, {1, 0}, {1, 1}, {0, 1}}, "sides are too close to parallel."},
		{"nearly straight", {{0, 0}, {1, 0}, {2, 0.01f}, {0, 1}}, "sides are too close to parallel."},
		{"thin", {{0, 0}, {1, 0}, {1, 0.004f}, {0, 0.004f}}, "polygon is too thin."},
		{"epsilon area", {{0, 0}, {1, 0}, {0, 2 * e}}, "polygon is too thin."},
	};
	for (Case const& c : cases)
	{
		b2Polygon polygon(c.points.data(), int(c.points.size()));
		EXPECT_EQ(polygon.UnusableReason(), c.reason) << c.what;
		EXPECT_EQ(polygon.IsUsable(false), std::string(c.reason).empty()) << c.what;
	}
}

TEST(DecompositionRules, IntersectFindsOnlyProperCrossings)
{
	b2Vec2 out(-1, -1);
	// A shared end point is no crossing.
	EXPECT_FALSE(decomp::intersect(b2Vec2(0, 0), b2Vec2(1, 1), b2Vec2(1, 1), b2Vec2(2, 0), out));
	// Parallel segments, overlapping or not.
	EXPECT_FALSE(decomp::intersect(b2Vec2(0, 0), b2Vec2(2, 0), b2Vec2(1, 0), b2Vec2(3, 0), out));
	EXPECT_FALSE(decomp::intersect(b2Vec2(0, 0), b2Vec2(2, 2), b2Vec2(0, 1), b2Vec2(2, 3), out));
	// Apart: boxes that do not overlap, or lines that cross beyond the ends.
	EXPECT_FALSE(decomp::intersect(b2Vec2(0, 0), b2Vec2(1, 0), b2Vec2(2, -1), b2Vec2(2, 1), out));
	EXPECT_FALSE(decomp::intersect(b2Vec2(0, 0), b2Vec2(2, 2), b2Vec2(2, 0), b2Vec2(1.5f, 0.5f), out));
	EXPECT_EQ(out.x, -1.f);
	// A crossing.
	ASSERT_TRUE(decomp::intersect(b2Vec2(0, 0), b2Vec2(2, 2), b2Vec2(0, 2), b2Vec2(2, 0), out));
	EXPECT_FLOAT_EQ(out.x, 1.f);
	EXPECT_FLOAT_EQ(out.y, 1.f);
}

/** Random outlines of the kinds level data may hold. */
class OutlineMaker
{
public:
	explicit OutlineMaker(unsigned seed) : m_random(seed) {}

	float uniform(float lo, float hi) { return std::uniform_real_distribution<float>(lo, hi)(m_random); }
	int integer(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(m_random); }

	/** A star-shaped outline around the origin: points at increasing angles, radii in [inner, outer]. */
	Points star(int n, float inner, float outer)
	{
		std::vector<float> angles(n);
		for (float& a : angles)
			a = uniform(0, 2 * b2_pi);
		std::sort(angles.begin(), angles.end());
		Points points;
		for (float a : angles)
		{
			float r = uniform(inner, outer);
			points.push_back(b2Vec2(r * std::cos(a), r * std::sin(a)));
		}
		return points;
	}

	/** A convex outline on an ellipse, evenly spread angles jittered. */
	Points convexOutline(int n)
	{
		float rx = uniform(0.5f, 10);
		float ry = uniform(0.5f, 10);
		float start = uniform(0, 2 * b2_pi);
		Points points;
		for (int i = 0; i < n; ++i)
		{
			float a = start + (i + uniform(-0.2f, 0.2f)) * 2 * b2_pi / n;
			points.push_back(b2Vec2(rx * std::cos(a), ry * std::sin(a)));
		}
		return points;
	}

	/** Points anywhere in a box: usually crossing itself. */
	Points scribble(int n)
	{
		Points points;
		for (int i = 0; i < n; ++i)
			points.push_back(b2Vec2(uniform(-5, 5), uniform(-5, 5)));
		return points;
	}

	/** Adds collinear runs on some edges. */
	void collinearRuns(Points& points)
	{
		Points out;
		for (size_t i = 0; i < points.size(); ++i)
		{
			out.push_back(points[i]);
			if (integer(0, 3) == 0)
			{
				b2Vec2 next = points[(i + 1) % points.size()];
				for (int k = 1, runs = integer(1, 3); k <= runs; ++k)
					out.push_back(points[i] + (float(k) / (runs + 1)) * (next - points[i]));
			}
		}
		points = out;
	}

	/** Repeats some points in place. */
	void repeats(Points& points)
	{
		for (int k = integer(1, 3); k > 0; --k)
		{
			size_t at = size_t(integer(0, int(points.size()) - 1));
			points.insert(points.begin() + long(at), points[at]);
		}
	}

	/**
	 * Moves a point onto another one that is not its neighbour: the outline
	 * pinches there. Returns the enclosed area: both lobes' areas, whichever
	 * way each runs.
	 */
	double pinch(Points& points)
	{
		int n = int(points.size());
		if (n < 5)
			return std::fabs(area(points));
		int i = integer(0, n - 3);
		int j = integer(i + 2, n - 1 - (i == 0));
		points[j] = points[i];
		Points a(points.begin() + i, points.begin() + j);
		Points b(points.begin() + j, points.end());
		b.insert(b.end(), points.begin(), points.begin() + i);
		return std::fabs(area(a)) + std::fabs(area(b));
	}

	/** Squashes the outline to a sliver. */
	void squash(Points& points)
	{
		float factor = uniform(1e-6f, 1e-3f);
		for (b2Vec2& p : points)
			p.y *= factor;
	}

private:
	std::mt19937 m_random;
};

bool simple(Points const& points)
{
	b2Polygon polygon(points.data(), int(points.size()));
	return polygon.IsSimple();
}

/** Shortest edge of the outline. */
float shortestEdge(Points const& points)
{
	float shortest = 1e30f;
	for (size_t i = 0; i < points.size(); ++i)
		shortest = std::min(shortest, b2Distance(points[i], points[(i + 1) % points.size()]));
	return shortest;
}

/** Smallest turn of the outline's corners, in radians. */
float smallestTurn(Points const& points)
{
	float smallest = b2_pi;
	for (size_t i = 0; i < points.size(); ++i)
	{
		b2Vec2 in = points[(i + 1) % points.size()] - points[i];
		b2Vec2 out = points[(i + 2) % points.size()] - points[(i + 1) % points.size()];
		smallest = std::min(smallest, std::atan2(std::fabs(b2Cross(in, out)), b2Dot(in, out)));
	}
	return smallest;
}

TEST(DecompositionProperty, RandomOutlinesGiveSoundFixtures)
{
	OutlineMaker maker(20261210);
	int covered = 0;
	for (int round = 0; round < 600; ++round)
	{
		int n = maker.integer(3, 128);
		int kind = round % 6;
		Points outline;
		double enclosed = -1;
		switch (kind)
		{
		case 0: outline = maker.star(n, 0.5f, 5); break;
		case 1: outline = maker.convexOutline(n); break;
		case 2: outline = maker.star(n, 1, 3); maker.collinearRuns(outline); maker.repeats(outline); break;
		case 3: outline = maker.star(n, 1, 4); enclosed = maker.pinch(outline); break;
		case 4: outline = maker.scribble(n); break;
		default: outline = maker.star(n, 0.5f, 5); maker.squash(outline); break;
		}
		outline.resize(std::min(outline.size(), size_t(128)));
		if (round % 2)
			outline = reversed(outline);
		SCOPED_TRACE("round " + std::to_string(round) + ", kind " + std::to_string(kind) + ", " + std::to_string(outline.size()) + " points");

		physics::PhysicsWorld world(b2Vec2(0, -10), true);
		b2Body* body = world.createBody(b2_dynamicBody, b2Vec2(0, 0), 0, nullptr);
		PhysicsPieceSink sink(world, "property");
		b2Polygon polygon(outline.data(), int(outline.size()));
		b2FixtureDef prototype;
		prototype.density = 1;
		decomp::DecomposeConvexAndAddTo(polygon, body, prototype, sink);

		double sum = 0;
		for (b2Fixture const* f = body->GetFixtureList(); f; f = f->GetNext())
		{
			auto const* shape = static_cast<b2PolygonShape const*>(f->GetShape());
			Points piece(shape->m_vertices, shape->m_vertices + shape->m_count);
			ASSERT_GE(piece.size(), 3u);
			ASSERT_LE(piece.size(), 8u);
			ASSERT_TRUE(convex(piece));
			sum += area(piece);
		}
		if (!simple(outline))
			continue;
		double whole = enclosed >= 0 ? enclosed : std::fabs(area(outline));
		EXPECT_LE(sum, whole * (1 + 1e-4) + 1e-9);
		// Covered when no piece can be too thin: corners that turn by more
		// than 2 degrees on edges long enough that each point lies 0.005
		// inside its neighbours' edges.
		float turn = smallestTurn(outline);
		if (kind == 1 && turn > decomp::ANGULAR_TOLERANCE && shortestEdge(outline) * std::sin(turn) > decomp::LINEAR_TOLERANCE)
		{
			EXPECT_NEAR(sum, whole, 1e-4 * whole);
			++covered;
		}
	}
	EXPECT_GT(covered, 20);
}

} // namespace
