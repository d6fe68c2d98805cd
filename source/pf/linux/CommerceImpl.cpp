#include "CommerceImpl.h"
#include "LocalStore.h"
#include <pf/Alert.h>
#include <lang/Debug.h>
#include <lang/Throwable.h>

namespace pf
{

namespace
{

/** What the user reads for a store error. */
char const* describe(Commerce::CommerceError error)
{
	switch (error)
	{
	case Commerce::COMMERCE_ERROR_CLIENT_INVALID:
		return "The store cannot make this payment.";
	case Commerce::COMMERCE_ERROR_PAYMENT_INVALID:
		return "The payment is not valid.";
	case Commerce::COMMERCE_ERROR_PAYMENT_NOT_ALLOWED:
		return "Payments are not allowed on this device.";
	default:
		return "The store could not complete the payment.";
	}
}

void logFailure(lang::Throwable const& e)
{
	lang::Debug::printf("Store: %s\n", e.getMessage().format().c_str());
}

} // namespace

CommerceImpl::CommerceImpl(unsigned int count, char const** ids) :
	m_listener(nullptr)
{
	for (unsigned int i = 0; i < count; ++i)
	{
		if (ids[i])
			m_ids.insert(ids[i]);
	}
}

CommerceImpl::~CommerceImpl()
{
}

bool CommerceImpl::isEnabled()
{
	try
	{
		return LocalStore::readCatalogue().paymentsAllowed;
	}
	catch (lang::Throwable const& e)
	{
		logFailure(e);
		return false;
	}
}

void CommerceImpl::finished(std::string const& id, CommerceListener::PaymentStatus status, Commerce::CommerceError error)
{
	if (m_listener)
		m_listener->paymentFinished(id, status, error);
}

void CommerceImpl::failed(Commerce::CommerceError error, std::string const& description)
{
	if (error != Commerce::COMMERCE_ERROR_PAYMENT_CANCELLED)
		showAlert(description, "", {"OK"});
	finished("", CommerceListener::PAYMENT_FAILED, error);
}

bool CommerceImpl::refuse(std::string const& message, Commerce::CommerceError error)
{
	showAlert("Payment Error", message, {"OK"});
	finished("", CommerceListener::PAYMENT_FAILED, error);
	return false;
}

bool CommerceImpl::buyItemId(std::string const& id, CommerceListener* listener)
{
	m_listener = listener;
	if (id.empty())
		return refuse("No items available.", Commerce::COMMERCE_ERROR_NO_ITEMS);
	if (!isEnabled())
		return refuse("In-App purchase is disabled from the device settings.", Commerce::COMMERCE_ERROR_PAYMENT_NOT_ALLOWED);
	m_queue.push_back([this, id]() { pay(id); });
	return true;
}

bool CommerceImpl::restoreItems(CommerceListener* listener)
{
	m_listener = listener;
	m_queue.push_back([this]() { restore(); });
	return true;
}

bool CommerceImpl::listAvailableItems(CommerceListener* listener)
{
	m_listener = listener;
	m_queue.push_back([this]() { listProducts(); });
	return true;
}

void CommerceImpl::checkForCallback()
{
	// Outcomes queued by the listener meanwhile wait for the next call.
	size_t count = m_queue.size();
	while (count > 0 && m_listener && !m_queue.empty())
	{
		std::function<void()> outcome = std::move(m_queue.front());
		m_queue.pop_front();
		--count;
		outcome();
	}
}

void CommerceImpl::listProducts()
{
	LocalStore::Catalogue catalogue;
	try
	{
		catalogue = LocalStore::readCatalogue();
	}
	catch (lang::Throwable const& e)
	{
		logFailure(e);
		finished("", CommerceListener::PAYMENT_FAILED, Commerce::COMMERCE_ERROR_UNKNOWN);
		return;
	}
	m_items.clear();
	for (LocalStore::Product const& product : catalogue.products)
	{
		if (m_ids.count(product.id))
			m_items.push_back(new CommerceItem(product.id, CommerceItem::ITEMTYPE_PRODUCT, product.title, product.description, product.price));
	}
	bool unknown = false;
	for (std::string const& id : m_ids)
	{
		if (!catalogue.find(id))
			unknown = true;
	}
	if (unknown)
		finished("", CommerceListener::PAYMENT_FAILED, Commerce::COMMERCE_ERROR_NO_ITEMS);
	else
		finished("", CommerceListener::PAYMENT_SUCCESS, Commerce::COMMERCE_ERROR_NONE);
}

void CommerceImpl::pay(std::string const& id)
{
	LocalStore::Catalogue catalogue;
	try
	{
		catalogue = LocalStore::readCatalogue();
	}
	catch (lang::Throwable const& e)
	{
		logFailure(e);
		failed(Commerce::COMMERCE_ERROR_UNKNOWN, describe(Commerce::COMMERCE_ERROR_UNKNOWN));
		return;
	}
	LocalStore::Product const* product = catalogue.find(id);
	if (!product)
	{
		lang::Debug::printf("Store: %s is not in %s\n", id.c_str(), LocalStore::cataloguePath().c_str());
		failed(Commerce::COMMERCE_ERROR_PAYMENT_INVALID, describe(Commerce::COMMERCE_ERROR_PAYMENT_INVALID));
		return;
	}
	switch (product->result)
	{
	case LocalStore::RESULT_CANCELLED:
		failed(Commerce::COMMERCE_ERROR_PAYMENT_CANCELLED, "");
		return;
	case LocalStore::RESULT_FAILED:
	{
		Commerce::CommerceError error = product->error >= 1 && product->error <= 4 ?
			static_cast<Commerce::CommerceError>(product->error) : Commerce::COMMERCE_ERROR_UNKNOWN;
		failed(error, describe(error));
		return;
	}
	case LocalStore::RESULT_PURCHASED:
		break;
	}
	if (!product->consumable)
	{
		try
		{
			LocalStore::recordPurchase(id);
		}
		catch (lang::Throwable const& e)
		{
			// Not recorded means not bought: the user is not charged for what restore would lose.
			logFailure(e);
			failed(Commerce::COMMERCE_ERROR_UNKNOWN, describe(Commerce::COMMERCE_ERROR_UNKNOWN));
			return;
		}
	}
	notifySuccess(id, 1, true, std::vector<char>());
}

void CommerceImpl::restore()
{
	std::vector<std::string> ids;
	try
	{
		ids = LocalStore::readPurchases();
	}
	catch (lang::Throwable const& e)
	{
		logFailure(e);
		finished("", CommerceListener::PAYMENT_FAILED, Commerce::COMMERCE_ERROR_UNKNOWN);
		return;
	}
	for (std::string const& id : ids)
		notifySuccess(id, 1, false, std::vector<char>());
	finished("", CommerceListener::PAYMENT_SUCCESS, Commerce::COMMERCE_ERROR_NONE);
}

void CommerceImpl::setReceipt(std::string const& id, std::vector<char> const& receipt)
{
	for (lang::Ptr<CommerceItem> const& item : m_items)
	{
		if (item->getId() == id)
		{
			item->setReceipt(receipt);
			return;
		}
	}
}

void CommerceImpl::notifySuccess(std::string const& id, unsigned int quantity, bool purchased, std::vector<char> const& receipt)
{
	for (lang::Ptr<CommerceItem> const& item : m_items)
	{
		if (item->getId() == id)
		{
			item->setQuantity(static_cast<int>(quantity));
			break;
		}
	}
	setReceipt(id, receipt);
	finished(id, purchased ? CommerceListener::PAYMENT_SUCCESS : CommerceListener::PAYMENT_RESTORED, Commerce::COMMERCE_ERROR_NONE);
}

} // pf
