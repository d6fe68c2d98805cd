#include "TextGroup.h"

namespace game
{

TextGroup::TextGroup()
{
}

TextGroup::~TextGroup()
{
}

std::string const& TextGroup::get(std::string const& id) const
{
	auto it = m_texts.find(id);
	if (it == m_texts.end())
		it = m_texts.emplace(id, id).first;
	return it->second;
}

void TextGroup::set(std::string const& id, std::string const& text)
{
	m_texts[id] = text;
}

} // game
