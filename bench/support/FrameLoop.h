#pragma once

#include <benchmark/benchmark.h>
#include <gr/Context.h>
#include <support/AllocationCounter.h>
#include <GLES2/gl2.h>

namespace benchsupport
{

/**
 * Times frames on a current GL context. One warm-up frame comes first:
 * submit(), finish() and a flush of whatever finish() leaves, so that the
 * shaders, the driver's shader variants, pooled primitives and scratch
 * arrays already exist. Each timed frame resets the context's statistics
 * and runs submit() then finish() (a flush, say); the GL's own work is
 * waited for outside the timing. Reports "drawcalls/frame" and
 * "allocs/frame" (heap allocations of the timed part).
 */
template <class Submit, class Finish>
void runFrames(benchmark::State& state, gr::Context& ctx, Submit submit, Finish finish)
{
	submit();
	finish();
	ctx.flush();
	glFinish();

	long allocs = 0;
	long drawCalls = 0;
	for (auto _ : state)
	{
		ctx.statistics.reset();
		long const before = allocations();
		submit();
		finish();
		allocs += allocations() - before;
		drawCalls += ctx.statistics.counters[gr::Context::Statistics::COUNTER_DRAWCALLS];
		state.PauseTiming();
		glFinish();
		state.ResumeTiming();
	}
	double const frames = double(state.iterations());
	state.counters["drawcalls/frame"] = double(drawCalls) / frames;
	state.counters["allocs/frame"] = double(allocs) / frames;
}

} // namespace benchsupport
