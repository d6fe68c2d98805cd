#pragma once

#include <io/std/SaveFileOutputStream.h>
#include <string>

namespace io
{

/**
 * Output stream that saves a file of the app-data folder (see
 * io::detail::appdataPath) without ever losing the previous version:
 * the bytes go to a temporary file of the stream's own beside the target
 * (see SaveFileOutputStream), and only when that file has been written,
 * flushed, synced and closed without error does it replace the target.
 * Otherwise the temporary file is removed and the old file stays as it was.
 *
 * A failed write() throws IOException "Failed to write {0} bytes to {1}"
 * and makes the save fail. close() commits the save (flush, sync, close and
 * rename over the target) and throws IOException when any step failed or
 * an earlier write failed; the old file is then intact and the temporary
 * file removed. Closing twice does nothing (the
 * second call does not report again). The destructor commits when close()
 * was not called, and then failures are only logged. toString() is the
 * full path of the target.
 */
class AppDataOutputStream : public SaveFileOutputStream
{
public:
	/**
	 * Opens a new temporary file beside "<app-data folder>/<name>" (one
	 * leading "/" of name is ignored), creating the app-data folder when
	 * needed.
	 * @exception IOException "Failed to open {0} for writing, with errno {1}" ({1} as "2 (No such file or directory)").
	 */
	explicit AppDataOutputStream(std::string const& name);
};

} // io
