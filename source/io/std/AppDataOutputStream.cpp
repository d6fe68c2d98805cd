#include "AppDataOutputStream.h"
#include "FileUtil.h"
#include <io/detail/detail.h>

namespace io
{

namespace
{

/** The full path of name in the app-data folder, which is created when missing. */
std::string preparedPath(std::string const& name)
{
	std::string folder = detail::appdataPath();
	detail::makeFolders(folder);
	return detail::constructPath(folder, name);
}

} // namespace

AppDataOutputStream::AppDataOutputStream(std::string const& name) : SaveFileOutputStream(preparedPath(name)) {}

} // io
