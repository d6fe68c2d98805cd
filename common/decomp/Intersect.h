#pragma once

#include <box2d/b2_math.h>

namespace decomp
{

/**
 * Whether the segments a0-a1 and b0-b1 cross; when they do, out is the
 * crossing point. Segments that share an end point, whose bounding boxes
 * do not overlap, or that are parallel do not cross.
 */
bool intersect(b2Vec2 const& a0, b2Vec2 const& a1, b2Vec2 const& b0, b2Vec2 const& b1, b2Vec2& out);

} // decomp
