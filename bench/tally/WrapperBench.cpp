// The engine's event logging through tally::Tally (one parameter) against
// building the same map and appending it to a vector: while the session's
// event log has room, and once it is full (events are then only counted).

#include <TallyAnalytics.h>
#include <TallySession.h>
#include <TallyThreads.h>
#include <benchmark/benchmark.h>
#include <linux/TallyPlatform.h>
#include <tally/Tally.h>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace
{

/** The agent started in a temporary folder; reports read a missing answer file instead of going out. */
struct Agent
{
	std::string folder;
	tally::Tally tally;

	Agent()
	{
		char pattern[] = "/tmp/tally-bench-XXXXXX";
		folder = mkdtemp(pattern) ? pattern : "/tmp";
		TallyPlatform::Values v;
		v.libraryPath = folder;
		v.cachesPath = folder;
		v.userDataPath = folder;
		v.systemVersion = "6.1.0";
		v.devicePlatform = "Bench";
		TallyPlatform::set(v);
		TallyAnalytics::setSavedResponseURL(folder + "/no-answer");
		tally.startSession("BENCHKEY");
		TallyThreads::waitUntilIdle(std::chrono::seconds(30));
	}

	~Agent()
	{
		TallyThreads::waitUntilIdle(std::chrono::seconds(30));
		std::error_code ec;
		std::filesystem::remove_all(folder, ec);
	}

	/** A fresh current session: an empty event log. */
	static void freshSession() { TallySession::setCurrentSession(new TallySession("BENCHKEY", "1.0")); }
};

Agent& agent()
{
	static Agent* s_agent = new Agent;
	return *s_agent;
}

void BM_TallyLogEventWithRoom(benchmark::State& state)
{
	Agent& a = agent();
	Agent::freshSession();
	int logged = 0;
	for (auto _ : state)
	{
		a.tally.logEvent("level_complete", "level", "12");
		if (++logged == TallySession::MAX_EVENT_LOG_COUNT)
		{
			state.PauseTiming();
			Agent::freshSession();
			logged = 0;
			state.ResumeTiming();
		}
	}
	state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_TallyLogEventWithRoom);

void BM_TallyLogEventLogFull(benchmark::State& state)
{
	Agent& a = agent();
	Agent::freshSession();
	for (int i = 0; i < TallySession::MAX_EVENT_LOG_COUNT; ++i)
		a.tally.logEvent("level_complete", "level", "12");
	for (auto _ : state)
		a.tally.logEvent("level_complete", "level", "12");
	state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_TallyLogEventLogFull);

void BM_PlainMapAppend(benchmark::State& state)
{
	std::vector<std::pair<std::string, std::map<std::string, std::string>>> log;
	log.reserve(TallySession::MAX_EVENT_LOG_COUNT);
	for (auto _ : state)
	{
		log.emplace_back("level_complete", std::map<std::string, std::string>{{"level", "12"}});
		if (log.size() == static_cast<size_t>(TallySession::MAX_EVENT_LOG_COUNT))
		{
			state.PauseTiming();
			log.clear();
			state.ResumeTiming();
		}
	}
	benchmark::DoNotOptimize(log.data());
	state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_PlainMapAppend);

} // namespace
