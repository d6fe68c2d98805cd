#include <benchmark/benchmark.h>
#include <support/FrameLoop.h>
#include <framework/linux/HeadlessGL.h>
#include <gr/Image.h>
#include <gr/gl/GLBackends.h>
#include <gr/gl/GLPlatform.h>
#include <io/detail/detail.h>
#include <lang/Ptr.h>
#include <GLES2/gl2.h>
#include <vector>

namespace
{

int const SIZE = 256;
int const SPRITES = 300;
int const IMAGES = 4;

// A back end: its GL flavour and the creator of its context.
struct Backend
{
	framework::HeadlessGL::Api api;
	gr::Context* (*createContext)(int width, int height, gr::Context::OrientationType orientation, void (*present)());
};

// A headless view, its context and IMAGES small grey images.
struct Scene
{
	framework::HeadlessGL gl;
	lang::Ptr<gr::Context> ctx;
	lang::Ptr<gr::Image> images[IMAGES];

	explicit Scene(Backend const& backend) :
		gl(backend.api, SIZE, SIZE)
	{
		io::detail::setBundlePath(ENGINE_DATA_DIR);
		ctx = backend.createContext(SIZE, SIZE, gr::Context::ORIENTATION_0, updateScrFunc);
		ctx->setShaderPath("shaders");
		for (int i = 0; i < IMAGES; ++i)
		{
			std::vector<unsigned char> const pixels(8 * 8 * 3, (unsigned char)(60 + 40 * i));
			images[i] = ctx->createImage(8, 8, 0, gr::SurfaceFormat::SURFACE_B8G8R8, gr::Context::USAGE_STATIC);
			images[i]->blt(0, 0, pixels.data(), 8 * 3, 0, 8, 8, gr::SurfaceFormat::SURFACE_B8G8R8);
		}
	}

	// A clear, then SPRITES sprites of 16 x 16 pixels, a run of them per image.
	void submit()
	{
		ctx->getRenderState2D().clipRect = gr::Rect(0, 0, SIZE, SIZE);
		ctx->clear(0xFF203040, true, true, false);
		for (int i = 0; i < SPRITES; ++i)
		{
			float const x = float((i * 7) % (SIZE - 16));
			float const y = float((i * 13) % (SIZE - 16));
			images[i * IMAGES / SPRITES]->draw(ctx, x, y, 0, 0, 8, 8, 16.f, 16.f);
		}
	}
};

// Frames of the scene: clear and sprites, then a flush and the GL's work
// waited for, inside the timing.
void runFrames(benchmark::State& state, Backend const& backend)
{
	Scene scene(backend);
	benchsupport::runFrames(
		state, *scene.ctx, [&] { scene.submit(); },
		[&] {
			scene.ctx->flush();
			glFinish();
		});
	state.counters["sprites/frame"] = SPRITES;
}

void BM_FrameGles1(benchmark::State& state)
{
	runFrames(state, {framework::HeadlessGL::API_GLES1, gr::gles1::GL_createContext});
}

void BM_FrameGles2(benchmark::State& state)
{
	runFrames(state, {framework::HeadlessGL::API_GLES2, gr::gles2::GL_createContext});
}

} // namespace

BENCHMARK(BM_FrameGles1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FrameGles2)->Unit(benchmark::kMicrosecond);
