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
	 * @exception IOException "Failed to open {0} for writing, with errno {1}" ({1} as "2 (No such file or directory)"),
	 *            or "{0} is not written: {1}" ({1} the reason given to
	 *            stopWrites) once the writes stopped.
	 */
	explicit AppDataOutputStream(std::string const& name);

	/**
	 * Stops every write to the app-data folder for the rest of the run (the
	 * folder is not this process's, or the state in memory is not one the
	 * game had between two frames): the files keep what they hold. Logs
	 * why, one line, the first time; later calls do nothing. Any thread.
	 */
	static void stopWrites(std::string const& why);

	/** Why the writes stopped (stopWrites); empty while they go on. Any thread. */
	static std::string writesStopped();

	/**
	 * Tells whether this process holds the app-data folder's lock, so that
	 * no other process writes there (removeLeftovers). Any thread.
	 */
	static void holdsFolder(bool held);

	/**
	 * The first time in the run that path (a full path in the app-data
	 * folder) is read or written, removes the temporary files that streams
	 * saving it left when their process ended mid-save
	 * (SaveFileOutputStream::removeLeftovers: only those, never a link;
	 * those of processes still running stay unless this process holds the
	 * folder). Nothing while the writes are stopped. The readers and
	 * writers of the folder's files call it (the stream itself passes over
	 * a name that is taken). Never throws; any thread.
	 */
	static void removeLeftovers(std::string const& path);

	/** Lets writes go on again and forgets the paths cleaned (a test's next case in one process). Any thread. */
	static void resumeWrites();
};

} // io
