#include "GameFixtures.h"
#include <game/BitmapFont.h>
#include <gtest/gtest.h>
#include <climits>

using game::Anchor;

namespace
{

/**
 * A font of "A" (7 wide, 14 high, baseline 10), "B" (8 wide, 13 high,
 * baseline 12) and code 0x8000 (5 wide), tracking 1.
 */
class BitmapFontTest : public ::testing::Test
{
protected:
	gametest::Bundle bundle;
	lang::Ptr<game::BitmapFont> font;

	void SetUp() override
	{
		bundle.write("fonts/f.dat", gametest::fontFile("f.png", 20, 1, {{65, 0, 0, 7, 14, 10}, {66, 10, 0, 8, 13, 12}, {0x8000, 20, 0, 5, 12, 12}}));
		bundle.write("fonts/f.png", "");
		font = new game::BitmapFont(bundle.context, "fonts/f.dat");
		bundle.context->clearCalls();
	}

	/** "x,y" of each drawn glyph's top-left corner. */
	std::string draws() const
	{
		std::string s;
		for (test::Call const& c : bundle.context->callsOf("Image.draw"))
			s += (s.empty() ? "" : " ") + c.args[1] + "," + c.args[2];
		bundle.context->clearCalls();
		return s;
	}
};

TEST_F(BitmapFontTest, metricsComeFromTheGlyphs)
{
	EXPECT_EQ(12, font->getMaxAscending());
	EXPECT_EQ(4, font->getMaxDescending());
	EXPECT_EQ(20, font->getLeading());
	EXPECT_EQ(1, font->getTracking());
	ASSERT_NE(nullptr, font->getGlyph(0x8000));
	EXPECT_EQ("32768", font->getGlyph(0x8000)->getName());
	EXPECT_EQ(font->getSheet(), font->getGlyph(65)->getSheet());
}

TEST_F(BitmapFontTest, widthsCountTrackingBetweenCodeUnits)
{
	EXPECT_EQ(16, font->getStringWidth("AB", 0, INT_MAX));
	// A missing glyph adds no width, but tracking still counts around it.
	EXPECT_EQ(17, font->getStringWidth("A?B", 0, 3));
	EXPECT_EQ(0, font->getStringWidth("", 0, 3));
	EXPECT_EQ(5, font->getStringWidth("\xe8\x80\x80", 0, 1));

	struct Case
	{
		int first, count, width;
	} const cases[] = {
		{5, 1, 0},        // first past the end
		{0, INT_MAX, 24}, // the whole text "ABA"
		{1, INT_MAX, 16}, // a huge count from first above 0
		{2, 5, 7},        // count cut to the rest
		{-1, 2, 16},      // negative first from 0
		{1, -1, 0},       // negative count: empty range, not minus the tracking
		{INT_MAX, INT_MAX, 0},
		{INT_MIN, INT_MIN, 0},
	};
	for (Case const& c : cases)
		EXPECT_EQ(c.width, font->getStringWidth("ABA", c.first, c.count)) << c.first << " " << c.count;
}

TEST_F(BitmapFontTest, drawingPlacesGlyphsOnTheBaseline)
{
	struct Case
	{
		char const* text;
		int first, count;
		Anchor::VerticalType v;
		Anchor::HorizontalType h;
		char const* expected;
	} const cases[] = {
		{"AB", 0, INT_MAX, Anchor::BASELINE, Anchor::LEFT, "100,30 108,28"},
		{"AB", 0, INT_MAX, Anchor::TOP, Anchor::LEFT, "100,42 108,40"},
		{"AB", 0, INT_MAX, Anchor::BOTTOM, Anchor::HPIVOT, "100,26 108,24"},
		// VCENTER with A = 12, D = 4: the baseline 12 - 8 = 4 below y.
		{"AB", 0, INT_MAX, Anchor::VCENTER, Anchor::LEFT, "100,34 108,32"},
		{"AB", 0, INT_MAX, Anchor::VPIVOT, Anchor::RIGHT, "84,30 92,28"},
		{"AB", 0, INT_MAX, Anchor::VPIVOT, Anchor::HCENTER, "92,30 100,28"},
		// The missing glyph is skipped without advancing.
		{"A?B", 0, INT_MAX, Anchor::BASELINE, Anchor::LEFT, "100,30 108,28"},
		{"ABA", 1, 1, Anchor::BASELINE, Anchor::LEFT, "100,28"},
		{"ABA", 5, 1, Anchor::BASELINE, Anchor::LEFT, ""},
		{"ABA", 2, INT_MAX, Anchor::BASELINE, Anchor::LEFT, "100,30"},
		{"ABA", -3, -3, Anchor::BASELINE, Anchor::LEFT, ""},
		{"\xe8\x80\x80", 0, INT_MAX, Anchor::BASELINE, Anchor::LEFT, "100,28"},
		{"", 0, INT_MAX, Anchor::BASELINE, Anchor::LEFT, ""},
	};
	for (Case const& c : cases)
	{
		font->drawString(bundle.context, c.text, c.first, c.count, 100.f, 40.f, Anchor(c.v, c.h));
		EXPECT_EQ(c.expected, draws()) << c.text << " " << c.first << " " << c.count << " " << c.v << " " << c.h;
	}
	font->drawString(bundle.context, "AB", 100.f, 40.f, Anchor(Anchor::BASELINE, Anchor::LEFT));
	EXPECT_EQ("100,30 108,28", draws());
}

TEST_F(BitmapFontTest, filterKeepsDrawableCharacters)
{
	EXPECT_EQ("AB", font->filter("A?B"));
	EXPECT_EQ("", font->filter("?? xyz"));
	EXPECT_EQ("A\xe8\x80\x80", font->filter("A\xe8\x80\x80\xe2\x82\xac"));
}

} // namespace
