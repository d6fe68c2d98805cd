#include "JSONParse.h"
#include <cjson/cJSON.h>
#include <cctype>
#include <mutex>

namespace util
{

namespace
{

/**
 * The first escape of the parsed text [text, end) the library would cut a
 * string at, or null. The library reads "\u" with anything but four hex
 * digits, and "\u0000", as a zero character, which ends its C string: the
 * rest of that string would be lost without a word. In text that parsed,
 * every backslash lies in a string.
 */
char const* cuttingEscape(char const* text, char const* end)
{
	for (char const* at = text; at < end; ++at)
	{
		if (*at != '\\')
			continue;
		if (at + 1 >= end)
			return at;
		if (at[1] == 'u')
		{
			bool zero = true;
			for (int i = 2; i < 6; ++i)
			{
				if (at + i >= end || !std::isxdigit(static_cast<unsigned char>(at[i])))
					return at;
				zero = zero && at[i] == '0';
			}
			if (zero)
				return at;
		}
		++at;
	}
	return nullptr;
}

} // namespace

cJSON* parseJSON(char const* text, char const*& end)
{
	cJSON* root = nullptr;
	{
		// Never destroyed: detached threads may still parse while the process exits.
		static std::mutex* const s_parseMutex = new std::mutex;
		std::lock_guard<std::mutex> lock(*s_parseMutex);
		end = nullptr;
		root = cJSON_ParseWithOpts(text, &end, 0);
	}
	if (root && end)
	{
		if (char const* cut = cuttingEscape(text, end))
		{
			cJSON_Delete(root);
			end = cut;
			return nullptr;
		}
	}
	return root;
}

} // util
