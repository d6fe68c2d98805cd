#pragma once

#include <string>
#include <vector>

namespace pf
{

/**
 * The store this platform simulates: the catalogue "store-catalogue.json"
 * in the bundle folder, read at each request:
 *   {"paymentsAllowed": bool, "products": [{"id", "title", "description",
 *    "price" (shown text), "consumable": bool,
 *    "result": "purchased" | "cancelled" | "failed", "error": number}]}
 * ("error" only with "failed", optional), and the record of non-consumable
 * purchases "store-purchases.json" in the app-data folder:
 *   {"purchases": ["id", ...]}.
 * Errors name the file and what is wrong. Main thread.
 */
class LocalStore
{
public:
	/** What buying a product does. */
	enum Result
	{
		RESULT_PURCHASED,
		RESULT_CANCELLED,
		RESULT_FAILED,
	};

	struct Product
	{
		std::string id;
		std::string title;
		std::string description;
		std::string price;
		bool consumable = false;
		Result result = RESULT_PURCHASED;
		int error = 0;
	};

	struct Catalogue
	{
		bool paymentsAllowed = false;
		std::vector<Product> products;

		/** The product with id; null when it is not listed. */
		Product const* find(std::string const& id) const;
	};

	/**
	 * The catalogue.
	 * @exception lang::Exception When it is missing, malformed, of wrong
	 *            types, lacks a field or lists an id twice.
	 */
	static Catalogue readCatalogue();

	/**
	 * The recorded purchases in the order made; empty when there is no record.
	 * @exception lang::Exception When the record is malformed or lists an id twice.
	 */
	static std::vector<std::string> readPurchases();

	/**
	 * Adds id to the record unless it is there. A damaged record is moved
	 * aside first ("store-purchases.json.bad") and a new one begun.
	 * @exception lang::Throwable When the record cannot be written (the old one stays).
	 */
	static void recordPurchase(std::string const& id);

	static std::string cataloguePath();
	static std::string recordPath();
};

} // pf
