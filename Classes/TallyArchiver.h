#pragma once

#include <TallyDate.h>
#include <cstdint>
#include <map>
#include <optional>
#include <string>

struct cJSON;

/**
 * Writes a keyed archive as JSON: an object of keys in the order written, or
 * a list of values. Numbers are numbers (integers are exact within ±2^53; a
 * real that is not finite is written null), dates integer microseconds,
 * data Base64, a none value is left out. On a list the key is ignored and
 * the value appended. One archiver belongs to one thread.
 */
class TallyArchiver
{
public:
	/** An empty object, or an empty list when list is set. */
	explicit TallyArchiver(bool list = false);
	~TallyArchiver();
	TallyArchiver(TallyArchiver&& other) noexcept;
	TallyArchiver(TallyArchiver const&) = delete;
	TallyArchiver& operator=(TallyArchiver const&) = delete;

	void encodeInteger(char const* key, int64_t value);
	void encodeReal(char const* key, double value);
	void encodeBool(char const* key, bool value);
	void encodeString(char const* key, std::optional<std::string> const& value);
	void encodeDate(char const* key, TallyOptionalDate value);
	void encodeData(char const* key, std::string const& bytes);
	/** A map of texts as an object of strings; none is left out. */
	void encodeStringMap(char const* key, std::optional<std::map<std::string, std::string>> const& value);
	/** Moves the child's object or list in under the key. */
	void encodeArchive(char const* key, TallyArchiver&& child);

	/** The JSON text, unformatted. */
	std::string text() const;

private:
	cJSON* m_node;

	void add(char const* key, cJSON* value);
};

/** Base64 with the standard alphabet and padding, the form of data in archives. */
std::string tallyBase64Encode(std::string const& bytes);

/** Decodes Base64 of the standard alphabet; none when the text holds another character. */
std::optional<std::string> tallyBase64Decode(std::string const& text);
