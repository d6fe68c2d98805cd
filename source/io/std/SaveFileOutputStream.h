#pragma once

#include <io/std/FileOutputStream.h>
#include <string>

namespace io
{

/**
 * Output stream that saves a file by its full path without ever losing the
 * previous version: the bytes go to a temporary file of the stream's own
 * beside the target, "<path>.<process id>-<number>.tmp", and only when that
 * file has been written, flushed, synced and closed without error does it
 * replace the target. Otherwise the temporary file is removed and the old
 * file stays as it was. The folder of the file is not created. Several
 * streams, in one process or several, may save one path at the same time:
 * none writes into another's file, and the target is always one whole
 * version (the last rename wins).
 *
 * A failed write() throws IOException "Failed to write {0} bytes to {1}"
 * and makes the save fail. close() commits the save (flush, sync, close and
 * rename over the target) and throws IOException when any step failed or
 * an earlier write failed; the old file is then intact and the temporary
 * file removed. Closing twice does nothing (the second call does not report
 * again). The destructor commits when close() was not called, and then
 * failures are only logged. toString() is the normalised path of the
 * target. One stream belongs to one thread.
 */
class SaveFileOutputStream : public FileOutputStream
{
public:
	/**
	 * Opens a new temporary file beside path for writing; the path is normalised first.
	 * @exception IOException "Failed to open {0} for writing, with errno {1}" ({1} as "2 (No such file or directory)").
	 */
	explicit SaveFileOutputStream(std::string const& path);
};

} // io
