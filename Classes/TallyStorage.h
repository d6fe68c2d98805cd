#pragma once

#include <optional>
#include <string>

/**
 * The agent's file access: whole files read and written by full path.
 * Thread-safe; callers serialise changes of one file themselves.
 */
class TallyStorage
{
public:
	/** Largest file read back; a bigger one counts as damaged. */
	enum { MAX_FILE_SIZE = 64 << 20 };

	/** Whether a file (or anything else) exists at path. */
	static bool exists(std::string const& path);

	/**
	 * The file's bytes, or none when it is missing, not a regular file,
	 * larger than MAX_FILE_SIZE or unreadable; a debug line says which.
	 * Only a regular file at path itself is opened (io::openRegularFile):
	 * a link is not followed, a FIFO or device never waited on. The first
	 * read or write of a path in the process removes the temporary files
	 * that agents which ended mid-save left for it.
	 */
	static std::optional<std::string> read(std::string const& path);

	/**
	 * Replaces the file as a whole (written to a temporary file of its own
	 * beside it, synced and renamed), then marks it to be left out of
	 * backups. What is at path and is not a regular file is set aside
	 * first ("<path>.bad", see io::SaveFileOutputStream). Never throws.
	 * @return False when it was not written; the old file is then intact.
	 */
	static bool write(std::string const& path, std::string const& bytes);

	/** Removes a file. @return Whether it was removed. */
	static bool remove(std::string const& path);
};
