#include "JSONExporter.h"
#include <util/JSONPrint.h>
#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace lua
{

namespace
{

std::string stringText(char const* s)
{
	std::string out = "\"";
	JSONExporter::backslashEscape(s, out);
	out += '"';
	return out;
}

/** The project's JSON number text: no precision is lost; null for values JSON cannot hold. */
std::string numberText(double v)
{
	return util::jsonNumber(v);
}

} // namespace

JSONExporter::JSONExporter()
{
}

void JSONExporter::backslashEscape(char const* s, std::string& out)
{
	static char const hex[] = "0123456789abcdef";
	for (; *s; ++s)
	{
		unsigned char c = static_cast<unsigned char>(*s);
		switch (c)
		{
		case '"': out += "\\\""; break;
		case '\\': out += "\\\\"; break;
		case '/': out += "\\/"; break;
		case '\b': out += "\\b"; break;
		case '\t': out += "\\t"; break;
		case '\n': out += "\\n"; break;
		case '\f': out += "\\f"; break;
		case '\r': out += "\\r"; break;
		default:
			if (c < 32)
			{
				out += "\\u00";
				out += hex[c >> 4];
				out += hex[c & 15];
			}
			else
			{
				out += static_cast<char>(c);
			}
			break;
		}
	}
}

void JSONExporter::addKeyed(char const* key, std::string const& value)
{
	Member m;
	backslashEscape(key ? key : "", m.key);
	m.index = 0;
	m.indexed = false;
	m.value = value;
	m_currentState.members.push_back(std::move(m));
}

void JSONExporter::addIndexed(int index, std::string const& value)
{
	Member m;
	m.index = index;
	m.indexed = true;
	m.value = value;
	m_currentState.members.push_back(std::move(m));
	m_currentState.lastIndex = index;
}

void JSONExporter::visit(char const* key, char const* value)
{
	addKeyed(key, stringText(value ? value : ""));
}

void JSONExporter::visit(char const* key, double value)
{
	addKeyed(key, numberText(value));
}

void JSONExporter::visit(char const* key, bool value)
{
	addKeyed(key, value ? "true" : "false");
}

void JSONExporter::visit(char const*)
{
}

void JSONExporter::visit(int index, char const* value)
{
	addIndexed(index, stringText(value ? value : ""));
}

void JSONExporter::visit(int index, double value)
{
	addIndexed(index, numberText(value));
}

void JSONExporter::visit(int index, bool value)
{
	addIndexed(index, value ? "true" : "false");
}

void JSONExporter::visit(int)
{
}

void JSONExporter::openTable(char const* key)
{
	// A table under an unknown index goes after the last index written.
	if (!key)
	{
		openTable(m_currentState.lastIndex + 1);
		return;
	}
	State& parent = m_currentState;
	parent.pendingIndexed = false;
	parent.pendingKey = key;
	parent.pendingIndex = 0;
	m_states.push_back(std::move(m_currentState));
	m_currentState = State();
}

void JSONExporter::openTable(int index)
{
	State& parent = m_currentState;
	parent.pendingIndexed = true;
	parent.pendingKey.clear();
	parent.pendingIndex = index;
	m_states.push_back(std::move(m_currentState));
	m_currentState = State();
}

void JSONExporter::closeTable()
{
	assert(!m_states.empty());
	std::string text = render(m_currentState);
	m_currentState = std::move(m_states.back());
	m_states.pop_back();
	if (m_currentState.pendingIndexed)
		addIndexed(m_currentState.pendingIndex, text);
	else
		addKeyed(m_currentState.pendingKey.c_str(), text);
}

void JSONExporter::start()
{
	// Leftovers of a walk that was cut short by an exception are dropped.
	m_json.clear();
	m_states.clear();
	m_currentState = State();
}

void JSONExporter::end()
{
	assert(m_states.empty());
	m_json = render(m_currentState);
	m_currentState = State();
}

std::string JSONExporter::render(State const& state)
{
	if (state.members.empty())
		return "{}";

	// A table whose values sit exactly under 1..n is an array, whatever
	// order the walk met them in; its elements are written by index.
	std::vector<Member const*> order;
	order.reserve(state.members.size());
	bool array = true;
	for (Member const& m : state.members)
	{
		array = array && m.indexed && m.index >= 1 && static_cast<size_t>(m.index) <= state.members.size();
		order.push_back(&m);
	}
	if (array)
	{
		std::sort(order.begin(), order.end(), [](Member const* a, Member const* b) { return a->index < b->index; });
		for (size_t k = 0; k < order.size() && array; ++k)
			array = static_cast<size_t>(order[k]->index) == k + 1;
		if (!array)
		{
			for (size_t k = 0; k < order.size(); ++k)
				order[k] = &state.members[k];
		}
	}

	std::string out(1, array ? '[' : '{');
	for (size_t k = 0; k < order.size(); ++k)
	{
		Member const& m = *order[k];
		if (k > 0)
			out += ',';
		if (!array)
		{
			out += '"';
			out += m.indexed ? std::to_string(m.index) : m.key;
			out += "\":";
		}
		out += m.value;
	}
	out += array ? ']' : '}';
	return out;
}

} // lua
