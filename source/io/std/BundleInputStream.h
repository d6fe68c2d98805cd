#pragma once

#include <io/std/FileInputStream.h>
#include <string>

namespace io
{

/**
 * Input stream over a file of the bundle folder (the shipped data, see
 * io::detail::bundlePath): an io::FileInputStream on the full path.
 */
class BundleInputStream : public FileInputStream
{
public:
	/**
	 * Opens the file name (relative to the bundle folder; one leading "/" is
	 * ignored).
	 * @exception IOException "Failed to open {0} with errno {1}" ({1} as "2 (No such file or directory)").
	 */
	explicit BundleInputStream(std::string const& name);
};

} // io
