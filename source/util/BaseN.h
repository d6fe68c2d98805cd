#pragma once

#include <lang/Exception.h>
#include <cassert>
#include <cstdint>
#include <string>

namespace util
{

/**
 * Maps blocks of D bytes to blocks of E characters of an alphabet of
 * 2^(8 * D / E) characters (BaseN<1, 2> for hexadecimal, BaseN<3, 4> for
 * Base64).
 */
template <int D, int E>
class BaseN
{
public:
	/** Bits per character. */
	static constexpr int sm_encodedBlockSize = 8 * D / E;

	/**
	 * Makes a codec over alphabet, the characters in value order; its length
	 * must be 2^sm_encodedBlockSize and its characters below 128.
	 */
	explicit BaseN(std::string const& alphabet);

	/**
	 * Encodes bytes, D at a time; a last short block gives only the
	 * characters its bits need (the last one filled with zero bits) and "="
	 * up to E characters.
	 */
	std::string encode(std::string const& bytes) const;

	/**
	 * Decodes text E characters at a time. Line feeds, carriage returns and
	 * spaces are skipped; "=" ends a block early; each block gives its whole
	 * bytes and drops leftover bits.
	 * @exception lang::Exception "BaseN::decode: Bad character in input: {0}"
	 *            with the character's code (0-255) for any other character
	 *            outside the alphabet.
	 */
	std::string decode(std::string const& text) const;

private:
	/** Up to 64 bits of a block, most significant bits first. */
	struct Unit
	{
		int bits = 0;
		uint64_t value = 0;
	};

	std::string m_alphabet;
	int m_decode[256];

	void encodeUnit(Unit const& unit, std::string& out) const;

	/**
	 * Reads the next block of characters from text at pos (advancing pos)
	 * into unit.
	 */
	void getEncodedUnit(std::string const& text, size_t& pos, Unit& unit) const;
};

template <int D, int E>
BaseN<D, E>::BaseN(std::string const& alphabet) :
	m_alphabet(alphabet)
{
	static_assert(D * 8 <= 64 && E * sm_encodedBlockSize <= 64, "block does not fit a unit");
	assert(m_alphabet.size() == 1u << sm_encodedBlockSize);
	for (int& v : m_decode)
		v = -1;
	for (size_t i = 0; i < m_alphabet.size(); ++i)
	{
		unsigned chr = static_cast<unsigned char>(m_alphabet[i]);
		assert(chr < 128u);
		m_decode[chr] = static_cast<int>(i);
	}
}

template <int D, int E>
void BaseN<D, E>::encodeUnit(Unit const& unit, std::string& out) const
{
	int chars = (unit.bits + sm_encodedBlockSize - 1) / sm_encodedBlockSize;
	// Left-align the bits on a whole number of characters.
	uint64_t value = unit.value << (chars * sm_encodedBlockSize - unit.bits);
	uint64_t const mask = (uint64_t(1) << sm_encodedBlockSize) - 1;
	for (int k = chars - 1; k >= 0; --k)
		out += m_alphabet[static_cast<size_t>((value >> (k * sm_encodedBlockSize)) & mask)];
	for (int k = chars; k < E; ++k)
		out += '=';
}

template <int D, int E>
std::string BaseN<D, E>::encode(std::string const& bytes) const
{
	std::string out;
	out.reserve((bytes.size() + D - 1) / D * E);
	for (size_t pos = 0; pos < bytes.size(); pos += D)
	{
		Unit unit;
		for (size_t k = pos; k < pos + D && k < bytes.size(); ++k)
		{
			unit.value = (unit.value << 8) | static_cast<unsigned char>(bytes[k]);
			unit.bits += 8;
		}
		encodeUnit(unit, out);
	}
	return out;
}

template <int D, int E>
void BaseN<D, E>::getEncodedUnit(std::string const& text, size_t& pos, Unit& unit) const
{
	int chars = 0;
	while (chars < E && pos < text.size())
	{
		unsigned char c = static_cast<unsigned char>(text[pos++]);
		if (c == '\n' || c == '\r' || c == ' ')
			continue;
		if (c == '=')
			break;
		int v = m_decode[c];
		if (v < 0)
			lang::throwError(lang::Exception(lang::Format("BaseN::decode: Bad character in input: {0}", static_cast<double>(c))));
		unit.value = (unit.value << sm_encodedBlockSize) | static_cast<uint64_t>(v);
		unit.bits += sm_encodedBlockSize;
		++chars;
	}
}

template <int D, int E>
std::string BaseN<D, E>::decode(std::string const& text) const
{
	std::string out;
	out.reserve(text.size() / E * D + D);
	size_t pos = 0;
	while (pos < text.size())
	{
		Unit unit;
		getEncodedUnit(text, pos, unit);
		// Whole bytes, most significant first; leftover bits are dropped.
		for (int shift = unit.bits - 8; shift >= 0; shift -= 8)
			out += static_cast<char>((unit.value >> shift) & 0xFF);
	}
	return out;
}

} // util
