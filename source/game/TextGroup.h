#pragma once

#include <lang/Object.h>
#include <map>
#include <string>

namespace game
{

/**
 * The texts of one language of a text group set, by text id. Texts are the
 * UTF-8 bytes as the file stores them. Main thread only.
 */
class TextGroup : public lang::Object
{
public:
	/** Texts by id, in byte-wise id order. */
	typedef std::map<std::string, std::string, std::less<>> TextMap;

	TextGroup();
	~TextGroup() override;

	/**
	 * The text of the id. An id the group lacks is stored as its own text
	 * and returned, so a missing text shows as its id and later look-ups
	 * find it.
	 */
	std::string const& get(std::string const& id) const;

	/** Stores text under id, replacing what was there. */
	void set(std::string const& id, std::string const& text);

	/** All texts by id. */
	TextMap const& getTexts() const { return m_texts; }

private:
	mutable TextMap m_texts;

	TextGroup(TextGroup const&) = delete;
	TextGroup& operator=(TextGroup const&) = delete;
};

} // game
