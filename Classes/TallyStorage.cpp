#include "TallyStorage.h"
#include "TallyLog.h"
#include "TallyUtil.h"
#include <io/std/RegularFile.h>
#include <io/std/SaveFileOutputStream.h>
#include <lang/Throwable.h>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <set>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

/**
 * Removes, the first time the process reads or writes path, the temporary
 * files that agents which ended mid-save left for it; those of agents
 * still running stay (they share the folder).
 */
void removeLeftovers(std::string const& path)
{
	// Never destroyed: send threads may still store while the process exits.
	static std::mutex* const s_mutex = new std::mutex;
	static std::set<std::string>* const s_cleaned = new std::set<std::string>;
	{
		std::lock_guard<std::mutex> lock(*s_mutex);
		if (!s_cleaned->insert(path).second)
			return;
	}
	io::SaveFileOutputStream::removeLeftovers(path, io::SaveFileOutputStream::SHARED);
}

} // namespace

bool TallyStorage::exists(std::string const& path)
{
	struct stat st;
	return lstat(path.c_str(), &st) == 0;
}

std::optional<std::string> TallyStorage::read(std::string const& path)
{
	removeLeftovers(path);
	// Never a link followed out of the folder, never a wait on a FIFO or device.
	std::string kind;
	int fd = io::openRegularFile(path, O_RDONLY, 0, kind);
	if (fd < 0)
	{
		if (!kind.empty())
			tallyLog("TallyAnalytics: [%@] is not a file (it is %@)", {path, kind});
		else if (errno != ENOENT)
			tallyLog("TallyAnalytics: cannot open [%@]: %@", {path, strerror(errno)});
		return std::nullopt;
	}
	struct stat st;
	std::optional<std::string> out;
	if (fstat(fd, &st) != 0)
		tallyLog("TallyAnalytics: cannot read [%@]", {path});
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
	removeLeftovers(path);
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
