#pragma once

#include "Object.h"

namespace lang
{

/** Converts one code point at a time between code points and bytes. */
class Converter : public Object
{
public:
	/**
	 * Reads one code point from the bytes [begin, end).
	 * @param consumed Receives the number of bytes used (also on failure:
	 *        the number of bytes to skip before trying again, 0 when there
	 *        were not enough bytes).
	 * @param codepoint Receives the code point on success.
	 * @return True when a code point was decoded.
	 */
	virtual bool decode(void const* begin, void const* end, int* consumed, int* codepoint) const = 0;

	/**
	 * Writes one code point into the bytes [begin, end).
	 * @param written Receives the number of bytes written (0 on failure).
	 * @return False when the code point cannot be encoded or does not fit.
	 */
	virtual bool encode(void* begin, void* end, int* written, int codepoint) const = 0;
};

} // lang
