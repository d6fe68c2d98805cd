#include "JSONObject.h"
#include "JSONParse.h"
#include <cjson/cJSON.h>

namespace util
{

JSONObject::JSONObject(char const* text) :
	m_owner(true),
	m_item(nullptr)
{
	if (text)
	{
		char const* end = nullptr;
		m_item = parseJSON(text, end);
	}
}

JSONObject::JSONObject(JSONObject&& other) noexcept :
	m_owner(other.m_owner),
	m_item(other.m_item)
{
	other.m_owner = false;
	other.m_item = nullptr;
}

JSONObject& JSONObject::operator=(JSONObject&& other) noexcept
{
	if (this != &other)
	{
		if (m_owner && m_item)
			cJSON_Delete(m_item);
		m_owner = other.m_owner;
		m_item = other.m_item;
		other.m_owner = false;
		other.m_item = nullptr;
	}
	return *this;
}

JSONObject::~JSONObject()
{
	if (m_owner && m_item)
		cJSON_Delete(m_item);
}

cJSON* JSONObject::member(char const* key) const
{
	if (!m_item || !key || !cJSON_IsObject(m_item))
		return nullptr;
	return cJSON_GetObjectItem(m_item, key);
}

int JSONObject::getInt(char const* key, int def) const
{
	cJSON* m = member(key);
	if (m && cJSON_IsNumber(m))
		return m->valueint;
	return def;
}

char const* JSONObject::getString(char const* key) const
{
	cJSON* m = member(key);
	if (m && cJSON_IsString(m))
		return m->valuestring;
	return nullptr;
}

JSONObject JSONObject::getObject(char const* key) const
{
	return JSONObject(false, member(key));
}

} // util
