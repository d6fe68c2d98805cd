// A layered scene drawn by the host on the headless ES 2.0 context, read
// back pixel by pixel: sky colour, a background layer, objects whose depths
// go against their creation order, two sheets at one depth, a foreground
// layer with its ground, a mirrored object and a rotated compound object.
#include "HostPixelFixture.h"
#include <host/RenderObjectData.h>
#include <host/Themes.h>
#include <string>

using gles2test::BLACK;
using gles2test::BLUE;
using gles2test::GREEN;
using gles2test::RED;
using gles2test::RGBA;
using gles2test::WHITE;

namespace
{

RGBA const CYAN = {0, 255, 255, 255};
RGBA const MAGENTA = {255, 0, 255, 255};
RGBA const SKY = {40, 80, 120, 255};

/** The host on the fixture's context, with sheets built over solid-colour images. */
class SceneDrawingPixels : public hostgltest::HostPixelFixture
{
protected:
	void SetUp() override
	{
		HostPixelFixture::SetUp();
		// Sheet A: red and green halves, and both as one sprite; B: white; C: the layers.
		addSheet("A", makeImage(16, 8, [](int x, int) { return x < 8 ? RED : GREEN; }),
			{{"r", 0, 0, 8, 8, 4, 4}, {"g", 8, 0, 8, 8, 4, 4}, {"rg", 0, 0, 16, 8, 8, 4}});
		addSheet("B", makeImage(8, 8, [](int, int) { return WHITE; }), {{"w", 0, 0, 8, 8, 4, 4}});
		addSheet("C", makeImage(128, 12, [](int, int y) { return y < 8 ? BLUE : CYAN; }),
			{{"band", 0, 0, 128, 8, 0, 0}, {"hill", 0, 8, 16, 4, 0, 4}});
	}

	/** Clears to the host's background colour as the application does, then runs code and flushes. */
	void frameOf(std::string const& code)
	{
		ctx().clear(0xFF000000u | host->themes().getBGColor(), true, true, false);
		ctx().statistics.reset();
		run(code);
		ctx().flush();
	}
};

TEST_F(SceneDrawingPixels, LayeredScene)
{
	// Screen y = 20 y + 56 (top -56); the ground starts at row 56, the
	// foreground layer's hills lie on rows 52 to 55, the background band on
	// rows 4 to 11 (its scale 12 makes the layer factor 1 on 64 x 64).
	run("themes = { t = { skyColor = { r = 40, g = 80, b = 120 }, groundColor = { r = 255, g = 0, b = 255 },\n"
		"  bgLayers = { { sprite = 'band', scale = 12, bLoop = false } },\n"
		"  fgLayers = { { 'hills', 'hill', 1, 1, 0 } } } }\n"
		"screen = { x = 0, y = 0 }\n"
		"setTheme('t') setTopLeft(0, -56)\n"
		// Depths against creation order: red (5) over green (2).
		"createBox('top', 'r', 0.6, -1.8, 1, 1, 0, 0, 0, true, false, 5)\n"
		"createBox('under', 'g', 0.6, -1.8, 1, 1, 0, 0, 0, true, false, 2)\n"
		// One depth, two sheets: A's group (green, then red) before B's (white).
		"createBox('g2', 'g', 1.4, -1.8, 1, 1, 0, 0, 0, true, false, 3)\n"
		"createBox('w1', 'w', 1.4, -1.8, 1, 1, 0, 0, 0, true, false, 3)\n"
		"createBox('r3', 'r', 1.4, -1.8, 1, 1, 0, 0, 0, true, false, 3)\n"
		// Mirrored: green left, red right.
		"createBox('m', 'rg', 2.2, -1.8, 1, 1, 0, 0, 0, true, false, 3) setObjectParameter('m', 8, 1)\n"
		// A compound part turned a quarter: red above, green below.
		"createBox('k', '', 0.6, -0.8, 1, 1, 0, 0, 0, true, false, 3)\n"
		// Over the ground (depth 5 after the foreground at 4) and under it (depth 2).
		"createBox('front', 'r', 2.0, 0.1, 1, 1, 0, 0, 0, true, false, 5)\n"
		"createBox('behind', 'g', 2.8, 0.1, 1, 1, 0, 0, 0, true, false, 2)\n"
		"drawBackgroundNative(-1)\n");
	GameLua::RenderObjectData* k = host->scene().findObject("k");
	k->isCompound = true;
	k->partOffsets = {b2Vec2(0, 0)};
	k->partAngles = {1.5707964f};
	k->partSprites = {resources->getSprite("rg")};
	k->partCompoSprites = {nullptr};

	frameOf("drawBackgroundNative(-1) drawGameNative(4)");

	EXPECT_TRUE(gles2test::near(SKY, px(60, 30))) << "sky";
	EXPECT_EQ(BLUE, px(60, 5));
	EXPECT_EQ(BLUE, px(1, 10));
	EXPECT_TRUE(gles2test::near(SKY, px(60, 13)));
	EXPECT_EQ(RED, px(12, 20)) << "depth 5 over depth 2";
	EXPECT_EQ(WHITE, px(28, 20)) << "sheet B's group after A's";
	EXPECT_EQ(GREEN, px(42, 20)) << "mirrored";
	EXPECT_EQ(RED, px(46, 20)) << "mirrored";
	EXPECT_EQ(RED, px(12, 37)) << "compound part";
	EXPECT_EQ(GREEN, px(12, 43)) << "compound part";
	EXPECT_EQ(CYAN, px(30, 53)) << "foreground layer";
	EXPECT_EQ(MAGENTA, px(30, 60)) << "ground";
	EXPECT_EQ(RED, px(40, 58)) << "over the ground";
	EXPECT_EQ(MAGENTA, px(56, 58)) << "under the ground";
}

TEST_F(SceneDrawingPixels, ImageRunsShareOneDrawCall)
{
	// Ten depths, each A, B, A: sheet groups A then B, so twenty runs of one
	// image, which one batch of both images draws in one call.
	std::string code;
	for (int z = 0; z < 10; ++z)
	{
		std::string const depth = std::to_string(z);
		code += "createBox('a" + depth + "', 'r', 0.5, 0.5, 1, 1, 0, 0, 0, true, false, " + depth + ")\n";
		code += "createBox('b" + depth + "', 'w', 1.5, 0.5, 1, 1, 0, 0, 0, true, false, " + depth + ")\n";
		code += "createBox('c" + depth + "', 'g', 2.5, 0.5, 1, 1, 0, 0, 0, true, false, " + depth + ")\n";
	}
	run(code);
	frameOf("drawGameNative(-1)");
	EXPECT_EQ(1, counter(gr::Context::Statistics::COUNTER_DRAWCALLS));
	EXPECT_EQ(RED, px(10, 10));
	EXPECT_EQ(WHITE, px(30, 10));
	EXPECT_EQ(GREEN, px(50, 10));
}

} // namespace
