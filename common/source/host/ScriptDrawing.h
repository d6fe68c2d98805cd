#pragma once

#include <MaskedImage.h>
#include <host/HostCore.h>
#include <lang/Ptr.h>
#include <lua/LuaTable.h>
#include <math/float2.h>
#include <map>
#include <string>

namespace gr
{
class Context;
}

namespace lua
{
class LuaState;
}

/**
 * What the scripts draw themselves: the 2D render state, lines,
 * rectangles, textured rectangles and lines, composite sprites, rubber
 * bands, gravity visuals, text elements, nine-part boxes, the selection
 * highlight, and the clipping of localised text into the scripts' table
 * clippedText. Also keeps the masked images of textured scene objects, one
 * per texture name.
 *
 * Coordinates are truncated and saturated; colour components clamped to
 * 0..255 (0..1 before scaling where stated), NaN giving 0.
 *
 * Main thread only.
 */
class ScriptDrawing
{
public:
	/**
	 * Makes the clippedText table (the host sets it into its table); draws
	 * through core's context and resources and reads its view. Nothing else
	 * is made or changed.
	 */
	explicit ScriptDrawing(HostCore const& core);
	~ScriptDrawing();

	/** The table clipText writes ("lines", "widestLine"). */
	lua::LuaTable& clippedText() { return m_clippedText; }

	/**
	 * Raw: (tx, ty [, sx, sy [, angle [, px, py [, alpha]]]]) writes the 2D
	 * render state in place.
	 * @exception lua::LuaException Fewer than 2 or more than 8 arguments
	 *            (naming the count), or one not a number; the state is unchanged.
	 */
	int setRenderState(lua::LuaState* state);
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
	 * Every part of the composite sprite drawn at (x + part x, y + part y),
	 * anchor VPIVOT/HPIVOT, with the render state's pivot at (sprite pivot -
	 * part offset), so that a rotation turns the whole about (x, y); the
	 * pivot is restored afterwards. Nothing for a name that is not a composite
	 * sprite; parts whose sprite cannot draw (sheet gone, no texture) or
	 * whose placement is not finite are skipped.
	 */
	void drawCompoSprite(std::string const& name, float x, float y);
	/**
	 * The sprite's rectangle of its sheet image (divided by the sheet
	 * texture's size) drawn as one quad, width wide, along the segment
	 * (x1, y1) to (x2, y2) in screen pixels at depth 0.001, the sprite's top
	 * on the left of the direction of travel; no shader, no colours. Nothing
	 * for an unknown sprite, a sprite whose sheet is gone, an image without
	 * texture or a corner that is not finite.
	 */
	void drawRubberband(float x1, float y1, float x2, float y2, float width, std::string const& spriteName);
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
	 * Draws the mask sprite at (x, y) filled with the sheet textureName's
	 * image scaled by (sx, sy), at once, through the texture's masked
	 * image. Nothing for unknown names or a zero or non-finite factor.
	 */
	void drawSelectedTexturizedObject(std::string const& textureName, std::string const& maskName, float sx, float sy, float x, float y);
	/**
	 * Splits the localised text (group, key) into lines narrower than
	 * maxWidth in the current font, as breakTextLines does (breaking at line
	 * feeds, spaces, hyphens kept on the line and zero-width spaces, cutting
	 * words wider than a line; every line holds at least one character).
	 * Writes clippedText's "lines" (a new table) and "widestLine". No font:
	 * no lines.
	 */
	void clipText(std::string const& group, std::string const& key, float maxWidth);
	/**
	 * Draws the localised text (group, key) at (x, y), anchored TOP/LEFT,
	 * on a plane turned by angle about the x axis and moved to (tx, ty, tz),
	 * seen through a perspective projection, with the alpha factor alpha.
	 * Flushes before and after; the projection, the custom model transform
	 * and the alpha factor are put back on every exit.
	 * @exception lang::Exception "No font is set while trying to draw
	 *            string" without a current font, or as Resources::getString.
	 */
	void drawString3D(std::string const& group, std::string const& key, float tx, float ty, float tz, float angle, float x,
		float y, float alpha);
	/**
	 * Raw: (element [, x, y [, sx, sy [, angle [, alpha]]]]) draws a text
	 * element table when its "visible" is set, with its "font" (else
	 * "FONT_BASIC_SPACE") made current when the resources hold a font of
	 * that name; otherwise with the current font. Missing or nil trailing arguments:
	 * x, y 0, scale 1, angle 0, no alpha. A "clipped" element calls the
	 * script method draw of each entry of its "lines" (from 1 until nil)
	 * with (entry, x + element.x, y + element.y, scale x, scale y, angle),
	 * under the alpha factor when alpha is given. Otherwise the text
	 * (element.group, element.text) is drawn at ((x + element.x) / scale x,
	 * (y + element.y) / scale y), floored when "floorCoordinates" is set,
	 * with the render state's scale (sx * scaleX, sy * scaleY), angle and
	 * pivot (rotationPivotX, rotationPivotY when both are numbers, else 0),
	 * anchored by "hanchor" then "vanchor", under the alpha factor when
	 * alpha is below 1. Nothing is drawn, when not clipped, for a scale of 0
	 * or not finite. The projection, the custom model
	 * transform and the alpha factor are put back on every exit.
	 * @exception lua::LuaException An argument of another type, an entry
	 *            that is not a table, or what an entry's draw raises.
	 * @exception lang::Exception "Invalid anchor: {0}", or "No font is set
	 *            while trying to draw string" / as Resources::getString.
	 */
	int drawUIText(lua::LuaState* state);
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
	/** Raw: accepts anything and does nothing. */
	int renderMaskedImageNative(lua::LuaState* state);
	/** The masked image kept for the texture name, made on first use. */
	MaskedImage* maskedImage(std::string const& textureName);
	/** Renders every masked image in texture-name order. */
	void renderMaskedImages();

private:
	HostCore m_core;
	lua::LuaTable m_clippedText;
	/** Masked images by texture name; dropped with the host, before the context goes. */
	std::map<std::string, lang::Ptr<MaskedImage>> m_maskedImages;

	ScriptDrawing(ScriptDrawing const&) = delete;
	ScriptDrawing& operator=(ScriptDrawing const&) = delete;
};
