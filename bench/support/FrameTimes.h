#pragma once

#include <benchmark/benchmark.h>
#include <algorithm>
#include <cstddef>
#include <vector>

namespace benchsupport
{

/**
 * Reports the timed frames of a benchmark (microseconds each, in any
 * order): "median_us" besides the mean Google Benchmark gives, and the
 * worst frames: "p99_us" (the frame that 99% of the frames do not exceed,
 * by nearest rank: the largest of fewer than 100 frames) and "max_us".
 * Nothing when times is empty. Sorts times.
 */
inline void reportFrameTimes(benchmark::State& state, std::vector<double>& times)
{
	if (times.empty())
		return;
	std::sort(times.begin(), times.end());
	std::size_t const n = times.size();
	std::size_t const p99 = (n * 99 + 99) / 100 - 1; // ceil(0.99 n) - 1
	state.counters["median_us"] = times[n / 2];
	state.counters["p99_us"] = times[p99];
	state.counters["max_us"] = times[n - 1];
}

} // namespace benchsupport
