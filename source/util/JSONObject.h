#pragma once

struct cJSON;

namespace util
{

/**
 * Read-only view of a parsed JSON document or of one of its members, with
 * typed getters that fall back to defaults. Never throws.
 *
 * An object made from text owns its parse tree and frees it when destroyed;
 * views returned by getObject do not own anything and must not outlive the
 * owning object. Objects cannot be copied (a copy of an owner would free the
 * tree twice); they can be moved, which hands the ownership over.
 */
class JSONObject
{
public:
	/**
	 * Parses text and owns the result. When text is null or does not parse,
	 * the object is null and every getter returns its default.
	 */
	explicit JSONObject(char const* text);

	JSONObject(JSONObject&& other) noexcept;
	JSONObject& operator=(JSONObject&& other) noexcept;

	/** Frees the parse tree when this object owns it. */
	~JSONObject();

	/** True when there is no item. */
	bool isNull() const { return m_item == nullptr; }

	/**
	 * The integer value of member key as the parser stored it (fractions cut
	 * toward zero, limited to the int range) when this is an object that has
	 * the member and the member is a number; else def.
	 */
	int getInt(char const* key, int def) const;

	/**
	 * The text of member key when it is a string, else null. The text belongs
	 * to the document.
	 */
	char const* getString(char const* key) const;

	/**
	 * A non-owning view of member key (of any type); a null object when
	 * the member is absent or this object is null.
	 */
	JSONObject getObject(char const* key) const;

private:
	bool m_owner;
	cJSON* m_item;

	JSONObject(bool owner, cJSON* item) : m_owner(owner), m_item(item) {}

	cJSON* member(char const* key) const;

	JSONObject(JSONObject const&) = delete;
	JSONObject& operator=(JSONObject const&) = delete;
};

} // util
