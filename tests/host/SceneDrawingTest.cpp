// Scene drawing from script text on the recording context: the order of
// depths, sheet groups and names, every placement against the sprite
// formula (pivot on screen = (draw point + translation) x scale), the
// background colour and the faults that draw nothing.
#include "SceneFixture.h"
#include <gr/RenderState2D.h>
#include <host/Themes.h>
#include <gtest/gtest.h>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

namespace
{

using hosttest::SceneFixture;

class SceneDrawing : public SceneFixture
{
protected:
	void SetUp() override
	{
		addSheet("S", {{"spr", 0, 0, 8, 6, 2, 3}});
		addSheet("T", {{"deco", 8, 0, 4, 4, 1, 1}});
		addComposite("duo", {{"spr", -5, 0}, {"deco", 5, 2}});
	}

	/** Where the pivot (px, py) of the drawn sprite lands on the screen. */
	static std::pair<float, float> onScreen(test::Call const& draw, float px, float py)
	{
		gr::RenderState2D const& s = draw.state2D;
		float const x = std::stof(draw.args[1]) + px;
		float const y = std::stof(draw.args[2]) + py;
		return {(x + s.translation.x) * s.scale.x, (y + s.translation.y) * s.scale.y};
	}

	/** Draws the scene once, with no foreground, and gives the draws. */
	std::vector<test::Call> drawScene()
	{
		context->clearCalls();
		run("drawGameNative(-1)");
		return draws();
	}
};

TEST_F(SceneDrawing, DepthsThenSheetGroupsByFirstEntryThenNames)
{
	addSheet("A", {{"a", 0, 0, 4, 4, 0, 0}});
	addSheet("B", {{"b", 0, 0, 4, 4, 0, 0}});
	addSheet("C", {{"c", 0, 0, 4, 4, 0, 0}});
	char const* const sprites[] = {"a", "b", "c"};
	char const* const images[] = {"A", "B", "C"};

	// Depths are created from the last to the first; at each depth the
	// sheets enter in a rotating order, the first one twice around the
	// others. Object i stands at x = i metres, so it is drawn at 20 i.
	std::vector<std::vector<std::pair<std::string, int>>> expectedByDepth(GameLua::DRAW_DEPTHS);
	std::string code;
	int i = 0;
	for (int z = GameLua::DRAW_DEPTHS - 1; z >= 0; --z)
	{
		int const order[] = {z % 3, (z + 1) % 3, z % 3, (z + 2) % 3};
		std::vector<std::pair<std::string, int>> groups[3];
		int firstEntry[3] = {-1, -1, -1};
		int entered = 0;
		for (int sheet : order)
		{
			code += "createBox('o" + std::to_string(i) + "', '" + sprites[sheet] + "', " + std::to_string(i) + ", 0, 1, 1, 0, 0, 0, true, false, " +
					std::to_string(z) + ".5)\n";
			groups[sheet].push_back({images[sheet], 20 * i});
			if (firstEntry[sheet] < 0)
				firstEntry[sheet] = entered++;
			++i;
		}
		for (int rank = 0; rank < 3; ++rank)
		{
			for (int sheet = 0; sheet < 3; ++sheet)
			{
				if (firstEntry[sheet] == rank)
					expectedByDepth[z].insert(expectedByDepth[z].end(), groups[sheet].begin(), groups[sheet].end());
			}
		}
	}
	run(code);
	std::vector<std::pair<std::string, int>> expected;
	for (auto const& depth : expectedByDepth)
		expected.insert(expected.end(), depth.begin(), depth.end());

	std::vector<std::pair<std::string, int>> drawn;
	for (test::Call const& draw : drawScene())
		drawn.push_back({draw.args[0], std::stoi(draw.args[1])});
	EXPECT_EQ(expected, drawn);

	// A second frame draws the same.
	std::vector<std::pair<std::string, int>> again;
	for (test::Call const& draw : drawScene())
		again.push_back({draw.args[0], std::stoi(draw.args[1])});
	EXPECT_EQ(drawn, again);
}

TEST_F(SceneDrawing, PlacementsFollowTheSpriteFormula)
{
	// The view: top-left (10, 20), two screen pixels per world pixel. An
	// object at (3, 4) metres has its pivot at 2 (20 x - 10), 2 (20 y - 20).
	struct Case
	{
		char const* name;
		char const* setup;
		float angle;
		float pivotX, pivotY;
		float screenX, screenY;
		float scaleX;
	};
	Case const cases[] = {
		{"plain", "", 0.f, 2, 3, 100, 120, 2},
		{"pivot offset", "setPivotOffset('o', 1.5, -2)", 0.f, 3.5f, 1, 103, 116, 2},
		{"sprite angle", "setRotation('o', 0.25) setSpriteRotation('o', 0.5)", 0.75f, 2, 3, 100, 120, 2},
		{"scaled", "setScale('o', 2, 0.5)", 0.f, 2, 3, 100, 120, 4},
		{"mirrored", "setRotation('o', 0.5) setObjectParameter('o', 8, 1)", -0.5f, 2, 3, 100, 120, -2},
		{"mirrored, scaled", "setScale('o', 0.5, 1) setObjectParameter('o', 8, 1)", 0.f, 2, 3, 100, 120, -1},
		{"first angle", "setRotation('o', 1.25) setRotation('o', 2) setObjectParameter('o', 10, 1)", 1.25f, 2, 3, 100, 120, 2},
	};
	for (Case const& c : cases)
	{
		SCOPED_TRACE(c.name);
		run(std::string("setTopLeft(10, 20) setWorldScale(2)\n"
						"createBox('o', 'spr', 3, 4, 1, 1, 0, 0, 0, true, false, 12.9)\n") +
			c.setup);
		std::vector<test::Call> const drawn = drawScene();
		ASSERT_EQ(1u, drawn.size());
		gr::RenderState2D const& s = drawn[0].state2D;
		EXPECT_EQ("S", drawn[0].args[0]);
		EXPECT_NEAR(c.angle, s.angle, 1e-5);
		EXPECT_NEAR(std::cos(c.angle), s.rotation[0], 1e-5);
		EXPECT_NEAR(std::sin(c.angle), s.rotation[1], 1e-5);
		EXPECT_NEAR(-std::sin(c.angle), s.rotation[2], 1e-5);
		EXPECT_EQ(c.pivotX, s.pivot.x);
		EXPECT_EQ(c.pivotY, s.pivot.y);
		EXPECT_EQ(c.scaleX, s.scale.x);
		auto const [x, y] = onScreen(drawn[0], 2, 3);
		EXPECT_NEAR(c.screenX, x, 1e-3);
		EXPECT_NEAR(c.screenY, y, 1e-3);
		EXPECT_EQ(std::vector<std::string>{"o"}, host().scene().drawLists().at(12).at(resources->getSpriteSheet("S")));
		run("removeObject('o')");
	}
}

TEST_F(SceneDrawing, DepthsOutsideTheLevelsStayIndexedButAreNotDrawn)
{
	run("createBox('neg', 'spr', 0, 0, 1, 1, 0, 0, 0, true, false, -0.5)\n"
		"createBox('low', 'spr', 1, 0, 1, 1, 0, 0, 0, true, false, -3)\n"
		"createBox('high', 'spr', 2, 0, 1, 1, 0, 0, 0, true, false, 170)\n"
		"createBox('huge', 'spr', 3, 0, 1, 1, 0, 0, 0, true, false, 1e30)\n");
	std::vector<test::Call> const drawn = drawScene();
	ASSERT_EQ(1u, drawn.size());
	EXPECT_EQ("-2", drawn[0].args[1]); // "neg" at depth 0: 20 x 0 less its pivot
	auto const& lists = host().scene().drawLists();
	EXPECT_EQ(std::vector<std::string>{"low"}, lists.at(-3).begin()->second);
	EXPECT_EQ(std::vector<std::string>{"high"}, lists.at(170).begin()->second);
	EXPECT_EQ(std::vector<std::string>{"huge"}, lists.at(INT_MAX).begin()->second);
	run("removeObject('low') removeObject('high') removeObject('huge') removeObject('neg')");
	for (auto const& [depth, groups] : lists)
	{
		for (auto const& [sheet, names] : groups)
			EXPECT_TRUE(names.empty()) << depth;
	}
}

TEST_F(SceneDrawing, HiddenKillingAndUnscalableObjectsDrawNothing)
{
	run("createBox('hidden', 'spr', 0, 0, 1, 1, 0, 0, 0, true, false, 1) setVisible('hidden', false)\n"
		"createBox('killer', 'spr', 0, 0, 1, 1, 0, 0, 0, true, false, 1) setObjectParameter('killer', 19, 1)\n"
		"createBox('flat', 'spr', 0, 0, 1, 1, 0, 0, 0, true, false, 1) setScale('flat', 0, 1)\n"
		"createBox('thin', 'spr', 0, 0, 1, 1, 0, 0, 0, true, false, 1) setScale('thin', 1, 0)\n"
		"createBox('nan', 'spr', 0, 0, 1, 1, 0, 0, 0, true, false, 1) setScale('nan', 0/0, 1)\n"
		"createBox('inf', 'spr', 0, 0, 1, 1, 0, 0, 0, true, false, 1) setScale('inf', 1, 1/0)\n"
		"createBox('none', '', 0, 0, 1, 1, 0, 0, 0, true, false, 1)\n"
		"createBox('unknown', 'nosuchsprite', 0, 0, 1, 1, 0, 0, 0, true, false, 1)\n");
	EXPECT_TRUE(drawScene().empty());

	// A composite flag without a composite, and a non-finite position, draw nothing either.
	run("createBox('o', 'spr', 0, 0, 1, 1, 0, 0, 0, true, false, 1)");
	object("o")->isCompoSprite = true;
	EXPECT_TRUE(drawScene().empty());
	object("o")->isCompoSprite = false;
	object("o")->renderX = INFINITY;
	EXPECT_TRUE(drawScene().empty());
	object("o")->renderX = 0;
	run("setWorldScale(0/0)");
	EXPECT_TRUE(drawScene().empty());
	run("setWorldScale(1)");
	EXPECT_EQ(1u, drawScene().size());
}

TEST_F(SceneDrawing, CompositesAndCompoundPartsTurnAboutTheirPivots)
{
	run("setTopLeft(10, 20) setWorldScale(2)\n"
		"createBox('c', 'duo', 3, 4, 1, 1, 0, 0, 0, true, false, 5)\n");
	ASSERT_TRUE(object("c")->isCompoSprite);
	std::vector<test::Call> drawn = drawScene();
	ASSERT_EQ(2u, drawn.size());
	// Each part turns about its own pivot less its offset; the composite's
	// origin lands where a plain sprite's pivot would.
	EXPECT_EQ("S", drawn[0].args[0]);
	EXPECT_EQ(7, drawn[0].state2D.pivot.x);
	EXPECT_EQ(3, drawn[0].state2D.pivot.y);
	EXPECT_EQ("T", drawn[1].args[0]);
	EXPECT_EQ(-4, drawn[1].state2D.pivot.x);
	EXPECT_EQ(-1, drawn[1].state2D.pivot.y);
	auto const [x0, y0] = onScreen(drawn[0], 2, 3);
	EXPECT_NEAR(100 - 10, x0, 1e-3);
	EXPECT_NEAR(120, y0, 1e-3);
	auto const [x1, y1] = onScreen(drawn[1], 1, 1);
	EXPECT_NEAR(100 + 10, x1, 1e-3);
	EXPECT_NEAR(120 + 4, y1, 1e-3);

	// A compound object: the body turned a quarter, one part 1 m along the
	// body's x axis (so 1 m down), turned a further 0.5; the second part has
	// neither sprite nor composite, the third only an angle.
	run("removeObject('c') createBox('k', 'spr', 3, 4, 1, 1, 0, 0, 0, true, false, 5) setRotation('k', 1.5707964)");
	GameLua::RenderObjectData* k = object("k");
	k->isCompound = true;
	k->partOffsets = {b2Vec2(1, 0), b2Vec2(0, 0)};
	k->partAngles = {0.5f, 0.f, 1.f};
	k->partSprites = {resources->getSprite("spr"), nullptr};
	k->partCompoSprites = {nullptr, nullptr};
	drawn = drawScene();
	ASSERT_EQ(1u, drawn.size());
	EXPECT_NEAR(1.5707964f + 0.5f, drawn[0].state2D.angle, 1e-5);
	EXPECT_EQ(2, drawn[0].state2D.pivot.x);
	auto const [kx, ky] = onScreen(drawn[0], 2, 3);
	EXPECT_NEAR(100, kx, 1e-3);
	EXPECT_NEAR(160, ky, 1e-3);
	k->partSprites = {nullptr};
	k->partCompoSprites = {resources->getCompoSprite("duo")};
	EXPECT_EQ(2u, drawScene().size());
}

TEST_F(SceneDrawing, DecorationsRepeatAroundTheBodyAngle)
{
	struct Case
	{
		char const* decorations;
		size_t copies;
		float secondAngle;
	};
	Case const cases[] = {
		{"{ sprite = 'deco', amount = 3, angleIncrement = 360, scale = 0.5 }", 3, 0.25f},
		{"{ sprite = 'deco', amount = 2, angleIncrement = -90, scale = 0.5 }", 2, 0.25f - 1.5707964f + 6.2831855f},
		{"{ sprite = 'deco', amount = 0, angleIncrement = 10, scale = 0.5 }", 0, 0},
		{"{ sprite = 'deco', amount = 4, angleIncrement = 10, scale = 0 }", 0, 0},
	};
	for (Case const& c : cases)
	{
		SCOPED_TRACE(c.decorations);
		run(std::string("setTopLeft(10, 20) setWorldScale(2)\n"
						"blockTable.blocks.d = { decorations = ") +
			c.decorations +
			" }\n"
			"createBox('o', 'spr', 3, 4, 1, 1, 0, 0, 0, true, false, 1) setRotation('o', 0.25) setSpriteRotation('o', 1)\n"
			"objects.world.o.definition = 'd' setDecorationObjects('o')\n");
		std::vector<test::Call> const drawn = drawScene();
		ASSERT_EQ(1 + c.copies, drawn.size());
		for (size_t i = 1; i < drawn.size(); ++i)
		{
			EXPECT_EQ("T", drawn[i].args[0]);
			EXPECT_EQ(1, drawn[i].state2D.pivot.x);
			auto const [x, y] = onScreen(drawn[i], 1, 1);
			EXPECT_NEAR(100, x, 1e-3);
			EXPECT_NEAR(120, y, 1e-3);
		}
		if (c.copies > 0)
		{
			EXPECT_NEAR(0.25f, drawn[1].state2D.angle, 1e-5); // the body angle, without the sprite's
		}
		if (c.copies > 1)
		{
			EXPECT_NEAR(c.secondAngle, drawn[2].state2D.angle, 1e-5);
		}
		run("removeObject('o')");
	}
}

TEST_F(SceneDrawing, SpriteLookupsAndDrawListKeys)
{
	game::SpriteSheet* s = resources->getSpriteSheet("S");
	game::SpriteSheet* t = resources->getSpriteSheet("T");
	run("createBox('a', 'spr', 0, 0, 1, 1, 0, 0, 0, true, false, 2)\n"
		"createBox('b', 'deco', 0, 0, 1, 1, 0, 0, 0, true, false, 2)\n"
		"createBox('c', 'duo', 0, 0, 1, 1, 0, 0, 0, true, false, 2)\n"
		"createBox('ground', 'spr', 0, 0, 1, 1, 0, 0, 0, true, false, 2)\n"
		"clearVertices() addVertex(0, 0) addVertex(1, 0) addVertex(1, 1)\n"
		"createPolygon('p', 'T', 0, 0, 1, 1, 0, 0, 0, true, false, 2)\n");
	SheetGroups const& groups = host().scene().drawLists().at(2);
	EXPECT_EQ((std::vector<std::string>{"a", "c"}), groups.at(s));
	EXPECT_EQ((std::vector<std::string>{"b"}), groups.at(t));
	EXPECT_EQ(s, groups.begin()->first);
	// A polygon takes the sheet of its sprite name and that sheet's sprite of the name (none here).
	EXPECT_EQ(nullptr, object("p")->sprite.ptr());
	EXPECT_EQ((std::vector<std::string>{"p"}), groups.at(nullptr));
	EXPECT_EQ("createPolygon: Sprite not found: nosheet", error("createPolygon('q', 'nosheet', 0, 0, 1, 1, 0, 0, 0, true, false, 2)"));
	EXPECT_EQ(nullptr, object("q"));

	// setSprite moves the name to the end of the new sheet's list; the same sheet keeps it in place.
	run("setSprite('a', 'deco')");
	EXPECT_EQ((std::vector<std::string>{"c"}), groups.at(s));
	EXPECT_EQ((std::vector<std::string>{"b", "a"}), groups.at(t));
	EXPECT_EQ("spr", object("a")->spriteName);
	run("setSprite('b', 'deco') setSprite('missing', 'spr')");
	EXPECT_EQ((std::vector<std::string>{"b", "a"}), groups.at(t));

	// The objects hold their sprites: a sheet released by the resources still draws.
	resources->releaseSpriteSheet("T");
	EXPECT_EQ(4u, drawScene().size());

	// Re-creation under a live name, removal and a world reset leave no stale name.
	run("createBox('b', 'spr', 0, 0, 1, 1, 0, 0, 0, true, false, 2) removeObject('c')");
	EXPECT_EQ((std::vector<std::string>{"b"}), groups.at(s));
	EXPECT_EQ((std::vector<std::string>{"a"}), groups.at(t));
	host().scene().resetPhysicsWorld(b2Vec2(0, 0), true);
	EXPECT_TRUE(host().scene().drawLists().empty());
	EXPECT_TRUE(drawScene().empty());
}

/** How often text occurs in log. */
int occurrences(std::string const& log, std::string const& text)
{
	int count = 0;
	for (size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + text.size()))
		++count;
	return count;
}

// A sprite that no sheet holds (a block's damaged look left off its sheet)
// is one line per object and sprite name, given when the look-up fails and
// naming the sprite and the sheets searched, never a line per frame; the
// object keeps the look it had and stays drawn.
TEST_F(SceneDrawing, AMissingSpriteIsOneLineAndTheObjectKeepsItsLook)
{
	testing::internal::CaptureStdout();
	run("createBox('ice', 'spr', 0, 0, 1, 1, 1, 0, 0, true, false, 2)\n"
		"createBox('duo', 'duo', 1, 0, 1, 1, 1, 0, 0, true, false, 2)\n"
		"createBox('bare', 'nowhere', 2, 0, 1, 1, 1, 0, 0, true, false, 2)\n"
		"createBox('plain', '', 3, 0, 1, 1, 1, 0, 0, true, false, 2)\n");
	std::vector<size_t> drawn;
	struct Change
	{
		char const* code;
	};
	// Hostile cases: the damaged twin asked for every frame, another
	// missing name, the same name for another object, an empty name, a
	// composite's object, and a change back to a sprite that exists.
	Change const changes[] = {
		{"setSprite('ice', 'spr_cracked')"},
		{"setSprite('ice', 'spr_cracked')"},
		{"setSprite('ice', 'spr_cracked') setSprite('ice', 'spr_broken')"},
		{"setSprite('duo', 'spr_cracked') setSprite('ice', '')"},
		{"setSprite('ice', 'spr_cracked')"},
	};
	for (Change const& change : changes)
	{
		run(change.code);
		drawn.push_back(drawScene().size());
	}
	std::string const log = testing::internal::GetCapturedStdout();
	// ice (spr) and duo (two parts) are drawn in every frame; bare and plain never.
	for (size_t count : drawn)
		EXPECT_EQ(3u, count) << log;
	EXPECT_EQ("spr", object("ice")->spriteName);
	EXPECT_EQ(resources->getSprite("spr"), object("ice")->sprite.ptr());
	EXPECT_TRUE(object("duo")->isCompoSprite);
	std::string const sheets = "(the sheets searched: S, T)";
	EXPECT_EQ(1, occurrences(log, "Sprite \"spr_cracked\" of object ice is missing: no sprite sheet or composite set holds it " + sheets +
									  "; the object keeps the look it has\n"))
		<< log;
	EXPECT_EQ(1, occurrences(log, "Sprite \"spr_broken\" of object ice is missing")) << log;
	EXPECT_EQ(1, occurrences(log, "Sprite \"\" of object ice is missing")) << log;
	EXPECT_EQ(1, occurrences(log, "Sprite \"spr_cracked\" of object duo is missing")) << log;
	EXPECT_EQ(1, occurrences(log, "Sprite \"nowhere\" of object bare is missing: no sprite sheet or composite set holds it " + sheets +
									  "; it is drawn without a look\n"))
		<< log;
	// An object made without a sprite name is meant to have no look: no line.
	EXPECT_EQ(0, occurrences(log, "object plain")) << log;
	EXPECT_EQ(5, occurrences(log, "Sprite \"")) << log;

	// A sprite that exists is taken again.
	run("setSprite('ice', 'deco')");
	EXPECT_EQ(resources->getSprite("deco"), object("ice")->sprite.ptr());
}

TEST_F(SceneDrawing, BackgroundColourAndViewState)
{
	struct Case
	{
		char const* args;
		uint32_t packed;
	};
	Case const cases[] = {
		{"300, -5, 12.7", 0xFF000C},
		{"0/0, 1/0, -1/0", 0x00FF00},
		{"1e30, 128.9, 0", 0xFF8000},
	};
	for (Case const& c : cases)
	{
		run(std::string("setBGColor(") + c.args + ") r, g, b = getBGColor()");
		EXPECT_EQ(c.packed, host().themes().getBGColor()) << c.args;
		EXPECT_EQ(float(c.packed >> 16), host().getNumber("r"));
		EXPECT_EQ(float((c.packed >> 8) & 255), host().getNumber("g"));
		EXPECT_EQ(float(c.packed & 255), host().getNumber("b"));
	}
	run("setTopLeft(-5, 7) setWorldScale(0.5) setEditing(true) setStartingCameraValue(true) setCameraLimits(12)"
		" setMaxWorldScale(3) resetMouseWheelScale(2)");
	EXPECT_EQ(-5, host().view().topLeftX());
	EXPECT_EQ(7, host().view().topLeftY());
	EXPECT_EQ(0.5f, host().view().worldScale());
	EXPECT_TRUE(host().settings().editing);
	EXPECT_TRUE(host().themes().startingCameraValue());
	EXPECT_EQ(12, host().themes().cameraLimit());
	EXPECT_NE("", error("setBGColor(1, 2)"));
	EXPECT_NE("", error("drawGameNative('x')"));
}

} // namespace
