#include <benchmark/benchmark.h>
#include <support/FrameLoop.h>
#include <host/MaskedImage.h>
#include <framework/linux/HeadlessGL.h>
#include <game/Anchor.h>
#include <game/Sprite.h>
#include <game/SpriteSheet.h>
#include <gr/Image.h>
#include <gr/gl/GLBackends.h>
#include <gr/gl/GLPlatform.h>
#include <io/detail/detail.h>
#include <lang/Ptr.h>
#include <vector>

namespace
{

int const QUADS = 500;
int const SIZE = 256;

/** A headless ES 2.0 view, a 32 x 32 texture and a mask sheet with a 16 x 16 sprite. */
struct Scene
{
	framework::HeadlessGL gl{framework::HeadlessGL::API_GLES2, SIZE, SIZE};
	lang::Ptr<gr::Context> ctx;
	lang::Ptr<gr::Image> texture;
	lang::Ptr<game::SpriteSheet> sheet;
	game::Sprite* mask = nullptr;

	Scene()
	{
		io::detail::setBundlePath(ENGINE_DATA_DIR);
		ctx = gr::gles2::GL_createContext(SIZE, SIZE, gr::Context::ORIENTATION_0, updateScrFunc);
		ctx->setShaderPath("shaders");
		std::vector<unsigned char> pixels(32 * 32 * 4, 200);
		texture = ctx->createImage(32, 32, 0, gr::SurfaceFormat::SURFACE_A8B8G8R8, gr::Context::USAGE_STATIC);
		texture->blt(0, 0, pixels.data(), 32 * 4, 0, 32, 32, gr::SurfaceFormat::SURFACE_A8B8G8R8);
		lang::Ptr<gr::Image> maskImage = ctx->createImage(32, 32, 0, gr::SurfaceFormat::SURFACE_A8B8G8R8, gr::Context::USAGE_STATIC);
		maskImage->blt(0, 0, pixels.data(), 32 * 4, 0, 32, 32, gr::SurfaceFormat::SURFACE_A8B8G8R8);
		sheet = new game::SpriteSheet(maskImage);
		mask = sheet->createSprite("round", 0, 0, 16, 16, 8, 8);
	}

	static float x(int i) { return float(8 + (i * 7) % (SIZE - 16)); }
	static float y(int i) { return float(8 + (i * 13) % (SIZE - 16)); }
};

// 500 masked quads of one texture added and rendered per frame.
void BM_MaskedQuads(benchmark::State& state)
{
	Scene scene;
	host::MaskedImage masked(scene.ctx);
	benchsupport::runFrames(
		state, *scene.ctx,
		[&] {
			for (int i = 0; i < QUADS; ++i)
				masked.add(Scene::x(i), Scene::y(i), scene.texture, scene.mask, 1.f, 1.f);
		},
		[&] { masked.render(); });
	state.counters["quads/frame"] = QUADS;
}

// The same 500 quads drawn as plain sprites through the batcher.
void BM_PlainSprites(benchmark::State& state)
{
	Scene scene;
	game::Anchor const pivot(game::Anchor::VPIVOT, game::Anchor::HPIVOT);
	benchsupport::runFrames(
		state, *scene.ctx,
		[&] {
			for (int i = 0; i < QUADS; ++i)
				scene.mask->draw(scene.ctx, Scene::x(i), Scene::y(i), pivot);
		},
		[&] { scene.ctx->flush(); });
	state.counters["quads/frame"] = QUADS;
}

} // namespace

BENCHMARK(BM_MaskedQuads)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PlainSprites)->Unit(benchmark::kMicrosecond);
