#pragma once

#include <decomp/b2Polygon.h>
#include <decomp/b2Triangle.h>
#include <vector>

namespace decomp
{

/**
 * Cuts the clockwise outline of count points (x[i], y[i]) into triangles by
 * ear clipping and appends them to results. An outline that touches itself
 * at a point (ResolvePinchPoint) is cut there first and each part done on
 * its own, turned clockwise when it runs the other way. Returns the number
 * of triangles appended (count - 2 for a clean outline; fewer when no ear
 * is left before the end), 0 for fewer than 3 points, or -1 (nothing
 * appended) when no triangle could be cut at all.
 */
int TriangulatePolygon(float const* x, float const* y, int count, std::vector<b2Triangle>& results);

/**
 * Whether point i of the clockwise outline of count points is an ear: its
 * corner does not turn left, and no other point lies in or on the triangle
 * of it and its neighbours. False when i is out of range or count is below 3.
 */
bool IsEar(int i, float const* x, float const* y, int count);

/**
 * Looks for the first pair of points i < j, not neighbours, that lie within
 * 0.001 of each other in x and in y (the outline touches itself there); when
 * there is one, outA gets points i to j - 1 and outB points j to i - 1
 * (wrapping) and the result is true. The first and last points are
 * neighbours too: a closing copy of the first point is no pinch. False,
 * with the outputs untouched, when there is none or in has fewer than 3 points.
 */
bool ResolvePinchPoint(b2Polygon const& in, b2Polygon& outA, b2Polygon& outB);

} // decomp
