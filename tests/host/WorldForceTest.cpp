// The script switches of the simulation as a whole and the per-object
// settings of gravity sensors, with their refusals.
#include <support/PhysicsHostFixture.h>
#include <host/RenderObjectData.h>
#include <host/WorldForces.h>
#include <gtest/gtest.h>
#include <string>

namespace
{

class WorldForce : public test::PhysicsHostFixture
{
};

TEST_F(WorldForce, SettersKeepTheirValuesAndRefuseBadOnes)
{
	EXPECT_EQ(4.f, host().worldForces().getGravityForceMultiplier());
	EXPECT_EQ(1.f, host().worldForces().getDeltaTimeMultiplier());
	EXPECT_EQ(1.f, host().view().physicsSimulationScale());
	run("setGravityForceMultiplier(2.5) setDeltaTimeMultiplier(0) setPhysicsSimulationScale(0.5)\n"
		"g = getGravityForceMultiplier() d = getDeltaTimeMultiplier()\n");
	EXPECT_EQ(2.5f, host().getNumber("g"));
	EXPECT_EQ(0.f, host().getNumber("d")) << "0 pauses";
	EXPECT_EQ(0.5f, host().view().physicsSimulationScale());

	char const* const refused[] = {
		"setGravityForceMultiplier(0/0)",
		"setDeltaTimeMultiplier(0/0)",
		"setDeltaTimeMultiplier(-1)",
		"setPhysicsSimulationScale(0/0)",
		"setWorldGravity(0, 0/0)",
		"setSensorMinimumAndMaximumForces('a', 0/0, 1)",
		"setRevertGravityWithMultiplier('a', true, 1, 0/0)",
	};
	run("createBox('a', '', 0, 0, 1, 1, 1, 0.5, 0, true, false, 1)\n");
	for (char const* code : refused)
		EXPECT_NE("", error(code)) << code;
	EXPECT_EQ(2.5f, host().worldForces().getGravityForceMultiplier());
	EXPECT_EQ(0.f, host().worldForces().getDeltaTimeMultiplier());
	EXPECT_EQ(0.f, object("a")->sensorMinForce);
	EXPECT_FALSE(object("a")->revertGravityWithMultiplier);
	EXPECT_EQ(0.f, host().scene().world().world()->GetGravity().y);

	run("setSensorMinimumAndMaximumForces('a', 1, 2) setSensorGravityMask('a', 6.9) setObjectGravityCategory('a', 2)\n"
		"setRecordVelocity('a', true) setRevertGravity('a', true) setRevertGravityWithMultiplier('a', true, 2, 5)\n"
		"setSensorGravityMask('ghost', 1) setRevertGravity('ghost', true)\n");
	GameLua::RenderObjectData* a = object("a");
	EXPECT_EQ(2.f, a->sensorMaxForce);
	EXPECT_EQ(6, a->gravityMask);
	EXPECT_EQ(2, a->gravityCategory);
	EXPECT_TRUE(a->recordVelocity && a->revertGravity && a->revertGravityWithMultiplier);
	EXPECT_EQ(-2.f, a->revertGravityMultiplier);
	EXPECT_EQ(5.f, a->revertGravitySpeedLimit);
	EXPECT_EQ(nullptr, object("ghost"));
}

TEST_F(WorldForce, WorldGravityLeavesSleepersAsleep)
{
	run("createBox('a', '', 0, 0, 1, 1, 1, 0.5, 0, true, false, 1) setSleeping('a', true)\n"
		"setWorldGravity(0, 10)\n");
	EXPECT_EQ(10.f, host().scene().world().world()->GetGravity().y);
	frame(1.f / 30.f);
	EXPECT_FALSE(object("a")->body->IsAwake());
	EXPECT_EQ(0.f, object("a")->body->GetPosition().y);
}

TEST_F(WorldForce, PhysicsStartsDisabled)
{
	// The fixture switched the first host's physics on; a new host starts with it off.
	destroyHost();
	EXPECT_FALSE(host().worldForces().isPhysicsEnabled());
	EXPECT_EQ(1, host().settings().physicsDisabled);
}

} // namespace
