#pragma once

#include <game/TextGroup.h>
#include <lang/Ptr.h>
#include <string>
#include <vector>

namespace game
{

/**
 * Reads a text group set file of the bundle, in either layout: the chunked
 * one ("TEXT" version 1 followed by the sub-chunks "LDAT" with the language
 * codes, "LIDS" with the text ids and one "TXGP" per language with one text
 * per id, which run to the end of the file whether or not the "TEXT"
 * chunk's length counts them) or the old one (a language block, the ids, one offset per language
 * and the text blocks). Each call reads the whole file anew.
 *
 * Errors name the file: "Malformed QRX5 file: {0}" for a size, sub-chunk
 * length, block length or offset that is negative or points past the end;
 * "Unexpected end of file in {0}." and "Invalid UTF-8 data in {0}." for
 * cut-off or bad texts (all io::IOException); opening errors as
 * io::BundleInputStream raises them.
 */
namespace TextGroupReader
{

/**
 * The language codes of the file, in file order (each "LDAT" replaces the
 * list of the ones before it).
 * @exception io::IOException As above.
 */
std::vector<std::string> readLocaleCodes(std::string const& path);

/**
 * A new group holding the texts of the language with index i, or null when
 * the file ends before that language's texts.
 * @exception io::IOException As above.
 * @exception lang::Exception "Missing LIDS chunk before TXGP chunk in file {0}"
 *            for a "TXGP" before any non-empty "LIDS".
 */
lang::Ptr<TextGroup> readTextGroup(std::string const& path, int i);

} // TextGroupReader

} // game
