#include <benchmark/benchmark.h>
#include <support/FrameLoop.h>
#include <support/FrameTimes.h>
#include <gr/gl/GLPlatform.h>
#include <framework/linux/HeadlessGL.h>
#include <framework/linux/HeapPolicy.h>
#include <gr/Image.h>
#include <gr/gl/gles2/GL2_Context.h>
#include <io/detail/detail.h>
#include <lang/Ptr.h>
#include <GLES2/gl2.h>
#include <malloc.h>
#include <chrono>
#include <random>
#include <vector>

namespace
{

int const SPRITES = 2000;
int const SIZE = 256;
int const MAX_IMAGES = 16;
int const FILL_SPRITES = 256;

// The image each sprite of a frame takes, by sprite.
using Order = std::vector<int>;

// Sprites taking images 0, 1, .., count - 1, 0, 1, .. in turn.
Order roundRobin(int count)
{
	Order order;
	for (int i = 0; i < SPRITES; ++i)
		order.push_back(i % count);
	return order;
}

// Sprites taking one of count images at random (the same order each run).
Order randomOrder(int count)
{
	std::mt19937 random(45);
	std::uniform_int_distribution<int> pick(0, count - 1);
	Order order(SPRITES);
	for (int& image : order)
		image = pick(random);
	return order;
}

struct Scene
{
	framework::HeadlessGL gl{framework::HeadlessGL::API_GLES2, SIZE, SIZE};
	lang::Ptr<gr::gles2::GL_Context> ctx;
	lang::Ptr<gr::Image> images[MAX_IMAGES];

	Scene()
	{
		io::detail::setBundlePath(ENGINE_DATA_DIR);
		ctx = static_cast<gr::gles2::GL_Context*>(gr::gles2::GL_createContext(SIZE, SIZE, gr::Context::ORIENTATION_0, updateScrFunc));
		ctx->setShaderPath("shaders");
		for (int i = 0; i < MAX_IMAGES; ++i)
		{
			// 200 grey, the second image 50, the others between.
			unsigned char const grey = i == 0 ? 200 : i == 1 ? 50 : (unsigned char)(60 + 8 * i);
			std::vector<unsigned char> const pixels(8 * 8 * 3, grey);
			lang::Ptr<gr::Image>& image = images[i];
			image = ctx->createImage(8, 8, 0, gr::SurfaceFormat::SURFACE_B8G8R8, gr::Context::USAGE_STATIC);
			image->blt(0, 0, pixels.data(), 8 * 3, 0, 8, 8, gr::SurfaceFormat::SURFACE_B8G8R8);
		}
	}

	void submit(Order const& order)
	{
		for (int i = 0; i < SPRITES; ++i)
		{
			float const x = float((i * 7) % (SIZE - 4));
			float const y = float((i * 13) % (SIZE - 4));
			images[order[std::size_t(i)]]->draw(ctx, x, y, 0, 0, 4, 4, 4.f, 4.f);
		}
	}

	// FILL_SPRITES sprites of 64 x 64 pixels (each pixel covered about 16
	// times): fill instead of draw calls.
	void submitLarge(Order const& order)
	{
		for (int i = 0; i < FILL_SPRITES; ++i)
		{
			float const x = float((i * 37) % (SIZE - 64));
			float const y = float((i * 53) % (SIZE - 64));
			images[order[std::size_t(i)]]->draw(ctx, x, y, 0, 0, 8, 8, 64.f, 64.f);
		}
	}
};

// How a timed frame ends.
enum Finish
{
	// The batch dropped instead of drawn: submission alone.
	FINISH_DROP,
	// The context flushed: the draw calls handed to the GL.
	FINISH_FLUSH,
	// Flushed and the GL's work waited for (its rasterizer's threads).
	FINISH_GL,
};

// Reports the median and the worst frames (benchsupport::reportFrameTimes)
// besides the mean.
void runFrames(benchmark::State& state, Order const& order, Finish finish, bool large = false)
{
	using Clock = std::chrono::steady_clock;
	Scene scene;
	std::vector<double> times;
	times.reserve(1 << 16);
	Clock::time_point start;
	benchsupport::runFrames(
		state, *scene.ctx,
		[&] {
			start = Clock::now();
			if (large)
				scene.submitLarge(order);
			else
				scene.submit(order);
		},
		[&] {
			if (finish == FINISH_DROP)
				scene.ctx->getBatcher().reset();
			else
				scene.ctx->flush();
			if (finish == FINISH_GL)
				glFinish();
			if (times.size() < times.capacity())
				times.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
		});
	// The warm-up frame comes first.
	if (times.size() > 1)
		times.erase(times.begin());
	benchsupport::reportFrameTimes(state, times);
	state.counters["sprites/frame"] = large ? FILL_SPRITES : SPRITES;
}

// 2,000 sprites of one image: submission and flush of one frame.
void BM_SpritesOneImage(benchmark::State& state)
{
	runFrames(state, roundRobin(1), FINISH_FLUSH);
}

// 2,000 sprites alternating between two images.
void BM_SpritesAlternatingImages(benchmark::State& state)
{
	runFrames(state, roundRobin(2), FINISH_FLUSH);
}

// 2,000 sprites taking state.range(0) images in turn.
void BM_SpritesRoundRobin(benchmark::State& state)
{
	runFrames(state, roundRobin(int(state.range(0))), FINISH_FLUSH);
}

// 2,000 sprites taking one of state.range(0) images at random.
void BM_SpritesRandomImages(benchmark::State& state)
{
	runFrames(state, randomOrder(int(state.range(0))), FINISH_FLUSH);
}

// FILL_SPRITES large sprites taking state.range(0) images in turn, the
// GL's work (its rasterizer's threads) inside the timing: what the
// fragment stage costs per image a batch may take.
void BM_SpritesFill(benchmark::State& state)
{
	runFrames(state, roundRobin(int(state.range(0))), FINISH_GL, true);
}

// Submission alone (the batch is dropped instead of drawn).
void BM_SpritesOneImageSubmitOnly(benchmark::State& state)
{
	runFrames(state, roundRobin(1), FINISH_DROP);
}

// The programs' heap policy (framework::setProgramHeapPolicy) while it
// lives, set before the GL view is made as a program sets it first thing;
// then glibc's starting values again (128 KiB each). mallopt cannot bring
// back glibc's sliding mmap threshold, which any of these settings fixes:
// benchmarks that run later in the same process keep fixed thresholds, so
// the variants that use this are registered after the others here.
class ProgramHeapPolicy
{
public:
	explicit ProgramHeapPolicy(benchmark::State& state)
	{
		if (!framework::setProgramHeapPolicy())
			state.SkipWithError("the C library takes no heap policy");
	}

	~ProgramHeapPolicy()
	{
		int const glibcStart = 128 * 1024;
		mallopt(M_TRIM_THRESHOLD, glibcStart);
		mallopt(M_TOP_PAD, glibcStart);
		mallopt(M_MMAP_THRESHOLD, glibcStart);
	}

	ProgramHeapPolicy(ProgramHeapPolicy const&) = delete;
	ProgramHeapPolicy& operator=(ProgramHeapPolicy const&) = delete;
};

// BM_SpritesAlternatingImages under the programs' heap policy: the
// driver's memory a frame frees is kept for the next instead of trimmed
// and faulted in again.
void BM_SpritesAlternatingImagesProgramHeap(benchmark::State& state)
{
	ProgramHeapPolicy policy(state);
	runFrames(state, roundRobin(2), FINISH_FLUSH);
}

// BM_SpritesOneImage under the programs' heap policy.
void BM_SpritesOneImageProgramHeap(benchmark::State& state)
{
	ProgramHeapPolicy policy(state);
	runFrames(state, roundRobin(1), FINISH_FLUSH);
}

} // namespace

BENCHMARK(BM_SpritesOneImage)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SpritesAlternatingImages)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SpritesRoundRobin)->Arg(3)->Arg(4)->Arg(8)->Arg(16)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SpritesRandomImages)->Arg(8)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SpritesFill)->Arg(1)->Arg(2)->Arg(3)->Arg(8)->Arg(16)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SpritesOneImageSubmitOnly)->Unit(benchmark::kMicrosecond);
// Last: see ProgramHeapPolicy.
BENCHMARK(BM_SpritesAlternatingImagesProgramHeap)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SpritesOneImageProgramHeap)->Unit(benchmark::kMicrosecond);
