#include <gr/SurfaceFormatRun.h>
#include <gr/SurfaceFormatConvert.h>
#include <cassert>
#include <cstring>

// Palette pixels: the palette converted once, then every index looked up.

namespace gr
{
namespace detail
{

namespace
{

/** P8 pixels looked up in table, entries of DB bytes. */
template <int DB>
void lookup8(u8* __restrict d, u8 const* __restrict s, u8 const* __restrict table, int count)
{
	int i = 0;
	if constexpr (DB == 4)
	{
		// Eight indices in one load, four entries in one store, gathered in
		// vector registers (a wide store of words just stored would wait
		// for them; the processor's gather is slower).
		for (; i + 8 <= count; i += 8)
		{
			std::uint64_t ix;
			std::memcpy(&ix, s + i, 8);
			u8* out = d + std::ptrdiff_t(i) * 4;
#pragma GCC unroll 2
			for (int k = 0; k < 2; ++k)
			{
				V4 const w = {load<4>(table + 4 * ((ix >> (32 * k)) & 0xFF)), load<4>(table + 4 * ((ix >> (32 * k + 8)) & 0xFF)),
					load<4>(table + 4 * ((ix >> (32 * k + 16)) & 0xFF)), load<4>(table + 4 * ((ix >> (32 * k + 24)) & 0xFF))};
				store4<4>(out + 16 * k, w);
			}
		}
	}
	for (; i < count; ++i)
		std::memcpy(d + std::ptrdiff_t(i) * DB, table + DB * s[i], DB);
}

/** P4 pixels (the first of a byte in its high nibble) looked up in table, entries of DB bytes. */
template <int DB>
void lookup4(u8* __restrict d, u8 const* __restrict s, u8 const* __restrict table, int count)
{
	int i = 0;
	if constexpr (DB == 4)
	{
		// Eight pixels from four bytes.
		for (; i + 8 <= count; i += 8)
		{
			u32 const ix = load<4>(s + i / 2);
			u8* out = d + std::ptrdiff_t(i) * 4;
#pragma GCC unroll 4
			for (int k = 0; k < 4; ++k)
			{
				std::uint64_t const pair = load<4>(table + 4 * ((ix >> (8 * k + 4)) & 0xF)) |
					std::uint64_t(load<4>(table + 4 * ((ix >> (8 * k)) & 0xF))) << 32;
				std::memcpy(out + 8 * k, &pair, 8);
			}
		}
	}
	for (; i < count; ++i)
	{
		int const ix = (i & 1) ? (s[i >> 1] & 0xF) : (s[i >> 1] >> 4);
		std::memcpy(d + std::ptrdiff_t(i) * DB, table + DB * ix, DB);
	}
}

#if defined(__SSE2__)

/**
 * Four pixel bytes vectors p0..p3 (byte k of each of 16 pixels) interleaved
 * into the 64 bytes of the 16 pixels at out.
 */
__attribute__((always_inline)) inline void storePlanes(u8* out, __m128i p0, __m128i p1, __m128i p2, __m128i p3)
{
	__m128i const lo01 = _mm_unpacklo_epi8(p0, p1);
	__m128i const hi01 = _mm_unpackhi_epi8(p0, p1);
	__m128i const lo23 = _mm_unpacklo_epi8(p2, p3);
	__m128i const hi23 = _mm_unpackhi_epi8(p2, p3);
	storeBytes(out, _mm_unpacklo_epi16(lo01, lo23));
	storeBytes(out + 16, _mm_unpackhi_epi16(lo01, lo23));
	storeBytes(out + 32, _mm_unpacklo_epi16(hi01, hi23));
	storeBytes(out + 48, _mm_unpackhi_epi16(hi01, hi23));
}

/**
 * The 16 entries of 4 bytes at table as four vectors, byte k of every entry
 * in planes[k]; by shuffles, as a row's worth of pixels costs little more
 * than gathering the bytes one by one (whose wide load then waits for the
 * narrow stores); the processor must have SSSE3.
 */
__attribute__((always_inline, target("ssse3"))) inline void entryPlanes(u8 const* table, __m128i* planes)
{
	// Each four entries' bytes grouped by byte: bytes 0 of the four, then bytes 1, ...
	__m128i const group = _mm_setr_epi8(0, 4, 8, 12, 1, 5, 9, 13, 2, 6, 10, 14, 3, 7, 11, 15);
	__m128i const e0 = _mm_shuffle_epi8(loadBytes(table), group);
	__m128i const e1 = _mm_shuffle_epi8(loadBytes(table + 16), group);
	__m128i const e2 = _mm_shuffle_epi8(loadBytes(table + 32), group);
	__m128i const e3 = _mm_shuffle_epi8(loadBytes(table + 48), group);
	// A 4 x 4 transpose of the groups.
	__m128i const bytes01Of01 = _mm_unpacklo_epi32(e0, e1);
	__m128i const bytes23Of01 = _mm_unpackhi_epi32(e0, e1);
	__m128i const bytes01Of23 = _mm_unpacklo_epi32(e2, e3);
	__m128i const bytes23Of23 = _mm_unpackhi_epi32(e2, e3);
	planes[0] = _mm_unpacklo_epi64(bytes01Of01, bytes01Of23);
	planes[1] = _mm_unpackhi_epi64(bytes01Of01, bytes01Of23);
	planes[2] = _mm_unpacklo_epi64(bytes23Of01, bytes23Of23);
	planes[3] = _mm_unpackhi_epi64(bytes23Of01, bytes23Of23);
}

/**
 * lookup4<4> 16 pixels at a time: each byte of the 16 entries is a table of
 * its own that one byte shuffle looks all 16 pixels up in; the processor
 * must have SSSE3.
 */
__attribute__((target("ssse3"))) void lookup4Shuffled(u8* __restrict d, u8 const* __restrict s, u8 const* __restrict table, int count)
{
	__m128i planes[4];
	entryPlanes(table, planes);
	__m128i const nibble = _mm_set1_epi8(0x0F);
	int i = 0;
	for (; i + 16 <= count; i += 16)
	{
		// Eight bytes to 16 indices, the high nibble of each byte first.
		__m128i const packed = _mm_loadl_epi64(reinterpret_cast<__m128i const*>(s + i / 2));
		__m128i const ix = _mm_unpacklo_epi8(_mm_and_si128(_mm_srli_epi16(packed, 4), nibble), _mm_and_si128(packed, nibble));
		storePlanes(d + std::ptrdiff_t(i) * 4, _mm_shuffle_epi8(planes[0], ix), _mm_shuffle_epi8(planes[1], ix), _mm_shuffle_epi8(planes[2], ix),
			_mm_shuffle_epi8(planes[3], ix));
	}
	lookup4<4>(d + std::ptrdiff_t(i) * 4, s + i / 2, table, count - i);
}

/**
 * lookup4Shuffled 32 pixels at a time, the planes in both halves of AVX2
 * registers; the processor must have AVX2.
 */
__attribute__((target("avx2"))) void lookup4Wide(u8* __restrict d, u8 const* __restrict s, u8 const* __restrict table, int count)
{
	__m128i planes[4];
	entryPlanes(table, planes);
	__m256i const p0 = _mm256_broadcastsi128_si256(planes[0]);
	__m256i const p1 = _mm256_broadcastsi128_si256(planes[1]);
	__m256i const p2 = _mm256_broadcastsi128_si256(planes[2]);
	__m256i const p3 = _mm256_broadcastsi128_si256(planes[3]);
	__m256i const nibble = _mm256_set1_epi8(0x0F);
	int i = 0;
	for (; i + 32 <= count; i += 32)
	{
		// Sixteen bytes, one in each 16-bit lane (pixels 0-15 in the low
		// half, 16-31 in the high), to 32 indices, the high nibble first.
		__m256i const packed = _mm256_cvtepu8_epi16(loadBytes(s + i / 2));
		__m256i const ix = _mm256_or_si256(_mm256_and_si256(_mm256_srli_epi16(packed, 4), nibble), _mm256_slli_epi16(_mm256_and_si256(packed, nibble), 8));
		__m256i const q0 = _mm256_shuffle_epi8(p0, ix);
		__m256i const q1 = _mm256_shuffle_epi8(p1, ix);
		__m256i const q2 = _mm256_shuffle_epi8(p2, ix);
		__m256i const q3 = _mm256_shuffle_epi8(p3, ix);
		__m256i const lo01 = _mm256_unpacklo_epi8(q0, q1);
		__m256i const hi01 = _mm256_unpackhi_epi8(q0, q1);
		__m256i const lo23 = _mm256_unpacklo_epi8(q2, q3);
		__m256i const hi23 = _mm256_unpackhi_epi8(q2, q3);
		// The unpacks work within halves: pixels 0-3 with 16-19, 4-7 with 20-23, and so on.
		__m256i const r0 = _mm256_unpacklo_epi16(lo01, lo23);
		__m256i const r1 = _mm256_unpackhi_epi16(lo01, lo23);
		__m256i const r2 = _mm256_unpacklo_epi16(hi01, hi23);
		__m256i const r3 = _mm256_unpackhi_epi16(hi01, hi23);
		u8* out = d + std::ptrdiff_t(i) * 4;
		_mm256_storeu_si256(reinterpret_cast<__m256i*>(out), _mm256_permute2x128_si256(r0, r1, 0x20));
		_mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 32), _mm256_permute2x128_si256(r2, r3, 0x20));
		_mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 64), _mm256_permute2x128_si256(r0, r1, 0x31));
		_mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 96), _mm256_permute2x128_si256(r2, r3, 0x31));
	}
	_mm256_zeroupper();
	lookup4Shuffled(d + std::ptrdiff_t(i) * 4, s + i / 2, table, count - i);
}

/**
 * lookup8<4> 16 pixels at a time, each entry loaded into its place in a
 * vector (one instruction where the baseline needs a load and a shuffle
 * for each two); the processor must have AVX2.
 */
__attribute__((target("avx2"))) void lookup8Wide(u8* __restrict d, u8 const* __restrict s, u8 const* __restrict table, int count)
{
	auto entry = [table](std::uint64_t ix, int k) { return int(load<4>(table + 4 * ((ix >> (8 * k)) & 0xFF))); };
	int i = 0;
	for (; i + 16 <= count; i += 16)
	{
		std::uint64_t ixs[2];
		std::memcpy(ixs, s + i, 16);
#pragma GCC unroll 2
		for (int h = 0; h < 2; ++h)
		{
			std::uint64_t const ix = ixs[h];
			// Pixels 0-3 in a, 4-7 in b, filled side by side.
			__m128i a = _mm_cvtsi32_si128(entry(ix, 0));
			__m128i b = _mm_cvtsi32_si128(entry(ix, 4));
			a = _mm_insert_epi32(a, entry(ix, 1), 1);
			b = _mm_insert_epi32(b, entry(ix, 5), 1);
			a = _mm_insert_epi32(a, entry(ix, 2), 2);
			b = _mm_insert_epi32(b, entry(ix, 6), 2);
			a = _mm_insert_epi32(a, entry(ix, 3), 3);
			b = _mm_insert_epi32(b, entry(ix, 7), 3);
			_mm256_storeu_si256(reinterpret_cast<__m256i*>(d + std::ptrdiff_t(i) * 4 + 32 * h), _mm256_inserti128_si256(_mm256_castsi128_si256(a), b, 1));
		}
	}
	_mm256_zeroupper();
	lookup8<4>(d + std::ptrdiff_t(i) * 4, s + i, table, count - i);
}

#endif

/** P4 or P8 pixels (srcBpp bits) looked up in table, entries of any size. */
void lookupAny(int srcBpp, int db, u8* d, u8 const* s, u8 const* table, int count)
{
	for (int i = 0; i < count; ++i)
	{
		int const ix = srcBpp == 8 ? s[i] : (i & 1) ? (s[i >> 1] & 0xF) : (s[i >> 1] >> 4);
		std::memcpy(d + std::ptrdiff_t(i) * db, table + db * ix, size_t(db));
	}
}

} // namespace

void lookupRun(int srcBpp, int db, u8* d, u8 const* s, u8 const* table, int count)
{
	if (srcBpp == 8 && db == 4)
	{
#if defined(__SSE2__)
		if (detail::vectorExtensions() & detail::VECTOR_AVX2)
		{
			lookup8Wide(d, s, table, count);
			return;
		}
#endif
		lookup8<4>(d, s, table, count);
	}
	else if (srcBpp == 8 && db == 2)
		lookup8<2>(d, s, table, count);
	else if (srcBpp == 8 && db == 1)
		lookup8<1>(d, s, table, count);
	else if (srcBpp == 4 && db == 4)
	{
#if defined(__SSE2__)
		int const extensions = detail::vectorExtensions();
		if (extensions & detail::VECTOR_AVX2)
		{
			lookup4Wide(d, s, table, count);
			return;
		}
		if (extensions & detail::VECTOR_SSSE3)
		{
			lookup4Shuffled(d, s, table, count);
			return;
		}
#endif
		lookup4<4>(d, s, table, count);
	}
	else
		lookupAny(srcBpp, db, d, s, table, count);
}

void convertPalette(SurfaceFormat const& dstfmt, SurfaceFormat const& dstpalfmt, void const* dstpal, SurfaceFormat const& srcpalfmt,
	Plan const& p, u8* table)
{
	Plan const entries = makePlan(dstfmt, dstpalfmt, dstpal, srcpalfmt, SurfaceFormat(), nullptr);
	assert(p.srcEntries * (entries.dstBpp / 8) <= MAX_PALETTE_TABLE);
	if (integerWords(entries))
		integerRun(dstfmt.type(), srcpalfmt.type(), entries, table, p.srcPal, p.srcEntries);
	else
		convertPerPixel(entries, table, p.srcPal, p.srcEntries);
}

} // detail
} // gr
