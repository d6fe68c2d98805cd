#include <framework/linux/HeadlessGL.h>
#include <gr/Image.h>
#include <gr/gl/GLBackends.h>
#include <gr/gl/GLPlatform.h>
#include <io/detail/detail.h>
#include <support/BackendRender.h>
#include <support/PixelReadBack.h>
#include <gtest/gtest.h>
#include <GLES2/gl2.h>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <vector>

namespace
{

using test::Backend;
using test::GLES1;
using test::GLES2;
using test::Scene;

/** Top-down RGBA8 pixels of scene drawn through backend on a width x height view. */
std::vector<unsigned char> render(Backend const& backend, int width, int height, Scene const& scene)
{
	return test::renderOn(backend, ENGINE_DATA_DIR, width, height, scene);
}

const int W = 96;
const int H = 96;

// A 16 x 16 image: four coloured quadrants; the alpha of every pixel is a,
// colours premultiplied by it.
lang::Ptr<gr::Image> quadrants(gr::Context* ctx, gr::SurfaceFormat::SurfaceFormatType format, unsigned char a)
{
	lang::Ptr<gr::Image> image = ctx->createImage(16, 16, 0, format, gr::Context::USAGE_STATIC);
	std::vector<unsigned char> px(16 * 16 * 4);
	for (int y = 0; y < 16; ++y)
		for (int x = 0; x < 16; ++x)
		{
			unsigned char* p = &px[(y * 16 + x) * 4];
			int const q = (y < 8 ? 0 : 2) + (x < 8 ? 0 : 1);
			int const rgb[4][3] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 0}};
			for (int c = 0; c < 3; ++c)
				p[c] = (unsigned char)(rgb[q][c] * a / 255);
			p[3] = a;
		}
	image->blt(0, 0, px.data(), 16 * 4, 0, 16, 16, gr::SurfaceFormat::SURFACE_A8B8G8R8);
	return image;
}

void background(gr::Context* ctx)
{
	ctx->getRenderState2D().clipRect = gr::Rect(0, 0, W, H);
	ctx->clear(0xFF203040, true, true, false);
}

struct NamedScene
{
	char const* name;
	Scene draw;
};

std::vector<NamedScene> scenes()
{
	return {
		{"rectangles", [](gr::Context* ctx) {
			 background(ctx);
			 ctx->fillRect2D(0xFFFF0000, 5, 5, 40, 30);
			 ctx->fillRect2D(0xFF00FF00, 50, 10, 30, 70);
			 ctx->getRenderState2D().translation = math::float2(3.f, 50.f);
			 ctx->getRenderState2D().scale = math::float2(1.5f, 1.f);
			 ctx->fillRect2D(0xFFFFFFFF, 0, 0, 20, 20);
		 }},
		{"translucent shapes", [](gr::Context* ctx) {
			 background(ctx);
			 ctx->fillRect2D(0xFFFF0000, 5, 5, 60, 60);
			 ctx->fillRect2D(0x8000FF00, 30, 30, 60, 60);
			 ctx->fillCircle2D(0x400000FF, 48, 48, 30);
			 ctx->getRenderState2D().alpha = 0.5f;
			 ctx->fillRect2D(0xFFFFFFFF, 60, 5, 30, 30);
			 ctx->fillRect2D(0x80FFFF00, 5, 60, 30, 30);
		 }},
		{"circles", [](gr::Context* ctx) {
			 background(ctx);
			 ctx->fillCircle2D(0xFFFFFF00, 30, 30, 20);
			 ctx->fillCircle2D(0xFF00FFFF, 70, 60, 25);
			 ctx->fillCircle2D(0xFFFF00FF, 90, 95, 15);
		 }},
		{"sprites", [](gr::Context* ctx) {
			 background(ctx);
			 lang::Ptr<gr::Image> opaque = quadrants(ctx, gr::SurfaceFormat::SURFACE_B8G8R8, 255);
			 lang::Ptr<gr::Image> translucent = quadrants(ctx, gr::SurfaceFormat::SURFACE_A8B8G8R8, 128);
			 opaque->draw(ctx, 4.f, 4.f, 0, 0, 16, 16, 32.f, 32.f);
			 opaque->draw(ctx, 40.f, 4.f, 8, 0, 8, 16, 16.f, 32.f);
			 translucent->draw(ctx, 20.f, 20.f, 0, 0, 16, 16, 48.f, 48.f);
			 ctx->getRenderState2D().alpha = 0.5f;
			 opaque->draw(ctx, 50.f, 50.f, 0, 0, 16, 16, 40.f, 40.f);
			 ctx->flush();
		 }},
		{"rotated sprites", [](gr::Context* ctx) {
			 background(ctx);
			 lang::Ptr<gr::Image> image = quadrants(ctx, gr::SurfaceFormat::SURFACE_B8G8R8, 255);
			 gr::RenderState2D& rs = ctx->getRenderState2D();
			 float const a = 0.6f;
			 rs.angle = a;
			 rs.rotation[0] = std::cos(a);
			 rs.rotation[1] = std::sin(a);
			 rs.rotation[2] = -std::sin(a);
			 rs.rotation[3] = std::cos(a);
			 rs.pivot = math::float2(20.f, 20.f);
			 image->draw(ctx, 28.f, 28.f, 0, 0, 16, 16, 40.f, 40.f);
			 ctx->flush();
		 }},
		{"clip rectangle", [](gr::Context* ctx) {
			 background(ctx);
			 ctx->getRenderState2D().clipRect = gr::Rect(10, 20, 60, 70);
			 ctx->fillRect2D(0xFFFF8000, 0, 0, W, H);
			 ctx->fillCircle2D(0xFF0080FF, 60, 70, 20);
			 lang::Ptr<gr::Image> image = quadrants(ctx, gr::SurfaceFormat::SURFACE_B8G8R8, 255);
			 image->draw(ctx, 0.f, 0.f, 0, 0, 16, 16, 30.f, 30.f);
			 ctx->flush();
		 }},
	};
}

TEST(SceneTest, BothBackEndsDrawTheSamePixels)
{
	for (NamedScene const& scene : scenes())
	{
		SCOPED_TRACE(scene.name);
		std::vector<unsigned char> const es1 = render(GLES1, W, H, scene.draw);
		std::vector<unsigned char> const es2 = render(GLES2, W, H, scene.draw);
		ASSERT_EQ(es1.size(), es2.size());
		ASSERT_EQ(std::size_t(W * H * 4), es1.size());
		int differing = 0;
		int worst = 0;
		std::size_t first = 0;
		for (std::size_t i = 0; i < es1.size(); ++i)
		{
			int const d = std::abs(int(es1[i]) - int(es2[i]));
			if (d > 2 && differing++ == 0)
				first = i;
			worst = std::max(worst, d);
		}
		int drawn = 0;
		for (std::size_t i = 0; i < es1.size(); i += 4)
			drawn += es1[i] != 0x20 || es1[i + 1] != 0x30 || es1[i + 2] != 0x40 ? 1 : 0;
		EXPECT_GT(drawn, W * H / 10) << "the scene draws something";
		int const p = int(first / 4);
		EXPECT_EQ(0, differing) << "worst difference " << worst << "; first at x " << p % W << ", y " << p / W
			<< ", channel " << first % 4 << ": " << int(es1[first]) << " against " << int(es2[first]);
	}
}

// An 8 x 8 opaque image of one colour.
lang::Ptr<gr::Image> solid(gr::Context* ctx, unsigned char r, unsigned char g, unsigned char b)
{
	lang::Ptr<gr::Image> image = ctx->createImage(8, 8, 0, gr::SurfaceFormat::SURFACE_B8G8R8, gr::Context::USAGE_STATIC);
	std::vector<unsigned char> px;
	for (int i = 0; i < 8 * 8; ++i)
		px.insert(px.end(), {r, g, b, 255});
	image->blt(0, 0, px.data(), 8 * 4, 0, 8, 8, gr::SurfaceFormat::SURFACE_A8B8G8R8);
	return image;
}

// Many 4 x 4 sprites taking 2, 3, 8 or 16 images in turn, as a frame of a
// busy game draws them: on ES 1.1 every sprite is a draw call of its own
// and the frame spans several of the context's submission slices, on
// ES 2.0 the images share one batch where the GL has the texture units;
// the overlapping sprites show that each is drawn with its own image in the
// order given. The expected frame is painted on the CPU.
TEST(SceneTest, SpritesOfSeveralImagesDrawEachWithItsImageInOrder)
{
	int const sprites = 3 * 64 + 17;
	auto colour = [](int k) {
		return std::array<unsigned char, 3>{(unsigned char)(200 - k * 9), (unsigned char)(40 + k * 13), (unsigned char)(10 + k * 14)};
	};
	auto position = [](int i, int* x, int* y) {
		*x = (i * 7) % (W - 4);
		*y = (i * 13) % (H - 4);
	};

	for (int const count : {2, 3, 8, 16})
	{
		std::vector<unsigned char> expected(std::size_t(W * H * 4));
		for (std::size_t i = 0; i < expected.size(); i += 4)
		{
			unsigned char const bg[4] = {0x20, 0x30, 0x40, 0xFF};
			std::copy(bg, bg + 4, &expected[i]);
		}
		for (int i = 0; i < sprites; ++i)
		{
			int x = 0;
			int y = 0;
			position(i, &x, &y);
			std::array<unsigned char, 3> const c = colour(i % count);
			for (int py = y; py < y + 4; ++py)
				for (int px = x; px < x + 4; ++px)
					std::copy(c.begin(), c.end(), &expected[std::size_t((py * W + px) * 4)]);
		}

		for (Backend const* backend : {&GLES1, &GLES2})
		{
			SCOPED_TRACE(::testing::Message() << (backend == &GLES1 ? "OpenGL ES 1.1, " : "OpenGL ES 2.0, ") << count << " images");
			int drawCalls = 0;
			GLint units = 0;
			std::vector<unsigned char> const pixels = render(*backend, W, H, [&](gr::Context* ctx) {
				if (backend == &GLES2)
					glGetIntegerv(GL_MAX_TEXTURE_IMAGE_UNITS, &units);
				background(ctx);
				std::vector<lang::Ptr<gr::Image>> images;
				for (int k = 0; k < count; ++k)
				{
					std::array<unsigned char, 3> const c = colour(k);
					images.push_back(solid(ctx, c[0], c[1], c[2]));
				}
				ctx->flush();
				ctx->statistics.reset();
				for (int i = 0; i < sprites; ++i)
				{
					int x = 0;
					int y = 0;
					position(i, &x, &y);
					images[std::size_t(i % count)]->draw(ctx, float(x), float(y), 0, 0, 4, 4, 4.f, 4.f);
				}
				ctx->flush();
				drawCalls = ctx->statistics.counters[gr::Context::Statistics::COUNTER_DRAWCALLS];
			});
			// ES 1.1 draws each run of one image on its own; ES 2.0 takes up
			// to 16 images in one batch, as many as the GL has units.
			if (backend == &GLES1)
				EXPECT_EQ(sprites, drawCalls);
			else if (count <= units)
				EXPECT_EQ(1, drawCalls);
			ASSERT_EQ(expected.size(), pixels.size());
			std::size_t const first = std::size_t(std::mismatch(expected.begin(), expected.end(), pixels.begin()).first - expected.begin());
			int const p = int(first / 4);
			EXPECT_EQ(expected.size(), first) << "first difference at x " << p % W << ", y " << p / W << ", channel " << first % 4
				<< ": " << int(pixels[first]) << " where " << int(expected[first]) << " was expected";
		}
	}
}

} // namespace
