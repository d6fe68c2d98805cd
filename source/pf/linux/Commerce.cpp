#include <pf/Commerce.h>
#include <pf/linux/CommerceImpl.h>

namespace pf
{

Commerce::Commerce(unsigned int count, char const** ids, CommerceListener*) :
	m_impl(new CommerceImpl(count, ids))
{
}

Commerce::~Commerce()
{
}

bool Commerce::isEnabled()
{
	return m_impl->isEnabled();
}

bool Commerce::buyItemId(std::string const& id, CommerceListener* listener)
{
	return m_impl->buyItemId(id, listener);
}

bool Commerce::restoreItems(CommerceListener* listener)
{
	return m_impl->restoreItems(listener);
}

bool Commerce::listAvailableItems(CommerceListener* listener)
{
	return m_impl->listAvailableItems(listener);
}

std::vector<lang::Ptr<CommerceItem>> const& Commerce::getItems() const
{
	return m_impl->items();
}

void Commerce::checkForCallback()
{
	m_impl->checkForCallback();
}

} // pf
