#pragma once

#include <lang/Object.h>
#include <string>

namespace io
{
class InputStream;
class OutputStream;
}

namespace lua
{

class LuaState;

/**
 * Receives the values of a table walk (LuaTable::traverse). Keys are either
 * strings (fields) or integer indices (array items and other number keys);
 * a nested table is announced by openTable (key null when the table sits
 * under an index), followed by its own values and closeTable.
 */
class LuaTableVisitor
{
public:
	virtual ~LuaTableVisitor() {}

	/** String value under a string key. */
	virtual void visit(char const* key, char const* value) = 0;

	/** Number value under a string key. */
	virtual void visit(char const* key, double value) = 0;

	/** Boolean value under a string key. */
	virtual void visit(char const* key, bool value) = 0;

	/** Nil value under a string key (a walk never produces it). */
	virtual void visit(char const* key) = 0;

	/** String value under an index. */
	virtual void visit(int index, char const* value) = 0;

	/** Number value under an index. */
	virtual void visit(int index, double value) = 0;

	/** Boolean value under an index. */
	virtual void visit(int index, bool value) = 0;

	/** Nil value under an index (a walk never produces it). */
	virtual void visit(int index) = 0;

	/** A nested table starts; key is null when it sits under an index. */
	virtual void openTable(char const* key) = 0;

	/** The nested table opened last ends. */
	virtual void closeTable() = 0;

	/** The walk starts. */
	virtual void start() = 0;

	/** The walk ends. */
	virtual void end() = 0;

	/**
	 * A nested table starts under an index. By default the same as
	 * openTable(nullptr); visitors that need the position override it.
	 */
	virtual void openTable(int index)
	{
		(void)index;
		openTable(static_cast<char const*>(nullptr));
	}
};

/**
 * Handle on one Lua table, kept alive through a registry reference.
 * Every copy holds its own reference. Gets and sets are raw (metatables are
 * never consulted) and leave the Lua stack as they found it.
 * All handles made on a LuaState must be destroyed before the state.
 */
class LuaTable : public lang::Object
{
public:
	/** Empty handle: no state, no table. */
	LuaTable();

	/** A new empty table on luastate; an empty handle when luastate is null. */
	explicit LuaTable(LuaState* luastate);

	/** Takes its own reference to other's table (none when other is empty). */
	LuaTable(LuaTable const& other);

	/** Refers to other's table (self-assignment safe). */
	LuaTable& operator=(LuaTable const& other);

	/** Releases the reference. */
	~LuaTable() override;

	/** t[k] = nil. */
	void remove(int index);
	void remove(std::string const& key);
	void remove(char const* key);

	/** t[k] = string (std::string keeps embedded zero bytes). */
	void setString(int index, std::string const& value);
	void setString(int index, char const* value);
	void setString(char const* key, std::string const& value);
	void setString(char const* key, char const* value);

	/** t[k] = number. */
	void setNumber(int index, float value);
	void setNumber(char const* key, float value);

	/** t[k] = boolean. */
	void setBoolean(int index, bool value);
	void setBoolean(std::string const& key, bool value);
	void setBoolean(char const* key, bool value);

	/** t[index] = the other table, nil when it holds no reference. */
	void setTable(int index, LuaTable const& value);

	/** t[key] = the other table, which must hold a reference. */
	void setTable(std::string const& key, LuaTable const& value);
	void setTable(char const* key, LuaTable const& value);

	/** t[key] = the other table, nil for null or a handle without reference. */
	void setTable(std::string const& key, LuaTable const* value);
	void setTable(char const* key, LuaTable const* value);

	/**
	 * The value as text when it is a string or a number (numbers in the
	 * interpreter's own format), else the empty string.
	 */
	std::string getString(char const* key) const;
	std::string getString(int index) const;

	/** The value when it is a number or a numeric string, else 0. */
	float getNumber(std::string const& key) const;
	float getNumber(char const* key) const;
	float getNumber(int index) const;

	/** False for nil and false, true for every other value. */
	bool getBoolean(char const* key) const;

	/**
	 * A new handle on the nested table.
	 * @exception LuaException When the value is not a table.
	 */
	LuaTable getTable(std::string const& key) const;
	LuaTable getTable(char const* key) const;
	LuaTable getTable(int index) const;

	/** The value is nil. */
	bool isNil(char const* key) const;
	bool isNil(int index) const;

	/** The value is a string or a number. */
	bool isString(char const* key) const;
	bool isString(int index) const;

	/** The value is a number or a numeric string. */
	bool isNumber(char const* key) const;
	bool isNumber(std::string const& key) const;
	bool isNumber(int index) const;

	/** The value is a table. */
	bool isTable(char const* key) const;
	bool isTable(std::string const& key) const;
	bool isTable(int index) const;

	/** The value is a boolean. */
	bool isBoolean(char const* key) const;

	/** Pushes t[key] (raw); the pushed value is left on the stack. */
	void pushMember(char const* key) const;

	/** Number of key/value pairs. */
	int size() const;

	/**
	 * Walks the table: visitor.start(), every value reachable from it in the
	 * interpreter's iteration order, visitor.end(). Keys "_G" are skipped;
	 * values other than strings, numbers, booleans and tables are skipped; a
	 * table already being walked further up (a cycle) is not walked again.
	 * @exception LuaException For a key that is neither a string nor a number.
	 */
	void traverse(LuaTableVisitor& visitor) const;

	/**
	 * Writes the table as Lua table text: top level (nested false) as
	 * assignment lines, nested tables (nested true) as constructor contents
	 * at the given indentation width.
	 */
	void write(io::OutputStream& out, int indent, bool nested) const;

	/**
	 * Writes the value at stack slot index in the table text's value syntax;
	 * a table is written with its contents at indent + 4.
	 */
	void writeValue(io::OutputStream& out, int index, int indent) const;

	/**
	 * Reads Lua table text: runs the stream as a chunk whose environment is
	 * a fresh table of its own, so each assignment of the text sets a field
	 * there and the text reaches nothing else (not this table's entries,
	 * no library), then copies the fields it set into this table (raw, so
	 * this table's metatable plays no part). A text that fails changes
	 * nothing here. Precompiled chunks are refused.
	 * The text comes from files, so its compilation and run are bounded: at
	 * most 100,000,000 instructions, 256 MiB of memory growth and 5 seconds
	 * (LuaBudget); the state is unbounded again afterwards.
	 * @exception LuaException When the text does not compile or fails to run;
	 *            "Error while reading Lua table text {0}: ..." (the stream's
	 *            name) when it exceeds a bound.
	 */
	void read(io::InputStream& in);

	/** The state the table lives in; null for an empty handle. */
	LuaState* getLuaState() const { return m_luastate; }

	/** True when the handle refers to a table. */
	bool hasReference() const { return m_ref >= 0; }

protected:
	LuaState* m_luastate;
	/** Registry reference of the table; -1 when the handle refers to no table. */
	int m_ref;

private:
	friend class LuaState;
};

} // lua
