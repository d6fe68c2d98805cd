#include "TallyStorage.h"
#include "TallyLog.h"
#include "TallyUtil.h"
#include <io/std/SaveFileOutputStream.h>
#include <lang/Throwable.h>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

bool TallyStorage::exists(std::string const& path)
{
	struct stat st;
	return lstat(path.c_str(), &st) == 0;
}

std::optional<std::string> TallyStorage::read(std::string const& path)
{
	int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
	if (fd < 0)
	{
		if (errno != ENOENT)
			tallyLog("TallyAnalytics: cannot open [%@]: %@", {path, strerror(errno)});
		return std::nullopt;
	}
	struct stat st;
	std::optional<std::string> out;
	if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
		tallyLog("TallyAnalytics: [%@] is not a file", {path});
	else if (st.st_size > MAX_FILE_SIZE)
		tallyLog("TallyAnalytics: [%@] is too large", {path});
	else
	{
		std::string bytes;
		char buf[65536];
		ssize_t n;
		while ((n = ::read(fd, buf, sizeof(buf))) > 0 && bytes.size() <= MAX_FILE_SIZE)
			bytes.append(buf, static_cast<size_t>(n));
		if (n < 0 || bytes.size() > MAX_FILE_SIZE)
			tallyLog("TallyAnalytics: cannot read [%@]", {path});
		else
			out = std::move(bytes);
	}
	close(fd);
	return out;
}

bool TallyStorage::write(std::string const& path, std::string const& bytes)
{
	try
	{
		io::SaveFileOutputStream out(path);
		out.write(bytes.data(), static_cast<int>(bytes.size()));
		out.close();
	}
	catch (lang::Throwable const& e)
	{
		TallyUtil::handleException(e);
		tallyLog("TallyAnalytics: cannot write [%@]", {path});
		return false;
	}
	catch (std::exception const& e)
	{
		TallyUtil::handleException(std::string(e.what()));
		return false;
	}
	TallyUtil::addSkipBackupAttributeToItemAtURL(path);
	return true;
}

bool TallyStorage::remove(std::string const& path)
{
	return ::remove(path.c_str()) == 0;
}
