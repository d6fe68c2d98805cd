#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>

namespace test
{

/**
 * Runs f on a thread of its own and waits at most seconds for it. A call
 * that blocks for good (an open of a FIFO that waits for a writer) cannot
 * be taken back: then the test process ends at once with a line naming
 * what, so that the fault shows in seconds instead of at the suite's
 * time limit.
 */
template <class F>
void withinSeconds(double seconds, std::string const& what, F f)
{
	struct Shared
	{
		std::mutex mutex;
		std::condition_variable done;
		bool finished = false;
	};
	Shared shared;
	std::thread worker([&] {
		f();
		std::lock_guard<std::mutex> lock(shared.mutex);
		shared.finished = true;
		shared.done.notify_all();
	});
	std::unique_lock<std::mutex> lock(shared.mutex);
	if (!shared.done.wait_for(lock, std::chrono::duration<double>(seconds), [&] { return shared.finished; }))
	{
		std::fprintf(stderr, "FAILED: %s did not return within %g s\n", what.c_str(), seconds);
		std::fflush(stderr);
		std::_Exit(1);
	}
	lock.unlock();
	worker.join();
}

} // namespace test
