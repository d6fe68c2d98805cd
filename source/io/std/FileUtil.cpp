#include "FileUtil.h"
#include <io/IOException.h>
#include <io/PathName.h>
#include <lang/Format.h>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>

namespace io
{
namespace detail
{

std::string setAside(std::string const& path)
{
	std::string const bad = path + ".bad";
	if (std::rename(path.c_str(), bad.c_str()) != 0)
		return std::strerror(errno);
	return "";
}

std::string shortPath(std::string const& path)
{
	if (path.size() > 128)
		return "... " + path.substr(path.size() - 124);
	return path;
}

std::string constructPath(std::string const& base, std::string const& name)
{
	std::string n = name;
	if (!n.empty() && n[0] == '/')
		n.erase(0, 1);
	return PathName(base, n).path();
}

FILE* openFile(std::string const& path, char const* mode, char const* failure, std::string const& shown)
{
	FILE* file = fopen(path.c_str(), mode);
	int error = file ? 0 : errno;
	// A folder opens for reading but gives no bytes, only errors (or a
	// bogus size): refuse it here as writing does.
	struct stat st;
	if (file && fstat(fileno(file), &st) == 0 && S_ISDIR(st.st_mode))
	{
		fclose(file);
		file = nullptr;
		error = EISDIR;
	}
	if (!file)
		lang::throwError(IOException(lang::Format(failure, shown, error)));
	return file;
}

} // detail
} // io
