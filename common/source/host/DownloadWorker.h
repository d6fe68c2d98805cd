#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace lang
{
class Thread;
}

namespace host
{

/**
 * A small pool of background threads (lang::Thread) that run download jobs
 * in the order they were queued, at most threadCount at once. Threads start
 * as jobs come, up to threadCount. At most MAX_WAITING jobs wait; more are
 * refused. Destroying the worker sets its cancel flag (which running
 * downloads poll), drops the jobs still waiting and waits for the running
 * ones to return.
 *
 * enqueue and the destructor belong to one owning thread; jobs run on the
 * worker's threads.
 */
class DownloadWorker
{
public:
	/**
	 * Jobs waiting at most: the scripts ask for a handful of downloads at a
	 * time; past 64 they are asking in a loop, and a backlog without end
	 * would only keep the worker busy with answers nobody waits for.
	 */
	static constexpr size_t MAX_WAITING = 64;

	/** A job; cancel is set once the worker is being destroyed. */
	typedef std::function<void(std::atomic<bool> const& cancel)> Job;

	/** A worker running up to threadCount jobs at once (at least 1). */
	explicit DownloadWorker(size_t threadCount = 1);

	/** Cancels, drops the waiting jobs and joins the threads. Never throws. */
	~DownloadWorker();

	/** What enqueue did. */
	enum Queued
	{
		QUEUED,
		/** A job with the key waits already (one running does not count). */
		ALREADY_WAITING,
		/** MAX_WAITING jobs wait: refused. */
		FULL,
	};

	/**
	 * Queues job under key unless a job with that key is still waiting or
	 * MAX_WAITING jobs wait.
	 * @exception lang::Exception "Creating thread failed" when a thread is needed.
	 */
	Queued enqueue(std::string const& key, Job job);

private:
	size_t const m_threadCount;
	std::mutex m_mutex;
	std::condition_variable m_wake;
	std::deque<std::pair<std::string, Job>> m_jobs;
	bool m_stop;
	std::atomic<bool> m_cancel;
	std::vector<std::unique_ptr<lang::Thread>> m_threads;

	/** A thread's body: runs jobs until stopped. */
	void run();

	DownloadWorker(DownloadWorker const&) = delete;
	DownloadWorker& operator=(DownloadWorker const&) = delete;
};

} // namespace host
