// The physics layer over Box2D 2.4.1: the 2.2 behaviours the game relies on,
// refused input, and callbacks.
#include <physics/PhysicsWorld.h>
#include <physics/ConvexOutline.h>
#include <lang/Exception.h>
#include <gtest/gtest.h>
#include <cmath>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

namespace
{

using World = physics::PhysicsWorld;

float const H = 1.f / 30.f;
float const INF = std::numeric_limits<float>::infinity();
float const NaN = std::numeric_limits<float>::quiet_NaN();

World::FixtureParams density(float d)
{
	World::FixtureParams params;
	params.density = d;
	return params;
}

class PhysicsWorld : public ::testing::Test
{
protected:
	World world{b2Vec2(0, 0), true};

	b2Body* box(b2Vec2 position, float half = 0.5f, b2BodyType type = b2_dynamicBody)
	{
		b2Body* body = world.createBody(type, position, 0, nullptr);
		world.createBox(body, half, half, density(1));
		return body;
	}

	/** Steps until body sleeps; the number of steps, or -1 after limit. */
	int stepsToSleep(b2Body* body, int limit = 200)
	{
		for (int i = 1; i <= limit; ++i)
		{
			world.step(H, 10, 10);
			if (!body->IsAwake())
				return i;
		}
		return -1;
	}
};

TEST_F(PhysicsWorld, SleepsAfterFifteenStepsBelowTheTolerances)
{
	struct Case
	{
		b2Vec2 v;
		float w;
		int steps;
	};
	// 0.5 m/s and 2 degrees/s (0.0349 rad/s) are the tolerances.
	for (Case c : {Case{{0.4f, 0}, 0, 15}, Case{{0, -0.49f}, 0, 15}, Case{{0.6f, 0}, 0, -1},
			 Case{{0, 0}, 0.03f, 15}, Case{{0, 0}, 0.04f, -1}})
	{
		b2Body* body = box({0, 0});
		world.setLinearVelocity(body, c.v);
		world.setAngularVelocity(body, c.w);
		EXPECT_EQ(c.steps, stepsToSleep(body)) << c.v.x << ", " << c.v.y << ", " << c.w;
		if (c.steps > 0)
		{
			EXPECT_EQ(0, body->GetLinearVelocity().Length());
			EXPECT_EQ(0, body->GetAngularVelocity());
		}
		world.destroyBody(body);
	}
}

TEST_F(PhysicsWorld, WorldWithoutSleepNeverSleeps)
{
	World awake(b2Vec2(0, 0), false);
	b2Body* body = awake.createBody(b2_dynamicBody, {0, 0}, 0, nullptr);
	awake.createBox(body, 0.5f, 0.5f, density(1));
	for (int i = 0; i < 100; ++i)
		awake.step(H, 10, 10);
	EXPECT_TRUE(body->IsAwake());
}

TEST_F(PhysicsWorld, IslandStaysAwakeWhileAnyPartMayNotSleep)
{
	// A slow heavy body on a soft spring to a fast light one.
	b2Body* slow = world.createBody(b2_dynamicBody, {0, 0}, 0, nullptr);
	world.createBox(slow, 0.5f, 0.5f, density(1000));
	b2Body* fast = box({3, 0});
	world.setLinearVelocity(fast, {0, 3});
	World::DistanceJointParams spring;
	spring.bodyA = slow;
	spring.bodyB = fast;
	spring.anchorA = slow->GetPosition();
	spring.anchorB = fast->GetPosition();
	spring.frequencyHz = 0.05f;
	world.createDistanceJoint(spring);
	EXPECT_EQ(-1, stepsToSleep(slow, 60));
	EXPECT_LT(slow->GetLinearVelocity().Length(), 0.5f);

	// A body that may not sleep keeps a resting neighbour awake.
	b2Body* ground = box({10, -1}, 1, b2_staticBody);
	(void)ground;
	b2Body* lower = box({10, 0.5f});
	b2Body* upper = box({10, 1.5f});
	world.setSleepingAllowed(upper, false);
	world.setGravity({0, -10});
	EXPECT_EQ(-1, stepsToSleep(lower, 60));
	world.setSleepingAllowed(upper, true);
	EXPECT_NE(-1, stepsToSleep(lower, 60));
	EXPECT_FALSE(upper->IsAwake());
}

TEST_F(PhysicsWorld, OverlapDeeperThanTheSolverToleratesKeepsTheIslandAwake)
{
	// A 1 m box between two walls gap apart; shapes have a skin of 0.01 m, so
	// at 1.02 m the box just touches them and at 0.9 m it is wedged in.
	struct Case
	{
		float gap;
		int steps;
	};
	for (Case c : {Case{1.02f, 15}, Case{0.9f, -1}})
	{
		World wedge(b2Vec2(0, 0), true);
		for (float side : {-1.f, 1.f})
		{
			b2Body* wall = wedge.createBody(b2_staticBody, {side * (c.gap / 2 + 0.5f), 0}, 0, nullptr);
			wedge.createBox(wall, 0.5f, 2, density(0));
		}
		b2Body* body = wedge.createBody(b2_dynamicBody, {0, 0}, 0, nullptr);
		wedge.createBox(body, 0.5f, 0.5f, density(1));
		int steps = -1;
		for (int i = 1; i <= 100 && steps < 0; ++i)
		{
			wedge.step(H, 10, 10);
			if (!body->IsAwake())
				steps = i;
		}
		EXPECT_EQ(c.steps, steps) << c.gap;
	}
}

TEST_F(PhysicsWorld, DampingScalesVelocityAsTheOlderLibrary)
{
	struct Case
	{
		float h;
		float d;
	};
	// d = 2 gives 0.93333334 (stock 2.4.1: 0.9375); h d >= 1 stops the body.
	for (Case c : {Case{H, 0}, Case{H, 0.5f}, Case{H, 2}, Case{H, 29}, Case{H, 30}, Case{H, 100}, Case{H, -1},
			 Case{H, INF}, Case{1.f / 60, 2}, Case{1.f / 60, 45}})
	{
		b2Body* body = box({0, 0});
		world.setLinearDamping(body, c.d);
		world.setAngularDamping(body, c.d);
		world.setLinearVelocity(body, {10, 0});
		world.setAngularVelocity(body, 1);
		world.step(c.h, 10, 10);
		float factor = std::min(1.f, std::max(0.f, 1 - c.h * c.d));
		EXPECT_NEAR(10 * factor, body->GetLinearVelocity().x, 2e-5f) << c.h << " " << c.d;
		EXPECT_NEAR(factor, body->GetAngularVelocity(), 2e-6f) << c.h << " " << c.d;
		EXPECT_EQ(c.d, World::linearDamping(body));
		world.destroyBody(body);
	}
	world.step(H, 10, 10);
	b2Body* body = box({0, 0});
	EXPECT_THROW(world.setLinearDamping(body, NaN), lang::Exception);
}

TEST_F(PhysicsWorld, MasslessDynamicBodyMovesAsMassOne)
{
	world.setGravity({0, -10});
	b2Body* line = world.createBody(b2_dynamicBody, {0, 0}, 0, nullptr);
	world.createEdge(line, {-1, 0}, {1, 0}, density(0));
	EXPECT_EQ(1, line->GetMass());
	EXPECT_EQ(0, line->GetInertia());
	b2Body* solid = world.createBody(b2_dynamicBody, {5, 0}, 0, nullptr);
	world.createBox(solid, 0.5f, 0.5f, density(1));
	for (int i = 0; i < 10; ++i)
		world.step(H, 10, 10);
	EXPECT_FLOAT_EQ(solid->GetPosition().y, line->GetPosition().y);
	EXPECT_LT(line->GetPosition().y, -0.5f);

	// Forces act on mass 1; the mass survives every mass reset.
	world.setGravity({0, 0});
	world.setLinearVelocity(line, {0, 0});
	world.applyForceToCenter(line, {30, 0});
	world.step(H, 10, 10);
	EXPECT_NEAR(1, line->GetLinearVelocity().x, 1e-5);
	world.setType(line, b2_staticBody);
	world.setType(line, b2_dynamicBody);
	world.setFixedRotation(line, true);
	world.resetMassData(line);
	EXPECT_EQ(1, line->GetMass());
}

TEST_F(PhysicsWorld, ForcesWakeAndAreLedgered)
{
	b2Body* body = box({0, 0});
	world.setAwake(body, false);
	world.applyForce(body, {2, 0}, {0, 1});
	EXPECT_TRUE(body->IsAwake());
	EXPECT_EQ(b2Vec2(2, 0), World::bodyForce(body));
	EXPECT_FLOAT_EQ(-2, World::bodyTorque(body));
	world.applyTorque(body, 3);
	EXPECT_FLOAT_EQ(1, World::bodyTorque(body));
	world.setAwake(body, false);
	world.applyLinearImpulse(body, {1, 0}, body->GetWorldCenter());
	EXPECT_TRUE(body->IsAwake());
	EXPECT_FLOAT_EQ(1, body->GetLinearVelocity().x);

	// Forces stay until cleared.
	world.applyForceToCenter(body, {1, 0});
	world.step(H, 10, 10);
	world.step(H, 10, 10);
	EXPECT_EQ(b2Vec2(1, 0), World::bodyForce(body));
	world.clearForces();
	EXPECT_EQ(b2Vec2(0, 0), World::bodyForce(body));
	float v = body->GetLinearVelocity().x;
	world.step(H, 10, 10);
	EXPECT_FLOAT_EQ(v, body->GetLinearVelocity().x);
}

TEST_F(PhysicsWorld, ClearBodyForcesKeepsVelocitiesAndOtherBodies)
{
	b2Body* body = box({0, 0});
	b2Body* other = box({5, 0});
	world.setLinearVelocity(body, {1, 2});
	world.setAngularVelocity(body, 0.5f);
	world.applyForceToCenter(body, {10, 0});
	world.applyTorque(body, 4);
	world.applyForceToCenter(other, {10, 0});
	world.clearBodyForces(body);
	EXPECT_EQ(b2Vec2(0, 0), World::bodyForce(body));
	EXPECT_EQ(0, World::bodyTorque(body));
	EXPECT_EQ(b2Vec2(1, 2), body->GetLinearVelocity());
	EXPECT_EQ(0.5f, body->GetAngularVelocity());
	EXPECT_TRUE(body->IsAwake());
	world.step(H, 10, 10);
	// No force left in the library either: the velocity only moves by nothing.
	EXPECT_EQ(b2Vec2(1, 2), body->GetLinearVelocity());
	EXPECT_EQ(0.5f, body->GetAngularVelocity());
	EXPECT_GT(other->GetLinearVelocity().x, 0);
}

TEST_F(PhysicsWorld, StepForAimingFollowsTheFreeFlightFormulas)
{
	world.setGravity({0, -10});
	b2Body* body = world.createBody(b2_dynamicBody, {1, 2}, 0.25f, nullptr);
	world.createCircle(body, {0.5f, 0}, 0.5f, density(2)); // off-centre: mass centre (0.5, 0) local
	world.setGravityScale(body, 0); // not applied
	world.setLinearDamping(body, 3);
	world.setAngularDamping(body, 60); // h d > 1: rotation stops
	world.setLinearVelocity(body, {4, 1});
	world.setAngularVelocity(body, 2);
	world.applyForceToCenter(body, {body->GetMass() * 6, 0});
	b2Vec2 centre = body->GetWorldCenter();
	float angle = body->GetAngle();
	float dt = 0.05f;

	b2Vec2 v(4 + dt * (0 + 6), 1 + dt * -10);
	v *= 1 - dt * 3;
	world.stepForAiming(dt, 10, 10, body);
	EXPECT_NEAR(v.x, body->GetLinearVelocity().x, 1e-5);
	EXPECT_NEAR(v.y, body->GetLinearVelocity().y, 1e-5);
	EXPECT_EQ(0, body->GetAngularVelocity());
	EXPECT_NEAR(centre.x + dt * v.x, body->GetWorldCenter().x, 1e-5);
	EXPECT_NEAR(centre.y + dt * v.y, body->GetWorldCenter().y, 1e-5);
	EXPECT_NEAR(angle, body->GetAngle(), 1e-6);
	EXPECT_FLOAT_EQ(body->GetMass() * 6, World::bodyForce(body).x); // not cleared

	// The library's largest translation per step: 2 m.
	world.setLinearDamping(body, 0);
	world.clearBodyForces(body);
	world.setLinearVelocity(body, {1000, 0});
	centre = body->GetWorldCenter();
	world.stepForAiming(0.1f, 10, 10, body);
	EXPECT_NEAR(20, body->GetLinearVelocity().Length(), 1e-3);
	EXPECT_NEAR(2, b2Distance(centre, body->GetWorldCenter()), 1e-4);

	// No step for dt <= 0; nothing reported before the next world step.
	b2Vec2 before = body->GetPosition();
	world.stepForAiming(0, 10, 10, body);
	world.stepForAiming(-1, 10, 10, body);
	EXPECT_EQ(before, body->GetPosition());
	EXPECT_THROW(world.stepForAiming(NaN, 10, 10, body), lang::Exception);
}

TEST_F(PhysicsWorld, StepForAimingPassesThroughBodiesWithoutContacts)
{
	struct Counter : b2ContactListener
	{
		int begun = 0;
		void BeginContact(b2Contact*) override { ++begun; }
	} counter;
	world.setListeners(&counter, nullptr, nullptr);
	box({1.9f, 0}, 0.5f, b2_staticBody);
	b2Body* flyer = box({0, 0}, 0.25f);
	world.setLinearVelocity(flyer, {19, 0});
	world.stepForAiming(0.1f, 10, 10, flyer); // into the wall
	EXPECT_NEAR(1.9f, flyer->GetPosition().x, 1e-5);
	EXPECT_EQ(0, counter.begun);
	EXPECT_EQ(nullptr, flyer->GetContactList());
	world.step(H, 10, 10);
	EXPECT_EQ(1, counter.begun);
}

TEST_F(PhysicsWorld, DistanceJointSpringHasTheOlderLibraryStiffness)
{
	world.setGravity({0, -10});
	b2Body* anchor = box({0.5f, 5}, 0.5f, b2_staticBody);
	b2Body* body = box({0, 0}); // mass 1, inertia 1/6 about its centre
	World::DistanceJointParams params;
	params.bodyA = anchor;
	params.bodyB = body;
	params.anchorA = {0.5f, 5};
	params.anchorB = {0.5f, 0}; // off-centre: lever 0.5 across the axis
	params.frequencyHz = 2;
	params.dampingRatio = 0.5f;
	b2DistanceJoint* joint = static_cast<b2DistanceJoint*>(world.createDistanceJoint(params));
	world.step(H, 10, 10);
	// Effective mass 1 / (1 + 6 x 0.5²) = 0.4 (the library's helper would use 1).
	float omega = 2 * b2_pi * 2;
	EXPECT_NEAR(0.4f * omega * omega, joint->GetStiffness(), 1e-2);
	EXPECT_NEAR(2 * 0.4f * 0.5f * omega, joint->GetDamping(), 1e-3);
	EXPECT_LT(joint->GetMinLength(), joint->GetMaxLength());

	// Frequency 0: a rigid rod.
	b2Body* rodEnd = box({4, 0});
	params.bodyB = rodEnd;
	params.anchorB = {4, 0};
	params.frequencyHz = 0;
	b2Joint* rod = world.createDistanceJoint(params);
	float length = b2Distance(rod->GetAnchorA(), rod->GetAnchorB());
	for (int i = 0; i < 90; ++i)
		world.step(H, 10, 10);
	EXPECT_NEAR(length, b2Distance(rod->GetAnchorA(), rod->GetAnchorB()), 2 * b2_linearSlop);
}

TEST_F(PhysicsWorld, MotorAndLimitSettersWakeBothBodies)
{
	b2Body* a = box({0, 0});
	b2Body* b = box({1, 0});
	b2RevoluteJointDef def;
	def.Initialize(a, b, {0.5f, 0});
	b2Joint* joint = world.createJoint(def);
	auto asleep = [&] {
		world.setAwake(a, false);
		world.setAwake(b, false);
	};
	auto awake = [&] { return a->IsAwake() && b->IsAwake(); };
	asleep();
	world.setMotorSpeed(joint, 0); // unchanged speed: 2.4.1 alone would not wake
	EXPECT_TRUE(awake());
	asleep();
	world.enableMotor(joint, false);
	EXPECT_TRUE(awake());
	asleep();
	world.setMaxMotor(joint, 0);
	EXPECT_TRUE(awake());
	asleep();
	world.enableLimit(joint, false);
	EXPECT_TRUE(awake());
	asleep();
	world.setLimits(joint, -1, 1);
	EXPECT_TRUE(awake());
	EXPECT_THROW(world.setLimits(joint, 1, -1), lang::Exception);
}

TEST_F(PhysicsWorld, RefusesWhatTheLibraryWouldAbortOn)
{
	b2Body* body = box({0, 0});
	size_t fixtures = 1;
	std::vector<std::function<void()>> refused = {
		[&] { world.createBody(b2_dynamicBody, {NaN, 0}, 0, nullptr); },
		[&] { world.createBody(b2_dynamicBody, {0, INF}, 0, nullptr); },
		[&] { world.createBody(b2_dynamicBody, {0, 0}, NaN, nullptr); },
		[&] { world.createBox(body, 0, 1, density(1)); },
		[&] { world.createBox(body, 1e-5f, 1e-5f, density(1)); },
		[&] { world.createBox(body, NaN, 1, density(1)); },
		[&] { world.createBox(body, 1, 1, density(-1)); },
		[&] { world.createBox(body, 1, 1, density(NaN)); },
		[&] { world.createCircle(body, {0, 0}, 0, density(1)); },
		[&] { world.createCircle(body, {0, 0}, -1, density(1)); },
		[&] { world.createCircle(body, {0, 0}, INF, density(1)); },
		[&] { world.createPolygon(body, {{0, 0}, {1, 0}}, density(1)); },
		[&] { world.createPolygon(body, {{0, 0}, {1, 0}, {1, 0.001f}}, density(0)); },
		[&] { world.createPolygon(body, {{0, 0}, {1, 0}, {2, 0}, {3, 0}}, density(1)); },
		[&] { world.createPolygon(body, {{0, 0}, {1, 0}, {1, 1}, {0, 1}, {0, 0.0001f}, {1, 0.0001f}, {0.0001f, 1}, {0.5f, 0}, {0.5f, 1}}, density(1)); },
		[&] { world.createPolygon(body, {{0, 0}, {1, 0}, {1, NaN}}, density(1)); },
		[&] { world.createEdge(body, {1, 1}, {1, 1}, density(0)); },
		[&] { world.setTransform(body, {NaN, 0}, 0); },
		[&] { world.setTransform(body, {0, 0}, INF); },
		[&] { world.setLinearVelocity(body, {INF, 0}); },
		[&] { world.applyForce(body, {NaN, 0}, {0, 0}); },
		[&] { world.applyLinearImpulse(body, {1, 0}, {INF, 0}); },
		[&] { world.setGravity({0, NaN}); },
		[&] { world.step(NaN, 10, 10); },
		[&] { world.queryAABB(nullptr, b2AABB{{NaN, 0}, {1, 1}}); },
		[&] { world.rayCast(nullptr, {0, 0}, {INF, 0}); },
	};
	for (size_t i = 0; i < refused.size(); ++i)
		EXPECT_THROW(refused[i](), lang::Exception) << "case " << i;
	size_t count = 0;
	for (b2Fixture* f = body->GetFixtureList(); f; f = f->GetNext())
		++count;
	EXPECT_EQ(fixtures, count);
	EXPECT_EQ(1, world.world()->GetBodyCount());

	// Zero-length rays report nothing; a polygon of a concave outline is its hull.
	world.rayCast(nullptr, {1, 1}, {1, 1});
	world.rayCast(nullptr, {1, 1}, {1 + 1e-30f, 1});
	b2Fixture* arrow = world.createPolygon(body, {{0, 0}, {2, 1}, {0, 2}, {1, 1}}, density(1));
	EXPECT_EQ(3, static_cast<b2PolygonShape*>(arrow->GetShape())->m_count);
	b2Fixture* clockwise = world.createPolygon(body, {{0, 0}, {0, 1}, {1, 1}, {1, 0}}, density(1));
	EXPECT_EQ(4, static_cast<b2PolygonShape*>(clockwise->GetShape())->m_count);
}

TEST_F(PhysicsWorld, ConvexHullWeldsAndDropsCollinearPoints)
{
	std::vector<b2Vec2> hull = physics::convexHull({{0, 0}, {1, 0}, {2, 0}, {2, 2}, {1, 1}, {0, 2}, {0.001f, 0}}, 0.0025f);
	EXPECT_EQ(4u, hull.size());
	EXPECT_DOUBLE_EQ(4, physics::polygonArea(hull));
	EXPECT_EQ(6u, physics::distinctPoints({{0, 0}, {1, 0}, {2, 0}, {2, 2}, {1, 1}, {0, 2}, {0.001f, 0}}, 0.0025f));
}

/** Runs an action from inside a contact callback. */
struct ActingListener : b2ContactListener, b2DestructionListener
{
	std::function<void(b2Contact*)> onBegin;
	std::function<void(b2Contact*)> onEnd;
	int goodbyes = 0;
	void BeginContact(b2Contact* contact) override
	{
		if (onBegin)
			onBegin(contact);
	}
	void EndContact(b2Contact* contact) override
	{
		if (onEnd)
			onEnd(contact);
	}
	void SayGoodbye(b2Joint*) override { ++goodbyes; }
	void SayGoodbye(b2Fixture*) override {}
};

TEST_F(PhysicsWorld, CallbackRequestsAreQueuedAndRunInOrder)
{
	ActingListener listener;
	world.setListeners(&listener, nullptr, &listener);
	b2Body* ground = box({0, 0}, 1, b2_staticBody);
	b2Body* ball = box({0, 1.6f});
	world.setLinearVelocity(ball, {0, -5});
	std::vector<std::string> order;
	listener.onBegin = [&](b2Contact*) {
		EXPECT_TRUE(world.busy());
		EXPECT_THROW(world.destroyBody(ball), lang::Exception);
		world.defer([&] {
			order.push_back("destroy");
			world.destroyBody(ball);
		});
		world.defer([&] {
			order.push_back("create");
			box({5, 5});
		});
	};
	listener.onEnd = [&](b2Contact*) {
		// EndContact from destroyBody: the world is busy there too.
		EXPECT_TRUE(world.busy());
		world.defer([&] { order.push_back("after end"); });
	};
	world.step(H, 10, 10);
	EXPECT_EQ((std::vector<std::string>{"destroy", "create", "after end"}), order);
	EXPECT_FALSE(world.busy());
	EXPECT_EQ(2, world.world()->GetBodyCount());
	(void)ground;

	// Outside callbacks a request runs at once.
	world.defer([&] { order.push_back("now"); });
	EXPECT_EQ("now", order.back());
}

TEST_F(PhysicsWorld, CallbackExceptionArrivesAfterTheStep)
{
	ActingListener listener;
	world.setListeners(&listener, nullptr, &listener);
	box({0, 0}, 1, b2_staticBody);
	b2Body* a = box({-0.5f, 1.4f});
	b2Body* b = box({0.5f, 1.4f});
	int calls = 0;
	listener.onBegin = [&](b2Contact*) {
		++calls;
		world.defer([] {});
		throw std::runtime_error("script failed");
	};
	try
	{
		world.step(H, 10, 10);
		FAIL() << "no exception";
	}
	catch (std::runtime_error const& e)
	{
		EXPECT_EQ(std::string("script failed"), e.what());
	}
	EXPECT_EQ(1, calls); // no further contact calls in that step
	EXPECT_FALSE(world.busy());
	EXPECT_FALSE(world.world()->IsLocked());
	// The world goes on.
	listener.onBegin = nullptr;
	world.destroyBody(a);
	world.step(H, 10, 10);
	EXPECT_TRUE(b->IsAwake());
}

TEST_F(PhysicsWorld, JointGoodbyesReachTheListener)
{
	ActingListener listener;
	world.setListeners(&listener, nullptr, &listener);
	b2Body* a = box({0, 0});
	b2Body* b = box({3, 0});
	World::DistanceJointParams params;
	params.bodyA = a;
	params.bodyB = b;
	params.anchorA = a->GetPosition();
	params.anchorB = b->GetPosition();
	params.frequencyHz = 1;
	world.createDistanceJoint(params);
	world.destroyBody(a);
	EXPECT_EQ(1, listener.goodbyes);
	world.step(H, 10, 10); // the spring is forgotten with its joint
	EXPECT_EQ(nullptr, b->GetJointList());
}

} // namespace
