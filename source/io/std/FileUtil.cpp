#include "FileUtil.h"
#include <io/IOException.h>
#include <io/PathName.h>
#include <lang/Format.h>
#include <cerrno>

namespace io
{
namespace detail
{

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
	if (!file)
	{
		int const error = errno;
		lang::throwError(IOException(lang::Format(failure, shown, error)));
	}
	return file;
}

} // detail
} // io
