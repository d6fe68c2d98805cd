// Sheets, composites and fonts read from writer-made files and drawn on the
// headless ES 2.0 context; the pixels are read back.

#include "ResourceFixtures.h"
#include <support/RenderFixture.h>
#include <game/BitmapFont.h>
#include <game/CompoSprite.h>
#include <game/LuaResources.h>
#include <game/SpriteSheet.h>
#include <gr/RenderState2D.h>
#include <img/ImageWriter.h>
#include <io/ByteArrayInputStream.h>
#include <io/ByteArrayOutputStream.h>
#include <lua/LuaState.h>
#include <cmath>
#include <filesystem>
#include <numbers>

using game::Anchor;
using gles2test::BLACK;
using gles2test::GREEN;
using gles2test::RED;
using gles2test::RGBA;
using gles2test::WHITE;

namespace
{

/**
 * The headless fixture with a temporary bundle folder that holds the files
 * a test writes and links the project's shaders.
 */
class GamePixels : public gles2test::RenderFixture
{
protected:
	test::TempFolder folder;

	void SetUp() override
	{
		RenderFixture::SetUp();
		std::filesystem::create_directory_symlink(std::string(ENGINE_DATA_DIR) + "/shaders", folder / "shaders");
		io::detail::setBundlePath(folder.path());
	}

	void TearDown() override
	{
		RenderFixture::TearDown();
		io::detail::setBundlePath(ENGINE_DATA_DIR);
	}

	/** Writes a w x h PNG of the bundle, filled by fill(x, y). */
	template <class Fill>
	void writePNG(std::string const& name, int w, int h, Fill fill)
	{
		std::vector<unsigned char> const bytes = pixels(w, h, fill);
		lang::Ptr<io::ByteArrayOutputStream> out = new io::ByteArrayOutputStream();
		img::ImageWriter::writePNG(*out, bytes.data(), w, h, gr::SurfaceFormat::SURFACE_B8G8R8);
		folder.write(name, std::string(out->data().begin(), out->data().end()));
	}

	/** A sheet of a 16 x 8 image: red left half, green right half. */
	lang::Ptr<game::SpriteSheet> loadSheet()
	{
		writePNG("sheet.png", 16, 8, [](int x, int) { return x < 8 ? RED : GREEN; });
		folder.write("sheet.dat", gametest::sheetFile("sheet.png", {{"red", 0, 0, 8, 8, 4, 4}, {"green", 8, 0, 8, 8, 0, 8}, {"bar", 0, 0, 8, 4, 4, 2}}));
		return new game::SpriteSheet(&ctx(), "sheet.dat");
	}

	/** Whether the rectangle x, y, w, h is all c. */
	static bool filled(int x, int y, int w, int h, RGBA const& c)
	{
		std::vector<unsigned char> const f = frame();
		for (int j = y; j < y + h; ++j)
		{
			for (int i = x; i < x + w; ++i)
			{
				std::size_t const k = (std::size_t(j) * SIZE + i) * 4;
				if (!gles2test::near({f[k], f[k + 1], f[k + 2], f[k + 3]}, c))
					return false;
			}
		}
		return true;
	}
};

class SpriteSheetPixels : public GamePixels
{
};

class CompoSpritePixels : public GamePixels
{
};

class BitmapFontPixels : public GamePixels
{
protected:
	/** "A": 6 x 10 with 2 pixels below the baseline; "B": 4 x 6 on the baseline; tracking 2. */
	void writeFont()
	{
		writePNG("font.png", 16, 16, [](int x, int y) { return (x < 6 && y < 10) || (x >= 8 && x < 12 && y < 6) ? WHITE : BLACK; });
		folder.write("font.dat", gametest::fontFile("font.png", 12, 2, {{65, 0, 0, 6, 10, 8}, {66, 8, 0, 4, 6, 6}}));
	}
};

class LuaResourcesPixels : public BitmapFontPixels
{
};

TEST_F(SpriteSheetPixels, anchorsLandOnTheirPixelsInOneDrawCall)
{
	lang::Ptr<game::SpriteSheet> sheet = loadSheet();
	sheet->getSprite("red")->draw(&ctx(), 2, 2, Anchor(Anchor::TOP, Anchor::LEFT));
	sheet->getSprite("red")->draw(&ctx(), 40, 12, Anchor(Anchor::VCENTER, Anchor::HCENTER));
	sheet->getSprite("green")->draw(&ctx(), 10, 40, Anchor(Anchor::BASELINE, Anchor::HPIVOT));
	sheet->getSprite("green")->draw(&ctx(), 60, 60, Anchor(Anchor::BOTTOM, Anchor::RIGHT));
	ctx().flush();
	EXPECT_EQ(1, counter(gr::Context::Statistics::COUNTER_DRAWCALLS));

	EXPECT_TRUE(filled(2, 2, 8, 8, RED));
	EXPECT_TRUE(filled(36, 8, 8, 8, RED));
	EXPECT_TRUE(filled(10, 32, 8, 8, GREEN));
	EXPECT_TRUE(filled(52, 52, 8, 8, GREEN));
	// Just outside each sprite.
	for (auto [x, y] : {std::pair{10, 2}, {2, 10}, {35, 8}, {44, 15}, {9, 32}, {10, 40}, {51, 52}, {60, 59}})
		EXPECT_EQ(BLACK, px(x, y)) << x << "," << y;
}

TEST_F(CompoSpritePixels, rotatedByNinetyDegrees)
{
	lang::Ptr<game::SpriteSheet> sheet = loadSheet();
	lang::Ptr<game::CompoSprite> compo = new game::CompoSprite();
	compo->addSprite("bar", 10, 0, sheet->getSprite("bar"));

	gr::RenderState2D& rs = ctx().getRenderState2D();
	gametest::rotate(rs, float(std::numbers::pi / 2));
	compo->draw(&ctx(), 20, 20, Anchor(Anchor::VPIVOT, Anchor::HPIVOT));
	ctx().flush();

	// The 8 x 4 bar's pivot lands at (20, 30) and the bar stands upright.
	EXPECT_TRUE(filled(19, 27, 2, 6, RED));
	EXPECT_EQ(BLACK, px(20, 24));
	EXPECT_EQ(BLACK, px(23, 30));
	EXPECT_EQ(BLACK, px(30, 20));
}

TEST_F(BitmapFontPixels, glyphsSitOnTheBaseline)
{
	writeFont();
	lang::Ptr<game::BitmapFont> font = new game::BitmapFont(&ctx(), "font.dat");

	font->drawString(&ctx(), "AB", 10, 30, Anchor(Anchor::BASELINE, Anchor::LEFT));
	ctx().flush();
	EXPECT_TRUE(filled(10, 22, 6, 10, WHITE));
	EXPECT_TRUE(filled(18, 24, 4, 6, WHITE));
	EXPECT_EQ(BLACK, px(12, 21));
	EXPECT_EQ(BLACK, px(12, 32));
	EXPECT_EQ(BLACK, px(19, 23));
	EXPECT_EQ(BLACK, px(19, 30));
	EXPECT_EQ(BLACK, px(16, 25));
	EXPECT_EQ(BLACK, px(22, 25));
}

TEST_F(LuaResourcesPixels, scriptDrawsASpriteAndALocalisedString)
{
	loadSheet();
	writeFont();
	folder.write("loc/texts.dat", gametest::textSetFile({{"en_EN", "de_DE"}, {"WORD"}, {{"AB"}, {"BA"}}}));
	lang::Ptr<lua::LuaState> lua = new lua::LuaState();
	lang::Ptr<game::LuaResources> res = new game::LuaResources(lua, &ctx());
	std::string const script = "res.createSpriteSheet('sheet.dat') res.createBitmapFont('font.dat') res.useFont('font')"
							   " res.createTextGroupSet('loc/texts.dat') res.loadLocale('texts', 'de_DE') res.useLocale('de_DE')"
							   " res.drawSprite('red', 40, 2, 'TOP', 'LEFT')"
							   " res.drawString('texts', 'WORD', 10, 30, 'BASELINE', 'LEFT')";
	io::ByteArrayInputStream in(script.data(), static_cast<int>(script.size()));
	lua->compile(in, "test", nullptr);
	ctx().flush();

	EXPECT_TRUE(filled(40, 2, 8, 8, RED));
	EXPECT_EQ(BLACK, px(48, 2));
	// "BA": B on the baseline, then A reaching 2 pixels below it.
	EXPECT_TRUE(filled(10, 24, 4, 6, WHITE));
	EXPECT_TRUE(filled(16, 22, 6, 10, WHITE));
	EXPECT_EQ(BLACK, px(14, 25));
	EXPECT_EQ(BLACK, px(11, 23));
}

} // namespace
