// Joints from script text in a real world: creation and its refusals,
// anchors, breaking, timed links, limits, parameters and springs.
#include <support/PhysicsHostFixture.h>
#include <host/RenderObjectData.h>
#include <lua/LuaException.h>
#include <gtest/gtest.h>
#include <cmath>
#include <string>

namespace
{

class Joint : public test::PhysicsHostFixture
{
protected:
	Joint()
	{
		run("pairs = _G.pairs\n"
			"createBox('a', '', 0, 0, 1, 1, 1, 0.5, 0, true, false, 1)\n"
			"createBox('b', '', 4, 0, 1, 1, 1, 0.5, 0, true, false, 1)\n"
			"createBox('c', '', 0, 10, 1, 1, 1, 0.5, 0, true, false, 1)\n");
	}

	lua::LuaTable joint(std::string const& name) { return host().getTable("objects").getTable("joints").getTable(name); }
	bool hasJoint(std::string const& name)
	{
		lua::LuaTable objects = host().getTable("objects");
		return objects.isTable("joints") && objects.getTable("joints").isTable(name);
	}
	b2Joint* b2joint(std::string const& name)
	{
		for (GameLua::jointData const& entry : host().joints().joints())
		{
			if (entry.name == name)
				return entry.joint;
		}
		return nullptr;
	}
	int worldJoints() { return host().scene().world().world()->GetJointCount(); }
};

TEST_F(Joint, CoordTypeRoundsAndChoosesTheAnchors)
{
	run("createJoint({ type = 1, name = 'round2', end1 = 'a', end2 = 'b', coordType = 1.6, x1 = 0.5, y1 = 0, x2 = -0.5, y2 = 0 })\n"
		"createJoint({ type = 1, name = 'round0', end1 = 'a', end2 = 'c', coordType = 0.4 })\n"
		"createJoint({ type = 1, name = 'world', end1 = 'b', end2 = 'c', coordType = 1 }, nil, nil, nil, nil, 4, 0.5, 0, 10.5)\n"
		"createJoint({ type = 1, name = 'bare', end1 = 'a', end2 = 'b', coordType = 1, x1 = 9, y1 = 9 })\n");
	EXPECT_EQ(2, joint("round2").getNumber("coordType"));
	EXPECT_EQ(0, joint("round0").getNumber("coordType"));
	// Local anchors for coordType 2, body positions for 0.
	EXPECT_FLOAT_EQ(0.5f, b2joint("round2")->GetAnchorA().x);
	EXPECT_FLOAT_EQ(3.5f, b2joint("round2")->GetAnchorB().x);
	EXPECT_FLOAT_EQ(10.f, b2joint("round0")->GetAnchorB().y);
	// coordType 1: world anchors from positions 6 to 9, or 0 with the table alone.
	EXPECT_FLOAT_EQ(0.5f, b2joint("world")->GetAnchorA().y);
	EXPECT_FLOAT_EQ(10.5f, b2joint("world")->GetAnchorB().y);
	EXPECT_FLOAT_EQ(0.5f, joint("world").getNumber("y1"));
	EXPECT_EQ(0.f, b2joint("bare")->GetAnchorA().Length());
	EXPECT_EQ(0.f, b2joint("bare")->GetAnchorB().Length());
	EXPECT_EQ(0, joint("bare").getNumber("x1"));
	// Jointed blocks do not keep the level moving.
	EXPECT_TRUE(object("a")->excludeFromMoving);

	// Anchors are published every frame, except for coordType 2.
	run("setPosition('a', 1, 1) setPosition('b', 5, 1) setPosition('c', 1, 11)\n"
		"objects.joints.round2.x1 = 77\n");
	frame(1.f / 30.f);
	EXPECT_EQ(77, joint("round2").getNumber("x1"));
	EXPECT_NEAR(b2joint("round0")->GetAnchorA().x, joint("round0").getNumber("x1"), 1e-5);
	EXPECT_NEAR(b2joint("round0")->GetAnchorB().y, joint("round0").getNumber("y2"), 1e-5);
}

TEST_F(Joint, WorldPointsGiveTheLengthOnATurnedBody)
{
	// End a turned: its anchor lands off the given point, the length does not.
	run("setRotation('a', 0.5)\n"
		"createJoint({ type = 1, name = 'rod', end1 = 'a', end2 = 'b', coordType = 1, frequency = 0 }, nil, nil, nil, nil, 1, 0, 4, 0)\n"
		"createJoint({ type = 1, name = 'spring', end1 = 'a', end2 = 'b', coordType = 1 }, nil, nil, nil, nil, 1, 0, 4, 0)");
	b2DistanceJoint* rod = static_cast<b2DistanceJoint*>(b2joint("rod"));
	b2DistanceJoint* spring = static_cast<b2DistanceJoint*>(b2joint("spring"));
	EXPECT_FLOAT_EQ(3.f, rod->GetLength());
	EXPECT_FLOAT_EQ(3.f, spring->GetLength());
	EXPECT_NEAR(std::cos(0.5f), rod->GetAnchorA().x, 1e-5);
	EXPECT_NEAR(std::sin(0.5f), rod->GetAnchorA().y, 1e-5);
	for (int i = 0; i < 30; ++i)
		frame(1.f / 30.f);
	EXPECT_NEAR(3.f, b2Distance(rod->GetAnchorA(), rod->GetAnchorB()), 0.02f);
}

TEST_F(Joint, KindsAndTheirDefaults)
{
	run("createJoint({ type = 1, name = 'spring', end1 = 'a', end2 = 'b' })\n"
		"createJoint({ type = 4, name = 'slider', end1 = 'a', end2 = 'c', worldAxisX = 0, worldAxisY = 1, limit = true })\n"
		"createJoint({ type = 3, name = 'hinge', end1 = 'b', end2 = 'c', isMenuJoint = true, motor = true, motorSpeed = 2, maxTorque = 5 })\n"
		"createJoint({ type = 2, name = 'weld', end1 = 'b', end2 = 'a', collideConnected = true })\n");
	EXPECT_EQ(4, worldJoints());
	b2PrismaticJoint* slider = static_cast<b2PrismaticJoint*>(b2joint("slider"));
	EXPECT_EQ(5.f, slider->GetUpperLimit());
	EXPECT_EQ(0.f, slider->GetLowerLimit());
	EXPECT_EQ("hinge", host().getString("rotatingMenuJoint"));
	EXPECT_TRUE(joint("hinge").getBoolean("isMenuJoint"));
	EXPECT_TRUE(joint("weld").getBoolean("collideConnected"));
	EXPECT_EQ(4, joint("spring").getNumber("frequency"));
	EXPECT_EQ(0, joint("spring").getNumber("collideConnected"));
	// A 4 Hz spring, not a rod: it stretches and pulls back.
	frame(1.f / 30.f);
	b2DistanceJoint* spring = static_cast<b2DistanceJoint*>(b2joint("spring"));
	EXPECT_GT(spring->GetStiffness(), 0.f);
	EXPECT_GT(spring->GetMaxLength(), 1000.f);
}

TEST_F(Joint, BadDescriptionsStoreNothing)
{
	struct Row
	{
		char const* description;
		char const* message;
	};
	Row const rows[] = {
		{"{ type = 1, name = 'j', end1 = 'a', end2 = 'ghost' }", "Joint bodies are not defined!"},
		{"{ type = 3, name = 'j', end1 = 'a' }", "Joint bodies are not defined!"},
		{"{ type = 2, name = 'j', end1 = 'a', end2 = 'a' }", "createJoint: joint \"j\": both ends are \"a\""},
		{"{ type = 9, name = 'j', end1 = 'a', end2 = 'b' }", "createJoint: joint \"j\": unknown joint type 9"},
		{"{ name = 'j', end1 = 'a', end2 = 'b' }", "createJoint: joint \"j\": unknown joint type 0"},
		{"{ type = 3, name = 'j', end1 = 'a', end2 = 'b', lowerLimit = 1 }", "createJoint: joint \"j\": lower limit 1 is above upper limit 0"},
		{"{ type = 4, name = 'j', end1 = 'a', end2 = 'b', lowerLimit = 6 }", "createJoint: joint \"j\": lower limit 6 is above upper limit 5"},
		{"{ type = 1, name = 'j', end1 = 'a', end2 = 'b', frequency = 0/0 }", "createJoint: joint \"j\": frequency is nan"},
		{"{ type = 5, name = 'j', end1 = 'a', end2 = 'b', x1 = 0/0 }", "createJoint: joint \"j\": x1 is nan"},
	};
	for (Row const& row : rows)
	{
		EXPECT_EQ(row.message, error(std::string("createJoint(") + row.description + ")")) << row.description;
		EXPECT_FALSE(hasJoint("j"));
		EXPECT_TRUE(host().joints().joints().empty());
		EXPECT_TRUE(host().joints().timedLinks().empty());
	}
	EXPECT_EQ(0, worldJoints());
	EXPECT_NE("", error("createJoint(5)"));
	EXPECT_NE("", error("createJoints({ 5 })"));
}

TEST_F(Joint, BreakingAtImpactsAboveTheBreakForce)
{
	run("createJoint({ type = 2, name = 'glue', end1 = 'a', end2 = 'b', breakable = true, breakForce = 3 })\n"
		"removeBreakableJointsFromObject('a', 3)\n");
	EXPECT_TRUE(hasJoint("glue")) << "an impact equal to the break force";
	run("removeBreakableJointsFromObject('b', 3.01)\n");
	EXPECT_FALSE(hasJoint("glue"));
	EXPECT_TRUE(host().joints().joints().empty());
	EXPECT_EQ(1u, host().joints().brokenJoints().size());
	EXPECT_EQ(1, worldJoints()) << "destroyed after the step";
	frame(1.f / 30.f);
	EXPECT_EQ(0, worldJoints());
	EXPECT_TRUE(host().joints().brokenJoints().empty());

	// An object removed while its broken joint waits destroys the joint once, with its body.
	run("createJoint({ type = 2, name = 'glue2', end1 = 'a', end2 = 'c', breakable = true, breakForce = 1 })\n"
		"removeBreakableJointsFromObject('c', 2) removeObject('c')\n");
	EXPECT_TRUE(host().joints().brokenJoints().empty());
	EXPECT_EQ(0, worldJoints());
	frame(1.f / 30.f);
	host().SayGoodbye(static_cast<b2Joint*>(nullptr));
}

TEST_F(Joint, ContactImpactBreaksAJoint)
{
	run("createBox('hammer', '', 0, 5, 1, 1, 10, 0.5, 0, true, false, 1)\n"
		"createCircle('shot', '', -5, 0, 0.3, 5, 0.5, 0, true, true, 1) setActive('shot', true)\n"
		"createJoint({ type = 2, name = 'glue', end1 = 'a', end2 = 'b', breakable = true, breakForce = 0.5 })\n"
		"setVelocity('shot', 30, 0)\n");
	for (int f = 0; f < 15 && hasJoint("glue"); ++f)
		frame(1.f / 30.f);
	EXPECT_FALSE(hasJoint("glue"));
	EXPECT_EQ(0, worldJoints());
}

TEST_F(Joint, TimedLinkEndsTheOtherEndLater)
{
	run("deadBlocks = {}\n"
		"createJoint({ type = 5, name = 'fuse', end1 = 'a', end2 = 'ghost' })\n"
		"createJoint({ type = 5, name = 'link', end1 = 'a', end2 = 'b', destroyTimer = 2 })\n"
		"removeObject('a')\n");
	EXPECT_TRUE(host().joints().timedLinks().empty());
	EXPECT_TRUE(object("b")->destroyPending);
	int frames = 0;
	while (frames < 100 && !host().getTable("deadBlocks").isTable("b"))
	{
		frame(1.f / 30.f);
		++frames;
	}
	EXPECT_NEAR(60, frames, 1);
	EXPECT_EQ(0, table("b").getNumber("strength"));
}

TEST_F(Joint, RemovalTakesTheJointsWithTheObject)
{
	run("createJoint({ type = 3, name = 'h1', end1 = 'a', end2 = 'b' })\n"
		"createJoint({ type = 2, name = 'w1', end1 = 'b', end2 = 'c' })\n"
		"createJoint({ type = 5, name = 't1', end1 = 'b', end2 = 'c', destroyTimer = 3 })\n"
		"removeJointsFromObject('a')\n");
	EXPECT_FALSE(hasJoint("h1"));
	EXPECT_EQ(1, worldJoints());
	run("removeObject('b')\n");
	EXPECT_FALSE(hasJoint("w1"));
	EXPECT_TRUE(host().joints().joints().empty());
	EXPECT_TRUE(host().joints().timedLinks().empty());
	EXPECT_EQ(3.f, object("c")->destroyTimer);
	EXPECT_EQ(0, worldJoints());
	run("destroyJoint('nothing') checkJointLimits('nothing') setRevoluteJointSpeed('nothing', 1) linkSensor('a')\n");
}

TEST_F(Joint, CheckJointLimitsReversesMotors)
{
	run("createBox('ground', '', 0, 30, 1, 1, 0, 0.5, 0, true, false, 1)\n"
		"createJoint({ type = 3, name = 'hinge', end1 = 'ground', end2 = 'a', motor = true, motorSpeed = 1, maxTorque = 100,"
		"  limit = true, lowerLimit = -0.1, upperLimit = 0.1 })\n"
		"createJoint({ type = 4, name = 'slider', end1 = 'ground', end2 = 'b', worldAxisX = 1, worldAxisY = 0,"
		"  motorSpeed = -1, lowerLimit = -1, upperLimit = 5 })\n");
	b2RevoluteJoint* hinge = static_cast<b2RevoluteJoint*>(b2joint("hinge"));
	b2PrismaticJoint* slider = static_cast<b2PrismaticJoint*>(b2joint("slider"));
	run("checkJointLimits('hinge') checkJointLimits('slider')\n");
	EXPECT_EQ(1.f, hinge->GetMotorSpeed()) << "inside the limits";
	EXPECT_EQ(-1.f, slider->GetMotorSpeed());
	// At the upper limit, only with limit and motor on.
	run("setJointParameters({ name = 'hinge', lowerLimit = -0.2, upperLimit = -0.05, motor = false }) checkJointLimits('hinge')\n");
	EXPECT_EQ(1.f, hinge->GetMotorSpeed());
	run("setJointParameters({ name = 'hinge', motor = true }) checkJointLimits('hinge')\n");
	EXPECT_EQ(-1.f, hinge->GetMotorSpeed());
	// The prismatic's second clause holds without limit and motor.
	run("setPosition('b', 2, 0) checkJointLimits('slider')\n");
	EXPECT_EQ(1.f, slider->GetMotorSpeed());
}

TEST_F(Joint, SetJointParametersPerKind)
{
	run("createJoint({ type = 1, name = 'spring', end1 = 'a', end2 = 'b', frequency = 0 })\n"
		"createJoint({ type = 3, name = 'hinge', end1 = 'b', end2 = 'c', lowerLimit = -1, upperLimit = 1 })\n"
		"createJoint({ type = 4, name = 'slider', end1 = 'a', end2 = 'c', worldAxisX = 1 })\n"
		"setJointParameters({ name = 'spring', frequency = 2, dampingRatio = 0.1 })\n"
		"setJointParameters({ upperLimit = 3, lowerLimit = 2, name = 'hinge', motor = true, motorSpeed = 4, maxTorque = 9, limit = true })\n"
		"setJointParameters({ name = 'slider', maxTorque = 7, lowerLimit = -2, motor = 'yes' })\n");
	frame(1.f / 30.f);
	b2DistanceJoint* spring = static_cast<b2DistanceJoint*>(b2joint("spring"));
	EXPECT_GT(spring->GetStiffness(), 0.f);
	EXPECT_EQ(2, joint("spring").getNumber("frequency"));
	b2RevoluteJoint* hinge = static_cast<b2RevoluteJoint*>(b2joint("hinge"));
	EXPECT_EQ(2.f, hinge->GetLowerLimit()) << "both limits as one pair, whatever the order";
	EXPECT_EQ(3.f, hinge->GetUpperLimit());
	EXPECT_TRUE(hinge->IsMotorEnabled());
	EXPECT_TRUE(hinge->IsLimitEnabled());
	EXPECT_EQ(4.f, hinge->GetMotorSpeed());
	EXPECT_EQ(9.f, hinge->GetMaxMotorTorque());
	EXPECT_EQ(3, joint("hinge").getNumber("upperLimit"));
	b2PrismaticJoint* slider = static_cast<b2PrismaticJoint*>(b2joint("slider"));
	EXPECT_EQ(7.f, slider->GetMaxMotorForce());
	EXPECT_EQ(-2.f, slider->GetLowerLimit());
	EXPECT_EQ(5.f, slider->GetUpperLimit());
	EXPECT_FALSE(slider->IsMotorEnabled()) << "a string is no flag";

	EXPECT_EQ("setJointParameters: joint \"hinge\": lower limit 4 is above upper limit 3", error("setJointParameters({ name = 'hinge', lowerLimit = 4 })"));
	EXPECT_EQ("setJointParameters: joint \"slider\": motorSpeed is nan", error("setJointParameters({ name = 'slider', motorSpeed = 0/0 })"));
	EXPECT_EQ(2.f, hinge->GetLowerLimit());
	// Back to a rod.
	run("setJointParameters({ name = 'spring', frequency = 0 })\n");
	EXPECT_EQ(spring->GetMinLength(), spring->GetMaxLength());
}

} // namespace
