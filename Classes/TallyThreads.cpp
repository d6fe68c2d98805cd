#include "TallyThreads.h"
#include "TallyGuard.h"
#include <lang/Ptr.h>
#include <lang/Thread.h>
#include <condition_variable>
#include <mutex>

namespace
{

struct Count
{
	std::mutex mutex;
	std::condition_variable idle;
	int running = 0;
};

/** Never destroyed: detached threads may still end while the process exits. */
Count& count()
{
	static Count* s_count = new Count;
	return *s_count;
}

void finished()
{
	Count& c = count();
	std::lock_guard<std::mutex> lock(c.mutex);
	if (--c.running == 0)
		c.idle.notify_all();
}

/** The thread body: runs the function, then counts the thread out. */
class Body : public lang::FuncBase
{
public:
	explicit Body(std::function<void()> body) : m_body(std::move(body)) {}

	void operator()() override
	{
		tallyGuard(m_body);
		finished();
	}

	FuncBase* clone() const override { return new Body(*this); }

private:
	std::function<void()> m_body;
};

} // namespace

bool TallyThreads::start(std::function<void()> body)
{
	{
		Count& c = count();
		std::lock_guard<std::mutex> lock(c.mutex);
		++c.running;
	}
	bool started = tallyGuard([&] {
		lang::Ptr<lang::Thread> thread(new lang::Thread(lang::Functor(new Body(std::move(body))), false));
	});
	if (!started)
		finished();
	return started;
}

int TallyThreads::running()
{
	Count& c = count();
	std::lock_guard<std::mutex> lock(c.mutex);
	return c.running;
}

bool TallyThreads::waitUntilIdle(std::chrono::milliseconds timeout)
{
	Count& c = count();
	std::unique_lock<std::mutex> lock(c.mutex);
	return c.idle.wait_for(lock, timeout, [&] { return c.running == 0; });
}
