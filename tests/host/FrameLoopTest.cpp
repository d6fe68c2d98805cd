// The frame loop's physics from script text: fixed steps, interpolation,
// the object pass and its flags.
#include <support/PhysicsHostFixture.h>
#include <host/PhysicsStepper.h>
#include <gtest/gtest.h>
#include <cmath>
#include <limits>

namespace
{

class FrameLoop : public test::PhysicsHostFixture
{
protected:
	int count(std::string const& call)
	{
		std::string calls = host().getString("calls");
		int n = 0;
		for (size_t at = calls.find(call); at != std::string::npos; at = calls.find(call, at + 1))
			++n;
		return n;
	}
};

TEST_F(FrameLoop, StepsCallScriptsInOrderAndInterpolate)
{
	run("setLevelLimits(-1000, -1000, 1000, 1000)\n"
		"createCircle('ball', '', 0, 0, 0.5, 1, 0, 0, true, false, 1)\n"
		"setVelocity('ball', 3, 0)\n"
		"calls = ''\n");
	frame(0.05f); // one step, 1/60 s left: halfway between the last two states
	EXPECT_EQ("forces;remove;clear;update;", host().getString("calls"));
	EXPECT_NEAR(0.0166667f, host().physicsStepper().accumulator(), 1e-6);
	GameLua::RenderObjectData* ball = object("ball");
	EXPECT_NEAR(0.1f, ball->body->GetPosition().x, 1e-6);
	EXPECT_NEAR(0.05f, ball->renderX, 1e-6);
	EXPECT_NEAR(0.05f, table("ball").getNumber("x"), 1e-6);
	EXPECT_FALSE(table("ball").getBoolean("sleeping"));
	EXPECT_EQ(3, table("ball").getNumber("velocity"));
	EXPECT_TRUE(host().getBoolean("hasAwakeObjects"));
	EXPECT_FALSE(host().getBoolean("hasMovingObjects")); // 3 m/s is not above 3
	EXPECT_TRUE(host().getBoolean("hasMovingObjectsZeroTolerance"));
	EXPECT_TRUE(host().isNumber("g_physicsUpdateMillis"));

	run("calls = ''");
	frame(0.1f); // 0.1 + 1/60: three steps
	EXPECT_EQ("forces;remove;forces;remove;forces;remove;clear;update;", host().getString("calls"));
}

TEST_F(FrameLoop, AngleBlendGoesThroughPi)
{
	run("createCircle('wheel', '', 0, 0, 0.5, 1, 0, 0, true, false, 1)");
	GameLua::RenderObjectData* wheel = object("wheel");
	frame(0.05f);
	// Fake the two last states around the seam, then a frame without a step.
	int newest = std::fabs(wheel->snapshot[0].x) >= 0 && wheel->snapshot[0].angle == 0 ? 0 : 1;
	for (int i : {0, 1})
		wheel->snapshot[i].angle = -3.1f;
	wheel->snapshot[newest].angle = 3.1f;
	wheel->snapshot[newest ^ 1].angle = -3.1f;
	frame(0.f);
	float alpha = host().physicsStepper().accumulator() * 30.f;
	float expected = alpha * 3.1f + (1 - alpha) * (-3.1f + 2 * 3.1415927f);
	if (std::fabs(wheel->renderAngle - expected) > 1e-4f)
	{
		// The other slot is the newest.
		expected = alpha * -3.1f + (1 - alpha) * (3.1f - 2 * 3.1415927f);
	}
	EXPECT_NEAR(expected, wheel->renderAngle, 1e-4);
	EXPECT_GT(std::fabs(wheel->renderAngle), 3.0f); // never near 0
}

TEST_F(FrameLoop, DisabledPhysicsSkipsStepsAndObjectPass)
{
	run("createCircle('ball', '', 0, 0, 0.5, 1, 0, 0, true, false, 1) setVelocity('ball', 5, 0)");
	frame(0.05f);
	ASSERT_TRUE(host().getBoolean("hasMovingObjects"));
	b2Vec2 position = object("ball")->body->GetPosition();
	run("setPhysicsEnabled(false) calls = ''");
	frame(0.5f);
	EXPECT_EQ("update;", host().getString("calls"));
	EXPECT_EQ(position, object("ball")->body->GetPosition());
	EXPECT_EQ(0, host().getNumber("g_physicsUpdateMillis"));
	EXPECT_TRUE(host().getBoolean("hasMovingObjects")); // kept
	EXPECT_NEAR(0.0166667f, host().physicsStepper().accumulator(), 1e-6); // not made up later
}

TEST_F(FrameLoop, AtMost120StepsPerFrame)
{
	run("calls = ''");
	frame(std::numeric_limits<float>::infinity());
	EXPECT_EQ(120, count("forces;"));
	EXPECT_LT(host().physicsStepper().accumulator(), 1.f / 30.f);
	run("calls = ''");
	frame(std::numeric_limits<float>::quiet_NaN());
	EXPECT_EQ(0, count("forces;"));
	EXPECT_EQ(1, count("update;"));
}

TEST_F(FrameLoop, StackSettlesAndFallsAsleep)
{
	run("setLevelLimits(-100, -100, 100, 100)\n"
		"createBox('ground', '', 0, 0, 20, 1, 0, 0.6, 0, true, false, 1)\n"
		"for i = 1, 4 do createBox('block' .. i, '', 0, -0.02 - i, 1, 1, 1, 0.6, 0, true, false, 2) end\n");
	host().scene().world().setGravity(b2Vec2(0, 10));
	int frames = framesUntilFalse("hasAwakeObjects", 600);
	EXPECT_GT(frames, 15);
	EXPECT_FALSE(host().getBoolean("hasMovingObjects"));
	for (int i = 1; i <= 4; ++i)
	{
		std::string name = "block" + std::to_string(i);
		EXPECT_TRUE(table(name).getBoolean("sleeping")) << name;
		EXPECT_NEAR(-float(i), table(name).getNumber("y"), 0.05f) << name;
	}
	// A push wakes the stack.
	run("applyImpulse('block4', 0, -1, 0, -4)");
	frame(1.f / 30.f);
	EXPECT_TRUE(host().getBoolean("hasAwakeObjects"));
}

TEST_F(FrameLoop, FlyerLeavingTheLimitsGoesToDeadBlocks)
{
	run("setLevelLimits(-10, -10, 10, 10)\n"
		"createCircle('flyer', '', 9.8, 0, 0.5, 1, 0, 0, true, false, 1)\n"
		"setObjectParameter('flyer', 21, 5)\n"
		"setVelocity('flyer', 30, 0)\n"
		"deadBlocks = {}\n");
	frame(1.f / 30.f);
	EXPECT_TRUE(object("flyer")->destroyPending);
	frame(1.f / 30.f);
	ASSERT_TRUE(host().getTable("deadBlocks").isTable("flyer"));
	EXPECT_EQ(0, table("flyer").getNumber("strength"));
	EXPECT_TRUE(table("flyer").getBoolean("frozen"));

	// Without a level's deadBlocks table the object is dropped with a log.
	run("deadBlocks = nil objects.world.flyer.strength = 1");
	object("flyer")->destroyPending = true;
	frame(1.f / 30.f);
	EXPECT_EQ(0, table("flyer").getNumber("strength"));
	EXPECT_TRUE(host().isNil("deadBlocks"));
}

TEST_F(FrameLoop, RollingLevelsPerMaterial)
{
	run("createCircle('log', '', 0, 0, 2, 1, 0, 0, true, false, 1)\n"
		"createCircle('stone', '', 10, 0, 1, 1, 0, 0, true, false, 1)\n"
		"setMaterial('log', 'wood') setMaterial('stone', 'rock')\n"
		"setAngularVelocity('log', 10) setAngularVelocity('stone', 0.5)\n");
	frame(1.f / 30.f);
	float logMass = object("log")->body->GetMass();
	float stoneMass = object("stone")->body->GetMass();
	EXPECT_FLOAT_EQ(std::min(1.f, 10.f * 2 / 400 * logMass), host().physicsStepper().rollingLevel(1));
	EXPECT_FLOAT_EQ(std::min(1.f, 0.5f * 1 / 400 * stoneMass), host().physicsStepper().rollingLevel(2));
	EXPECT_EQ(0, host().physicsStepper().rollingLevel(3));
	run("setAngularVelocity('stone', 0) setPhysicsEnabled(false)");
	frame(1.f / 30.f);
	EXPECT_EQ(0, host().physicsStepper().rollingLevel(1));
}

TEST_F(FrameLoop, AnimationCallbackMayRemoveObjects)
{
	run("createCircle('a', '', 0, 0, 0.5, 1, 0, 0, true, false, 1)\n"
		"createCircle('b', '', 5, 0, 0.5, 1, 0, 0, true, false, 1)\n"
		"createCircle('c', '', 9, 0, 0.5, 1, 0, 0, true, false, 1)\n"
		"setObjectParameter('a', 13, 1) setObjectParameter('c', 13, 1)\n"
		"seen = ''\n"
		"function selectObjectAnimation(name, speed, heading, dt)\n"
		"  seen = seen .. name .. ';'\n"
		"  removeObject('a') removeObject('b')\n"
		"end\n");
	frame(1.f / 30.f);
	EXPECT_EQ("a;c;", host().getString("seen"));
	EXPECT_EQ(1u, host().scene().renderObjects().size());
}

TEST_F(FrameLoop, NoObjectsSetsTheFlagsFalse)
{
	run("hasAwakeObjects = true hasMovingObjects = true hasMovingObjectsZeroTolerance = true");
	frame(1.f / 30.f);
	EXPECT_FALSE(host().getBoolean("hasAwakeObjects"));
	EXPECT_FALSE(host().getBoolean("hasMovingObjects"));
	EXPECT_FALSE(host().getBoolean("hasMovingObjectsZeroTolerance"));
}

TEST_F(FrameLoop, ResetPhysicsWorldRemovesEveryRecord)
{
	run("createCircle('a', '', 0, 0, 0.5, 1, 0, 0, true, true, 1) setObjectParameter('a', 32, 1)");
	host().scene().resetPhysicsWorld(b2Vec2(0, 10), true);
	EXPECT_TRUE(host().scene().renderObjects().empty());
	EXPECT_TRUE(host().scene().inactiveObjects().empty());
	EXPECT_TRUE(host().scene().aimSensors().empty());
	EXPECT_TRUE(host().scene().drawLists().empty());
	EXPECT_EQ(0, bodyCount());
	EXPECT_EQ(b2Vec2(0, 10), host().scene().world().world()->GetGravity());
	EXPECT_EQ(nullptr, host().scene().getBody("a"));
	EXPECT_THROW(host().scene().resetPhysicsWorld(b2Vec2(NAN, 0), true), lang::Exception);
	run("createCircle('b', '', 0, 0, 0.5, 1, 0, 0, true, false, 1)");
	frame(1.f / 30.f);
	EXPECT_GT(object("b")->body->GetPosition().y, 0);
}

TEST_F(FrameLoop, PhysicsSwitchSequences)
{
	struct Step
	{
		char const* code;
		bool enabled;
	};
	// The fixture switched it on: counter 0.
	Step const steps[] = {
		{"setPhysicsEnabled(true)", true},
		{"setPhysicsEnabled(false)", false},
		{"setPhysicsEnabled(false)", false},
		{"setPhysicsEnabled(true)", true},
		{"setPhysicsEnabled(false, 'menu') setPhysicsEnabled(false, 'menu')", false},
		{"setPhysicsEnabled(true, 'menu')", false},
		{"setPhysicsEnabled(true, 'menu')", true},
		{"setPhysicsEnabled(true, 'x')", true},
		{"setPhysicsEnabled(false, 'x')", false},
	};
	for (Step const& step : steps)
	{
		run(step.code);
		run("on = isPhysicsEnabled()");
		EXPECT_EQ(step.enabled, host().getBoolean("on")) << step.code;
	}
	EXPECT_NE(std::string::npos, error("setPhysicsEnabled()").find("stack position 1"));
	EXPECT_NE(std::string::npos, error("setPhysicsEnabled(true, 5)").find("stack position 2"));
}

} // namespace
