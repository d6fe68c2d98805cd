#include <gtest/gtest.h>
#include <atomic>
#include <chrono>
#include <dlfcn.h>
#include <lang/Exception.h>
#include <lang/Mutex.h>
#include <lang/Ptr.h>
#include <lang/System.h>
#include <lang/Thread.h>
#include <string>
#include <thread>
#include <vector>

namespace
{

// Waits (bounded) until flag is set.
bool waitFor(std::atomic<bool> const& flag)
{
	for (int i = 0; i < 5000 && !flag.load(); ++i)
		std::this_thread::sleep_for(std::chrono::milliseconds(1));
	return flag.load();
}

class Worker
{
public:
	std::atomic<bool> finished{false};
	std::string received;

	void run()
	{
		lang::Thread::sleep(50);
		finished = true;
	}

	void receive(std::string const& s) { received = s; }

	void fail() { lang::throwError(lang::Exception(lang::Format("worker {0} failed", 3.0))); }
};

// A thread body that reports when its clone is deleted.
class Body : public lang::FuncBase
{
public:
	Body(std::atomic<bool>* go, std::atomic<bool>* ran, std::atomic<bool>* deleted) :
		m_go(go), m_ran(ran), m_deleted(deleted)
	{
	}
	~Body()
	{
		if (m_clone)
			*m_deleted = true;
	}
	void operator()() override
	{
		while (!m_go->load())
			lang::Thread::yield();
		*m_ran = true;
	}
	FuncBase* clone() const override
	{
		Body* b = new Body(*this);
		b->m_clone = true;
		return b;
	}

private:
	std::atomic<bool>* m_go;
	std::atomic<bool>* m_ran;
	std::atomic<bool>* m_deleted;
	bool m_clone = false;
};

// Calls to usleep made by the current thread while it records them.
struct SleepLog
{
	uint64_t calls = 0;
	uint64_t total = 0;
	uint64_t longest = 0;
	uint64_t last = 0;
};
thread_local SleepLog* t_sleepLog = nullptr;

} // namespace

// Stands in for the C library's usleep: records instead of sleeping on a
// thread that records, and sleeps for real everywhere else.
extern "C" int usleep(useconds_t us)
{
	if (SleepLog* log = t_sleepLog)
	{
		++log->calls;
		log->total += us;
		log->longest = std::max<uint64_t>(log->longest, us);
		log->last = us;
		return 0;
	}
	static auto real = reinterpret_cast<int (*)(useconds_t)>(dlsym(RTLD_NEXT, "usleep"));
	return real(us);
}

TEST(Thread, sleepSplitsIntoCallsBelowOneSecondWithoutWrapping)
{
	struct
	{
		unsigned ms;
		uint64_t calls;
		uint64_t last;
	} const cases[] = {
		{0, 1, 0},
		{999, 1, 999000},
		{1000, 2, 1},
		{2500, 3, 500002},
		// 49 days: the microseconds do not fit 32 bits.
		{4294967295u, 4294972u, 4294967295000ull - 4294971ull * 999999ull},
	};
	for (auto const& c : cases)
	{
		SCOPED_TRACE(c.ms);
		SleepLog log;
		t_sleepLog = &log;
		lang::Thread::sleep(c.ms);
		t_sleepLog = nullptr;
		EXPECT_EQ(c.calls, log.calls);
		EXPECT_EQ(uint64_t(c.ms) * 1000u, log.total);
		EXPECT_LE(log.longest, 999999u);
		EXPECT_EQ(c.last, log.last);
	}
}

TEST(Thread, joinedThreadHasFinishedWhenItsDestructorReturns)
{
	Worker w;
	lang::Ptr<lang::Thread> t =
		new lang::Thread(lang::Functor(new lang::Func1<void, void (Worker::*)(), Worker*>(&w, &Worker::run)), true);
	EXPECT_FALSE(w.finished);
	t.reset();
	EXPECT_TRUE(w.finished);
}

TEST(Thread, boundArgumentIsPassedToTheMember)
{
	Worker w;
	{
		lang::Functor f(new lang::Func2<void, void (Worker::*)(std::string const&), Worker*, std::string>(
			&w, &Worker::receive, "payload"));
		lang::Thread t(f, true);
	}
	EXPECT_EQ("payload", w.received);
}

TEST(Thread, unjoinedThreadRunsOnAndFreesItsBody)
{
	std::atomic<bool> go{false}, ran{false}, deleted{false};
	{
		lang::Functor f(new Body(&go, &ran, &deleted));
		lang::Ptr<lang::Thread> t = new lang::Thread(f, false);
	}
	// The Thread object is gone while the body still waits.
	EXPECT_FALSE(ran);
	go = true;
	EXPECT_TRUE(waitFor(ran));
	EXPECT_TRUE(waitFor(deleted));
}

TEST(Thread, exceptionEscapingTheBodyIsLoggedAndTheProcessGoesOn)
{
	Worker w;
	testing::internal::CaptureStdout();
	{
		lang::Thread t(lang::Functor(new lang::Func1<void, void (Worker::*)(), Worker*>(&w, &Worker::fail)), true);
	}
	std::string log = testing::internal::GetCapturedStdout();
	EXPECT_NE(std::string::npos, log.find("worker 3 failed")) << log;
	EXPECT_NE(std::string::npos, log.find("Exception in thread")) << log;
}

TEST(Mutex, recursiveLockUnderContention)
{
	struct Shared
	{
		lang::Mutex mutex;
		long counter = 0;
		int inside = 0;
		bool overlap = false;

		void work()
		{
			for (int i = 0; i < 2000; ++i)
			{
				mutex.lock();
				mutex.lock();
				if (++inside != 1)
					overlap = true;
				long v = counter;
				if (i % 64 == 0)
					lang::Thread::yield();
				counter = v + 1;
				--inside;
				mutex.unlock();
				mutex.unlock();
			}
		}
	} shared;

	{
		std::vector<lang::Ptr<lang::Thread>> threads;
		for (int i = 0; i < 4; ++i)
			threads.push_back(new lang::Thread(
				lang::Functor(new lang::Func1<void, void (Shared::*)(), Shared*>(&shared, &Shared::work)), true));
	}
	EXPECT_EQ(8000, shared.counter);
	EXPECT_FALSE(shared.overlap);

	// Copies share one lock.
	lang::Mutex copy = shared.mutex;
	copy.lock();
	std::atomic<bool> acquired{false};
	std::thread other([&] {
		shared.mutex.lock();
		acquired = true;
		shared.mutex.unlock();
	});
	lang::Thread::sleep(20);
	EXPECT_FALSE(acquired);
	copy.unlock();
	other.join();
	EXPECT_TRUE(acquired);
}

TEST(System, clocksAgree)
{
	int64_t const ms = lang::System::currentTimeMillis();
	int64_t const us = lang::System::currentTimeMicros();
	EXPECT_GT(ms, 1600000000000LL);
	EXPECT_LE(ms, us / 1000);
	EXPECT_LT(us / 1000 - ms, 1000);
}
