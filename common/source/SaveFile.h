#pragma once

#include <DataCipher.h>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>

namespace io
{
class FileLock;
}

/**
 * The player's save files in the app-data folder: the Lua table text
 * enciphered with the variable key, or plain text where enciphering failed
 * or was not asked for. Main thread only.
 */
class SaveFile
{
public:
	/** The lock file of the save folder, in the folder. */
	static constexpr char const* LOCK_NAME = ".game.lock";

	/**
	 * Takes the save folder (created when missing) for this process: an
	 * advisory lock on LOCK_NAME in it, held while the returned object
	 * lives (the system drops it when the process ends, however it ends).
	 * Anything at LOCK_NAME that is not a regular file (a folder, a link,
	 * dangling or not, a FIFO, a device, a socket) is set aside first
	 * ("<LOCK_NAME>.bad", one line naming it) and a fresh lock file made;
	 * no link is followed, so nothing is made where one points.
	 * @return The lock; null when the lock file cannot be made or locked
	 *         (a read-only folder, a broken lock name that cannot be moved):
	 *         then no save is written in this run
	 *         (io::AppDataOutputStream::stopWrites, one line saying so).
	 * @exception lang::Exception "Another game process uses the save folder
	 *            {0}: this one does not start, so that neither writes over
	 *            the saves of the other" when another process holds it.
	 */
	static std::unique_ptr<io::FileLock> lockFolder();

	/**
	 * Replaces text with the text of the save file name: the deciphered
	 * bytes, or the bytes as they are when they do not decipher (a save
	 * written in plain text; deciphered tells which). Never throws.
	 * A file that exists but cannot be read (no permission, an I/O error,
	 * larger than 64 MiB) is set aside (setAside) before this returns, and
	 * so is anything at the name that is not a regular file (a FIFO, a
	 * device, a socket, a folder, a link to any of these or to a file),
	 * which is never opened. The first read or write of name in a run
	 * removes the temporary files a run that ended mid-save left for it
	 * (io::AppDataOutputStream::removeLeftovers), and no other file.
	 * @return False (text emptied) when the file is missing or was set aside.
	 */
	static bool read(std::string const& name, cipher::Bytes& text, bool& deciphered);

	/**
	 * Moves the save file name, which exists but cannot be used for the
	 * reason why, out of the way of the saves that follow (io::setAside:
	 * "<name>.bad", "<name>.bad-2", ...), logging one line that names it
	 * and why. When it cannot be moved, write() refuses that file for the
	 * rest of the run, so the damaged file is never written over. While no
	 * save is written (io::AppDataOutputStream::writesStopped) nothing is
	 * moved: the file is only refused, with one line.
	 */
	static void setAside(std::string const& name, std::string const& why);

	/**
	 * Writes size bytes of text to the save file name: enciphered with the
	 * variable key when encrypt is true (plain when the cipher fails), else
	 * plain. The bytes are complete before the file opens, and the file is
	 * replaced only once they are all written and synced
	 * (io::AppDataOutputStream), so a failure keeps the previous file.
	 * Once the app-data writes stopped (io::AppDataOutputStream::stopWrites:
	 * the folder is not locked, or a frame was cut at the end of the run)
	 * nothing is written and nothing thrown: the file keeps its last whole
	 * save, and the stop's one line said so.
	 * @exception io::IOException When the file cannot be written, or
	 *            "{0} was not moved aside; it is not written over" for a
	 *            damaged file setAside could not move.
	 */
	static void write(std::string const& name, void const* text, size_t size, bool encrypt);

	/**
	 * Runs save, which builds and writes file; an exception of it is logged
	 * as "Failed to save {0}: {1}" instead of passed on.
	 * @return False when save failed.
	 */
	static bool writeOrLog(std::string const& file, std::function<void()> const& save);
};
