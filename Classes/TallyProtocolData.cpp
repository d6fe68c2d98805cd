#include "TallyProtocolData.h"
#include <lang/Exception.h>
#include <cstring>

namespace
{

/**
 * Decodes one code point of valid UTF-8 at text[pos], answering its byte
 * length, or 0 when the bytes there are not a valid sequence (overlong
 * forms, surrogates and values above 0x10FFFF included).
 */
size_t validSequence(std::string const& text, size_t pos, uint32_t& codepoint)
{
	unsigned char c = static_cast<unsigned char>(text[pos]);
	size_t length;
	uint32_t min;
	if (c < 0x80)
	{
		codepoint = c;
		return 1;
	}
	if (c >= 0xC2 && c <= 0xDF)
	{
		length = 2;
		codepoint = c & 0x1F;
		min = 0x80;
	}
	else if (c >= 0xE0 && c <= 0xEF)
	{
		length = 3;
		codepoint = c & 0x0F;
		min = 0x800;
	}
	else if (c >= 0xF0 && c <= 0xF4)
	{
		length = 4;
		codepoint = c & 0x07;
		min = 0x10000;
	}
	else
		return 0;
	if (pos + length > text.size())
		return 0;
	for (size_t k = 1; k < length; ++k)
	{
		unsigned char d = static_cast<unsigned char>(text[pos + k]);
		if ((d & 0xC0) != 0x80)
			return 0;
		codepoint = (codepoint << 6) | (d & 0x3F);
	}
	if (codepoint < min || codepoint > 0x10FFFF || (codepoint >= 0xD800 && codepoint <= 0xDFFF))
		return 0;
	return length;
}

char const REPLACEMENT[] = "\xEF\xBF\xBD";

} // namespace

void TallyProtocolData::appendFloat(float value, std::string& data)
{
	uint32_t bits;
	memcpy(&bits, &value, sizeof(bits));
	appendInt(static_cast<int32_t>(bits), data);
}

void TallyProtocolData::appendDouble(double value, std::string& data)
{
	uint64_t bits;
	memcpy(&bits, &value, sizeof(bits));
	appendLong(static_cast<int64_t>(bits), data);
}

void TallyProtocolData::appendLimitedString(std::string const& text, std::string& data)
{
	std::string limited = limitStringLength(text);
	// At most 255 units of at most 3 bytes: the count always fits.
	appendUshort(static_cast<uint16_t>(limited.size()), data);
	data += limited;
}

void TallyProtocolData::appendTinyData(std::string const& run, std::string& data)
{
	size_t n = run.size() % 256;
	appendByte(static_cast<uint8_t>(n), data);
	data.append(run, 0, n);
}

void TallyProtocolData::appendShortData(std::string const& run, std::string& data)
{
	if (run.size() > 65535)
		lang::throwError(lang::Exception(lang::Format("Data run of {0} bytes is too long for a 16-bit count", static_cast<double>(run.size()))));
	appendUshort(static_cast<uint16_t>(run.size()), data);
	data += run;
}

std::string TallyProtocolData::limitStringLength(std::string const& text)
{
	std::string clean;
	clean.reserve(text.size());
	// Offset in clean after each whole code point, with the units so far.
	size_t units = 0;
	size_t cutAt = std::string::npos;
	for (size_t pos = 0; pos < text.size();)
	{
		uint32_t codepoint = 0;
		size_t length = validSequence(text, pos, codepoint);
		size_t unitsHere = codepoint >= 0x10000 && length ? 2 : 1;
		if (units + unitsHere > 255 && cutAt == std::string::npos)
			cutAt = clean.size();
		units += unitsHere;
		if (length)
		{
			clean.append(text, pos, length);
			pos += length;
		}
		else
		{
			clean += REPLACEMENT;
			++pos;
		}
	}
	if (units >= 256 && cutAt != std::string::npos)
		clean.resize(cutAt);
	return clean;
}

long TallyProtocolData::utf16Length(std::string const& text)
{
	long units = 0;
	for (size_t pos = 0; pos < text.size();)
	{
		uint32_t codepoint = 0;
		size_t length = validSequence(text, pos, codepoint);
		if (!length)
			return -1;
		units += codepoint >= 0x10000 ? 2 : 1;
		pos += length;
	}
	return units;
}

int64_t TallyProtocolData::timeIntervalFrom(TallyOptionalDate from, TallyOptionalDate to)
{
	if (!from || !to)
		return 0;
	// Saturating difference: dates from archives may lie anywhere in 64 bits.
	int64_t diff;
	if (__builtin_sub_overflow(*to, *from, &diff))
		diff = *to > *from ? INT64_MAX : INT64_MIN;
	return diff / 1000;
}
