#include "JSONParse.h"
#include <cjson/cJSON.h>
#include <mutex>

namespace util
{

cJSON* parseJSON(char const* text, char const*& end)
{
	static std::mutex parseMutex;
	std::lock_guard<std::mutex> lock(parseMutex);
	end = nullptr;
	return cJSON_ParseWithOpts(text, &end, 0);
}

} // util
