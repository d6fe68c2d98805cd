#pragma once

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <utility>

namespace lang
{
class Thread;
}

/**
 * One background thread (lang::Thread) that runs download jobs one at a
 * time in the order they were queued. Its thread starts with the first job.
 * Destroying the worker sets its cancel flag (which running downloads poll),
 * drops the jobs still waiting and waits for the running one to return.
 *
 * enqueue and the destructor belong to one owning thread; jobs run on the
 * worker's thread.
 */
class DownloadWorker
{
public:
	/** A job; cancel is set once the worker is being destroyed. */
	typedef std::function<void(std::atomic<bool> const& cancel)> Job;

	DownloadWorker();

	/** Cancels, drops the waiting jobs and joins the thread. Never throws. */
	~DownloadWorker();

	/**
	 * Queues job under key unless a job with that key is still waiting
	 * (one running already does not count).
	 * @return True when queued.
	 * @exception lang::Exception "Creating thread failed" for the first job.
	 */
	bool enqueue(std::string const& key, Job job);

private:
	std::mutex m_mutex;
	std::condition_variable m_wake;
	std::deque<std::pair<std::string, Job>> m_jobs;
	bool m_stop;
	std::atomic<bool> m_cancel;
	std::unique_ptr<lang::Thread> m_thread;

	/** The thread body: runs jobs until stopped. */
	void run();

	DownloadWorker(DownloadWorker const&) = delete;
	DownloadWorker& operator=(DownloadWorker const&) = delete;
};
