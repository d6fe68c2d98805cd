// The aiming aid on a real physics world: the flight prediction against an
// integration of its step written out here, the aiming stream's spawning,
// thinning and drawing, the trails and their place in the scene drawing.
#include "SceneFixture.h"
#include <host/AimStream.h>
#include <host/RenderObjectData.h>
#include <support/PhysicsHostFixture.h>
#include <physics/PhysicsWorld.h>
#include <gr/RenderState2D.h>
#include <gtest/gtest.h>
#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

namespace
{

class AimPrediction : public test::PhysicsHostFixture
{
protected:
	/** A level's simulation values, through a level load of the previous level. */
	void level(int iterations, float multiplier, int sampler)
	{
		run("worldAttributes = {simulationIterations = " + std::to_string(iterations) + ", simulationTimeStepMultiplier = " +
			std::to_string(multiplier) + ", simulationStorePointsSampler = " + std::to_string(sampler) +
			", simulationAimSpawnTime = 0.6, simulationAimSpeed = 4} deadBlocks = deadBlocks or {}\n"
			"loadPreviousLevel('x')");
	}

	/** The flyer stand-in at x, y (metres) with velocity v. */
	b2Body* flyer(float x, float y, b2Vec2 v)
	{
		run("createCircle('FlyerSimulation', '', " + std::to_string(x * 20) + ", " + std::to_string(y * 20) +
			", 10, 1, 0.5, 0, true, false, 1)");
		b2Body* body = object("FlyerSimulation")->body;
		body->SetLinearVelocity(v);
		return body;
	}
};

TEST_F(AimPrediction, PointsFollowTheFreeFlightStep)
{
	host().scene().world().setGravity(b2Vec2(0.f, 10.f));
	level(40, 2.f, 1);
	run("createCircle('well', '', 400, 0, 2000, 0, 0.5, 0, true, false, 1) setAsSensor('well', true)\n"
		"setObjectParameter('well', 21, 2) setSensorMinimumAndMaximumForces('well', 10, 50) setObjectParameter('well', 27, 100)\n"
		"setObjectParameter('well', 32, 1)\n"
		"createBox('wall', '', 100, 0, 10, 400, 0, 0.5, 0, true, false, 1)\n"
		"contacts = 0 function enterCollision(a, b) contacts = contacts + 1 end");
	b2Body* body = flyer(0.f, 0.f, b2Vec2(100.f, -20.f));
	run("setLinearDamping('FlyerSimulation', 0.5)");
	body->SetGravityScale(0.f);
	b2Body* well = object("well")->body;
	b2Vec2 const wellAt = well->GetPosition();
	b2Vec2 const wallAt = object("wall")->body->GetPosition();

	// The step of the prediction, written out: sensor pull, gravity, damping, the 2 per step clamp.
	float const h = 2.f / 35.f;
	b2Vec2 p = body->GetPosition();
	b2Vec2 v = body->GetLinearVelocity();
	float const mass = body->GetMass();
	std::vector<b2Vec2> expected;
	for (int i = 0; i < 40; ++i)
	{
		b2Vec2 d = wellAt - p;
		float const t = d.Length() / 100.f;
		float const m = 50.f - t * 40.f;
		d.Normalize();
		b2Vec2 const force = m * mass * 0.1f * d;
		v += h * (b2Vec2(0.f, 10.f) + (1.f / mass) * force);
		v *= std::clamp(1.f - h * 0.5f, 0.f, 1.f);
		b2Vec2 const move = h * v;
		if (b2Dot(move, move) > 4.f)
			v *= 2.f / move.Length();
		p += h * v;
		expected.push_back(p);
	}
	run("updateFlyerTrajectoryTable()");
	std::vector<math::float2> const& points = host().aiming().simulationTrajectory();
	ASSERT_EQ(40u, points.size());
	for (size_t i = 0; i < points.size(); ++i)
	{
		EXPECT_NEAR(expected[i].x, points[i].x, 1e-3f * (1.f + std::fabs(expected[i].x))) << i;
		EXPECT_NEAR(expected[i].y, points[i].y, 1e-3f * (1.f + std::fabs(expected[i].y))) << i;
	}
	// It flew through the wall: no contact, nothing else moved.
	EXPECT_EQ("0", eval("contacts"));
	EXPECT_EQ(wellAt, well->GetPosition());
	EXPECT_EQ(wallAt, object("wall")->body->GetPosition());
	EXPECT_TRUE(host().aiming().aimStream().isStreamReady());
	EXPECT_EQ(42u, host().aiming().aimStream().points().size());
	// getAimingTime: iterations x the base step, without the multiplier.
	EXPECT_FLOAT_EQ(40.f / 35.f, std::stof(eval("getAimingTime()")));
}

TEST_F(AimPrediction, SamplersStepsAndDisabledPhysics)
{
	struct Case
	{
		int sampler;
		size_t points;
		bool ready;
	};
	for (Case c : {Case{3, 4, true}, Case{4, 3, false}, Case{0, 10, true}, Case{-2, 10, true}})
	{
		SCOPED_TRACE(c.sampler);
		level(10, 1.f, c.sampler);
		flyer(0.f, 0.f, b2Vec2(1.f, 0.f));
		run("ClearSimulationTrajectory() updateFlyerTrajectoryTable()");
		EXPECT_EQ(c.points, host().aiming().simulationTrajectory().size());
		EXPECT_EQ(c.ready, host().aiming().aimStream().isStreamReady());
		// The first point is after the first step.
		EXPECT_NEAR(1.f / 35.f, host().aiming().simulationTrajectory()[0].x, 1e-5f);
	}

	// objects.currentTimeStep replaces 1/35.
	level(30, 2.f, 1);
	run("objects.currentTimeStep = 0.01");
	EXPECT_FLOAT_EQ(0.3f, std::stof(eval("getAimingTime()")));
	run("objects.currentTimeStep = nil");
	EXPECT_FLOAT_EQ(30.f / 35.f, std::stof(eval("getAimingTime()")));

	// Disabled physics: nothing changes.
	run("ClearSimulationTrajectory() setPhysicsEnabled(false) updateFlyerTrajectoryTable()");
	EXPECT_TRUE(host().aiming().simulationTrajectory().empty());
	run("setPhysicsEnabled(true)");

	// No flyer: nothing but the log line. A zero multiplier or a non-finite step: nothing.
	run("removeObject('FlyerSimulation')");
	host().update(0.f);
	run("updateFlyerTrajectoryTable()");
	EXPECT_TRUE(host().aiming().simulationTrajectory().empty());
	flyer(0.f, 0.f, b2Vec2(1.f, 0.f));
	level(10, 0.f, 1);
	run("updateFlyerTrajectoryTable() objects.currentTimeStep = 1/0 updateFlyerTrajectoryTable()");
	EXPECT_TRUE(host().aiming().simulationTrajectory().empty());

	// A step whose result is not finite ends the prediction; the body keeps finite values.
	level(10, 1.f, 1);
	run("objects.currentTimeStep = 1e38");
	host().scene().world().setGravity(b2Vec2(0.f, 10.f));
	b2Body* body = flyer(0.f, 0.f, b2Vec2(1.f, 0.f));
	run("updateFlyerTrajectoryTable()");
	EXPECT_TRUE(std::isfinite(body->GetPosition().x) && std::isfinite(body->GetLinearVelocity().y));
}

TEST_F(AimPrediction, GetAimingTimeBeforeAnyLevelAndSelectedFlyer)
{
	EXPECT_EQ("0", eval("getAimingTime()"));
	level(1, 1.f, 1);
	flyer(0.f, 0.f, b2Vec2(0.f, 0.f));
	run("setSelectedFlyerDuringSimulation('FlyerSimulation')");
	EXPECT_EQ(object("FlyerSimulation")->body, host().aiming().selectedFlyerBody());
	run("updateFlyerTrajectoryTable()");
	EXPECT_EQ(nullptr, host().aiming().selectedFlyerBody());
}

class AimStreamTest : public hosttest::SceneFixture
{
protected:
	host::AimStream& stream() { return host().aiming().aimStream(); }

	/** Points (i, 2i) for i = 0 .. n - 1. */
	static std::vector<math::float2> line(int n)
	{
		std::vector<math::float2> points;
		for (int i = 0; i < n; ++i)
			points.emplace_back(float(i), float(2 * i));
		return points;
	}

	std::vector<float> positions()
	{
		std::vector<float> out;
		for (host::AimStream::StreamParticle const& p : stream().particles())
			out.push_back(p.position);
		return out;
	}
};

TEST_F(AimStreamTest, FillsMovesSpawnsAndThins)
{
	stream().setStream(line(5), host::AimStream::STREAM_SPLINE);
	EXPECT_EQ(7u, stream().points().size());
	stream().populateStream();
	ASSERT_EQ(1u, stream().particles().size());
	EXPECT_FLOAT_EQ(0.f, stream().particles()[0].position);
	EXPECT_FLOAT_EQ(1.2f, stream().particles()[0].scale);

	// Scale at 3.5 of 4; removed on reaching 4.
	stream().particles()[0].position = 3.375f;
	stream().update(0.03125f);
	EXPECT_FLOAT_EQ(0.325f, stream().particles()[0].scale);
	stream().update(0.125f);
	EXPECT_TRUE(stream().particles().empty());

	// 1.5 s with spawning on, countdown 0.25, interval 0.5: three at the front.
	stream().setSpawnInterval(0.5f);
	stream().setSpawningEnabled(true);
	stream().particles() = {{1.f, 0.f, 1.f}};
	stream().setSpawnCountdown(0.25f);
	stream().update(1.5f);
	EXPECT_EQ((std::vector<float>{0.f, 0.f, 0.f}), positions()); // the old one ran out at 7 > 4
	EXPECT_FLOAT_EQ(0.25f, stream().spawnCountdown());

	// Enabling twice fills once.
	stream().particles() = {{2.5f, 0.f, 1.f}};
	stream().setSpawningEnabled(true);
	EXPECT_EQ(1u, stream().particles().size());

	// clearAimingAid(0.5) on 0, 1, 2, 3 removes 0 and 1 and stops spawning.
	stream().particles() = {{0.f, 0.f, 1.f}, {1.f, 0.f, 1.f}, {2.f, 0.f, 1.f}, {3.f, 0.f, 1.f}};
	run("clearAimingAid(0.5)");
	EXPECT_EQ((std::vector<float>{2.f, 3.f}), positions());
	EXPECT_FALSE(stream().spawning());

	// Three points or fewer keep the old curve.
	stream().setStream(line(3), host::AimStream::STREAM_SPLINE);
	EXPECT_EQ(7u, stream().points().size());
	stream().disableStream();
	EXPECT_FALSE(stream().isStreamReady());
	EXPECT_TRUE(stream().particles().empty());
}

TEST_F(AimStreamTest, BadIntervalsAndSpeedsHoldNoParticles)
{
	float const bad[] = {0.f, -1.f, NAN, INFINITY, 1e-30f};
	for (float value : bad)
	{
		for (bool interval : {true, false})
		{
			SCOPED_TRACE(std::to_string(value) + (interval ? " interval" : " speed"));
			stream().setSpawnInterval(interval ? value : 0.6f);
			stream().setSpeed(interval ? 4.f : value);
			stream().setStream(line(5), host::AimStream::STREAM_SPLINE);
			stream().setSpawningEnabled(false);
			stream().setSpawningEnabled(true);
			stream().update(0.1f);
			stream().update(1e30f);
			EXPECT_LE(stream().particles().size(), 2 * 10001u);
			if (value <= 0.f || !std::isfinite(value))
			{
				EXPECT_TRUE(stream().particles().empty());
			}
		}
	}
	EXPECT_NE("", error("setAimingAidSprite('')"));
	run("setAimingAidSprite('dot')");
	EXPECT_NE("", error("setAimingAidSprite('')"));
	EXPECT_EQ("dot", stream().sprite());
}

TEST_F(AimStreamTest, ParticleJIsDrawnOnTheJthPoint)
{
	addSheet("S", {{"dot", 0, 0, 4, 4, 2, 2}});
	run("setAimingAidSprite('dot') setTopLeft(5, 7) setWorldScale(2)");
	std::vector<math::float2> points = {{0, 0}, {10, 3}, {25, 9}, {30, 20}, {31, 40}};
	stream().setStream(points, host::AimStream::STREAM_SPLINE);
	stream().particles() = {{0.f, 0.f, 1.f}, {1.f, 0.3f, 0.5f}, {2.f, 0.f, 0.8f}, {3.f, 0.f, 2.f}, {2.5f, 0.f, 1.f}};
	context->clearCalls();
	stream().draw();
	std::vector<test::Call> d = draws();
	ASSERT_EQ(5u, d.size());
	for (int j = 0; j < 4; ++j)
	{
		gr::RenderState2D const& s = d[j].state2D;
		EXPECT_FLOAT_EQ((points[j].x - 5.f) * 2.f, (std::stof(d[j].args[1]) + 2.f + s.translation.x) * s.scale.x) << j;
		EXPECT_FLOAT_EQ((points[j].y - 7.f) * 2.f, (std::stof(d[j].args[2]) + 2.f + s.translation.y) * s.scale.y) << j;
		EXPECT_FLOAT_EQ(10.f, s.pivot.x);
	}
	EXPECT_FLOAT_EQ(0.3f, d[1].state2D.angle);
}

class Trajectories : public hosttest::SceneFixture
{
};

TEST_F(Trajectories, RecordSwitchAndDrawInTheScene)
{
	// Usable before any level.
	run("addToTrajectory(7, 10, 20) setNormalTrailSprite('a') addPuffToTrajectory(0, 1, 2) setSpecialTrailSprite('b')");
	ASSERT_EQ(2u, host().aiming().trajectories().size());
	EXPECT_EQ(1u, host().aiming().trajectories()[0].points.size());
	EXPECT_FLOAT_EQ(10.f, host().aiming().trajectories()[0].points[0].x);
	EXPECT_FLOAT_EQ(20.f, host().aiming().trajectories()[0].points[0].y);
	EXPECT_TRUE(host().aiming().trajectories()[0].hasPuff);
	run("startNewTrajectory() addToTrajectory(0, 1, 1) startNewTrajectory()");
	EXPECT_EQ(0, host().aiming().currentTrajectoryIndex());
	EXPECT_TRUE(host().aiming().trajectories()[0].points.empty());
	EXPECT_FALSE(host().aiming().trajectories()[0].hasPuff);
	EXPECT_EQ(1u, host().aiming().trajectories()[1].points.size());

	// In the scene: background particles, then the trail just before the first
	// flyer (after a scaled object), the aim stream after the depths, other particles last.
	addSheet("T", {{"trail", 0, 0, 2, 2, 1, 1}});
	addSheet("O", {{"obj", 0, 0, 8, 8, 4, 4}});
	addSheet("P", {{"fg", 0, 0, 2, 2, 1, 1}, {"bg", 2, 0, 2, 2, 1, 1}});
	addSheet("A", {{"dot", 0, 0, 2, 2, 1, 1}});
	run("particleTable = {particles = {fg = {sprites = {'fg'}, lifeTime = 9, minScaleBegin = 1, maxScaleBegin = 1},"
		"bg = {sprites = {'bg'}, lifeTime = 9, background = true, minScaleBegin = 1, maxScaleBegin = 1}}}\n"
		"particles.addParticles('fg', 1, 0, 0, 0, 0, 0) particles.addParticles('bg', 1, 0, 0, 0, 0, 0)\n"
		"setTopLeft(3, 4) setWorldScale(2)\n"
		"createBox('big', 'obj', 1, 1, 1, 1, 0, 0, 0, true, false, 1)\n"
		"setObjectParameter('big', 5, 3)\n"
		"createBox('flyer1', 'obj', 2, 1, 1, 1, 0, 0, 0, true, true, 2)\n"
		"createBox('flyer2', 'obj', 3, 1, 1, 1, 0, 0, 0, true, true, 3)\n"
		"startNewTrajectory() addToTrajectory(0, 50, 60) setNormalTrailSprite('trail') setAimingAidSprite('dot')");
	host().aiming().aimStream().setStream({{0, 0}, {1, 1}, {2, 2}, {3, 3}, {4, 4}}, host::AimStream::STREAM_SPLINE);
	host().aiming().aimStream().particles() = {{0.5f, 0.f, 1.f}};
	context->clearCalls();
	run("drawGameNative(-1)");
	std::vector<std::string> order;
	std::vector<test::Call> d = draws();
	for (test::Call const& call : d)
		order.push_back(call.args[0]);
	EXPECT_EQ((std::vector<std::string>{"P", "O", "T", "O", "O", "A", "P"}), order);
	auto trail = std::find_if(d.begin(), d.end(), [](test::Call const& c) { return c.args[0] == "T"; });
	ASSERT_NE(d.end(), trail);
	gr::RenderState2D const& s = trail->state2D;
	EXPECT_FLOAT_EQ((50.f - 3.f) * 2.f, (std::stof(trail->args[1]) + 1.f + s.translation.x) * s.scale.x);
	EXPECT_FLOAT_EQ((60.f - 4.f) * 2.f, (std::stof(trail->args[2]) + 1.f + s.translation.y) * s.scale.y);
}

} // namespace
