// Contacts from script text in a real world: the contact filter, damage of
// flyers and blocks, the score, killing volumes, callbacks that fail or
// change the world, and a hostile contact storm.
#include <support/PhysicsHostFixture.h>
#include <host/RenderObjectData.h>
#include <lang/Throwable.h>
#include <lua/LuaException.h>
#include <gtest/gtest.h>
#include <algorithm>
#include <cmath>
#include <functional>
#include <set>
#include <string>

namespace
{

using Record = GameLua::RenderObjectData;

class Contact : public test::PhysicsHostFixture
{
protected:
	Contact() { run("pairs, error, math = _G.pairs, _G.error, _G.math"); }

	float number(char const* global) { return host().getNumber(global); }
};

TEST_F(Contact, FilterAppliesTheRulesInOrder)
{
	run("createBox('a', '', 0, 0, 1, 1, 1, 0.5, 0, true, false, 1)\n"
		"createBox('b', '', 50, 0, 1, 1, 1, 0.5, 0, true, false, 1)\n");
	struct Row
	{
		char const* rule;
		std::function<void(Record&, Record&)> setup;
		bool collide;
	};
	Row const rows[] = {
		{"killing volume catches a flyer whatever the flags", [](Record& a, Record& b) { a.killingVolume = true; a.collisionEnabled = false; b.objectType = host::ObjectType::Flyer; }, true},
		{"killing volume B catches a type 7 flyer A", [](Record& a, Record& b) { b.killingVolume = true; b.collisionEnabled = false; a.objectType = host::ObjectType::PassingFlyer; }, true},
		{"collision disabled", [](Record& a, Record&) { a.collisionEnabled = false; }, false},
		{"type 7 against a waiting flyer", [](Record& a, Record& b) { b.objectType = host::ObjectType::PassingFlyer; a.startsInactive = true; }, false},
		{"killing volume as fixture A", [](Record& a, Record&) { a.killingVolume = true; }, false},
		{"killing volume B and an object that ignores it", [](Record& a, Record& b) { b.killingVolume = true; a.ignoresKillingVolumes = true; }, false},
		{"killing volume as fixture B", [](Record&, Record& b) { b.killingVolume = true; }, true},
		{"two flyer types", [](Record& a, Record& b) { a.objectType = host::ObjectType::Flyer; b.objectType = host::ObjectType::PassingFlyer; }, false},
		{"type 6 and a waiting flyer", [](Record& a, Record& b) { a.objectType = host::ObjectType::Special; b.startsInactive = true; }, false},
		{"ignoring immovable objects", [](Record& a, Record& b) { b.ignoreImmovable = true; a.material = 5; }, false},
		{"one type 5 among blocks", [](Record& a, Record&) { a.objectType = host::ObjectType::Flyer; }, false},
		{"type 5 against a waiting flyer", [](Record& a, Record& b) { a.objectType = host::ObjectType::Flyer; b.startsInactive = true; }, true},
		{"plain blocks", [](Record&, Record&) {}, true},
	};
	b2Fixture* fa = object("a")->body->GetFixtureList();
	b2Fixture* fb = object("b")->body->GetFixtureList();
	for (Row const& row : rows)
	{
		Record& a = *object("a");
		Record& b = *object("b");
		for (Record* r : {&a, &b})
		{
			r->killingVolume = r->ignoresKillingVolumes = r->startsInactive = r->ignoreImmovable = false;
			r->collisionEnabled = true;
			r->objectType = host::ObjectType::None;
			r->material = 0;
		}
		row.setup(a, b);
		EXPECT_EQ(row.collide, host().ShouldCollide(fa, fb)) << row.rule;
	}
	// A fixture the host did not make always collides.
	physics::PhysicsWorld& world = host().scene().world();
	b2Body* stranger = world.createBody(b2_dynamicBody, b2Vec2(90, 0), 0.f, nullptr);
	b2Fixture* fs = world.createBox(stranger, 1, 1, physics::PhysicsWorld::FixtureParams());
	object("a")->collisionEnabled = false;
	EXPECT_TRUE(host().ShouldCollide(fa, fs));
}

/** A row of flyer-against-block scenes, 40 m apart; each flyer flies at 30 m/s into a static block of "rock". */
char const* const FLYER_SCENES =
	"deadBlocks = {}\n"
	"blockTable.blocks.homer = { specialty = 'HOMING' }\n"
	"blockTable.damageFactors = { heavy = { damageMultiplier = { rock = 2 } }, soft = { velocityMultiplier = { rock = 0.5 } } }\n"
	"hits = {}\n"
	"function removeBlocks() for k in pairs(deadBlocks) do removeObject(k) end deadBlocks = {} end\n"
	"function flyerCollision(f, o, impact, damage) hits[f] = { other = o, impact = impact, damage = damage, dead = deadBlocks[o] ~= nil } end\n"
	"function scene(i, strength, defence, fields)\n"
	"  local y = i * 40\n"
	"  createBox('block' .. i, '', 10, y, 2, 2, 0, 0.5, 0, true, false, 1)\n"
	"  local t = objects.world['block' .. i]\n"
	"  t.material = 'rock' t.strength = strength t.defence = defence\n"
	"  createCircle('flyer' .. i, '', 0, y, 0.5, 4, 0.5, 0, true, true, 1)\n"
	"  setActive('flyer' .. i, true) setObjectParameter('flyer' .. i, 6, 1)\n"
	"  for k, v in pairs(fields) do objects.world['flyer' .. i][k] = v end\n"
	"  setVelocity('flyer' .. i, 30, 0)\n"
	"end\n";

TEST_F(Contact, FlyerDamagesBlocks)
{
	run(FLYER_SCENES);
	struct Row
	{
		char const* what;
		char const* fields;
		float strength;
		float defence;
		float factor;
	};
	Row const rows[] = {
		{"plain", "{}", 100, 0, 1.f},
		{"damage factor of the flyer's entry", "{ damageFactors = 'heavy' }", 100, 0, 2.f},
		{"HOMING before its first hit: a fifth", "{ definition = 'homer', hasCollided = false }", 100, 0, 0.2f},
		{"HOMING after a hit: full damage", "{ definition = 'homer', hasCollided = true }", 100, 0, 1.f},
		{"defence above the impact", "{}", 100, 20, 1.f},
		{"strings for numbers count as missing", "{ damageFactors = 5 }", 100, 0, 1.f},
	};
	int i = 0;
	for (Row const& row : rows)
		run("scene(" + std::to_string(i++) + ", " + std::to_string(row.strength) + ", " + std::to_string(row.defence) + ", " + row.fields + ")");
	for (int f = 0; f < 20; ++f)
		frame(1.f / 30.f);

	float mass = object("flyer0")->body->GetMass();
	i = 0;
	for (Row const& row : rows)
	{
		std::string n = std::to_string(i++);
		lua::LuaTable hits = host().getTable("hits");
		ASSERT_TRUE(hits.isTable("flyer" + n)) << row.what;
		lua::LuaTable hit = hits.getTable("flyer" + n);
		float dm = std::string(row.fields).find("heavy") != std::string::npos ? 2.f : 1.f;
		float impact = dm * mass * 30.f / 10.f;
		EXPECT_NEAR(impact, hit.getNumber("impact"), 1e-3) << row.what;
		float damage = (impact - row.defence) * (row.factor == 0.2f ? 0.2f : 1.f);
		EXPECT_EQ(std::floor(damage), hit.getNumber("damage")) << row.what;
		float expectedStrength = damage > 0.f ? row.strength - damage : row.strength;
		EXPECT_NEAR(expectedStrength, table("block" + n).getNumber("strength"), 1e-3) << row.what;
		EXPECT_GT(object("flyer" + n)->flyerTimer, 0.f) << "the flight timer starts at the first hit";
		EXPECT_TRUE(object("flyer" + n)->wobbling);
		EXPECT_FLOAT_EQ(std::min(0.1f, impact * 0.02f), object("flyer" + n)->wobbleStartAmplitude);
	}
	// The defence row reports a negative floor(impact - defence).
	EXPECT_LT(host().getTable("hits").getTable("flyer4").getNumber("damage"), 0.f);
}

TEST_F(Contact, BrokenBlockLetsTheFlyerThroughWithPartOfItsSpeed)
{
	run(FLYER_SCENES);
	run("scene(0, 5, 0, { damageFactors = 'soft' })\n"
		"scene(1, 5, 0, { useLegacyCollisionPath = true })\n");
	float mass = object("flyer0")->body->GetMass();
	float impact = mass * 30.f / 10.f;
	// Run until the first contact, then look at the velocities after that step.
	for (int f = 0; f < 20 && !host().getTable("hits").isTable("flyer0"); ++f)
		frame(1.f / 30.f);
	lua::LuaTable hits = host().getTable("hits");
	ASSERT_TRUE(hits.isTable("flyer0"));
	ASSERT_TRUE(hits.isTable("flyer1"));
	EXPECT_EQ(5.f, hits.getTable("flyer0").getNumber("damage")) << "the old strength is reported";
	EXPECT_TRUE(hits.getTable("flyer0").getBoolean("dead"));
	EXPECT_TRUE(hits.getTable("flyer1").getBoolean("dead"));
	EXPECT_EQ(nullptr, object("block0")) << "removed by the script";
	float kept = std::min(1.f, (impact - 5.f) / impact * 0.5f);
	EXPECT_NEAR(kept * 30.f, object("flyer0")->body->GetLinearVelocity().x, 1e-3);
	float legacy = std::min(1.f, (5.f - impact) / mass / impact * 10.f * -0.5f);
	EXPECT_NEAR(legacy * 30.f, object("flyer1")->body->GetLinearVelocity().x, 1e-3);
	// Through the block: the flyer goes on past it.
	for (int f = 0; f < 30; ++f)
		frame(1.f / 30.f);
	EXPECT_GT(object("flyer0")->body->GetPosition().x, 12.f);
}

TEST_F(Contact, ZeroImpactAndNonFiniteFactorsNeverReachAVelocity)
{
	run(FLYER_SCENES);
	// A negative defence lets an impact of 0 do damage: the kept fraction is 0.
	run("scene(0, 1, -5, {})\n"
		"scene(1, 1, 0, { damageFactors = 'nan' })\n"
		"blockTable.damageFactors.nan = { velocityMultiplier = { rock = 0/0 } }\n"
		"setVelocity('flyer0', 0, 0) setPosition('flyer0', 8.6, 0)\n");
	for (int f = 0; f < 20; ++f)
		frame(1.f / 30.f);
	EXPECT_TRUE(host().getTable("hits").getTable("flyer0").getBoolean("dead"));
	EXPECT_TRUE(host().getTable("hits").getTable("flyer1").getBoolean("dead"));
	for (char const* name : {"flyer0", "flyer1"})
	{
		b2Vec2 v = object(name)->body->GetLinearVelocity();
		EXPECT_TRUE(std::isfinite(v.x) && std::isfinite(v.y)) << name;
	}
	EXPECT_EQ(0.f, object("flyer0")->body->GetLinearVelocity().Length());
}

TEST_F(Contact, FlyersHitEachOtherWithTheFasterMomentum)
{
	run("function flyerCollision(a, b, impact, damage) hitImpact = impact hitDamage = damage end\n"
		"createCircle('fast', '', 0, 0, 0.5, 1, 0.5, 0, true, true, 1)\n"
		"createCircle('slow', '', 5, 0, 0.5, 1, 0.5, 0, true, true, 1)\n"
		"setActive('fast', true) setActive('slow', true)\n"
		"setObjectParameter('fast', 6, 1) setObjectParameter('slow', 6, 1)\n"
		"setVelocity('fast', 30, 0) setVelocity('slow', -1, 0)\n");
	float mass = object("fast")->body->GetMass();
	for (int f = 0; f < 10 && host().isNil("hitImpact"); ++f)
		frame(1.f / 30.f);
	ASSERT_TRUE(host().isNumber("hitImpact"));
	float impact = mass * 30.f / 10.f;
	EXPECT_NEAR(impact, number("hitImpact"), 1e-3);
	EXPECT_EQ(0.f, number("hitDamage"));
	for (char const* name : {"fast", "slow"})
	{
		EXPECT_TRUE(object(name)->wobbling) << name;
		EXPECT_LE(object(name)->wobbleStartAmplitude, 0.1f);
		EXPECT_FLOAT_EQ(std::min(0.1f, impact * 0.02f), object(name)->wobbleStartAmplitude);
	}
}

TEST_F(Contact, BlocksDamageEachOtherAndScore)
{
	run("deadBlocks = {}\n"
		"scoreTable = { blocks = { score = 7 } }\n"
		"worldAttributes = { scoreDamageMultiplier = 10.9 }\n"
		"seen = {}\n"
		"function blockCollision(a, b, impact, hit, unused, lastHit)\n"
		"  seen[#seen + 1] = { a = a, b = b, impact = impact, hit = hit, unused = unused, lastHit = lastHit }\n"
		"end\n"
		"createBox('bare1', '', 0, 0, 1, 1, 1, 0.5, 0, true, false, 1)\n"
		"createBox('bare2', '', 3, 0, 1, 1, 1, 0.5, 0, true, false, 1)\n"
		"setVelocity('bare1', 20, 0)\n");
	for (int f = 0; f < 10 && host().getTable("seen").size() == 0; ++f)
		frame(1.f / 30.f);
	lua::LuaTable calls = host().getTable("seen");
	ASSERT_GE(calls.size(), 1);
	lua::LuaTable first = calls.getTable(1);
	EXPECT_TRUE(first.getBoolean("hit"));
	EXPECT_FALSE(first.getBoolean("unused"));
	EXPECT_EQ(0.f, first.getNumber("lastHit"));
	EXPECT_EQ(7.f, host().getTable("scoreTable").getTable("blocks").getNumber("score"));

	run("seen = {}\n"
		"createBox('s1', '', 0, 40, 1, 1, 1, 0.5, 0, true, false, 1)\n"
		"createBox('s2', '', 3, 40, 1, 1, 1, 0.5, 0, true, false, 1)\n"
		"objects.world.s1.strength = 100 objects.world.s2.strength = 100 objects.world.s2.defence = 1\n"
		"setVelocity('s1', 20, 0)\n");
	for (int f = 0; f < 10 && host().getTable("seen").size() == 0; ++f)
		frame(1.f / 30.f);
	calls = host().getTable("seen");
	ASSERT_GE(calls.size(), 1);
	float impact = calls.getTable(1).getNumber("impact");
	EXPECT_NEAR(object("s1")->body->GetMass() * 20.f / 10.f, impact, 1e-3);
	EXPECT_EQ(100.f - std::floor(impact), table("s1").getNumber("strength"));
	EXPECT_EQ(100.f - std::floor(impact - 1.f), table("s2").getNumber("strength"));
	EXPECT_EQ(std::floor(impact - 1.f), calls.getTable(1).getNumber("lastHit")) << "B's hit";
	float total = impact + (impact - 1.f);
	EXPECT_EQ(7.f + std::floor(total) * 10.f, host().getTable("scoreTable").getTable("blocks").getNumber("score"));
}

TEST_F(Contact, LeavingAKillingVolume)
{
	// The volume is made last, so it is fixture B of every contact.
	run("deadBlocks = {}\n"
		"createCircle('flyer', '', 0, 0, 0.3, 1, 0.5, 0, true, true, 1) setActive('flyer', true)\n"
		"createBox('doomed', '', 1, 0, 0.5, 0.5, 1, 0.5, 0, true, false, 1) setObjectParameter('doomed', 34, 1)\n"
		"createBox('watched', '', -1, 0, 0.5, 0.5, 1, 0.5, 0, true, false, 1) setObjectParameter('watched', 1, 1)\n"
		"createBox('volume', '', 0, 0, 6, 6, 0, 0.5, 0, true, false, 1)\n"
		"setAsSensor('volume', true) setObjectParameter('volume', 19, 1)\n");
	frame(1.f / 30.f);
	run("setVelocity('flyer', 0, 20) setVelocity('doomed', 20, 0) setVelocity('watched', -20, 0)\n");
	for (int f = 0; f < 15; ++f)
		frame(1.f / 30.f);
	EXPECT_TRUE(table("flyer").isBoolean("killingVolumeRemovalTimerEnabled"));
	EXPECT_EQ(100.f, physics::PhysicsWorld::linearDamping(object("doomed")->body));
	EXPECT_TRUE(host().getTable("deadBlocks").isTable("doomed")) << "destroyed once its timer (0) ran out";
	EXPECT_EQ(0.f, object("watched")->body->GetLinearVelocity().Length());
	EXPECT_EQ(100.f, physics::PhysicsWorld::linearDamping(object("watched")->body));
}

TEST_F(Contact, NothingWhileLoadingAndOnlySensorsWhileEditing)
{
	run(FLYER_SCENES);
	run("entered = 0 function enterCollision(a, b) entered = entered + 1 end\n"
		"scene(0, 100, 0, {})\n"
		"createBox('area', '', 0, 40, 2, 2, 0, 0.5, 0, true, false, 1) setAsSensor('area', true)\n"
		"createBox('inside', '', 0, 40, 0.5, 0.5, 1, 0.5, 0, true, false, 1)\n");
	host().settings().loadingLevel = true;
	for (int f = 0; f < 15; ++f)
		frame(1.f / 30.f);
	EXPECT_FALSE(host().getTable("hits").isTable("flyer0"));
	EXPECT_EQ(100.f, table("block0").getNumber("strength"));
	EXPECT_EQ(0.f, number("entered"));

	host().settings().loadingLevel = false;
	host().settings().editing = true;
	run("setPosition('flyer0', 0, 0) setVelocity('flyer0', 30, 0) setPosition('inside', 0, 45) setSleeping('inside', false)\n");
	frame(1.f / 30.f);
	run("setPosition('inside', 0, 40) setSleeping('inside', false)\n");
	for (int f = 0; f < 15; ++f)
		frame(1.f / 30.f);
	EXPECT_FALSE(host().getTable("hits").isTable("flyer0"));
	EXPECT_EQ(100.f, table("block0").getNumber("strength"));
	EXPECT_GE(number("entered"), 1.f);
}

TEST_F(Contact, ScriptErrorArrivesAfterTheStep)
{
	run("function blockCollision() error('boom in callback') end\n"
		"createBox('a', '', 0, 0, 1, 1, 1, 0.5, 0, true, false, 1)\n"
		"createBox('b', '', 3, 0, 1, 1, 1, 0.5, 0, true, false, 1)\n"
		"setVelocity('a', 20, 0)\n");
	std::string message;
	for (int f = 0; f < 10 && message.empty(); ++f)
	{
		try
		{
			frame(1.f / 30.f);
		}
		catch (lang::Throwable const& e)
		{
			message = e.getMessage().format();
			EXPECT_FALSE(host().scene().world().busy());
			EXPECT_FALSE(host().scene().world().world()->IsLocked());
		}
	}
	EXPECT_NE(std::string::npos, message.find("boom in callback")) << message;
}

TEST_F(Contact, RemovalsInsideACallbackWaitForTheStep)
{
	run("createBox('area', '', 0, 0, 2, 2, 0, 0.5, 0, true, false, 1) setAsSensor('area', true)\n"
		"createBox('crate', '', 5, 0, 0.5, 0.5, 1, 0.5, 0, true, false, 1)\n"
		"createBox('post', '', 7, 0, 0.5, 0.5, 1, 0.5, 0, true, false, 1)\n"
		"createJoint({ type = 2, name = 'weld', end1 = 'crate', end2 = 'post' })\n"
		"function enterCollision(a, b)\n"
		"  removeObject('crate') destroyJoint('weld')\n"
		"  stillThere = objects.joints.weld ~= nil and getVelocity('crate') ~= nil\n"
		"end\n"
		"setPosition('crate', 0, 0)\n");
	frame(1.f / 30.f);
	EXPECT_TRUE(host().getBoolean("stillThere"));
	EXPECT_EQ(nullptr, object("crate"));
	EXPECT_TRUE(host().getTable("objects").getTable("joints").isNil("weld"));
	EXPECT_EQ(0, host().scene().world().world()->GetJointCount());
	EXPECT_TRUE(host().joints().joints().empty());
}

TEST_F(Contact, ChangesInsideACallbackKeepTheirOwnStrings)
{
	// The strings outlive the call only in the queued change: names longer
	// than a short string's inline room live on the heap and are freed when
	// the call returns.
	run("createBox('area', '', 0, 0, 2, 2, 0, 0.5, 0, true, false, 1) setAsSensor('area', true)\n"
		"createBox('crate', '', 0, 0, 0.5, 0.5, 1, 0.5, 0, true, false, 1)\n"
		"function enterCollision(a, b)\n"
		"  local texture, material = 'a-texture-sheet-name-longer-than-inline', 'rock'\n"
		"  setTexture('crate', texture .. '') setMaterial('crate', material .. '')\n"
		"  entered = true\n"
		"end\n");
	frame(1.f / 30.f);
	ASSERT_TRUE(host().getBoolean("entered"));
	ASSERT_TRUE(object("crate"));
	EXPECT_EQ("a-texture-sheet-name-longer-than-inline", object("crate")->textureName);
	EXPECT_EQ(2, object("crate")->material);
}

// A creation asked for inside a step runs after it; when the script has
// meanwhile made objects.world something else, the creation fails whole: no
// body left in the world, no record made (the sanitizer's leak check sees a
// lost one).
class ContactDeferredCreation : public Contact, public testing::WithParamInterface<char const*>
{
};

TEST_P(ContactDeferredCreation, WhoseWorldTableWentChangesNothing)
{
	run("createBox('area', '', 0, 0, 2, 2, 0, 0.5, 0, true, false, 1) setAsSensor('area', true)\n"
		"createBox('crate', '', 0, 0, 0.5, 0.5, 1, 0.5, 0, true, false, 1)\n"
		"function enterCollision(a, b)\n"
		"  if not done then done = true " + std::string(GetParam()) + " objects.world = 5 end\n"
		"end\n");
	EXPECT_ANY_THROW(frame(1.f / 30.f));
	EXPECT_EQ(2, bodyCount());
	EXPECT_FALSE(object("late"));
}

INSTANTIATE_TEST_SUITE_P(Kinds, ContactDeferredCreation,
	testing::Values("createBox('late', '', 5, 5, 1, 1, 1, 0.5, 0, true, false, 1)",
		"createCompoundBodyFromTable({name = 'late', x = 5, y = 5, material = {density = 1}, "
		"children = {{x = 0, y = 0, blockData = {type = 'box', width = 1, height = 1}}}})"));

TEST_F(Contact, HostileStormEndsInExceptionsOnly)
{
	run("deadBlocks = {}\n"
		"setWorldGravity(0, 10)\n"
		"scoreTable = { blocks = { score = 'many' } }\n"
		"worldAttributes = { scoreDamageMultiplier = 0/0 }\n"
		"blockTable.damageFactors = { odd = { damageMultiplier = 'x', velocityMultiplier = { wood = 'fast' } },\n"
		"  wild = { damageMultiplier = { wood = 0/0, rock = 1e30 } } }\n"
		"blockTable.blocks.weird = { damage = 'lots', specialty = 5 }\n"
		"n = 0\n"
		"function removeBlocks() for k in pairs(deadBlocks) do removeObject(k) end deadBlocks = {} end\n"
		"function blockCollision(a, b) n = n + 1\n"
		"  if n % 7 == 0 then error('storm ' .. n) end\n"
		"  if n % 5 == 0 then removeObject(b) end\n"
		"  if n % 11 == 0 then destroyJoint('j' .. (n % 13)) end\n"
		"end\n"
		"function flyerCollision(f, o) n = n + 1 if n % 4 == 0 then removeObject(o) removeJointsFromObject(f) end end\n"
		"function enterCollision(a, b) n = n + 1 if n % 3 == 0 then error('enter') end removeBreakableJointsFromObject(b, 0) end\n"
		"function exitCollision(a, b) n = n + 1 if n % 2 == 0 then removeObject(a) end end\n"
		"createBox('floor', '', 0, 20, 60, 1, 0, 0.5, 0, true, false, 1)\n"
		"local strengths = { 0/0, '12', 1e30, nil, -5, 3 }\n"
		"for i = 1, 40 do\n"
		"  local name = 'b' .. i\n"
		"  createBox(name, '', (i % 10) * 1.1 - 5, -math.floor(i / 10) * 1.2, 1, 1, 1, 0.5, 0.1, true, false, 1)\n"
		"  local t = objects.world[name]\n"
		"  t.strength = strengths[i % 6 + 1] t.defence = (i % 4 == 0) and 1e30 or 'hard'\n"
		"  t.material = (i % 2 == 0) and 'wood' or 7 t.damageFactors = (i % 3 == 0) and 'wild' or 'odd'\n"
		"  t.definition = 'weird'\n"
		"  if i % 9 == 0 then setAsSensor(name, true) setObjectParameter(name, 21, 2 + i % 3) setObjectParameter(name, 27, (i % 2) - 0.5) end\n"
		"  if i > 1 then createJoint({ type = 1 + i % 4, name = 'j' .. (i % 13), end1 = name, end2 = 'b' .. (i - 1), breakable = true, breakForce = (i % 2) * 0.5 }) end\n"
		"end\n"
		"for i = 1, 8 do\n"
		"  local name = 'f' .. i\n"
		"  createCircle(name, '', -8 + i * 2, -15, 0.4, 5, 0.5, 0.2, true, true, 1) setActive(name, true)\n"
		"  objects.world[name].damageFactors = (i % 2 == 0) and 'wild' or 'odd'\n"
		"  objects.world[name].useLegacyCollisionPath = (i % 3 == 0)\n"
		"  objects.world[name].definition = 'weird'\n"
		"  setVelocity(name, (i % 3 - 1) * 10, 40)\n"
		"end\n");
	int exceptions = 0;
	for (int f = 0; f < 90; ++f)
	{
		try
		{
			frame(1.f / 30.f);
		}
		catch (lang::Throwable const&)
		{
			++exceptions;
		}
		ASSERT_FALSE(host().scene().world().busy());
	}
	EXPECT_GT(exceptions, 0);

	b2World const* world = host().scene().world().world();
	std::set<b2Body const*> bodies;
	for (b2Body const* body = world->GetBodyList(); body; body = body->GetNext())
	{
		bodies.insert(body);
		EXPECT_TRUE(std::isfinite(body->GetPosition().x) && std::isfinite(body->GetPosition().y));
	}
	std::set<b2Joint const*> joints;
	for (b2Joint const* joint = world->GetJointList(); joint; joint = joint->GetNext())
		joints.insert(joint);
	for (auto const* list : {&host().joints().joints(), &host().joints().brokenJoints()})
	{
		for (GameLua::jointData const& entry : *list)
			EXPECT_TRUE(!entry.joint || joints.count(entry.joint)) << entry.name;
	}
	std::set<Record const*> records;
	for (auto const& [name, record] : host().scene().renderObjects())
	{
		records.insert(record);
		EXPECT_TRUE(record->body && bodies.count(record->body)) << name;
	}
	for (auto const& [name, record] : host().scene().renderObjects())
	{
		for (Record const* sensor : record->sensors)
			EXPECT_TRUE(records.count(sensor)) << name;
	}
}

} // namespace
