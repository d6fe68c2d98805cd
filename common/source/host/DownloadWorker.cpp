#include <host/DownloadWorker.h>
#include <lang/Thread.h>
#include <algorithm>

namespace host
{

DownloadWorker::DownloadWorker(size_t threadCount) : m_threadCount(std::max<size_t>(1, threadCount)), m_stop(false), m_cancel(false)
{
	// Adding a thread then never reallocates (and cannot throw after the thread runs).
	m_threads.reserve(m_threadCount);
}

DownloadWorker::~DownloadWorker()
{
	{
		std::lock_guard<std::mutex> lock(m_mutex);
		m_stop = true;
		m_jobs.clear();
	}
	m_cancel = true;
	m_wake.notify_all();
	m_threads.clear();
}

DownloadWorker::Queued DownloadWorker::enqueue(std::string const& key, Job job)
{
	{
		std::lock_guard<std::mutex> lock(m_mutex);
		for (auto const& waiting : m_jobs)
			if (waiting.first == key)
				return ALREADY_WAITING;
		if (m_jobs.size() >= MAX_WAITING)
			return FULL;
		m_jobs.emplace_back(key, std::move(job));
	}
	if (m_threads.size() < m_threadCount)
	{
		typedef lang::Func1<void, void (DownloadWorker::*)(), DownloadWorker*> Body;
		m_threads.emplace_back(new lang::Thread(lang::Functor(new Body(this, &DownloadWorker::run)), true));
	}
	m_wake.notify_one();
	return QUEUED;
}

void DownloadWorker::run()
{
	for (;;)
	{
		Job job;
		{
			std::unique_lock<std::mutex> lock(m_mutex);
			m_wake.wait(lock, [this] { return m_stop || !m_jobs.empty(); });
			if (m_stop)
				return;
			job = std::move(m_jobs.front().second);
			m_jobs.pop_front();
		}
		job(m_cancel);
	}
}

} // namespace host
