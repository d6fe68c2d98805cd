#include "RegularFile.h"
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace io
{

namespace
{

std::string kindOf(mode_t mode)
{
	if (S_ISREG(mode))
		return "";
	if (S_ISLNK(mode))
		return "a link";
	if (S_ISDIR(mode))
		return "a folder";
	if (S_ISFIFO(mode))
		return "a FIFO";
	if (S_ISCHR(mode))
		return "a character device";
	if (S_ISBLK(mode))
		return "a block device";
	if (S_ISSOCK(mode))
		return "a socket";
	return "not a regular file";
}

} // namespace

std::string notRegularKind(std::string const& path)
{
	struct stat info;
	if (lstat(path.c_str(), &info) != 0)
		return "";
	return kindOf(info.st_mode);
}

int openRegularFile(std::string const& path, int flags, unsigned mode, std::string& kind)
{
	kind.clear();
	// Looked at first, so that a device is not even opened (opening one may
	// act, as a tape's rewind does); the check after the open covers a
	// change in between.
	kind = notRegularKind(path);
	if (!kind.empty())
		return -1;
	int const fd = ::open(path.c_str(), flags | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, static_cast<mode_t>(mode));
	if (fd < 0)
	{
		int const error = errno;
		// O_NOFOLLOW fails with ELOOP on a link; O_RDWR on a folder with EISDIR.
		if (error == ELOOP || error == EISDIR || error == ENXIO)
			kind = notRegularKind(path);
		errno = error;
		return -1;
	}
	struct stat info;
	if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))
	{
		int const error = errno;
		kind = fstat(fd, &info) == 0 ? kindOf(info.st_mode) : "not a regular file";
		::close(fd);
		errno = error;
		return -1;
	}
	int const status = fcntl(fd, F_GETFL);
	if (status == -1 || fcntl(fd, F_SETFL, status & ~O_NONBLOCK) != 0)
	{
		int const error = errno;
		::close(fd);
		errno = error;
		return -1;
	}
	return fd;
}

} // io
