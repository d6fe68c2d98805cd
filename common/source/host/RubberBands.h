#pragma once

#include <host/Core.h>
#include <math/float2.h>
#include <string>

namespace gr
{
class Context;
}

namespace host
{

/**
 * Sprites the scripts stretch along a segment: the textured line (under
 * the context's 2D render state) and the rubber band (in screen pixels).
 *
 * Main thread only.
 */
class RubberBands
{
public:
	/** Draws through core's context and resources; nothing is made or changed. */
	explicit RubberBands(Core const& core);

	RubberBands(RubberBands const&) = delete;
	RubberBands& operator=(RubberBands const&) = delete;

	/**
	 * The quad of a line of the given width from (x1, y1) to (x2, y2) under
	 * the context's 2D render state, in normalized device coordinates
	 * (x: 2 px / context width - 1, y: 1 - 2 py / context height): the end
	 * points mapped as the context maps its lines, offset by half the pixel
	 * width (trunc(width (scale x ux^2 + scale y uy^2)) for the unit
	 * direction u, at least 1) either way along the normalized
	 * perpendicular of the mapped line. Order: top-left, top-right,
	 * bottom-left, bottom-right of a sprite laid along the line, its top
	 * on the left of the direction of travel (above a line drawn to the
	 * right).
	 * @return False for a zero-length segment; corners are left unset.
	 */
	static bool getLineCorners(gr::Context* context, math::float2* corners, int x1, int y1, int x2, int y2, int width);
	/**
	 * The sprite drawn stretched along the line as the quad of
	 * getLineCorners (truncated arguments), handed to the sprite's free
	 * quad draw in screen pixels with an identity transform, no shader and
	 * no colours; the last four numbers are not read. Nothing for a
	 * zero-length line, an unknown sprite, a sprite whose sheet is gone or
	 * an image without texture.
	 */
	void drawTexturedLine2D(std::string const& spriteName, float x1, float y1, float x2, float y2, float width, float, float, float, float);
	/**
	 * The sprite's rectangle of its sheet image (divided by the sheet
	 * texture's size) drawn as one quad, width wide, along the segment
	 * (x1, y1) to (x2, y2) in screen pixels at depth 0.001, the sprite's top
	 * on the left of the direction of travel; no shader, no colours. Nothing
	 * for an unknown sprite, a sprite whose sheet is gone, an image without
	 * texture or a corner that is not finite.
	 */
	void drawRubberband(float x1, float y1, float x2, float y2, float width, std::string const& spriteName);

private:
	Core m_core;
};

} // namespace host
