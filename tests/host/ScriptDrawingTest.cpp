#include "SceneFixture.h"
#include <game/ResourceFixtures.h>
#include <gr/RenderState2D.h>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

namespace
{

/** The script host with a font whose glyphs (codes 32 to 126) are all 10 wide and the text set "T" (en_EN). */
class ScriptDrawingFixture : public hosttest::SceneFixture
{
protected:
	void loadTexts(std::vector<std::string> const& keys, std::vector<std::string> const& texts)
	{
		std::vector<gametest::GlyphRecord> glyphs;
		for (int c = 32; c < 127; ++c)
			glyphs.push_back({c, 0, 0, 10, 12, 10});
		bundle.write("f.png", "");
		bundle.write("f.dat", gametest::fontFile("f.png", 0, 0, glyphs));
		resources->createBitmapFont("f.dat", false);
		resources->useFont("f");
		bundle.write("T.dat", gametest::textSetFile({{"en_EN"}, keys, {texts}}));
		resources->createTextGroupSet("T.dat", false);
		resources->loadLocale("T", "en_EN");
	}

	/** clippedText's lines joined by "|", then its widest line after "=". */
	std::string clipped(std::string const& key, std::string const& maxWidth)
	{
		run("clipText('T', '" + key + "', " + maxWidth + ") s = '' for i = 1, 100000 do local l = clippedText.lines[i] "
			"if l == nil then break end s = s .. l .. '|' end");
		return eval("s .. '=' .. clippedText.widestLine");
	}
};

class ClipText : public ScriptDrawingFixture
{
};

TEST_F(ClipText, SplitsAtBreaksAndCutsWordsWiderThanALine)
{
	struct Case
	{
		char const* text;
		char const* maxWidth;
		char const* expected;
	} const cases[] = {
		{"hello world", "200", "hello world|=110"},
		{"hello world", "60", "hello|world|=50"},
		{"hello  world", "60", "hello|world|=50"},
		{"well-known", "60", "well-|known|=50"},
		{"ab\n\ncd", "100", "ab||cd|=20"},
		{"abcdefghij", "45", "abcd|efgh|ij|=40"},
		{"ab\xE2\x80\x8B" "cd", "30", "ab|cd|=20"},
		{"", "100", "=0"},
		{"abc", "0", "a|b|c|=10"},
		{"abc", "-5", "a|b|c|=10"},
		{"abc", "0/0", "a|b|c|=10"},
	};
	std::vector<std::string> keys, texts;
	for (std::size_t i = 0; i < std::size(cases); ++i)
	{
		keys.push_back("K" + std::to_string(i));
		texts.push_back(cases[i].text);
	}
	loadTexts(keys, texts);
	for (std::size_t i = 0; i < std::size(cases); ++i)
		EXPECT_EQ(cases[i].expected, clipped(keys[i], cases[i].maxWidth)) << cases[i].text << " in " << cases[i].maxWidth;
}

TEST_F(ClipText, CutsALongUnbrokenWordIntoFullLines)
{
	loadTexts({"LONG"}, {std::string(5000, 'a')});
	run("clipText('T', 'LONG', 105)");
	EXPECT_EQ("500", eval("#clippedText.lines"));
	EXPECT_EQ(std::string(10, 'a'), eval("clippedText.lines[500]"));
	EXPECT_EQ("100", eval("clippedText.widestLine"));
}

class ScriptDrawing : public ScriptDrawingFixture
{
};

TEST_F(ScriptDrawing, SetRenderStateWritesTheGivenFields)
{
	struct Case
	{
		char const* args;
		float sx, angle, px, alpha;
	} const cases[] = {
		{"10, 20", 3.f, 0.25f, 4.f, 0.5f},
		{"10, 20, 2, 2", 2.f, 0.25f, 4.f, 0.5f},
		{"10, 20, 2, 2, 1", 2.f, 1.f, 4.f, 0.5f},
		{"10, 20, 2, 2, 1, 7, 8", 2.f, 1.f, 7.f, 0.5f},
		{"10, 20, 2, 2, 1, 7, 8, 0.75", 2.f, 1.f, 7.f, 0.75f},
	};
	for (Case const& c : cases)
	{
		gr::RenderState2D& rs = context->getRenderState2D();
		rs = gr::RenderState2D();
		rs.scale = math::float2(3.f, 3.f);
		rs.angle = 0.25f;
		rs.pivot = math::float2(4.f, 4.f);
		rs.alpha = 0.5f;
		run(std::string("setRenderState(") + c.args + ")");
		EXPECT_EQ(10.f, rs.translation.x) << c.args;
		EXPECT_EQ(20.f, rs.translation.y) << c.args;
		EXPECT_EQ(c.sx, rs.scale.x) << c.args;
		EXPECT_FLOAT_EQ(c.angle, rs.angle) << c.args;
		EXPECT_EQ(c.px, rs.pivot.x) << c.args;
		EXPECT_EQ(c.alpha, rs.alpha) << c.args;
	}
	context->getRenderState2D().translation = math::float2(1.f, 1.f);
	EXPECT_EQ("setRenderState: 1 arguments (2 to 8 wanted)", error("setRenderState(5)"));
	EXPECT_EQ("setRenderState: 9 arguments (2 to 8 wanted)", error("setRenderState(1, 2, 3, 4, 5, 6, 7, 8, 9)"));
	EXPECT_EQ(1.f, context->getRenderState2D().translation.x);
}

TEST_F(ScriptDrawing, LinesAndRectanglesClampColoursAndTruncateCoordinates)
{
	run("drawLine2D(1.9, 2, 30, 40.5, 3, 300, -4, 0/0, 128)");
	run("drawRectLines(0, 0, 10, 20, 1, 255, 0, 0, 255)");
	run("drawRect(1, 0.5, 2, -1, 30, 40, 10, 20, false)");
	std::vector<test::Call> lines = context->callsOf("drawLine2D");
	ASSERT_EQ(5u, lines.size());
	EXPECT_EQ("drawLine2D(0x80FF0000, 1, 2, 30, 40, 3)", lines[0].toString());
	EXPECT_EQ("drawLine2D(0xFFFF0000, 0, 0, 10, 0, 1)", lines[1].toString());
	EXPECT_EQ("drawLine2D(0xFFFF0000, 10, 0, 10, 20, 1)", lines[4].toString());
	std::vector<test::Call> rects = context->callsOf("fillRect2D");
	ASSERT_EQ(1u, rects.size());
	EXPECT_EQ("fillRect2D(0x00FF7FFF, 10, 20, 20, 20)", rects[0].toString());

	// keepState keeps the state; otherwise the default is set first.
	context->getRenderState2D().translation = math::float2(5.f, 5.f);
	run("drawRect(1, 1, 1, 1, 0, 0, 1e30, 1, true)");
	rects = context->callsOf("fillRect2D");
	EXPECT_EQ(5.f, rects.back().state2D.translation.x);
	EXPECT_EQ("fillRect2D(0xFFFFFFFF, 0, 0, 2147483647, 1)", rects.back().toString());
	run("drawRect(1, 1, 1, 1, 0, 0, 1, 1)");
	EXPECT_EQ(0.f, context->callsOf("fillRect2D").back().state2D.translation.x);
}

TEST_F(ScriptDrawing, TexturedRectFollowsTheViewAndSkipsUnknownSprites)
{
	addSheet("ground", {{"dirt", 16, 8, 16, 16, 0, 0}});
	context->getRenderState2D().translation = math::float2(5.f, 5.f);
	run("setTopLeft(100, 50) drawTexturedRect('dirt', 0, 10, 64, 42, true)");
	run("setTopLeft(110, 50) drawTexturedRect('dirt', 0, 10, 64, 42, true)");
	run("drawTexturedRect('none', 0, 10, 64, 42, true)");
	std::vector<test::Call> const rects = context->callsOf("texturizeRect2D");
	ASSERT_EQ(2u, rects.size());
	EXPECT_EQ("texturizeRect2D(ground, (64 64 84 42), 0, 10, 64, 32)", rects[0].toString());
	EXPECT_EQ("texturizeRect2D(ground, (64 64 94 42), 0, 10, 64, 32)", rects[1].toString());
	EXPECT_EQ(0.f, rects[0].state2D.translation.x);
}

TEST_F(ScriptDrawing, SelectedTexturizedObjectDrawsOneMaskedImageAtOnce)
{
	addSheet("stone", {{"tile", 0, 0, 64, 64, 0, 0}});
	addSheet("blocks", {{"round", 0, 0, 32, 32, 16, 16}});
	run("setTopLeft(10, 20) setWorldScale(2) drawSelectedTexturizedObject('stone', 'round', 1, 1, 100, 100)");
	EXPECT_EQ(1, context->count("Primitive.render"));
	gr::RenderState2D const& rs = context->getRenderState2D();
	EXPECT_EQ(-10.f, rs.translation.x);
	EXPECT_EQ(2.f, rs.scale.x);
	run("drawSelectedTexturizedObject('stone', 'round', 0, 1, 100, 100)");
	run("drawSelectedTexturizedObject('none', 'round', 1, 1, 100, 100)");
	run("drawSelectedTexturizedObject('stone', 'none', 1, 1, 100, 100)");
	run("renderMaskedImageNative('stone', 1, 2, 3, 4, 5, 6, 7, 8, 9)");
	EXPECT_EQ(1, context->count("Primitive.render"));
}

TEST_F(ScriptDrawing, RandomArgumentsReturnOrRaise)
{
	addSheet("stone", {{"tile", 0, 0, 64, 64, 0, 0}, {"round", 0, 0, 32, 32, 16, 16}});
	addComposite("pair", {{"tile", 0, 0}, {"round", 10, -4}});
	loadTexts({"K"}, {"some text - with\nbreaks"});
	run("blocks = { W = { type = 'circle' }, B = { type = 'box' } }");
	char const* const values[] = {"nil", "'x'", "'tile'", "'round'", "'stone'", "'T'", "'K'", "{}", "true", "0/0", "1/0",
		"-1/0", "0", "-1", "1e30", "0.5", "255", "3", "'pair'", "this",
		"{ sensorType = 'g', addVisualTimer = 0, active = true, definition = 'W', radius = 9, width = 3, height = 1,"
		" gravityVisuals = { { scale = 1, x = 0, y = 0, pos = 1, sprite = 'round' } } }",
		"{ sensorType = 'g', addVisualTimer = 0, active = true, definition = 'B', gravityVisuals = { { pos = 1, sprite = 'round' } } }"};
	char const* const functions[] = {"setRenderState", "drawLine2D", "drawRectLines", "drawRect", "drawTexturedRect",
		"drawSelectedTexturizedObject", "clipText", "renderMaskedImageNative", "drawTexturedLine2D", "drawCompoSprite",
		"drawRubberband", "renderGravityVisualsNative"};
	std::mt19937 random(25);
	for (int round = 0; round < 400; ++round)
	{
		std::string call = std::string(functions[random() % std::size(functions)]) + "(";
		int const count = int(random() % 11);
		for (int i = 0; i < count; ++i)
			call += std::string(i ? ", " : "") + values[random() % std::size(values)];
		call += ")";
		failure(call);
	}
	SUCCEED();
}

} // namespace
