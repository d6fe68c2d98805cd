#include "JSONVisitor.h"
#include "JSONParse.h"
#include <lang/Exception.h>
#include <cjson/cJSON.h>
#include <cassert>
#include <memory>

namespace util
{

namespace
{

struct TreeDeleter
{
	void operator()(cJSON* item) const { cJSON_Delete(item); }
};

} // namespace

void traverseJSON(char const* text, JSONVisitor& visitor)
{
	if (!text)
		return;

	char const* end = nullptr;
	std::unique_ptr<cJSON, TreeDeleter> root(parseJSON(text, end));
	if (!root)
		lang::throwError(lang::Exception(lang::Format("JSON parsing failed here: {0}", end ? end : text)));

	visitor.start();
	traverseJSONItem(root->child, visitor);
	visitor.end();
}

void traverseJSONItem(cJSON* item, JSONVisitor& visitor)
{
	for (; item; item = item->next)
	{
		char const* key = item->string;
		switch (item->type & 0xFF)
		{
		case cJSON_False:
			visitor.visit(key, false);
			break;
		case cJSON_True:
			visitor.visit(key, true);
			break;
		case cJSON_NULL:
			visitor.visit(key);
			break;
		case cJSON_Number:
			visitor.visit(key, item->valuedouble);
			break;
		case cJSON_String:
			visitor.visit(key, static_cast<char const*>(item->valuestring));
			break;
		case cJSON_Array:
			visitor.startArray(key);
			traverseJSONItem(item->child, visitor);
			visitor.endArray();
			break;
		case cJSON_Object:
			visitor.startObject(key);
			traverseJSONItem(item->child, visitor);
			visitor.endObject();
			break;
		default:
			assert(!"unexpected JSON item type");
			break;
		}
	}
}

} // util
