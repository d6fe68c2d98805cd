#include "LocalStore.h"
#include <pf/JSONFile.h>
#include <io/detail/detail.h>
#include <io/std/AppDataOutputStream.h>
#include <io/std/FileUtil.h>
#include <lang/Debug.h>
#include <lang/Throwable.h>
#include <util/JSONPrint.h>
#include <cjson/cJSON.h>
#include <cmath>
#include <set>

namespace pf
{

namespace
{

char const* const STORE_CATALOGUE = "store-catalogue.json";
char const* const RECORD = "store-purchases.json";

} // namespace

LocalStore::Product const* LocalStore::Catalogue::find(std::string const& id) const
{
	for (Product const& product : products)
	{
		if (product.id == id)
			return &product;
	}
	return nullptr;
}

std::string LocalStore::cataloguePath()
{
	return io::detail::constructPath(io::detail::bundlePath(), STORE_CATALOGUE);
}

std::string LocalStore::recordPath()
{
	return io::detail::constructPath(io::detail::appdataPath(), RECORD);
}

LocalStore::Catalogue LocalStore::readCatalogue()
{
	std::string const path = cataloguePath();
	JSONPtr document = JSONFile::readObject(path);
	Catalogue catalogue;
	catalogue.paymentsAllowed = JSONFile::flag(path, document.get(), "paymentsAllowed", "");
	cJSON* products = JSONFile::member(path, document.get(), "products", "");
	if (!cJSON_IsArray(products))
		JSONFile::fail(path, "\"products\" is not an array");
	int index = 0;
	for (cJSON* entry = products->child; entry; entry = entry->next, ++index)
	{
		std::string const where = "product " + std::to_string(index) + " ";
		if (!cJSON_IsObject(entry))
			JSONFile::fail(path, where + "is not an object");
		Product product;
		product.id = JSONFile::text(path, entry, "id", where);
		if (product.id.empty())
			JSONFile::fail(path, where + "has an empty id");
		if (catalogue.find(product.id))
			JSONFile::fail(path, "id \"" + product.id + "\" is listed twice");
		product.title = JSONFile::text(path, entry, "title", where);
		product.description = JSONFile::text(path, entry, "description", where);
		product.price = JSONFile::text(path, entry, "price", where);
		product.consumable = JSONFile::flag(path, entry, "consumable", where);
		std::string const result = JSONFile::text(path, entry, "result", where);
		if (result == "purchased")
			product.result = RESULT_PURCHASED;
		else if (result == "cancelled")
			product.result = RESULT_CANCELLED;
		else if (result == "failed")
			product.result = RESULT_FAILED;
		else
			JSONFile::fail(path, where + "has the unknown result \"" + result + "\"");
		if (cJSON* error = cJSON_GetObjectItemCaseSensitive(entry, "error"))
		{
			if (!cJSON_IsNumber(error) || !std::isfinite(error->valuedouble) || error->valuedouble != std::floor(error->valuedouble))
				JSONFile::fail(path, where + "\"error\" is not a whole number");
			product.error = std::fabs(error->valuedouble) > 1e6 ? 6 : static_cast<int>(error->valuedouble);
		}
		catalogue.products.push_back(product);
	}
	return catalogue;
}

std::vector<std::string> LocalStore::readPurchases()
{
	std::string const path = recordPath();
	JSONPtr document = JSONFile::read(path, JSONFile::SAVE_FOLDER);
	std::vector<std::string> ids;
	if (!document)
		return ids;
	if (!cJSON_IsObject(document.get()))
		JSONFile::fail(path, "not a JSON object");
	cJSON* purchases = JSONFile::member(path, document.get(), "purchases", "");
	if (!cJSON_IsArray(purchases))
		JSONFile::fail(path, "\"purchases\" is not an array");
	std::set<std::string> seen;
	for (cJSON* entry = purchases->child; entry; entry = entry->next)
	{
		if (!cJSON_IsString(entry) || !*entry->valuestring)
			JSONFile::fail(path, "purchase " + std::to_string(ids.size()) + " is not a product id");
		if (!seen.insert(entry->valuestring).second)
			JSONFile::fail(path, std::string("id \"") + entry->valuestring + "\" is listed twice");
		ids.push_back(entry->valuestring);
	}
	return ids;
}

void LocalStore::recordPurchase(std::string const& id)
{
	std::vector<std::string> ids;
	bool damaged = false;
	try
	{
		ids = readPurchases();
	}
	catch (lang::Throwable const& e)
	{
		lang::Debug::printf("%s\n", e.getMessage().format().c_str());
		damaged = true;
	}
	for (std::string const& known : ids)
	{
		if (known == id)
			return;
	}
	ids.push_back(id);

	JSONPtr document(cJSON_CreateObject());
	cJSON* purchases = cJSON_AddArrayToObject(document.get(), "purchases");
	for (std::string const& known : ids)
		cJSON_AddItemToArray(purchases, cJSON_CreateString(known.c_str()));
	std::string const out = util::printJSON(document.get(), true);
	if (damaged && !JSONFile::setAside(recordPath()))
		JSONFile::fail(recordPath(), "is damaged and could not be moved aside");
	io::AppDataOutputStream stream(RECORD);
	stream.write(out.data(), static_cast<int>(out.size()));
	stream.close();
}

} // pf
