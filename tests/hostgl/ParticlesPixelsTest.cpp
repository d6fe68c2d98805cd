// A particle burst drawn by the host on the headless ES 2.0 context, read
// back: two particles with fixed velocities after a few updates stand
// where their flight puts them, the background everywhere else.
#include <support/IdleApp.h>
#include <support/RecordingOS.h>
#include <support/RenderFixture.h>
#include <support/TempFolder.h>
#include <GameLua.h>
#include <Particles.h>
#include <game/Resources.h>
#include <game/SpriteSheet.h>
#include <io/ByteArrayInputStream.h>
#include <lua/LuaState.h>
#include <string>

using gles2test::RED;
using gles2test::RGBA;
using gles2test::WHITE;

namespace
{

class ParticlesPixels : public gles2test::RenderFixture
{
protected:
	test::TempFolder appData;
	test::RecordingOS os;
	test::IdleApp app{&os};
	lang::Ptr<lua::LuaState> lua = new lua::LuaState();
	lang::Ptr<game::Resources> resources = new game::Resources(&ctx());
	lang::Ptr<GameLua> host;

	void SetUp() override
	{
		RenderFixture::SetUp();
		io::detail::setAppdataPath(appData.path());
		host = new GameLua(&app, resources, lua, &ctx());
		lang::Ptr<game::SpriteSheet> sheet = new game::SpriteSheet(makeImage(4, 4, [](int, int) { return RED; }));
		sheet->createSprite("spark", 0, 0, 4, 4, 2, 2);
		resources->addSpriteSheet("S", sheet);
	}

	void TearDown() override
	{
		host = nullptr;
		io::detail::setAppdataPath("");
		RenderFixture::TearDown();
	}

	void run(std::string const& code)
	{
		io::ByteArrayInputStream in(code.data(), static_cast<int>(code.size()));
		lua->compile(in, "test", host);
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
		host->particles().update(0.5f, true, &ctx());
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
