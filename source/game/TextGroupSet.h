#pragma once

#include <game/TextGroup.h>
#include <lang/Object.h>
#include <lang/Ptr.h>
#include <map>
#include <string>
#include <vector>

namespace game
{

/**
 * The localised texts of one text group set file: its language codes, read
 * once, and the text groups of the languages loaded now. Texts are read per
 * language on request and can be released again. The language code "ALL"
 * means every language of the file. An operation that fails leaves the set
 * as it was. Main thread only.
 */
class TextGroupSet : public lang::Object
{
public:
	/** Loaded groups by language code, in byte-wise order. */
	typedef std::map<std::string, lang::Ptr<TextGroup>, std::less<>> TextGroupMap;

	/** A set over the bundle file path; reads nothing. */
	explicit TextGroupSet(std::string const& path);

	~TextGroupSet() override;

	/**
	 * Reads the file's language codes, replacing the ones held.
	 * @exception io::IOException When the file cannot be opened or is
	 *            malformed (see TextGroupReader).
	 */
	void loadLocaleCodes();

	/**
	 * Reads the texts of the language into a new group, stores it under the
	 * language (releasing a group loaded before for it) and returns it; null,
	 * storing nothing, when the file ends before that language's texts.
	 * "ALL" reads every language first and stores them only when all reads
	 * succeed; it returns the group of the first code (null without codes).
	 * @exception lang::Exception "Trying to load TextGroup for language not
	 *            present in data file. Language: \"{0}\"", "Missing LIDS chunk
	 *            before TXGP chunk in file {0}", or the file errors of
	 *            TextGroupReader.
	 */
	TextGroup* loadTextGroup(std::string const& language);

	/**
	 * Drops the language's group (all groups for "ALL"); a listed language
	 * that is not loaded is ignored.
	 * @exception lang::Exception "Trying to release TextGroup for language
	 *            not present in data file. Language: \"{0}\"".
	 */
	void releaseTextGroup(std::string const& language);

	/**
	 * The loaded group of the language.
	 * @exception lang::Exception "Trying to get TextGroup for language which
	 *            is not loaded. Language: \"{0}\"" for a listed language,
	 *            "Trying to get TextGroup for language not present in data
	 *            file. Language: \"{0}\"" otherwise.
	 */
	TextGroup* getTextGroup(std::string const& language) const;

	/** The file's language codes, in file order. */
	std::vector<std::string> const& getLocaleCodes() const { return m_localeCodes; }

	/** The groups loaded now. */
	TextGroupMap const& getTextGroups() const { return m_textGroups; }

	/** The bundle path of the file. */
	std::string const& path() const { return m_path; }

private:
	std::vector<std::string> m_localeCodes;
	TextGroupMap m_textGroups;
	std::string m_path;

	/** Index of the language in the codes, or -1. */
	int indexOf(std::string const& language) const;

	TextGroupSet(TextGroupSet const&) = delete;
	TextGroupSet& operator=(TextGroupSet const&) = delete;
};

} // game
