// Textured objects in the scene: drawn through their texture's masked
// image, flushed once per sheet group between the plain sprites.
#include "SceneFixture.h"
#include <gtest/gtest.h>
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

} // namespace
