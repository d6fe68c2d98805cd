#include <support/BenchHost.h>
#include <GameLua.h>
#include <physics/PhysicsWorld.h>
#include <benchmark/benchmark.h>
#include <box2d/box2d.h>
#include <memory>
#include <string>

// The physics world of the game against bare Box2D 2.4.1 on the same scene:
// 300 blocks settling in 30 columns through host frames (one 1/30 s step
// each) and through b2World::Step alone, sleep off in both; the layer's sleep
// pass on a scene that never sleeps; and the host's object pass (a frame
// without a step) at 100, 300 and 1000 awake objects against one bare step.

namespace
{

float const STEP = 1.f / 30.f;
int const FRAMES = 90;
int const COLUMNS = 30;
int const ROWS = 10;
b2Vec2 const GRAVITY(0.f, -10.f);

/** Position of block i: COLUMNS columns of blocks 1 m wide, 1.5 m apart, stacked rows high. */
b2Vec2 blockPosition(int i, int columns)
{
	int column = i % columns;
	int row = i / columns;
	return b2Vec2(1.5f * column, 0.5f + row * 1.01f);
}

/** Script text of the scene: ground and count blocks. */
std::string sceneText(int count, int columns)
{
	std::string text = "createBox('ground', '', 0, -0.5, 400, 1, 0, 0.6, 0, true, false, 1)\n";
	for (int i = 0; i < count; ++i)
	{
		b2Vec2 p = blockPosition(i, columns);
		text += "createBox('b" + std::to_string(i) + "', '', " + std::to_string(p.x) + ", " + std::to_string(p.y) +
				", 1, 1, 1, 0.6, 0, true, false, 2)\n";
	}
	return text;
}

/** The same scene in a bare world. */
void bareScene(b2World& world, int count, int columns)
{
	b2BodyDef def;
	def.position.Set(0.f, -0.5f);
	b2Body* ground = world.CreateBody(&def);
	b2PolygonShape shape;
	shape.SetAsBox(200.f, 0.5f);
	b2FixtureDef fixture;
	fixture.shape = &shape;
	fixture.friction = 0.6f;
	ground->CreateFixture(&fixture);
	shape.SetAsBox(0.5f, 0.5f);
	fixture.density = 1.f;
	for (int i = 0; i < count; ++i)
	{
		def.type = b2_dynamicBody;
		def.position = blockPosition(i, columns);
		world.CreateBody(&def)->CreateFixture(&fixture);
	}
}

/** A host with the frame's script functions, physics on, and a world without sleep holding the scene. */
struct PhysicsBenchHost : test::BenchHost
{
	void scene(int count, int columns)
	{
		host->scene().resetPhysicsWorld(GRAVITY, false);
		run("setLevelLimits(-1000, -1000, 1000, 1000)\n" + sceneText(count, columns));
	}

	PhysicsBenchHost()
	{
		run("function applyForcesAtPhysicsStep() end\n"
			"function removeBlocks() end\n"
			"function clearLuaForceFunctions() end\n"
			"function update(dt, rawDt) end\n"
			// The contact handler calls it for every contact between blocks.
			"function blockCollision(a, b, impact, hit, flyer, lastHit) end\n"
			"setPhysicsEnabled(true)\n");
	}
};

/**
 * The settling of the scene through host frames and through bare steps,
 * interleaved so that both meet the same machine load; the counters give
 * each one's time per step and their ratio.
 */
void BM_Settle(benchmark::State& state)
{
	PhysicsBenchHost bench;
	double host = 0;
	double bare = 0;
	for (auto _ : state)
	{
		bench.scene(COLUMNS * ROWS, COLUMNS);
		host += test::timed([&] {
			for (int f = 0; f < FRAMES; ++f)
				bench.host->update(STEP);
		});
		b2World* world = new b2World(GRAVITY);
		world->SetAllowSleeping(false);
		bareScene(*world, COLUMNS * ROWS, COLUMNS);
		bare += test::timed([&] {
			for (int f = 0; f < FRAMES; ++f)
				world->Step(STEP, 10, 10);
		});
		delete world;
	}
	double steps = double(state.iterations()) * FRAMES;
	state.counters["host_us_per_step"] = host / steps * 1e6;
	state.counters["bare_us_per_step"] = bare / steps * 1e6;
	state.counters["host_over_bare"] = host / bare;
}

/** Layer steps of a stack that never sleeps (a body per column may not), with the sleep pass (1) or without (0). */
void BM_SleepPass(benchmark::State& state)
{
	bool allowSleep = state.range(0) != 0;
	for (auto _ : state)
	{
		state.PauseTiming();
		std::unique_ptr<physics::PhysicsWorld> world(new physics::PhysicsWorld(GRAVITY, allowSleep));
		physics::PhysicsWorld::FixtureParams params;
		params.friction = 0.6f;
		b2Body* ground = world->createBody(b2_staticBody, b2Vec2(0.f, -0.5f), 0.f, nullptr);
		world->createBox(ground, 200.f, 0.5f, params);
		params.density = 1.f;
		for (int i = 0; i < COLUMNS * ROWS; ++i)
		{
			b2Body* body = world->createBody(b2_dynamicBody, blockPosition(i, COLUMNS), 0.f, nullptr);
			world->createBox(body, 0.5f, 0.5f, params);
			if (i >= COLUMNS * (ROWS - 1))
				world->setSleepingAllowed(body, false);
		}
		state.ResumeTiming();
		for (int f = 0; f < FRAMES; ++f)
		{
			world->step(STEP, 10, 10);
			world->clearForces();
		}
		state.PauseTiming();
		world.reset();
		state.ResumeTiming();
	}
	state.SetItemsProcessed(state.iterations() * FRAMES);
}

/** Host frames without a step over N awake blocks on the ground: the object pass and its neighbours. */
void BM_ObjectPass(benchmark::State& state)
{
	int count = static_cast<int>(state.range(0));
	PhysicsBenchHost bench;
	bench.scene(count, count);
	bench.host->update(STEP); // one step: every block awake and in its table
	for (auto _ : state)
		bench.host->update(0.f);
	state.SetItemsProcessed(state.iterations() * count);
}

/** One bare step over the same N blocks. */
void BM_BareStep(benchmark::State& state)
{
	int count = static_cast<int>(state.range(0));
	b2World world(GRAVITY);
	world.SetAllowSleeping(false);
	bareScene(world, count, count);
	for (auto _ : state)
		world.Step(STEP, 10, 10);
	state.SetItemsProcessed(state.iterations() * count);
}

} // namespace

BENCHMARK(BM_Settle)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SleepPass)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ObjectPass)->Arg(100)->Arg(300)->Arg(1000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BareStep)->Arg(100)->Arg(300)->Arg(1000)->Unit(benchmark::kMicrosecond);
