#include <game/Anchor.h>
#include <io/ThrownMessage.h>
#include <gtest/gtest.h>

namespace
{

TEST(Anchor, fromStringSetsOnePartAndKeepsTheOther)
{
	struct Case
	{
		char const* keyword;
		int vertical;
		int horizontal;
	} const cases[] = {
		{"TOP", 0, 9},
		{"VCENTER", 1, 9},
		{"BOTTOM", 2, 9},
		{"BASELINE", 3, 9},
		{"VPIVOT", 4, 9},
		{"LEFT", 9, 0},
		{"HCENTER", 9, 1},
		{"RIGHT", 9, 2},
		{"HPIVOT", 9, 3},
		{"", 9, 9},
		{nullptr, 9, 9},
	};
	for (Case const& c : cases)
	{
		game::Anchor a;
		a.vertical = 9;
		a.horizontal = 9;
		a.fromString(c.keyword);
		EXPECT_EQ(c.vertical, a.vertical) << (c.keyword ? c.keyword : "null");
		EXPECT_EQ(c.horizontal, a.horizontal) << (c.keyword ? c.keyword : "null");
	}

	game::Anchor a;
	a.fromString("VPIVOT");
	a.fromString("RIGHT");
	EXPECT_EQ(4, a.vertical);
	EXPECT_EQ(2, a.horizontal);
}

TEST(Anchor, unknownKeywordsAreRefused)
{
	for (char const* keyword : {"top", "CENTER", "LEFT ", "PIVOT"})
	{
		game::Anchor a(game::Anchor::BOTTOM, game::Anchor::RIGHT);
		EXPECT_EQ(std::string("Invalid anchor: ") + keyword, message<lang::Exception>([&] { a.fromString(keyword); }));
		EXPECT_EQ(game::Anchor::BOTTOM, a.vertical);
		EXPECT_EQ(game::Anchor::RIGHT, a.horizontal);
	}
}

} // namespace
