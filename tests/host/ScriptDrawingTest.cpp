#include "SceneFixture.h"
#include <game/ResourceFixtures.h>
#include <gr/RenderState2D.h>
#include <gtest/gtest.h>
#include <cmath>
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

	/** Each Image.draw so far as "image x y width height". */
	std::vector<std::string> placements() const
	{
		std::vector<std::string> out;
		for (test::Call const& c : draws())
			out.push_back(c.args[0] + " " + c.args[1] + " " + c.args[2] + " " + c.args[3] + " " + c.args[4]);
		return out;
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
	run("drawRect(1, 1, 1, 1, 0, 0, 1, 1, false)");
	EXPECT_EQ(0.f, context->callsOf("fillRect2D").back().state2D.translation.x);
}

TEST_F(ScriptDrawing, RectanglesTakeExactlyTheirTypes)
{
	addSheet("ground", {{"dirt", 16, 8, 16, 16, 0, 0}});
	struct Case
	{
		char const* code;
		char const* message;
	} const cases[] = {
		// keepState is a boolean like any other: nil, nothing or a number is refused.
		{"drawRect(1, 1, 1, 1, 0, 0, 1, 1)", "Excepted type BOOLEAN at stack position 9 but found INVALID"},
		{"drawRect(1, 1, 1, 1, 0, 0, 1, 1, nil)", "Excepted type BOOLEAN at stack position 9 but found NIL"},
		{"drawRect(1, 1, 1, 1, 0, 0, 1, 1, 1)", "Excepted type BOOLEAN at stack position 9 but found NUMBER"},
		{"drawRect(1, 1, 1, '1', 0, 0, 1, 1, true)", "Excepted type NUMBER at stack position 4 but found STRING"},
		// Six parameters, the sixth a boolean that is not read.
		{"drawTexturedRect('dirt', 0, 10, 64, 42)", "Excepted type BOOLEAN at stack position 6 but found INVALID"},
		{"drawTexturedRect('dirt', 0, 10, 64, 42, 'yes')", "Excepted type BOOLEAN at stack position 6 but found STRING"},
		{"drawTexturedRect('dirt', 0, 10, 64, nil, true)", "Excepted type NUMBER at stack position 5 but found NIL"},
	};
	for (Case const& c : cases)
		EXPECT_EQ(c.message, error(c.code)) << c.code;
	EXPECT_TRUE(context->callsOf("fillRect2D").empty());
	EXPECT_TRUE(context->callsOf("texturizeRect2D").empty());
	run("drawTexturedRect('dirt', 0, 10, 64, 42, false)");
	EXPECT_EQ(1u, context->callsOf("texturizeRect2D").size());
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

TEST_F(ScriptDrawing, UITextPlacesTheElementByItsFieldsAndTheArguments)
{
	// Glyphs 10 wide, ascent 10, descent 2: "AB" is 20 wide and drawn from
	// its top-left at TOP/LEFT.
	loadTexts({"K"}, {"AB"});
	std::string const element = "{ visible = true, font = 'f', group = 'T', text = 'K', x = 40, y = 20, scaleX = 2, scaleY = 2";
	struct Case
	{
		char const* fields;
		char const* args;
		char const* first;
		float scaleX;
	} const cases[] = {
		{"", "", "f.png 20 10 10 12", 2.f},
		{"", ", 10, 0, 2, 1", "f.png 12.5 10 10 12", 4.f},
		{", floorCoordinates = true", ", 10, 0, 2, 1", "f.png 12 10 10 12", 4.f},
		{", floorCoordinates = true", ", -43, -21", "f.png -2 -1 10 12", 2.f},
		{", hanchor = 'RIGHT', vanchor = 'BOTTOM'", "", "f.png 0 -2 10 12", 2.f},
		{", hanchor = 'HCENTER', vanchor = 'VCENTER'", ", nil, nil, nil, nil, nil, nil", "f.png 10 4 10 12", 2.f},
		{", vanchor = 'BASELINE', hanchor = 'HPIVOT'", "", "f.png 20 0 10 12", 2.f},
	};
	for (Case const& c : cases)
	{
		context->clearCalls();
		run(std::string("drawUITextNative(") + element + c.fields + " }" + c.args + ")");
		std::vector<std::string> const drawn = placements();
		ASSERT_EQ(2u, drawn.size()) << c.fields << c.args;
		EXPECT_EQ(c.first, drawn[0]) << c.fields << c.args;
		EXPECT_EQ(c.scaleX, draws()[0].state2D.scale.x) << c.fields << c.args;
	}

	// Angle, pivot and an alpha below 1 reach the state; the alpha goes back.
	context->getRenderState2D().alpha = 0.75f;
	context->clearCalls();
	run("drawUITextNative(" + element + ", rotationPivotX = 3, rotationPivotY = 4 }, 0, 0, 1, 1, 0.5, 0.25)");
	ASSERT_FALSE(draws().empty());
	gr::RenderState2D const drawnState = draws()[0].state2D;
	EXPECT_FLOAT_EQ(0.5f, drawnState.angle);
	EXPECT_FLOAT_EQ(std::cos(0.5f), drawnState.rotation[0]);
	EXPECT_EQ(3.f, drawnState.pivot.x);
	EXPECT_EQ(4.f, drawnState.pivot.y);
	EXPECT_EQ(0.25f, drawnState.alpha);
	EXPECT_EQ(0.75f, context->getRenderState2D().alpha);
	// An alpha of 1 or more leaves the factor; a pivot needs both numbers.
	context->clearCalls();
	run("drawUITextNative(" + element + ", rotationPivotX = 3 }, 0, 0, 1, 1, 0, 2)");
	EXPECT_EQ(0.75f, draws()[0].state2D.alpha);
	EXPECT_EQ(0.f, draws()[0].state2D.pivot.x);
}

TEST_F(ScriptDrawing, UITextDrawsNothingForHiddenElementsAndUnusableScales)
{
	loadTexts({"K"}, {"AB"});
	char const* const elements[] = {
		"{ font = 'f', group = 'T', text = 'K', scaleX = 1, scaleY = 1 }",
		"{ visible = false, font = 'f', group = 'T', text = 'K', scaleX = 1, scaleY = 1 }",
		"{ visible = true, font = 'f', group = 'T', text = 'K', scaleY = 1 }",
		"{ visible = true, font = 'f', group = 'T', text = 'K', scaleX = 1, scaleY = 1/0 }",
		"{ visible = true, font = 'f', group = 'T', text = 'K', scaleX = 1, scaleY = 1, x = 0/0 }",
	};
	for (char const* element : elements)
	{
		run(std::string("drawUITextNative(") + element + ")");
		run(std::string("drawUITextNative(") + element + ", 0, 0, 1, 1, 1/0)");
	}
	run("drawUITextNative({ visible = true, font = 'f', group = 'T', text = 'K', scaleX = 1, scaleY = 1 }, 0, 0, 0, 1)");
	EXPECT_EQ(0u, draws().size());
	EXPECT_EQ(1.f, context->getRenderState2D().alpha);

	// Without a font name (or with one that is no string) the element uses FONT_BASIC_SPACE.
	bundle.write("FONT_BASIC_SPACE.dat", gametest::fontFile("f.png", 0, 0, {{65, 0, 0, 10, 12, 10}}));
	resources->createBitmapFont("FONT_BASIC_SPACE.dat", false);
	run("drawUITextNative({ visible = true, font = {}, group = 'T', text = 'K', scaleX = 1, scaleY = 1 })");
	EXPECT_EQ(1u, draws().size());
	EXPECT_EQ("FONT_BASIC_SPACE", resources->getCurrentFontName());
}

TEST_F(ScriptDrawing, UITextWithAnUnknownFontDrawsWithTheCurrentOne)
{
	loadTexts({"K"}, {"AB"});
	// FONT_BASIC_SPACE is not loaded either: "f" stays current for both.
	run("drawUITextNative({ visible = true, font = 'none', group = 'T', text = 'K', scaleX = 1, scaleY = 1 })");
	run("drawUITextNative({ visible = true, group = 'T', text = 'K', scaleX = 1, scaleY = 1 })");
	EXPECT_EQ("f", resources->getCurrentFontName());
	EXPECT_EQ((std::vector<std::string>{"f.png 0 0 10 12", "f.png 10 0 10 12", "f.png 0 0 10 12", "f.png 10 0 10 12"}), placements());
}

TEST_F(ScriptDrawing, UITextClippedCallsEachEntrysDrawUnderTheAlpha)
{
	loadTexts({"K"}, {"AB"});
	// Each entry logs its arguments and fills a rectangle in the state as it is.
	run("calls = {}\n"
		"local function draw(self, x, y, sx, sy, angle)\n"
		"  calls[#calls + 1] = self.name .. ' ' .. x .. ' ' .. y .. ' ' .. sx .. ' ' .. sy .. ' ' .. angle\n"
		"  drawRect(1, 1, 1, 1, 0, 0, 1, 1, true)\n"
		"end\n"
		"local inherited = _G.setmetatable({ name = 'second' }, { __index = { draw = draw } })\n"
		"element = { visible = true, clipped = true, font = 'f', x = 5, y = 6, scaleX = 2, scaleY = 3,\n"
		"  lines = { { name = 'first', draw = draw }, inherited, nil, { name = 'after a gap', draw = draw } } }");
	context->getRenderState2D().alpha = 0.75f;
	run("drawUITextNative(element, 1, 2, 0.5, 1, 0.25, 0.5)");
	EXPECT_EQ("2", eval("#calls"));
	EXPECT_EQ("first 6 8 1 3 0.25", eval("calls[1]"));
	EXPECT_EQ("second 6 8 1 3 0.25", eval("calls[2]"));
	std::vector<test::Call> const fills = context->callsOf("fillRect2D");
	ASSERT_EQ(2u, fills.size());
	EXPECT_EQ(0.5f, fills[0].state2D.alpha);
	EXPECT_EQ(0.75f, context->getRenderState2D().alpha);

	// Without the alpha argument the factor stays; with only the element the placement is its own.
	run("calls = {} drawUITextNative(element)");
	EXPECT_EQ("first 5 6 2 3 0", eval("calls[1]"));
	EXPECT_EQ(0.75f, context->callsOf("fillRect2D").back().state2D.alpha);

	// An entry that raises, or one that is no table, stops the call; the alpha goes back.
	EXPECT_NE(std::string::npos, error("drawUITextNative({ visible = true, clipped = true, font = 'f', scaleX = 1, scaleY = 1,"
									  " lines = { { draw = function() _G.error('broken') end } } }, 0, 0, 1, 1, 0, 0.1)").find("broken"));
	EXPECT_EQ(0.75f, context->getRenderState2D().alpha);
	EXPECT_NE("", error("drawUITextNative({ visible = true, clipped = true, font = 'f', lines = { 'text' } }, 0, 0, 1, 1, 0, 0.1)"));
	EXPECT_EQ(0.75f, context->getRenderState2D().alpha);
	// No lines: nothing to call.
	EXPECT_EQ("", error("drawUITextNative({ visible = true, clipped = true, font = 'f' })"));
	EXPECT_EQ(0u, draws().size());
}

TEST_F(ScriptDrawing, UITextRejectsWrongTypesAndUnknownAnchors)
{
	loadTexts({"K"}, {"AB"});
	std::string const element = "{ visible = true, font = 'f', group = 'T', text = 'K', scaleX = 1, scaleY = 1";
	EXPECT_EQ("Excepted type TABLE at stack position 1 but found STRING", error("drawUITextNative('element')"));
	EXPECT_EQ("Excepted type TABLE at stack position 1 but found INVALID", error("drawUITextNative()"));
	EXPECT_EQ("Excepted type NUMBER at stack position 3 but found STRING", error("drawUITextNative(" + element + " }, 1, '2')"));
	EXPECT_EQ("Excepted type NUMBER at stack position 7 but found BOOLEAN",
		error("drawUITextNative(" + element + " }, 1, 2, 1, 1, 0, true)"));
	EXPECT_EQ("Invalid anchor: middle", error("drawUITextNative(" + element + ", vanchor = 'middle' })"));
	EXPECT_EQ("Invalid anchor: 2", error("drawUITextNative(" + element + ", hanchor = 2 })"));
	EXPECT_EQ(0u, draws().size());
}

TEST_F(ScriptDrawing, String3DDrawsOnATiltedPlaneAndRestoresTheState)
{
	loadTexts({"K"}, {"A"});
	gr::RenderState2D& rs = context->getRenderState2D();
	rs.alpha = 0.75f;
	run("drawString3D('T', 'K', 1, 2, 3, 0.5, 10, 20, 0.25)");
	std::vector<test::Call> const drawn = draws();
	ASSERT_EQ(1u, drawn.size());
	EXPECT_EQ("f.png 10 20 10 12", placements()[0]);
	gr::RenderState2D const& at = drawn[0].state2D;
	EXPECT_TRUE(at.worldSpace);
	EXPECT_EQ(0.25f, at.alpha);
	EXPECT_EQ(1.f, at.transform(0, 3));
	EXPECT_EQ(2.f, at.transform(1, 3));
	EXPECT_EQ(3.f, at.transform(2, 3));
	EXPECT_FLOAT_EQ(1.f, at.transform(0, 0));
	EXPECT_FLOAT_EQ(std::cos(0.5f), at.transform(1, 1));
	EXPECT_FLOAT_EQ(-std::sin(0.5f), at.transform(1, 2));
	EXPECT_FLOAT_EQ(std::sin(0.5f), at.transform(2, 1));
	std::vector<std::string> ops = context->ops();
	std::vector<std::string> const expected = {"flush", "setPerspectiveProjection", "Image.draw", "flush", "setProjection"};
	EXPECT_EQ(expected, std::vector<std::string>(ops.end() - 5, ops.end()));
	EXPECT_EQ("setPerspectiveProjection(-1.5, 0.001, 2000, -1.33)", context->callsOf("setPerspectiveProjection")[0].toString());

	auto restored = [&](char const* what) {
		EXPECT_EQ(0.75f, rs.alpha) << what;
		EXPECT_FALSE(rs.worldSpace) << what;
		for (int i = 0; i < math::float4x4::SIZE; ++i)
		{
			EXPECT_EQ(i % 5 == 0 ? 1.f : 0.f, rs.transform[i]) << what;
			EXPECT_EQ(i % 5 == 0 ? 1.f : 0.f, context->projectionTransform()[i]) << what;
		}
	};
	restored("drawn");
	// The state goes back as it was also when the draw fails.
	resources->useLocale("de_DE");
	EXPECT_NE("", error("drawString3D('T', 'K', 1, 2, 3, 0.5, 10, 20, 0.25)"));
	restored("no texts");
	EXPECT_EQ("Excepted type NUMBER at stack position 9 but found INVALID", error("drawString3D('T', 'K', 1, 2, 3, 0.5, 10, 20)"));
	EXPECT_EQ("Excepted type STRING at stack position 1 but found NUMBER", error("drawString3D(1, 'K', 1, 2, 3, 0.5, 10, 20, 1)"));
	EXPECT_EQ(1u, draws().size());
}

TEST_F(ScriptDrawing, String3DWithoutAFontFailsAndRestoresTheState)
{
	gr::RenderState2D& rs = context->getRenderState2D();
	rs.alpha = 0.75f;
	EXPECT_EQ("No font is set while trying to draw string", error("drawString3D('T', 'K', 1, 2, 3, 0.5, 10, 20, 0.25)"));
	EXPECT_EQ(0.75f, rs.alpha);
	EXPECT_FALSE(rs.worldSpace);
	EXPECT_EQ(0.f, rs.transform(0, 3));
	EXPECT_EQ(0.f, context->projectionTransform()(3, 2));
	EXPECT_EQ("setProjection", context->ops().back());
}

/** A nine-part box sheet: corners 4 x 4, edges 4 thick (the top 3), a centre. */
class ScriptDrawingBox : public ScriptDrawingFixture
{
protected:
	void SetUp() override
	{
		addSheet("box", {{"tl", 0, 0, 4, 3, 1, 1}, {"tm", 4, 0, 8, 3, 0, 0}, {"tr", 12, 0, 4, 3, 0, 0}, {"l", 0, 4, 4, 8, 0, 0},
			{"c", 4, 4, 8, 8, 0, 0}, {"r", 12, 4, 4, 8, 0, 0}, {"bl", 0, 12, 4, 4, 0, 0}, {"bm", 4, 12, 8, 4, 0, 0},
			{"br", 12, 12, 4, 4, 0, 0}});
		run("parts = { topLeft = 'tl', topMiddle = 'tm', topRight = 'tr', left = 'l', center = 'c', right = 'r',"
			" bottomLeft = 'bl', bottomMiddle = 'bm', bottomRight = 'br' }");
	}
};

TEST_F(ScriptDrawingBox, PartsFrameTheInterior)
{
	// Box 10, 20, 40 x 30: interior 14, 23, 32 x 23.
	run("drawBoxNative(parts, 10, 20, 40, 30, 'LEFT', 'TOP')");
	std::vector<std::string> const expected = {"box 14 20 32 3", "box 14 46 32 4", "box 10 23 4 23", "box 46 23 4 23",
		"box 10 20 4 3", "box 46 20 4 3", "box 10 46 4 4", "box 46 46 4 4", "box 14 23 32 23"};
	EXPECT_EQ(expected, placements());

	// Anchors move the box by half or all of its size; corners land on whole pixels.
	struct Case
	{
		char const* args;
		char const* topMiddle;
		char const* topLeft;
	} const cases[] = {
		{"10, 20, 40, 30, 'HCENTER', 'VCENTER'", "box -6 5 32 3", "box -10 5 4 3"},
		{"10, 20, 40, 30, 'RIGHT', 'BOTTOM'", "box -26 -10 32 3", "box -30 -10 4 3"},
		{"10.5, 20.5, 40, 30, 'HPIVOT', 'BASELINE'", "box 14.5 20.5 32 3", "box 10 20 4 3"},
		{"10, 20, 8, 7, 'LEFT', 'TOP'", "box 14 20 0 3", "box 10 20 4 3"},
	};
	for (Case const& c : cases)
	{
		context->clearCalls();
		run(std::string("drawBoxNative(parts, ") + c.args + ")");
		std::vector<std::string> const drawn = placements();
		ASSERT_EQ(9u, drawn.size()) << c.args;
		EXPECT_EQ(c.topMiddle, drawn[0]) << c.args;
		EXPECT_EQ(c.topLeft, drawn[4]) << c.args;
	}
}

TEST_F(ScriptDrawingBox, ColourFillsTheInteriorInTheDefaultState)
{
	context->getRenderState2D().translation = math::float2(5.f, 5.f);
	run("drawBoxNative(parts, 10, 20, 40, 30, 'LEFT', 'TOP', { red = 0.5, green = 2, blue = 0/0 })");
	EXPECT_EQ(8u, draws().size());
	EXPECT_EQ(5.f, draws()[0].state2D.translation.x);
	std::vector<test::Call> const fills = context->callsOf("fillRect2D");
	ASSERT_EQ(1u, fills.size());
	EXPECT_EQ("fillRect2D(0xFF7FFF00, 14, 23, 32, 23)", fills[0].toString());
	EXPECT_EQ(0.f, fills[0].state2D.translation.x);
	run("drawBoxNative(parts, 10, 20, 40, 30, 'LEFT', 'TOP', { alpha = -1 })");
	EXPECT_EQ("fillRect2D(0x00FFFFFF, 14, 23, 32, 23)", context->callsOf("fillRect2D").back().toString());
	// nil is no colour: the centre part.
	context->clearCalls();
	run("drawBoxNative(parts, 10, 20, 40, 30, 'LEFT', 'TOP', nil)");
	EXPECT_EQ(9u, draws().size());
	EXPECT_EQ(0, context->count("fillRect2D"));
}

TEST_F(ScriptDrawingBox, MissingPartsAndSmallBoxesDrawLessOrNothing)
{
	// Absent and unknown parts have no size and draw nothing.
	run("drawBoxNative({ topMiddle = 'tm', left = 'none', center = 'c' }, 10, 20, 40, 30, 'LEFT', 'TOP')");
	std::vector<std::string> const expected = {"box 10 20 40 3", "box 10 23 40 27"};
	EXPECT_EQ(expected, placements());

	context->clearCalls();
	char const* const boxes[] = {"10, 20, 7, 30", "10, 20, 40, 6", "10, 20, 0/0, 30", "10, 1/0, 40, 30", "-1/0, 20, 40, 30"};
	for (char const* box : boxes)
		run(std::string("drawBoxNative(parts, ") + box + ", 'LEFT', 'TOP', { red = 1 })");
	EXPECT_EQ(0u, draws().size());
	EXPECT_EQ(0, context->count("fillRect2D"));

	// A released sheet's parts are gone.
	resources->releaseSpriteSheet("box");
	run("drawBoxNative(parts, 10, 20, 40, 30, 'LEFT', 'TOP')");
	EXPECT_EQ(0u, draws().size());
}

TEST_F(ScriptDrawingBox, RejectsWrongTypesAndUnknownAnchors)
{
	struct Case
	{
		char const* args;
		char const* message;
	} const cases[] = {
		{"'parts', 10, 20, 40, 30, 'LEFT', 'TOP'", "Excepted type TABLE at stack position 1 but found STRING"},
		{"parts, '10', 20, 40, 30, 'LEFT', 'TOP'", "Excepted type NUMBER at stack position 2 but found STRING"},
		{"parts, 10, 20, 40, 30, nil, 'TOP'", "Excepted type STRING at stack position 6 but found NIL"},
		{"parts, 10, 20, 40, 30, 'LEFT', 2", "Excepted type STRING at stack position 7 but found NUMBER"},
		{"parts, 10, 20, 40, 30, 'LEFT', 'TOP', 'red'", "Excepted type TABLE at stack position 8 but found STRING"},
		{"parts, 10, 20, 40, 30, 'CENTER', 'TOP'", "Invalid anchor: CENTER"},
		{"parts, 10, 20, 40, 30, 'LEFT', 'bottom'", "Invalid anchor: bottom"},
	};
	for (Case const& c : cases)
		EXPECT_EQ(c.message, error(std::string("drawBoxNative(") + c.args + ")")) << c.args;
	EXPECT_EQ(0u, draws().size());
}

TEST_F(ScriptDrawing, RandomArgumentsReturnOrRaise)
{
	addSheet("stone", {{"tile", 0, 0, 64, 64, 0, 0}, {"round", 0, 0, 32, 32, 16, 16}});
	addComposite("pair", {{"tile", 0, 0}, {"round", 10, -4}});
	loadTexts({"K"}, {"some text - with\nbreaks"});
	run("blocks = { W = { type = 'circle' }, B = { type = 'box' } }");
	char const* const values[] = {"nil", "'x'", "'tile'", "'round'", "'stone'", "'T'", "'K'", "{}", "true", "0/0", "1/0",
		"-1/0", "0", "-1", "1e30", "0.5", "255", "3", "'pair'", "this",
		("{ sensorType = 'g', addVisualTimer = 0, active = true, definition = 'W', radius = 9, width = 3, height = 1,"
		 " gravityVisuals = { { scale = 1, x = 0, y = 0, pos = 1, sprite = 'round' } } }"),
		"{ sensorType = 'g', addVisualTimer = 0, active = true, definition = 'B', gravityVisuals = { { pos = 1, sprite = 'round' } } }",
		"'HCENTER'", "{ red = 2 }",
		"{ visible = true, font = 'f', group = 'T', text = 'K', scaleX = 1, scaleY = 0/0, hanchor = 'RIGHT' }",
		"{ visible = true, font = 'f', clipped = true, lines = { {}, 1 } }", "{ topMiddle = 'tile', left = 'round', center = 'tile' }"};
	char const* const functions[] = {"setRenderState", "drawLine2D", "drawRectLines", "drawRect", "drawTexturedRect",
		"drawSelectedTexturizedObject", "clipText", "renderMaskedImageNative", "drawTexturedLine2D", "drawCompoSprite",
		"drawRubberband", "renderGravityVisualsNative", "drawString3D", "drawUITextNative", "drawBoxNative"};
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
