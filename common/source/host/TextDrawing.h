#pragma once

#include <host/Core.h>
#include <lua/LuaTable.h>
#include <string>

namespace lua
{
class LuaState;
}

namespace host
{

/**
 * Text the scripts draw themselves: text elements, text on a tilted plane,
 * and the clipping of localised text into the scripts' table clippedText.
 *
 * Main thread only.
 */
class TextDrawing
{
public:
	/**
	 * Makes the clippedText table (the host sets it into its table); draws
	 * through core's context and resources. Nothing else is made or changed.
	 */
	explicit TextDrawing(Core const& core);

	TextDrawing(TextDrawing const&) = delete;
	TextDrawing& operator=(TextDrawing const&) = delete;

	/** The table clipText writes ("lines", "widestLine"). */
	lua::LuaTable& clippedText() { return m_clippedText; }

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

private:
	Core m_core;
	lua::LuaTable m_clippedText;
};

} // namespace host
