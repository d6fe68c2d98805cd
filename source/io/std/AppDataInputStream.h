#pragma once

#include <io/std/FileInputStream.h>
#include <string>

namespace io
{

/**
 * Input stream over a file of the app-data folder (the saves, see
 * io::detail::appdataPath): an io::FileInputStream on the full path that
 * opens only a regular file (REGULAR_FILE_ONLY): anything else at the name
 * (a FIFO, a device, a socket, a folder, a link) is refused without
 * waiting on it or following it.
 */
class AppDataInputStream : public FileInputStream
{
public:
	/**
	 * Opens the file name (relative to the app-data folder; one leading "/" is
	 * ignored).
	 * @exception IOException "Failed to open {0} with errno {1}" ({1} as "2 (No such file or directory)"),
	 *            or "Failed to open {0}: it is {1}, not a regular file" ({1} as "a FIFO").
	 */
	explicit AppDataInputStream(std::string const& name);
};

} // io
