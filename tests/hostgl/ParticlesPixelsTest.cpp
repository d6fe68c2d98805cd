// A particle burst drawn by the host on the headless ES 2.0 context, read
// back: two particles with fixed velocities after a few updates stand
// where their flight puts them, the background everywhere else.
#include "HostPixelFixture.h"
#include <host/Particles.h>
#include <host/ParticleEffects.h>
#include <string>

using gles2test::RED;
using gles2test::RGBA;
using gles2test::WHITE;

namespace
{

class ParticlesPixels : public hostgltest::HostPixelFixture
{
protected:
	void SetUp() override
	{
		HostPixelFixture::SetUp();
		addSheet("S", makeImage(4, 4, [](int, int) { return RED; }), {{"spark", 0, 0, 4, 4, 2, 2}});
	}
};

TEST_F(ParticlesPixels, BurstFliesWhereItsVelocitiesTakeIt)
{
	run("particleTable = {particles = {"
		"right = {sprites = {'spark'}, lifeTime = 10, minVel = 10, maxVel = 10, minScaleBegin = 1, maxScaleBegin = 1, minScaleEnd = 1, maxScaleEnd = 1},"
		"down = {sprites = {'spark'}, lifeTime = 10, minVel = 10, maxVel = 10, minAngleEmitter = 90, maxAngleEmitter = 90,"
		" minScaleBegin = 1, maxScaleBegin = 1, minScaleEnd = 1, maxScaleEnd = 1}}}\n"
		"particles.addParticles('right', 1, 20, 20, 0, 0, 0) particles.addParticles('down', 1, 20, 20, 0, 0, 0)");
	for (int i = 0; i < 3; ++i)
		host->particles().object().update(0.5f, true, &ctx());
	ctx().clear(0xFFFFFFFFu, true, true, false);
	run("drawParticlesNative()");
	ctx().flush();
	EXPECT_EQ(RED, px(35, 20));
	EXPECT_EQ(RED, px(20, 35));
	EXPECT_EQ(WHITE, px(20, 20)) << "the burst has left its origin";
	EXPECT_EQ(WHITE, px(40, 20));
	EXPECT_EQ(WHITE, px(50, 50));
	EXPECT_EQ(WHITE, px(35, 35));
}

} // namespace
