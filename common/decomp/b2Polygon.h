#pragma once

#include <decomp/b2Triangle.h>
#include <box2d/b2_collision.h>
#include <box2d/b2_fixture.h>
#include <box2d/b2_math.h>
#include <box2d/b2_polygon_shape.h>
#include <optional>
#include <string>
#include <vector>

namespace decomp
{

/** Most points of one piece: the physics library's limit. */
constexpr int MAX_POLYGON_VERTICES = 8;
/** Corners that turn by less than this (radians, 2 degrees) count as straight. */
constexpr float ANGULAR_TOLERANCE = 0.0349066f;
/** How far every point of a piece must lie inside its other edges. */
constexpr float LINEAR_TOLERANCE = 0.005f;
/** The float epsilon: the smallest area and edge length of a piece. */
constexpr float FLOAT_EPSILON = 1.1920929e-7f;
/** Points closer than this in x and in y are the same point of a pinch. */
constexpr float PINCH_TOLERANCE = 0.001f;
/** Skin radius of the polygon shapes made of pieces. */
constexpr float SKIN_RADIUS = 0.01f;

/**
 * An outline or a piece of one: its points' x and y coordinates in order,
 * with its signed area worked out once.
 */
class b2Polygon
{
public:
	std::vector<float> x;
	std::vector<float> y;

	/** No points. */
	b2Polygon() = default;

	/** The count points of vertices, in order. */
	b2Polygon(b2Vec2 const* vertices, int count);

	/** The count points (xs[i], ys[i]), in order. */
	b2Polygon(float const* xs, float const* ys, int count);

	/** The three points of triangle, in its (counter-clockwise) order. */
	explicit b2Polygon(b2Triangle const& triangle);

	/** Number of points. */
	int count() const { return int(x.size()); }

	/** Point i. */
	b2Vec2 vertex(int i) const { return b2Vec2(x[i], y[i]); }

	/** The signed area (positive when counter-clockwise), kept after the first call. */
	float GetArea();

	/** The signed area, worked out anew. */
	float signedArea() const;

	/**
	 * True when every corner turns the same way; a corner that goes straight
	 * on is allowed, one that turns back (or an edge of no length) is not.
	 * Fewer than 3 points, or all in a line, are not convex.
	 */
	bool IsConvex() const;

	/** True when no two edges that are not neighbours cross (intersect). */
	bool IsSimple() const;

	/**
	 * Why the physics library could not take this piece: the first failing
	 * reason of: 3 to 8 points; convex; simple; area at least the float
	 * epsilon; every edge at least the float epsilon long and consecutive
	 * edges turning by more than 2 degrees; every point at least 0.005 inside
	 * every edge it is not on. Empty when the piece is usable.
	 */
	std::string UnusableReason() const;

	/**
	 * Whether UnusableReason is empty. With printErrors an unusable piece
	 * logs "Found invalid polygon, " and the reason.
	 */
	bool IsUsable(bool printErrors) const;

	/**
	 * This polygon grown by triangle when the triangle shares an edge with
	 * it (the same two points, in opposite order); nothing otherwise. The
	 * triangle's third point goes in between the edge's points.
	 */
	std::optional<b2Polygon> Add(b2Triangle const& triangle) const;

	/**
	 * With 4 or more points: drops each point where an edge of no length
	 * meets it, or whose two edges go on in nearly the same direction (the
	 * cross product of their directions below tolerance, their dot product
	 * above 0). Never drops below 3 points; the others keep their order.
	 */
	void MergeParallelEdges(float tolerance);

	/**
	 * For 3 to 8 points: sets shape to this polygon (skin radius 0.01) and
	 * def.shape to shape, and returns true; otherwise changes nothing and
	 * returns false. The fixture copies the shape when it is made, so shape
	 * need only live until then. The library aborts on points it cannot
	 * take: only pieces that passed the physics layer's polygon check may
	 * come here.
	 */
	bool AddTo(b2FixtureDef& def, b2PolygonShape& shape) const;

private:
	float m_area = 0.f;
	bool m_areaIsSet = false;
};

} // decomp
