// Gravity sensors: the force of one sensor on one object, and objects
// pulled by the frame loop while inside a sensor.
#include <support/PhysicsHostFixture.h>
#include <host/RenderObjectData.h>
#include <host/WorldForces.h>
#include <gtest/gtest.h>
#include <cmath>
#include <functional>

namespace
{

using Record = GameLua::RenderObjectData;

class Sensor : public test::PhysicsHostFixture
{
};

TEST_F(Sensor, ForceOfOneSensorOnOneObject)
{
	// The sensor pulls with 10 at its edge (radius 100) and 50 at its centre; the rock has mass 2.
	run("createCircle('well', '', 0, 0, 1, 0, 0.5, 0, true, false, 1)\n"
		"setObjectParameter('well', 21, 2) setSensorMinimumAndMaximumForces('well', 10, 50) setObjectParameter('well', 27, 100)\n"
		"createBox('rock', '', 50, 0, 1, 2, 1, 0.5, 0, true, false, 1)\n"
		"setGravityForceMultiplier(3)\n");
	Record* well = object("well");
	Record* rock = object("rock");
	ASSERT_FLOAT_EQ(2.f, rock->body->GetMass());
	physics::PhysicsWorld& world = host().scene().world();
	struct Row
	{
		char const* what;
		float x;
		std::function<void(Record&, Record&)> setup;
		b2Vec2 force;
	};
	Row const rows[] = {
		{"(50 - 0.5 x 40) x 2 x 0.1 toward the centre", 50, [](Record&, Record&) {}, b2Vec2(-6, 0)},
		{"beyond the radius the pull turns into a push", 150, [](Record&, Record&) {}, b2Vec2(2, 0)},
		{"mask 4, category 2", 50, [](Record& s, Record& o) { s.gravityMask = 4; o.gravityCategory = 2; }, b2Vec2(0, 0)},
		{"mask 6, category 2", 50, [](Record& s, Record& o) { s.gravityMask = 6; o.gravityCategory = 2; }, b2Vec2(-6, 0)},
		{"mask -1", 50, [](Record&, Record& o) { o.gravityCategory = 2; }, b2Vec2(-6, 0)},
		{"category -1", 50, [](Record& s, Record&) { s.gravityMask = 4; }, b2Vec2(-6, 0)},
		{"a listing sensor exerts nothing", 50, [](Record& s, Record&) { s.objectType = host::ObjectType::ListingSensor; }, b2Vec2(0, 0)},
		{"flyer before its timer: factor 3", 50, [](Record&, Record& o) { o.startsInactive = true; }, b2Vec2(-18, 0)},
		{"flyer at 1 s: factor 1.7", 50, [](Record&, Record& o) { o.startsInactive = true; o.flyerTimer = 1; }, b2Vec2(-6 * 1.7f, 0)},
		{"flyer at 2 s: factor 1", 50, [](Record&, Record& o) { o.startsInactive = true; o.flyerTimer = 2; }, b2Vec2(-6, 0)},
		{"a flyer is not reverted", 50, [](Record&, Record& o) { o.startsInactive = true; o.revertGravity = true; }, b2Vec2(-18, 0)},
		{"reverted to a tenth", 50, [](Record&, Record& o) { o.revertGravity = true; }, b2Vec2(0.6f, 0)},
		{"reverted with multiplier 2 below the speed limit", 50,
			[](Record&, Record& o) { o.revertGravityWithMultiplier = true; o.revertGravityMultiplier = -2; o.revertGravitySpeedLimit = 5; },
			b2Vec2(12, 0)},
		{"radius 0", 50, [](Record& s, Record&) { s.sensorRadius = 0; }, b2Vec2(0, 0)},
		{"radius -0.5", 50, [](Record& s, Record&) { s.sensorRadius = -0.5f; }, b2Vec2(0, 0)},
		{"line sensor of length 0", 50, [](Record& s, Record&) { s.sensorRadius = -1; }, b2Vec2(0, 0)},
		{"line sensor along its local y axis", 50, [](Record& s, Record&) { s.sensorRadius = -1; s.sensorLength = 100; },
			b2Vec2(0, (50 - std::sqrt(5000.f) / 100 * 40) * 0.2f)},
	};
	for (Row const& row : rows)
	{
		well->objectType = host::ObjectType::GravitySensor;
		well->gravityMask = -1;
		well->sensorRadius = 100;
		well->sensorLength = 0;
		rock->gravityCategory = -1;
		rock->startsInactive = rock->revertGravity = rock->revertGravityWithMultiplier = false;
		rock->flyerTimer = -1;
		row.setup(*well, *rock);
		world.setTransform(rock->body, b2Vec2(row.x, 0), 0);
		world.clearBodyForces(rock->body);
		host().worldForces().applySensorForceToObject(well, rock);
		b2Vec2 force = physics::PhysicsWorld::bodyForce(rock->body);
		EXPECT_NEAR(row.force.x, force.x, 1e-4) << row.what;
		EXPECT_NEAR(row.force.y, force.y, 1e-4) << row.what;
	}

	// At the speed limit the reverting object gets nothing.
	rock->revertGravityWithMultiplier = true;
	rock->revertGravityMultiplier = -2;
	rock->revertGravitySpeedLimit = 5;
	world.setTransform(rock->body, b2Vec2(50, 0), 0);
	world.setLinearVelocity(rock->body, b2Vec2(0, 5));
	world.clearBodyForces(rock->body);
	host().worldForces().applySensorForceToObject(well, rock);
	EXPECT_EQ(0.f, physics::PhysicsWorld::bodyForce(rock->body).Length());

	// A static object is neither pushed nor woken.
	rock->revertGravityWithMultiplier = false;
	run("setObjectParameter('rock', 2, 0) setSleeping('rock', true)\n");
	host().worldForces().applySensorForceToObject(well, rock);
	EXPECT_EQ(0.f, physics::PhysicsWorld::bodyForce(rock->body).Length());
	EXPECT_FALSE(rock->body->IsAwake());
}

TEST_F(Sensor, FrameLoopPullsObjectsInside)
{
	run("createCircle('well', '', 0, 0, 4, 0, 0.5, 0, true, false, 1) setAsSensor('well', true)\n"
		"setObjectParameter('well', 21, 2) setSensorMinimumAndMaximumForces('well', 10, 50) setObjectParameter('well', 27, 4)\n"
		"createCircle('list', '', 0, 20, 4, 0, 0.5, 0, true, false, 1) setAsSensor('list', true) setObjectParameter('list', 21, 3)\n"
		"createBox('rock', '', 2, 0, 0.5, 0.5, 1, 0.5, 0, true, false, 1)\n"
		"createBox('pebble', '', 2, 20, 0.5, 0.5, 1, 0.5, 0, true, false, 1)\n");
	for (int f = 0; f < 10; ++f)
		frame(1.f / 30.f);
	EXPECT_LT(object("rock")->body->GetLinearVelocity().x, -0.5f);
	EXPECT_TRUE(table("rock").getBoolean("insideGravity"));
	ASSERT_EQ(1u, object("rock")->sensors.size());
	// A listing sensor keeps its objects without pulling them.
	ASSERT_EQ(1u, object("pebble")->sensors.size());
	EXPECT_EQ(0.f, object("pebble")->body->GetLinearVelocity().Length());

	// Leaving empties the list; removing a sensor drops it from every list.
	run("setPosition('rock', 30, 0) removeObject('list')\n");
	frame(1.f / 30.f);
	EXPECT_TRUE(object("rock")->sensors.empty());
	EXPECT_FALSE(table("rock").getBoolean("insideGravity"));
	EXPECT_TRUE(object("pebble")->sensors.empty());
}

} // namespace
