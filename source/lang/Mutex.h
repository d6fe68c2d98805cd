#pragma once

#include "Object.h"
#include "Ptr.h"
#include <pthread.h>

namespace lang
{

/**
 * Recursive mutual-exclusion lock. The owning thread may lock it again and
 * must unlock it as often as it locked it.
 *
 * A Mutex is a value: copies share one underlying lock, which is destroyed
 * with the last copy. Lock and unlock are called in pairs by the user.
 */
class Mutex
{
public:
	/** The shared lock: one recursive POSIX mutex. */
	class MutexImpl : public Object
	{
	public:
		MutexImpl();
		~MutexImpl();

		pthread_mutex_t m_mutex;

	private:
		MutexImpl(MutexImpl const&) = delete;
		MutexImpl& operator=(MutexImpl const&) = delete;
	};

	/** Creates a new recursive lock. */
	Mutex();

	/** Blocks until the calling thread holds the lock. */
	void lock();

	/** Releases one level of the calling thread's hold on the lock. */
	void unlock();

private:
	Ptr<MutexImpl> m_impl;
};

} // lang
