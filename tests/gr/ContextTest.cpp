#include <support/FakeContext.h>
#include <gr/Context.h>
#include <gr/GraphicsException.h>
#include <gr/Rect.h>
#include <gr/RenderState2D.h>
#include <gr/Shader.h>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace
{

/** An object that maps nothing. */
class PlainObject : public gr::ContextObject
{
public:
	PlainObject() : gr::ContextObject(CLASSID_SHADER) {}
};

} // namespace

TEST(Rect, ConstructionAndEquality)
{
	gr::Rect r(5, 7);
	EXPECT_EQ(gr::Rect(0, 0, 5, 7), r);
	EXPECT_EQ(5, r.width());
	EXPECT_EQ(7, r.height());
	EXPECT_EQ(gr::Rect(0, 0, 0, 0), gr::Rect());
	gr::Rect edges[4] = {r, r, r, r};
	edges[0].setLeft(1);
	edges[1].setTop(1);
	edges[2].setRight(1);
	edges[3].setBottom(1);
	for (gr::Rect const& e : edges)
		EXPECT_FALSE(e == r);
}

TEST(ContextObject, UnmappedObjectIsAlwaysOpen)
{
	lang::Ptr<PlainObject> obj = new PlainObject;
	EXPECT_EQ(3, int(obj->locked()));
	{
		gr::ContextObject::Lock lock(obj, gr::ContextObject::LOCK_WRITE);
		EXPECT_EQ(3, int(obj->locked()));
	}
	EXPECT_EQ(3, int(obj->locked()));
	EXPECT_EQ(gr::ContextObject::CLASSID_SHADER, obj->classId());
}

TEST(ContextObject, LockHoldsTheObjectUntilUnlocked)
{
	auto log = std::make_shared<test::CallLog>();
	gr::VertexFormat vf;
	vf.addPosition(gr::VertexFormat::DF_V3_32F);
	lang::Ptr<test::FakePrimitive> prim = new test::FakePrimitive(log, "p", gr::Primitive::PRIM_TRI, vf, 3, 3);
	{
		gr::ContextObject::Lock lock(prim, gr::ContextObject::LOCK_READ | gr::ContextObject::LOCK_WRITE);
		gr::ContextObject* raw = prim;
		prim = nullptr;
		EXPECT_EQ(1, raw->references());
	}
	ASSERT_EQ(2u, log->calls.size());
	EXPECT_EQ("Primitive.lock(p, 3)", log->calls[0].toString());
	EXPECT_EQ("Primitive.unlock(p)", log->calls[1].toString());
	EXPECT_EQ(gr::ContextObject::CLASSID_PRIMITIVE, gr::ContextObject::ClassId(0));
}

TEST(Shader, ParameterNames)
{
	EXPECT_STREQ("NONE", gr::Shader::toString(gr::Shader::PARAM_NONE));
	EXPECT_STREQ("TIME", gr::Shader::toString(gr::Shader::ParamType(9)));
	EXPECT_STREQ("LIGHTP0", gr::Shader::toString(gr::Shader::PARAM_LIGHTP0));
	EXPECT_STREQ("LIGHTC7", gr::Shader::toString(gr::Shader::ParamType(25)));
	EXPECT_DEBUG_DEATH(gr::Shader::toString(gr::Shader::ParamType(26)), "PARAM_NAMES");
}

TEST(Context, RenderSceneBracketsAndKeepsTheContext)
{
	lang::Ptr<test::FakeContext> ctx = new test::FakeContext;
	EXPECT_FALSE(ctx->isTextureShadowingEnabled());
	auto log = ctx->log();
	{
		gr::Context::RenderScene scene(ctx);
		EXPECT_EQ((std::vector<std::string>{"beginScene"}), ctx->ops());
		ctx = nullptr; // the scene still holds the context
	}
	ASSERT_EQ(2u, log->calls.size());
	EXPECT_EQ("endScene", log->calls[1].op);
}

TEST(Context, StatisticsReset)
{
	lang::Ptr<test::FakeContext> ctx = new test::FakeContext;
	for (int c : ctx->statistics.counters)
		EXPECT_EQ(0, c);
	ctx->statistics.counters[gr::Context::Statistics::COUNTER_TEXTURES] = 5;
	ctx->statistics.counters[10] = 2;
	ctx->statistics.reset();
	for (int c : ctx->statistics.counters)
		EXPECT_EQ(0, c);
}

TEST(RenderState2D, Defaults)
{
	gr::RenderState2D s;
	EXPECT_EQ(gr::Rect(-32000, -32000, 32000, 32000), s.clipRect);
	EXPECT_EQ(1.f, s.rotation[0]);
	EXPECT_EQ(0.f, s.rotation[1]);
	EXPECT_EQ(1.f, s.rotation[3]);
	EXPECT_EQ(1.f, s.scale.y);
	EXPECT_EQ(1.f, s.alpha);
	EXPECT_EQ(1.f, s.colorSaturation);
	EXPECT_FALSE(s.worldSpace);
	EXPECT_EQ(1.f, s.transform(3, 3));
	EXPECT_EQ(0.f, s.transform(0, 3));
	EXPECT_TRUE(s.flag2);
	EXPECT_EQ(1, s.value1);
	EXPECT_EQ(5, s.value2);
}

TEST(FakeContext, RecordsCallsWithArgumentsInOrder)
{
	lang::Ptr<test::FakeContext> ctx = new test::FakeContext(320, 200);
	ctx->setImageSize("data/a.png", 16, 8);
	lang::Ptr<gr::Texture> tex = ctx->createTexture("data/a.png");
	EXPECT_EQ(16, tex->width());
	lang::Ptr<gr::Shader> shader = ctx->createShader("fx/2d-sprite", 0);
	lang::Ptr<gr::Image> image = ctx->createImage(32, 32, 0, gr::SurfaceFormat::SURFACE_A8R8G8B8, gr::Context::USAGE_STATIC);

	ctx->getRenderState2D().alpha = 0.5f;
	ctx->fillRect2D(0xFF102030u, 1, 2, 3, 4);
	image->draw(ctx, 1.5f, 2.f, 0, 0, 8, 8, 16.f, 16.f);
	shader->setFloat("ALPHA_FACTOR", 0.5f);
	int const passes = shader->begin();
	for (int i = 0; i < passes; ++i)
	{
		shader->beginPass(i);
		shader->endPass();
	}
	shader->end();
	ctx->setViewport(gr::Rect(10, 10));
	ctx->present();

	EXPECT_EQ(0.5f, ctx->getRenderState2D().alpha);
	EXPECT_EQ(0.5f, shader->getFloat("ALPHA_FACTOR"));
	EXPECT_EQ(0.f, shader->getFloat("unknown"));
	EXPECT_EQ(gr::Rect(10, 10), ctx->viewport());
	EXPECT_EQ(1, ctx->count("fillRect2D"));
	EXPECT_EQ("createTexture(data/a.png)\n"
			  "createShader(fx/2d-sprite, 0)\n"
			  "createImage(image#1, 32, 32, 0, " + std::string(gr::SurfaceFormat(gr::SurfaceFormat::SURFACE_A8R8G8B8).toString()) + ", 2)\n"
			  "fillRect2D(0xFF102030, 1, 2, 3, 4)\n"
			  "Image.draw(image#1, 1.5, 2, 0, 0, 8, 8, 16, 16)\n"
			  "Shader.setFloat(fx/2d-sprite, ALPHA_FACTOR, 0.5)\n"
			  "Shader.begin(fx/2d-sprite)\n"
			  "Shader.beginPass(fx/2d-sprite, 0)\n"
			  "Shader.endPass(fx/2d-sprite)\n"
			  "Shader.end(fx/2d-sprite)\n"
			  "setViewport([0 0 10 10])\n"
			  "present()\n",
		ctx->text());

	EXPECT_THROW(ctx->createCubeTexture("sky"), gr::GraphicsException);
}

TEST(FakeContext, DynamicPrimitivesArePooled)
{
	lang::Ptr<test::FakeContext> ctx = new test::FakeContext;
	gr::VertexFormat vf;
	vf.addPosition(gr::VertexFormat::DF_V3_32F);
	gr::Primitive* a = ctx->getDynamicPrimitive(gr::Primitive::PRIM_TRI, vf, 33, 3);
	EXPECT_EQ(64, a->vertices());
	EXPECT_EQ(a, ctx->getDynamicPrimitive(gr::Primitive::PRIM_TRI, vf, 40, 0));
	EXPECT_NE(a, ctx->getDynamicPrimitive(gr::Primitive::PRIM_LINE, vf, 40, 0));
}
