// Sprite sheets: loading a 1,000-sprite sheet against reading the same file
// field by field, and drawing 2,000 sprites of one sheet per frame against
// the batcher alone drawing the same rectangles.

#include <benchmark/benchmark.h>
#include <support/FrameLoop.h>
#include <datawriter/DataWriter.h>
#include <framework/linux/HeadlessGL.h>
#include <game/SpriteSheet.h>
#include <gr/Image.h>
#include <gr/gl/gles2/GL2_Context.h>
#include <gr/gl/GLPlatform.h>
#include <io/DataInputStream.h>
#include <support/TempFolder.h>
#include <io/detail/detail.h>
#include <io/std/BundleInputStream.h>
#include <lang/Ptr.h>
#include <support/FakeContext.h>
#include <GLES2/gl2.h>
#include <cstdio>
#include <string>
#include <vector>

namespace
{

int const SHEET_SPRITES = 1000;

/** A bundle folder holding a chunked sheet of SHEET_SPRITES sprites. */
struct SheetFile
{
	test::TempFolder folder;

	SheetFile()
	{
		datawriter::DataWriter w;
		w.beginFile().beginChunk("SPRT").writeShort(1).writeUTF("sheet.png").writeShort(SHEET_SPRITES);
		for (int i = 0; i < SHEET_SPRITES; ++i)
		{
			char name[32];
			std::snprintf(name, sizeof(name), "sprite_%04d", i);
			w.writeUTF(name).writeShort(i % 32 * 32).writeShort(i / 32 * 32).writeShort(30).writeShort(30).writeShort(15).writeShort(15);
		}
		w.endChunk().endFile();
		folder.write("sheet.dat", w.bytes());
		folder.write("sheet.png", "");
		io::detail::setBundlePath(folder.path());
	}
};

// Loading the sheet on the recording fake context.
void BM_SheetLoad(benchmark::State& state)
{
	SheetFile file;
	lang::Ptr<test::FakeContext> ctx = new test::FakeContext();
	for (auto _ : state)
	{
		lang::Ptr<game::SpriteSheet> sheet = new game::SpriteSheet(ctx, "sheet.dat");
		benchmark::DoNotOptimize(sheet.ptr());
		ctx->clearCalls();
	}
	state.counters["sprites"] = SHEET_SPRITES;
}

// Baseline: the same file through the bundle stream and the data stream,
// every field read and nothing kept.
void BM_SheetLoadBaseline(benchmark::State& state)
{
	SheetFile file;
	for (auto _ : state)
	{
		lang::Ptr<io::BundleInputStream> in = new io::BundleInputStream("sheet.dat");
		lang::Ptr<io::DataInputStream> data = new io::DataInputStream(*in);
		int sum = data->readInt() + data->readInt() + data->readInt() + data->readInt() + data->readShort();
		benchmark::DoNotOptimize(data->readUTF());
		int const count = data->readShort();
		for (int i = 0; i < count; ++i)
		{
			std::string const name = data->readUTF();
			benchmark::DoNotOptimize(name.data());
			for (int k = 0; k < 6; ++k)
				sum += data->readShort();
		}
		benchmark::DoNotOptimize(sum);
	}
	state.counters["sprites"] = SHEET_SPRITES;
}

int const FRAME_SPRITES = 2000;
int const SIZE = 256;

/** A headless ES 2.0 context and a sheet of 16 sprites of one 64 x 64 image. */
struct Scene
{
	framework::HeadlessGL gl{framework::HeadlessGL::API_GLES2, SIZE, SIZE};
	lang::Ptr<gr::gles2::GL_Context> ctx;
	lang::Ptr<game::SpriteSheet> sheet;
	std::vector<game::Sprite*> sprites;

	Scene()
	{
		io::detail::setBundlePath(ENGINE_DATA_DIR);
		ctx = static_cast<gr::gles2::GL_Context*>(gr::gles2::GL_createContext(SIZE, SIZE, gr::Context::ORIENTATION_0, updateScrFunc));
		ctx->setShaderPath("shaders");
		std::vector<unsigned char> pixels(64 * 64 * 3, 200);
		lang::Ptr<gr::Image> image = ctx->createImage(64, 64, 0, gr::SurfaceFormat::SURFACE_B8G8R8, gr::Context::USAGE_STATIC);
		image->blt(0, 0, pixels.data(), 64 * 3, 0, 64, 64, gr::SurfaceFormat::SURFACE_B8G8R8);
		sheet = new game::SpriteSheet(image);
		for (int i = 0; i < 16; ++i)
			sprites.push_back(sheet->createSprite("s" + std::to_string(i), i % 4 * 16, i / 4 * 16, 4 + i % 4, 4 + i / 4, i % 3, i % 5));
	}

	static game::Anchor anchor(int i)
	{
		return game::Anchor(game::Anchor::VerticalType(i % 5), game::Anchor::HorizontalType(i / 5 % 4));
	}

	static float x(int i) { return float((i * 7) % (SIZE - 16) + 8); }
	static float y(int i) { return float((i * 13) % (SIZE - 16) + 8); }
};

/** Frames of submit() then flush. */
template <class Submit>
void runFrames(benchmark::State& state, Scene& scene, Submit submit)
{
	benchsupport::runFrames(state, *scene.ctx, submit, [&] { scene.ctx->flush(); });
	state.counters["sprites/frame"] = FRAME_SPRITES;
}

// 2,000 sprites of one sheet with mixed anchors, then flush.
void BM_SpriteDraw(benchmark::State& state)
{
	Scene scene;
	runFrames(state, scene, [&] {
		for (int i = 0; i < FRAME_SPRITES; ++i)
			scene.sprites[i % 16]->draw(scene.ctx, Scene::x(i), Scene::y(i), Scene::anchor(i));
	});
}

// Baseline: the batcher alone drawing the same rectangles with the same
// texture coordinates.
void BM_SpriteDrawBaseline(benchmark::State& state)
{
	Scene scene;
	struct Quad
	{
		float x, y, w, h;
		math::float2 const* uv;
	};
	std::vector<Quad> quads;
	for (int i = 0; i < FRAME_SPRITES; ++i)
	{
		game::Sprite const* s = scene.sprites[i % 16];
		game::Anchor const a = Scene::anchor(i);
		int const dy = a.vertical == 1 ? s->getHeight() >> 1 : a.vertical == 2 ? s->getHeight() : a.vertical >= 3 ? s->getPivotY() : 0;
		int const dx = a.horizontal == 1 ? s->getWidth() >> 1 : a.horizontal == 2 ? s->getWidth() : a.horizontal == 3 ? s->getPivotX() : 0;
		quads.push_back(Quad{Scene::x(i) - float(dx), Scene::y(i) - float(dy), float(s->getWidth()), float(s->getHeight()), s->getTextureCoordinates()});
	}
	gr::Image* image = scene.sheet->getImage();
	runFrames(state, scene, [&] {
		for (Quad const& q : quads)
			image->draw(scene.ctx, q.x, q.y, q.w, q.h, q.uv);
	});
}

} // namespace

BENCHMARK(BM_SheetLoad)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SheetLoadBaseline)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SpriteDraw)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SpriteDrawBaseline)->Unit(benchmark::kMicrosecond);
