#include "TextGroupSet.h"
#include <game/TextGroupReader.h>
#include <lang/Exception.h>
#include <lang/Format.h>
#include <algorithm>
#include <utility>

namespace game
{

namespace
{

char const ALL[] = "ALL";

[[noreturn]] void fail(char const* pattern, std::string const& language)
{
	lang::throwError(lang::Exception(lang::Format(pattern, language)));
}

} // namespace

TextGroupSet::TextGroupSet(std::string const& path) : m_path(path)
{
}

TextGroupSet::~TextGroupSet()
{
}

int TextGroupSet::indexOf(std::string const& language) const
{
	auto const it = std::find(m_localeCodes.begin(), m_localeCodes.end(), language);
	return it == m_localeCodes.end() ? -1 : static_cast<int>(it - m_localeCodes.begin());
}

void TextGroupSet::loadLocaleCodes()
{
	m_localeCodes = TextGroupReader::readLocaleCodes(m_path);
}

TextGroup* TextGroupSet::loadTextGroup(std::string const& language)
{
	if (language == ALL)
	{
		// Every language is read aside first, so that a failure halfway
		// leaves the loaded groups as they were.
		std::vector<std::pair<std::string, lang::Ptr<TextGroup>>> loaded;
		for (size_t i = 0; i < m_localeCodes.size(); ++i)
			loaded.emplace_back(m_localeCodes[i], TextGroupReader::readTextGroup(m_path, static_cast<int>(i)));
		for (auto const& entry : loaded)
		{
			if (entry.second)
				m_textGroups[entry.first] = entry.second;
		}
		return loaded.empty() ? nullptr : loaded.front().second.ptr();
	}
	int const i = indexOf(language);
	if (i < 0)
		fail("Trying to load TextGroup for language not present in data file. Language: \"{0}\"", language);
	lang::Ptr<TextGroup> group = TextGroupReader::readTextGroup(m_path, i);
	if (group)
		m_textGroups[language] = group;
	return group.ptr();
}

void TextGroupSet::releaseTextGroup(std::string const& language)
{
	if (language == ALL)
	{
		m_textGroups.clear();
		return;
	}
	if (indexOf(language) < 0)
		fail("Trying to release TextGroup for language not present in data file. Language: \"{0}\"", language);
	m_textGroups.erase(language);
}

TextGroup* TextGroupSet::getTextGroup(std::string const& language) const
{
	auto const it = m_textGroups.find(language);
	if (it != m_textGroups.end())
		return it->second.ptr();
	if (indexOf(language) >= 0)
		fail("Trying to get TextGroup for language which is not loaded. Language: \"{0}\"", language);
	fail("Trying to get TextGroup for language not present in data file. Language: \"{0}\"", language);
}

} // game
