#include <gr/SurfaceFormatRun.h>
#include <gr/SurfaceFormatConvert.h>
#include <cstring>

// Loops of their own for the common pairs: red and blue exchanged, alpha
// added or dropped, 16-bit words packed and widened.

namespace gr
{
namespace detail
{

namespace
{

/** 24-bit 8-8-8 pixels into 32 bits with the top byte set, keeping byte order. */
void rgbToRgba(u8* __restrict d, u8 const* __restrict s, int count)
{
	int i = 0;
	for (; i + 4 <= count; i += 4)
	{
		std::uint64_t a;
		u32 b;
		std::memcpy(&a, s + 3 * i, 8);
		std::memcpy(&b, s + 3 * i + 8, 4);
		std::uint64_t const lo = (a & 0xFFFFFF) | (a << 8 & 0xFFFFFF00000000ull) | 0xFF000000FF000000ull;
		std::uint64_t const hi = ((a >> 48 | std::uint64_t(b) << 16) & 0xFFFFFF) | std::uint64_t(b >> 8) << 32 | 0xFF000000FF000000ull;
		std::memcpy(d + 4 * i, &lo, 8);
		std::memcpy(d + 4 * i + 8, &hi, 8);
	}
	for (; i < count; ++i)
	{
		u32 const w = u32(s[3 * i]) | u32(s[3 * i + 1]) << 8 | u32(s[3 * i + 2]) << 16 | 0xFF000000u;
		std::memcpy(d + 4 * i, &w, 4);
	}
}

#if defined(__SSE2__)

/**
 * rgbToRgba with byte shuffles, 16 pixels at a time; the processor must
 * have SSSE3.
 */
__attribute__((target("ssse3"))) void rgbToRgbaShuffled(u8* __restrict d, u8 const* __restrict s, int count)
{
	// Output pixel k takes source bytes 3k, 3k+1, 3k+2; -1 gives 0, and the
	// alpha byte is set afterwards.
	__m128i const spread = _mm_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
	__m128i const alpha = _mm_set1_epi32(int(0xFF000000u));
	int i = 0;
	for (; i + 16 <= count; i += 16)
	{
		u8 const* in = s + std::ptrdiff_t(i) * 3;
		__m128i const a = loadBytes(in);
		__m128i const b = loadBytes(in + 16);
		__m128i const c = loadBytes(in + 32);
		u8* out = d + std::ptrdiff_t(i) * 4;
		storeBytes(out, _mm_or_si128(_mm_shuffle_epi8(a, spread), alpha));
		storeBytes(out + 16, _mm_or_si128(_mm_shuffle_epi8(_mm_alignr_epi8(b, a, 12), spread), alpha));
		storeBytes(out + 32, _mm_or_si128(_mm_shuffle_epi8(_mm_alignr_epi8(c, b, 8), spread), alpha));
		storeBytes(out + 48, _mm_or_si128(_mm_shuffle_epi8(_mm_srli_si128(c, 4), spread), alpha));
	}
	rgbToRgba(d + std::ptrdiff_t(i) * 4, s + std::ptrdiff_t(i) * 3, count - i);
}

/** Eight and sixteen 16-bit lanes. */
typedef u16 V8h __attribute__((vector_size(16)));
typedef u16 V16h __attribute__((vector_size(32)));

/**
 * R5G6B5 words p in 16-bit lanes (a u32 or a vector of u16) widened to the
 * bytes of A8R8G8B8 words: bg = B | G << 8 and ra = R | 255 << 8. Each
 * channel widens by bit replication (5 bits v give v << 3 | v >> 2, 6 bits
 * v << 2 | v >> 4), as the mask conversion's multiply does.
 */
template <class V>
__attribute__((always_inline)) inline void r5g6b5Bytes(V const& p, V& bg, V& ra)
{
	V const r = ((p >> 8) & 0xF8) | (p >> 13);
	V const g = ((p >> 3) & 0xFC) | ((p >> 9) & 0x03);
	V const b = ((p << 3) & 0xF8) | ((p >> 2) & 0x07);
	bg = b | g << 8;
	ra = r | 0xFF00;
}

/** R5G6B5 words into B, G, R, 255 bytes (A8R8G8B8 words), 8 pixels at a time. */
void r5g6b5ToBgra(u8* d, u8 const* s, int count)
{
	int i = 0;
	for (; i + 8 <= count; i += 8)
	{
		V8h bg, ra;
		r5g6b5Bytes(V8h(loadBytes(s + std::ptrdiff_t(i) * 2)), bg, ra);
		u8* out = d + std::ptrdiff_t(i) * 4;
		storeBytes(out, _mm_unpacklo_epi16(__m128i(bg), __m128i(ra)));
		storeBytes(out + 16, _mm_unpackhi_epi16(__m128i(bg), __m128i(ra)));
	}
	for (; i < count; ++i)
	{
		u32 bg, ra;
		r5g6b5Bytes(load<2>(s + std::ptrdiff_t(i) * 2), bg, ra);
		store<4>(d + std::ptrdiff_t(i) * 4, bg | ra << 16);
	}
}

/** r5g6b5ToBgra 16 pixels at a time; the processor must have AVX2. */
__attribute__((target("avx2"))) void r5g6b5ToBgraWide(u8* d, u8 const* s, int count)
{
	int i = 0;
	for (; i + 16 <= count; i += 16)
	{
		V16h bg, ra;
		r5g6b5Bytes(V16h(_mm256_loadu_si256(reinterpret_cast<__m256i const*>(s + std::ptrdiff_t(i) * 2))), bg, ra);
		// The unpacks work within 128-bit halves: pixels 0-3 and 8-11, then 4-7 and 12-15.
		__m256i const lo = _mm256_unpacklo_epi16(__m256i(bg), __m256i(ra));
		__m256i const hi = _mm256_unpackhi_epi16(__m256i(bg), __m256i(ra));
		u8* out = d + std::ptrdiff_t(i) * 4;
		_mm256_storeu_si256(reinterpret_cast<__m256i*>(out), _mm256_permute2x128_si256(lo, hi, 0x20));
		_mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 32), _mm256_permute2x128_si256(lo, hi, 0x31));
	}
	_mm256_zeroupper();
	r5g6b5ToBgra(d + std::ptrdiff_t(i) * 4, s + std::ptrdiff_t(i) * 2, count - i);
}

#endif

/**
 * The 16-bit words of bytes R, G, B, A pixels, channel by channel: each
 * struct's word() takes rg = R | G << 8 and ba = B | A << 8 of pixels in
 * 16-bit lanes (a u32 or a vector of u16) and gives out, the word in the
 * low 16 bits, as the mask conversion narrows (the top bits of each channel);
 * out rather than a return value, as a vector of AVX2 width is not returned
 * in its registers by code without AVX.
 *
 * The same word also comes from sums of products, for the wide loop: KEEP
 * masks the kept bits of each channel byte R, G, B, A; pairs of bytes
 * multiplied by BYTES (four signed factors, byte 0 first) and summed give
 * two 16-bit sums, R G and B A; those multiplied by WORDS (two 16-bit
 * factors) and summed give the word shifted left by SHIFT. The channels'
 * bits never overlap and no sum passes 15 or 31 bits, so nothing carries or
 * saturates.
 */
struct ToR5G6B5
{
	// R << 8 | G << 3 | B >> 3, shifted left by 5: R * 2^13 + G * 2^8 + B * 2^2.
	static u32 const KEEP = 0x00F8FCF8;
	static u32 const BYTES = 32 | 1 << 8 | 1 << 16;
	static u32 const WORDS = 256 | 4 << 16;
	static int const SHIFT = 5;

	template <class V>
	__attribute__((always_inline)) static void word(V const& rg, V const& ba, V& out)
	{
		out = ((rg << 8) & 0xF800) | ((rg >> 5) & 0x07E0) | ((ba >> 3) & 0x001F);
	}
};

struct ToR4G4B4A4
{
	// R << 8 | G << 4 | B | A >> 4, shifted left by 4: R * 2^12 + G * 2^8 + B * 2^4 + A.
	static u32 const KEEP = 0xF0F0F0F0;
	static u32 const BYTES = 16 | 1 << 8 | 16 << 16 | 1 << 24;
	static u32 const WORDS = 256 | 1 << 16;
	static int const SHIFT = 4;

	template <class V>
	__attribute__((always_inline)) static void word(V const& rg, V const& ba, V& out)
	{
		out = ((rg << 8) & 0xF000) | ((rg >> 4) & 0x0F00) | (ba & 0x00F0) | (ba >> 12);
	}
};

struct ToR5G5B5A1
{
	// R << 8 | G << 3 | B >> 2 | A >> 7, shifted left by 7: R * 2^15 + G * 2^10 + B * 2^5 + A.
	static u32 const KEEP = 0x80F8F8F8;
	static u32 const BYTES = 32 | 1 << 8 | 32 << 16 | 1 << 24;
	static u32 const WORDS = 1024 | 1 << 16;
	static int const SHIFT = 7;

	template <class V>
	__attribute__((always_inline)) static void word(V const& rg, V const& ba, V& out)
	{
		out = ((rg << 8) & 0xF800) | ((rg >> 5) & 0x07C0) | ((ba >> 2) & 0x003E) | (ba >> 15);
	}
};

/** Bytes R, G, B, A into the 16-bit words of To, one pixel at a time. */
template <class To>
void rgbaToWordsEach(u8* d, u8 const* s, int count)
{
	for (int i = 0; i < count; ++i)
	{
		u32 const w = load<4>(s + std::ptrdiff_t(i) * 4);
		u32 out;
		To::word(w & 0xFFFF, w >> 16, out);
		store<2>(d + std::ptrdiff_t(i) * 2, out);
	}
}

#if defined(__SSE2__)

/**
 * Bytes R, G, B, A into the 16-bit words of To, 8 pixels at a time: the low
 * and high halves of the pixel words (R | G << 8 and B | A << 8) are packed
 * into 16-bit lanes first, so that the channels move in eight lanes at once.
 */
template <class To>
void rgbaToWords(u8* d, u8 const* s, int count)
{
	int i = 0;
	for (; i + 8 <= count; i += 8)
	{
		__m128i const a = loadBytes(s + std::ptrdiff_t(i) * 4);
		__m128i const b = loadBytes(s + std::ptrdiff_t(i) * 4 + 16);
		// The signed pack keeps 16-bit values that were sign-extended first.
		__m128i const rg = _mm_packs_epi32(_mm_srai_epi32(_mm_slli_epi32(a, 16), 16), _mm_srai_epi32(_mm_slli_epi32(b, 16), 16));
		__m128i const ba = _mm_packs_epi32(_mm_srai_epi32(a, 16), _mm_srai_epi32(b, 16));
		V8h out;
		To::word(V8h(rg), V8h(ba), out);
		storeBytes(d + std::ptrdiff_t(i) * 2, __m128i(out));
	}
	rgbaToWordsEach<To>(d + std::ptrdiff_t(i) * 2, s + std::ptrdiff_t(i) * 4, count - i);
}

/**
 * rgbaToWords 16 pixels at a time by the sums of products of To; the
 * processor must have AVX2.
 */
template <class To>
__attribute__((target("avx2"))) void rgbaToWordsWide(u8* d, u8 const* s, int count)
{
	__m256i const keep = _mm256_set1_epi32(int(To::KEEP));
	__m256i const bytes = _mm256_set1_epi32(int(To::BYTES));
	__m256i const words = _mm256_set1_epi32(int(To::WORDS));
	int i = 0;
	for (; i + 16 <= count; i += 16)
	{
		u8 const* in = s + std::ptrdiff_t(i) * 4;
		__m256i const a = _mm256_and_si256(_mm256_loadu_si256(reinterpret_cast<__m256i const*>(in)), keep);
		__m256i const b = _mm256_and_si256(_mm256_loadu_si256(reinterpret_cast<__m256i const*>(in + 32)), keep);
		__m256i const wa = _mm256_srli_epi32(_mm256_madd_epi16(_mm256_maddubs_epi16(a, bytes), words), To::SHIFT);
		__m256i const wb = _mm256_srli_epi32(_mm256_madd_epi16(_mm256_maddubs_epi16(b, bytes), words), To::SHIFT);
		// The pack works within 128-bit halves: put the four groups of four back in order.
		__m256i const packed = _mm256_packus_epi32(wa, wb);
		_mm256_storeu_si256(reinterpret_cast<__m256i*>(d + std::ptrdiff_t(i) * 2), _mm256_permute4x64_epi64(packed, 0xD8));
	}
	// The compiler leaves the upper halves dirty before a tail call, and
	// SSE code then runs slowly until they are cleared.
	_mm256_zeroupper();
	rgbaToWords<To>(d + std::ptrdiff_t(i) * 2, s + std::ptrdiff_t(i) * 4, count - i);
}

#endif

/**
 * The loop of bytes R, G, B, A into the 16-bit words of To, the widest the
 * processor's extensions (VectorExtension bits) allow.
 */
template <class To>
RunLoop rgbaTo16(int extensions)
{
#if defined(__SSE2__)
	return (extensions & detail::VECTOR_AVX2) ? rgbaToWordsWide<To> : rgbaToWords<To>;
#else
	(void)extensions;
	return rgbaToWordsEach<To>;
#endif
}

/**
 * 32-bit pixels of 8-bit channels with bytes 0 and 2 exchanged (R and B
 * change places), the bits of SET set (an alpha the source lacks or the
 * destination leaves unused).
 */
template <u32 SET>
void swapRedBlue(u8* __restrict d, u8 const* __restrict s, int count)
{
	u32 const set = SET;
	auto swap = [set](auto w) { return (w & 0xFF00FF00u) | ((w >> 16) & 0xFFu) | ((w & 0xFFu) << 16) | set; };
	int i = 0;
	for (; i + 8 <= count; i += 8)
	{
		u8 const* in = s + std::ptrdiff_t(i) * 4;
		u8* out = d + std::ptrdiff_t(i) * 4;
		store4<4>(out, swap(load4<4>(in)));
		store4<4>(out + 16, swap(load4<4>(in + 16)));
	}
	for (; i < count; ++i)
		store<4>(d + std::ptrdiff_t(i) * 4, swap(load<4>(s + std::ptrdiff_t(i) * 4)));
}

/** 24-bit pixels of 8-bit channels with bytes 0 and 2 exchanged, one at a time. */
void swapRedBlue24Each(u8* __restrict d, u8 const* __restrict s, int count)
{
	for (int i = 0; i < count; ++i)
	{
		u8 const* in = s + std::ptrdiff_t(i) * 3;
		u8* out = d + std::ptrdiff_t(i) * 3;
		out[0] = in[2];
		out[1] = in[1];
		out[2] = in[0];
	}
}

#if defined(__SSE2__)

/** Bytes 0xFF where pick(byte index) holds, 0 elsewhere. */
template <class Pick>
__m128i byteMask(Pick pick)
{
	u8 bytes[16];
	for (int j = 0; j < 16; ++j)
		bytes[j] = pick(j) ? 0xFF : 0;
	return loadBytes(bytes);
}

/**
 * swapRedBlue24Each 16 pixels (three 16-byte vectors) at a time: byte j of
 * the 48 takes byte j + 2, j or j - 2 as j % 3 is 0, 1 or 2, so each vector
 * is itself and itself moved by two bytes either way, the moves reaching
 * into the neighbouring vectors.
 */
void swapRedBlue24(u8* __restrict d, u8 const* __restrict s, int count)
{
	__m128i keep[3], fromAhead[3], fromBehind[3];
	for (int k = 0; k < 3; ++k)
	{
		keep[k] = byteMask([k](int j) { return (16 * k + j) % 3 == 1; });
		fromAhead[k] = byteMask([k](int j) { return (16 * k + j) % 3 == 0; });
		fromBehind[k] = byteMask([k](int j) { return (16 * k + j) % 3 == 2; });
	}
	__m128i const zero = _mm_setzero_si128();
	int i = 0;
	for (; i + 16 <= count; i += 16)
	{
		u8 const* in = s + std::ptrdiff_t(i) * 3;
		__m128i const v[5] = {zero, loadBytes(in), loadBytes(in + 16), loadBytes(in + 32), zero};
		u8* out = d + std::ptrdiff_t(i) * 3;
#pragma GCC unroll 3
		for (int k = 0; k < 3; ++k)
		{
			__m128i const ahead = _mm_or_si128(_mm_srli_si128(v[k + 1], 2), _mm_slli_si128(v[k + 2], 14));
			__m128i const behind = _mm_or_si128(_mm_slli_si128(v[k + 1], 2), _mm_srli_si128(v[k], 14));
			__m128i const moved = _mm_or_si128(_mm_and_si128(ahead, fromAhead[k]), _mm_and_si128(behind, fromBehind[k]));
			storeBytes(out + 16 * k, _mm_or_si128(_mm_and_si128(v[k + 1], keep[k]), moved));
		}
	}
	swapRedBlue24Each(d + std::ptrdiff_t(i) * 3, s + std::ptrdiff_t(i) * 3, count - i);
}

/**
 * 32-bit pixels of 8-bit channels into 24 bits, dropping byte 3 and, with
 * SWAP, exchanging bytes 0 and 2; 16 pixels at a time, the processor must
 * have SSSE3.
 */
template <bool SWAP>
__attribute__((target("ssse3"))) void dropAlphaShuffled(u8* __restrict d, u8 const* __restrict s, int count)
{
	// The 12 kept bytes of four pixels to the low end; -1 gives 0.
	__m128i const pick = SWAP ? _mm_setr_epi8(2, 1, 0, 6, 5, 4, 10, 9, 8, 14, 13, 12, -1, -1, -1, -1)
							  : _mm_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
	int i = 0;
	for (; i + 16 <= count; i += 16)
	{
		u8 const* in = s + std::ptrdiff_t(i) * 4;
		__m128i const a = _mm_shuffle_epi8(loadBytes(in), pick);
		__m128i const b = _mm_shuffle_epi8(loadBytes(in + 16), pick);
		__m128i const c = _mm_shuffle_epi8(loadBytes(in + 32), pick);
		__m128i const e = _mm_shuffle_epi8(loadBytes(in + 48), pick);
		u8* out = d + std::ptrdiff_t(i) * 3;
		storeBytes(out, _mm_or_si128(a, _mm_slli_si128(b, 12)));
		storeBytes(out + 16, _mm_or_si128(_mm_srli_si128(b, 4), _mm_slli_si128(c, 8)));
		storeBytes(out + 32, _mm_or_si128(_mm_srli_si128(c, 8), _mm_slli_si128(e, 4)));
	}
	for (; i < count; ++i)
	{
		u32 const w = load<4>(s + std::ptrdiff_t(i) * 4);
		u8* out = d + std::ptrdiff_t(i) * 3;
		out[0] = u8(SWAP ? w >> 16 : w);
		out[1] = u8(w >> 8);
		out[2] = u8(SWAP ? w : w >> 16);
	}
}

/**
 * swapRedBlue24Each 5 pixels (15 bytes) at a time by byte shuffles, each
 * store's sixteenth byte written again by the next; the processor must have
 * SSSE3.
 */
__attribute__((target("ssse3"))) void swapRedBlue24Shuffled(u8* __restrict d, u8 const* __restrict s, int count)
{
	__m128i const swap = _mm_setr_epi8(2, 1, 0, 5, 4, 3, 8, 7, 6, 11, 10, 9, 14, 13, 12, 15);
	std::ptrdiff_t const bytes = std::ptrdiff_t(count) * 3;
	std::ptrdiff_t j = 0;
	for (; j + 16 <= bytes; j += 15)
		storeBytes(d + j, _mm_shuffle_epi8(loadBytes(s + j), swap));
	swapRedBlue24Each(d + j, s + j, int((bytes - j) / 3));
}

#endif

} // namespace

RunLoop fastRunLoop(SurfaceFormat::SurfaceFormatType dt, SurfaceFormat::SurfaceFormatType st)
{
	typedef SurfaceFormat F;
	int const extensions = detail::vectorExtensions();
	(void)extensions;
	if ((st == F::SURFACE_B8G8R8 && (dt == F::SURFACE_A8B8G8R8 || dt == F::SURFACE_X8B8G8R8)) ||
		(st == F::SURFACE_R8G8B8 && (dt == F::SURFACE_A8R8G8B8 || dt == F::SURFACE_X8R8G8B8)))
	{
#if defined(__SSE2__)
		if (extensions & detail::VECTOR_SSSE3)
			return rgbToRgbaShuffled;
#endif
		return rgbToRgba;
	}
#if defined(__SSE2__)
	if (st == F::SURFACE_R5G6B5 && (dt == F::SURFACE_A8R8G8B8 || dt == F::SURFACE_X8R8G8B8))
		return (extensions & detail::VECTOR_AVX2) ? r5g6b5ToBgraWide : r5g6b5ToBgra;
#endif
	bool const srcRgbx = st == F::SURFACE_A8R8G8B8 || st == F::SURFACE_X8R8G8B8;
	bool const srcBgrx = st == F::SURFACE_A8B8G8R8 || st == F::SURFACE_X8B8G8R8;
	bool const dstRgbx = dt == F::SURFACE_A8R8G8B8 || dt == F::SURFACE_X8R8G8B8;
	bool const dstBgrx = dt == F::SURFACE_A8B8G8R8 || dt == F::SURFACE_X8B8G8R8;
	if ((srcRgbx && dstBgrx) || (srcBgrx && dstRgbx))
	{
		// The top byte is the alpha only when both have one; otherwise the
		// source's is missing (opaque) or the destination's unused (set).
		bool const alpha = (st == F::SURFACE_A8R8G8B8 || st == F::SURFACE_A8B8G8R8) && (dt == F::SURFACE_A8R8G8B8 || dt == F::SURFACE_A8B8G8R8);
		return alpha ? swapRedBlue<0u> : swapRedBlue<0xFF000000u>;
	}
	if ((st == F::SURFACE_R8G8B8 && dt == F::SURFACE_B8G8R8) || (st == F::SURFACE_B8G8R8 && dt == F::SURFACE_R8G8B8))
	{
#if defined(__SSE2__)
		return (extensions & detail::VECTOR_SSSE3) ? swapRedBlue24Shuffled : swapRedBlue24;
#else
		return swapRedBlue24Each;
#endif
	}
#if defined(__SSE2__)
	if ((extensions & detail::VECTOR_SSSE3) && ((srcBgrx && dt == F::SURFACE_B8G8R8) || (srcRgbx && dt == F::SURFACE_R8G8B8)))
		return dropAlphaShuffled<false>;
	if ((extensions & detail::VECTOR_SSSE3) && ((srcBgrx && dt == F::SURFACE_R8G8B8) || (srcRgbx && dt == F::SURFACE_B8G8R8)))
		return dropAlphaShuffled<true>;
#endif
	if (st == F::SURFACE_A8B8G8R8)
	{
		// Bytes R, G, B, A: every channel moves by one shift and one mask.
		switch (dt)
		{
		case F::SURFACE_R5G6B5:
			return rgbaTo16<ToR5G6B5>(extensions);
		case F::SURFACE_R4G4B4A4:
			return rgbaTo16<ToR4G4B4A4>(extensions);
		case F::SURFACE_R5G5B5A1:
			return rgbaTo16<ToR5G5B5A1>(extensions);
		default:
			break;
		}
	}
	return nullptr;
}

} // detail
} // gr
