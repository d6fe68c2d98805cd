#pragma once

#include <lang/Mutex.h>
#include <memory>

namespace io
{
class FileLock;
}

/**
 * The lock of the agent's stored files (the saved sessions, the initial
 * timestamp): every read-modify-write of them is one step under it. Within
 * the process it is a recursive mutex; its outermost holder also holds an
 * advisory lock on ".tallyStore.lock" in the agent's folder, so that agents
 * of other processes on the same folder wait for the step to end as well.
 * Anything at the lock's name that is not a regular file (a folder, a
 * link, a FIFO) is set aside and a fresh lock file made
 * (io::FileLock::settingAside). When the lock file cannot be used (a
 * read-only folder), the step runs with the process's mutex only, logged
 * once per failure.
 * lock() and unlock() pair up (std::lock_guard); any thread.
 */
class TallyStoreLock
{
public:
	/** The process's one store lock (it lives until the process ends, exit handlers included). */
	static TallyStoreLock& instance();

	/** Blocks until the calling thread holds the lock (again, when it holds it already). */
	void lock();

	/** Releases one level of the calling thread's hold. */
	void unlock();

private:
	lang::Mutex m_mutex;
	int m_depth = 0;
	std::unique_ptr<io::FileLock> m_file;

	TallyStoreLock();
	~TallyStoreLock();
	TallyStoreLock(TallyStoreLock const&) = delete;
	TallyStoreLock& operator=(TallyStoreLock const&) = delete;
};
