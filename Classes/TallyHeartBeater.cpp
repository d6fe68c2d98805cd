#include "TallyHeartBeater.h"
#include "TallyNotificationCenter.h"
#include <chrono>

namespace
{

std::mutex s_beaterMutex;
lang::Ptr<TallyHeartBeater> s_beater;

} // namespace

lang::Ptr<TallyHeartBeater> TallyHeartBeater::createAndStartInstance(double intervalSeconds)
{
	std::lock_guard<std::mutex> lock(s_beaterMutex);
	if (!s_beater)
	{
		s_beater = new TallyHeartBeater;
		s_beater->start(intervalSeconds);
	}
	return s_beater;
}

lang::Ptr<TallyHeartBeater> TallyHeartBeater::instance()
{
	std::lock_guard<std::mutex> lock(s_beaterMutex);
	return s_beater;
}

void TallyHeartBeater::destroyInstance()
{
	lang::Ptr<TallyHeartBeater> old;
	{
		std::lock_guard<std::mutex> lock(s_beaterMutex);
		old = s_beater;
		s_beater = nullptr;
	}
}

void TallyHeartBeater::start(double intervalSeconds)
{
	std::lock_guard<std::mutex> lock(m_mutex);
	if (m_thread)
		return;
	double micros = intervalSeconds * 1e6;
	m_intervalMicros = !(micros >= 1000.0) ? 1000 : micros > 1e15 ? 1000000000000000LL : static_cast<long long>(micros);
	m_thread = new lang::Thread(lang::Functor(new lang::Func1<void, void (TallyHeartBeater::*)(), TallyHeartBeater*>(this, &TallyHeartBeater::run)), true);
}

void TallyHeartBeater::heartBeat()
{
	TallyNotificationCenter::defaultCenter().post("TallyHeartBeatNotification");
}

void TallyHeartBeater::run()
{
	std::unique_lock<std::mutex> lock(m_mutex);
	auto next = std::chrono::steady_clock::now() + std::chrono::microseconds(m_intervalMicros);
	while (!m_stop)
	{
		if (m_wake.wait_until(lock, next, [this] { return m_stop; }))
			break;
		next += std::chrono::microseconds(m_intervalMicros);
		lock.unlock();
		heartBeat();
		lock.lock();
	}
}

TallyHeartBeater::~TallyHeartBeater()
{
	{
		std::lock_guard<std::mutex> lock(m_mutex);
		m_stop = true;
	}
	m_wake.notify_all();
	m_thread = nullptr;
}
