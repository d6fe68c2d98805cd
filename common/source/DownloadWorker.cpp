#include "DownloadWorker.h"
#include <lang/Thread.h>

DownloadWorker::DownloadWorker() : m_stop(false), m_cancel(false) {}

DownloadWorker::~DownloadWorker()
{
	{
		std::lock_guard<std::mutex> lock(m_mutex);
		m_stop = true;
		m_jobs.clear();
	}
	m_cancel = true;
	m_wake.notify_all();
	m_thread.reset();
}

bool DownloadWorker::enqueue(std::string const& key, Job job)
{
	{
		std::lock_guard<std::mutex> lock(m_mutex);
		for (auto const& waiting : m_jobs)
			if (waiting.first == key)
				return false;
		m_jobs.emplace_back(key, std::move(job));
	}
	if (!m_thread)
	{
		typedef lang::Func1<void, void (DownloadWorker::*)(), DownloadWorker*> Body;
		m_thread.reset(new lang::Thread(lang::Functor(new Body(this, &DownloadWorker::run)), true));
	}
	m_wake.notify_one();
	return true;
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
