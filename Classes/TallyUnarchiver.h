#pragma once

#include <TallyDate.h>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

struct cJSON;

/** Why an archive cannot be read: the key and what is wrong with it. */
struct TallyArchiveError
{
	std::string what;
};

/**
 * Reads a keyed archive written by TallyArchiver, by key. A missing key
 * gives none, 0 or false; a value of the wrong kind, an integer that is
 * fractional or outside its field, or a date beyond ±2^53 µs throws
 * TallyArchiveError, which makes the whole archive unreadable. A real read
 * from null is 0. When a key occurs twice the first one counts. A reader
 * shares its document with the readers made from it; one reader belongs to
 * one thread.
 */
class TallyUnarchiver
{
public:
	/**
	 * Parses a whole archive; text after the document is an error.
	 * @exception TallyArchiveError "not JSON" or "not an object" (an array when list is set).
	 */
	static TallyUnarchiver parse(std::string const& text, bool list = false);

	bool contains(char const* key) const;
	int64_t decodeInteger(char const* key, int64_t min, int64_t max) const;
	double decodeReal(char const* key) const;
	bool decodeBool(char const* key) const;
	std::optional<std::string> decodeString(char const* key) const;
	TallyOptionalDate decodeDate(char const* key) const;
	/** Base64 data; none when missing. */
	std::optional<std::string> decodeData(char const* key) const;
	std::optional<std::map<std::string, std::string>> decodeStringMap(char const* key) const;
	/** The object under the key; none when missing. */
	std::optional<TallyUnarchiver> decodeObject(char const* key) const;
	/** The list under the key; none when missing. */
	std::optional<TallyUnarchiver> decodeList(char const* key) const;

	/** Number of entries of a list (or keys of an object). */
	int count() const;

	/**
	 * Calls each(entry) for the entries of a list, in order. An entry is a
	 * reader of one value that answers the key "" with the value itself (so
	 * decodeString("") reads a string entry).
	 */
	void forEachElement(std::function<void(TallyUnarchiver const&)> const& each) const;

	/** Calls each(key, entry) for the keys of an object, in order; a repeated key once. */
	void forEachKey(std::function<void(std::string const&, TallyUnarchiver const&)> const& each) const;

private:
	std::shared_ptr<cJSON> m_root;
	cJSON const* m_node;

	TallyUnarchiver(std::shared_ptr<cJSON> root, cJSON const* node) : m_root(std::move(root)), m_node(node) {}
	cJSON const* item(char const* key) const;
	static TallyArchiveError error(char const* key, char const* problem);
};

/**
 * Reads a file that holds one date: an integer number of microseconds
 * within ±2^53; none for anything else.
 */
TallyOptionalDate tallyParseDate(std::string const& text);
