// The line-breaker over a small font of uneven widths: where lines break,
// where a word wider than a line is cut, and what the widest line measures.
#include <host/TextLines.h>
#include <game/IFont.h>
#include <lang/String.h>
#include <gtest/gtest.h>
#include <cmath>
#include <string>
#include <vector>

namespace
{

/**
 * A font measuring by code point: 'i' 2, 'm' 8, ' ' 4, '-' 3, U+1F600 10,
 * anything else 5. Ranges are in UTF-16 units, as a font's contract says:
 * a code point above U+FFFF takes two, and half of it measures nothing.
 */
class WidthFont : public game::IFont
{
public:
	int getStringWidth(std::string const& text, int first, int count) const override
	{
		int width = 0;
		int unit = 0;
		for (unsigned int c : lang::string::toUTF32string(text))
		{
			int const units = c > 0xFFFF ? 2 : 1;
			if (unit >= first && unit + units <= first + count)
				width += c == 'i' ? 2 : c == 'm' ? 8 : c == ' ' ? 4 : c == '-' ? 3 : c == 0x1F600 ? 10 : 5;
			unit += units;
		}
		return width;
	}

	void drawString(gr::Context*, std::string const&, float, float, game::Anchor) const override {}
	void drawString(gr::Context*, std::string const&, int, int, float, float, game::Anchor) const override {}
	std::string filter(std::string const& text) const override { return text; }
	int getMaxAscending() const override { return 0; }
	int getMaxDescending() const override { return 0; }
	int getLeading() const override { return 0; }
	int getTracking() const override { return 0; }
};

/** The lines joined by "|", then the widest width after "=". */
std::string broken(std::string const& text, float maxWidth)
{
	WidthFont const font;
	host::TextLines const lines = host::breakTextLines(font, text, maxWidth);
	std::string out;
	for (std::string const& line : lines.lines)
		out += line + "|";
	return out + "=" + std::to_string(lines.widest);
}

} // namespace

TEST(TextLines, BreaksByTheFontsWidthsNotByCharacters)
{
	struct Case
	{
		char const* text;
		float maxWidth;
		char const* expected;
	} const cases[] = {
		// "mm ii" is 24 wide: the second word goes to a line of its own.
		{"mm ii", 24.f, "mm|ii|=16"},
		{"mm ii", 25.f, "mm ii|=24"},
		// A line must be narrower than the width: exactly as wide does not fit.
		{"mm", 16.f, "m|m|=8"},
		// A word wider than a line is cut at its longest prefix that fits, by width.
		{"iiiimm", 12.f, "iiii|m|m|=8"},
		{"mmiiii", 17.f, "mm|iiii|=16"},
		// A hyphen stays on its line and counts in its width.
		{"ii-mm", 17.f, "ii-|mm|=16"},
		// The widest line is the widest, not the last or the longest in characters.
		{"iiiii mm m", 17.f, "iiiii|mm|m|=16"},
		// A line feed ends its line; one at the end adds none, two in a row an empty one.
		{"ab\n", 100.f, "ab|=10"},
		{"\n", 100.f, "|=0"},
		{"a\n\nb", 100.f, "a||b|=5"},
		{"", 100.f, "=0"},
		// Nothing fits: one character a line.
		{"mi", 0.f, "m|i|=8"},
		{"mi", NAN, "m|i|=8"},
	};
	for (Case const& c : cases)
		EXPECT_EQ(c.expected, broken(c.text, c.maxWidth)) << "\"" << c.text << "\" in " << c.maxWidth;
}

TEST(TextLines, MeasuresCodePointsBeyondSixteenBitsWhole)
{
	// U+1F600 is two UTF-16 units: measured as one, it would lose its width
	// and the character after it.
	std::string const face = "\xF0\x9F\x98\x80";
	EXPECT_EQ("a" + face + "b|=20", broken("a" + face + "b", 100.f));
	// Cut inside a word: the character goes whole to one line or the next.
	EXPECT_EQ("a" + face + "|b|=15", broken("a" + face + "b", 16.f));
	EXPECT_EQ("a|" + face + "|b|=10", broken("a" + face + "b", 11.f));
}
