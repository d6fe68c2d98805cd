#include "JSONPrint.h"
#include <cjson/cJSON.h>
#include <charconv>
#include <cmath>
#include <memory>
#include <new>

namespace util
{

namespace
{

struct JSONFree
{
	void operator()(cJSON* item) const { cJSON_Delete(item); }
};

/**
 * Turns every number below item into a raw item holding its exact text
 * (the library's own printer keeps only 15 significant digits). False when
 * memory runs out.
 */
bool rawNumbers(cJSON* item)
{
	for (; item; item = item->next)
	{
		if (cJSON_IsNumber(item))
		{
			// A raw item made by the library, so that its text is freed by the library.
			std::unique_ptr<cJSON, JSONFree> raw(cJSON_CreateRaw(jsonNumber(item->valuedouble).c_str()));
			if (!raw)
				return false;
			item->valuestring = raw->valuestring;
			raw->valuestring = nullptr;
			item->type = cJSON_Raw;
		}
		else if (!rawNumbers(item->child))
		{
			return false;
		}
	}
	return true;
}

} // namespace

std::string jsonNumber(double value)
{
	if (!std::isfinite(value))
		return "null";
	char text[64];
	return std::string(text, std::to_chars(text, text + sizeof(text), value).ptr);
}

std::string printJSON(cJSON const* item, bool formatted)
{
	if (!item)
		return "";
	// A copy: the caller's tree stays as it is (and may share parts with others).
	std::unique_ptr<cJSON, JSONFree> copy(cJSON_Duplicate(item, true));
	if (!copy)
		throw std::bad_alloc();
	// The copy is the item alone, without the items after it in its list.
	if (!rawNumbers(copy.get()))
		throw std::bad_alloc();
	std::unique_ptr<char, void (*)(void*)> text(formatted ? cJSON_Print(copy.get()) : cJSON_PrintUnformatted(copy.get()), cJSON_free);
	if (!text)
		throw std::bad_alloc();
	return text.get();
}

} // util
