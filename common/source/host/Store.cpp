#include <host/Store.h>
#include <lang/Debug.h>
#include <lua/LuaObject.h>
#include <pf/Commerce.h>
#include <pf/CommerceItem.h>

namespace host
{

char const* const Store::sm_purchaseItemIds[10] = {
	"com.quennet.Velmora.levelpackhazardbelt",
	"com.quennet.Velmora.vortexhawksmall",
	"com.quennet.Velmora.vortexhawkmedium",
	"com.quennet.Velmora.vortexhawklarge",
	"com.quennet.Velmora.vortexhawkhuge",
	"com.quennet.VelmoraHD.levelpackhazardbelt",
	"com.quennet.VelmoraHD.vortexhawksmall",
	"com.quennet.VelmoraHD.vortexhawkmedium",
	"com.quennet.VelmoraHD.vortexhawklarge",
	"com.quennet.VelmoraHD.vortexhawkhuge",
};

Store::Store(Core const& core, pf::CommerceListener& listener) :
	m_core(core),
	m_listener(listener),
	m_storeCallbackSet(false)
{
}

Store::~Store() = default;

void Store::open()
{
	m_commerce = new pf::Commerce(10, const_cast<char const**>(sm_purchaseItemIds), &m_listener);
}

void Store::setStoreCallback(std::string const& callback)
{
	m_storeCallback = callback;
	m_storeCallbackSet = true;
}

void Store::buyItem(std::string const& id, std::string const& callback)
{
	setStoreCallback(callback);
	lang::Debug::debug("GameLua::buyItem(%s): callback: %s\n", id.c_str(), callback.c_str());
	m_commerce->buyItemId(id, &m_listener);
}

void Store::initItemPurchase(std::string const& callback)
{
	setStoreCallback(callback);
	lang::Debug::debug("GameLua::initItemPurchase(): callback: %s\n", callback.c_str());
	m_commerce->listAvailableItems(&m_listener);
}

int Store::getAvailableItemCount()
{
	return static_cast<int>(m_commerce->getItems().size());
}

lua::LuaTable Store::getItemAt(int index)
{
	lua::LuaTable table(m_core.table.getLuaState());
	std::vector<lang::Ptr<pf::CommerceItem>> const& items = m_commerce->getItems();
	if (index < 0 || static_cast<size_t>(index) >= items.size())
		return table;
	pf::CommerceItem const& item = *items[static_cast<size_t>(index)];
	table.setString("id", item.getId());
	table.setString("name", item.getTitle());
	table.setString("description", item.getDescription());
	table.setNumber("type", static_cast<float>(item.getType()));
	table.setNumber("quantity", static_cast<float>(item.getQuantity()));
	table.setString("price", item.getPrice());
	return table;
}

void Store::setItemDescription(int index, std::string const& description)
{
	std::vector<lang::Ptr<pf::CommerceItem>> const& items = m_commerce->getItems();
	if (index < 0 || static_cast<size_t>(index) >= items.size())
		return;
	items[static_cast<size_t>(index)]->setDescription(description);
}

void Store::restoreItems(std::string const& callback)
{
	setStoreCallback(callback);
	m_commerce->restoreItems(&m_listener);
}

bool Store::isIapAllowed()
{
	return m_commerce->isEnabled();
}

void Store::pollStore()
{
	while (m_storeCallbackSet && !m_heldPayments.empty())
	{
		auto outcome = m_heldPayments.front();
		m_heldPayments.pop_front();
		paymentFinished(std::get<0>(outcome), std::get<1>(outcome), std::get<2>(outcome));
	}
	m_commerce->checkForCallback();
}

void Store::paymentFinished(std::string const& id, pf::CommerceListener::PaymentStatus status,
	pf::Commerce::CommerceError error)
{
	if (!m_storeCallbackSet)
	{
		m_heldPayments.emplace_back(id, status, error);
		return;
	}
	if (m_storeCallback.empty())
		return;
	lang::Debug::debug("GameLua::paymentFinished(%s,%d,%d): calling callback: %s\n", id.c_str(), static_cast<int>(status),
		static_cast<int>(error), m_storeCallback.c_str());
	m_core.table.call(m_storeCallback.c_str(), id, static_cast<int>(status), static_cast<int>(error));
}

void Store::initFinished(pf::CommerceListener::PaymentProviderStatus status)
{
	lang::Debug::debug("GameLua::initFinished(%d)\n", static_cast<int>(status));
	if (status == pf::CommerceListener::PROVIDER_AVAILABLE)
		m_core.table.call("inAppPurchasingBecameAvailable");
}

void Store::getPurchaseHistoryFinished(std::string const&)
{
}

} // namespace host
