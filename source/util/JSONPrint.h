#pragma once

#include <string>

struct cJSON;

namespace util
{

/**
 * The project's one way of writing a number as JSON text: the shortest text
 * that reads back as the same double, bit for bit (-0 as "-0"); "null" for
 * NaN and the infinities, which JSON cannot hold.
 */
std::string jsonNumber(double value);

/**
 * Prints the tree (which stays as it is) as JSON text with every number
 * written by jsonNumber; formatted gives the JSON library's indented
 * layout, otherwise the text has no white space.
 * @exception std::bad_alloc When memory runs out.
 */
std::string printJSON(cJSON const* item, bool formatted);

} // util
