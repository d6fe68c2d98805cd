#include "UTFConverter.h"
#include <stdint.h>

namespace lang
{

namespace
{

bool bigEndian(UTFConverter::EncodingType type)
{
	return type == UTFConverter::ENCODING_UTF16BE || type == UTFConverter::ENCODING_UTF32BE;
}

uint32_t read16(uint8_t const* p, bool be)
{
	return be ? (uint32_t(p[0]) << 8 | p[1]) : (uint32_t(p[1]) << 8 | p[0]);
}

void write16(uint8_t* p, uint32_t v, bool be)
{
	p[be ? 0 : 1] = uint8_t(v >> 8);
	p[be ? 1 : 0] = uint8_t(v);
}

// Number of bytes between begin and end; 0 when end is not after begin.
long available(void const* begin, void const* end)
{
	uint8_t const* b = static_cast<uint8_t const*>(begin);
	uint8_t const* e = static_cast<uint8_t const*>(end);
	return e > b ? e - b : 0;
}

} // namespace

UTFConverter::UTFConverter(EncodingType type) : m_type(type)
{
	if (m_type == ENCODING_UTF16)
		m_type = ENCODING_UTF16LE;
	else if (m_type == ENCODING_UTF32)
		m_type = ENCODING_UTF32LE;
}

bool UTFConverter::decode(void const* begin, void const* end, int* consumed, int* codepoint) const
{
	uint8_t const* p = static_cast<uint8_t const*>(begin);
	long const n = available(begin, end);
	*consumed = 0;

	switch (m_type)
	{
	case ENCODING_ASCII:
		if (n < 1)
			return false;
		*codepoint = p[0];
		*consumed = 1;
		return true;

	case ENCODING_UTF8: {
		if (n < 1)
			return false;
		uint32_t const lead = p[0];
		if (lead < 0x80)
		{
			*codepoint = int(lead);
			*consumed = 1;
			return true;
		}
		*consumed = 1;
		if (lead < 0xC0)
			return false;
		// Continuation bytes: one more than the 1 bits after the first two.
		int k = 1;
		while (k <= 3 && (lead & (0x20u >> (k - 1))))
			++k;
		if (k > 3 || n < k + 1)
			return false;
		uint32_t cp = lead & (0x3Fu >> k);
		for (int j = 1; j <= k; ++j)
			cp = (cp << 6) | (p[j] & 0x3Fu);
		*codepoint = int(cp);
		*consumed = k + 1;
		return true;
	}

	case ENCODING_UTF16BE:
	case ENCODING_UTF16LE: {
		bool const be = bigEndian(m_type);
		if (n < 2)
			return false;
		uint32_t const first = read16(p, be);
		if (first >= 0xD800 && first <= 0xDBFF)
		{
			if (n < 4)
			{
				*consumed = 2;
				return false;
			}
			// The second unit is taken as it is, low surrogate or not.
			uint32_t const second = read16(p + 2, be);
			*codepoint = int(first * 1024 + second - 0x35FDC00);
			*consumed = 4;
			return true;
		}
		*codepoint = int(first);
		*consumed = 2;
		return true;
	}

	case ENCODING_UTF32BE:
	case ENCODING_UTF32LE: {
		if (n < 4)
			return false;
		uint32_t v;
		if (bigEndian(m_type))
			v = uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
		else
			v = uint32_t(p[3]) << 24 | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
		*codepoint = int(v);
		*consumed = 4;
		return true;
	}

	default:
		return false;
	}
}

bool UTFConverter::encode(void* begin, void* end, int* written, int codepoint) const
{
	uint8_t* p = static_cast<uint8_t*>(begin);
	long const room = available(begin, end);
	*written = 0;
	uint32_t const cp = uint32_t(codepoint);
	// UTF-32 carries any 32-bit value as it is; in the other encodings a
	// negative value is no code point and would come out as a wrong unit.
	if (codepoint < 0 && m_type != ENCODING_UTF32BE && m_type != ENCODING_UTF32LE)
		return false;

	switch (m_type)
	{
	case ENCODING_ASCII:
		if (room < 1 || cp > 127)
			return false;
		p[0] = uint8_t(cp);
		*written = 1;
		return true;

	case ENCODING_UTF8: {
		int len;
		if (cp < 0x80)
			len = 1;
		else if (cp < 0x800)
			len = 2;
		else if (cp < 0x10000)
			len = 3;
		else if (cp < 0x200000)
			len = 4;
		else
			return false;
		if (room < len)
			return false;
		if (len == 1)
		{
			p[0] = uint8_t(cp);
		}
		else
		{
			static uint8_t const leads[5] = {0, 0, 0xC0, 0xE0, 0xF0};
			p[0] = uint8_t(leads[len] | (cp >> (6 * (len - 1))));
			for (int j = 1; j < len; ++j)
				p[j] = uint8_t(0x80 | ((cp >> (6 * (len - 1 - j))) & 0x3F));
		}
		*written = len;
		return true;
	}

	case ENCODING_UTF16BE:
	case ENCODING_UTF16LE: {
		bool const be = bigEndian(m_type);
		if (cp < 0x10000)
		{
			if (room < 2)
				return false;
			write16(p, cp, be);
			*written = 2;
			return true;
		}
		// Beyond 0x10FFFF a surrogate pair cannot carry the value.
		if (cp > 0x10FFFF || room < 4)
			return false;
		write16(p, 0xD800 + ((cp - 0x10000) >> 10), be);
		write16(p + 2, 0xDC00 | ((cp - 0x10000) & 0x3FF), be);
		*written = 4;
		return true;
	}

	case ENCODING_UTF32BE:
	case ENCODING_UTF32LE:
		if (room < 4)
			return false;
		if (bigEndian(m_type))
		{
			p[0] = uint8_t(cp >> 24);
			p[1] = uint8_t(cp >> 16);
			p[2] = uint8_t(cp >> 8);
			p[3] = uint8_t(cp);
		}
		else
		{
			p[0] = uint8_t(cp);
			p[1] = uint8_t(cp >> 8);
			p[2] = uint8_t(cp >> 16);
			p[3] = uint8_t(cp >> 24);
		}
		*written = 4;
		return true;

	default:
		return false;
	}
}

} // lang
