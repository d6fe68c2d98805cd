#pragma once

#include <box2d/b2_math.h>
#include <lang/Exception.h>
#include <lang/Format.h>
#include <cmath>

namespace physics
{

/**
 * Refuses a value that is not a finite number, before the library gets it.
 * @exception lang::Exception "<operation>: <value> is not a finite number".
 */
inline void requireFinite(char const* operation, float value)
{
	if (!std::isfinite(value))
		throw lang::Exception(lang::Format("{0}: {1} is not a finite number", operation, value));
}

/** Refuses a vector with a coordinate that is not a finite number, as above. */
inline void requireFinite(char const* operation, b2Vec2 const& v)
{
	requireFinite(operation, v.x);
	requireFinite(operation, v.y);
}

} // physics
