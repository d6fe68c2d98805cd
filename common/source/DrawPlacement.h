#pragma once

#include <gr/RenderState2D.h>
#include <cmath>

// Small helpers the host's scene and layer drawing share: every placement
// sets the fields of the context's 2D render state it depends on, and a
// placement that would hand the context an infinity or NaN draws nothing.

namespace draw
{

/** Sets the state's angle and its rotation matrix (cos, sin, -sin, cos). */
inline void setAngle(gr::RenderState2D& state, float angle)
{
	float const c = std::cos(angle);
	float const s = std::sin(angle);
	state.angle = angle;
	state.rotation[0] = c;
	state.rotation[1] = s;
	state.rotation[2] = -s;
	state.rotation[3] = c;
}

/** True when v may divide: finite and not 0. */
inline bool divisor(float v)
{
	return std::isfinite(v) && v != 0.f;
}

/** True when the state's placement fields and the point x, y are all finite. */
inline bool placeable(gr::RenderState2D const& state, float x, float y)
{
	float const values[] = {x, y, state.translation.x, state.translation.y, state.scale.x, state.scale.y, state.pivot.x,
		state.pivot.y, state.angle, state.rotation[0], state.rotation[1]};
	for (float v : values)
	{
		if (!std::isfinite(v))
			return false;
	}
	return true;
}

} // draw
