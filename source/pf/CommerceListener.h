#pragma once

#include <pf/Commerce.h>
#include <string>

namespace pf
{

/** Told the outcomes of the store's requests, purchases and restores (main thread). */
class CommerceListener
{
public:
	enum PaymentStatus
	{
		/** A purchase completed, the product list arrived complete, or a restore finished. */
		PAYMENT_SUCCESS = 1,
		PAYMENT_FAILED = 2,
		/** One earlier purchase was restored. */
		PAYMENT_RESTORED = 3,
	};

	enum PaymentProviderStatus
	{
		PROVIDER_UNAVAILABLE = 0,
		PROVIDER_AVAILABLE = 1,
	};

	virtual ~CommerceListener() {}

	/** An outcome: the product id (empty for failures and list or restore ends), status and error. */
	virtual void paymentFinished(std::string const& id, PaymentStatus status, Commerce::CommerceError error) = 0;

	/** The store became (un)available; not called by this store. */
	virtual void initFinished(PaymentProviderStatus status) = 0;

	/** Purchase history arrived; not called by this store. */
	virtual void getPurchaseHistoryFinished(std::string const& id) = 0;
};

} // pf
