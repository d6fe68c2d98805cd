#pragma once

#include <host/Core.h>
#include <lang/Ptr.h>
#include <lua/LuaTable.h>
#include <pf/CommerceListener.h>
#include <deque>
#include <string>
#include <tuple>

namespace host
{

/**
 * The in-app store for the scripts: the product list, purchases, restores
 * and the callback that receives every outcome. The store's outcomes come
 * back through the listener given at construction (the host), which hands
 * them to paymentFinished and initFinished here.
 *
 * Main thread only.
 */
class Store
{
public:
	/** The product ids the store is made with, in order. */
	static char const* const sm_purchaseItemIds[10];

	/**
	 * No store yet (open makes it); no callback name. listener is told the
	 * store's outcomes (not owned; it must outlive this object).
	 */
	Store(Core const& core, pf::CommerceListener& listener);

	~Store();

	/** Makes the store with sm_purchaseItemIds and the listener; called once. */
	void open();

	/** Stores callback, prints the call and buys id (refusals reach the callback at once). */
	void buyItem(std::string const& id, std::string const& callback);

	/** Stores callback, prints the call and asks for the product list. */
	void initItemPurchase(std::string const& callback);

	/** The number of items of the store's list. */
	int getAvailableItemCount();

	/**
	 * A new table with id, name, description, type, quantity and price of
	 * item index (0-based); empty when index is negative or not below the count.
	 */
	lua::LuaTable getItemAt(int index);

	/** Replaces the description of item index; nothing for an index out of range. */
	void setItemDescription(int index, std::string const& description);

	/** Stores callback and asks for a restore of the earlier purchases. */
	void restoreItems(std::string const& callback);

	/** Whether payments are allowed. */
	bool isIapAllowed();

	/**
	 * A store outcome: calls the store callback with (id, status, error).
	 * Before any store callback name was set it waits for the first one
	 * (delivered at the next frame); with an empty name it is dropped.
	 * @exception lang::Throwable From the script.
	 */
	void paymentFinished(std::string const& id, pf::CommerceListener::PaymentStatus status,
		pf::Commerce::CommerceError error);

	/** Prints the status; when available calls "inAppPurchasingBecameAvailable". */
	void initFinished(pf::CommerceListener::PaymentProviderStatus status);

	/** No effect. */
	void getPurchaseHistoryFinished(std::string const& id);

	/**
	 * Frame step: delivers held and queued store outcomes.
	 * @exception lang::Throwable From the script callback.
	 */
	void pollStore();

	/** The store; null before open. */
	pf::Commerce* commerce() const { return m_commerce; }

private:
	Core m_core;
	pf::CommerceListener& m_listener;
	lang::Ptr<pf::Commerce> m_commerce;
	std::string m_storeCallback;
	bool m_storeCallbackSet;
	std::deque<std::tuple<std::string, pf::CommerceListener::PaymentStatus, pf::Commerce::CommerceError>> m_heldPayments;

	/** Sets the store callback name; held outcomes go to it at the next poll. */
	void setStoreCallback(std::string const& callback);

	Store(Store const&) = delete;
	Store& operator=(Store const&) = delete;
};

} // namespace host
