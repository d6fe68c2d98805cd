// Compound bodies made by script text through the host: part fixtures in a
// real world, the record's part lists, the object's table and draw-list
// entry, part sprites and their drawing, refused descriptions, and the
// pending compound list.
#include "SceneFixture.h"
#include <host/Compounds.h>
#include <host/RenderObjectData.h>
#include <physics/PhysicsWorld.h>
#include <gtest/gtest.h>
#include <set>
#include <string>
#include <vector>

namespace
{

class CompoundBody : public hosttest::SceneFixture
{
protected:
	/** Makes a compound "c" at (5, 3), angle 0.5, of material density and the children's Lua text. */
	void compound(std::string const& children, float density = 1, std::string const& name = "c")
	{
		run("createCompoundBodyFromTable({name = '" + name + "', x = 5, y = 3, angle = 0.5, material = {density = " +
			std::to_string(density) + ", friction = 0.3, restitution = 0.1}, children = {" + children + "}})");
	}

	GameLua::RenderObjectData* object(std::string const& name = "c") { return host().scene().findObject(name); }

	int bodies() { return host().scene().world().world()->GetBodyCount(); }

	std::vector<b2Fixture*> fixtures(std::string const& name = "c")
	{
		std::vector<b2Fixture*> out;
		for (b2Fixture* f = object(name)->body->GetFixtureList(); f; f = f->GetNext())
			out.push_back(f);
		return out;
	}

	lua::LuaTable worldTable() { return host().getTable("objects").getTable("world"); }

	bool inWorldTable(std::string const& name)
	{
		lua::LuaTable objects = host().getTable("objects");
		return objects.isTable("world") && objects.getTable("world").isTable(name);
	}
};

std::string const BOX_PART = "{x = 1, y = 0, angle = 0, definition = 'plank', blockData = {type = 'box', width = 2, height = 1}}";

TEST_F(CompoundBody, BoxPartSitsAtItsOffset)
{
	compound(BOX_PART);
	ASSERT_NE(object(), nullptr);
	std::vector<b2Fixture*> parts = fixtures();
	ASSERT_EQ(parts.size(), 1u);
	b2MassData mass;
	parts[0]->GetMassData(&mass);
	EXPECT_NEAR(mass.center.x, 1, 1e-5);
	EXPECT_NEAR(mass.center.y, 0, 1e-5);
	EXPECT_NEAR(mass.mass, 2, 1e-5);
	EXPECT_FLOAT_EQ(parts[0]->GetFriction(), 0.3f);
	EXPECT_FLOAT_EQ(parts[0]->GetRestitution(), 0.1f);
	EXPECT_EQ(parts[0]->GetFilterData().categoryBits, 1);
	EXPECT_EQ(parts[0]->GetFilterData().maskBits, 0xFFFF);
	EXPECT_EQ(reinterpret_cast<GameLua::RenderObjectData*>(parts[0]->GetUserData().pointer), object());
	b2Body* body = object()->body;
	EXPECT_EQ(body->GetType(), b2_dynamicBody);
	EXPECT_FLOAT_EQ(body->GetPosition().x, 5);
	EXPECT_FLOAT_EQ(body->GetAngle(), 0.5f);
	EXPECT_EQ(physics::PhysicsWorld::userData(body), object());

	// A rotated box part: its corners turn around the part's offset.
	compound("{x = 0, y = 0, angle = " + std::to_string(b2_pi / 2) + ", blockData = {type = 'box', width = 4, height = 1}}", 1, "r");
	b2AABB box;
	fixtures("r")[0]->GetShape()->ComputeAABB(&box, b2Transform(b2Vec2_zero, b2Rot(0)), 0);
	EXPECT_NEAR(box.upperBound.y - box.lowerBound.y, 4 + 2 * b2_polygonRadius, 1e-4);
}

TEST_F(CompoundBody, PartListsKeepOneSlotPerChildEntry)
{
	compound("{x = 1, y = 2, angle = 0.25, definition = 'a', blockData = {type = 'circle', radius = 0.5}}, 7, "
			 "{x = -1, y = 0, definition = 'b', blockData = {type = 'box', width = 1, height = 1}}");
	GameLua::RenderObjectData* c = object();
	ASSERT_NE(c, nullptr);
	EXPECT_TRUE(c->isCompound);
	ASSERT_EQ(c->partNames.size(), 3u);
	ASSERT_EQ(c->partSprites.size(), 3u);
	ASSERT_EQ(c->partCompoSprites.size(), 3u);
	ASSERT_EQ(c->partOffsets.size(), 3u);
	ASSERT_EQ(c->partAngles.size(), 3u);
	EXPECT_EQ(c->partNames[0], "a");
	EXPECT_EQ(c->partNames[1], "b");
	EXPECT_EQ(c->partNames[2], "");
	EXPECT_FLOAT_EQ(c->partOffsets[0].y, 2);
	EXPECT_FLOAT_EQ(c->partOffsets[1].x, -1);
	EXPECT_FLOAT_EQ(c->partAngles[0], 0.25f);
	EXPECT_EQ(c->partOffsets[2], b2Vec2_zero);
	EXPECT_EQ(c->partSprites[2], nullptr);
	EXPECT_EQ(c->partCompoSprites[2], nullptr);
	EXPECT_EQ(fixtures().size(), 2u);
}

TEST_F(CompoundBody, DensityDecidesTheBodyAndItsMass)
{
	compound(BOX_PART, 0);
	EXPECT_EQ(object()->body->GetType(), b2_staticBody);

	// An L outline is cut into convex pieces whose mass is its area times the density.
	compound("{x = 1, y = 1, definition = 'ell', worldVertices = {{x = 0, y = 0}, {x = 2, y = 0}, {x = 2, y = 1}, 'skip', "
			 "{x = 1, y = 1}, {x = 1, y = 2}, {y = 2}}, blockData = {type = 'polygon'}}",
		2, "l");
	EXPECT_GE(fixtures("l").size(), 2u);
	EXPECT_NEAR(object("l")->body->GetMass(), 6, 1e-4);
	EXPECT_NEAR(object("l")->body->GetLocalCenter().x, 1 + 5.0 / 6, 1e-4);
	EXPECT_NEAR(worldTable().getTable("l").getNumber("mass"), 6, 1e-4);

	// Lines only: no mass of their own, so the layer's rule gives 1.
	compound("{blockData = {type = 'line', vertices = {{x = 0, y = 0}, {x = 1, y = 0}, {x = 1, y = 1}}}}", 1, "lines");
	EXPECT_EQ(fixtures("lines").size(), 2u);
	EXPECT_FLOAT_EQ(object("lines")->body->GetMass(), 1);
}

TEST_F(CompoundBody, TableRecordAndDrawListEntry)
{
	compound(BOX_PART);
	lua::LuaTable t = worldTable().getTable("c");
	std::set<std::string> keys;
	struct Keys : lua::LuaTableVisitor
	{
		std::set<std::string>* keys;
		int depth = 0;
		void visit(char const* key, char const*) override { if (depth == 1) keys->insert(key); }
		void visit(char const* key, double) override { if (depth == 1) keys->insert(key); }
		void visit(char const* key, bool) override { if (depth == 1) keys->insert(key); }
		void visit(char const*) override {}
		void visit(int, char const*) override {}
		void visit(int, double) override {}
		void visit(int, bool) override {}
		void visit(int) override {}
		void openTable(char const*) override { ++depth; }
		void closeTable() override { --depth; }
		void start() override { depth = 1; }
		void end() override {}
	} visitor;
	visitor.keys = &keys;
	t.traverse(visitor);
	EXPECT_EQ(keys, (std::set<std::string>{"name", "type", "x", "y", "angle", "density", "friction", "restitution", "mass",
						"xVel", "yVel", "z_order", "animTimer", "animFrame", "animThresholdTimer", "collisionEnabled"}));
	EXPECT_EQ(t.getString("type"), "compound");
	EXPECT_FLOAT_EQ(t.getNumber("mass"), 2);
	EXPECT_FLOAT_EQ(t.getNumber("animFrame"), 1);
	EXPECT_FLOAT_EQ(t.getNumber("collisionEnabled"), 1);

	GameLua::RenderObjectData* c = object();
	EXPECT_EQ(c->luaTable.getString("name"), "c");
	EXPECT_FLOAT_EQ(c->snapshot[0].angle, 0.5f);
	EXPECT_FLOAT_EQ(c->snapshot[1].x, 5);
	EXPECT_FLOAT_EQ(c->renderY, 3);
	EXPECT_FLOAT_EQ(c->firstAngle, 0.5f);
	EXPECT_TRUE(c->hasFirstAngle);
	EXPECT_TRUE(c->collisionEnabled);
	EXPECT_FLOAT_EQ(c->radius, -1);
	EXPECT_EQ(c->sprite, nullptr);
	auto const& sheets = host().scene().drawLists().at(0);
	ASSERT_NE(sheets.find(nullptr), sheets.end());
	EXPECT_EQ(sheets.at(nullptr), std::vector<std::string>{"c"});

	// The same name again replaces the object.
	compound(BOX_PART);
	EXPECT_EQ(bodies(), 1);
	EXPECT_EQ(host().scene().drawLists().at(0).at(nullptr), std::vector<std::string>{"c"});
}

TEST_F(CompoundBody, PartSpritesAreLookedUpByNameAndDrawn)
{
	addSheet("plank", {{"plank", 0, 0, 8, 6, 2, 3}});
	addSheet("S", {{"spr", 0, 0, 4, 4, 1, 1}, {"deco", 8, 0, 4, 4, 1, 1}});
	addComposite("duo", {{"spr", -5, 0}, {"deco", 5, 2}});
	// A sprite by its sheet's name, a composite, no sprite, and an entry
	// that is no table.
	compound("{x = 1, definition = 'p', blockData = {sprite = 'plank', type = 'box', width = 2, height = 1}}, "
			 "{x = -1, definition = 'd', blockData = {sprite = 'duo', type = 'circle', radius = 0.5}}, "
			 "{definition = 'n', blockData = {type = 'box', width = 1, height = 1}}, 'skip'");
	GameLua::RenderObjectData* c = object();
	ASSERT_NE(c, nullptr);
	ASSERT_EQ(c->partSprites.size(), 4u);
	ASSERT_EQ(c->partCompoSprites.size(), 4u);
	EXPECT_EQ(c->partSprites[0], resources->getSprite("plank"));
	EXPECT_EQ(c->partCompoSprites[0], nullptr);
	EXPECT_EQ(c->partSprites[1], nullptr);
	EXPECT_EQ(c->partCompoSprites[1], resources->getCompoSprite("duo"));
	for (size_t i : {2u, 3u})
	{
		EXPECT_EQ(c->partSprites[i], nullptr) << i;
		EXPECT_EQ(c->partCompoSprites[i], nullptr) << i;
	}
	EXPECT_EQ(c->sprite, nullptr);
	EXPECT_FALSE(c->isCompoSprite);
	EXPECT_EQ(host().scene().drawLists().at(0).at(nullptr), std::vector<std::string>{"c"});

	// drawGameNative draws the plank, then the composite's two parts; the
	// parts without a sprite draw nothing.
	context->clearCalls();
	run("drawGameNative(-1)");
	std::vector<test::Call> drawn = draws();
	ASSERT_EQ(drawn.size(), 3u);
	EXPECT_EQ(drawn[0].args[0], "plank");
	EXPECT_EQ(drawn[1].args[0], "S");
	EXPECT_EQ(drawn[2].args[0], "S");
	EXPECT_NEAR(drawn[0].state2D.angle, 0.5f, 1e-5);

	// A sprite whose name is no sheet's is refused like a missing sheet.
	std::string message = error("createCompoundBodyFromTable({name = 'e', material = {}, children = {{blockData = {sprite = 'spr'}}}})");
	EXPECT_NE(message.find("createCompoundBodyFromTable: Sprite not found: spr"), std::string::npos) << message;
	EXPECT_EQ(object("e"), nullptr);
}

TEST_F(CompoundBody, NewCompoundJoinsTheFrameLoop)
{
	run("function applyForcesAtPhysicsStep() end function removeBlocks() end function clearLuaForceFunctions() end\n"
		"function update(dt, rawDt) end setPhysicsEnabled(true)\n"
		"createBox('b', '', 50, 50, 1, 1, 0, 0, 0, true, false, 0)");
	host().update(1.f / 30.f);
	host().scene().world().setGravity(b2Vec2(0, 10));
	compound(BOX_PART);
	host().update(0.25f);
	EXPECT_GT(object()->renderY, 3.1f);
}

TEST_F(CompoundBody, UnbuildablePartsGetNoFixtureAndTheRestStays)
{
	compound("{blockData = {type = 'box', width = 0, height = 1}}, {blockData = {type = 'circle', radius = -1}}, "
			 "{blockData = {type = 'polygon'}, worldVertices = {{x = 0, y = 0}, {x = 1, y = 0}, {x = 2, y = 0}}}, "
			 "{blockData = {type = 'line', vertices = {{x = 0, y = 0}, {x = 0, y = 0}}}}, "
			 "{blockData = {type = 'box', width = 1e-4, height = 1e-4}}, {blockData = {type = 'wheel'}}, " + BOX_PART);
	ASSERT_NE(object(), nullptr);
	EXPECT_EQ(fixtures().size(), 1u);
	EXPECT_EQ(object()->partNames.size(), 7u);
}

TEST_F(CompoundBody, BadDescriptionsRaiseAndLeaveNothing)
{
	struct Case
	{
		std::string script;
		char const* error;
	};
	Case const cases[] = {
		{"createCompoundBodyFromTable(3)", "Excepted type"},
		{"createCompoundBodyFromTable({name = 'c', material = 5, children = {}})", "Tried to get value material"},
		{"createCompoundBodyFromTable({name = 'c', material = {}})", "Tried to get value children"},
		{"createCompoundBodyFromTable({name = 'c', x = 0/0, material = {}, children = {}})",
			"createCompoundBodyFromTable: \"c\": x is"},
		{"createCompoundBodyFromTable({name = 'c', material = {density = -1}, children = {}})", "density -1 is below 0"},
		{"createCompoundBodyFromTable({name = 'c', material = {density = 1}, children = {" + BOX_PART +
				", {definition = 'bad', worldVertices = {{x = 1/0, y = 0}}, blockData = {type = 'polygon'}}}})",
			"createCompoundBodyFromTable: \"c\" part 1 (\"bad\"): a point's x is"},
		{"createCompoundBodyFromTable({name = 'c', material = {density = 1}, children = {" + BOX_PART +
				", {blockData = {sprite = 'nosheet', type = 'box', width = 1, height = 1}}}})",
			"createCompoundBodyFromTable: Sprite not found: nosheet"},
	};
	for (Case const& c : cases)
	{
		std::string message = error(c.script);
		EXPECT_NE(message.find(c.error), std::string::npos) << c.script << "\n" << message;
		EXPECT_EQ(bodies(), 0) << c.script;
		EXPECT_EQ(object(), nullptr) << c.script;
		EXPECT_FALSE(inWorldTable("c")) << c.script;
	}
	EXPECT_TRUE(host().scene().drawLists().empty() || host().scene().drawLists().at(0).empty());
}

TEST_F(CompoundBody, PendingListCollectsShapesAndNeverMakesABody)
{
	run("clearVertices() addVertex(0, 0) addVertex(1, 0) addVertex(1, 1)\n"
		"addBoxToCompoundList('box', 1, 2, 0.5, 4, 2)\n"
		"addPolygonToCompoundList('poly', 10, 0, 0, 0, 0)\n"
		"addLineToCompoundList('line', 0, 5, 0, 0, 0)\n"
		"addCircleToCompoundList('circle', 3, 4, 0, 1.5)\n"
		"clearVertices() addVertex(7, 7)\n"
		"addLineToCompoundList('dot', 0, 0, 0, 0, 0)\n"
		"clearVertices() for i = 1, 12 do addVertex(i, 0) end\n"
		"addPolygonToCompoundList('flat', 0, 0, 0, 0, 0)\n"
		"setCompoundShapeLinearDamping('box', 2) setCompoundShapeParameter('box', 1, 2)\n"
		"finalizeCompoundObject('box', 0, 0, 0, 0, 0, 0, true, false, 0)");
	EXPECT_EQ(bodies(), 0);
	EXPECT_TRUE(host().scene().renderObjects().empty());
	EXPECT_EQ(host().compounds().compoundShapeNames(), (std::vector<std::string>{"box", "poly", "line", "circle", "dot", "flat"}));
	auto const& shapes = host().compounds().compoundShapes();
	ASSERT_EQ(shapes.size(), 6u);
	EXPECT_EQ(shapes[0].kind, GameLua::CompoundShape::BOX);
	EXPECT_EQ(shapes[0].halfExtents, b2Vec2(2, 1));
	EXPECT_EQ(shapes[0].centre, b2Vec2(1, 2));
	EXPECT_FLOAT_EQ(shapes[0].angle, 0.5f);
	EXPECT_EQ(shapes[1].points, (std::vector<b2Vec2>{{10, 0}, {11, 0}, {11, 1}}));
	EXPECT_EQ(shapes[2].points, (std::vector<b2Vec2>{{0, 5}, {1, 5}}));
	EXPECT_EQ(shapes[3].points, (std::vector<b2Vec2>{{1, 5}, {1, 6}}));
	EXPECT_EQ(shapes[4].kind, GameLua::CompoundShape::CIRCLE);
	EXPECT_FLOAT_EQ(shapes[4].radius, 1.5f);
	EXPECT_EQ(shapes[5].points.size(), 12u);

	EXPECT_NE(error("addBoxToCompoundList('box', 'x', 2, 0.5, 4, 2)").find("Excepted type"), std::string::npos);
	run("clearShapesArray()");
	EXPECT_TRUE(host().compounds().compoundShapes().empty());
	EXPECT_TRUE(host().compounds().compoundShapeNames().empty());
}

} // namespace
