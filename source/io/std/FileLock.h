#pragma once

#include <string>

namespace io
{

/**
 * An advisory lock (flock) on a lock file, held while the object lives, so
 * that processes sharing a folder take turns at a read-modify-write of its
 * files. The lock belongs to the object's own open file description: two
 * FileLock objects on one path exclude each other also within one process,
 * on one thread as on several (a thread locking a path it already holds
 * through another object waits for itself). The lock goes with the object
 * and with the process, however it ends; the lock file stays.
 */
class FileLock
{
public:
	/** Whether a lock held elsewhere is waited for. */
	enum Wait
	{
		WAIT,
		DONT_WAIT,
	};

	/**
	 * Opens path, creating it when missing, and locks it exclusively. With
	 * WAIT, blocks until the lock is granted; with DONT_WAIT, returns at
	 * once, and held() tells whether it was granted.
	 * @exception IOException "Failed to lock {0} with errno {1}" when the
	 *            file cannot be opened or locked ({1} as "13 (Permission denied)").
	 */
	FileLock(std::string const& path, Wait wait);

	/** Releases the lock (when held) and closes the file. */
	~FileLock();

	/** True when this object holds the lock. */
	bool held() const { return m_held; }

private:
	int m_fd;
	bool m_held;

	FileLock(FileLock const&) = delete;
	FileLock& operator=(FileLock const&) = delete;
};

} // io
