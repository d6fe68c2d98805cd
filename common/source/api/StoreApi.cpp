// The in-app store for the scripts: the product list, purchases, restores
// and the callback that receives every outcome.
#include <GameLua.h>
#include <lang/Debug.h>
#include <pf/Commerce.h>
#include <pf/CommerceItem.h>

char const* const GameLua::sm_purchaseItemIds[10] = {
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

void GameLua::registerStoreApi()
{
	registerMethod("iapBuyItem", this, &GameLua::buyItem);
	registerMethod("iapInitItemPurchase", this, &GameLua::initItemPurchase);
	registerMethod("iapGetItemCount", this, &GameLua::getAvailableItemCount);
	registerMethod("iapGetItemAt", this, &GameLua::getItemAt);
	registerMethod("iapSetItemDescription", this, &GameLua::setItemDescription);
	registerMethod("iapRestoreItems", this, &GameLua::restoreItems);
	registerMethod("iapIsAllowed", this, &GameLua::isIapAllowed);
}

void GameLua::setStoreCallback(std::string const& callback)
{
	m_storeCallback = callback;
	m_storeCallbackSet = true;
}

void GameLua::buyItem(std::string const& id, std::string const& callback)
{
	setStoreCallback(callback);
	lang::Debug::debug("GameLua::buyItem(%s): callback: %s\n", id.c_str(), callback.c_str());
	m_commerce->buyItemId(id, this);
}

void GameLua::initItemPurchase(std::string const& callback)
{
	setStoreCallback(callback);
	lang::Debug::debug("GameLua::initItemPurchase(): callback: %s\n", callback.c_str());
	m_commerce->listAvailableItems(this);
}

int GameLua::getAvailableItemCount()
{
	return static_cast<int>(m_commerce->getItems().size());
}

lua::LuaTable GameLua::getItemAt(int index)
{
	lua::LuaTable table(m_luastate);
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

void GameLua::setItemDescription(int index, std::string const& description)
{
	std::vector<lang::Ptr<pf::CommerceItem>> const& items = m_commerce->getItems();
	if (index < 0 || static_cast<size_t>(index) >= items.size())
		return;
	items[static_cast<size_t>(index)]->setDescription(description);
}

void GameLua::restoreItems(std::string const& callback)
{
	setStoreCallback(callback);
	m_commerce->restoreItems(this);
}

bool GameLua::isIapAllowed()
{
	return m_commerce->isEnabled();
}

void GameLua::pollStore()
{
	while (m_storeCallbackSet && !m_heldPayments.empty())
	{
		auto outcome = m_heldPayments.front();
		m_heldPayments.pop_front();
		paymentFinished(std::get<0>(outcome), std::get<1>(outcome), std::get<2>(outcome));
	}
	m_commerce->checkForCallback();
}

void GameLua::paymentFinished(std::string const& id, PaymentStatus status, pf::Commerce::CommerceError error)
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
	call(m_storeCallback.c_str(), id, static_cast<int>(status), static_cast<int>(error));
}

void GameLua::initFinished(PaymentProviderStatus status)
{
	lang::Debug::debug("GameLua::initFinished(%d)\n", static_cast<int>(status));
	if (status == PROVIDER_AVAILABLE)
		call("inAppPurchasingBecameAvailable");
}

void GameLua::getPurchaseHistoryFinished(std::string const&)
{
}
