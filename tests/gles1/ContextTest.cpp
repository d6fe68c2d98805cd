#include "Gles1TestSupport.h"
#include <gr/GraphicsException.h>
#include <gr/Image.h>
#include <gr/gl/gles1/GL1_State.h>
#include <img/ImageWriter.h>
#include <io/ByteArrayInputStream.h>
#include <io/ByteArrayOutputStream.h>
#include <io/IOException.h>
#include <io/detail/detail.h>
#include <io/std/FileOutputStream.h>
#include <support/TempFolder.h>
#include <limits>
#include <vector>

using gr::gles1::GL_State;
using gles1test::getInt;
using Pixel = std::array<int, 4>;

namespace
{

Pixel const RED = {255, 0, 0, 255};
Pixel const GREEN = {0, 255, 0, 255};
Pixel const BLUE = {0, 0, 255, 255};
Pixel const BLACK = {0, 0, 0, 255};

class ContextTest : public gles1test::Gles1Fixture
{
protected:
	/** Rows of column x that are not black. */
	int litRows(int x)
	{
		int n = 0;
		for (int y = 0; y < H; ++y)
			n += pixel(x, y) != BLACK ? 1 : 0;
		return n;
	}
};

TEST_F(ContextTest, ShapesLandOnThePixelsAsked)
{
	clearTo(0xFF000000);
	m_ctx->fillRect2D(0xFFFF0000, 10, 20, 30, 40);
	m_ctx->fillCircle2D(0xFF0000FF, 90, 90, 20);
	m_ctx->flush();
	EXPECT_EQ(RED, pixel(10, 20));
	EXPECT_EQ(RED, pixel(39, 59));
	EXPECT_EQ(BLACK, pixel(40, 59));
	EXPECT_EQ(BLACK, pixel(10, 60));
	EXPECT_EQ(BLUE, pixel(90, 90));
	EXPECT_EQ(BLUE, pixel(90 + 17, 90));
	EXPECT_EQ(BLACK, pixel(90 + 15, 90 + 15)) << "outside the rim";

	// Translation and scale of the 2D state apply to shapes.
	clearTo(0xFF000000);
	m_ctx->getRenderState2D().translation = math::float2(10.f, 0.f);
	m_ctx->getRenderState2D().scale = math::float2(2.f, 2.f);
	m_ctx->fillRect2D(0xFF00FF00, 0, 0, 5, 5);
	m_ctx->flush();
	EXPECT_EQ(GREEN, pixel(20, 0));
	EXPECT_EQ(GREEN, pixel(29, 9));
	EXPECT_EQ(BLACK, pixel(19, 0));
	EXPECT_EQ(BLACK, pixel(30, 0));
}

TEST_F(ContextTest, LinesHaveTheirWidth)
{
	clearTo(0xFF000000);
	m_ctx->drawLine2D(0xFFFFFFFF, 5, 5, 5, 5, 3);
	EXPECT_FALSE(m_ctx->getBatcher().pending()) << "a line without length draws nothing";

	m_ctx->drawLine2D(0xFFFFFFFF, 0, 40, W, 40, 3);
	m_ctx->flush();
	EXPECT_EQ(3, litRows(64));

	// Horizontal width follows the vertical scale.
	clearTo(0xFF000000);
	m_ctx->getRenderState2D().scale = math::float2(1.f, 2.f);
	m_ctx->drawLine2D(0xFFFFFFFF, 0, 20, W, 20, 3);
	m_ctx->flush();
	EXPECT_EQ(6, litRows(64));

	// End points whose distance does not fit an int (no overflow under the
	// sanitizers) still give one line.
	int const lo = std::numeric_limits<int>::min(), hi = std::numeric_limits<int>::max();
	m_ctx->drawLine2D(0xFFFFFFFF, lo, 20, hi, 20, 1);
	EXPECT_EQ(2, m_ctx->getBatcher().pendingVertices());
	m_ctx->getBatcher().reset();
}

TEST_F(ContextTest, ShapesAreCulledAtTheSurfaceEdges)
{
	// Normalised x = 2 x / W - 1: a shape is kept while its right edge
	// reaches -1 and its left edge stays below 1 (likewise for y).
	struct Case
	{
		int x, y, w, h;
		int vertices;
	};
	Case const cases[] = {
		{-30, 10, 20, 10, 0}, // entirely left
		{-30, 10, 30, 10, 6}, // right edge exactly at -1
		{W, 10, 10, 10, 0}, // left edge exactly at 1
		{W - 1, 10, 10, 10, 6},
		{10, -10, 10, 10, 0}, // bottom edge exactly at the top (y 1)
	};
	for (Case const& c : cases)
	{
		SCOPED_TRACE(testing::Message() << c.x << "," << c.y);
		m_ctx->fillRect2D(0xFFFFFFFF, c.x, c.y, c.w, c.h);
		EXPECT_EQ(c.vertices, m_ctx->getBatcher().pendingVertices());
		m_ctx->getBatcher().reset();
	}

	// A circle partly on screen goes whole: 16 quads of 2 triangles.
	m_ctx->fillCircle2D(0xFFFFFFFF, 0, 0, 20);
	EXPECT_EQ(16 * 6, m_ctx->getBatcher().pendingVertices());
	m_ctx->getBatcher().reset();

	// Widths 0 and 1 draw 1 pixel; an absurd width still draws.
	for (int width : {0, 1, std::numeric_limits<int>::max()})
	{
		SCOPED_TRACE(width);
		clearTo(0xFF000000);
		m_ctx->drawLine2D(0xFFFFFFFF, 0, 20, W / 2, 20, width);
		m_ctx->flush();
		if (width <= 1)
			EXPECT_EQ(1, litRows(32));
		else
			EXPECT_LE(1, litRows(32));
	}
}

TEST_F(ContextTest, ClearStaysInsideTheClipRectangle)
{
	clearTo(0xFF000000);
	m_ctx->getRenderState2D().clipRect = gr::Rect(0, 0, W / 2, H);
	GL_State::depthMask(true);
	m_ctx->clear(0xFFFF0000, true, true, false);
	EXPECT_EQ(RED, pixel(W / 2 - 1, 10));
	EXPECT_EQ(BLACK, pixel(W / 2, 10));
	EXPECT_EQ(GL_FALSE, getInt(GL_DEPTH_WRITEMASK)) << "a depth clear leaves depth writes off";
}

TEST_F(ContextTest, CaptureGivesTheTopRowFirst)
{
	clearTo(0xFF000000);
	m_ctx->fillRect2D(0xFFFF0000, 0, 0, W, 1);
	io::ByteArrayOutputStream out;
	m_ctx->capture(out, io::FILEFORMAT_RAW);
	std::vector<unsigned char> const& bytes = out.data();
	ASSERT_EQ(std::size_t(W * H * 4), bytes.size());
	EXPECT_EQ((std::vector<unsigned char>{255, 0, 0, 255}), std::vector<unsigned char>(bytes.begin(), bytes.begin() + 4));
	EXPECT_EQ((std::vector<unsigned char>{0, 0, 0, 255}), std::vector<unsigned char>(bytes.begin() + W * 4, bytes.begin() + W * 4 + 4));

	lang::Ptr<gr::Image> small = m_ctx->createImage(8, 8, 0, gr::SurfaceFormat::SURFACE_A8B8G8R8, gr::Context::USAGE_STATIC);
	EXPECT_THROW(m_ctx->capture(small), gr::GraphicsException);
}

TEST_F(ContextTest, OrientationSwapsTheSize)
{
	lang::Ptr<gr::gles1::GL_Context> rotated = static_cast<gr::gles1::GL_Context*>(gr::gles1::GL_createContext(100, 50, gr::Context::ORIENTATION_1, &updateScrFunc));
	EXPECT_EQ(50, rotated->width());
	EXPECT_EQ(100, rotated->height());
	rotated->reset(100, 50);
	EXPECT_EQ(gr::Rect(0, 0, 50, 100), rotated->viewport());
	rotated->reset(60, 40);
	EXPECT_EQ(40, rotated->width());
	EXPECT_EQ(gr::Rect(0, 0, 40, 60), rotated->viewport());
}

TEST_F(ContextTest, ModelViewCarriesTheScaleBias)
{
	math::float4x4 world(1.f);
	world[3] = 5.f;
	world[7] = 6.f;
	m_ctx->setWorldMatrix(world);
	m_ctx->applyModelViewMatrix(math::float4(2.f, 1.f, 0.f, 0.f));
	float gl[16] = {};
	glMatrixMode(GL_MODELVIEW);
	glGetFloatv(GL_MODELVIEW_MATRIX, gl);
	// Columns: x and y doubled, translation gains the first column.
	EXPECT_EQ(2.f, gl[0]);
	EXPECT_EQ(2.f, gl[5]);
	EXPECT_EQ(2.f, gl[10]);
	EXPECT_EQ(6.f, gl[12]);
	EXPECT_EQ(6.f, gl[13]);

	m_ctx->setOrthographicProjection();
	glGetFloatv(GL_PROJECTION_MATRIX, gl);
	EXPECT_EQ(1.f, gl[0]);
	EXPECT_EQ(0.f, gl[12]);
}

TEST_F(ContextTest, DynamicPrimitivesArePooled)
{
	gr::VertexFormat vf;
	vf.addPosition(gr::VertexFormat::DF_V3_32F);
	gr::Primitive* p40 = m_ctx->getDynamicPrimitive(gr::Primitive::PRIM_TRI, vf, 40, 0);
	EXPECT_EQ(64, p40->vertices());
	EXPECT_EQ(p40, m_ctx->getDynamicPrimitive(gr::Primitive::PRIM_TRI, vf, 50, 0));
	EXPECT_NE(p40, m_ctx->getDynamicPrimitive(gr::Primitive::PRIM_LINE, vf, 50, 0));
	EXPECT_NE(p40, m_ctx->getDynamicPrimitive(gr::Primitive::PRIM_TRI, vf, 65, 0));
}

TEST_F(ContextTest, RenderTargetsDrawAndUnrenderableFormatsFail)
{
	lang::Ptr<gr::Texture> target = m_ctx->createTexture(32, 32, 0, gr::SurfaceFormat::SURFACE_A8B8G8R8, 0x08);
	m_ctx->setRenderTarget(target);
	EXPECT_EQ(gr::Rect(0, 0, 32, 32), m_ctx->viewport());
	clearTo(0xFF00FF00);
	EXPECT_EQ(GREEN, test::readPixel(5, 32 - 1 - 5));
	m_ctx->setRenderTarget(nullptr);
	EXPECT_EQ(gr::Rect(0, 0, W, H), m_ctx->viewport());

	for (auto f : {gr::SurfaceFormat::SURFACE_L8, gr::SurfaceFormat::SURFACE_A8, gr::SurfaceFormat::SURFACE_A8L8})
		EXPECT_THROW(m_ctx->createTexture(16, 16, 0, f, 0x08), gr::GraphicsException) << gr::SurfaceFormat(f).toString();
	EXPECT_THROW(m_ctx->createCubeTexture("x.dds"), gr::GraphicsException);
}

TEST_F(ContextTest, ImagesRoundToPowersOfTwoWithoutTheExtensions)
{
	m_ctx->setExtensionOverride("GL_OES_texture_npot", false);
	m_ctx->setExtensionOverride("GL_APPLE_texture_2D_limited_npot", false);

	// 100 x 60: red left of x = 50, green right of it, read through a PNG.
	int const w = 100, h = 60;
	std::vector<unsigned char> px(std::size_t(w) * h * 4);
	for (int y = 0; y < h; ++y)
		for (int x = 0; x < w; ++x)
		{
			unsigned char* p = &px[(std::size_t(y) * w + x) * 4];
			p[0] = x < 50 ? 255 : 0;
			p[1] = x < 50 ? 0 : 255;
			p[2] = 0;
			p[3] = 255;
		}
	io::ByteArrayOutputStream png;
	img::ImageWriter::write(png, io::FILEFORMAT_PNG, px.data(), w, h, gr::SurfaceFormat::SURFACE_A8B8G8R8);
	io::ByteArrayInputStream in(png.data().data(), int(png.data().size()));
	lang::Ptr<gr::Image> image = m_ctx->createImage(in, "picture.png");

	EXPECT_EQ(100, image->width());
	EXPECT_EQ(60, image->height());
	EXPECT_EQ(128, image->getTexture()->width());
	EXPECT_EQ(64, image->getTexture()->height());

	clearTo(0xFF0000FF);
	image->draw(m_ctx, 0.f, 0.f, 0, 0, w, h, float(w), float(h));
	m_ctx->flush();
	EXPECT_EQ(RED, pixel(2, 2));
	EXPECT_EQ(RED, pixel(45, 57));
	EXPECT_EQ(GREEN, pixel(55, 2));
	EXPECT_EQ(GREEN, pixel(97, 57));
	EXPECT_EQ(BLUE, pixel(101, 30));
	EXPECT_EQ(BLUE, pixel(50, 61));

	// With the extension the texture keeps the asked size.
	m_ctx->setExtensionOverride("GL_OES_texture_npot", true);
	lang::Ptr<gr::Image> exact = m_ctx->createImage(100, 60, 0, gr::SurfaceFormat::SURFACE_A8B8G8R8, gr::Context::USAGE_STATIC);
	EXPECT_EQ(100, exact->getTexture()->width());
}

TEST_F(ContextTest, BufferObjectsAndClientArraysDrawAlike)
{
	// The driver names neither buffer-object extension, though OpenGL ES 1.1 has them.
	std::vector<Pixel> drawn[2];
	for (int withBuffers = 0; withBuffers < 2; ++withBuffers)
	{
		m_ctx->setExtensionOverride("GL_OES_vertex_buffer_object", withBuffers != 0);
		clearTo(0xFF000000);
		gr::VertexFormat vf;
		vf.addPosition(gr::VertexFormat::DF_V3_32F);
		vf.addDiffuse(gr::VertexFormat::DF_V4_8);
		lang::Ptr<gr::gles1::GL_Primitive> tri = static_cast<gr::gles1::GL_Primitive*>(
			m_ctx->createPrimitive(gr::Primitive::PRIM_TRI, vf, 3, 3, gr::Context::USAGE_STATIC));
		EXPECT_EQ(withBuffers != 0, tri->indexBuffer() != 0);
		{
			float const pos[] = {-1, 1, 0, 1, 1, 0, -1, -1, 0};
			float const col[] = {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255};
			gr::ContextObject::Lock lock(tri, gr::ContextObject::LOCK_WRITE);
			tri->setVertexData(gr::VertexFormat::DT_POSITION, 0, pos, gr::VertexFormat::DF_V3_32F, 3);
			tri->setVertexData(gr::VertexFormat::DT_DIFFUSE, 0, col, gr::VertexFormat::DF_V4_32F, 3);
			int const idx[] = {0, 1, 2};
			tri->setIndices(0, idx, 3);
			tri->setIndexRangeBegin(0);
			tri->setIndexRangeEnd(3);
			tri->setVertexRangeBegin(0);
			tri->setVertexRangeEnd(3);
		}
		lang::Ptr<gr::Shader> shader = m_ctx->createShader("sprite-plain", 0);
		tri->setShader(shader);
		shader->begin();
		shader->beginPass(0);
		tri->render();
		shader->endPass();
		shader->end();
		for (int y = 0; y < H; y += 9)
			for (int x = 0; x < W; x += 9)
				drawn[withBuffers].push_back(pixel(x, y));
	}
	EXPECT_EQ(drawn[0], drawn[1]);
	EXPECT_NE(BLACK, drawn[0][0]);
	EXPECT_EQ(BLACK, drawn[0].back());
}

TEST_F(ContextTest, ShadowedTexturesSurviveHibernation)
{
	gr::Context const& asContext = *m_ctx;
	EXPECT_FALSE(asContext.isTextureShadowingEnabled());
	m_ctx->textureShadowing().setEnabled(true);
	EXPECT_TRUE(asContext.isTextureShadowingEnabled()) << "the interface answers the back end's switch";
	lang::Ptr<gr::Image> image = m_ctx->createImage(4, 4, 0, gr::SurfaceFormat::SURFACE_B8G8R8, gr::Context::USAGE_STATIC);
	std::vector<unsigned char> green(4 * 4 * 3);
	for (std::size_t i = 1; i < green.size(); i += 3)
		green[i] = 255;
	image->blt(0, 0, green.data(), 12, 0, 4, 4, gr::SurfaceFormat::SURFACE_B8G8R8);

	m_ctx->hibernateContext();
	EXPECT_EQ(0u, static_cast<gr::gles1::GL_Texture*>(image->getTexture())->glTextureName());
	m_ctx->resumeContext();

	clearTo(0xFF000000);
	image->draw(m_ctx, 0.f, 0.f, 0, 0, 4, 4, 32.f, 32.f);
	m_ctx->flush();
	EXPECT_EQ(GREEN, pixel(16, 16));
}

TEST_F(ContextTest, HibernationDoesNothingWithoutShadowing)
{
	lang::Ptr<gr::Texture> t = m_ctx->createTexture(4, 4, 0, gr::SurfaceFormat::SURFACE_A8B8G8R8, 0);
	m_ctx->hibernateContext();
	EXPECT_NE(0u, static_cast<gr::gles1::GL_Texture*>(t.ptr())->glTextureName());
	m_ctx->resumeContext();
	EXPECT_TRUE(m_ctx->textureShadowing().textures().empty());
}

TEST_F(ContextTest, BadImageDataRaisesAndCreatesNothing)
{
	unsigned char const junk[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R', 0xff, 0xff};
	m_ctx->statistics.reset();
	io::ByteArrayInputStream in(junk, int(sizeof(junk)));
	EXPECT_ANY_THROW(m_ctx->createImage(in, "broken.png"));
	EXPECT_EQ(0, m_ctx->statistics.counters[gr::Context::Statistics::COUNTER_IMAGES]);
}

TEST_F(ContextTest, TexturesLoadFromTheBundleAndAreCounted)
{
	test::TempFolder bundle;
	std::string const& dir = bundle.path();
	io::detail::setBundlePath(dir);
	{
		std::vector<unsigned char> px(8 * 4 * 4, 255);
		io::FileOutputStream out(dir + "/white.png");
		img::ImageWriter::write(out, io::FILEFORMAT_PNG, px.data(), 8, 4, gr::SurfaceFormat::SURFACE_A8B8G8R8);
	}

	m_ctx->statistics.reset();
	lang::Ptr<gr::Texture> t = m_ctx->createTexture("white.png");
	EXPECT_EQ("white.png", t->getName());
	EXPECT_EQ(8, t->width());
	EXPECT_EQ(4, t->height());
	EXPECT_EQ(1, m_ctx->statistics.counters[gr::Context::Statistics::COUNTER_TEXTURES]);
	EXPECT_EQ(8 * 4 * 4, m_ctx->statistics.counters[gr::Context::Statistics::COUNTER_TEXTUREBYTES]);
	EXPECT_THROW(m_ctx->createTexture("missing.png"), io::IOException);

	// An R8G8B8 image is kept as B8G8R8.
	lang::Ptr<gr::Image> image = m_ctx->createImage(3, 3, 0, gr::SurfaceFormat::SURFACE_R8G8B8, gr::Context::USAGE_STATIC);
	EXPECT_EQ(gr::SurfaceFormat::SURFACE_B8G8R8, image->format().type());
	EXPECT_EQ(1, m_ctx->statistics.counters[gr::Context::Statistics::COUNTER_IMAGES]);
	EXPECT_EQ(3 * 3 * 3, m_ctx->statistics.counters[gr::Context::Statistics::COUNTER_IMAGEBYTES]);
}

} // namespace
