#pragma once

#include <decomp/PieceSink.h>
#include <decomp/b2Polygon.h>
#include <decomp/b2Triangle.h>
#include <vector>

namespace decomp
{

/**
 * Cuts polygon (any orientation, concave allowed) into convex pieces of 3
 * to 8 points and hands each usable one to sink as a fixture of body with
 * prototype's settings. A piece that is a triangle with a nearly straight
 * corner (under 2 degrees) is first split in two at the foot of that
 * corner's height. Unusable pieces are dropped. Returns the number of
 * fixtures the sink made, 0 for fewer than 3 points, or -1 (nothing added)
 * when the outline could not be triangulated.
 */
int DecomposeConvexAndAddTo(b2Polygon& polygon, b2Body* body, b2FixtureDef const& prototype, PieceSink& sink);

/**
 * Cuts polygon into at most maxPolygons convex pieces, which replace the
 * contents of results (counter-clockwise, at most 8 points each). Returns
 * their number, 0 for fewer than 3 points, or -1 when triangulation fails.
 * Caches the polygon's area.
 */
int DecomposeConvex(b2Polygon& polygon, std::vector<b2Polygon>& results, int maxPolygons);

/**
 * Merges triangles greedily into convex polygons of at most 8 points: each
 * polygon starts from the first free triangle and takes, in order, every
 * free triangle that shares an edge with it and keeps it convex; then its
 * nearly parallel edges are merged away. Appends to results the polygons
 * that keep 3 or more points, at most maxPolygons of them, and returns
 * how many it appended.
 */
int PolygonizeTriangles(std::vector<b2Triangle> const& triangles, std::vector<b2Polygon>& results, int maxPolygons);

} // decomp
