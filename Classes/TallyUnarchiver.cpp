#include "TallyUnarchiver.h"
#include "TallyArchiver.h"
#include <util/JSONParse.h>
#include <cjson/cJSON.h>
#include <cmath>

namespace
{

double const DATE_LIMIT = 9007199254740992.0; // 2^53

/** The document of a whole text: null when it does not parse or anything but blanks (a NUL too) follows. */
std::shared_ptr<cJSON> parseWhole(std::string const& text)
{
	char const* end = nullptr;
	cJSON* root = util::parseJSON(text.c_str(), end);
	if (!root)
		return nullptr;
	std::shared_ptr<cJSON> owned(root, cJSON_Delete);
	size_t used = end ? static_cast<size_t>(end - text.c_str()) : text.size();
	for (size_t i = used; i < text.size(); ++i)
		if (text[i] != ' ' && text[i] != '\n' && text[i] != '\r' && text[i] != '\t')
			return nullptr;
	return owned;
}

/** Whether a number is a date: an integer within ±2^53. */
bool isDate(double d)
{
	return std::isfinite(d) && d == std::floor(d) && d <= DATE_LIMIT && d >= -DATE_LIMIT;
}

} // namespace

TallyArchiveError TallyUnarchiver::error(char const* key, char const* problem)
{
	return TallyArchiveError{std::string("\"") + key + "\" " + problem};
}

TallyUnarchiver TallyUnarchiver::parse(std::string const& text, bool list)
{
	std::shared_ptr<cJSON> root = parseWhole(text);
	if (!root)
		throw TallyArchiveError{"not a whole JSON document"};
	if (list ? !cJSON_IsArray(root.get()) : !cJSON_IsObject(root.get()))
		throw TallyArchiveError{list ? "not a list" : "not an object"};
	return TallyUnarchiver(root, root.get());
}

cJSON const* TallyUnarchiver::item(char const* key) const
{
	if (!*key)
		return m_node;
	if (!cJSON_IsObject(m_node))
		return nullptr;
	return cJSON_GetObjectItemCaseSensitive(m_node, key);
}

bool TallyUnarchiver::contains(char const* key) const
{
	return item(key) != nullptr;
}

int64_t TallyUnarchiver::decodeInteger(char const* key, int64_t min, int64_t max) const
{
	cJSON const* v = item(key);
	if (!v)
		return 0;
	if (!cJSON_IsNumber(v))
		throw error(key, "is not a number");
	double d = v->valuedouble;
	if (!std::isfinite(d) || d != std::floor(d))
		throw error(key, "is not an integer");
	if (d < static_cast<double>(min) || d > static_cast<double>(max) || d >= 9223372036854775808.0 || d < -9223372036854775808.0)
		throw error(key, "is out of range");
	int64_t value = static_cast<int64_t>(d);
	if (value < min || value > max)
		throw error(key, "is out of range");
	return value;
}

double TallyUnarchiver::decodeReal(char const* key) const
{
	cJSON const* v = item(key);
	if (!v || cJSON_IsNull(v))
		return 0.0;
	if (!cJSON_IsNumber(v))
		throw error(key, "is not a number");
	return v->valuedouble;
}

bool TallyUnarchiver::decodeBool(char const* key) const
{
	cJSON const* v = item(key);
	if (!v)
		return false;
	if (!cJSON_IsBool(v))
		throw error(key, "is not a boolean");
	return cJSON_IsTrue(v);
}

std::optional<std::string> TallyUnarchiver::decodeString(char const* key) const
{
	cJSON const* v = item(key);
	if (!v)
		return std::nullopt;
	if (!cJSON_IsString(v) || !v->valuestring)
		throw error(key, "is not a string");
	return std::string(v->valuestring);
}

TallyOptionalDate TallyUnarchiver::decodeDate(char const* key) const
{
	cJSON const* v = item(key);
	if (!v)
		return std::nullopt;
	if (!cJSON_IsNumber(v))
		throw error(key, "is not a date");
	if (!isDate(v->valuedouble))
		throw error(key, "is not a date within range");
	return static_cast<TallyDate>(v->valuedouble);
}

std::optional<std::string> TallyUnarchiver::decodeData(char const* key) const
{
	std::optional<std::string> text = decodeString(key);
	if (!text)
		return std::nullopt;
	std::optional<std::string> bytes = tallyBase64Decode(*text);
	if (!bytes)
		throw error(key, "is not Base64");
	return bytes;
}

std::optional<std::map<std::string, std::string>> TallyUnarchiver::decodeStringMap(char const* key) const
{
	std::optional<TallyUnarchiver> object = decodeObject(key);
	if (!object)
		return std::nullopt;
	std::map<std::string, std::string> out;
	object->forEachKey([&](std::string const& k, TallyUnarchiver const& v) { out.emplace(k, *v.decodeString("")); });
	return out;
}

std::optional<TallyUnarchiver> TallyUnarchiver::decodeObject(char const* key) const
{
	cJSON const* v = item(key);
	if (!v)
		return std::nullopt;
	if (!cJSON_IsObject(v))
		throw error(key, "is not an object");
	return TallyUnarchiver(m_root, v);
}

std::optional<TallyUnarchiver> TallyUnarchiver::decodeList(char const* key) const
{
	cJSON const* v = item(key);
	if (!v)
		return std::nullopt;
	if (!cJSON_IsArray(v))
		throw error(key, "is not a list");
	return TallyUnarchiver(m_root, v);
}

int TallyUnarchiver::count() const
{
	return cJSON_GetArraySize(m_node);
}

void TallyUnarchiver::forEachElement(std::function<void(TallyUnarchiver const&)> const& each) const
{
	for (cJSON const* v = m_node->child; v; v = v->next)
		each(TallyUnarchiver(m_root, v));
}

void TallyUnarchiver::forEachKey(std::function<void(std::string const&, TallyUnarchiver const&)> const& each) const
{
	for (cJSON const* v = m_node->child; v; v = v->next)
	{
		std::string key = v->string ? v->string : "";
		// A repeated key counts once, with its first value.
		if (cJSON_GetObjectItemCaseSensitive(m_node, key.c_str()) != v)
			continue;
		each(key, TallyUnarchiver(m_root, v));
	}
}

TallyOptionalDate tallyParseDate(std::string const& text)
{
	std::shared_ptr<cJSON> root = parseWhole(text);
	if (!root || !cJSON_IsNumber(root.get()) || !isDate(root->valuedouble))
		return std::nullopt;
	return static_cast<TallyDate>(root->valuedouble);
}
