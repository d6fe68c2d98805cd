#include "CommerceItem.h"

namespace pf
{

CommerceItem::CommerceItem(std::string const& id, ItemType type, std::string const& title,
	std::string const& description, std::string const& price) :
	m_id(id),
	m_type(type),
	m_quantity(0),
	m_title(title),
	m_description(description),
	m_price(price)
{
}

CommerceItem::~CommerceItem()
{
}

} // pf
