#pragma once

#include <string>
#include <vector>

namespace game
{
class IFont;
}

namespace host
{

/**
 * Text broken into lines that fit a width: the lines (UTF-8, in order) and
 * the width of the widest of them in the font's units (0 without lines).
 */
struct TextLines
{
	std::vector<std::string> lines;
	int widest = 0;
};

/**
 * Breaks the UTF-8 text into lines narrower than maxWidth in the font,
 * breaking at line feeds, spaces, hyphens (kept on the line) and zero-width
 * spaces (U+200B), and cutting a word wider than a line at the longest
 * prefix narrower than maxWidth. Every line holds at least one character,
 * whatever the widths (a maxWidth of 0, below 0 or NaN gives one character
 * a line). Spaces and zero-width spaces at a break are dropped, a line feed
 * ends its line; "" gives no lines. Reads only the font's string widths.
 */
TextLines breakTextLines(game::IFont const& font, std::string const& text, float maxWidth);

} // namespace host
