#include "BundleInputStream.h"
#include "FileUtil.h"
#include <io/detail/detail.h>

namespace io
{

BundleInputStream::BundleInputStream(std::string const& name) : FileInputStream(detail::constructPath(detail::bundlePath(), name)) {}

} // io
