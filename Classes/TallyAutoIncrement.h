#pragma once

#include <lang/Object.h>
#include <lang/Ptr.h>
#include <map>
#include <mutex>

/**
 * Per-key counters of the agent: key 1 numbers errors, key 2 events.
 * One process-wide instance; thread-safe.
 */
class TallyAutoIncrement : public lang::Object
{
public:
	/** The instance, created on first call. */
	static lang::Ptr<TallyAutoIncrement> instance();

	/** The key's count plus 1 (1 for a new key), kept as its count; stops at 2^31-1. */
	int nextCountFor(int key);

	/** Forgets every count: the next count of every key is 1. */
	void resetAll();

private:
	std::mutex m_mutex;
	std::map<int, int> m_counters;
};
