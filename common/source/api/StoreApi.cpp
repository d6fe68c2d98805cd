// The in-app store for the scripts: the product list, purchases, restores
// and the callback that receives every outcome.
#include <api/StoreApi.h>
#include <host/Store.h>
#include <lua/LuaObject.h>

namespace host
{

void registerStoreApi(lua::LuaObject& host, Store& store)
{
	host.registerMethod("iapBuyItem", &store, &Store::buyItem);
	host.registerMethod("iapInitItemPurchase", &store, &Store::initItemPurchase);
	host.registerMethod("iapGetItemCount", &store, &Store::getAvailableItemCount);
	host.registerMethod("iapGetItemAt", &store, &Store::getItemAt);
	host.registerMethod("iapSetItemDescription", &store, &Store::setItemDescription);
	host.registerMethod("iapRestoreItems", &store, &Store::restoreItems);
	host.registerMethod("iapIsAllowed", &store, &Store::isIapAllowed);
}

} // namespace host
