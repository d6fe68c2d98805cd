// Textured objects in the scene: drawn through their texture's masked
// image, flushed once per sheet group between the plain sprites.
#include "SceneFixture.h"
#include <physics/PhysicsWorld.h>
#include <box2d/box2d.h>
#include <gtest/gtest.h>
#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace
{

class MaskedImageScene : public hosttest::SceneFixture
{
};

TEST_F(MaskedImageScene, TexturedObjectsRenderOncePerSheetGroupBetweenDepths)
{
	addSheet("S", {{"spr", 0, 0, 8, 6, 2, 3}});
	addSheet("stone", {{"tile", 0, 0, 64, 64, 0, 0}});
	run("createBox('low', 'spr', 1, 1, 1, 1, 0, 0, 0, true, false, 1)\n"
		"createBox('t1', 'spr', 2, 1, 1, 1, 0, 0, 0, true, false, 2) setTexture('t1', 'stone')\n"
		"createBox('p2', 'spr', 3, 1, 1, 1, 0, 0, 0, true, false, 2)\n"
		"createBox('t2', 'spr', 4, 1, 1, 1, 0, 0, 0, true, false, 2) setTexture('t2', 'stone')\n"
		"createBox('high', 'spr', 5, 1, 1, 1, 0, 0, 0, true, false, 3)\n"
		"setTexture('none', 'stone') setTexture('p2', 'unknown')");
	ASSERT_TRUE(object("t1"));
	EXPECT_EQ("stone", object("t1")->textureName);
	EXPECT_FALSE(object("p2")->textureImage);
	for (int frame = 0; frame < 2; ++frame)
	{
		context->clearCalls();
		run("drawGameNative(-1)");
		std::vector<std::string> seen;
		for (test::Call const& call : context->calls())
		{
			if (call.op == "Image.draw")
				seen.push_back("sprite at " + call.args[1]);
			else if (call.op == "Primitive.render")
				seen.push_back("masked");
		}
		std::vector<std::string> const expected = {"sprite at 18", "sprite at 58", "masked", "sprite at 98"};
		EXPECT_EQ(expected, seen) << "frame " << frame;
		std::vector<test::Call> const textures = context->callsOf("Shader.setTexture");
		ASSERT_EQ(2u, textures.size());
		EXPECT_EQ("stone", textures[0].args[2]);
		EXPECT_EQ("S", textures[1].args[2]);
	}
}

TEST_F(MaskedImageScene, TextureAndSpriteRequestsFromACallbackRunAfterTheStepWithTheirNames)
{
	game::SpriteSheet* const stone = addSheet("stone", {{"tile", 0, 0, 64, 64, 0, 0}});
	game::SpriteSheet* const sheet = addSheet("S", {{"spr", 0, 0, 8, 6, 2, 3}});
	// Longer than any string kept inline: the script's argument is gone once the call returns.
	std::string const unknown(40, 'u');
	struct ScriptListener : b2ContactListener
	{
		std::function<void()> onBegin;
		void BeginContact(b2Contact*) override
		{
			if (onBegin)
				std::exchange(onBegin, nullptr)();
		}
	} listener;
	listener.onBegin = [&] {
		run("setTexture('floor', 'stone') setTexture('ball', '" + unknown + "') setSprite('ball', 'spr')");
		EXPECT_EQ("", object("floor")->textureName);
	};
	run("createBox('floor', '', 0, 0, 10, 1, 0, 0, 0, true, false, 1)\n"
		"createCircle('ball', '', 0, 1.02, 0.5, 1, 0, 0, true, false, 1)\n"
		"setVelocity('ball', 0, -5)");
	physics::PhysicsWorld& world = host().scene().world();
	world.setListeners(&listener, nullptr, nullptr);
	world.step(1.f / 30.f, 8, 3);
	world.setListeners(&host(), &host(), &host());
	ASSERT_FALSE(listener.onBegin) << "the bodies never touched";

	EXPECT_EQ("stone", object("floor")->textureName);
	EXPECT_EQ(stone->getImage(), object("floor")->textureImage.ptr());
	EXPECT_EQ(unknown, object("ball")->textureName);
	EXPECT_FALSE(object("ball")->textureImage);
	ASSERT_TRUE(object("ball")->sprite);
	EXPECT_EQ("spr", object("ball")->sprite->getName());
	std::vector<std::string> const& moved = host().scene().drawLists()[1][sheet];
	EXPECT_EQ(std::vector<std::string>{"ball"}, moved);
}

} // namespace
