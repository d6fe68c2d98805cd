#include "MainThread.h"
#include <deque>
#include <mutex>

namespace pf
{

namespace
{

std::mutex s_mutex;
std::deque<std::function<void()>> s_queue;

} // namespace

void postToMainThread(std::function<void()> fn)
{
	if (!fn)
		return;
	std::lock_guard<std::mutex> lock(s_mutex);
	s_queue.push_back(std::move(fn));
}

int runMainThreadQueue()
{
	std::deque<std::function<void()>> turn;
	{
		std::lock_guard<std::mutex> lock(s_mutex);
		turn.swap(s_queue);
	}
	int count = 0;
	while (!turn.empty())
	{
		std::function<void()> fn = std::move(turn.front());
		turn.pop_front();
		try
		{
			fn();
		}
		catch (...)
		{
			// The rest of this turn goes back in front of what was queued meanwhile.
			std::lock_guard<std::mutex> lock(s_mutex);
			s_queue.insert(s_queue.begin(), std::make_move_iterator(turn.begin()), std::make_move_iterator(turn.end()));
			throw;
		}
		++count;
	}
	return count;
}

void clearMainThreadQueue()
{
	std::lock_guard<std::mutex> lock(s_mutex);
	s_queue.clear();
}

} // pf
