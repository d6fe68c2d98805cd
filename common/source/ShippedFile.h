#pragma once

#include <DataCipher.h>
#include <string>

/**
 * The shipped data files of the bundle (the game logic, levels, tables):
 * each is the static-key cipher text of a 7z archive whose entry 0 holds
 * the Lua text. Main thread only (the archive reader's locale).
 */
class ShippedFile
{
public:
	/**
	 * The Lua text of the bundle file path (relative to the bundle folder).
	 * @exception lang::Throwable The stream's open or read failure, or
	 *            "Failed to read {0}: {1}" naming the file's full path and
	 *            the fault (larger than 64 MiB, does not decrypt, no archive,
	 *            no entry, a damaged entry, an entry that unpacks to more
	 *            than 64 MiB).
	 */
	static std::string read(std::string const& path);

	/**
	 * The Lua text of a shipped file's bytes; name is used in messages.
	 * @exception lang::Throwable "Failed to read {0}: {1}" as read().
	 */
	static std::string unpack(cipher::Bytes const& bytes, std::string const& name);
};
