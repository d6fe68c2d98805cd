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
 * target. The target is replaced only by a regular file: what is there and
 * is not one (a FIFO, a folder, a link, a device) is set aside
 * (io::setAside, one line naming it), or, when it cannot be moved, close()
 * fails and it stays. One stream belongs to one thread.
 */
class SaveFileOutputStream : public FileOutputStream
{
public:
	/**
	 * Opens a new temporary file beside path for writing; the path is normalised first.
	 * @exception IOException "Failed to open {0} for writing, with errno {1}" ({1} as "2 (No such file or directory)").
	 */
	explicit SaveFileOutputStream(std::string const& path);

	/** Who else writes into a folder (removeLeftovers). */
	enum Writers
	{
		/** Only this process: the folder is locked for it. */
		THIS_PROCESS,
		/** Other processes may save the same path at the same time. */
		SHARED,
	};

	/**
	 * Removes the temporary files that streams saving path left behind when
	 * their process ended mid-save: regular files named
	 * "<path>.<process id>-<number>.tmp" only, so no other name of the
	 * folder (a player's "notes.2024-01.tmp", a temporary file of another
	 * path) and no link is touched. A file this process is writing stays,
	 * and with SHARED also one whose process is still running. Logs one
	 * line for each file removed. Never throws.
	 * @return The number of files removed.
	 */
	static int removeLeftovers(std::string const& path, Writers writers);
};

} // io
