// The in-app store for the scripts: the product list, purchases, restores
// and the callback that receives every outcome.
#include <api/StoreApi.h>
#include <host/HostStore.h>
#include <lua/LuaObject.h>

void registerStoreApi(lua::LuaObject& host, HostStore& store)
{
	host.registerMethod("iapBuyItem", &store, &HostStore::buyItem);
	host.registerMethod("iapInitItemPurchase", &store, &HostStore::initItemPurchase);
	host.registerMethod("iapGetItemCount", &store, &HostStore::getAvailableItemCount);
	host.registerMethod("iapGetItemAt", &store, &HostStore::getItemAt);
	host.registerMethod("iapSetItemDescription", &store, &HostStore::setItemDescription);
	host.registerMethod("iapRestoreItems", &store, &HostStore::restoreItems);
	host.registerMethod("iapIsAllowed", &store, &HostStore::isIapAllowed);
}
