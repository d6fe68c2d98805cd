#pragma once

#include "Converter.h"

namespace lang
{

/**
 * Decodes and encodes single code points in ASCII, UTF-8, UTF-16 and UTF-32.
 * Decoding is lenient: UTF-8 continuation bytes are not checked, overlong
 * forms and surrogate values are accepted, and a UTF-16 high surrogate is
 * combined with whatever unit follows it. Encoding refuses negative values
 * (except in UTF-32, which stores any 32-bit value as it is) and, in UTF-16,
 * values above 0x10FFFF that a surrogate pair cannot carry.
 */
class UTFConverter : public Converter
{
public:
	enum EncodingType
	{
		/** One byte; decoding takes any byte, encoding only 0 to 127. */
		ENCODING_ASCII = 1,
		/** UTF-8, 1 to 4 bytes. */
		ENCODING_UTF8 = 2,
		/** UTF-16 in the machine's byte order (little-endian). */
		ENCODING_UTF16 = 3,
		/** UTF-16, big-endian units. */
		ENCODING_UTF16BE = 4,
		/** UTF-16, little-endian units. */
		ENCODING_UTF16LE = 5,
		/** UTF-32 in the machine's byte order (little-endian). */
		ENCODING_UTF32 = 6,
		/** UTF-32, big-endian. */
		ENCODING_UTF32BE = 7,
		/** UTF-32, little-endian. */
		ENCODING_UTF32LE = 8,
	};

	/** Machine-order encodings are replaced by their explicit forms. */
	explicit UTFConverter(EncodingType type);

	bool decode(void const* begin, void const* end, int* consumed, int* codepoint) const override;
	bool encode(void* begin, void* end, int* written, int codepoint) const override;

private:
	EncodingType m_type;
};

} // lang
