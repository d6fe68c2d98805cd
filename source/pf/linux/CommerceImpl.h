#pragma once

#include <pf/Commerce.h>
#include <pf/CommerceListener.h>
#include <deque>
#include <functional>
#include <set>
#include <string>
#include <vector>

namespace pf
{

/**
 * The store over LocalStore: the product ids, the listener of the latest
 * call, the items of the latest product list and the queue of outcomes
 * that checkForCallback delivers. Main thread only.
 */
class CommerceImpl : public lang::Object
{
public:
	CommerceImpl(unsigned int count, char const** ids);
	~CommerceImpl() override;

	bool isEnabled();
	bool buyItemId(std::string const& id, CommerceListener* listener);
	bool restoreItems(CommerceListener* listener);
	bool listAvailableItems(CommerceListener* listener);
	void checkForCallback();

	std::vector<lang::Ptr<CommerceItem>> const& items() const { return m_items; }

	/** Copies receipt into the first item with id; nothing when there is none. */
	void setReceipt(std::string const& id, std::vector<char> const& receipt);

	/**
	 * Sets the quantity and receipt of the first item with id, then tells
	 * the listener (id, 1 when purchased else 3, 0).
	 */
	void notifySuccess(std::string const& id, unsigned int quantity, bool purchased, std::vector<char> const& receipt);

private:
	std::set<std::string> m_ids;
	CommerceListener* m_listener;
	std::vector<lang::Ptr<CommerceItem>> m_items;
	std::deque<std::function<void()>> m_queue;

	/** Tells the listener when one is set. */
	void finished(std::string const& id, CommerceListener::PaymentStatus status, Commerce::CommerceError error);

	/** A failed payment: alert (unless cancelled) and (empty id, 2, error). */
	void failed(Commerce::CommerceError error, std::string const& description);

	/** Alert "Payment Error" with message and (empty id, 2, error), at once. */
	bool refuse(std::string const& message, Commerce::CommerceError error);

	void listProducts();
	void pay(std::string const& id);
	void restore();
};

} // pf
