#include <audio/AudioClip.h>
#include <audio/AudioMixer.h>
#include <audio/AudioOutput.h>
#include <benchmark/benchmark.h>
#include <lang/Thread.h>
#include <soundgen/SoundGenerator.h>
#include "AllocationCount.h"
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fstream>
#include <string>
#include <vector>

// Cost of mixing one 4096-byte stereo buffer from 1, 8 and 32 looping memory
// clips, against copying 4096 bytes; and the share of a core that a started
// output's refill thread takes.

namespace
{

audio::AudioConfiguration const stereo16{2, 16, 22050};

lang::Ptr<audio::AudioClip> loopClip(int i)
{
	soundgen::Bytes pcm = soundgen::sine(2, 16, 22050, 8820, 200.0 + 50.0 * i, 0.1);
	return new audio::AudioClip(nullptr, pcm.data(), static_cast<int>(pcm.size()), stereo16);
}

void memcpy4096(benchmark::State& state)
{
	std::vector<char> from(4096, 1), to(4096);
	for (auto _ : state)
	{
		memcpy(to.data(), from.data(), 4096);
		benchmark::DoNotOptimize(to.data());
		benchmark::ClobberMemory();
	}
}
BENCHMARK(memcpy4096);

void mixUnlimited16(benchmark::State& state)
{
	lang::Ptr<audio::AudioMixer> mixer = new audio::AudioMixer;
	mixer->start();
	std::vector<lang::Ptr<audio::AudioClip>> clips;
	for (int i = 0; i < state.range(0); ++i)
	{
		clips.push_back(loopClip(i));
		mixer->playClip(clips.back().ptr(), 0.5f, true, i % audio::AudioMixer::TRACKS);
	}
	std::vector<unsigned char> out(4096);
	mixer->mixUnlimited16(stereo16, out.data(), 4096);
	long const before = allocationCount();
	for (auto _ : state)
	{
		mixer->mixUnlimited16(stereo16, out.data(), 4096);
		benchmark::DoNotOptimize(out.data());
	}
	state.counters["allocs_per_mix"] = static_cast<double>(allocationCount() - before) / static_cast<double>(state.iterations());
}
BENCHMARK(mixUnlimited16)->Arg(1)->Arg(8)->Arg(32);

// Time the thread named name has run, in nanoseconds; -1 when there is no such thread.
long long threadCpu(std::string const& name)
{
	DIR* dir = opendir("/proc/self/task");
	long long cpu = -1;
	while (dirent* e = dir ? readdir(dir) : nullptr)
	{
		std::string const task = std::string("/proc/self/task/") + e->d_name;
		std::string comm;
		std::getline(std::ifstream(task + "/comm"), comm);
		if (comm == name)
			std::ifstream(task + "/schedstat") >> cpu;
	}
	if (dir)
		closedir(dir);
	return cpu;
}

void refillThreadShare(benchmark::State& state)
{
	// No sound card needed: the null device consumes buffers in real time.
	setenv("ALSOFT_DRIVERS", "null", 0);
	for (auto _ : state)
	{
		lang::Ptr<audio::AudioOutput> output = new audio::AudioOutput(stereo16);
		output->startOutput();
		std::vector<lang::Ptr<audio::AudioClip>> clips;
		for (int i = 0; i < 8; ++i)
		{
			clips.push_back(loopClip(i));
			output->playClip(clips.back().ptr(), 0.5f, true, i);
		}
		// The refill thread names itself once it runs: wait for the name (a
		// second at most; -1 then reports a thread that never showed).
		long long cpuStart = threadCpu("audio-refill");
		for (int i = 0; i < 1000 && cpuStart < 0; ++i)
		{
			lang::Thread::sleep(1);
			cpuStart = threadCpu("audio-refill");
		}
		auto const start = std::chrono::steady_clock::now();
		lang::Thread::sleep(3000);
		long long const cpuEnd = threadCpu("audio-refill");
		double const wall = std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - start).count();
		output->stopOutput();
		state.counters["cpu_share_percent"] = cpuStart < 0 ? -1.0 : 100.0 * static_cast<double>(cpuEnd - cpuStart) / wall;
	}
}
BENCHMARK(refillThreadShare)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace
