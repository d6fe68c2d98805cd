#pragma once

#include "LuaTable.h"
#include <deque>
#include <string>
#include <vector>

namespace lua
{

/**
 * Builds compact JSON text from a Lua table; use it as the visitor of
 * LuaTable::traverse, then read getJSON().
 *
 * A table whose values all sit under the indices 1, 2, 3 ... (met in any
 * order) becomes a JSON array in index order; any other non-empty table
 * becomes an object whose names are the string keys and the indices written
 * in decimal, in the walk's order. An empty table is {}. Numbers that are
 * not finite become null. Strings are written byte for byte except for the
 * escapes of quote, backslash, slash and the control characters.
 *
 * A nested table announced without its index (openTable(nullptr)) is taken
 * to sit at the position after the previous indexed value.
 */
class JSONExporter : public LuaTableVisitor
{
public:
	JSONExporter();

	void visit(char const* key, char const* value) override;
	void visit(char const* key, double value) override;
	void visit(char const* key, bool value) override;
	void visit(char const* key) override;
	void visit(int index, char const* value) override;
	void visit(int index, double value) override;
	void visit(int index, bool value) override;
	void visit(int index) override;
	void openTable(char const* key) override;
	void openTable(int index) override;
	void closeTable() override;
	void start() override;
	void end() override;

	/** The JSON text of the walked table (empty before the walk ends). */
	std::string getJSON() const { return m_json; }

	/** Appends s to out with JSON string escapes. */
	static void backslashEscape(char const* s, std::string& out);

private:
	/** One value written so far in a table. */
	struct Member
	{
		std::string key;   // the escaped string key; empty when indexed
		int index;         // the index, or 0 under a string key
		bool indexed;
		std::string value; // the value's JSON text
	};

	/** A table being written. */
	struct State
	{
		std::vector<Member> members;
		std::string pendingKey; // key of the nested table opened last
		bool pendingIndexed = false;
		int pendingIndex = 0;
		int lastIndex = 0; // the last index written (0 before any)
	};

	std::string m_json;
	std::deque<State> m_states;
	State m_currentState;

	void addKeyed(char const* key, std::string const& value);
	void addIndexed(int index, std::string const& value);
	static std::string render(State const& state);
};

} // lua
