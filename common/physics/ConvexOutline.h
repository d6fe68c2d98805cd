#pragma once

#include <box2d/box2d.h>
#include <vector>

namespace physics
{

/**
 * The convex hull of points in counter-clockwise order, starting at the
 * lowest-x point: points closer than weld to an earlier one count once and
 * points on a hull edge are dropped. Fewer than 3 points when the points
 * span no area.
 */
std::vector<b2Vec2> convexHull(std::vector<b2Vec2> const& points, float weld);

/** Signed area of a polygon (positive when counter-clockwise), in double. */
double polygonArea(std::vector<b2Vec2> const& points);

/** Number of points of points with the ones closer than weld to an earlier one counted once. */
size_t distinctPoints(std::vector<b2Vec2> const& points, float weld);

} // physics
