// Convex decomposition: a star-shaped concave outline of 8, 32 and 128
// points cut into fixtures on a fresh body through the physics layer, against
// making the same pieces' fixtures directly (b2PolygonShape::Set and
// CreateFixture) on a fresh body. Both sides make and destroy the body (and
// step the empty world) in the timed loop.

#include <benchmark/benchmark.h>
#include <decomp/ConvexDecomposition.h>
#include <PhysicsPieceSink.h>
#include <physics/PhysicsWorld.h>
#include <cmath>
#include <vector>

namespace
{

/** A star of points alternating between radius 4 and 2: every other corner is concave. */
std::vector<b2Vec2> star(int points)
{
	std::vector<b2Vec2> out;
	for (int i = 0; i < points; ++i)
	{
		float angle = 2 * b2_pi * i / points;
		float radius = i % 2 ? 2.f : 4.f;
		out.push_back(b2Vec2(radius * std::cos(angle), radius * std::sin(angle)));
	}
	return out;
}

void decomposeIntoFixtures(benchmark::State& state)
{
	std::vector<b2Vec2> outline = star(int(state.range(0)));
	physics::PhysicsWorld world(b2Vec2(0, -10), true);
	PhysicsPieceSink sink(world, "bench");
	b2FixtureDef prototype;
	prototype.density = 1;
	int fixtures = 0;
	for (auto _ : state)
	{
		b2Body* body = world.createBody(b2_dynamicBody, b2Vec2(0, 0), 0, nullptr);
		decomp::b2Polygon polygon(outline.data(), int(outline.size()));
		fixtures = decomp::DecomposeConvexAndAddTo(polygon, body, prototype, sink);
		world.destroyBody(body);
		// A step empties the broad phase's move buffer, which otherwise grows
		// with every proxy made and makes each destruction slower.
		world.step(1e-6f, 1, 1);
	}
	state.counters["fixtures"] = fixtures;
}

void sameFixturesDirectly(benchmark::State& state)
{
	std::vector<b2Vec2> outline = star(int(state.range(0)));
	decomp::b2Polygon polygon(outline.data(), int(outline.size()));
	std::vector<decomp::b2Polygon> pieces;
	decomp::DecomposeConvex(polygon, pieces, polygon.count());
	std::vector<std::vector<b2Vec2>> points;
	for (decomp::b2Polygon const& piece : pieces)
	{
		if (!piece.IsUsable(false))
			continue;
		points.emplace_back();
		for (int i = 0; i < piece.count(); ++i)
			points.back().push_back(piece.vertex(i));
	}
	physics::PhysicsWorld world(b2Vec2(0, -10), true);
	for (auto _ : state)
	{
		b2Body* body = world.createBody(b2_dynamicBody, b2Vec2(0, 0), 0, nullptr);
		for (std::vector<b2Vec2> const& piece : points)
		{
			b2PolygonShape shape;
			shape.Set(piece.data(), int(piece.size()));
			b2FixtureDef def;
			def.shape = &shape;
			def.density = 1;
			body->CreateFixture(&def);
		}
		world.destroyBody(body);
		// A step empties the broad phase's move buffer, which otherwise grows
		// with every proxy made and makes each destruction slower.
		world.step(1e-6f, 1, 1);
	}
	state.counters["fixtures"] = double(points.size());
}

} // namespace

BENCHMARK(decomposeIntoFixtures)->Arg(8)->Arg(32)->Arg(128)->Unit(benchmark::kMicrosecond);
BENCHMARK(sameFixturesDirectly)->Arg(8)->Arg(32)->Arg(128)->Unit(benchmark::kMicrosecond);
