#include "AppDataInputStream.h"
#include "FileUtil.h"
#include <io/detail/detail.h>

namespace io
{

AppDataInputStream::AppDataInputStream(std::string const& name) : FileInputStream(detail::constructPath(detail::appdataPath(), name), REGULAR_FILE_ONLY) {}

} // io
