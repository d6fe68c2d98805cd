#pragma once

struct cJSON;

namespace util
{

/**
 * Receives the items of a JSON document, in document order, from
 * traverseJSON. Keys are the member names; they are null for array elements.
 */
class JSONVisitor
{
public:
	virtual ~JSONVisitor() {}

	/** A string value. */
	virtual void visit(char const* key, char const* value) = 0;

	/** A number value. */
	virtual void visit(char const* key, double value) = 0;

	/** A true or false value. */
	virtual void visit(char const* key, bool value) = 0;

	/** A null value. */
	virtual void visit(char const* key) = 0;

	/** An object begins; its members follow, then endObject. */
	virtual void startObject(char const* key) = 0;

	/** The innermost open object ends. */
	virtual void endObject() = 0;

	/** An array begins; its elements follow (with null keys), then endArray. */
	virtual void startArray(char const* key) = 0;

	/** The innermost open array ends. */
	virtual void endArray() = 0;

	/** Called once before the first item of a document. */
	virtual void start() = 0;

	/** Called once after the last item of a document. */
	virtual void end() = 0;
};

/**
 * Parses text and reports the members of the document's root (not the root
 * itself) to visitor, between its start() and end(). Does nothing for a null
 * text. The parse tree is freed also when the visitor throws.
 * @exception lang::Exception "JSON parsing failed here: ..." with the rest of
 *            the text from where parsing stopped; the visitor is not called.
 */
void traverseJSON(char const* text, JSONVisitor& visitor);

/**
 * Reports item and its following siblings, in list order, descending into
 * arrays and objects.
 */
void traverseJSONItem(cJSON* item, JSONVisitor& visitor);

} // util
