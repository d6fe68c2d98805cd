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
	 */
	static std::optional<std::string> read(std::string const& path);

	/**
	 * Replaces the file as a whole (written to a temporary file of its own
	 * beside it, synced and renamed), then marks it to be left out of
	 * backups. Never throws.
	 * @return False when it was not written; the old file is then intact.
	 */
	static bool write(std::string const& path, std::string const& bytes);

	/** Removes a file. @return Whether it was removed. */
	static bool remove(std::string const& path);
};
