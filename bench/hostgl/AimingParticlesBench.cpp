#include "GLBenchHost.h"
#include <benchmark/benchmark.h>
#include <support/AllocationCounter.h>
#include <gr/gl/GLPlatform.h>
#include <GameLua.h>
#include <host/Particles.h>
#include <host/ParticleEffects.h>
#include <host/RenderObjectData.h>
#include <game/Resources.h>
#include <game/Sprite.h>
#include <game/SpriteSheet.h>
#include <gr/gl/gles2/GL2_Context.h>
#include <lua/LuaState.h>
#include <physics/PhysicsWorld.h>
#include <GLES2/gl2.h>
#include <box2d/box2d.h>
#include <chrono>
#include <cmath>
#include <string>
#include <vector>

// The flight prediction (300 steps, 10 aiming sensors) against 300 bare
// b2World::Step of one body alone in a world; 10,000 live particles
// updated and drawn per frame against a plain loop over the same structs
// doing the same arithmetic and gr::Image::draw calls. Each pair is
// interleaved in one run.

namespace
{

int const SIZE = 256;
int const PARTICLES = 10000;
int const STEPS = 300;

template <class F>
double seconds(F const& f)
{
	auto const start = std::chrono::steady_clock::now();
	f();
	return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

/** The host with two sheets of one 4 x 4 sprite each ("p0", "p1"). */
struct Host : GLBenchHost
{
	Host() :
		GLBenchHost(SIZE)
	{
		for (int s = 0; s < 2; ++s)
			addGreySheet("sheet" + std::to_string(s), [s](game::SpriteSheet& sheet) { sheet.createSprite("p" + std::to_string(s), 0, 0, 4, 4, 2, 2); });
	}
};

void BM_PredictionAgainstBareSteps(benchmark::State& state)
{
	Host h;
	h.run("function enterCollision(a, b) end function exitCollision(a, b) end\n"
		"function flyerCollision(a, b, c, d) end function blockCollision(a, b, c, d, e, f) end\n"
		"deadBlocks = {} worldAttributes = {simulationIterations = 300, simulationTimeStepMultiplier = 1, simulationStorePointsSampler = 5,"
		" simulationAimSpawnTime = 0.6, simulationAimSpeed = 4}\n"
		"setPhysicsEnabled(true) loadPreviousLevel('x')\n"
		"createCircle('FlyerSimulation', '', 0, 0, 10, 1, 0.5, 0, true, false, 1)\n");
	std::string sensors;
	for (int i = 0; i < 10; ++i)
	{
		std::string const name = "well" + std::to_string(i);
		sensors += "createCircle('" + name + "', '', " + std::to_string(200 * i) + ", 100, 400, 0, 0.5, 0, true, false, 1)"
			" setAsSensor('" + name + "', true) setObjectParameter('" + name + "', 21, 2)"
			" setSensorMinimumAndMaximumForces('" + name + "', 10, 50) setObjectParameter('" + name + "', 27, 20)"
			" setObjectParameter('" + name + "', 32, 1)\n";
	}
	h.run(sensors);
	h.host->scene().world().setGravity(b2Vec2(0.f, 10.f));
	b2Body* flyer = h.host->scene().findObject("FlyerSimulation")->body;

	b2World bare(b2Vec2(0.f, 10.f));
	b2BodyDef def;
	def.type = b2_dynamicBody;
	b2Body* body = bare.CreateBody(&def);
	b2CircleShape circle;
	circle.m_radius = 0.5f;
	body->CreateFixture(&circle, 1.f);

	float const step = 1.f / 35.f;
	auto predict = [&] {
		flyer->SetTransform(b2Vec2(0.f, 0.f), 0.f);
		flyer->SetLinearVelocity(b2Vec2(20.f, -10.f));
		h.run("ClearSimulationTrajectory() updateFlyerTrajectoryTable()");
	};
	auto bareSteps = [&] {
		body->SetTransform(b2Vec2(0.f, 0.f), 0.f);
		body->SetLinearVelocity(b2Vec2(20.f, -10.f));
		for (int i = 0; i < STEPS; ++i)
			bare.Step(step, 10, 10);
	};
	double predictSeconds = 0;
	double bareSeconds = 0;
	for (auto _ : state)
	{
		predictSeconds += seconds(predict);
		bareSeconds += seconds(bareSteps);
	}
	double const n = double(state.iterations());
	state.counters["prediction_us"] = predictSeconds / n * 1e6;
	state.counters["bare_steps_us"] = bareSeconds / n * 1e6;
	state.counters["ratio"] = bareSeconds > 0 ? predictSeconds / bareSeconds : 0;
	state.counters["points"] = double(h.host->aiming().simulationTrajectory().size());
}

/** The plain loop: the same particle records, the same arithmetic and image draws. */
void plainFrame(std::vector<host::Particles::ParticleData>& particles, gr::Context& ctx, float dt)
{
	for (host::Particles::ParticleData& p : particles)
	{
		p.age += dt;
		p.vy += 1.f * dt;
		p.x += p.vx * dt;
		p.y += p.vy * dt;
		p.rotation += p.angularVelocity * dt;
		float const t = p.age / p.lifeTime;
		p.scale = p.scaleBegin + (p.scaleEnd - p.scaleBegin) * t;
	}
	gr::RenderState2D& state = ctx.getRenderState2D();
	for (host::Particles::ParticleData const& p : particles)
	{
		game::Sprite const& s = *p.sprite;
		float const c = std::cos(p.rotation);
		float const sn = std::sin(p.rotation);
		state.angle = p.rotation;
		state.rotation[0] = c;
		state.rotation[1] = sn;
		state.rotation[2] = -sn;
		state.rotation[3] = c;
		state.pivot = math::float2(float(s.getPivotX()), float(s.getPivotY()));
		state.scale = math::float2(p.scale, p.scale);
		state.translation = math::float2(0.f, 0.f);
		s.getImage()->draw(&ctx, p.x / p.scale - s.getPivotX(), p.y / p.scale - s.getPivotY(), float(s.getWidth()),
			float(s.getHeight()), s.getTextureCoordinates());
	}
}

void BM_ParticlesAgainstPlainLoop(benchmark::State& state)
{
	Host h;
	h.run("particleTable = {particles = {spark = {sprites = {'p0', 'p1'}, lifeTime = 1e9, ignoreLimits = true, gravityY = 1,"
		" minVel = 1, maxVel = 5, minAngleEmitter = 0, maxAngleEmitter = 360, minAngleVel = -1, maxAngleVel = 1,"
		" minScaleBegin = 1, maxScaleBegin = 1, minScaleEnd = 0.5, maxScaleEnd = 0.5}}}\n"
		"particles.addParticles('spark', " + std::to_string(PARTICLES) + ", 128, 128, 200, 200, 0)\n");
	host::Particles& particles = h.host->particles().object();
	std::vector<host::Particles::ParticleData> plain = particles.particles();
	float const dt = 1e-6f;
	auto hostFrame = [&] {
		particles.update(dt, true, h.ctx);
		particles.draw(h.ctx, true, false);
		h.ctx->flush();
	};
	auto plainLoop = [&] {
		plainFrame(plain, *h.ctx, dt);
		h.ctx->flush();
	};
	hostFrame();
	plainLoop();
	glFinish();
	double hostSeconds = 0;
	double plainSeconds = 0;
	long hostAllocations = 0;
	long hostCalls = 0;
	long plainCalls = 0;
	for (auto _ : state)
	{
		h.ctx->statistics.reset();
		long const before = benchsupport::allocations();
		hostSeconds += seconds(hostFrame);
		hostAllocations += benchsupport::allocations() - before;
		hostCalls += h.ctx->statistics.counters[gr::Context::Statistics::COUNTER_DRAWCALLS];
		glFinish();
		h.ctx->statistics.reset();
		plainSeconds += seconds(plainLoop);
		plainCalls += h.ctx->statistics.counters[gr::Context::Statistics::COUNTER_DRAWCALLS];
		glFinish();
	}
	double const n = double(state.iterations());
	state.counters["host_us/frame"] = hostSeconds / n * 1e6;
	state.counters["plain_us/frame"] = plainSeconds / n * 1e6;
	state.counters["ratio"] = plainSeconds > 0 ? hostSeconds / plainSeconds : 0;
	state.counters["allocations/frame"] = double(hostAllocations) / n;
	state.counters["drawcalls/frame"] = double(hostCalls) / n;
	state.counters["plain_drawcalls/frame"] = double(plainCalls) / n;
	int runs = 0;
	std::vector<host::Particles::ParticleData> const& live = particles.particles();
	for (size_t i = 0; i < live.size(); ++i)
		runs += i == 0 || live[i].sprite->getImage() != live[i - 1].sprite->getImage();
	state.counters["image_runs"] = runs;
	state.counters["particles"] = double(live.size());
}

} // namespace

BENCHMARK(BM_PredictionAgainstBareSteps)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ParticlesAgainstPlainLoop)->Unit(benchmark::kMicrosecond);
