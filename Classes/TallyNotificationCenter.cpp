#include "TallyNotificationCenter.h"
#include <vector>

TallyNotificationCenter& TallyNotificationCenter::defaultCenter()
{
	// Never destroyed: the agent's threads (the heart beat) may still post
	// while the process runs its exit handlers.
	static TallyNotificationCenter* const s_center = new TallyNotificationCenter;
	return *s_center;
}

int TallyNotificationCenter::addObserver(std::string const& name, std::function<void()> observer)
{
	std::lock_guard<std::mutex> lock(m_mutex);
	int token = m_nextToken++;
	m_observers[token] = {name, std::move(observer)};
	return token;
}

void TallyNotificationCenter::removeObserver(int token)
{
	std::lock_guard<std::mutex> lock(m_mutex);
	m_observers.erase(token);
}

void TallyNotificationCenter::post(std::string const& name)
{
	std::vector<std::function<void()>> calls;
	{
		std::lock_guard<std::mutex> lock(m_mutex);
		for (auto const& [token, entry] : m_observers)
			if (entry.first == name)
				calls.push_back(entry.second);
	}
	for (auto const& call : calls)
		call();
}
