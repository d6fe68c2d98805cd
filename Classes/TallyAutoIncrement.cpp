#include "TallyAutoIncrement.h"
#include <climits>

lang::Ptr<TallyAutoIncrement> TallyAutoIncrement::instance()
{
	static lang::Ptr<TallyAutoIncrement> const s_instance(new TallyAutoIncrement);
	return s_instance;
}

int TallyAutoIncrement::nextCountFor(int key)
{
	std::lock_guard<std::mutex> lock(m_mutex);
	int& count = m_counters[key];
	if (count < INT_MAX)
		++count;
	return count;
}

void TallyAutoIncrement::resetAll()
{
	std::lock_guard<std::mutex> lock(m_mutex);
	m_counters.clear();
}
