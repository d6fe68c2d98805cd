#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace util
{

/** SHA-1 message digests as 40 upper-case hexadecimal characters. */
class SHA1
{
public:
	/** Digest of length bytes at data (length >= 0). */
	static std::string hash(void const* data, int length);

	/** Digest of the bytes of s. */
	static std::string hash(std::string const& s);

	/** Digest of the bytes of v. */
	static std::string hash(std::vector<char> const& v);

	/** The 20 raw bytes of the digest of s. */
	static std::string rawDigest(std::string const& s);

private:
	static std::string digest(unsigned char const* data, size_t length);
	static std::string raw(unsigned char const* data, size_t length);
};

} // util
