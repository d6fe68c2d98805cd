#include <support/BenchHost.h>
#include <GameLua.h>
#include <lua/LuaState.h>
#include <physics/PhysicsWorld.h>
#include <benchmark/benchmark.h>
#include <box2d/box2d.h>
#include <memory>
#include <string>

// A contact storm: 200 blocks thrown into a walled pit, 90 steps of 1/30 s.
// The host runs it with strengths, damage factors and the four script
// callbacks; the bare library steps the same scene without listeners.

namespace
{

constexpr int STEPS = 90;
constexpr int COLUMNS = 20;
constexpr int ROWS = 10;

/** The pit's static walls and the thrown blocks, as (x, y, half width, half height, vx, vy). */
template <class F>
void forEachBody(F const& f)
{
	f("floor", 0.f, 12.f, 14.f, 0.5f, 0.f, 0.f, true);
	f("wallL", -14.f, 0.f, 0.5f, 12.f, 0.f, 0.f, true);
	f("wallR", 14.f, 0.f, 0.5f, 12.f, 0.f, 0.f, true);
	for (int i = 0; i < COLUMNS * ROWS; ++i)
	{
		float x = -11.f + (i % COLUMNS) * 1.15f;
		float y = 8.f - (i / COLUMNS) * 1.15f;
		f(("b" + std::to_string(i)).c_str(), x, y, 0.5f, 0.5f, (i % 5 - 2) * 3.f, 20.f, false);
	}
}

char const* const SCRIPT =
	"setWorldGravity(0, 10)\n"
	"begins = 0\n"
	"blockTable.damageFactors = { hard = { damageMultiplier = { wood = 1.5, rock = 0.5 } } }\n"
	"scoreTable = { blocks = { score = 0 } }\n"
	"worldAttributes = { scoreDamageMultiplier = 10 }\n"
	"deadBlocks = {}\n"
	"function enterCollision(a, b) begins = begins + 1 end\n"
	"function exitCollision(a, b) end\n"
	"function flyerCollision(f, o, impact, damage) begins = begins + 1 end\n"
	"function blockCollision(a, b, impact, hit, unused, lastHit) begins = begins + 1 end\n";

/** A host with the storm's scene and callbacks. */
struct HostScene : test::BenchHost
{
	HostScene()
	{
		std::string code = SCRIPT;
		int i = 0;
		forEachBody([&](char const* name, float x, float y, float hx, float hy, float vx, float vy, bool fixed) {
			code += std::string("createBox('") + name + "', '', " + std::to_string(x) + ", " + std::to_string(y) + ", " +
					std::to_string(2 * hx) + ", " + std::to_string(2 * hy) + ", " + (fixed ? "0" : "1") +
					", 0.5, 0.1, true, false, 1)\n";
			if (!fixed)
			{
				code += std::string("do local t = objects.world['") + name + "'] t.strength = 40 t.defence = " +
						std::to_string(i % 3) + " t.material = '" + (i % 2 ? "wood" : "rock") +
						"' t.damageFactors = 'hard' end\n";
				code += std::string("setVelocity('") + name + "', " + std::to_string(vx) + ", " + std::to_string(vy) + ")\n";
				++i;
			}
		});
		run(code);
	}
};

std::unique_ptr<b2World> bareScene()
{
	std::unique_ptr<b2World> world(new b2World(b2Vec2(0.f, 10.f)));
	forEachBody([&](char const*, float x, float y, float hx, float hy, float vx, float vy, bool fixed) {
		b2BodyDef def;
		def.type = fixed ? b2_staticBody : b2_dynamicBody;
		def.position.Set(x, y);
		def.linearVelocity.Set(vx, vy);
		b2Body* body = world->CreateBody(&def);
		b2PolygonShape box;
		box.SetAsBox(hx, hy);
		b2FixtureDef fixture;
		fixture.shape = &box;
		fixture.density = fixed ? 0.f : 1.f;
		fixture.friction = 0.5f;
		fixture.restitution = 0.1f;
		body->CreateFixture(&fixture);
	});
	return world;
}

struct CountingListener : b2ContactListener
{
	long long begins = 0;
	void BeginContact(b2Contact*) override { ++begins; }
};

/**
 * The storm through the host's world and through the bare library,
 * interleaved so that both meet the same machine load. Argument 1: the
 * host handles the contacts; 0: it ignores them (as while a level loads),
 * which leaves the physics layer's own cost. The counters give the time per
 * BeginContact of each and the ratio of the two.
 */
void BM_ContactStorm(benchmark::State& state)
{
	long long bareBegins = 0;
	{
		// The bare world's contacts, counted once outside the measured runs.
		std::unique_ptr<b2World> world = bareScene();
		CountingListener listener;
		world->SetContactListener(&listener);
		for (int i = 0; i < STEPS; ++i)
			world->Step(1.f / 30.f, 10, 10);
		bareBegins = listener.begins;
	}
	double host = 0;
	double bare = 0;
	long long hostBegins = 0;
	for (auto _ : state)
	{
		{
			HostScene scene;
			scene.host->settings().loadingLevel = state.range(0) == 0;
			physics::PhysicsWorld& world = scene.host->scene().world();
			host += test::timed([&] {
				for (int i = 0; i < STEPS; ++i)
					world.step(1.f / 30.f, 10, 10);
			});
			hostBegins += static_cast<long long>(scene.host->getNumber("begins"));
		}
		std::unique_ptr<b2World> world = bareScene();
		bare += test::timed([&] {
			for (int i = 0; i < STEPS; ++i)
				world->Step(1.f / 30.f, 10, 10);
		});
	}
	double runs = static_cast<double>(state.iterations());
	state.counters["host_ms"] = host / runs * 1e3;
	state.counters["bare_ms"] = bare / runs * 1e3;
	state.counters["host_over_bare"] = host / bare;
	state.counters["begins"] = static_cast<double>(bareBegins);
	if (hostBegins > 0)
		state.counters["host_us_per_begin"] = host / static_cast<double>(hostBegins) * 1e6;
	state.counters["bare_us_per_begin"] = bare / (static_cast<double>(bareBegins) * runs) * 1e6;
}

} // namespace

BENCHMARK(BM_ContactStorm)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);
