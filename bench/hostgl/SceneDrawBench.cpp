#include "GLBenchHost.h"
#include <benchmark/benchmark.h>
#include <support/AllocationCounter.h>
#include <gr/gl/GLPlatform.h>
#include <GameLua.h>
#include <host/RenderObjectData.h>
#include <game/Resources.h>
#include <game/Sprite.h>
#include <game/SpriteSheet.h>
#include <gr/gl/gles2/GL2_Context.h>
#include <lua/LuaState.h>
#include <GLES2/gl2.h>
#include <chrono>
#include <cmath>
#include <string>
#include <vector>

// drawGameNative with 500 objects over 10 sheets (20 depths) against the
// same sprites (images, order, positions, angles) submitted straight to the
// batcher with gr::Image::draw, interleaved frame by frame in one run.

namespace
{

int const SIZE = 256;
int const OBJECTS = 500;
int const SHEETS = 10;

struct Scene : GLBenchHost
{
	/** One sprite as the host draws it. */
	struct Item
	{
		game::Sprite const* sprite;
		float x, y, angle;
	};
	std::vector<Item> items;

	Scene() :
		GLBenchHost(SIZE)
	{
		for (int s = 0; s < SHEETS; ++s)
		{
			addGreySheet("sheet" + std::to_string(s), [s](game::SpriteSheet& sheet) {
				for (int k = 0; k < 4; ++k)
					sheet.createSprite("s" + std::to_string(s) + "_" + std::to_string(k), 16 * k, 0, 16, 16, 8, 8);
			});
		}
		std::string code;
		for (int i = 0; i < OBJECTS; ++i)
		{
			std::string const name = "o" + std::to_string(i);
			std::string const sprite = "s" + std::to_string((i / 3) % SHEETS) + "_" + std::to_string(i % 4);
			float const x = float((i * 37) % (SIZE - 16) + 8) / 20.f;
			float const y = float((i * 53) % (SIZE - 16) + 8) / 20.f;
			code += "createBox('" + name + "', '" + sprite + "', " + std::to_string(x) + ", " + std::to_string(y) +
					", 1, 1, 0, 0, 0, true, false, " + std::to_string((i * 7) % 20) + ")\n";
			code += "setRotation('" + name + "', " + std::to_string(0.1 * i) + ")\n";
		}
		run(code);

		// The host's drawing order, read from its draw lists.
		for (auto const& [depth, groups] : host->scene().drawLists())
		{
			for (auto const& [sheet, names] : groups)
			{
				for (std::string const& name : names)
				{
					GameLua::RenderObjectData const* o = host->scene().findObject(name);
					items.push_back({o->sprite, 20.f * o->renderX, 20.f * o->renderY, o->renderAngle});
				}
			}
		}
	}

	void drawDirect()
	{
		gr::RenderState2D& state = ctx->getRenderState2D();
		for (Item const& item : items)
		{
			game::Sprite const& s = *item.sprite;
			state.angle = item.angle;
			state.rotation[0] = std::cos(item.angle);
			state.rotation[1] = std::sin(item.angle);
			state.rotation[2] = -state.rotation[1];
			state.rotation[3] = state.rotation[0];
			state.pivot = math::float2(float(s.getPivotX()), float(s.getPivotY()));
			state.scale = math::float2(1.f, 1.f);
			state.translation = math::float2(0.f, 0.f);
			s.getImage()->draw(ctx, item.x - s.getPivotX(), item.y - s.getPivotY(), float(s.getWidth()), float(s.getHeight()),
				s.getTextureCoordinates());
		}
	}
};

/** Seconds that f takes, with the GL's own work waited for outside. */
template <class F>
double timed(gr::Context& ctx, F f, long& drawCalls)
{
	ctx.statistics.reset();
	auto const start = std::chrono::steady_clock::now();
	f();
	ctx.flush();
	double const seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
	drawCalls += ctx.statistics.counters[gr::Context::Statistics::COUNTER_DRAWCALLS];
	glFinish();
	return seconds;
}

void BM_DrawGameNativeAgainstBatcher(benchmark::State& state)
{
	Scene scene;
	auto hostFrame = [&] { scene.host->sceneDrawing().drawGame(-1); };
	auto directFrame = [&] { scene.drawDirect(); };
	long warm = 0;
	timed(*scene.ctx, hostFrame, warm);
	timed(*scene.ctx, directFrame, warm);

	double hostSeconds = 0;
	double directSeconds = 0;
	long hostCalls = 0;
	long directCalls = 0;
	for (auto _ : state)
	{
		hostSeconds += timed(*scene.ctx, hostFrame, hostCalls);
		directSeconds += timed(*scene.ctx, directFrame, directCalls);
	}
	double const frames = double(state.iterations());
	state.counters["host_us/frame"] = hostSeconds / frames * 1e6;
	state.counters["direct_us/frame"] = directSeconds / frames * 1e6;
	state.counters["ratio"] = directSeconds > 0 ? hostSeconds / directSeconds : 0;
	state.counters["drawcalls/frame"] = double(hostCalls) / frames;
	state.counters["direct_drawcalls/frame"] = double(directCalls) / frames;
	state.counters["objects"] = double(scene.items.size());
	// Runs of one image in the drawing order: the fewest draw calls a frame can take.
	int runs = 0;
	for (size_t i = 0; i < scene.items.size(); ++i)
		runs += i == 0 || scene.items[i].sprite->getImage() != scene.items[i - 1].sprite->getImage();
	state.counters["image_runs"] = runs;
}

} // namespace

BENCHMARK(BM_DrawGameNativeAgainstBatcher)->Unit(benchmark::kMicrosecond);
