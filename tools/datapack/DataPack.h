#pragma once

#include <DataCipher.h>
#include <string>

/**
 * Writes shipped data files: a 7z archive with one entry holding the Lua
 * text, enciphered with the static key (ShippedFile reads them back). The
 * archive's entry has mtime 0 and no other time, so the same text always
 * gives the same bytes.
 */
namespace datapack
{

/**
 * A 7z archive of one regular file entry named name holding text.
 * @exception lang::Exception "Failed to write the archive of {0}: {1}".
 */
cipher::Bytes packArchive(std::string const& name, std::string const& text);

/**
 * The shipped-file bytes of text: the static-key cipher text of
 * packArchive(name, text).
 * @exception lang::Exception As packArchive, or "Failed to encrypt {0}".
 */
cipher::Bytes packShippedFile(std::string const& name, std::string const& text);

} // datapack
