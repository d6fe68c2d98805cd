#pragma once

#include "LuaTable.h"
#include <util/JSONVisitor.h>
#include <deque>
#include <memory>

namespace lua
{

/**
 * Fills a Lua table from a JSON document; use it as the visitor of
 * util::traverseJSON. The document's members are set (raw) in the target
 * table: objects become tables with the same keys, arrays tables with the
 * keys 1..n, null removes the key (in arrays it leaves the position empty).
 * A document whose root is an array fills the target under 1..n.
 */
class JSONImporter : public util::JSONVisitor
{
public:
	/** Fills table, which must hold a reference and outlive the importer. */
	explicit JSONImporter(LuaTable& table);
	~JSONImporter() override;

	void visit(char const* key, char const* value) override;
	void visit(char const* key, double value) override;
	void visit(char const* key, bool value) override;
	void visit(char const* key) override;
	void startObject(char const* key) override;
	void endObject() override;
	void startArray(char const* key) override;
	void endArray() override;
	void start() override;
	void end() override;

private:
	/** A table being filled. */
	struct State
	{
		LuaTable* table;
		std::unique_ptr<LuaTable> owned; // null for the target itself
		int index;                       // -1 in an object, else the next array index
	};

	std::deque<State> m_stack;
	LuaTable& m_table;

	/** The top state, with the root turned into an array state at a first keyless value. */
	State& top(char const* key);
	void openTable(char const* key, int index);

	JSONImporter(JSONImporter const&) = delete;
	JSONImporter& operator=(JSONImporter const&) = delete;
};

} // lua
