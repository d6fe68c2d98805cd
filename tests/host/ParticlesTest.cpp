// The particle object "particles" from script text on the recording
// context: spawn limits, the order of the random numbers, ageing,
// sensors, lifetime animation, the definition cache, both drawings and
// the host rows, and random bad input.
#include "SceneFixture.h"
#include <host/Particles.h>
#include <host/ParticleEffects.h>
#include <gr/RenderState2D.h>
#include <gtest/gtest.h>
#include <cmath>
#include <random>
#include <string>
#include <vector>

namespace
{

using hosttest::SceneFixture;

class ParticlesTest : public SceneFixture
{
protected:
	void SetUp() override
	{
		addSheet("P", {{"p1", 0, 0, 4, 4, 2, 2}, {"p2", 4, 0, 4, 4, 2, 2}, {"p3", 8, 0, 4, 4, 2, 2}, {"p4", 12, 0, 4, 4, 2, 2}});
		run("particleTable = {particles = {"
			"dust = {sprites = {'p1'}, lifeTime = 10, minScaleBegin = 1, maxScaleBegin = 1, minScaleEnd = 1, maxScaleEnd = 1},"
			"many = {sprites = {'p1'}, lifeTime = 10, ignoreLimits = true, minScaleBegin = 1, maxScaleBegin = 1},"
			"anim = {sprites = {'p1', 'p2', 'p3', 'p4'}, animation = 'lifeTime', lifeTime = 1, minScaleBegin = 1, maxScaleBegin = 1},"
			"back = {sprites = {'p2'}, lifeTime = 10, background = true, minScaleBegin = 1, maxScaleBegin = 1},"
			"}}");
	}

	host::Particles& particles() { return host().particles().object(); }
	size_t live() { return particles().particles().size(); }

	/** Replaces the random numbers by 0.5, 0.5, ... (no offset, middle of every range). */
	void middleRandom()
	{
		particles().setRandomSource([] { return 0.5; });
	}
};

TEST_F(ParticlesTest, SpawnCountsFollowTheLimits)
{
	struct Case
	{
		int liveBefore;
		char const* call;
		size_t spawned;
	};
	Case const cases[] = {
		{50, "particles.addParticles('dust', 20, 0, 0, 0, 0, 0)", 10},
		{220, "particles.addParticles('dust', 20, 0, 0, 0, 0, 0)", 5},
		{0, "particles.addParticles('dust', 2.5, 0, 0, 0, 0, 0)", 3},
		{0, "particles.addParticles('dust', 0, 0, 0, 0, 0, 0)", 0},
		{0, "particles.addParticles('dust', -3, 0, 0, 0, 0, 0)", 0},
		{220, "particles.addParticles('many', 20, 0, 0, 0, 0, 0)", 20},
		// The first limiting of addParticlesWithProperties holds even under ignoreLimits.
		{220, "particles.addParticlesWithProperties('many', 20, 0, 0, 0, 0, 1, 2, 0, 1, 0, '_x')", 5},
		{0, "particles.addParticles('many', 1/0, 0, 0, 0, 0, 0)", 0},
	};
	for (Case const& c : cases)
	{
		SCOPED_TRACE(c.call);
		run("particles.addParticles('many', " + std::to_string(c.liveBefore) + ", 0, 0, 0, 0, 0)");
		ASSERT_EQ(static_cast<size_t>(c.liveBefore), live());
		run(c.call);
		EXPECT_EQ(c.liveBefore + c.spawned, live());
		run("clearParticlesNative()");
		EXPECT_EQ(0u, live());
	}
}

TEST_F(ParticlesTest, RandomNumbersAreDrawnInOrder)
{
	run("particleTable.particles.full = {sprites = {'p1', 'p2', 'p3', 'p4'}, lifeTime = 1, minVel = 10, maxVel = 20,"
		"minAngleEmitter = 0, maxAngleEmitter = 90, minAngle = 0, maxAngle = 180, minAngleVel = 1, maxAngleVel = 3,"
		"minScaleBegin = 1, maxScaleBegin = 2, minScaleEnd = 3, maxScaleEnd = 5, emitAreaScaleX = 2}");
	double const r[] = {0.75, 0.25, 0.5, 0.1, 0.2, 0.3, 0.4, 0.6, 0.8};
	int next = 0;
	particles().setRandomSource([&] { return r[next++ % 9]; });
	run("particles.addParticles('full', 1, 100, 50, 10, 20, 0)");
	ASSERT_EQ(1u, live());
	EXPECT_EQ(9, next);
	host::Particles::ParticleData const& p = particles().particles()[0];
	EXPECT_FLOAT_EQ(100.f + 0.25f * 10.f * 2.f, p.x);
	EXPECT_FLOAT_EQ(50.f - 0.25f * 20.f, p.y);
	float const a = 0.5f * 90.f * 0.017453292f;
	EXPECT_NEAR(11.f * std::cos(a), p.vx, 1e-4);
	EXPECT_NEAR(11.f * std::sin(a), p.vy, 1e-4);
	EXPECT_NEAR(0.2f * 180.f * 0.017453292f, p.rotation, 1e-5);
	EXPECT_FLOAT_EQ(1.6f, p.angularVelocity);
	EXPECT_FLOAT_EQ(1.4f, p.scaleBegin);
	EXPECT_FLOAT_EQ(4.2f, p.scaleEnd);
	EXPECT_EQ("p4", p.spriteName); // floor(0.8 x 4)
	ASSERT_TRUE(p.sprite);
	EXPECT_EQ("p4", p.sprite->getName());

	// Turned by the spawn angle: the offset (5, -5) rotated by 90 degrees.
	next = 0;
	run("particles.addParticles('full', 1, 100, 50, 10, 20, 1.5707964)");
	EXPECT_NEAR(105.f, particles().particles()[1].x, 1e-4);
	EXPECT_NEAR(55.f, particles().particles()[1].y, 1e-4);
}

TEST_F(ParticlesTest, UpdateRemovesExpiredAndSensedParticlesKeepingOrder)
{
	middleRandom();
	run("particleTable.particles.short = {sprites = {'p2'}, lifeTime = 0.1}");
	run("particleTable.particles.never = {sprites = {'p3'}, lifeTime = 0}");
	run("particles.addParticles('dust', 1, 1, 0, 0, 0, 0)"
		"particles.addParticles('short', 1, 2, 0, 0, 0, 0)"
		"particles.addParticles('dust', 1, 3, 0, 0, 0, 0)"
		"particles.addParticles('never', 1, 4, 0, 0, 0, 0)"
		"particles.addParticles('dust', 1, 5, 0, 0, 0, 0)");
	particles().update(0.2f, true, context);
	std::vector<float> xs;
	for (host::Particles::ParticleData const& p : particles().particles())
		xs.push_back(p.x);
	EXPECT_EQ((std::vector<float>{1.f, 3.f, 5.f}), xs);

	// A point sensor: inside its radius and nearer than half the speed
	// removes; inside but farther pulls; outside does nothing.
	run("clearParticlesNative()");
	run("particleTable.particles.fast = {sprites = {'p1'}, lifeTime = 10, minVel = 10, maxVel = 10}");
	run("particles.addGravitySensor(0, 0, 2, true, 10, 0, 0, 0)");
	run("particles.addParticles('fast', 1, 4, 0, 0, 0, 0)"  // d = 4 < 5: removed
		"particles.addParticles('dust', 1, 6, 0, 0, 0, 0)"  // still: pulled toward the sensor
		"particles.addParticles('dust', 1, 0, 20, 0, 0, 0)"); // outside the radius
	particles().update(0.5f, true, context);
	ASSERT_EQ(2u, live());
	EXPECT_FLOAT_EQ(-1.f, particles().particles()[0].vx);
	EXPECT_FLOAT_EQ(6.f - 0.5f, particles().particles()[0].x);
	EXPECT_FLOAT_EQ(0.f, particles().particles()[1].vy);
	EXPECT_FLOAT_EQ(20.f, particles().particles()[1].y);
	// A directional sensor pushes every particle; gravity of the definition too.
	run("clearParticlesNative()");
	EXPECT_TRUE(particles().gravitySensors().empty());
	run("particleTable.particles.fall = {sprites = {'p1'}, lifeTime = 10, gravityY = 10}");
	run("particles.addGravitySensor(0, 0, 3, false, 0, 7, 1, 0)");
	run("particles.addParticles('fall', 1, 0, 0, 0, 0, 0)");
	particles().update(0.5f, true, context);
	EXPECT_FLOAT_EQ(1.5f, particles().particles()[0].vx);
	EXPECT_FLOAT_EQ(5.f, particles().particles()[0].vy);
	EXPECT_FLOAT_EQ(2.5f, particles().particles()[0].y);
	// Menu movement is scaled by the context height / 768.
	run("updateMenuParticlesNative(0.5)");
	EXPECT_FLOAT_EQ(2.5f + 10.f * 0.5f * 1024.f / 768.f, particles().particles()[0].y);
}

TEST_F(ParticlesTest, LifetimeAnimationStepsThroughTheSprites)
{
	middleRandom();
	run("particles.addParticles('anim', 1, 0, 0, 0, 0, 0)");
	EXPECT_EQ("p1", particles().particles()[0].spriteName);
	std::vector<std::string> names;
	for (int i = 0; i < 8; ++i)
	{
		particles().update(0.125f, true, context);
		names.push_back(particles().particles()[0].spriteName);
	}
	EXPECT_EQ((std::vector<std::string>{"p1", "p1", "p2", "p2", "p3", "p3", "p4", "p4"}), names);
	EXPECT_EQ("p4", particles().particles()[0].sprite->getName());
	particles().update(0.125f, true, context);
	EXPECT_EQ(0u, live());
}

TEST_F(ParticlesTest, DefinitionsAreReadOnceAndScaleCallsChangeThem)
{
	middleRandom();
	run("particles.addParticles('dust', 1, 0, 0, 0, 0, 0)");
	run("particleTable.particles.dust.lifeTime = 99");
	run("particles.addParticles('dust', 1, 0, 0, 0, 0, 0)");
	EXPECT_FLOAT_EQ(10.f, particles().particles()[1].lifeTime);

	run("particles.addParticlesWithScale('dust', 1, 0, 0, 0, 0, 0, 3, 4)");
	run("particles.addParticles('dust', 1, 0, 0, 0, 0, 0)");
	EXPECT_FLOAT_EQ(3.f, particles().particles()[3].scaleBegin);
	EXPECT_FLOAT_EQ(4.f, particles().particles()[3].scaleEnd);

	// With properties: the key has the suffix; speeds and emitter angles come from the call.
	run("particles.addParticlesWithProperties('dust', 1, 0, 0, 0, 0, 6, 8, 0, 0, 0, '_fast')");
	host::Particles::ParticleSystemData* fast = particles().definition("dust_fast");
	ASSERT_NE(nullptr, fast);
	EXPECT_FLOAT_EQ(6.f, fast->minVel);
	EXPECT_FLOAT_EQ(8.f, fast->maxVel);
	EXPECT_FLOAT_EQ(7.f, particles().particles()[4].vx);

	// A missing definition raises and caches nothing; an empty sprite list spawns nothing.
	EXPECT_NE("", error("particles.addParticles('none', 1, 0, 0, 0, 0, 0)"));
	EXPECT_EQ(nullptr, particles().definition("none"));
	run("particleTable.particles.empty = {sprites = {}, lifeTime = 1}");
	run("particles.addParticles('empty', 3, 0, 0, 0, 0, 0)");
	EXPECT_EQ(5u, live());
	EXPECT_NE("", error("particles.addParticles(1, 'x', 0, 0, 0, 0, 0)"));
}

TEST_F(ParticlesTest, CacheClearAndSheetReleaseLeaveLiveParticlesSafe)
{
	middleRandom();
	run("particles.addParticles('anim', 2, 0, 0, 0, 0, 0)");
	run("setEditing(true)");
	EXPECT_EQ(nullptr, particles().definition("anim"));
	resources->releaseSpriteSheet("P");
	particles().update(0.3f, true, context);
	context->clearCalls();
	run("drawParticlesNative()");
	// The sheet is gone: the new frame's look-up finds nothing, so the particles are skipped.
	EXPECT_EQ(0u, draws().size());
	EXPECT_EQ(2u, live());
	particles().update(0.1f, true, context);
	run("clearParticlesNative()");
}

TEST_F(ParticlesTest, DrawingPlacesParticlesInWorldAndMenu)
{
	middleRandom();
	run("setTopLeft(30, 40) setWorldScale(2)");
	run("particles.addParticles('dust', 1, 100, 60, 0, 0, 0)");
	run("particles.addParticles('back', 1, 10, 10, 0, 0, 0)");
	context->clearCalls();
	run("drawParticlesNative()");
	std::vector<test::Call> d = draws();
	ASSERT_EQ(1u, d.size());
	gr::RenderState2D const& s = d[0].state2D;
	// Pivot on screen: (x + translation) x scale = (100 - 30) x 2.
	EXPECT_FLOAT_EQ(140.f, (std::stof(d[0].args[1]) + 2.f + s.translation.x) * s.scale.x);
	EXPECT_FLOAT_EQ(40.f, (std::stof(d[0].args[2]) + 2.f + s.translation.y) * s.scale.y);
	gr::RenderState2D const& after = context->getRenderState2D();
	EXPECT_FLOAT_EQ(1.f, after.scale.x);
	EXPECT_FLOAT_EQ(0.f, after.translation.x);

	// Disabled in-game particles are not drawn; the menu drawing uses the menu scale.
	run("enableInGameParticlesNative(false) drawParticlesNative()");
	EXPECT_EQ(1u, draws().size());
	run("setMenuParticlesScale(4)");
	context->clearCalls();
	run("drawMenuParticlesNative()");
	d = draws();
	ASSERT_EQ(1u, d.size());
	EXPECT_FLOAT_EQ(100.f, (std::stof(d[0].args[1]) + 2.f + d[0].state2D.translation.x) * d[0].state2D.scale.x);

	// Out-of-range menu scales raise and keep the old one.
	for (char const* bad : {"0", "100", "-1", "0/0"})
		EXPECT_NE("", error(std::string("setMenuParticlesScale(") + bad + ")")) << bad;
	EXPECT_FLOAT_EQ(4.f, particles().menuScale());

	// A particle shrunk to scale 0 is not drawn.
	run("particles.addParticlesWithScale('dust', 1, 0, 0, 0, 0, 0, 0, 0)");
	context->clearCalls();
	run("drawMenuParticlesNative()");
	EXPECT_EQ(1u, draws().size());
}

// A definition naming a sprite that no sheet holds: one line per definition
// and sprite name, when particles are made, naming the sprite and the
// sheets searched; never a line per particle or per frame.
TEST_F(ParticlesTest, AMissingSpriteIsOneLinePerDefinitionAndName)
{
	run("particleTable.particles.chip_ice = {sprites = {'ice_chip'}, lifeTime = 10, minScaleBegin = 1, maxScaleBegin = 1}\n"
		"particleTable.particles.chip_snow = {sprites = {'ice_chip'}, lifeTime = 10, minScaleBegin = 1, maxScaleBegin = 1}");
	testing::internal::CaptureStdout();
	for (int i = 0; i < 3; ++i)
	{
		run("particles.addParticles('chip_ice', 8, 0, 0, 4, 4, 0) particles.addParticles('chip_snow', 4, 0, 0, 4, 4, 0)");
		run("drawParticlesNative()");
	}
	std::string const log = testing::internal::GetCapturedStdout();
	std::string const line = "Particle sprite \"ice_chip\" of chip_ice is missing: no sprite sheet holds it (the sheets searched: P); its particles are not drawn\n";
	EXPECT_NE(std::string::npos, log.find(line)) << log;
	EXPECT_EQ(log.find(line), log.rfind(line)) << log;
	EXPECT_NE(std::string::npos, log.find("Particle sprite \"ice_chip\" of chip_snow is missing")) << log;
	size_t lines = 0;
	for (size_t at = log.find("Particle sprite"); at != std::string::npos; at = log.find("Particle sprite", at + 1))
		++lines;
	EXPECT_EQ(2u, lines) << log;
}

TEST_F(ParticlesTest, RandomInputNeitherCrashesNorHangs)
{
	std::mt19937 rng(24);
	char const* const values[] = {"nil", "'x'", "{}", "0/0", "1/0", "-1/0", "0", "-1", "1e30", "1", "2.5", "true"};
	auto value = [&] { return std::string(values[rng() % (sizeof(values) / sizeof(values[0]))]); };
	char const* const keys[] = {"lifeTime", "minVel", "maxVel", "minScaleBegin", "maxScaleEnd", "gravityX", "minAngleEmitter",
		"emitAreaScaleX", "ignoreLimits", "animation", "sprites", "background", "useAngleFromSpawner"};
	for (int i = 0; i < 300; ++i)
	{
		std::string def = "particleTable.particles.r" + std::to_string(i % 7) + " = {sprites = {'p1', 'p2'}";
		for (char const* key : keys)
		{
			if (rng() % 2)
				def += std::string(", ") + key + " = " + value();
		}
		def += "}";
		failure(def);
		std::string const name = "'r" + std::to_string(rng() % 8) + "'";
		std::string args;
		for (int k = 0; k < 6; ++k)
			args += ", " + value();
		switch (rng() % 6)
		{
		case 0: failure("particles.addParticles(" + name + args + ")"); break;
		case 1: failure("particles.addParticlesWithScale(" + name + args + ", " + value() + ", " + value() + ")"); break;
		case 2: failure("particles.addParticlesWithProperties(" + name + args + ", " + value() + ", " + value() + ", " + value() + ", " + value() + ", '_s')"); break;
		case 3: failure("particles.addGravitySensor(" + value() + ", " + value() + args + ")"); break;
		case 4: failure("setMenuParticlesScale(" + value() + ")"); break;
		default: failure("updateMenuParticlesNative(" + value() + ")"); break;
		}
		if (rng() % 10 == 0)
			failure("setEditing(false)");
		particles().update(0.05f, true, context);
		failure("drawParticlesNative() drawMenuParticlesNative()");
		EXPECT_LE(live(), 20000u);
	}
}

} // namespace
