#include "SHA1.h"
#include "Base16.h"
#include <cassert>
#include <cstdint>
#include <cstring>

namespace util
{

namespace
{

uint32_t rotl(uint32_t x, int n)
{
	return (x << n) | (x >> (32 - n));
}

/** Runs the 80 rounds over one 64-byte block. */
void processBlock(uint32_t h[5], unsigned char const* block)
{
	uint32_t w[80];
	for (int t = 0; t < 16; ++t)
	{
		w[t] = (uint32_t(block[4 * t]) << 24) | (uint32_t(block[4 * t + 1]) << 16)
			| (uint32_t(block[4 * t + 2]) << 8) | uint32_t(block[4 * t + 3]);
	}
	for (int t = 16; t < 80; ++t)
		w[t] = rotl(w[t - 3] ^ w[t - 8] ^ w[t - 14] ^ w[t - 16], 1);

	uint32_t a = h[0], b = h[1], c = h[2], d = h[3], e = h[4];
	for (int t = 0; t < 80; ++t)
	{
		uint32_t f, k;
		if (t < 20)
		{
			f = (b & c) | (~b & d);
			k = 0x5A827999u;
		}
		else if (t < 40)
		{
			f = b ^ c ^ d;
			k = 0x6ED9EBA1u;
		}
		else if (t < 60)
		{
			f = (b & c) | (b & d) | (c & d);
			k = 0x8F1BBCDCu;
		}
		else
		{
			f = b ^ c ^ d;
			k = 0xCA62C1D6u;
		}
		uint32_t temp = rotl(a, 5) + f + e + k + w[t];
		e = d;
		d = c;
		c = rotl(b, 30);
		b = a;
		a = temp;
	}
	h[0] += a;
	h[1] += b;
	h[2] += c;
	h[3] += d;
	h[4] += e;
}

} // namespace

std::string SHA1::raw(unsigned char const* data, size_t length)
{
	uint32_t h[5] = {0x67452301u, 0xEFCDAB89u, 0x98BADCFEu, 0x10325476u, 0xC3D2E1F0u};

	size_t whole = length / 64 * 64;
	for (size_t pos = 0; pos < whole; pos += 64)
		processBlock(h, data + pos);

	// The tail, a 1 bit, zeros and the length in bits (64-bit big-endian)
	// fill one or two final blocks.
	unsigned char tail[128] = {};
	size_t rest = length - whole;
	if (rest)
		std::memcpy(tail, data + whole, rest);
	tail[rest] = 0x80;
	size_t tailSize = rest < 56 ? 64 : 128;
	uint64_t bits = uint64_t(length) * 8u;
	for (int k = 0; k < 8; ++k)
		tail[tailSize - 1 - k] = static_cast<unsigned char>(bits >> (8 * k));
	for (size_t pos = 0; pos < tailSize; pos += 64)
		processBlock(h, tail + pos);

	std::string bytes(20, '\0');
	for (int i = 0; i < 5; ++i)
	{
		bytes[4 * i] = static_cast<char>(h[i] >> 24);
		bytes[4 * i + 1] = static_cast<char>(h[i] >> 16);
		bytes[4 * i + 2] = static_cast<char>(h[i] >> 8);
		bytes[4 * i + 3] = static_cast<char>(h[i]);
	}
	return bytes;
}

std::string SHA1::digest(unsigned char const* data, size_t length)
{
	return Base16::encode(raw(data, length));
}

std::string SHA1::rawDigest(std::string const& s)
{
	return raw(reinterpret_cast<unsigned char const*>(s.data()), s.size());
}

std::string SHA1::hash(void const* data, int length)
{
	assert(length >= 0);
	assert(data || length == 0);
	if (length <= 0)
		return digest(nullptr, 0);
	return digest(static_cast<unsigned char const*>(data), static_cast<size_t>(length));
}

std::string SHA1::hash(std::string const& s)
{
	return digest(reinterpret_cast<unsigned char const*>(s.data()), s.size());
}

std::string SHA1::hash(std::vector<char> const& v)
{
	return digest(reinterpret_cast<unsigned char const*>(v.data()), v.size());
}

} // util
