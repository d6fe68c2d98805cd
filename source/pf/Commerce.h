#pragma once

#include <lang/Object.h>
#include <lang/Ptr.h>
#include <pf/CommerceItem.h>
#include <string>
#include <vector>

namespace pf
{

class CommerceImpl;
class CommerceListener;

/**
 * The in-app store: lists the game's products, buys one, restores earlier
 * purchases. Outcomes are queued and reach the listener of the latest call
 * in checkForCallback(); outcomes that find no listener wait there, in
 * order, for the first one. Refusals of buyItemId are reported at once.
 * Payment errors are shown to the user as alerts (pf::showAlert), except a
 * cancelled payment. A destroyed store drops its queue.
 *
 * Main thread only.
 */
class Commerce : public lang::Object
{
public:
	enum CommerceError
	{
		COMMERCE_ERROR_NONE = 0,
		COMMERCE_ERROR_CLIENT_INVALID = 1,
		COMMERCE_ERROR_PAYMENT_CANCELLED = 2,
		COMMERCE_ERROR_PAYMENT_INVALID = 3,
		COMMERCE_ERROR_PAYMENT_NOT_ALLOWED = 4,
		COMMERCE_ERROR_NO_ITEMS = 5,
		COMMERCE_ERROR_UNKNOWN = 6,
	};

	/** A store of the count product ids (copied); listener is not stored (each operation sets it). */
	Commerce(unsigned int count, char const** ids, CommerceListener* listener);
	~Commerce() override;

	/** Whether payments are allowed. */
	bool isEnabled();

	/**
	 * Sets the listener and buys id. An empty id (alert "Payment Error" /
	 * "No items available.") reports (empty id, 2, 5) and payments not
	 * allowed (alert "Payment Error" / "In-App purchase is disabled from the
	 * device settings.") report (empty id, 2, 4), both at once, and return
	 * false. Otherwise the payment is queued and true returned: later
	 * (id, 1, 0) on success, (empty id, 2, code) on failure.
	 */
	bool buyItemId(std::string const& id, CommerceListener* listener);

	/** Sets the listener and queues a restore: (id, 3, 0) per earlier purchase, then (empty id, 1, 0). True. */
	bool restoreItems(CommerceListener* listener);

	/** Sets the listener and queues a product list: (empty id, 1, 0), or (empty id, 2, 5) when an id is unknown. True. */
	bool listAvailableItems(CommerceListener* listener);

	/** The items of the latest product list. */
	std::vector<lang::Ptr<CommerceItem>> const& getItems() const;

	/**
	 * Delivers the queued outcomes (those queued by the outcomes themselves
	 * wait for the next call) while a listener is set.
	 * @exception lang::Throwable From the listener; later outcomes stay queued.
	 */
	void checkForCallback();

private:
	lang::Ptr<CommerceImpl> m_impl;
};

} // pf
