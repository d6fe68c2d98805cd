#pragma once

struct cJSON;

namespace util
{

/**
 * Parses text with the JSON library and returns the new tree (owned by the
 * caller), or null when the text does not parse; end then points at the
 * place where parsing stopped. Text after a complete document is ignored.
 * A string is never cut short: an escape "\u" not followed by four hex
 * digits, and "\u0000" (the library's strings end at a zero character),
 * make the text not parse, with end at that escape.
 *
 * The library writes a shared error position on every parse; calls are
 * serialised here so that documents can be parsed on several threads.
 */
cJSON* parseJSON(char const* text, char const*& end);

} // util
