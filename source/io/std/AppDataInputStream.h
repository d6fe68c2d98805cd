#pragma once

#include <io/std/FileInputStream.h>
#include <string>

namespace io
{

/**
 * Input stream over a file of the app-data folder (the saves, see
 * io::detail::appdataPath): an io::FileInputStream on the full path.
 */
class AppDataInputStream : public FileInputStream
{
public:
	/**
	 * Opens the file name (relative to the app-data folder; one leading "/" is
	 * ignored).
	 * @exception IOException "Failed to open {0} with errno {1}" ({1} as "2 (No such file or directory)").
	 */
	explicit AppDataInputStream(std::string const& name);
};

} // io
