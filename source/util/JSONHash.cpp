#include "JSONHash.h"
#include <cassert>
#include <cstdio>

namespace util
{

namespace
{

/** Continues the h = h * 31 + byte hash over the bytes of text. */
uint32_t feed(uint32_t h, char const* text)
{
	for (; *text; ++text)
		h = h * 31u + static_cast<unsigned char>(*text);
	return h;
}

uint32_t feedNumber(uint32_t h, double v)
{
	char buf[64];
	std::snprintf(buf, sizeof(buf), "%.16g", v);
	return feed(h, buf);
}

} // namespace

JSONHash::JSONHash() :
	m_hash(0)
{
}

uint32_t JSONHash::name(char const* key)
{
	assert(!m_States.empty());
	State& top = m_States.back();
	// Only the elements of a root array arrive without a key while the top
	// state is an object state: name them by position like any array.
	if (top.index == -1 && !key)
		top.index = 0;
	if (top.index == -1)
		return feed(top.path, key);
	return feedNumber(top.path, top.index);
}

void JSONHash::advance()
{
	State& top = m_States.back();
	if (top.index != -1)
		++top.index;
}

void JSONHash::visit(char const* key, char const* value)
{
	m_hash += feed(name(key), value);
	advance();
}

void JSONHash::visit(char const* key, double value)
{
	m_hash += feedNumber(name(key), value);
	advance();
}

void JSONHash::visit(char const* key, bool value)
{
	m_hash += feed(name(key), value ? "true" : "false");
	advance();
}

void JSONHash::visit(char const* key)
{
	name(key);
	advance();
}

void JSONHash::startObject(char const* key)
{
	uint32_t path = name(key);
	m_hash += path;
	advance();
	m_States.push_back(State{path, -1});
}

void JSONHash::endObject()
{
	assert(!m_States.empty());
	m_States.pop_back();
}

void JSONHash::startArray(char const* key)
{
	uint32_t path = name(key);
	m_hash += path;
	m_States.push_back(State{path, 0});
}

void JSONHash::endArray()
{
	assert(!m_States.empty());
	m_States.pop_back();
}

void JSONHash::start()
{
	m_States.push_back(State{0, -1});
}

void JSONHash::end()
{
	assert(!m_States.empty());
	m_States.pop_back();
	assert(m_States.empty());
}

} // util
