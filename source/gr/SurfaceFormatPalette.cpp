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
 * lookup4<4> 16 pixels at a time: each byte of the 16 entries is a table of
 * its own that one byte shuffle looks all 16 pixels up in; the processor
 * must have SSSE3.
 */
__attribute__((target("ssse3"))) void lookup4Shuffled(u8* __restrict d, u8 const* __restrict s, u8 const* __restrict table, int count)
{
	__m128i planes[4];
	for (int k = 0; k < 4; ++k)
	{
		u8 bytes[16];
		for (int e = 0; e < 16; ++e)
			bytes[e] = table[4 * e + k];
		planes[k] = loadBytes(bytes);
	}
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
		lookup8<4>(d, s, table, count);
	}
	else if (srcBpp == 8 && db == 2)
		lookup8<2>(d, s, table, count);
	else if (srcBpp == 8 && db == 1)
		lookup8<1>(d, s, table, count);
	else if (srcBpp == 4 && db == 4)
	{
#if defined(__SSE2__)
		if (detail::vectorExtensions() & detail::VECTOR_SSSE3)
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
