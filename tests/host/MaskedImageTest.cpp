#include <host/MaskedImage.h>
#include <game/Sprite.h>
#include <game/SpriteSheet.h>
#include <gr/Texture.h>
#include <support/FakeContext.h>
#include <gtest/gtest.h>
#include <algorithm>
#include <cmath>
#include <limits>

namespace
{

/** A 100 x 100 fake context, a 32 x 32 texture image and a mask sheet with a 16 x 16 sprite pivoted at its centre. */
class MaskedImageFake : public ::testing::Test
{
protected:
	lang::Ptr<test::FakeContext> context = new test::FakeContext(100, 100);
	lang::Ptr<gr::Image> stone = image("stone", 32);
	lang::Ptr<gr::Image> wood = image("wood", 32);
	lang::Ptr<game::SpriteSheet> sheet = new game::SpriteSheet(image("masks", 64));
	game::Sprite* round = sheet->createSprite("round", 16, 32, 16, 16, 8, 8);

	lang::Ptr<gr::Image> image(std::string const& name, int size)
	{
		lang::Ptr<gr::Image> img = context->createImage(size, size, 0, gr::SurfaceFormat::SURFACE_A8R8G8B8, gr::Context::USAGE_STATIC);
		img->getTexture()->setName(name);
		return img;
	}
};

TEST_F(MaskedImageFake, RendersCollectedQuadsOnceWithOneDraw)
{
	host::MaskedImage masked(context);
	context->clearCalls();
	masked.add(20.f, 20.f, stone, round, 1.f, 1.f);
	masked.add(60.f, 40.f, stone, round, 1.f, 1.f);
	EXPECT_EQ(12, masked.vertices());
	masked.render();
	EXPECT_EQ(0, masked.vertices());
	EXPECT_EQ(1, context->count("Primitive.render"));
	std::vector<test::Call> const prims = context->callsOf("getDynamicPrimitive");
	ASSERT_EQ(1u, prims.size());
	EXPECT_EQ("12", prims[0].args[1]);
	std::vector<test::Call> const textures = context->callsOf("Shader.setTexture");
	ASSERT_EQ(2u, textures.size());
	EXPECT_EQ("BASEMAP", textures[0].args[1]);
	EXPECT_EQ("stone", textures[0].args[2]);
	EXPECT_EQ("BASEMAP1", textures[1].args[1]);
	EXPECT_EQ("masks", textures[1].args[2]);
	// The fixed-function back end takes matrices only between begin and end.
	std::vector<std::string> const ops = context->ops();
	auto at = [&ops](std::string const& op) { return std::find(ops.begin(), ops.end(), op) - ops.begin(); };
	EXPECT_LT(at("setOrthographicProjection"), at("Shader.begin"));
	std::vector<test::Call> const& calls = context->calls();
	auto world = std::find_if(calls.begin(), calls.end(),
		[](test::Call const& c) { return c.op == "Shader.setMatrix" && c.args.size() > 1 && c.args[1] == "WORLDTM"; });
	ASSERT_NE(calls.end(), world);
	EXPECT_LT(at("Shader.begin"), world - calls.begin());
	EXPECT_LT(world - calls.begin(), at("Primitive.render"));

	context->clearCalls();
	masked.render();
	EXPECT_EQ(0, context->count("Primitive.render"));
	EXPECT_EQ(0, context->count("Shader.begin"));
}

TEST_F(MaskedImageFake, ChoosesTheShaderByPlatform)
{
	struct Case
	{
		int platform;
		char const* shader;
	} const cases[] = {{0, "sprite-straightalpha"}, {1, "2d-sprite-alpha-masked"}};
	for (Case const& c : cases)
	{
		lang::Ptr<test::FakeContext> ctx = new test::FakeContext(100, 100, gr::Context::PlatformType(c.platform));
		ctx->setShaderPath("shaders");
		host::MaskedImage masked(ctx);
		std::vector<test::Call> const created = ctx->callsOf("createShader");
		ASSERT_EQ(1u, created.size()) << c.platform;
		EXPECT_EQ(std::string("shaders/") + c.shader, created[0].args[0]);
	}
}

TEST_F(MaskedImageFake, DropsQuadsOffTheScreenAndKeepsThoseAcrossItsEdge)
{
	host::MaskedImage masked(context);
	masked.add(-9.f, 50.f, stone, round, 1.f, 1.f); // right edge at x = -1
	masked.add(50.f, -9.f, stone, round, 1.f, 1.f);
	masked.add(108.f, 50.f, stone, round, 1.f, 1.f); // left edge at x = 100
	masked.add(50.f, 109.f, stone, round, 1.f, 1.f);
	EXPECT_EQ(0, masked.vertices());
	masked.add(0.f, 50.f, stone, round, 1.f, 1.f);
	EXPECT_EQ(6, masked.vertices());
}

TEST_F(MaskedImageFake, AnotherImageOrMaskSheetRendersWhatWasCollectedFirst)
{
	lang::Ptr<game::SpriteSheet> other = new game::SpriteSheet(image("masks2", 64));
	game::Sprite* square = other->createSprite("square", 0, 0, 8, 8, 0, 0);
	host::MaskedImage masked(context);
	context->clearCalls();
	masked.add(20.f, 20.f, stone, round, 1.f, 1.f);
	masked.add(30.f, 20.f, wood, round, 1.f, 1.f);
	EXPECT_EQ(1, context->count("Primitive.render"));
	EXPECT_EQ(6, masked.vertices());
	masked.add(30.f, 30.f, wood, square, 1.f, 1.f);
	EXPECT_EQ(2, context->count("Primitive.render"));
	masked.render();
	EXPECT_EQ(3, context->count("Primitive.render"));
}

TEST_F(MaskedImageFake, IgnoresMissingAndUnusableInput)
{
	lang::Ptr<game::Sprite> orphan = new game::Sprite(nullptr, stone, "orphan", 0, 0, 8, 8, 0, 0);
	lang::Ptr<gr::Image> empty = image("empty", 0);
	float const inf = std::numeric_limits<float>::infinity();
	float const nan = std::numeric_limits<float>::quiet_NaN();
	host::MaskedImage masked(context);
	masked.add(20.f, 20.f, nullptr, round, 1.f, 1.f);
	masked.add(20.f, 20.f, stone, nullptr, 1.f, 1.f);
	masked.add(20.f, 20.f, stone, orphan, 1.f, 1.f);
	masked.add(20.f, 20.f, empty, round, 1.f, 1.f);
	masked.add(nan, 20.f, stone, round, 1.f, 1.f);
	masked.add(20.f, inf, stone, round, 1.f, 1.f);
	masked.add(20.f, 20.f, stone, round, inf, 1.f);
	EXPECT_EQ(0, masked.vertices());
}

TEST_F(MaskedImageFake, LaysTheTextureByPositionAndTheMaskBySprite)
{
	host::MaskedImage masked(context);
	masked.add(20.f, 20.f, stone, round, 1.f, 1.f);
	masked.render();
	std::vector<test::Call> const prims = context->callsOf("getDynamicPrimitive");
	ASSERT_EQ(1u, prims.size());
	// The primitive's data: corner 0 (top-left at 12, 12) and corner 3 (28, 28).
	gr::Primitive* prim = context->getDynamicPrimitive(gr::Primitive::PRIM_TRI, [] {
		gr::VertexFormat vf;
		vf.addPosition(gr::VertexFormat::DF_V3_32F);
		vf.addTextureCoordinate(gr::VertexFormat::DF_V2_32F);
		vf.addTextureCoordinate(gr::VertexFormat::DF_V2_32F);
		return vf;
	}(), 6, 0);
	gr::ContextObject::Lock lock(prim, gr::ContextObject::LOCK_READ);
	unsigned char* data;
	int pitch;
	prim->getVertexDataPtr(gr::VertexFormat::DT_POSITION, &data, &pitch);
	float const* p0 = reinterpret_cast<float const*>(data);
	float const* p5 = reinterpret_cast<float const*>(data + 5 * pitch);
	EXPECT_FLOAT_EQ(12.f * 0.02f - 1.f, p0[0]);
	EXPECT_FLOAT_EQ(1.f - 12.f * 0.02f, p0[1]);
	EXPECT_FLOAT_EQ(28.f * 0.02f - 1.f, p5[0]);
	prim->getVertexDataPtr(gr::VertexFormat::DT_TEX0, &data, &pitch);
	float const* t0 = reinterpret_cast<float const*>(data);
	float const* t5 = reinterpret_cast<float const*>(data + 5 * pitch);
	EXPECT_FLOAT_EQ(20.f / 32.f, t0[0]);
	EXPECT_FLOAT_EQ(36.f / 32.f, t5[0]);
	EXPECT_FLOAT_EQ(36.f / 32.f, t5[1]);
	prim->getVertexDataPtr(gr::VertexFormat::DT_TEX1, &data, &pitch);
	float const* m0 = reinterpret_cast<float const*>(data);
	float const* m5 = reinterpret_cast<float const*>(data + 5 * pitch);
	EXPECT_FLOAT_EQ(16.f / 64.f, m0[0]);
	EXPECT_FLOAT_EQ(32.f / 64.f, m0[1]);
	EXPECT_FLOAT_EQ(32.f / 64.f, m5[0]);
	EXPECT_FLOAT_EQ(48.f / 64.f, m5[1]);
}

} // namespace
