#pragma once

#include <TallyDate.h>
#include <cstdint>
#include <string>

/**
 * The wire primitives of the report: each appends one value, big-endian,
 * to the end of a byte buffer (a std::string used as bytes), with no gap
 * or alignment. All are class operations without state: thread-safe on
 * distinct buffers.
 */
class TallyProtocolData
{
public:
	/** 1 byte, 0 or 1. */
	static void appendBoolean(bool value, std::string& data);
	/** 1 byte. */
	static void appendByte(uint8_t value, std::string& data);
	/** 2 bytes, unsigned. */
	static void appendUshort(uint16_t value, std::string& data);
	/** 4 bytes, two's complement. */
	static void appendInt(int32_t value, std::string& data);
	/** 8 bytes, two's complement. */
	static void appendLong(int64_t value, std::string& data);
	/** 4 bytes, IEEE 754 binary32. */
	static void appendFloat(float value, std::string& data);
	/** 8 bytes, IEEE 754 binary64. */
	static void appendDouble(double value, std::string& data);

	/**
	 * 8 bytes: the date in milliseconds since 1970 (microseconds divided by
	 * 1000, truncated toward zero); none gives 0.
	 */
	static void appendTimestamp(TallyOptionalDate date, std::string& data);

	/**
	 * The text after limitStringLength(): a 2-byte count of its UTF-8 bytes,
	 * then the bytes. An empty text (the form of none) gives the count 0.
	 */
	static void appendString(std::string const& text, std::string& data);

	/** 1 byte: the run's length modulo 256 (n), then the first n bytes of the run. */
	static void appendTinyData(std::string const& run, std::string& data);

	/**
	 * 2 bytes: the run's length, then the run.
	 * @exception lang::Exception "Data run of {0} bytes is too long for a 16-bit count"
	 *            for runs over 65535 bytes; nothing is appended then.
	 */
	static void appendShortData(std::string const& run, std::string& data);

	/**
	 * The text as valid UTF-8 of at most 255 UTF-16 units: a text of 256 or
	 * more units keeps its first 255, one less when the 255th would be the
	 * first half of a pair, so no code point is split. A byte that does not
	 * begin a valid UTF-8 sequence becomes U+FFFD.
	 */
	static std::string limitStringLength(std::string const& text);

	/** The number of UTF-16 units of UTF-8 text; -1 when it is not valid UTF-8. */
	static long utf16Length(std::string const& text);

	/**
	 * Milliseconds from one date to another, truncated toward zero (negative
	 * when to is earlier); 0 when either is none.
	 */
	static int64_t timeIntervalFrom(TallyOptionalDate from, TallyOptionalDate to);

private:
	/** appendString() of a text that is not short ASCII. */
	static void appendLimitedString(std::string const& text, std::string& data);

	/** Appends the low bytes of value, most significant first. */
	template <int BYTES>
	static void appendBigEndian(uint64_t value, std::string& data)
	{
		char buf[BYTES];
		for (int i = BYTES - 1; i >= 0; --i)
		{
			buf[i] = static_cast<char>(value & 0xFF);
			value >>= 8;
		}
		data.append(buf, BYTES);
	}
};

// The fixed-width primitives are inline: the report writes many thousands of them.

inline void TallyProtocolData::appendBoolean(bool value, std::string& data)
{
	data += static_cast<char>(value ? 1 : 0);
}

inline void TallyProtocolData::appendByte(uint8_t value, std::string& data)
{
	data += static_cast<char>(value);
}

inline void TallyProtocolData::appendUshort(uint16_t value, std::string& data)
{
	appendBigEndian<2>(value, data);
}

inline void TallyProtocolData::appendInt(int32_t value, std::string& data)
{
	appendBigEndian<4>(static_cast<uint32_t>(value), data);
}

inline void TallyProtocolData::appendLong(int64_t value, std::string& data)
{
	appendBigEndian<8>(static_cast<uint64_t>(value), data);
}

// Inlined wherever it is called: the report writes several texts per
// event, and whether the compiler inlines it otherwise depends on which
// sources share its unit in the unity build.
[[gnu::always_inline]] inline void TallyProtocolData::appendString(std::string const& text, std::string& data)
{
	// Short ASCII texts, the common case, go out as they are.
	size_t n = text.size();
	bool plain = n < 256;
	unsigned char high = 0;
	for (size_t i = 0; plain && i < n; ++i)
		high |= static_cast<unsigned char>(text[i]);
	if (!plain || (high & 0x80))
	{
		appendLimitedString(text, data);
		return;
	}
	appendUshort(static_cast<uint16_t>(n), data);
	data += text;
}

inline void TallyProtocolData::appendTimestamp(TallyOptionalDate date, std::string& data)
{
	appendLong(date ? *date / 1000 : 0, data);
}
