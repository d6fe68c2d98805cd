#include "DataCipher.h"
#include <openssl/err.h>
#include <openssl/evp.h>
#include <climits>
#include <cstring>
#include <memory>

namespace cipher
{

namespace
{

bool s_failEncrypt = false;

struct ContextFree
{
	void operator()(EVP_CIPHER_CTX* ctx) const { EVP_CIPHER_CTX_free(ctx); }
};

/**
 * Runs the cipher over size bytes in the direction given; out as encrypt()
 * and decrypt() leave it. in may be out's own bytes when deciphering: the
 * output never outgrows the input then.
 */
bool run(Bytes const& key, void const* in, size_t size, Bytes& out, bool encrypting)
{
	bool const inPlace = size > 0 && in == out.data();
	if (!inPlace)
		out.clear();
	unsigned char fullKey[32];
	std::memset(fullKey, 0, sizeof(fullKey));
	if (!key.empty())
		std::memcpy(fullKey, key.data(), key.size() < sizeof(fullKey) ? key.size() : sizeof(fullKey));
	unsigned char const iv[16] = {};

	bool ok = false;
	std::unique_ptr<EVP_CIPHER_CTX, ContextFree> ctx(EVP_CIPHER_CTX_new());
	if (ctx && size <= static_cast<size_t>(INT_MAX - 16) &&
		EVP_CipherInit_ex(ctx.get(), EVP_aes_256_cbc(), nullptr, fullKey, iv, encrypting ? 1 : 0) == 1)
	{
		if (!inPlace)
			out.resize(size + 16);
		int first = 0;
		int last = 0;
		if (EVP_CipherUpdate(ctx.get(), out.data(), &first, static_cast<unsigned char const*>(in), static_cast<int>(size)) == 1 &&
			EVP_CipherFinal_ex(ctx.get(), out.data() + first, &last) == 1)
		{
			out.resize(static_cast<size_t>(first) + static_cast<size_t>(last));
			ok = true;
		}
	}
	std::memset(fullKey, 0, sizeof(fullKey));
	if (!ok)
	{
		out.clear();
		ERR_clear_error();
	}
	return ok;
}

} // namespace

bool encrypt(Bytes const& key, void const* plain, size_t size, Bytes& out)
{
	if (s_failEncrypt)
	{
		out.clear();
		return false;
	}
	if (size > 0 && plain == out.data())
	{
		// The cipher text outgrows the text: never in place.
		Bytes const copy(out.begin(), out.begin() + static_cast<long>(size));
		return run(key, copy.data(), size, out, true);
	}
	return run(key, plain, size, out, true);
}

bool encrypt(Bytes const& key, Bytes const& plain, Bytes& out)
{
	return encrypt(key, plain.data(), plain.size(), out);
}

bool decrypt(Bytes const& key, Bytes const& cipherText, Bytes& out)
{
	return run(key, cipherText.data(), cipherText.size(), out, false);
}

void setEncryptFailure(bool fail)
{
	s_failEncrypt = fail;
}

} // cipher
