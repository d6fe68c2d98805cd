#pragma once

#include <lang/Object.h>
#include <lang/Ptr.h>
#include <lang/Thread.h>
#include <condition_variable>
#include <mutex>

/**
 * Posts "TallyHeartBeatNotification" to the default TallyNotificationCenter
 * once per interval, from a thread of its own. One process-wide instance;
 * destroying it stops and joins the thread. Thread-safe.
 */
class TallyHeartBeater : public lang::Object
{
public:
	/** Makes and starts the instance on first call; later calls answer it unchanged. */
	static lang::Ptr<TallyHeartBeater> createAndStartInstance(double intervalSeconds);

	/** The instance, null before createAndStartInstance(). */
	static lang::Ptr<TallyHeartBeater> instance();

	/** Drops the process's reference; the beat stops with the last one. */
	static void destroyInstance();

	/** Starts beating every interval seconds (at least 1 ms); a running beat goes on unchanged. */
	void start(double intervalSeconds);

	/** Posts the notification once. */
	void heartBeat();

	/** Stops and joins the beating thread. */
	~TallyHeartBeater() override;

private:
	TallyHeartBeater() {}

	void run();

	std::mutex m_mutex;
	std::condition_variable m_wake;
	bool m_stop = false;
	long long m_intervalMicros = 0;
	lang::Ptr<lang::Thread> m_thread;
};
