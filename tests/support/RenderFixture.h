#pragma once

#include <gr/gl/GLPlatform.h>
#include <framework/linux/HeadlessGL.h>
#include <gr/Image.h>
#include <gr/gl/gles2/GL2_Context.h>
#include <io/detail/detail.h>
#include <lang/Ptr.h>
#include <support/PixelReadBack.h>
#include <GLES2/gl2.h>
#include <array>
#include <cstdlib>
#include <gtest/gtest.h>
#include <vector>

namespace gles2test
{

typedef test::RGBA RGBA;

RGBA const BLACK = {0, 0, 0, 255};
RGBA const RED = {255, 0, 0, 255};
RGBA const GREEN = {0, 255, 0, 255};
RGBA const BLUE = {0, 0, 255, 255};
RGBA const WHITE = {255, 255, 255, 255};

/**
 * One headless ES 2.0 view of 64 x 64 pixels and one context for the whole
 * suite; every test starts from a black frame and a default 2D state.
 * For tests built with ENGINE_DATA_DIR (the data folder, for the built-in
 * effects).
 */
class RenderFixture : public ::testing::Test
{
protected:
	static constexpr int SIZE = 64;

	static void SetUpTestSuite()
	{
		io::detail::setBundlePath(ENGINE_DATA_DIR);
		s_gl = new framework::HeadlessGL(framework::HeadlessGL::API_GLES2, SIZE, SIZE);
		s_ctx = static_cast<gr::gles2::GL_Context*>(gr::gles2::GL_createContext(SIZE, SIZE, gr::Context::ORIENTATION_0, updateScrFunc));
		s_ctx->setShaderPath("shaders");
	}

	static void TearDownTestSuite()
	{
		s_ctx = nullptr;
		delete s_gl;
		s_gl = nullptr;
	}

	void SetUp() override
	{
		s_gl->makeCurrent();
		ctx().setRenderTarget(nullptr);
		ctx().setRenderState2D(gr::RenderState2D());
		ctx().setViewport(gr::Rect(0, 0, SIZE, SIZE));
		ctx().clear(0xFF000000, true, true, false);
		ctx().flush();
		ctx().statistics.reset();
	}

	void TearDown() override
	{
		ctx().flush();
		EXPECT_EQ(GLenum(GL_NO_ERROR), glGetError());
	}

	static gr::gles2::GL_Context& ctx() { return *s_ctx; }

	static int counter(int which) { return ctx().statistics.counters[which]; }

	/** The frame as captured: A8B8G8R8 bytes, top row first. */
	static std::vector<unsigned char> frame() { return test::capturePixels(ctx()); }

	/** Pixel x, y (y down from the top) of the frame. */
	static RGBA px(int x, int y)
	{
		std::vector<unsigned char> const f = frame();
		std::size_t const i = (std::size_t(y) * SIZE + x) * 4;
		return {f[i], f[i + 1], f[i + 2], f[i + 3]};
	}

	/** The pixels of an opaque w x h picture filled by fill(x, y), as B8G8R8 rows. */
	template <class Fill>
	static std::vector<unsigned char> pixels(int w, int h, Fill fill)
	{
		std::vector<unsigned char> bytes(std::size_t(w) * h * 3);
		for (int y = 0; y < h; ++y)
		{
			for (int x = 0; x < w; ++x)
			{
				RGBA const c = fill(x, y);
				for (int k = 0; k < 3; ++k)
					bytes[(std::size_t(y) * w + x) * 3 + k] = (unsigned char)c[k];
			}
		}
		return bytes;
	}

	/** An opaque w x h image (B8G8R8) filled by fill(x, y). */
	template <class Fill>
	static lang::Ptr<gr::Image> makeImage(int w, int h, Fill fill)
	{
		lang::Ptr<gr::Image> image = ctx().createImage(w, h, 0, gr::SurfaceFormat::SURFACE_B8G8R8, gr::Context::USAGE_STATIC);
		std::vector<unsigned char> const bytes = pixels(w, h, fill);
		image->blt(0, 0, bytes.data(), w * 3, 0, w, h, gr::SurfaceFormat::SURFACE_B8G8R8);
		return image;
	}

	static inline framework::HeadlessGL* s_gl = nullptr;
	static inline lang::Ptr<gr::gles2::GL_Context> s_ctx;
};

inline bool near(RGBA const& a, RGBA const& b, int tolerance = 2)
{
	for (int i = 0; i < 4; ++i)
	{
		if (std::abs(a[i] - b[i]) > tolerance)
			return false;
	}
	return true;
}

} // namespace gles2test
