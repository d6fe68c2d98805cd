#include "FileLock.h"
#include "FileUtil.h"
#include "RegularFile.h"
#include "SetAside.h"
#include <io/IOException.h>
#include <lang/Format.h>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace io
{

namespace
{

/** Times the lock is taken again when its file was replaced while it was taken. */
int const MAX_LOCK_ATTEMPTS = 10;

/** True when path names the very file fd has open (not a link, not a file put there since). */
bool stillThere(int fd, std::string const& path)
{
	struct stat held, named;
	return fstat(fd, &held) == 0 && lstat(path.c_str(), &named) == 0 && held.st_dev == named.st_dev && held.st_ino == named.st_ino;
}

} // namespace

FileLock::FileLock(std::string const& path, Wait wait) : m_fd(-1), m_held(false)
{
	for (int attempt = 0; attempt < MAX_LOCK_ATTEMPTS; ++attempt)
	{
		std::string kind;
		m_fd = openRegularFile(path, O_RDWR | O_CREAT, 0666, kind);
		if (m_fd < 0 && !kind.empty())
			lang::throwError(IOException(lang::Format("Failed to lock {0}: it is {1}, not a regular file", path, kind)));
		if (m_fd < 0)
			lang::throwError(IOException(lang::Format("Failed to lock {0} with errno {1}", path, detail::errnoText(errno))));
		int result;
		do
			result = flock(m_fd, LOCK_EX | (wait == DONT_WAIT ? LOCK_NB : 0));
		while (result != 0 && errno == EINTR);
		int const error = errno;
		if (result == 0 && stillThere(m_fd, path))
		{
			m_held = true;
			return;
		}
		::close(m_fd);
		m_fd = -1;
		// Locked, but the file was moved or replaced meanwhile (another
		// process set a broken lock name aside): the lock is on the file
		// now at path.
		if (result == 0)
			continue;
		if (error != EWOULDBLOCK)
			lang::throwError(IOException(lang::Format("Failed to lock {0} with errno {1}", path, detail::errnoText(error))));
		return;
	}
	lang::throwError(IOException(lang::Format("Failed to lock {0}: the file was replaced at every attempt", path)));
}

FileLock::~FileLock()
{
	if (m_fd >= 0)
		::close(m_fd);
}

std::unique_ptr<FileLock> FileLock::settingAside(std::string const& path, Wait wait)
{
	std::string const kind = notRegularKind(path);
	// Another process may have set it aside first: then nothing broken is there any more.
	if (!kind.empty() && setAside(path, "it is " + kind + ", not a regular file, so it cannot be the lock").empty() &&
		!notRegularKind(path).empty())
		lang::throwError(IOException(lang::Format("Failed to lock {0}: it is {1}, not a regular file, and could not be moved aside", path, kind)));
	return std::make_unique<FileLock>(path, wait);
}

} // io
