#include <support/RenderFixture.h>
#include <gr/GraphicsException.h>
#include <gr/Shader.h>
#include <gr/gl/gles2/GL2_State.h>
#include <img/ImageReader.h>
#include <io/std/FileInputStream.h>
#include <cstdio>
#include <string>

using gr::Context;
using gr::Rect;
using gr::gles2::GL_State;
using namespace gles2test;

namespace
{

typedef RenderFixture ContextTest;

// Lit pixels of column x.
int litInColumn(std::vector<unsigned char> const& f, int x, int size)
{
	int n = 0;
	for (int y = 0; y < size; ++y)
		n += f[(std::size_t(y) * size + x) * 4] != 0;
	return n;
}

} // namespace

TEST_F(ContextTest, RectangleFollowsTranslationAndScale)
{
	gr::RenderState2D& rs = ctx().getRenderState2D();
	rs.translation = math::float2(10.f, 5.f);
	rs.scale = math::float2(2.f, 2.f);
	// Pixels 2 * (2 + 10) .. 2 * (7 + 10) across, 2 * (3 + 5) .. 2 * (7 + 5) down.
	ctx().fillRect2D(0xFFFF0000, 2, 3, 5, 4);
	EXPECT_EQ(RED, px(24, 16));
	EXPECT_EQ(RED, px(33, 23));
	EXPECT_EQ(BLACK, px(23, 16));
	EXPECT_EQ(BLACK, px(34, 16));
	EXPECT_EQ(BLACK, px(24, 15));
	EXPECT_EQ(BLACK, px(24, 24));
	// Off-screen shapes never reach the batcher.
	ctx().fillRect2D(0xFFFF0000, -100, 0, 10, 10);
	EXPECT_FALSE(ctx().getBatcher().pending());
}

TEST_F(ContextTest, TranslucentRectanglePicksAlphaShaderAndBlends)
{
	struct Case
	{
		unsigned color;
		float alpha;
	} const cases[] = {{0x80FF0000, 1.f}, {0xFFFF0000, 128.f / 255.f}};
	for (Case const& c : cases)
	{
		ctx().clear(0xFF0000FF, true, false, false);
		ctx().getRenderState2D().alpha = c.alpha;
		ctx().fillRect2D(c.color, 0, 0, 16, 16);
		RGBA const p = px(8, 8);
		EXPECT_TRUE(near(RGBA{128, 0, 127, p[3]}, p)) << p[0] << "," << p[1] << "," << p[2];
		EXPECT_EQ(BLUE, px(20, 8));
	}
	ctx().getRenderState2D().alpha = 1.f;
	ctx().fillRect2D(0xFFFF0000, 0, 0, 16, 16);
	EXPECT_EQ(RED, px(8, 8)) << "opaque colour with full alpha draws without blending";
}

TEST_F(ContextTest, FilledCircle)
{
	ctx().fillCircle2D(0xFFFFFFFF, 32, 32, 10);
	EXPECT_EQ(WHITE, px(32, 32));
	EXPECT_EQ(WHITE, px(40, 32));
	EXPECT_EQ(WHITE, px(32, 24));
	EXPECT_EQ(WHITE, px(26, 37));
	EXPECT_EQ(BLACK, px(44, 32));
	EXPECT_EQ(BLACK, px(40, 40)) << "corner of the bounding square";
	EXPECT_EQ(1, counter(Context::Statistics::COUNTER_DRAWCALLS)) << "sixteen quads, one batch";
}

TEST_F(ContextTest, LineWidthsAndDegenerateLines)
{
	struct Case
	{
		int width;
		int lit;
	} const cases[] = {{0, 1}, {1, 1}, {4, 4}};
	for (Case const& c : cases)
	{
		ctx().clear(0xFF000000, true, false, false);
		ctx().drawLine2D(0xFFFFFFFF, 10, 20, 50, 20, c.width);
		std::vector<unsigned char> const f = frame();
		EXPECT_EQ(c.lit, litInColumn(f, 30, SIZE)) << "width " << c.width;
		EXPECT_EQ(0, litInColumn(f, 55, SIZE));
	}
	ctx().statistics.reset();
	ctx().drawLine2D(0xFFFFFFFF, 5, 5, 5, 5, 3);
	EXPECT_FALSE(ctx().getBatcher().pending());
	ctx().drawLine2D(0xFFFFFFFF, 0, 2, 60, 2, 1);
	ctx().drawLine2D(0xFFFFFFFF, 0, 6, 60, 6, 1);
	ctx().drawLine2D(0xFFFFFFFF, 0, 10, 60, 10, 2);
	ctx().fillRect2D(0xFFFFFFFF, 0, 40, 4, 4);
	ctx().flush();
	EXPECT_EQ(3, counter(Context::Statistics::COUNTER_DRAWCALLS)) << "same width joins; a new width or a quad does not";
}

TEST_F(ContextTest, ClearHonoursClipRectangle)
{
	ctx().getRenderState2D().clipRect = Rect(10, 10, 20, 30);
	ctx().clear(0xFFFF0000, true, false, false);
	ctx().getRenderState2D().clipRect = gr::RenderState2D().clipRect;
	ctx().setClipRect(ctx().getRenderState2D().clipRect);
	EXPECT_EQ(RED, px(10, 10));
	EXPECT_EQ(RED, px(19, 29));
	EXPECT_EQ(BLACK, px(9, 10));
	EXPECT_EQ(BLACK, px(20, 10));
	EXPECT_EQ(BLACK, px(10, 9));
	EXPECT_EQ(BLACK, px(10, 30));
}

TEST_F(ContextTest, DepthClearLeavesDepthWritesOff)
{
	GL_State::depthMask(true);
	ctx().clear(0, false, true, false);
	EXPECT_FALSE(GL_State::sm_current.m_depthMaskEnabled);
	GLboolean mask = GL_TRUE;
	glGetBooleanv(GL_DEPTH_WRITEMASK, &mask);
	EXPECT_EQ(GL_FALSE, mask);
}

TEST_F(ContextTest, CaptureIsTopRowFirstAndClampedToTheTarget)
{
	ctx().fillRect2D(0xFFFF0000, 0, 0, SIZE, 1);
	ctx().fillRect2D(0xFF00FF00, 0, SIZE - 1, SIZE, 1);
	std::vector<unsigned char> const f = frame();
	ASSERT_EQ(std::size_t(SIZE) * SIZE * 4, f.size());
	EXPECT_EQ(RED, (RGBA{f[0], f[1], f[2], f[3]}));
	std::size_t const last = std::size_t(SIZE - 1) * SIZE * 4;
	EXPECT_EQ(GREEN, (RGBA{f[last], f[last + 1], f[last + 2], f[last + 3]}));

	// With the viewport in the right half, the frame starts there and the
	// part beyond the target reads as zero.
	ctx().setViewport(Rect(32, 0, SIZE, SIZE));
	std::vector<unsigned char> const g = frame();
	ctx().setViewport(Rect(0, 0, SIZE, SIZE));
	EXPECT_EQ(RED, (RGBA{g[0], g[1], g[2], g[3]}));
	EXPECT_EQ((RGBA{0, 0, 0, 0}), (RGBA{g[40 * 4], g[40 * 4 + 1], g[40 * 4 + 2], g[40 * 4 + 3]}));

	// A file capture picks its format from the suffix.
	std::string const path = ::testing::TempDir() + "gles2-capture.png";
	ctx().capture(path);
	lang::Ptr<img::ImageReader> reader = new img::ImageReader(new io::FileInputStream(path), io::FILEFORMAT_PNG);
	EXPECT_EQ(SIZE, reader->surfaceWidth());
	std::vector<unsigned char> png(std::size_t(SIZE) * SIZE * 4);
	reader->readSurface(png.data(), SIZE * 4, SIZE, SIZE, gr::SurfaceFormat::SURFACE_A8B8G8R8);
	EXPECT_EQ(RED, (RGBA{png[0], png[1], png[2], png[3]}));
	std::remove(path.c_str());
}

TEST_F(ContextTest, CaptureIntoImageConvertsAndRefusesSmallImages)
{
	ctx().fillRect2D(0xFFFF0000, 0, 0, 32, SIZE);
	ctx().fillRect2D(0xFF0000FF, 32, 0, 32, SIZE);
	lang::Ptr<gr::Image> image = ctx().createImage(SIZE, SIZE, 0, gr::SurfaceFormat::SURFACE_R5G6B5, Context::USAGE_STATIC);
	ctx().capture(image);
	ctx().clear(0xFF000000, true, false, false);
	image->draw(&ctx(), 0.f, 0.f, 0, 0, SIZE, SIZE, float(SIZE), float(SIZE));
	EXPECT_EQ(RED, px(10, 10));
	EXPECT_EQ(BLUE, px(50, 10));

	lang::Ptr<gr::Image> small = ctx().createImage(SIZE / 2, SIZE, 0, gr::SurfaceFormat::SURFACE_A8B8G8R8, Context::USAGE_STATIC);
	EXPECT_THROW(ctx().capture(small), gr::GraphicsException);
	EXPECT_NO_THROW(ctx().capture(static_cast<gr::Image*>(nullptr)));
}

TEST_F(ContextTest, ShadersAreParsedOnceAndClonedAfterwards)
{
	lang::Ptr<gr::Shader> first = ctx().createShader("shaders/2d-sprite", 0);
	lang::Ptr<gr::Shader> second = ctx().createShader("elsewhere/2d-sprite", 0);
	EXPECT_NE(first.ptr(), second.ptr());
	EXPECT_EQ(first->name(), second->name());
	EXPECT_THROW(ctx().createShader("shaders/no-such-effect", 0), gr::GraphicsException);
	EXPECT_THROW(ctx().createCubeTexture("cube.png"), gr::GraphicsException);
}

TEST_F(ContextTest, DynamicPrimitivesArePooledInStepsOf32)
{
	gr::VertexFormat vf;
	vf.addPosition(gr::VertexFormat::DF_V3_32F);
	gr::Primitive* p = ctx().getDynamicPrimitive(gr::Primitive::PRIM_TRISTRIP, vf, 33, 0);
	EXPECT_EQ(64, p->vertices());
	EXPECT_EQ(p, ctx().getDynamicPrimitive(gr::Primitive::PRIM_TRISTRIP, vf, 40, 0));
	EXPECT_NE(p, ctx().getDynamicPrimitive(gr::Primitive::PRIM_TRISTRIP, vf, 65, 0));
	EXPECT_NE(p, ctx().getDynamicPrimitive(gr::Primitive::PRIM_TRIFAN, vf, 3, 0));
}

TEST_F(ContextTest, ResetAndCachedStatesTouchOnlyWhatChanged)
{
	ctx().setViewport(Rect(1, 2, 30, 40));
	ctx().reset(SIZE, SIZE);
	EXPECT_EQ(Rect(1, 2, 30, 40), ctx().viewport()) << "same size: viewport untouched";

	ctx().saveCachedState("saved");
	GL_State::depthFunc(GL_ALWAYS);
	ctx().restoreCachedState("never saved");
	EXPECT_EQ(unsigned(GL_ALWAYS), GL_State::sm_current.m_depthFunc);
	ctx().restoreCachedState("saved");
	EXPECT_NE(unsigned(GL_ALWAYS), GL_State::sm_current.m_depthFunc);
	GL_State::depthFunc(GL_LESS);
}

TEST_F(ContextTest, FactorySwapsSizeForSidewaysOrientations)
{
	lang::Ptr<gr::gles2::GL_Context> c = static_cast<gr::gles2::GL_Context*>(gr::gles2::GL_createContext(48, 32, Context::ORIENTATION_1, nullptr));
	EXPECT_EQ(32, c->width());
	EXPECT_EQ(48, c->height());
	c->reset(48, 32);
	EXPECT_EQ(32, c->width());
	c = static_cast<gr::gles2::GL_Context*>(gr::gles2::GL_createContext(48, 32, Context::ORIENTATION_2, nullptr));
	EXPECT_EQ(48, c->width());
	c = nullptr;
}

TEST_F(ContextTest, PresentFlushesAndCallsTheCallback)
{
	int const before = s_gl->frames();
	ctx().fillRect2D(0xFFFFFFFF, 0, 0, 4, 4);
	ctx().present();
	EXPECT_FALSE(ctx().getBatcher().pending());
	EXPECT_EQ(before + 1, s_gl->frames());
}
