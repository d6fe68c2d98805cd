#pragma once

class Store;

namespace lua
{
class LuaObject;
}

/** Registers the store's rows ("iapBuyItem" ... "iapIsAllowed") into host, bound to store (which must outlive host's use of them). */
void registerStoreApi(lua::LuaObject& host, Store& store);
