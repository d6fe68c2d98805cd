#pragma once

struct cJSON;

namespace util
{

/**
 * Sorts the members of an object by name (byte order), recursing into
 * members that are objects; arrays and their contents are left as they are.
 * Does nothing for a null item or an item that is not an object.
 */
void sortcJSON(cJSON* item);

/**
 * Builds a new item (owned by the caller) holding what changed from a to b.
 * Both documents are sorted in place first (sortcJSON).
 *
 * For two objects the result is an object: a member of b that is new, or
 * whose type changed, appears as is; a member of a that is gone appears as
 * null; numbers and strings that changed appear with b's value; an array
 * that changed in any element or in length appears whole (b's); an object
 * that changed appears as its own difference. Equal documents give {}.
 * When a or b is null, the result is {}.
 *
 * When the two roots are not both objects, the result is {} when they are
 * equal (in the sense above) and otherwise the whole of b.
 *
 * The result refers to parts of b: delete it before b. Deleting it does not
 * delete those parts.
 */
cJSON* diffcJSON(cJSON* a, cJSON* b);

/**
 * Walks two member lists sorted by name (first members i and j, either may
 * be null) together and adds the differences from the first to the second
 * into the object delta.
 */
void iterateThroughPeers(cJSON* i, cJSON* j, cJSON* delta);

/**
 * Adds the difference between two items of the same type to delta: under
 * j's name when delta is an object, appended when delta is an array.
 * Adds nothing when they are equal.
 */
void diffItemValues(cJSON* i, cJSON* j, cJSON* delta);

} // util
