#include "GameFixtures.h"
#include <game/BitmapFont.h>
#include <game/CompoSpriteSet.h>
#include <game/SpriteSheet.h>
#include <game/Transform.h>
#include <io/ByteArrayInputStream.h>
#include <io/std/BundleInputStream.h>
#include <gtest/gtest.h>

using game::Anchor;

namespace
{

/** A fake image whose texture is larger than the image, or that has none. */
class SizedImage : public test::FakeImage
{
public:
	SizedImage(test::FakeContext& ctx, int width, int height, int textureWidth, int textureHeight, bool texture) :
		test::FakeImage(ctx.log(), "sized", textureWidth, textureHeight, gr::SurfaceFormat::SURFACE_A8R8G8B8),
		m_width(width),
		m_height(height),
		m_texture(texture)
	{
	}

	int width() const override { return m_width; }
	int height() const override { return m_height; }
	gr::Texture* getTexture() const override { return m_texture ? test::FakeImage::getTexture() : nullptr; }

private:
	int m_width;
	int m_height;
	bool m_texture;
};

class SpriteSheetTest : public ::testing::Test
{
protected:
	lang::Ptr<test::FakeContext> ctx = new test::FakeContext();
	lang::Ptr<gr::Image> image = new SizedImage(*ctx, 100, 50, 100, 50, true);
	lang::Ptr<game::SpriteSheet> sheet = new game::SpriteSheet(image);

	/** x, y, width, height of the last recorded draw. */
	std::string lastDraw() const
	{
		std::vector<test::Call> const draws = ctx->callsOf("Image.draw");
		if (draws.empty())
			return "none";
		std::vector<std::string> const& a = draws.back().args;
		return a[1] + " " + a[2] + " " + a[3] + " " + a[4];
	}
};

TEST_F(SpriteSheetTest, anchorsPlaceTheTopLeftCorner)
{
	// 10 x 5 with its pivot at 3, 4, drawn at 20, 10.
	game::Sprite* s = sheet->createSprite("s", 0, 0, 10, 5, 3, 4);
	struct Case
	{
		Anchor::VerticalType v;
		Anchor::HorizontalType h;
		char const* expected;
	} const cases[] = {
		{Anchor::TOP, Anchor::LEFT, "20 10 10 5"},
		{Anchor::VCENTER, Anchor::HCENTER, "15 8 10 5"},
		{Anchor::BOTTOM, Anchor::RIGHT, "10 5 10 5"},
		{Anchor::BASELINE, Anchor::HPIVOT, "17 6 10 5"},
		{Anchor::VPIVOT, Anchor::HPIVOT, "17 6 10 5"},
	};
	for (Case const& c : cases)
	{
		s->draw(ctx, 20.f, 10.f, Anchor(c.v, c.h));
		EXPECT_EQ(c.expected, lastDraw()) << c.v << " " << c.h;
	}

	// Stretched: the offset comes from the sprite's own size.
	game::Sprite* wide = sheet->createSprite("wide", 0, 0, 100, 20, 0, 0);
	wide->draw(ctx, 300.f, 40.f, 200.f, 30.f, Anchor(Anchor::BOTTOM, Anchor::RIGHT));
	EXPECT_EQ("200 20 200 30", lastDraw());
}

TEST_F(SpriteSheetTest, textureCoordinatesFollowTheTexture)
{
	struct Case
	{
		int width, height, textureWidth, textureHeight;
		bool texture;
		char const* uv;
	} const cases[] = {
		{100, 50, 128, 64, true, "[(0 0) (0.78125 0) (0 0.78125) (0.78125 0.78125)]"},
		{100, 50, 128, 64, false, "[(0 0) (1 0) (0 1) (1 1)]"},
		{0, 0, 128, 64, false, "[(0 0) (0 0) (0 0) (0 0)]"},
	};
	for (Case const& c : cases)
	{
		lang::Ptr<game::SpriteSheet> s = new game::SpriteSheet(new SizedImage(*ctx, c.width, c.height, c.textureWidth, c.textureHeight, c.texture));
		s->createSprite("s", 0, 0, 100, 50, 0, 0)->draw(ctx, 0.f, 0.f, Anchor());
		EXPECT_EQ(c.uv, ctx->callsOf("Image.draw").back().args[5]);
	}
}

TEST_F(SpriteSheetTest, createSpriteReplacesAName)
{
	lang::Ptr<game::Sprite> first = sheet->createSprite("s", 0, 0, 1, 1, 0, 0);
	game::Sprite* second = sheet->createSprite("s", 5, 5, 2, 2, 1, 1);
	EXPECT_NE(first.ptr(), second);
	EXPECT_EQ(second, sheet->getSprite("s"));
	EXPECT_EQ(1u, sheet->getSprites().size());
	EXPECT_EQ(nullptr, first->getSheet());
	EXPECT_EQ(sheet.ptr(), second->getSheet());
	EXPECT_EQ(nullptr, sheet->getSprite("t"));
}

TEST_F(SpriteSheetTest, valuesAreCutTo16Bits)
{
	game::Sprite* s = sheet->createSprite("s", 65536 + 7, -65536 - 3, 32768, 1, 65535, 0);
	EXPECT_EQ(7, s->getPositionInSheetX());
	EXPECT_EQ(-3, s->getPositionInSheetY());
	EXPECT_EQ(-32768, s->getWidth());
	EXPECT_EQ(-1, s->getPivotX());
}

TEST_F(SpriteSheetTest, transformedDrawPlacesTheCorners)
{
	game::Sprite* s = sheet->createSprite("s", 0, 0, 100, 50, 0, 0);
	math::float3x4 m(1.f);
	m(0, 0) = 2.f;   // x doubled
	m(0, 1) = 1.f;   // plus y
	m(0, 3) = 10.f;  // moved right
	m(1, 3) = 20.f;  // moved down
	m(2, 0) = 3.f;   // z from x: only in the full transform
	m(2, 3) = 5.f;
	math::float2 const corners[4] = {{0, 0}, {1, 0}, {0, 1}, {1, 1}};
	math::float4 colours[4] = {{1, 0, 0, 1}, {0, 1, 0, 1}, {0, 0, 1, 1}, {1, 1, 1, 1}};

	s->draw(ctx, game::Transform(m, 0), corners, nullptr, nullptr);
	std::vector<std::string> a = ctx->callsOf("Image.draw").back().args;
	EXPECT_EQ("[(10 20 0) (12 20 0) (11 21 0) (13 21 0)]", a[1]);
	EXPECT_EQ("[(0 0) (1 0) (0 1) (1 1)]", a[2]);
	EXPECT_EQ("null", a[3]);

	s->draw(ctx, game::Transform(m, 1), corners, nullptr, colours);
	a = ctx->callsOf("Image.draw").back().args;
	EXPECT_EQ("[(10 20 5) (12 20 8) (11 21 5) (13 21 8)]", a[1]);
	EXPECT_EQ("[(1 0 0 1) (0 1 0 1) (0 0 1 1) (1 1 1 1)]", a[3]);
}

TEST_F(SpriteSheetTest, spriteDrawsAfterItsSheetHasGone)
{
	lang::Ptr<game::Sprite> s = sheet->createSprite("s", 0, 0, 10, 10, 0, 0);
	sheet = nullptr;
	image = nullptr;
	EXPECT_EQ(nullptr, s->getSheet());
	s->draw(ctx, 1.f, 2.f, Anchor());
	EXPECT_EQ("1 2 10 10", lastDraw());
	EXPECT_EQ("sized", ctx->callsOf("Image.draw").back().args[0]);
}

TEST_F(SpriteSheetTest, generatedSampleDataLoads)
{
	// Loads the sample data that the build generates into its bundle folder.
	std::string const previous = io::detail::bundlePath();
	io::detail::setBundlePath(ENGINE_BUNDLE_DIR);
	lang::Ptr<game::SpriteSheet> menu = new game::SpriteSheet(ctx, "data_ipad/sprites/menu.dat");
	EXPECT_EQ(8u, menu->getSprites().size());
	ASSERT_NE(nullptr, menu->getSprite("button"));
	EXPECT_EQ(64, menu->getSprite("button")->getWidth());

	lang::Ptr<io::BundleInputStream> file = new io::BundleInputStream("data_ipad/sprites/menu-composites.dat");
	lang::Ptr<io::ByteArrayInputStream> copy = new io::ByteArrayInputStream(*file);
	gametest::SheetProvider provider(menu);
	lang::Ptr<game::CompoSpriteSet> set = new game::CompoSpriteSet(*copy, &provider);
	EXPECT_EQ(3u, set->getCompoSprites().size());

	lang::Ptr<game::BitmapFont> font = new game::BitmapFont(ctx, "data_ipad/fonts/blocky.dat");
	EXPECT_EQ(14, font->getMaxAscending());
	EXPECT_EQ("HELLO, WORLD!", font->filter("HELLO, WORLD!"));
	io::detail::setBundlePath(previous);
}

} // namespace
