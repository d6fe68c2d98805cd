#include "TallyArchiver.h"
#include <util/BaseN.h>
#include <util/JSONPrint.h>
#include <cjson/cJSON.h>
#include <cmath>
#include <cstdlib>
#include <new>

namespace
{

/** Never destroyed: send threads may still archive while the process exits. */
util::BaseN<3, 4> const& base64()
{
	static util::BaseN<3, 4> const* const s_codec = new util::BaseN<3, 4>("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/");
	return *s_codec;
}

cJSON* checked(cJSON* node)
{
	if (!node)
		throw std::bad_alloc();
	return node;
}

} // namespace

std::string tallyBase64Encode(std::string const& bytes)
{
	return base64().encode(bytes);
}

std::optional<std::string> tallyBase64Decode(std::string const& text)
{
	// Checked first, so damaged archives do not raise (and log) an exception each.
	for (char c : text)
	{
		bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' || c == '/' || c == '=';
		if (!ok)
			return std::nullopt;
	}
	return base64().decode(text);
}

TallyArchiver::TallyArchiver(bool list) : m_node(checked(list ? cJSON_CreateArray() : cJSON_CreateObject())) {}

TallyArchiver::~TallyArchiver()
{
	cJSON_Delete(m_node);
}

TallyArchiver::TallyArchiver(TallyArchiver&& other) noexcept : m_node(other.m_node)
{
	other.m_node = nullptr;
}

void TallyArchiver::add(char const* key, cJSON* value)
{
	checked(value);
	if (cJSON_IsArray(m_node))
		cJSON_AddItemToArray(m_node, value);
	else
		cJSON_AddItemToObject(m_node, key, value);
}

void TallyArchiver::encodeInteger(char const* key, int64_t value)
{
	add(key, cJSON_CreateNumber(static_cast<double>(value)));
}

void TallyArchiver::encodeReal(char const* key, double value)
{
	add(key, std::isfinite(value) ? cJSON_CreateNumber(value) : cJSON_CreateNull());
}

void TallyArchiver::encodeBool(char const* key, bool value)
{
	add(key, cJSON_CreateBool(value));
}

void TallyArchiver::encodeString(char const* key, std::optional<std::string> const& value)
{
	if (value)
		add(key, cJSON_CreateString(value->c_str()));
}

void TallyArchiver::encodeDate(char const* key, TallyOptionalDate value)
{
	if (value)
		encodeInteger(key, *value);
}

void TallyArchiver::encodeData(char const* key, std::string const& bytes)
{
	add(key, cJSON_CreateString(tallyBase64Encode(bytes).c_str()));
}

void TallyArchiver::encodeStringMap(char const* key, std::optional<std::map<std::string, std::string>> const& value)
{
	if (!value)
		return;
	TallyArchiver child;
	for (auto const& [k, v] : *value)
		child.encodeString(k.c_str(), v);
	encodeArchive(key, std::move(child));
}

void TallyArchiver::encodeArchive(char const* key, TallyArchiver&& child)
{
	cJSON* node = child.m_node;
	child.m_node = nullptr;
	add(key, node);
}

std::string TallyArchiver::text() const
{
	return util::printJSON(m_node, false);
}
