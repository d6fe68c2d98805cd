#include "Thread.h"
#include "Debug.h"
#include "Exception.h"
#include <cxxabi.h>
#include <exception>
#include <memory>
#include <sched.h>
#include <stdint.h>
#include <unistd.h>

namespace lang
{

namespace
{

// Logs an exception that escaped a thread body. Formatting the message may
// itself throw when its pattern is malformed; that is logged too.
void logThreadException(Throwable const& e)
{
	try
	{
		std::string text = e.getMessage().format();
		Debug::printf("Exception in thread: %s\n", text.c_str());
	}
	catch (...)
	{
		Debug::printf("Exception in thread: %s\n", e.getMessage().pattern().c_str());
	}
}

} // namespace

void* threadFunc(void* arg)
{
	// The thread owns the clone from the moment it starts; the holder deletes
	// it also when the thread is cancelled or ends through pthread_exit.
	std::unique_ptr<Functor> functor(static_cast<Functor*>(arg));
	try
	{
		(*functor)();
	}
	catch (abi::__forced_unwind&)
	{
		throw;
	}
	catch (Throwable const& e)
	{
		logThreadException(e);
	}
	catch (std::exception const& e)
	{
		Debug::printf("Exception in thread: %s\n", e.what());
	}
	catch (...)
	{
		Debug::printf("Unknown exception in thread!\n");
	}
	return nullptr;
}

Thread::Thread(Functor const& func, bool join) :
	m_functor(new Functor(func)), m_thread(), m_join(join)
{
	startThread();
}

Thread::~Thread()
{
	// A thread that drops the last reference to its own Thread object cannot
	// wait for itself: it is detached instead.
	if (m_join && !pthread_equal(m_thread, pthread_self()))
		pthread_join(m_thread, nullptr);
	else
		pthread_detach(m_thread);
}

void Thread::startThread()
{
	Functor* functor = m_functor;
	m_functor = nullptr;
	if (pthread_create(&m_thread, nullptr, threadFunc, functor) != 0)
	{
		delete functor;
		throwError(Exception(Format("Creating thread failed")));
	}
}

int Thread::priority() const
{
	int policy = 0;
	sched_param param = {};
	pthread_getschedparam(m_thread, &policy, &param);
	return param.sched_priority;
}

void Thread::setPriority(int priority)
{
	int policy = 0;
	sched_param param = {};
	pthread_getschedparam(m_thread, &policy, &param);
	param.sched_priority = priority;
	pthread_setschedparam(m_thread, policy, &param);
}

void Thread::sleep(unsigned int ms)
{
	// 64 bits: ms x 1000 does not fit 32 bits beyond about 71 minutes.
	uint64_t us = static_cast<uint64_t>(ms) * 1000u;
	while (us > 999999u)
	{
		usleep(999999);
		us -= 999999u;
	}
	usleep(static_cast<useconds_t>(us));
}

void Thread::yield()
{
	sched_yield();
}

} // lang
