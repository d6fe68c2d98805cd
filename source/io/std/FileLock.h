#pragma once

#include <memory>
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
	 * once, and held() tells whether it was granted. Only a regular file
	 * at path itself is opened (io::openRegularFile): a link there is not
	 * followed (so nothing is created where it points), a FIFO or device
	 * never waited on. A lock whose file was replaced at path while it was
	 * taken (see settingAside) is taken again on the file now there.
	 * @exception IOException "Failed to lock {0} with errno {1}" when the
	 *            file cannot be opened or locked ({1} as "13 (Permission
	 *            denied)"), "Failed to lock {0}: it is {1}, not a regular
	 *            file" ({1} as "a folder", see io::notRegularKind).
	 */
	FileLock(std::string const& path, Wait wait);

	/**
	 * A FileLock on path, after anything at path that is not a regular file
	 * (a folder, a link, a FIFO, a device, a socket) was set aside
	 * (io::setAside: "<path>.bad", one line naming it), so that a broken
	 * lock name is replaced by a fresh lock file rather than left unlocked.
	 * @exception IOException As the constructor, and "Failed to lock {0}:
	 *            it is {1}, not a regular file, and could not be moved aside".
	 */
	static std::unique_ptr<FileLock> settingAside(std::string const& path, Wait wait);

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
