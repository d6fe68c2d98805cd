#pragma once

#include "JSONVisitor.h"
#include <cstdint>
#include <deque>

namespace util
{

/**
 * Reduces a JSON document to a 32-bit hash that does not depend on the order
 * of object members; array positions do count.
 *
 * Every value contributes the text path + name + value (numbers printed with
 * "%.16g", booleans as "true"/"false", nulls nothing); every object and array
 * contributes path + name and becomes the path of its items. A name is the
 * member key, or inside an array the element position. The contributions are
 * hashed with h = h * 31 + byte and summed, all modulo 2^32. An array that
 * sits directly in an array does not advance the position, so it and the
 * element after it share a position text.
 *
 * Use with traverseJSON; for a document whose root is an array the elements
 * are named by position as in any other array.
 */
class JSONHash : public JSONVisitor
{
public:
	JSONHash();

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

	/** The hash of the items visited so far. */
	uint32_t getHash() const { return m_hash; }

private:
	/**
	 * An open object or array. The path is kept as the hash of its text:
	 * hashing continues from there over the following bytes exactly as over
	 * the whole text, and deep documents do not pile up long path copies.
	 */
	struct State
	{
		uint32_t path;
		int index; // -1 in an object, else the position of the next element
	};

	uint32_t m_hash;
	std::deque<State> m_States;

	/** The hash of the top path followed by the item's name text. */
	uint32_t name(char const* key);
	void advance();
};

} // util
