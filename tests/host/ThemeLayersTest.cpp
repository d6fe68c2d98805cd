// Themes from script text on the recording context: loading the layers,
// layer numbers, theme sprites, band keeping and wraps, animations in the
// frame step, the ground fill and the foreground repetition, and random
// hostile input.
#include "SceneFixture.h"
#include <host/Themes.h>
#include <lang/Throwable.h>
#include <gtest/gtest.h>
#include <cmath>
#include <random>
#include <string>
#include <vector>

namespace
{

using hosttest::SceneFixture;

char const* const THEME = "themes = { day = {\n"
						  "  skyColor = { r = 10, g = 20, b = 30 }, groundColor = { r = 300, g = -5, b = 12.7 },\n"
						  "  bgLayers = {\n"
						  "    { sprite = 'sky', parallaxSpeed = 0.5, zDistance = 0.25, scale = 2, bLoop = false, offsetY = 3 },\n"
						  "    { sprite = '', velX = 4, xMult = 2 },\n"
						  "    [4] = { sprite = 'sky' },\n"
						  "  },\n"
						  "  fgLayers = { { 'hills', 'hill', 0.5, 1, 128, velX = 1, bgLayer = true } },\n"
						  "} }\n"
						  "screen = { x = 0, y = 0 }\n";

class ThemeLayers : public SceneFixture
{
protected:
	void SetUp() override
	{
		addSheet("L", {{"sky", 0, 0, 64, 32, 0, 0}, {"hill", 0, 32, 64, 16, 0, 8}});
		addSheet("M", {{"cloud", 0, 0, 8, 8, 4, 4}, {"f1", 8, 0, 8, 8, 4, 4}, {"f2", 16, 0, 8, 8, 4, 4}});
	}

	std::vector<host::ThemeLayerData> const& bg() { return host().themes().backgroundLayers(); }
	std::vector<host::ThemeLayerData> const& fg() { return host().themes().foregroundLayers(); }

	/** The names of a layer's theme sprites, in order. */
	std::vector<std::string> names(host::ThemeLayerData const& layer)
	{
		std::vector<std::string> n;
		for (host::ThemeSpriteData const& s : layer.sprites)
			n.push_back(s.name);
		return n;
	}
};

TEST_F(ThemeLayers, SetThemeReadsLayersAndKeepsTheOldThemeOnFailure)
{
	run(THEME);
	run("setTheme('day')");
	ASSERT_EQ(2u, bg().size()); // entry 3 is missing: entry 4 is not read
	host::ThemeLayerData const& sky = bg()[0];
	EXPECT_EQ("sky", sky.sprite);
	EXPECT_EQ(64, sky.width);
	EXPECT_EQ(32, sky.height);
	EXPECT_EQ(0.5f, sky.parallax);
	EXPECT_EQ(0.25f, sky.zDistance);
	EXPECT_EQ(2, sky.scale);
	EXPECT_FALSE(sky.loop);
	EXPECT_EQ(3, sky.offsetY);
	EXPECT_FALSE(sky.noSprite);
	EXPECT_TRUE(bg()[1].noSprite);
	EXPECT_EQ(1, bg()[1].scale);
	EXPECT_EQ(1, bg()[1].yMult);
	EXPECT_EQ(2, bg()[1].xMult);
	EXPECT_TRUE(bg()[1].loop);
	ASSERT_EQ(1u, fg().size());
	EXPECT_EQ("hills", fg()[0].name);
	EXPECT_EQ("hill", fg()[0].sprite);
	EXPECT_EQ(0.5f, fg()[0].parallax);
	EXPECT_EQ(128, fg()[0].scrollSpeed);
	EXPECT_EQ(8, fg()[0].pivotY);
	EXPECT_TRUE(fg()[0].bgLayer);

	// Bad themes raise and the old one stays.
	char const* const bad[] = {
		"setTheme('night')",
		"themes.bad = { skyColor = 1 } setTheme('bad')",
		"themes.bad = { skyColor = { r = 1, g = 2, b = 3 } } setTheme('bad')",
		"themes.bad = { skyColor = { r = 1, g = 2, b = 3 }, groundColor = {}, bgLayers = 5 } setTheme('bad')",
		"setTheme(5)",
		"themes = nil setTheme('day')",
	};
	for (char const* code : bad)
	{
		EXPECT_NE("", error(code)) << code;
		EXPECT_EQ(2u, bg().size()) << code;
		EXPECT_EQ(1u, fg().size()) << code;
	}
}

TEST_F(ThemeLayers, LayerNumbersAndThemeSprites)
{
	run(THEME);
	run("setTheme('day')\n"
		"createThemeSprite('a', 'cloud', 1, 2, 1, 1, 0, 2, 0, false, 0, 0)\n"     // first foreground layer
		"createThemeSprite('b', 'cloud', 1, 2, 1, 1, 0, 1.9, 0, false, 0, 0)\n"   // second background layer
		"createThemeSprite('b', 'cloud', 5, 6, 1, 1, 0, 1, 0, false, 0, 0)\n"     // its second 'b'
		"createThemeSprite('c', 'cloud', 1, 2, 1, 1, 0, 0/0, 0, false, 0, 0)\n"   // NaN: layer 0
		"createThemeSprite('h', 'cloud', 1, 2, 1, 1, 0, -0.5, 0, false, 0, 0)\n"   // truncated toward zero: layer 0
		"for _, n in _G.ipairs({ -1, 3, 1e30, -1/0, 1/0 }) do\n"
		"  createThemeSprite('x', 'cloud', 1, 2, 1, 1, 0, n, 0, false, 0, 0)\n"
		"  createThemeAnimation({ layer = n, name = 'x' })\n"
		"end\n");
	EXPECT_EQ(std::vector<std::string>{"a"}, names(fg()[0]));
	EXPECT_EQ((std::vector<std::string>{"b", "b"}), names(bg()[1]));
	EXPECT_EQ((std::vector<std::string>{"c", "h"}), names(bg()[0]));

	// Only the first of two sprites of one name is changed or removed.
	run("modifyThemeSprite('b', 7, 8, 2, 3, 0.5, 1) setThemeSprite('b', 'f1', 1)");
	EXPECT_EQ(7, bg()[1].sprites[0].x);
	EXPECT_EQ(3, bg()[1].sprites[0].scaleY);
	EXPECT_EQ("f1", bg()[1].sprites[0].spriteName);
	EXPECT_EQ(resources->getSprite("f1"), bg()[1].sprites[0].sprite.ptr());
	EXPECT_EQ(5, bg()[1].sprites[1].x);
	run("removeThemeSprite('b', 1) removeThemeSprite('missing', 1) removeThemeSprite('b', 7)");
	ASSERT_EQ(1u, bg()[1].sprites.size());
	EXPECT_EQ(5, bg()[1].sprites[0].x);

	// Angles stay in [0, 2 pi) whatever the step.
	run("createThemeSprite('r', 'cloud', 0, 0, 1, 1, -1, 0, 0, false, 0, 0)\n"
		"createThemeSprite('s', 'cloud', 0, 0, 1, 1, 7, 0, 0, false, 0, 0)\n"
		"rotateThemeSprites(-0.5) rotateThemeSprites(0/0)");
	for (host::ThemeSpriteData const& s : bg()[0].sprites)
	{
		EXPECT_LE(0.f, s.angle) << s.name;
		EXPECT_GT(6.2831855f, s.angle) << s.name;
	}
	EXPECT_NEAR(6.2831855f - 1, bg()[0].sprites[2].angle, 1e-5);
	EXPECT_NEAR(7 - 6.2831855f, bg()[0].sprites[3].angle, 1e-5);

	// drawLayer does nothing; bad types raise before anything changes.
	run("drawLayer(1)");
	EXPECT_NE("", error("createThemeSprite('z', 'cloud', 1, 2, 1, 1, 0, 'x', 0, false, 0, 0)"));
	EXPECT_NE("", error("removeThemeSprite('b')"));
}

TEST_F(ThemeLayers, SetThemeOffsetYScalesLayersWithoutThemeSprites)
{
	context = new test::FakeContext(2048, 1536);
	resources = new game::Resources(context);
	SetUp();
	run(THEME);
	run("setTheme('day') createThemeSprite('a', 'cloud', 1, 2, 1, 1, 0, 1, 0, false, 0, 0) setThemeOffsetY('day', 1)");
	EXPECT_EQ(3.5f, bg()[0].offsetY); // 1 x 768 / 1536 + the table's 3
	EXPECT_EQ(1.f, bg()[1].offsetY);  // with theme sprites: the offset itself
	EXPECT_NE("", error("setThemeOffsetY('night', 1)"));
}

TEST_F(ThemeLayers, BackgroundSpritesKeepTheirBandAndWrap)
{
	run(THEME);
	// L = camera limit x 20 / physics simulation scale = 20.
	run("setTheme('day') setCameraLimits(1)\n"
		"createThemeSprite('right', 'cloud', 0, 0, 1, 1, 0, 0, 0, false, 2, 0)\n"
		"createThemeSprite('left', 'cloud', 0, 0, 1, 1, 0, 0, 0, false, -2, 0)\n"
		"createThemeSprite('outRight', 'cloud', 0, 0, 1, 1, 0, 0, 0, false, -2, 0)\n"
		"createThemeSprite('outLeft', 'cloud', 0, 0, 1, 1, 0, 0, 0, false, 2, 0)\n"
		"createThemeSprite('fallen', 'cloud', 3, 5, 1, 1, 0, 0, 0, false, 0, 0)\n"
		"modifyThemeSprite('right', 25, 0, 1, 1, 0, 0) modifyThemeSprite('left', -25, 0, 1, 1, 0, 0)\n"
		"modifyThemeSprite('outRight', 25, 0, 1, 1, 0, 0) modifyThemeSprite('outLeft', -25, 0, 1, 1, 0, 0)\n"
		"modifyThemeSprite('fallen', 3, 5000, 1, 1, 0, 0)\n"
		"drawBackgroundNative(0)");
	std::vector<host::ThemeSpriteData> const& s = bg()[0].sprites;
	EXPECT_EQ(-20, s[0].x); // start x - L
	EXPECT_EQ(55, s[1].x);  // x + 4 L
	EXPECT_EQ(25, s[2].x);  // would move on outwards: stays
	EXPECT_EQ(-25, s[3].x);
	EXPECT_EQ(-5, s[4].y); // more than 4 context heights below its start: 10 above it
	EXPECT_EQ(0x0A141Eu, host().themes().getBGColor()); // the sky colour

	// The sprites are drawn with the layer; a layer number past the layers draws nothing.
	context->clearCalls();
	run("drawBackgroundNative(2) drawBackgroundNative(1e30)");
	EXPECT_TRUE(draws().empty());
	run("drawBackgroundNative(-1)");
	EXPECT_EQ(1u + 5u, draws().size());
	EXPECT_EQ("L", draws()[0].args[0]);
}

TEST_F(ThemeLayers, ReferenceCameraIsRecordedOncePerLevelStart)
{
	run(THEME);
	run("setTheme('day') screen.x = 10 drawBackgroundNative(0) screen.x = 30 drawBackgroundNative(0)");
	// dx = (30 - 10) x zDistance 0.25 = 5: the angle is dx x 0.05 x angleMult (0).
	EXPECT_TRUE(host().themes().startingCameraValue());
	run("bgAngle = 0 setStartingCameraValue(false) drawBackgroundNative(0)");
	EXPECT_TRUE(host().themes().startingCameraValue());
	EXPECT_NE("", error("screen = nil setStartingCameraValue(false) drawBackgroundNative(0)"));
}

TEST_F(ThemeLayers, LoadingThePreviousLevelRecordsTheReferenceCameraAgain)
{
	run(THEME);
	run("deadBlocks = {} worldAttributes = {} themes.day.bgLayers[1].angleMult = 1\n"
		"setTheme('day') screen.x = 10 drawBackgroundNative(0) screen.x = 30 drawBackgroundNative(0)");
	// dx = (30 - 10) x zDistance 0.25 = 5: the angle is dx x 0.05.
	EXPECT_FLOAT_EQ(0.25f, bg()[0].angle);
	// Under the same name, too: the camera of now becomes the reference.
	run("loadPreviousLevel('')");
	EXPECT_FALSE(host().themes().startingCameraValue());
	run("drawBackgroundNative(0)");
	EXPECT_TRUE(host().themes().startingCameraValue());
	EXPECT_FLOAT_EQ(0.f, bg()[0].angle);
}

TEST_F(ThemeLayers, AnimationsAdvanceInTheFrameStep)
{
	run(THEME);
	run("setTheme('day') setPhysicsEnabled(true)\n"
		"function update() end function applyForcesAtPhysicsStep() end function removeBlocks() end\n"
		"function clearLuaForceFunctions() end\n"
		"createThemeAnimation({ layer = 0, name = 'once', x = 1, spriteName = 'f1', isAnimation = true,"
		"  animation = { 'f1', 'f2', 3 }, animDelay = 0 })\n"
		"createThemeAnimation({ layer = 0, name = 'loop', spriteName = 'f1', isAnimation = true, bLoop = true,"
		"  animation = { 'f1', 'f2' }, animDelay = 0.5, startingDelay = 0 })\n"
		"createThemeAnimation({ layer = 0, name = 'empty', isAnimation = true, animDelay = 0 })\n"
		"createThemeAnimation({ layer = 0, name = 'after', velX = 10, scaleX = 1, scaleY = 1, scaleSpeed = -2 })\n"
		"createThemeAnimation(5) createThemeAnimation()");
	ASSERT_EQ((std::vector<std::string>{"once", "loop", "empty", "after"}), names(bg()[0]));
	EXPECT_EQ(2u, bg()[0].sprites[0].animation.size()); // the list is read while its entries are strings

	host().update(0.25f);
	EXPECT_EQ("f2", bg()[0].sprites[0].spriteName);
	EXPECT_EQ(resources->getSprite("f2"), bg()[0].sprites[0].sprite.ptr());
	EXPECT_EQ("f2", bg()[0].sprites[1].spriteName);
	EXPECT_EQ(0.5f, bg()[0].sprites[1].currentDelay);
	EXPECT_EQ(2.5f, bg()[0].sprites[3].x);
	EXPECT_EQ(0.5f, bg()[0].sprites[3].scaleX);
	EXPECT_EQ(1, bg()[1].posX); // velX 4 for a quarter second
	host().update(0.25f);
	// The non-looping animation is gone at its last frame; the sprite after it still moved.
	EXPECT_EQ((std::vector<std::string>{"loop", "empty", "after"}), names(bg()[0]));
	EXPECT_EQ(5.f, bg()[0].sprites[2].x);
	EXPECT_EQ(0.5f, bg()[0].sprites[2].scaleX); // a step to 0 or below leaves the scale
	EXPECT_EQ(2, bg()[1].posX);

	// With the physics off the layers stand still.
	run("setPhysicsEnabled(false)");
	host().update(0.25f);
	EXPECT_EQ(5.f, bg()[0].sprites[2].x);
}

TEST_F(ThemeLayers, ForegroundSpritesWrapAroundTheirStart)
{
	run(THEME);
	run("setTheme('day')\n"
		"createThemeSprite('r', 'cloud', 100, 50, 1, 1, 0, 2, 0, false, 1000, 0)\n"
		"createThemeSprite('d', 'cloud', 100, 50, 1, 1, 0, 2, 0, false, 0, -2000)\n");
	host().themes().moveLayerSprites(4.f); // x: 4100 - 100 > 768 x 4; y: 50 - 8000 beyond 1024
	EXPECT_EQ(100 - 768 * 2.5f, fg()[0].sprites[0].x);
	EXPECT_EQ(50 + 1024, fg()[0].sprites[1].y);
	EXPECT_EQ(4, fg()[0].posX);
}

TEST_F(ThemeLayers, ForegroundFillsTheGroundAndRepeatsTheLayer)
{
	run(THEME);
	run("setTheme('day') setTopLeft(0, -100)");
	context->clearCalls();
	run("drawForegroundNative()");
	// Y0 = world scale x ((16 - 8) x 1 - top) = 108; the colour clamped per component.
	ASSERT_EQ(1, context->count("fillRect2D"));
	EXPECT_EQ((std::vector<std::string>{"0xFFFF000C", "0", "108", "768", "917"}), context->callsOf("fillRect2D")[0].args);
	// One row from -64 in steps of 64 up to the width: 13 copies.
	EXPECT_EQ(13u, draws().size());

	struct Case
	{
		char const* setup;
		int fills;
		size_t copies;
	};
	Case const cases[] = {
		{"setTopLeft(0, -2000)", 0, 13},               // the ground starts below the screen
		{"setTopLeft(0, -1e30)", 0, 13},               // saturated, still below
		{"setTopLeft(0, 1e30)", 1, 13},                // fills from the top edge of int
		{"setTopLeft(0, 0) setWorldScale(0)", 1, 0},   // no finite bound: no copies
		{"setWorldScale(0/0)", 1, 0},
		{"setWorldScale(1) setTopLeft(0/0, 0)", 1, 0}, // no placeable copy
	};
	for (Case const& c : cases)
	{
		run(c.setup);
		context->clearCalls();
		run("drawForegroundNative()");
		EXPECT_EQ(c.fills, context->count("fillRect2D")) << c.setup;
		EXPECT_EQ(c.copies, draws().size()) << c.setup;
	}

	// An unknown layer sprite (width 0) ends the row at once.
	run("setTopLeft(0, 0) themes.day.fgLayers[1][2] = 'nothing' setTheme('day')");
	context->clearCalls();
	run("drawForegroundNative() drawForeground()");
	EXPECT_TRUE(draws().empty());

	// drawGameNative draws the foreground just before its depth; outside the depths never.
	run("setTheme('day') createBox('o', 'cloud', 0, 0, 1, 1, 0, 0, 0, true, false, 0)");
	for (char const* fgZ : {"0", "-1", "170"})
	{
		context->clearCalls();
		run(std::string("drawGameNative(") + fgZ + ")");
		std::vector<std::string> ops;
		for (std::string const& op : context->ops())
		{
			if (op == "fillRect2D" || op == "Image.draw")
				ops.push_back(op);
		}
		if (std::string(fgZ) == "0")
			EXPECT_EQ("fillRect2D", ops.front());
		else
			EXPECT_EQ((std::vector<std::string>{"Image.draw"}), ops);
	}
}

TEST_F(ThemeLayers, RepeatedForegroundStaysWithinTheView)
{
	run(THEME);
	run("themes.day.fgLayers[1].bgLayer = false themes.day.fgLayers[1].verticalRepetition = true setTheme('day')\n"
		"createThemeSprite('a', 'cloud', 1, 2, 1, 1, 0, 2, 0, true, 0, 0)");
	context->clearCalls();
	run("drawForeground()");
	std::vector<test::Call> const drawn = draws();
	EXPECT_FALSE(drawn.empty());
	// Copies cover 768 x 1024 in steps of 64 x 16, each followed by its theme sprite, then the sprite once more.
	EXPECT_GE(drawn.size(), 2u * 13u * 64u);
	EXPECT_LE(drawn.size(), 2u * 15u * 67u + 1u);
	run("setWorldScale(0)");
	context->clearCalls();
	run("drawForeground()");
	EXPECT_TRUE(draws().empty());
}

TEST_F(ThemeLayers, RandomThemesAndValuesOnlyReturnOrRaise)
{
	std::mt19937 random(20261210);
	char const* const values[] = {"nil", "'x'", "{}", "true", "0/0", "1/0", "-1/0", "0", "-1", "1e30", "1", "2.5", "'sky'", "'cloud'"};
	auto value = [&] { return std::string(values[random() % std::size(values)]); };
	auto layer = [&] {
		std::string t = "{ ";
		char const* const keys[] = {"sprite", "parallaxSpeed", "zDistance", "scale", "bLoop", "velX", "posX", "offsetX",
			"offsetY", "scaleSpeed", "angleMult", "xMult", "verticalRepetition", "bgLayer"};
		for (int i = 0; i < 6; ++i)
			t += std::string(keys[random() % std::size(keys)]) + " = " + value() + ", ";
		for (int i = 1; i <= 5; ++i)
			t += "[" + std::to_string(i) + "] = " + value() + ", ";
		return t + "}";
	};
	char const* const calls[] = {
		"setThemeOffsetY('t', %)", "createThemeSprite('n', %, %, %, %, %, %, %, %, false, %, %)",
		"createThemeAnimation({ layer = %, x = %, isAnimation = true, animation = { %, % }, animDelay = %, bLoop = % })",
		"removeThemeSprite('n', %)", "modifyThemeSprite('n', %, %, %, %, %, %)", "setThemeSprite('n', %, %)",
		"rotateThemeSprites(%)", "drawBackgroundNative(%)", "drawForegroundNative()", "drawForeground()", "drawLayer(%)",
		"setCameraLimits(%)", "setTopLeft(%, %)", "setWorldScale(%)", "setStartingCameraValue(%)", "screen = { x = %, y = % }",
		"drawGameNative(%)", "setBGColor(%, %, %)",
	};
	int raised = 0;
	int loaded = 0;
	for (int round = 0; round < 40; ++round)
	{
		std::string theme = "themes = { t = { skyColor = { r = " + value() + ", g = 1, b = 2 }, groundColor = { r = " + value() +
							", g = " + value() + ", b = 3 }, bgLayers = { " + layer() + ", " + layer() + " }, fgLayers = { " + layer() +
							" } } } setTheme('t')";
		if (failure(theme).empty())
			++loaded;
		for (int i = 0; i < 30; ++i)
		{
			std::string code = calls[random() % std::size(calls)];
			for (size_t at = code.find('%'); at != std::string::npos; at = code.find('%'))
				code.replace(at, 1, value());
			if (!failure(code).empty())
				++raised;
			host().themes().moveLayerSprites(random() % 2 ? 0.1f : 1e30f);
		}
	}
	EXPECT_GT(raised, 0);
	EXPECT_GT(loaded, 20); // most rounds draw real layers
}

} // namespace
