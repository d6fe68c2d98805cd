// Textured lines, composite sprites, rubber bands and gravity visuals drawn
// by the scripts: the calls they hand the fake context, and their pixels on
// both OpenGL ES back ends.
#include "SceneFixture.h"
#include <support/BackendRender.h>
#include <support/IdleApp.h>
#include <support/RecordingOS.h>
#include <support/TempFolder.h>
#include <game/SpriteSheet.h>
#include <gr/RenderState2D.h>
#include <io/ByteArrayInputStream.h>
#include <math/float2.h>
#include <gtest/gtest.h>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <numbers>
#include <string>
#include <vector>

namespace
{

class ScriptDrawingLines : public hosttest::SceneFixture
{
protected:
	/** "(x y) (x y) (x y) (x y)" of four corners. */
	static std::string text(math::float2 const* corners)
	{
		std::string s;
		for (int i = 0; i < 4; ++i)
			s += (i ? " " : "") + test::arg(corners[i]);
		return s;
	}

	/**
	 * Expects getLineCorners on the fake context (768 x 1024) to give the
	 * end points (pixels x1, y1 and x2, y2 as mapped by the render state) in
	 * device coordinates, x = 2 px / 768 - 1 and y = 1 - 2 py / 1024,
	 * offset by (ox, oy) device units for the top (the first two corners)
	 * and the other way for the bottom.
	 */
	void expectCorners(int x1, int y1, int x2, int y2, int width, double px1, double py1, double px2, double py2, double ox, double oy)
	{
		math::float2 c[4];
		ASSERT_TRUE(host::RubberBands::getLineCorners(context, c, x1, y1, x2, y2, width));
		double const X1 = 2 * px1 / 768 - 1, Y1 = 1 - 2 * py1 / 1024, X2 = 2 * px2 / 768 - 1, Y2 = 1 - 2 * py2 / 1024;
		double const expected[4][2] = {{X1 + ox, Y1 + oy}, {X2 + ox, Y2 + oy}, {X1 - ox, Y1 - oy}, {X2 - ox, Y2 - oy}};
		for (int i = 0; i < 4; ++i)
		{
			EXPECT_NEAR(expected[i][0], c[i].x, 1e-6) << "corner " << i << " of " << text(c);
			EXPECT_NEAR(expected[i][1], c[i].y, 1e-6) << "corner " << i << " of " << text(c);
		}
	}
};

TEST_F(ScriptDrawingLines, LineCornersAreDeviceCoordinates)
{
	// The half width is w / 768 across x and w / 1024 across y; the top
	// lies left of the direction of travel. To the right: the top above; to
	// the left: the top below.
	expectCorners(96, 256, 384, 256, 10, 96, 256, 384, 256, 0, 10.0 / 1024);
	expectCorners(384, 256, 96, 256, 10, 384, 256, 96, 256, 0, -10.0 / 1024);
	// Down the screen: the top on the right.
	expectCorners(192, 128, 192, 512, 8, 192, 128, 192, 512, 8.0 / 768, 0);
	// Diagonal (3, 4, 5): width 10, the top along (0.8, -0.6) on the screen.
	expectCorners(0, 0, 300, 400, 10, 0, 0, 300, 400, 0.8 * 10 / 768, 0.6 * 10 / 1024);
	// A width of 1 or less: one pixel.
	expectCorners(96, 256, 384, 256, 0, 96, 256, 384, 256, 0, 1.0 / 1024);
	expectCorners(96, 256, 384, 256, -7, 96, 256, 384, 256, 0, 1.0 / 1024);

	// The render state moves and scales the end points; the width is
	// trunc(width (scale x ux^2 + scale y uy^2)): 20 along x, 15 along y.
	gr::RenderState2D& rs = context->getRenderState2D();
	rs.translation = math::float2(10.f, 20.f);
	rs.scale = math::float2(2.f, 3.f);
	expectCorners(100, 260, 240, 260, 10, 220, 840, 500, 840, 0, 20.0 / 1024);
	expectCorners(100, 260, 100, 360, 5, 220, 840, 220, 1140, 15.0 / 768, 0);
	expectCorners(100, 260, 240, 260, 1, 220, 840, 500, 840, 0, 2.0 / 1024);
}

TEST_F(ScriptDrawingLines, LineCornersOfAZeroLengthSegmentAreLeftUnset)
{
	math::float2 c[4] = {math::float2(7.f, 7.f), math::float2(7.f, 7.f), math::float2(7.f, 7.f), math::float2(7.f, 7.f)};
	EXPECT_FALSE(host::RubberBands::getLineCorners(context, c, 5, 6, 5, 6, 10));
	EXPECT_EQ("(7 7) (7 7) (7 7) (7 7)", text(c));
	// Extreme ends stay finite.
	EXPECT_TRUE(host::RubberBands::getLineCorners(context, c, INT_MIN, INT_MIN, INT_MAX, INT_MAX, INT_MAX));
	for (math::float2 const& p : c)
		EXPECT_TRUE(std::isfinite(p.x) && std::isfinite(p.y));
}

TEST_F(ScriptDrawingLines, TexturedLineDrawsTheSpriteAlongTheLineInPixels)
{
	// The sprite: 32 x 8 at (16, 8) of the 64 x 64 image.
	addSheet("ground", {{"rope", 16, 8, 32, 8, 0, 4}});
	run("drawTexturedLine2D('rope', 96.9, 256, 384, 256.5, 10.7, 1, 2, 3, 4)");
	std::vector<test::Call> d = draws();
	ASSERT_EQ(1u, d.size());
	EXPECT_EQ("Image.draw(ground, [(96 251 0) (384 251 0) (96 261 0) (384 261 0)], "
			  "[(0.25 0.125) (0.75 0.125) (0.25 0.25) (0.75 0.25)], null, null)",
		d[0].toString());
	// Down the screen: the sprite's top on the right.
	run("drawTexturedLine2D('rope', 100, 100, 100, 300, 4, 0, 0, 0, 0)");
	d = draws();
	ASSERT_EQ(2u, d.size());
	EXPECT_EQ("Image.draw(ground, [(102 100 0) (102 300 0) (98 100 0) (98 300 0)], "
			  "[(0.25 0.125) (0.75 0.125) (0.25 0.25) (0.75 0.25)], null, null)",
		d[1].toString());

	// A zero-length line (after truncation), unknown names and a sprite of a gone sheet draw nothing.
	run("drawTexturedLine2D('rope', 50, 60, 50.9, 60.2, 10, 0, 0, 0, 0)");
	run("drawTexturedLine2D('nothing', 0, 0, 100, 100, 10, 0, 0, 0, 0)");
	run("drawTexturedLine2D('ground', 0, 0, 100, 100, 10, 0, 0, 0, 0)");
	EXPECT_EQ(2u, draws().size());
}

TEST_F(ScriptDrawingLines, RubberbandLiesAlongADiagonal)
{
	// The band: 32 x 8 at (0, 16) of the 64 x 64 sheet image.
	addSheet("menu", {{"band", 0, 16, 32, 8, 0, 4}});
	context->getRenderState2D().translation = math::float2(500.f, 500.f);
	run("drawRubberband(10, 10, 40, 50, 6, 'band')");
	std::vector<test::Call> d = draws();
	ASSERT_EQ(1u, d.size());
	// Direction (0.6, 0.8): the top half width 3 along (0.8, -0.6), left of travel; the state is not read.
	EXPECT_EQ("Image.draw(menu, [(12.4 8.2 0.001) (42.4 48.2 0.001) (7.6 11.8 0.001) (37.6 51.8 0.001)], "
			  "[(0 0.25) (0.5 0.25) (0 0.375) (0.5 0.375)], null, null)",
		d[0].toString());
	// Back the other way the top changes sides.
	run("drawRubberband(40, 50, 10, 10, 6, 'band')");
	d = draws();
	ASSERT_EQ(2u, d.size());
	EXPECT_EQ("Image.draw(menu, [(37.6 51.8 0.001) (7.6 11.8 0.001) (42.4 48.2 0.001) (12.4 8.2 0.001)], "
			  "[(0 0.25) (0.5 0.25) (0 0.375) (0.5 0.375)], null, null)",
		d[1].toString());
	run("drawRubberband(10, 10, 40, 50, 6, 'nothing')");
	run("drawRubberband(10, 10, 1/0, 50, 6, 'band')");
	run("drawRubberband(0/0, 10, 40, 50, 6, 'band')");
	EXPECT_EQ(2u, draws().size());
}

TEST_F(ScriptDrawingLines, CompoSpriteDrawsEachEntryAboutTheOrigin)
{
	addSheet("menu", {{"big", 0, 0, 16, 16, 8, 8}, {"small", 16, 0, 8, 8, 2, 3}});
	addComposite("pair", {{"big", 0, 0}, {"small", 10, -4}});
	context->getRenderState2D().pivot = math::float2(1.f, 2.f);
	run("drawCompoSprite('pair', 100, 50)");
	std::vector<test::Call> const d = draws();
	ASSERT_EQ(2u, d.size());
	// Each sprite's pivot at (x + entry x, y + entry y); the state's pivot at (100, 50) seen from its top-left corner.
	EXPECT_EQ("Image.draw(menu, 92, 42, 16, 16, [(0 0) (0.25 0) (0 0.25) (0.25 0.25)])", d[0].toString());
	EXPECT_EQ(8.f, d[0].state2D.pivot.x);
	EXPECT_EQ(8.f, d[0].state2D.pivot.y);
	EXPECT_EQ("Image.draw(menu, 108, 43, 8, 8, [(0.25 0) (0.375 0) (0.25 0.125) (0.375 0.125)])", d[1].toString());
	EXPECT_EQ(-8.f, d[1].state2D.pivot.x);
	EXPECT_EQ(7.f, d[1].state2D.pivot.y);
	// The pivot is given back.
	EXPECT_EQ(1.f, context->getRenderState2D().pivot.x);
	EXPECT_EQ(2.f, context->getRenderState2D().pivot.y);

	// A plain sprite's name, an unknown name, and parts whose sheet is gone draw nothing.
	run("drawCompoSprite('big', 100, 50)");
	run("drawCompoSprite('nothing', 100, 50)");
	run("drawCompoSprite('pair', 0/0, 50)");
	run("drawCompoSprite('pair', 100, -1/0)");
	resources->releaseSpriteSheet("menu");
	run("drawCompoSprite('pair', 100, 50)");
	EXPECT_EQ(2u, draws().size());
}

/** The script code of a sensor of the block definition "W" with one visual of the sprite "ring". */
std::string const SENSOR = "sensor = { sensorType = 'gravitation', addVisualTimer = 0.5, active = true, definition = 'W', radius = 100,"
						   " width = 40, height = 20, gravityVisuals = { { scale = 1, x = 5, y = 6, pos = 0.5, sprite = 'ring' } } }\n";

TEST_F(ScriptDrawingLines, CircleGravityVisualTurnsTheSpriteThroughEightAngles)
{
	addSheet("theme", {{"ring", 0, 0, 32, 16, 0, 16}});
	gr::RenderState2D& rs = context->getRenderState2D();
	rs.translation = math::float2(3.f, 4.f);
	run("blocks = { W = { type = 'circle' } }\n" + SENSOR + "renderGravityVisualsNative(sensor, 300, 400, 0.5)");
	std::vector<test::Call> const d = draws();
	ASSERT_EQ(8u, d.size());
	// radius 100 3 0.5 = 150, s = 150 0.019 = 2.85.
	float const s = 150.f * 0.019f;
	double const pi = std::numbers::pi;
	double const angles[8] = {0, pi / 2, pi, 3 * pi / 2, pi / 4, 3 * pi / 4, 5 * pi / 4, 7 * pi / 4};
	for (int k = 0; k < 8; ++k)
	{
		// The pivot (0, 16) at the entry's (5, 6).
		EXPECT_EQ("Image.draw(theme, 5, -10, 32, 16, [(0 0) (0.5 0) (0 0.25) (0.5 0.25)])", d[k].toString()) << k;
		gr::RenderState2D const& at = d[k].state2D;
		EXPECT_NEAR(angles[k], at.angle, 1e-5) << k;
		EXPECT_NEAR(std::cos(angles[k]), at.rotation[0], 1e-6) << k;
		EXPECT_NEAR(std::sin(angles[k]), at.rotation[1], 1e-6) << k;
		EXPECT_FLOAT_EQ(s, at.scale.x);
		EXPECT_FLOAT_EQ(s, at.scale.y);
		EXPECT_FLOAT_EQ(300.f / s, at.translation.x);
		EXPECT_FLOAT_EQ(400.f / s, at.translation.y);
		EXPECT_EQ(0.f, at.pivot.x);
		EXPECT_EQ(16.f, at.pivot.y);
	}
	// The state is given back.
	EXPECT_EQ(3.f, rs.translation.x);
	EXPECT_EQ(1.f, rs.scale.x);
	EXPECT_EQ(0.f, rs.angle);

	// blockTable.blocks serves when the scripts have no blocks of their own.
	run("blocks = nil blockTable.blocks.W = { type = 'circle' } renderGravityVisualsNative(sensor, 300, 400, 0.5)");
	EXPECT_EQ(16u, draws().size());
}

TEST_F(ScriptDrawingLines, GravityVisualsNeedTheirTablesAndAUsableScale)
{
	addSheet("theme", {{"ring", 0, 0, 32, 16, 0, 16}});
	run("blocks = { W = { type = 'circle' }, B = { type = 'box' }, N = { } }\n" + SENSOR);
	char const* const nothing[] = {
		"renderGravityVisualsNative(sensor, 300, 400, 0)",
		"renderGravityVisualsNative(sensor, 300, 400, 0/0)",
		"renderGravityVisualsNative(sensor, 300, 400, 1/0)",
		"sensor.gravityVisuals[1].scale = 0 renderGravityVisualsNative(sensor, 300, 400, 1) sensor.gravityVisuals[1].scale = 1",
		"sensor.radius = nil renderGravityVisualsNative(sensor, 300, 400, 1) sensor.radius = 100",
		"sensor.gravityVisuals[1].sprite = 'none' renderGravityVisualsNative(sensor, 300, 400, 1) sensor.gravityVisuals[1].sprite = 'ring'",
		"sensor.gravityVisuals[1].x = nil renderGravityVisualsNative(sensor, 300, 400, 1) sensor.gravityVisuals[1].x = 5",
		"sensor.gravityVisuals = { } renderGravityVisualsNative(sensor, 300, 400, 1)",
		"sensor.gravityVisuals = nil renderGravityVisualsNative(sensor, 300, 400, 1)",
		("sensor.gravityVisuals = { { scale = 1, x = 5, y = 6, sprite = 'ring' } } sensor.definition = 'X' "
		 "renderGravityVisualsNative(sensor, 300, 400, 1)"),
		"sensor.definition = 'N' renderGravityVisualsNative(sensor, 300, 400, 1)",
		"sensor.definition = 'W' sensor.active = 1 renderGravityVisualsNative(sensor, 300, 400, 1) sensor.active = true",
		"sensor.addVisualTimer = nil renderGravityVisualsNative(sensor, 300, 400, 1) sensor.addVisualTimer = 0",
		"sensor.sensorType = nil renderGravityVisualsNative(sensor, 300, 400, 1) sensor.sensorType = 'g'",
		"blocks.W = nil renderGravityVisualsNative(sensor, 300, 400, 1) blocks.W = { type = 'circle' }",
		"renderGravityVisualsNative({ }, 300, 400, 1)",
	};
	for (char const* code : nothing)
	{
		run(code);
		EXPECT_EQ(0u, draws().size()) << code;
	}
	// After all that the sensor draws again.
	run("renderGravityVisualsNative(sensor, 300, 400, 1)");
	EXPECT_EQ(8u, draws().size());
}

TEST_F(ScriptDrawingLines, BoxGravityVisualsLieAlongTheLongerSide)
{
	addSheet("theme", {{"slice", 0, 0, 8, 32, 4, 16}, {"THEME_1_GRAVITY_SLICE_BOX_FADED", 8, 0, 8, 32, 3, 12}});
	run("blocks = { B = { type = 'box' } }\n" + SENSOR +
		"sensor.definition = 'B' sensor.gravityVisuals = { { pos = 0.5, sprite = 'slice' }, { pos = -1, sprite = 'slice' }, { sprite = 'slice' } }\n"
		"renderGravityVisualsNative(sensor, 300, 400, 2)\n"
		"sensor.width = 10 renderGravityVisualsNative(sensor, 300, 400, 2)");
	std::vector<test::Call> const d = draws();
	ASSERT_EQ(4u, d.size());
	// Width 40 (3 x 40 = 120 long): pos 0.5 at 30, pos -1 at -60, from (x, y) / scale.
	EXPECT_EQ("Image.draw(theme, 26, -16, 8, 32, [(0 0) (0.125 0) (0 0.5) (0.125 0.5)])", d[0].toString());
	EXPECT_EQ("Image.draw(theme, -64, -16, 8, 32, [(0 0) (0.125 0) (0 0.5) (0.125 0.5)])", d[1].toString());
	// Height 20 the longer side: along y.
	EXPECT_EQ("Image.draw(theme, -4, -1, 8, 32, [(0 0) (0.125 0) (0 0.5) (0.125 0.5)])", d[2].toString());
	EXPECT_EQ("Image.draw(theme, -4, -46, 8, 32, [(0 0) (0.125 0) (0 0.5) (0.125 0.5)])", d[3].toString());
	for (test::Call const& c : d)
	{
		EXPECT_EQ(150.f, c.state2D.translation.x);
		EXPECT_EQ(200.f, c.state2D.translation.y);
		EXPECT_EQ(2.f, c.state2D.scale.x);
		EXPECT_EQ(0.f, c.state2D.angle);
		EXPECT_EQ(3.f, c.state2D.pivot.x);
		EXPECT_EQ(12.f, c.state2D.pivot.y);
	}
}

TEST_F(ScriptDrawingLines, WrongTypesRaiseTheTypeCheckError)
{
	addSheet("menu", {{"big", 0, 0, 16, 16, 8, 8}});
	addComposite("pair", {{"big", 0, 0}});
	struct Case
	{
		char const* code;
		char const* message;
	} const cases[] = {
		{"drawTexturedLine2D(1, 0, 0, 1, 1, 1, 0, 0, 0, 0)", "Excepted type STRING at stack position 1 but found NUMBER"},
		{"drawTexturedLine2D('big', 0, 0, 1, 1, 1, 0, 0, 0)", "Excepted type NUMBER at stack position 10 but found INVALID"},
		{"drawTexturedLine2D('big', '0', 0, 1, 1, 1, 0, 0, 0, 0)", "Excepted type NUMBER at stack position 2 but found STRING"},
		{"drawRubberband(0, 0, 1, 1, 1, 2)", "Excepted type STRING at stack position 6 but found NUMBER"},
		{"drawRubberband(0, 0, 1, true, 1, 'big')", "Excepted type NUMBER at stack position 4 but found BOOLEAN"},
		{"drawCompoSprite(3, 1, 2)", "Excepted type STRING at stack position 1 but found NUMBER"},
		{"drawCompoSprite('pair', '1', 2)", "Excepted type NUMBER at stack position 2 but found STRING"},
		{"drawCompoSprite('pair', 1)", "Excepted type NUMBER at stack position 3 but found INVALID"},
		// Positional from position 1: no colon form, so nil at 2 is named there.
		{"drawCompoSprite('pair', nil, 1)", "Excepted type NUMBER at stack position 2 but found NIL"},
		{"this:drawCompoSprite('pair', 1, 2)", "Excepted type STRING at stack position 1 but found TABLE"},
		{"renderGravityVisualsNative('sensor', 1, 2, 3)", "Excepted type TABLE at stack position 1 but found STRING"},
		{"renderGravityVisualsNative({}, 1, 2)", "Excepted type NUMBER at stack position 4 but found INVALID"},
	};
	for (Case const& c : cases)
		EXPECT_EQ(c.message, error(c.code)) << c.code;
	EXPECT_EQ(0u, draws().size());
}

// --- Pixels on both back ends ---------------------------------------------

int const SIZE = 64;
test::RGBA const GREEN = {0, 255, 0, 255};
test::RGBA const BLUE = {0, 0, 255, 255};
test::RGBA const BLACK = {0, 0, 0, 255};
test::Backend const BACKENDS[] = {test::GLES1, test::GLES2};

/**
 * The frame of the script code run by a host on a headless 64 x 64 view of
 * the back end, with the sheet "s" over a 16 x 16 image whose top half is
 * green and bottom half blue, as the sprite "band".
 */
std::vector<unsigned char> frameOf(test::Backend const& backend, std::string const& code)
{
	test::TempFolder appData;
	io::detail::setAppdataPath(appData.path());
	std::vector<unsigned char> const frame = test::renderOn(backend, ENGINE_SHADER_DATA, SIZE, SIZE, [&code](gr::Context* ctx) {
		ctx->clear(0xFF000000, true, true, false);
		std::vector<unsigned char> px(16 * 16 * 4);
		for (int y = 0; y < 16; ++y)
			for (int x = 0; x < 16; ++x)
			{
				test::RGBA const c = y < 8 ? GREEN : BLUE;
				for (int k = 0; k < 4; ++k)
					px[(std::size_t(y) * 16 + x) * 4 + k] = (unsigned char)c[k];
			}
		lang::Ptr<gr::Image> image = ctx->createImage(16, 16, 0, gr::SurfaceFormat::SURFACE_A8B8G8R8, gr::Context::USAGE_STATIC);
		image->blt(0, 0, px.data(), 16 * 4, 0, 16, 16, gr::SurfaceFormat::SURFACE_A8B8G8R8);
		test::RecordingOS os;
		test::IdleApp app{&os};
		lang::Ptr<lua::LuaState> lua = new lua::LuaState();
		lang::Ptr<game::Resources> resources = new game::Resources(ctx);
		lang::Ptr<game::SpriteSheet> sheet = new game::SpriteSheet(image);
		sheet->createSprite("band", 0, 0, 16, 16, 0, 8);
		resources->addSpriteSheet("s", sheet);
		lang::Ptr<GameLua> host = new GameLua(&app, resources, lua, ctx);
		io::ByteArrayInputStream in(code.data(), static_cast<int>(code.size()));
		lua->compile(in, "test", host);
		ctx->flush();
	});
	io::detail::setAppdataPath("");
	return frame;
}

test::RGBA at(std::vector<unsigned char> const& f, int x, int y)
{
	std::size_t const i = (std::size_t(y) * SIZE + x) * 4;
	return {f[i], f[i + 1], f[i + 2], 255};
}

bool near(test::RGBA const& a, test::RGBA const& b)
{
	for (int k = 0; k < 3; ++k)
		if (std::abs(a[k] - b[k]) > 8)
			return false;
	return true;
}

std::string show(test::RGBA const& c)
{
	return std::to_string(c[0]) + " " + std::to_string(c[1]) + " " + std::to_string(c[2]);
}

TEST(ScriptDrawingLinesPixels, TexturedLineOnBothBackEnds)
{
	for (int b = 0; b < 2; ++b)
	{
		// Rows 27 to 36, columns 8 to 55: the sprite's top (green) above row 32.
		std::vector<unsigned char> const f = frameOf(BACKENDS[b], "drawTexturedLine2D('band', 8, 32, 56, 32, 10, 0, 0, 0, 0)");
		struct Expect
		{
			int x, y;
			test::RGBA colour;
		} const expected[] = {{32, 28, GREEN}, {10, 29, GREEN}, {53, 29, GREEN}, {32, 35, BLUE}, {10, 35, BLUE}, {53, 35, BLUE},
			{32, 25, BLACK}, {32, 38, BLACK}, {5, 32, BLACK}, {58, 32, BLACK}};
		for (Expect const& e : expected)
			EXPECT_TRUE(near(e.colour, at(f, e.x, e.y))) << "back end " << b << " at " << e.x << ", " << e.y << ": " << show(at(f, e.x, e.y));
		// A zero-length line leaves the frame black.
		std::vector<unsigned char> const none = frameOf(BACKENDS[b], "drawTexturedLine2D('band', 30, 30, 30.5, 30.5, 10, 0, 0, 0, 0)");
		for (int y = 0; y < SIZE; ++y)
			for (int x = 0; x < SIZE; ++x)
				ASSERT_TRUE(near(BLACK, at(none, x, y))) << "back end " << b << " at " << x << ", " << y;
	}
}

TEST(ScriptDrawingLinesPixels, RubberbandAlongADiagonalOnBothBackEnds)
{
	for (int b = 0; b < 2; ++b)
	{
		// From (8, 8) to (56, 56), 12 wide: the top (green) on the upper right of the diagonal.
		std::vector<unsigned char> const f = frameOf(BACKENDS[b], "drawRubberband(8, 8, 56, 56, 12, 'band')");
		int checked = 0;
		for (int y = 0; y < SIZE; ++y)
			for (int x = 0; x < SIZE; ++x)
			{
				double const cx = x + 0.5, cy = y + 0.5;
				// Across: signed distance towards the upper right; along: from the start.
				double const across = (cx - cy) / std::sqrt(2.0);
				double const along = (cx + cy - 16.0) / std::sqrt(2.0);
				double const length = 48.0 * std::sqrt(2.0);
				test::RGBA expected;
				if (along < -1.5 || along > length + 1.5 || std::abs(across) > 7.5)
					expected = BLACK;
				else if (along > 1.5 && along < length - 1.5 && across > 1.5 && across < 4.5)
					expected = GREEN;
				else if (along > 1.5 && along < length - 1.5 && across < -1.5 && across > -4.5)
					expected = BLUE;
				else
					continue;
				EXPECT_TRUE(near(expected, at(f, x, y))) << "back end " << b << " at " << x << ", " << y << ": " << show(at(f, x, y));
				++checked;
			}
		EXPECT_GT(checked, 3000);
	}
}

} // namespace
