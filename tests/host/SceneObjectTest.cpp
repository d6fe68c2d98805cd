// Scene objects from script text: creation, removal, setters, parameters,
// bad and hostile input.
#include <support/PhysicsHostFixture.h>
#include <lua/LuaException.h>
#include <gtest/gtest.h>
#include <cmath>
#include <string>

namespace
{

class SceneObject : public test::PhysicsHostFixture
{
};

int fixtureCount(b2Body const* body)
{
	int n = 0;
	for (b2Fixture const* f = body->GetFixtureList(); f; f = f->GetNext())
		++n;
	return n;
}

TEST_F(SceneObject, CreationBuildsBodyTableAndRegistries)
{
	run("createBox('crate', 'wood', 1, 2, 2, 1, 100, 0.5, 0.1, true, false, 3)\n"
		"createCircle('ball', '', 5, 0, 0.5, 100, 0.3, 0.2, false, false, 2)\n"
		"createBox('ground', '', 0, 10, 40, 1, 0, 0.5, 0, true, false, 1)\n"
		"createCircle('ground2', '', 0, 20, 1, 0, 0.5, 0, true, false, 1)\n"
		"clearVertices() addVertex(0, 0) addVertex(1, 0) addVertex(1, 1)\n"
		"createLineShape('rail', '', 0, 0, 1, 1, 0, 0.5, 0, true, false, 1)\n"
		"createPolygon('wedge', '', 0, 5, 1, 1, 1, 0.5, 0, true, true, 1)\n"
		"clearVertices() addVertex(3, 3)\n"
		"createLineShape('dot', '', 0, 0, 1, 1, 0, 0.5, 0, true, false, 1)\n"
		"createBox('waiting', '', 9, 9, 1, 1, 1, 0.5, 0, true, true, 4)\n");

	// A box of density 100 is static and keeps its density; a circle of 100 is dynamic.
	EXPECT_EQ(b2_staticBody, object("crate")->body->GetType());
	lua::LuaTable crate = table("crate");
	EXPECT_EQ(100, crate.getNumber("density"));
	EXPECT_EQ("box", crate.getString("type"));
	EXPECT_EQ("wood", crate.getString("sprite"));
	EXPECT_EQ(2, crate.getNumber("width"));
	EXPECT_EQ(1, crate.getNumber("collisionEnabled"));
	EXPECT_EQ(1, crate.getNumber("animFrame"));
	EXPECT_TRUE(crate.isNil("radius"));
	EXPECT_EQ(b2_dynamicBody, object("ball")->body->GetType());
	EXPECT_NEAR(100 * b2_pi * 0.25f, table("ball").getNumber("mass"), 1e-3);
	EXPECT_EQ(0.5f, table("ball").getNumber("radius"));
	EXPECT_EQ(0, table("ball").getNumber("collisionEnabled"));
	EXPECT_TRUE(object("ball")->rolls);
	EXPECT_EQ(object("ball"), physics::PhysicsWorld::userData(object("ball")->body));

	// Lines: n points give n - 1 edges.
	EXPECT_EQ(2, fixtureCount(object("rail")->body));
	EXPECT_EQ(0, fixtureCount(object("dot")->body));

	// An inactive polygon only gets damping; an inactive box waits disabled.
	EXPECT_EQ(2.f, physics::PhysicsWorld::angularDamping(object("wedge")->body));
	EXPECT_TRUE(object("wedge")->body->IsEnabled());
	EXPECT_EQ(0u, host().scene().inactiveObjects().count("wedge"));
	EXPECT_FALSE(object("waiting")->body->IsEnabled());
	EXPECT_EQ(1u, host().scene().inactiveObjects().count("waiting"));

	// A box named "ground" is in no draw list; a circle of any name is.
	auto const& lists = host().scene().drawLists();
	auto names = [&](int layer) { return lists.at(layer).at(nullptr); };
	EXPECT_EQ((std::vector<std::string>{"ground2", "rail", "wedge", "dot"}), names(1));
	EXPECT_EQ(std::vector<std::string>{"crate"}, names(3));
	EXPECT_EQ(8, bodyCount());
}

TEST_F(SceneObject, BadArgumentsRaiseAndChangeNothing)
{
	struct Case
	{
		char const* code;
		char const* message;
	};
	Case const cases[] = {
		{"createBox('crate1', '', 0, 0, 0/0, 1, 1, 0, 0, true, false, 1)", "createBox: width of \"crate1\" is nan"},
		{"createBox('c', '', 0, 0, 1, -1, 1, 0, 0, true, false, 1)", "createBox: height of \"c\" is -1"},
		{"createBox('c', '', 1/0, 0, 1, 1, 1, 0, 0, true, false, 1)", "createBox: x of \"c\" is inf"},
		{"createBox('c', '', 0, 0, 1e-5, 1e-5, 1, 0, 0, true, false, 1)", "createBox: area of \"c\" is 1e-10"},
		{"createCircle('c', '', 0, 0, 0, 1, 0, 0, true, false, 1)", "createCircle: radius of \"c\" is 0"},
		{"createCircle('c', '', 0, 0, 1, -2, 0, 0, true, false, 1)", "createCircle: density of \"c\" is -2"},
		{"createCircle('c', '', 0, 0, 1, 1, 0/0, 0, true, false, 1)", "createCircle: friction of \"c\" is nan"},
		{"clearVertices() addVertex(0, 0) addVertex(1, 0)\n"
		 "createPolygon('p', '', 0, 0, 1, 1, 1, 0, 0, true, false, 1)",
			"createPolygon: \"p\" has 2 points (3 to 8 wanted)"},
		{"clearVertices() for i = 1, 9 do addVertex(_G.math.cos(i), _G.math.sin(i)) end\n"
		 "createPolygon('p', '', 0, 0, 1, 1, 1, 0, 0, true, false, 1)",
			"createPolygon: \"p\" has 9 points (3 to 8 wanted)"},
		{"clearVertices() addVertex(0, 0) addVertex(1, 1) addVertex(2, 2)\n"
		 "createPolygon('p', '', 0, 0, 1, 1, 1, 0, 0, true, false, 1)",
			"createPolygon: the points of \"p\" span no area"},
		{"clearVertices() addVertex(0, 0) addVertex(0, 0)\n"
		 "createLineShape('l', '', 0, 0, 1, 1, 0, 0, 0, true, false, 1)",
			"createLineShape: edge 1 of \"l\" has no length"},
		{"addVertex(0/0, 1)", "addVertex: (nan, 1) is not a finite point"},
		{"createBox('c', '', '0', 0, 1, 1, 1, 0, 0, true, false, 1)", "Excepted type NUMBER at stack position 3 but found STRING"},
		{"createBox('c', '', 0, 0, 1, 1, 1, 0, 0, 1, false, 1)", "Excepted type BOOLEAN at stack position 10 but found NUMBER"},
		{"createCircle('c', '', 0, 0, 1, 1, 0, 0, true, false)", "Excepted type NUMBER at stack position 11 but found"},
		{"setVelocity('c', 0/0, 0)", "setVelocity: value of \"c\" is nan"},
		{"setLinearDamping('c', 0/0)", "setLinearDamping: value of \"c\" is nan"},
		{"objects.world = 5 createBox('c', '', 0, 0, 1, 1, 1, 0, 0, true, false, 1)", "objects.world is not a table"},
	};
	for (Case const& c : cases)
	{
		std::string message = error(c.code);
		EXPECT_EQ(0u, message.find(c.message)) << c.code << "\n" << message;
	}
	EXPECT_EQ(0, bodyCount());
	EXPECT_TRUE(host().scene().renderObjects().empty());
}

TEST_F(SceneObject, ReplacementAndRemovalLeaveNoTrace)
{
	run("createBox('a', '', 0, 0, 1, 1, 1, 0, 0, true, true, 2)\n"
		"createBox('s', '', 5, 0, 1, 1, 1, 0, 0, true, false, 2)\n"
		"setObjectParameter('a', 1, 1)\n"
		"setObjectParameter('a', 32, 1)\n"
		"setObjectParameter('s', 32, 1)\n"
		"createBox('a', '', 0, 3, 1, 1, 1, 0, 0, true, false, 2)\n");
	EXPECT_EQ(2, bodyCount());
	EXPECT_EQ(3, object("a")->body->GetPosition().y);
	EXPECT_EQ(3, table("a").getNumber("y"));
	EXPECT_EQ(0u, host().scene().trackedObjects().count("a"));
	EXPECT_EQ(0u, host().scene().inactiveObjects().count("a"));
	ASSERT_EQ(1u, host().scene().aimSensors().size());
	EXPECT_EQ((std::vector<std::string>{"s", "a"}), host().scene().drawLists().at(2).at(nullptr));

	object("a")->sensors.push_back(object("s"));
	run("removeObject('s') removeObject('missing')");
	EXPECT_TRUE(object("a")->sensors.empty());
	EXPECT_TRUE(host().scene().aimSensors().empty());
	run("removeObject('a')");
	EXPECT_EQ(0, bodyCount());
	EXPECT_TRUE(host().scene().renderObjects().empty());
	EXPECT_TRUE(host().scene().drawLists().at(2).at(nullptr).empty());
}

TEST_F(SceneObject, RemovingABubbleReleasesItsTargets)
{
	run("blockTable.blocks.bubbleBlock = { material = 'bubble' }\n"
		"blockTable.blocks.plain = { material = 'wood' }\n"
		"createCircle('b', '', 0, 0, 1, 1, 0, 0, true, false, 1)\n"
		"createCircle('t1', '', 3, 0, 1, 1, 0, 0, true, false, 1)\n"
		"createCircle('t2', '', 6, 0, 1, 1, 0, 0, true, false, 1)\n"
		"objects.world.b.definition = 'bubbleBlock'\n"
		"objects.world.b.linkedTargets = { 't1', 'gone', 't2' }\n"
		"objects.world.t1.linkedBubble = 'b' objects.world.t2.linkedBubble = 'b'\n"
		"objects.world.t1.definition = 'plain' objects.world.t1.linkedTargets = { 't2' }\n"
		"removeObject('t1')\n");
	EXPECT_EQ("b", table("t2").getString("linkedBubble")); // t1 is no bubble
	run("removeObject('b')");
	EXPECT_EQ("", table("t2").getString("linkedBubble"));
	// A block definition that is no table is simply not a bubble.
	run("blockTable.blocks.odd = 5 objects.world.t2.definition = 'odd' objects.world.t2.linkedTargets = {} removeObject('t2')");
	EXPECT_TRUE(host().scene().renderObjects().empty());
}

TEST_F(SceneObject, SettersAndParameters)
{
	run("createBox('a', '', 0, 0, 1, 1, 1, 0, 0, true, false, 1)\n"
		"setRotation('a', -_G.math.pi / 2)\n"
		"setRotation('a', 1)\n"
		"setMaterial('a', 'rock') setMaterial('a', 'glass')\n"
		"setPosition('a', 4, 5)\n"
		"setScale('a', 2, 3)\n"
		"setSpriteRotation('a', 7)\n");
	GameLua::RenderObjectData* a = object("a");
	EXPECT_NEAR(3 * M_PI / 2, a->firstAngle, 1e-5);
	EXPECT_EQ(1, table("a").getNumber("angle"));
	EXPECT_FLOAT_EQ(1, a->body->GetAngle());
	EXPECT_EQ(2, a->material);
	EXPECT_EQ(b2Vec2(4, 5), a->body->GetPosition());
	EXPECT_EQ(4, a->snapshot[0].x);
	EXPECT_EQ(5, a->snapshot[1].y);
	EXPECT_EQ(3, table("a").getNumber("scaleY"));
	EXPECT_EQ(1, a->baseScaleY);
	EXPECT_NEAR(7 - 2 * M_PI, a->spriteAngle, 1e-5);

	// Numbered parameters: "bool" is int(value) == 1.
	struct Case
	{
		char const* code;
		std::function<bool()> holds;
	};
	Case const cases[] = {
		{"setObjectParameter('a', 16, 1)", [&] { return a->body->GetGravityScale() == 0; }},
		{"setObjectParameter('a', 16, 0)", [&] { return a->body->GetGravityScale() == 1; }},
		{"setObjectParameter('a', 8, 1)", [&] { return a->mirrored; }},
		{"setObjectParameter('a', 8, 2)", [&] { return !a->mirrored; }},
		{"setObjectParameter('a', 8, 1.9)", [&] { return a->mirrored; }},
		{"setObjectParameter('a', 2, 0)", [&] { return a->body->GetType() == b2_staticBody; }},
		{"setObjectParameter('a', 2, 3)", [&] { return a->body->GetType() == b2_dynamicBody; }},
		{"setObjectParameter('a', 21, 5)", [&] { return a->objectType == host::ObjectType::Flyer && a->body->IsFixedRotation() && a->body->IsBullet(); }},
		{"setObjectParameter('a', 5, 2)", [&] { return a->scaleX == 2 && a->baseScaleY == 2; }},
		{"setObjectParameter('a', 1, 1)", [&] { return a->tracked && host().scene().trackedObjects().count("a") == 1; }},
		{"setObjectParameter('a', 31, 0.5)", [&] { return a->flyerTimer == 0.5f; }},
		{"setObjectParameter('a', 1e30, 1) setObjectParameter('a', -7, 1) setObjectParameter('a', 0/0, 1)", [&] { return true; }},
	};
	for (Case const& c : cases)
	{
		run(c.code);
		EXPECT_TRUE(c.holds()) << c.code;
	}
	// Ids without effect leave the record as it was.
	std::string before = table("a").getString("name");
	float scale = a->scaleX;
	run("for _, id in _G.ipairs({3, 4, 14, 22, 23, 24, 28, 29, 30, 36}) do setObjectParameter('a', id, 1) end");
	EXPECT_EQ(scale, a->scaleX);
	EXPECT_EQ(host::ObjectType::Flyer, a->objectType);
	EXPECT_TRUE(host().scene().aimSensors().empty());

	// Decorations come from the block definition; a second call replaces the first.
	run("blockTable.blocks.deco = { decorations = { amount = 3.7, sprite = 'leaf', angleIncrement = 0.5, scale = 2 } }\n"
		"objects.world.a.definition = 'deco'\n"
		"setDecorationObjects('a')\n"
		"blockTable.blocks.deco.decorations.amount = -2.5\n"
		"setDecorationObjects('a')\n");
	ASSERT_NE(nullptr, a->decoration);
	EXPECT_TRUE(a->hasDecorations);
	EXPECT_EQ(-2, a->decoration->amount);
	EXPECT_EQ("leaf", a->decoration->sprite);
	EXPECT_EQ(2, a->decoration->scale);

	run("setSleeping('a', true)");
	EXPECT_FALSE(a->body->IsAwake());
	run("setVelocity('a', 1, 0)");
	EXPECT_TRUE(a->body->IsAwake());
	run("setCollisionEnabled('a', false)");
	EXPECT_EQ(0, table("a").getNumber("collisionEnabled"));
	EXPECT_FALSE(a->collisionEnabled);
	run("multiplyVelocity('a', 3) vx, vy = getLinearVelocity('a') speed = getVelocity('a')");
	EXPECT_EQ(3, host().getNumber("vx"));
	EXPECT_EQ(3, host().getNumber("speed"));
}

TEST_F(SceneObject, MissingNamesLogAndGiveNeutralValues)
{
	run("createBox('a', '', 0, 0, 1, 1, 1, 0, 0, true, false, 1)\n"
		"vx, vy = getLinearVelocity('nobody')\n"
		"w = getAngularVelocity('nobody') v = getVelocity('nobody') angle = getAngle('nobody')\n"
		"wx, wy = getWorldPoint('nobody', 3, 4)\n"
		"for _, f in _G.ipairs({setVelocity, setPosition, applyImpulse, applyForceNative, setRotation, setFixedRotation,\n"
		"    setLinearDamping, setAsSensor, setSleeping, setActive, setMaterial, setObjectParameter}) do\n"
		"  _G.pcall(f, 'nobody', 1, 1, 1, 1)\n"
		"end\n");
	for (char const* name : {"vx", "vy", "w", "v", "angle"})
		EXPECT_EQ(0, host().getNumber(name)) << name;
	EXPECT_EQ(3, host().getNumber("wx"));
	EXPECT_EQ(4, host().getNumber("wy"));
	EXPECT_EQ(1u, host().scene().renderObjects().size());
	EXPECT_EQ(nullptr, host().scene().getBody("nobody"));
}

TEST_F(SceneObject, ConcavePolygonBecomesItsHull)
{
	run("clearVertices() addVertex(0, 0) addVertex(2, 1) addVertex(0, 2) addVertex(1, 1)\n"
		"createPolygon('arrow', '', 0, 0, 2, 2, 1, 0, 0, true, false, 1)\n"
		"clearVertices() addVertex(0, 0) addVertex(0, 1) addVertex(1, 1) addVertex(1, 0)\n"
		"createPolygon('clockwise', '', 3, 0, 1, 1, 1, 0, 0, true, false, 1)\n");
	auto corners = [&](char const* name) {
		return static_cast<b2PolygonShape const*>(object(name)->body->GetFixtureList()->GetShape())->m_count;
	};
	EXPECT_EQ(3, corners("arrow"));
	EXPECT_EQ(4, corners("clockwise"));
}

TEST_F(SceneObject, HostileArgumentsOnlyRaise)
{
	std::string longName(10000, 'n');
	run("createBox('a', '', 0, 0, 1, 1, 1, 0, 0, true, false, 1) createCircle('b', '', 0, 3, 1, 1, 0, 0, true, false, 1)");
	char const* const values[] = {"0/0", "1/0", "-1/0", "1e39", "-1e39", "3e38", "3.4e38", "-3.4e38", "2^31", "-2^63", "1e-39"};
	char const* const calls[] = {
		"createBox(N, '', V, V, V, V, V, V, V, true, false, V)",
		"createCircle(N, '', V, V, V, V, V, V, true, true, V)",
		"clearVertices() addVertex(V, 0) addVertex(1, V) addVertex(0, 1) createPolygon(N, '', V, V, 1, 1, V, 0, 0, true, false, V)",
		"setPosition(N, V, V)", "setRotation(N, V)", "setVelocity(N, V, V)", "setAngularVelocity(N, V)",
		"applyImpulse(N, V, V, V, V)", "applyForceNative(N, V, V, V, V)", "multiplyVelocity(N, V)",
		"setLinearDamping(N, V)", "setAngularDamping(N, V)", "setObjectParameter(N, V, V)", "setScale(N, V, V)",
		"getWorldPoint(N, V, V)", "getLocalPoint(N, V, V)", "setLevelLimits(V, V, V, V)",
		"getIntersectingObjects({x = V, y = V, left = V, right = V, down = V, up = V})",
		"getRayCastedObjects({x1 = V, y1 = 0, x2 = 1, y2 = V})",
		"createBox(N, '', 0, 0, 1, 1, 1, 0, 0)", "setPosition(5, 1, 1)", "getIntersectingObjects(5)",
	};
	int raised = 0;
	for (char const* value : values)
	{
		for (char const* name : {"'a'", "'b'", "L"})
		{
			for (char const* call : calls)
			{
				std::string code = std::string("V = ") + value + " N = " + name + " L = _G.string.rep('n', 10000)\n" + call;
				try
				{
					run(code);
				}
				catch (lang::Throwable const&)
				{
					++raised;
				}
			}
		}
	}
	EXPECT_GT(raised, 0);
	for (int i = 0; i < 30; ++i)
		host().update(1.f / 30.f);
	for (auto const& [name, o] : host().scene().renderObjects())
	{
		b2Vec2 p = o->body->GetPosition();
		EXPECT_TRUE(std::isfinite(p.x) && std::isfinite(p.y)) << name.size();
		EXPECT_TRUE(std::isfinite(o->body->GetAngle()));
	}
	(void)longName;
}

TEST_F(SceneObject, RequestsFromCallbacksRunAfterTheStep)
{
	// Scripts called from a contact listener while the world steps.
	struct ScriptListener : b2ContactListener
	{
		std::function<void()> onBegin;
		void BeginContact(b2Contact*) override { onBegin(); }
	} listener;
	listener.onBegin = [this] {
		run("order = order .. 'callback;'\n"
			"removeObject('ball')\n"
			"createBox('spawn', '', 20, 0, 1, 1, 1, 0, 0, true, false, 1)\n"
			"setPosition('spawn', 21, 0)\n"
			"order = order .. _G.tostring(objects.world.spawn) .. ';'\n");
	};
	run("order = ''\n"
		"createBox('floor', '', 0, 0, 10, 1, 0, 0, 0, true, false, 1)\n"
		"createCircle('ball', '', 0, 1.02, 0.5, 1, 0, 0, true, false, 1)\n"
		"setVelocity('ball', 0, -5)\n");
	host().scene().world().setListeners(&listener, nullptr, nullptr);
	frame(1.f / 30.f);
	EXPECT_EQ("callback;nil;", host().getString("order"));
	EXPECT_EQ(nullptr, object("ball"));
	ASSERT_NE(nullptr, object("spawn"));
	EXPECT_EQ(21, object("spawn")->body->GetPosition().x);
	host().scene().world().setListeners(&host(), &host(), &host());
}

} // namespace
