#pragma once

#include <gr/SurfaceFormat.h>
#include <bit>
#include <cstdint>
#include <cstring>
#if defined(__SSE2__)
#include <immintrin.h>
#endif

// What the files of the pixel conversion share: the plan of a conversion,
// pixel words read and written, and the loops each file offers the others.
// Private to the conversion; SurfaceFormat::copyPixels is its face.

namespace gr
{
namespace detail
{

typedef std::uint8_t u8;
typedef std::uint16_t u16;
typedef std::uint32_t u32;

// The specialised loops read pixel words straight from memory.
static_assert(std::endian::native == std::endian::little, "pixel words are little-endian");

/** One colour channel of an integer format. */
struct Channel
{
	/** Channel bits in the pixel word; 0 when the format lacks the channel. */
	u32 mask;
	/** Lowest set bit of the mask. */
	int pos;
	/** Number of bits. */
	int bits;
	/** Widening to 8 bits by bit replication: ((v * mul) >> mulShift). */
	u32 mul;
	int mulShift;
};

/** The little-endian word of bytes (1 to 4) bytes at p. */
inline u32 readWord(u8 const* p, int bytes)
{
	switch (bytes)
	{
	case 2:
		return u32(p[0]) | u32(p[1]) << 8;
	case 3:
		return u32(p[0]) | u32(p[1]) << 8 | u32(p[2]) << 16;
	case 4:
		return u32(p[0]) | u32(p[1]) << 8 | u32(p[2]) << 16 | u32(p[3]) << 24;
	default:
		return p[0];
	}
}

/** Stores the low bytes (1 to 4) bytes of w at p, little-endian. */
inline void writeWord(u8* p, int bytes, u32 w)
{
	switch (bytes)
	{
	case 4:
		p[3] = u8(w >> 24);
		[[fallthrough]];
	case 3:
		p[2] = u8(w >> 16);
		[[fallthrough]];
	case 2:
		p[1] = u8(w >> 8);
		[[fallthrough]];
	case 1:
		p[0] = u8(w);
		break;
	default:
		break;
	}
}

/** Bytes of the little-endian word of a format with bpp bits per pixel. */
inline int wordBytes(int bpp)
{
	return bpp == 16 ? 2 : bpp == 24 ? 3 : bpp == 32 ? 4 : 1;
}

/** What a run conversion reads and writes, worked out once per run. */
struct Plan
{
	// Source side.
	int srcBpp;
	bool srcFloat;
	int const* srcHdr;
	u8 const* srcPal;
	int srcEntries;
	int srcPalStride;
	int srcWordBytes;
	Channel srcCh[4];
	// Destination side.
	int dstBpp;
	bool dstFloat;
	int const* dstHdr;
	u8 const* dstPal;
	int dstEntries;
	int dstPalStride;
	int dstPalBytes;
	Channel dstPalCh[4];
	Channel dstCh[4];
	/** Per channel: later channel with the same destination bits overrides it. */
	bool dstShadowed[4];
};

/** The word of a pixel of B bytes at p, any alignment. */
template <int B>
inline u32 load(u8 const* p)
{
	if constexpr (B == 4)
	{
		u32 w;
		std::memcpy(&w, p, 4);
		return w;
	}
	else if constexpr (B == 2)
	{
		u16 w;
		std::memcpy(&w, p, 2);
		return w;
	}
	else
	{
		return readWord(p, B);
	}
}

/** Stores the low B bytes of the pixel word w at p, any alignment. */
template <int B>
inline void store(u8* p, u32 w)
{
	if constexpr (B == 4)
	{
		std::memcpy(p, &w, 4);
	}
	else if constexpr (B == 2)
	{
		u16 const h = u16(w);
		std::memcpy(p, &h, 2);
	}
	else
	{
		writeWord(p, B, w);
	}
}

/** Four pixel words; the compiler maps the operations to vector code where it can. */
typedef u32 V4 __attribute__((vector_size(16)));
typedef u16 V4h __attribute__((vector_size(8)));
typedef u8 V4b __attribute__((vector_size(4)));

/** Words of 4 pixels of SB bytes each. */
template <int SB>
inline V4 load4(u8 const* s)
{
	if constexpr (SB == 4)
	{
		V4 v;
		std::memcpy(&v, s, 16);
		return v;
	}
	else if constexpr (SB == 2)
	{
		V4h h;
		std::memcpy(&h, s, 8);
		return __builtin_convertvector(h, V4);
	}
	else if constexpr (SB == 1)
	{
		V4b b;
		std::memcpy(&b, s, 4);
		return __builtin_convertvector(b, V4);
	}
	else
	{
		u32 w[3];
		std::memcpy(w, s, 12);
		V4 v = {w[0] & 0xFFFFFF, (w[0] >> 24 | w[1] << 8) & 0xFFFFFF, (w[1] >> 16 | w[2] << 16) & 0xFFFFFF, w[2] >> 8};
		return v;
	}
}

/** Stores the low DB bytes of 4 pixel words. */
template <int DB>
inline void store4(u8* d, V4 v)
{
	if constexpr (DB == 4)
	{
		std::memcpy(d, &v, 16);
	}
	else if constexpr (DB == 2)
	{
		V4h const h = __builtin_convertvector(v, V4h);
		std::memcpy(d, &h, 8);
	}
	else if constexpr (DB == 1)
	{
		V4b const b = __builtin_convertvector(v, V4b);
		std::memcpy(d, &b, 4);
	}
	else
	{
		u32 const w[3] = {(v[0] & 0xFFFFFF) | v[1] << 24, (v[1] >> 8 & 0xFFFF) | v[2] << 16, (v[2] >> 16 & 0xFF) | v[3] << 8};
		std::memcpy(d, w, 12);
	}
}

#if defined(__SSE2__)

/** Loads 16 bytes from any address. */
inline __m128i loadBytes(u8 const* p)
{
	return _mm_loadu_si128(reinterpret_cast<__m128i const*>(p));
}

/** Stores 16 bytes at any address. */
inline void storeBytes(u8* p, __m128i v)
{
	_mm_storeu_si128(reinterpret_cast<__m128i*>(p), v);
}

#endif

/** A loop that converts a run of count pixels from s into d. */
typedef void (*RunLoop)(u8* d, u8 const* s, int count);

/**
 * The plan of converting srcfmt (its palette srcpal of the format srcpalfmt)
 * into dstfmt (its palette dstpal of the format dstpalfmt). Throws
 * GraphicsException when a palette format has no palette.
 */
Plan makePlan(SurfaceFormat const& dstfmt, SurfaceFormat const& dstpalfmt, void const* dstpal,
	SurfaceFormat const& srcfmt, SurfaceFormat const& srcpalfmt, void const* srcpal);

/** Converts count pixels from s into d one at a time through the channels of p; any formats. */
void convertPerPixel(Plan const& p, u8* d, u8 const* s, int count);

/** The plan converts integer words of whole bytes, without palettes. */
bool integerWords(Plan const& p);

/** Converts count pixels by the general loop of channel masks; integerWords(p) holds. */
void maskRun(Plan const& p, u8* d, u8 const* s, int count);

/**
 * The loop for a common pair without palettes, in the widest form the
 * processor has, or null when the pair has none; each gives the bytes of
 * the general mask conversion. A rectangle picks it once for all its rows.
 */
RunLoop fastRunLoop(SurfaceFormat::SurfaceFormatType dt, SurfaceFormat::SurfaceFormatType st);

/** Runs the loop of fastRunLoop(dt, st); false when the pair has none. */
bool fastRun(SurfaceFormat::SurfaceFormatType dt, SurfaceFormat::SurfaceFormatType st, u8* d, u8 const* s, int count);

/**
 * Converts integer words (integerWords(p)) of the type st into the type dt
 * by the loop of the pair, or by the general one; also when the types are
 * the same, which then sets the bits no channel of the type holds.
 */
void integerRun(SurfaceFormat::SurfaceFormatType dt, SurfaceFormat::SurfaceFormatType st, Plan const& p, u8* d, u8 const* s, int count);

/** Bytes of a palette converted into the widest format: 256 entries of 16 bytes. */
int const MAX_PALETTE_TABLE = 256 * 16;

/**
 * Converts the entries of the source palette of p (a P4 or P8 source, its
 * palette of the format srcpalfmt) into dstfmt, each entry the bytes a pixel
 * of its colour converts to, through the loops pixels take. Table holds
 * MAX_PALETTE_TABLE bytes.
 */
void convertPalette(SurfaceFormat const& dstfmt, SurfaceFormat const& dstpalfmt, void const* dstpal, SurfaceFormat const& srcpalfmt,
	Plan const& p, u8* table);

/** P4 or P8 pixels (srcBpp bits) looked up in table, entries of db bytes. */
void lookupRun(int srcBpp, int db, u8* d, u8 const* s, u8 const* table, int count);

} // detail
} // gr
