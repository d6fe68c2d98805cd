#include "GameFixtures.h"
#include <game/CompoSprite.h>
#include <game/SpriteSheet.h>
#include <gr/RenderState2D.h>
#include <io/ThrownMessage.h>
#include <support/FakeContext.h>
#include <gtest/gtest.h>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <numbers>

using game::Anchor;

namespace
{

class CompoSpriteTest : public ::testing::Test
{
protected:
	lang::Ptr<test::FakeContext> ctx = new test::FakeContext();
	lang::Ptr<game::SpriteSheet> sheet = new game::SpriteSheet(ctx->createImage(64, 64, 1, gr::SurfaceFormat::SURFACE_A8R8G8B8, gr::Context::USAGE_STATIC));
	game::Sprite* wide = sheet->createSprite("wide", 0, 0, 20, 10, 5, 5);
	game::Sprite* small = sheet->createSprite("small", 0, 0, 4, 4, 2, 2);

	static std::string bounds(game::CompoSprite const& c)
	{
		return std::to_string(c.getWidth()) + " " + std::to_string(c.getHeight()) + " " + std::to_string(c.getPivotX()) + " " +
			std::to_string(c.getPivotY());
	}

	/** Top-left corners of the recorded draws, "x,y" each. */
	std::string draws() const
	{
		std::string s;
		for (test::Call const& c : ctx->callsOf("Image.draw"))
			s += (s.empty() ? "" : " ") + c.args[1] + "," + c.args[2];
		return s;
	}
};

TEST_F(CompoSpriteTest, boundsOfTheParts)
{
	struct Part
	{
		float x, y;
		bool wide;
	};
	float const nan = std::nanf("");
	struct Case
	{
		char const* what;
		std::vector<Part> parts;
		std::string expected;
	} const cases[] = {
		{"no parts", {}, "0 0 0 0"},
		{"one part", {{0, 0, true}}, "20 10 5 5"},
		{"two parts", {{-10, 0, false}, {10, 0, false}}, "24 4 12 2"},
		{"halves truncate to 0", {{-0.5f, 0.5f, false}, {0.5f, -0.5f, false}}, "4 4 2 2"},
		{"not a number gives 0", {{nan, nan, false}}, "4 4 2 2"},
		{"offsets far outside int saturate", {{-1e10f, 0, false}, {1e10f, 0, false}}, std::to_string(INT_MAX) + " 4 " + std::to_string(INT_MAX) + " 2"},
	};
	for (Case const& c : cases)
	{
		lang::Ptr<game::CompoSprite> compo = new game::CompoSprite();
		for (Part const& p : c.parts)
			compo->addSprite(p.wide ? "wide" : "small", p.x, p.y, p.wide ? wide : small);
		EXPECT_EQ(c.expected, bounds(*compo)) << c.what;
		compo->calculateBounds();
		EXPECT_EQ(c.expected, bounds(*compo)) << c.what << " (recalculated)";
	}
}

TEST_F(CompoSpriteTest, anchorsAlignTheBounds)
{
	lang::Ptr<game::CompoSprite> compo = new game::CompoSprite();
	compo->addSprite("small", -10, 0, small);
	compo->addSprite("small", 10, 0, small);
	struct Case
	{
		Anchor::VerticalType v;
		Anchor::HorizontalType h;
		float x, y;
		char const* expected;
	} const cases[] = {
		{Anchor::TOP, Anchor::LEFT, 0, 0, "0,0 20,0"},
		{Anchor::VPIVOT, Anchor::HPIVOT, 0, 0, "-12,-2 8,-2"},
		{Anchor::BASELINE, Anchor::HPIVOT, 12, 2, "0,0 20,0"},
		{Anchor::BOTTOM, Anchor::RIGHT, 24, 4, "0,0 20,0"},
		{Anchor::VCENTER, Anchor::HCENTER, 12, 2, "0,0 20,0"},
	};
	for (Case const& c : cases)
	{
		ctx->clearCalls();
		compo->draw(ctx, c.x, c.y, Anchor(c.v, c.h));
		EXPECT_EQ(c.expected, draws()) << c.v << " " << c.h;
	}

	// Empty: draws nothing.
	ctx->clearCalls();
	lang::Ptr<game::CompoSprite>(new game::CompoSprite())->draw(ctx, 0, 0, Anchor());
	EXPECT_EQ("", draws());
}

TEST_F(CompoSpriteTest, rotatedOffsetsTurnWithTheState)
{
	lang::Ptr<game::CompoSprite> compo = new game::CompoSprite();
	compo->addSprite("small", 10, 0, small);
	gr::RenderState2D& rs = ctx->getRenderState2D();
	gametest::rotate(rs, float(std::numbers::pi / 2));
	rs.pivot = math::float2(7, 9);

	compo->draw(ctx, 100, 50, Anchor(Anchor::VPIVOT, Anchor::HPIVOT));
	std::vector<std::string> const args = ctx->callsOf("Image.draw").back().args;
	// The part's pivot lands at (x, y + 10).
	EXPECT_NEAR(100.f - 2.f, std::atof(args[1].c_str()), 1e-4);
	EXPECT_NEAR(60.f - 2.f, std::atof(args[2].c_str()), 1e-4);
	EXPECT_EQ(7.f, rs.pivot.x);
	EXPECT_EQ(9.f, rs.pivot.y);
}

TEST_F(CompoSpriteTest, entriesOutOfRangeAreRefused)
{
	lang::Ptr<game::CompoSprite> compo = new game::CompoSprite();
	compo->addSprite("small", 1, 2, small);
	EXPECT_EQ(small, compo->getSpriteEntry(0).sprite.ptr());
	EXPECT_EQ("small", compo->getSpriteEntry(0).name);
	for (int i : {-1, 1, INT_MAX})
		EXPECT_NE("no exception", message<lang::Exception>([&] { compo->getSpriteEntry(i); })) << i;
}

TEST_F(CompoSpriteTest, partsKeepTheirSpritesAfterTheSheetGoes)
{
	lang::Ptr<game::CompoSprite> compo = new game::CompoSprite();
	compo->addSprite("small", 0, 0, small);
	sheet->createSprite("small", 0, 0, 8, 8, 0, 0);
	sheet = nullptr;
	compo->draw(ctx, 10, 10, Anchor(Anchor::VPIVOT, Anchor::HPIVOT));
	EXPECT_EQ("8,8", draws());
}

} // namespace
