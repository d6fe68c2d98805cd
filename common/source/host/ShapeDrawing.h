#pragma once

#include <host/Core.h>
#include <string>

namespace lua
{
class LuaState;
}

namespace host
{

/**
 * Shapes the scripts draw themselves: lines, rectangles, textured
 * rectangles, composite sprites, gravity visuals and nine-part boxes.
 *
 * Coordinates are truncated and saturated; colour components clamped to
 * 0..255 (0..1 before scaling where stated), NaN giving 0.
 *
 * Main thread only.
 */
class ShapeDrawing
{
public:
	/** Draws through core's context and resources and reads its view; nothing is made or changed. */
	explicit ShapeDrawing(Core const& core);

	ShapeDrawing(ShapeDrawing const&) = delete;
	ShapeDrawing& operator=(ShapeDrawing const&) = delete;

	/** A context line; components 0..255. */
	void drawLine2D(float x1, float y1, float x2, float y2, float width, float r, float g, float b, float a);
	/** The rectangle's four sides as context lines; components 0..255. */
	void drawRectLines(float x1, float y1, float x2, float y2, float width, float r, float g, float b, float a);
	/**
	 * Fills the rectangle (swapped corners give the same one) in the colour
	 * of components in 0..1, resetting the 2D render state first unless
	 * keepState.
	 */
	void drawRect(float red, float green, float blue, float alpha, float x1, float y1, float x2, float y2, bool keepState);
	/**
	 * Resets the 2D render state and hands the context the sprite's sheet
	 * image mapped so that it stays fixed to the world (view top-left).
	 * Nothing for an unknown sprite or a sheet image without texture. The
	 * scripts' sixth argument (a boolean) is checked and not read.
	 */
	void drawTexturedRect(std::string const& spriteName, float x1, float y1, float x2, float y2, bool);
	/**
	 * Every part of the composite sprite drawn at (x + part x, y + part y),
	 * anchor VPIVOT/HPIVOT, with the render state's pivot at (sprite pivot -
	 * part offset), so that a rotation turns the whole about (x, y); the
	 * pivot is restored afterwards. Nothing for a name that is not a composite
	 * sprite; parts whose sprite cannot draw (sheet gone, no texture) or
	 * whose placement is not finite are skipped.
	 */
	void drawCompoSprite(std::string const& name, float x, float y);
	/**
	 * Raw: (sensor, x, y, scale) draws a gravity sensor's visuals, for a
	 * sensor table with a string sensorType, a number addVisualTimer, a
	 * boolean active and a string definition, by the "type" of
	 * blocks[definition] (the scripts' global blocks, else
	 * blockTable.blocks):
	 * - "circle": each gravityVisuals entry with numbers scale, x, y and a
	 *   string sprite, with s = radius 3 scale 0.019 entry scale: state
	 *   translation (x / s, y / s), scale (s, s), pivot the sprite's pivot;
	 *   the sprite drawn at the entry's (x, y), anchor VPIVOT/HPIVOT, at the
	 *   angles 0, pi/2, pi, 3pi/2, then pi/4 more each.
	 * - "box": state translation (x / scale, y / scale), scale (scale,
	 *   scale), angle 0, pivot that of "THEME_1_GRAVITY_SLICE_BOX_FADED";
	 *   each entry with a number pos and a string sprite drawn along the
	 *   box's longer side (3 width or 3 height, the units of the circle's
	 *   radius), pos times half that side from (x, y), anchor VPIVOT/HPIVOT.
	 * The context's render state is restored afterwards. Nothing is drawn
	 * for a missing block or visuals table, an entry without its fields, an
	 * unknown sprite, or a scale that is 0 or not finite.
	 * @exception lua::LuaException The type-check error unless the
	 *            arguments are a table and three numbers.
	 */
	int renderGravityVisuals(lua::LuaState* state);
	/**
	 * Raw: (parts, x, y, width, height, hanchor, vanchor [, colour]) draws a
	 * nine-part box. The borders are the heights of parts.topMiddle and
	 * parts.bottomMiddle and the widths of parts.left and parts.right (0
	 * when absent); the interior is the box less its borders. hanchor
	 * "HCENTER" / "RIGHT" moves the box left by half / all of its width,
	 * vanchor "VCENTER" / "BOTTOM" up by half / all of its height. A box
	 * smaller than its borders (or not finite) draws nothing. The edges are
	 * stretched along the interior's sides, the corners drawn at its floored
	 * corners (topLeft BOTTOM/RIGHT, topRight BOTTOM/LEFT, bottomLeft
	 * TOP/RIGHT, bottomRight TOP/LEFT); then, with a colour table (red,
	 * green, blue, alpha in 0..1, default 1) the render state is reset and
	 * the interior filled, else parts.center is stretched over it. Unknown
	 * parts, parts whose sheet is gone and sheet images without texture draw
	 * nothing.
	 * @exception lua::LuaException An argument of another type.
	 * @exception lang::Exception "Invalid anchor: {0}" for an unknown keyword.
	 */
	int drawBox(lua::LuaState* state);

private:
	Core m_core;
};

} // namespace host
