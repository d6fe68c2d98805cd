#pragma once

namespace lua
{
class LuaObject;
}

namespace host
{

class Store;

/** Registers the store's rows ("iapBuyItem" ... "iapIsAllowed") into host, bound to store (which must outlive host's use of them). */
void registerStoreApi(lua::LuaObject& host, Store& store);

} // namespace host
