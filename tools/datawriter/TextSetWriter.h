#pragma once

#include <datawriter/DataWriter.h>
#include <string>
#include <vector>

namespace datawriter
{

/**
 * The contents of a text group set: language codes, text ids and, per
 * language in code order, one text per id in id order.
 */
struct TextSet
{
	std::vector<std::string> languages;
	std::vector<std::string> ids;
	std::vector<std::vector<std::string>> texts;
};

/** Writes an "LDAT" sub-chunk: count and language codes. */
void writeLanguagesChunk(DataWriter& out, std::vector<std::string> const& languages);

/** Writes an "LIDS" sub-chunk: count and text ids. */
void writeIdsChunk(DataWriter& out, std::vector<std::string> const& ids);

/** Writes a "TXGP" sub-chunk: the texts as they are, without a count. */
void writeTextsChunk(DataWriter& out, std::vector<std::string> const& texts);

/**
 * Writes a whole chunked set: the header, then one "TEXT" version 1 whose
 * length covers everything after its length field, holding "LDAT", "LIDS"
 * and one "TXGP" per language.
 */
void writeTextSet(DataWriter& out, TextSet const& set);

/**
 * Writes a whole set in the old layout: a byte, the length of the language
 * block, the block (8-bit count and codes), the ids, one offset per language
 * (bytes from the end of that offset to the language's texts) and the texts.
 */
void writeOldTextSet(DataWriter& out, TextSet const& set);

} // datawriter
