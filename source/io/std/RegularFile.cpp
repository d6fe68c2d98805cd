#include "RegularFile.h"
#include <io/IOException.h>
#include <lang/Format.h>
#include <cstring>
#include <filesystem>
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

void makeFoldersWithin(std::string const& root, std::string const& folder)
{
	auto notAFolder = [](std::filesystem::path const& at, mode_t mode) {
		std::string const kind = kindOf(mode);
		return IOException(lang::Format("Cannot make the folder {0}: it is {1}, not a folder", at.string(), kind.empty() ? "a file" : kind));
	};
	std::filesystem::path const parts = std::filesystem::path(folder).relative_path();
	for (std::filesystem::path const& part : parts)
		if (part == "..")
			throw IOException(lang::Format("Cannot make the folder {0}: it leaves {1}", (std::filesystem::path(root) / parts).string(), root));
	std::filesystem::path at(root);
	for (std::filesystem::path const& part : parts)
	{
		if (part.empty() || part == ".")
			continue;
		at /= part;
		struct stat info;
		if (lstat(at.c_str(), &info) != 0)
		{
			// mkdir makes nothing through a link that appeared meanwhile (EEXIST).
			if (::mkdir(at.c_str(), 0777) != 0 && errno != EEXIST)
				throw IOException(lang::Format("Cannot make the folder {0}: {1}", at.string(), std::strerror(errno)));
			if (lstat(at.c_str(), &info) != 0)
				throw IOException(lang::Format("Cannot make the folder {0}: {1}", at.string(), std::strerror(errno)));
		}
		if (!S_ISDIR(info.st_mode))
			throw notAFolder(at, info.st_mode);
	}
}

} // io
