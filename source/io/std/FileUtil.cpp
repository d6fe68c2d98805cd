#include "FileUtil.h"
#include <io/PathName.h>

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

} // detail
} // io
