// The sample game's frame, headless at 1024 x 768 (the game's own screen):
// the whole turn of the shell (the host's step, the scripts' update and
// draw, the present) on the game program's hooks and the bundle's data.
// BM_SampleLevelAiming holds the lantern pulled back in the first level
// (the aiming path running, the hint box up); BM_SampleLevelPlay runs the
// scripted play of data/game/play-level1.events from the launch to the
// start of the second level. Reported per frame: the main thread's CPU
// milliseconds, the CPU milliseconds of all the process's threads (the GL's
// rasterizer runs on threads of its own), the wall milliseconds including
// the GL's work, and the draw calls; all_cpu_median_ms is the median over
// the timed parts (a frame each in BM_SampleLevelAiming).
#include <support/TempFolder.h>
#include <framework/Hooks.h>
#include <framework/linux/AppController.h>
#include <framework/linux/HeadlessHost.h>
#include <gr/Context.h>
#include <gr/gl/GLPlatform.h>
#include <io/detail/detail.h>
#include <benchmark/benchmark.h>
#include <GLES2/gl2.h>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <ctime>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace
{

/** Seconds of CPU time the calling thread has used. */
double threadSeconds()
{
	timespec t{};
	clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
	return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

/** Seconds of CPU time all the process's threads have used. */
double processSeconds()
{
	timespec t{};
	clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
	return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

/** Counts the draw calls of each presented frame, then presents it as before. */
class DrawCallCounter : public gr::GLPresenter
{
public:
	DrawCallCounter(gr::GLPresenter* next, gr::Context* context) :
		m_next(next), m_context(context)
	{
	}

	void present() override
	{
		m_drawCalls += m_context->statistics.counters[gr::Context::Statistics::COUNTER_DRAWCALLS];
		m_next->present();
	}

	long drawCalls() const { return m_drawCalls; }

private:
	gr::GLPresenter* m_next;
	gr::Context* m_context;
	long m_drawCalls = 0;
};

/** One line of an events file: its tick and the line. */
struct Event
{
	int tick;
	std::string line;
};

/** The events of the scripted play of the first level, by tick. */
std::vector<Event> scriptedPlay()
{
	std::ifstream in(std::string(ENGINE_GAME_DATA) + "/play-level1.events");
	std::vector<Event> events;
	std::string line;
	while (std::getline(in, line))
	{
		if (line.empty() || line[0] == '#')
			continue;
		events.push_back({std::atoi(line.c_str()), line});
	}
	return events;
}

/**
 * Points the per-user folders (the analytics agent's, the GL driver's
 * cache) at a scratch folder that lasts as long as the process, sends sound
 * nowhere and asks for English texts.
 */
void useScratchEnvironment()
{
	static test::TempFolder scratch;
	for (char const* name : {"share", "cache"})
		std::filesystem::create_directories(scratch / name);
	setenv("XDG_DATA_HOME", (scratch / "share").c_str(), 1);
	setenv("XDG_CACHE_HOME", (scratch / "cache").c_str(), 1);
	setenv("ALSOFT_DRIVERS", "null", 1);
	setenv("LANG", "C", 1);
}

/** The game launched headless on the bundle, its saves in a scratch folder. */
struct Game
{
	test::TempFolder folder;
	std::unique_ptr<framework::HeadlessHost> host;
	std::unique_ptr<DrawCallCounter> counter;
	std::vector<Event> events = scriptedPlay();
	size_t next = 0;

	Game()
	{
		useScratchEnvironment();
		framework::ShellOptions options;
		options.headless = true;
		options.data = ENGINE_BUNDLE_DIR;
		options.saveDir = folder / "saves";
		host.reset(new framework::HeadlessHost(options, &framework::configure, &framework::init));
		host->launch();
		framework::AppController& controller = host->controller();
		counter.reset(new DrawCallCounter(&controller, controller.context()));
		gr::setCurrentPresenter(counter.get());
	}

	~Game()
	{
		gr::setCurrentPresenter(&host->controller());
		host->finish();
		host.reset();
	}

	/** One tick, with the scripted events due at it. */
	void tick()
	{
		while (next < events.size() && events[next].tick <= host->ticks())
			host->send(events[next++].line);
		host->runTicks(1);
	}

	/** Ticks until the scripted play reaches tick (its events delivered). */
	void tickTo(int tick)
	{
		while (host->ticks() < tick)
			this->tick();
	}
};

/** Time, frames and draw calls of the timed parts of a benchmark. */
struct Totals
{
	double cpu = 0;
	double allCpu = 0;
	double wall = 0;
	long frames = 0;
	long drawCalls = 0;
	/** All threads' CPU milliseconds per frame of each timed part. */
	std::vector<double> allCpuParts;

	/** Ticks game to tick, timing it. */
	void tickTo(Game& game, int tick)
	{
		long const calls = game.counter->drawCalls();
		int const ticks = game.host->ticks();
		double const c0 = threadSeconds();
		double const p0 = processSeconds();
		auto const w0 = std::chrono::steady_clock::now();
		game.tickTo(tick);
		cpu += threadSeconds() - c0;
		// The wall time and all threads' CPU include the GL's own work (its
		// threads).
		glFinish();
		wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - w0).count();
		double const partCpu = processSeconds() - p0;
		allCpu += partCpu;
		allCpuParts.push_back(partCpu * 1e3 / double(game.host->ticks() - ticks));
		frames += game.host->ticks() - ticks;
		drawCalls += game.counter->drawCalls() - calls;
	}

	void report(benchmark::State& state)
	{
		if (!allCpuParts.empty())
		{
			std::sort(allCpuParts.begin(), allCpuParts.end());
			state.counters["all_cpu_median_ms"] = allCpuParts[allCpuParts.size() / 2];
		}
		state.counters["cpu_ms/frame"] = cpu / double(frames) * 1e3;
		state.counters["all_cpu_ms/frame"] = allCpu / double(frames) * 1e3;
		state.counters["wall_ms/frame"] = wall / double(frames) * 1e3;
		state.counters["drawcalls/frame"] = double(drawCalls) / double(frames);
		state.counters["frames"] = double(frames);
	}
};

void BM_SampleLevelAiming(benchmark::State& state)
{
	Game game;
	// The lantern is taken and pulled back (its last move comes at tick 42).
	game.tickTo(45);
	Totals totals;
	for (auto _ : state)
		totals.tickTo(game, game.host->ticks() + 1);
	totals.report(state);
}

void BM_SampleLevelPlay(benchmark::State& state)
{
	// Each run: the launch at tick 60, the flight, the breaks, the win and
	// the second level's start (tick 360).
	Totals totals;
	for (auto _ : state)
	{
		state.PauseTiming();
		std::unique_ptr<Game> game(new Game());
		game->tickTo(60);
		state.ResumeTiming();
		totals.tickTo(*game, 360);
		state.PauseTiming();
		game.reset();
		state.ResumeTiming();
	}
	totals.report(state);
}

} // namespace

BENCHMARK(BM_SampleLevelAiming)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SampleLevelPlay)->Unit(benchmark::kMillisecond)->Iterations(3);
