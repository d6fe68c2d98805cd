#pragma once

#include <cstddef>
#include <memory>
#include <utility>
#include <vector>

/**
 * The data-file cipher: AES-256 in CBC mode with PKCS7 padding and an IV of
 * sixteen zero bytes. Shipped files are enciphered with the static key,
 * save files with the variable key. Any thread; the keys are built on first
 * use (thread-safe function-local statics).
 */
namespace cipher
{

/**
 * Allocator of Bytes: a resize leaves the new bytes uninitialised, as the
 * cipher and the file reader overwrite them at once (a megabyte save is not
 * zero-filled first).
 */
template <class T>
struct UninitialisedAllocator : std::allocator<T>
{
	template <class U>
	struct rebind
	{
		using other = UninitialisedAllocator<U>;
	};
	UninitialisedAllocator() = default;
	template <class U>
	UninitialisedAllocator(UninitialisedAllocator<U> const&) noexcept
	{
	}
	template <class U>
	void construct(U* p) noexcept
	{
		::new (static_cast<void*>(p)) U;
	}
	template <class U, class... A>
	void construct(U* p, A&&... args)
	{
		::new (static_cast<void*>(p)) U(std::forward<A>(args)...);
	}
};

/** Bytes of keys, plain text and cipher text. */
using Bytes = std::vector<unsigned char, UninitialisedAllocator<unsigned char>>;

/**
 * Enciphers plain into out. At most 32 bytes of key are used, copied into a
 * zeroed 32-byte key, so a shorter key is zero-padded and a longer one cut.
 * @return True on success; false with out emptied and the OpenSSL error
 *         queue cleared on failure.
 */
bool encrypt(Bytes const& key, Bytes const& plain, Bytes& out);

/** encrypt() over size bytes at plain. */
bool encrypt(Bytes const& key, void const* plain, std::size_t size, Bytes& out);

/**
 * Deciphers cipherText into out, with the key rule of encrypt(). out may be
 * cipherText itself: the bytes are then deciphered in place.
 * @return True on success; false with out emptied and the OpenSSL error
 *         queue cleared when the bytes are no whole number of blocks or the
 *         padding is wrong (a wrong key usually shows so).
 */
bool decrypt(Bytes const& key, Bytes const& cipherText, Bytes& out);

/** The 32-character key of shipped files; built once, kept until exit. */
Bytes const& getStaticKey();

/** The 32-character key of save files; built once, kept until exit. */
Bytes const& getVariableKey();

/**
 * For tests: while on, every encrypt() fails as a failing cipher would.
 * Main thread only.
 */
void setEncryptFailure(bool fail);

} // cipher
