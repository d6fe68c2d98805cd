#include "SurfaceFormat.h"
#include "SurfaceFormatConvert.h"
#include "GraphicsException.h"
#include <lang/Format.h>
#include <bit>
#include <cassert>
#include <cstring>
#include <vector>
#if defined(__SSE2__)
#include <immintrin.h>
#endif

namespace gr
{

namespace
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

Channel makeChannel(u32 mask)
{
	static u32 const MUL[9] = {0, 255, 85, 73, 17, 33, 65, 129, 257};
	static int const SHIFT[9] = {0, 0, 0, 1, 0, 2, 4, 6, 8};
	Channel c = {mask, 0, 0, 0, 0};
	if (mask)
	{
		c.pos = std::countr_zero(mask);
		c.bits = std::popcount(mask);
		assert(c.bits <= 8);
		c.mul = MUL[c.bits];
		c.mulShift = SHIFT[c.bits];
	}
	return c;
}

/** The 8-bit value of a channel of the word w; 255 when the channel is absent. */
inline u32 channelValue(u32 w, Channel const& c)
{
	if (!c.mask)
		return 255;
	return (((w & c.mask) >> c.pos) * c.mul) >> c.mulShift;
}

bool isFloat(SurfaceFormat::SurfaceFormatType t)
{
	return t >= SurfaceFormat::SURFACE_R16F && t <= SurfaceFormat::SURFACE_A32B32G32R32F;
}

bool isPalette(SurfaceFormat::SurfaceFormatType t)
{
	return t == SurfaceFormat::SURFACE_P4 || t == SurfaceFormat::SURFACE_P8;
}

int const* hdrInfo(SurfaceFormat::SurfaceFormatType t)
{
	int const* row = HDR_INFO[t - SurfaceFormat::SURFACE_R16F];
	assert(row[0] == t);
	assert(16 == row[1] || 32 == row[1]);
	return row;
}

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

float halfToFloat(u16 h)
{
	u32 const sign = u32(h & 0x8000) << 16;
	u32 exp = (h >> 10) & 0x1F;
	u32 mant = h & 0x3FF;
	u32 bits;
	if (exp == 0x1F)
	{
		bits = sign | 0x7F800000 | (mant << 13);
	}
	else if (exp == 0)
	{
		if (mant == 0)
		{
			bits = sign;
		}
		else
		{
			// Subnormal: normalise.
			int e = 113;
			while (!(mant & 0x400))
			{
				mant <<= 1;
				--e;
			}
			bits = sign | u32(e) << 23 | (mant & 0x3FF) << 13;
		}
	}
	else
	{
		bits = sign | (exp + 112) << 23 | mant << 13;
	}
	return std::bit_cast<float>(bits);
}

u16 floatToHalf(float f)
{
	u32 const bits = std::bit_cast<u32>(f);
	u16 const sign = u16((bits >> 16) & 0x8000);
	int const fexp = int((bits >> 23) & 0xFF);
	u32 mant = bits & 0x7FFFFF;
	if (fexp == 0xFF)
	{
		if (mant == 0)
			return sign | 0x7C00;
		u32 m = mant >> 13;
		return u16(sign | 0x7C00 | (m ? m : 1));
	}
	int e = fexp - 112;
	if (e <= -11)
		return sign;
	if (e <= 0)
	{
		mant = (mant | 0x800000) >> (113 - fexp);
		if (mant & 0x1000)
			mant += 0x2000;
		return u16(sign | (mant >> 13));
	}
	if (mant & 0x1000)
	{
		mant += 0x2000;
		if (mant & 0x800000)
		{
			mant = 0;
			++e;
		}
	}
	if (e >= 31)
		return sign | 0x7C00;
	return u16(sign | u32(e) << 10 | (mant >> 13));
}

inline u32 floatTo8(float v)
{
	if (!(v >= 0.f))
		return 0;
	if (v > 1.f)
		return 255;
	return u32(v * 255.f);
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

void setChannels(Channel* ch, SurfaceFormat const& fmt)
{
	for (int k = 0; k < 4; ++k)
		ch[k] = makeChannel(FORMATDESC[fmt.type()][2 + k]);
}

void checkPaletteFormat(SurfaceFormat const& palfmt)
{
	assert(palfmt.type() != SurfaceFormat::SURFACE_P4 && palfmt.type() != SurfaceFormat::SURFACE_P8);
	int const bpp = palfmt.bitsPerPixel();
	(void)bpp;
	assert(!palfmt.compressed() && !isFloat(palfmt.type()) && (bpp == 8 || bpp == 16 || bpp == 24 || bpp == 32));
}

/**
 * Checks the palette of the palette format fmt (missing names the error when
 * there is none) and fills in its entry count, entry stride, entry word size
 * and channels. Returns the entries.
 */
u8 const* usePalette(SurfaceFormat const& fmt, SurfaceFormat const& palfmt, void const* pal, char const* missing,
	int* entries, int* stride, int* entryWordBytes, Channel* ch)
{
	if (!pal)
		lang::throwError(GraphicsException(lang::Format(missing, fmt.toString())));
	checkPaletteFormat(palfmt);
	*entries = fmt.type() == SurfaceFormat::SURFACE_P4 ? 16 : 256;
	*stride = palfmt.bitsPerPixel() / 8;
	*entryWordBytes = wordBytes(palfmt.bitsPerPixel());
	setChannels(ch, palfmt);
	return static_cast<u8 const*>(pal);
}

Plan makePlan(SurfaceFormat const& dstfmt, SurfaceFormat const& dstpalfmt, void const* dstpal,
	SurfaceFormat const& srcfmt, SurfaceFormat const& srcpalfmt, void const* srcpal)
{
	Plan p = {};
	p.srcBpp = srcfmt.bitsPerPixel();
	p.srcFloat = isFloat(srcfmt.type());
	p.srcHdr = p.srcFloat ? hdrInfo(srcfmt.type()) : nullptr;
	if (isPalette(srcfmt.type()))
	{
		p.srcPal = usePalette(srcfmt, srcpalfmt, srcpal, "Pixel conversion from {0} needs a source palette",
			&p.srcEntries, &p.srcPalStride, &p.srcWordBytes, p.srcCh);
	}
	else
	{
		p.srcWordBytes = wordBytes(p.srcBpp);
		setChannels(p.srcCh, srcfmt);
	}

	p.dstBpp = dstfmt.bitsPerPixel();
	p.dstFloat = isFloat(dstfmt.type());
	p.dstHdr = p.dstFloat ? hdrInfo(dstfmt.type()) : nullptr;
	if (isPalette(dstfmt.type()))
	{
		p.dstPal = usePalette(dstfmt, dstpalfmt, dstpal, "Pixel conversion into {0} needs a destination palette",
			&p.dstEntries, &p.dstPalStride, &p.dstPalBytes, p.dstPalCh);
	}
	setChannels(p.dstCh, dstfmt);
	for (int k = 0; k < 4; ++k)
	{
		p.dstShadowed[k] = false;
		for (int j = k + 1; j < 4; ++j)
			if (p.dstCh[k].mask && p.dstCh[k].mask == p.dstCh[j].mask)
				p.dstShadowed[k] = true;
	}
	return p;
}

/** Index of the first palette entry nearest to the 8-bit channels c. */
int nearestEntry(Plan const& p, u32 const* c)
{
	int best = 0;
	u32 bestDist = ~0u;
	for (int e = 0; e < p.dstEntries; ++e)
	{
		u32 const w = readWord(p.dstPal + e * p.dstPalStride, p.dstPalBytes);
		u32 dist = 0;
		for (int k = 0; k < 4; ++k)
		{
			int const d = int(channelValue(w, p.dstPalCh[k])) - int(c[k]);
			dist += u32(d * d);
		}
		if (dist < bestDist)
		{
			bestDist = dist;
			best = e;
			if (dist == 0)
				break;
		}
	}
	return best;
}

void convertPerPixel(Plan const& p, u8* d, u8 const* s, int count)
{
	int sbit = 0;
	int dbit = 0;
	for (int i = 0; i < count; ++i)
	{
		float f[4];
		u32 c[4];
		// Read.
		if (p.srcFloat)
		{
			for (int k = 0; k < 4; ++k)
			{
				int const slot = p.srcHdr[2 + k];
				if (slot < 0)
					f[k] = k == 3 ? 1.f : 0.f;
				else if (p.srcHdr[1] == 16)
					f[k] = halfToFloat(u16(s[slot * 2] | s[slot * 2 + 1] << 8));
				else
					std::memcpy(&f[k], s + slot * 4, 4);
				c[k] = floatTo8(f[k]);
			}
		}
		else
		{
			u32 w;
			if (p.srcPal)
			{
				int const ix = (s[0] >> ((-(sbit + p.srcBpp)) & 7)) & (p.srcEntries - 1);
				assert((unsigned)ix < (unsigned)p.srcEntries);
				w = readWord(p.srcPal + ix * p.srcPalStride, p.srcWordBytes);
			}
			else
			{
				w = readWord(s, p.srcWordBytes);
			}
			for (int k = 0; k < 4; ++k)
			{
				c[k] = channelValue(w, p.srcCh[k]);
				// Integer to float: present channels scale to 0..1; a
				// missing colour reads 0, a missing alpha 1.
				f[k] = p.srcCh[k].mask ? float(c[k]) * (1.f / 255.f) : (k == 3 ? 1.f : 0.f);
			}
		}

		// Write.
		if (p.dstFloat)
		{
			for (int k = 0; k < 4; ++k)
			{
				int const slot = p.dstHdr[2 + k];
				if (slot < 0)
					continue;
				if (p.dstHdr[1] == 16)
				{
					u16 const h = floatToHalf(f[k]);
					d[slot * 2] = u8(h);
					d[slot * 2 + 1] = u8(h >> 8);
				}
				else
				{
					std::memcpy(d + slot * 4, &f[k], 4);
				}
			}
		}
		else if (p.dstPal)
		{
			u32 const ix = u32(nearestEntry(p, c));
			if (p.dstBpp == 4)
			{
				// The first pixel of a byte is its high nibble.
				int const shift = 4 - dbit;
				d[0] = u8((d[0] & ~(0xF << shift)) | ((ix & 0xF) << shift));
			}
			else
			{
				d[0] = u8(ix);
			}
		}
		else
		{
			u32 w = ~0u;
			for (int k = 0; k < 4; ++k)
			{
				Channel const& dc = p.dstCh[k];
				if (!dc.mask)
					continue;
				w = (w & ~dc.mask) | ((c[k] >> (8 - dc.bits)) << dc.pos);
			}
			writeWord(d, p.dstBpp / 8, w);
		}

		sbit += p.srcBpp;
		s += sbit >> 3;
		sbit &= 7;
		dbit += p.dstBpp;
		d += dbit >> 3;
		dbit &= 7;
	}
}

/**
 * Integer to integer conversion without palettes, laid out for a tight loop:
 * out = base | sum over channels of ((((w >> srcShift) & srcMax) * mul) >> shr) << dstShift.
 * A channel that keeps or loses bits needs no multiply: the top bits of its
 * replicated value are the top bits of the value itself.
 */
struct IntPlan
{
	/** Destination bits that do not depend on the source. */
	u32 base;
	u32 srcShift[4];
	u32 srcMax[4];
	u32 mul[4];
	u32 shr[4];
	u32 dstShift[4];
	/** Some channel widens (needs the multiply). */
	bool widens;
	/** Number of channels taken from the source, first in the arrays. */
	int channels;
};

IntPlan makeIntPlan(Plan const& p)
{
	IntPlan ip = {};
	u32 all = 0;
	for (int k = 0; k < 4; ++k)
		all |= p.dstCh[k].mask;
	ip.base = ~all;
	ip.widens = false;
	ip.channels = 0;
	for (int k = 0; k < 4; ++k)
	{
		Channel const& dc = p.dstCh[k];
		Channel const& sc = p.srcCh[k];
		if (!dc.mask || p.dstShadowed[k])
			continue;
		if (!sc.mask)
		{
			ip.base |= dc.mask;
			continue;
		}
		// The destination masks left are disjoint, so order does not matter.
		int const n = ip.channels++;
		if (sc.bits >= dc.bits)
		{
			ip.srcShift[n] = u32(sc.pos + sc.bits - dc.bits);
			ip.srcMax[n] = dc.mask >> dc.pos;
			ip.mul[n] = 1;
			ip.shr[n] = 0;
		}
		else
		{
			ip.srcShift[n] = u32(sc.pos);
			ip.srcMax[n] = sc.mask >> sc.pos;
			ip.mul[n] = sc.mul;
			ip.shr[n] = u32(sc.mulShift + 8 - dc.bits);
			ip.widens = true;
		}
		ip.dstShift[n] = u32(dc.pos);
	}
	return ip;
}

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

/** Stores the low DB bytes of 8 pixel words. */
template <int DB>
inline void store8(u8* d, V4 a, V4 b)
{
#if defined(__SSE2__)
	if constexpr (DB == 2)
	{
		// Sign-extend the low halves so that the saturating pack keeps them.
		typedef std::int32_t V4i __attribute__((vector_size(16)));
		V4i const sa = V4i(a << 16) >> 16;
		V4i const sb = V4i(b << 16) >> 16;
		__m128i const packed = _mm_packs_epi32(__m128i(sa), __m128i(sb));
		_mm_storeu_si128(reinterpret_cast<__m128i*>(d), packed);
		return;
	}
#endif
	store4<DB>(d, a);
	store4<DB>(d + 4 * DB, b);
}

/** One channel of pixel words (scalar or V4): see IntPlan. */
template <bool WIDEN, class W>
inline W intChannel(W w, u32 srcShift, u32 srcMax, u32 mul, u32 shr, u32 dstShift)
{
	W v = (w >> srcShift) & srcMax;
	if constexpr (WIDEN)
		v = (v * mul) >> shr;
	return v << dstShift;
}

/** A run through a conversion of one pixel word (called with scalars and with V4), 8 pixels at a time. */
template <int SB, int DB, class Convert>
void fixedRun(u8* d, u8 const* s, int count, Convert convert)
{
	int i = 0;
	for (; i + 8 <= count; i += 8)
	{
		u8 const* ss = s + std::ptrdiff_t(i) * SB;
		store8<DB>(d + std::ptrdiff_t(i) * DB, convert(load4<SB>(ss)), convert(load4<SB>(ss + 4 * SB)));
	}
	for (; i < count; ++i)
		store<DB>(d + std::ptrdiff_t(i) * DB, convert(load<SB>(s + std::ptrdiff_t(i) * SB)));
}

// Out of line, so that each variant's loop is compiled on its own rather than
// inlined into the dispatch in intRun (where the loops ran slower).
template <int SB, int DB, bool WIDEN, int N>
__attribute__((noinline)) void intRunOf(IntPlan const& p, u8* d, u8 const* s, int count)
{
	u32 const base = p.base;
	u32 const s0 = p.srcShift[0], s1 = p.srcShift[1], s2 = p.srcShift[2], s3 = p.srcShift[3];
	u32 const m0 = p.srcMax[0], m1 = p.srcMax[1], m2 = p.srcMax[2], m3 = p.srcMax[3];
	u32 const x0 = p.mul[0], x1 = p.mul[1], x2 = p.mul[2], x3 = p.mul[3];
	u32 const r0 = p.shr[0], r1 = p.shr[1], r2 = p.shr[2], r3 = p.shr[3];
	u32 const d0 = p.dstShift[0], d1 = p.dstShift[1], d2 = p.dstShift[2], d3 = p.dstShift[3];
	auto convert = [&](auto w) {
		decltype(w) out = w & 0;
		out |= base;
		if constexpr (N > 0)
			out |= intChannel<WIDEN>(w, s0, m0, x0, r0, d0);
		if constexpr (N > 1)
			out |= intChannel<WIDEN>(w, s1, m1, x1, r1, d1);
		if constexpr (N > 2)
			out |= intChannel<WIDEN>(w, s2, m2, x2, r2, d2);
		if constexpr (N > 3)
			out |= intChannel<WIDEN>(w, s3, m3, x3, r3, d3);
		return out;
	};
	fixedRun<SB, DB>(d, s, count, convert);
}

template <int SB, int DB>
void intRun(IntPlan const& ip, u8* d, u8 const* s, int count)
{
	switch (ip.channels + (ip.widens ? 8 : 0))
	{
	case 0: intRunOf<SB, DB, false, 0>(ip, d, s, count); break;
	case 1: intRunOf<SB, DB, false, 1>(ip, d, s, count); break;
	case 2: intRunOf<SB, DB, false, 2>(ip, d, s, count); break;
	case 3: intRunOf<SB, DB, false, 3>(ip, d, s, count); break;
	case 4: intRunOf<SB, DB, false, 4>(ip, d, s, count); break;
	case 9: intRunOf<SB, DB, true, 1>(ip, d, s, count); break;
	case 10: intRunOf<SB, DB, true, 2>(ip, d, s, count); break;
	case 11: intRunOf<SB, DB, true, 3>(ip, d, s, count); break;
	default: intRunOf<SB, DB, true, 4>(ip, d, s, count); break;
	}
}

template <int SB>
void intRunTo(int db, IntPlan const& ip, u8* d, u8 const* s, int count)
{
	switch (db)
	{
	case 1: intRun<SB, 1>(ip, d, s, count); break;
	case 2: intRun<SB, 2>(ip, d, s, count); break;
	case 3: intRun<SB, 3>(ip, d, s, count); break;
	case 4: intRun<SB, 4>(ip, d, s, count); break;
	default: assert(false); break;
	}
}

void intRunAny(int sb, int db, IntPlan const& ip, u8* d, u8 const* s, int count)
{
	switch (sb)
	{
	case 1: intRunTo<1>(db, ip, d, s, count); break;
	case 2: intRunTo<2>(db, ip, d, s, count); break;
	case 3: intRunTo<3>(db, ip, d, s, count); break;
	case 4: intRunTo<4>(db, ip, d, s, count); break;
	default: assert(false); break;
	}
}

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

/** A loop that converts a run of count pixels from s into d. */
typedef void (*RunLoop)(u8* d, u8 const* s, int count);

/**
 * The 16-bit words of bytes R, G, B, A pixels, channel by channel: each
 * struct's word() takes rg = R | G << 8 and ba = B | A << 8 of pixels in
 * 16-bit lanes (a u32 or a vector of u16) and gives out, the word in the
 * low 16 bits, as the mask conversion narrows (the top bits of each channel);
 * out rather than a return value, as a vector of AVX2 width is not returned
 * in its registers by code without AVX.
 */
struct ToR5G6B5
{
	template <class V>
	__attribute__((always_inline)) static void word(V const& rg, V const& ba, V& out)
	{
		out = ((rg << 8) & 0xF800) | ((rg >> 5) & 0x07E0) | ((ba >> 3) & 0x001F);
	}
};

struct ToR4G4B4A4
{
	template <class V>
	__attribute__((always_inline)) static void word(V const& rg, V const& ba, V& out)
	{
		out = ((rg << 8) & 0xF000) | ((rg >> 4) & 0x0F00) | (ba & 0x00F0) | (ba >> 12);
	}
};

struct ToR5G5B5A1
{
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

/** rgbaToWords 16 pixels at a time; the processor must have AVX2. */
template <class To>
__attribute__((target("avx2"))) void rgbaToWordsWide(u8* d, u8 const* s, int count)
{
	__m256i const low = _mm256_set1_epi32(0xFFFF);
	int i = 0;
	for (; i + 16 <= count; i += 16)
	{
		__m256i const a = _mm256_loadu_si256(reinterpret_cast<__m256i const*>(s + std::ptrdiff_t(i) * 4));
		__m256i const b = _mm256_loadu_si256(reinterpret_cast<__m256i const*>(s + std::ptrdiff_t(i) * 4 + 32));
		__m256i const rg = _mm256_packus_epi32(_mm256_and_si256(a, low), _mm256_and_si256(b, low));
		__m256i const ba = _mm256_packus_epi32(_mm256_srli_epi32(a, 16), _mm256_srli_epi32(b, 16));
		// The packs work within 128-bit halves: put the four groups of four back in order.
		V16h out;
		To::word(V16h(rg), V16h(ba), out);
		_mm256_storeu_si256(reinterpret_cast<__m256i*>(d + std::ptrdiff_t(i) * 2), _mm256_permute4x64_epi64(__m256i(out), 0xD8));
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

/** P4 or P8 pixels (srcBpp bits) looked up in table, entries of db bytes. */
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

/**
 * The loop for a common pair without palettes, in the widest form the
 * processor has, or null when the pair has none; each gives the bytes of
 * the general mask conversion. A rectangle picks it once for all its rows.
 */
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

/** Runs the loop of fastRunLoop(dt, st); false when the pair has none. */
bool fastRun(SurfaceFormat::SurfaceFormatType dt, SurfaceFormat::SurfaceFormatType st, u8* d, u8 const* s, int count)
{
	RunLoop const loop = fastRunLoop(dt, st);
	if (!loop)
		return false;
	loop(d, s, count);
	return true;
}

/** The plan converts integer words of whole bytes, without palettes. */
bool integerWords(Plan const& p)
{
	return !p.srcFloat && !p.srcPal && !p.dstFloat && !p.dstPal && p.srcBpp % 8 == 0 && p.srcBpp <= 32 && p.srcBpp > 0 &&
		p.dstBpp % 8 == 0 && p.dstBpp <= 32 && p.dstBpp > 0;
}

/**
 * Converts integer words (integerWords(p)) of the type st into the type dt
 * by the loop of the pair, or by the general one; also when the types are
 * the same, which then sets the bits no channel of the type holds.
 */
void integerRun(SurfaceFormat::SurfaceFormatType dt, SurfaceFormat::SurfaceFormatType st, Plan const& p, u8* d, u8 const* s, int count)
{
	if (dt != st && fastRun(dt, st, d, s, count))
		return;
	intRunAny(p.srcBpp / 8, p.dstBpp / 8, makeIntPlan(p), d, s, count);
}

/** Bytes of a palette converted into the widest format: 256 entries of 16 bytes. */
int const MAX_PALETTE_TABLE = 256 * 16;

/**
 * Converts the entries of the source palette of p (a P4 or P8 source, its
 * palette of the format srcpalfmt) into dstfmt, each entry the bytes a pixel
 * of its colour converts to, through the loops pixels take. Table holds
 * MAX_PALETTE_TABLE bytes.
 */
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

} // namespace

namespace detail
{

namespace
{

bool s_vectorExtensions = true;

} // namespace

int vectorExtensions()
{
	if (!s_vectorExtensions)
		return 0;
#if defined(__SSE2__)
	static int const available = (__builtin_cpu_supports("ssse3") ? VECTOR_SSSE3 : 0) | (__builtin_cpu_supports("avx2") ? VECTOR_AVX2 : 0);
	return available;
#else
	return 0;
#endif
}

void allowVectorExtensions(bool allow)
{
	s_vectorExtensions = allow;
}

void copyPixelsPerPixel(SurfaceFormat const& dstfmt, void* dst, SurfaceFormat const& dstpalfmt, void const* dstpal,
	SurfaceFormat const& srcfmt, void const* src, SurfaceFormat const& srcpalfmt, void const* srcpal, int count)
{
	assert(!dstfmt.compressed());
	assert(!srcfmt.compressed());
	assert(srcfmt.type() != SurfaceFormat::SURFACE_UNKNOWN);
	assert(count >= 0);
	Plan const p = makePlan(dstfmt, dstpalfmt, dstpal, srcfmt, srcpalfmt, srcpal);
	convertPerPixel(p, static_cast<u8*>(dst), static_cast<u8 const*>(src), count);
}

} // detail

void SurfaceFormat::copyPixels(void* dst, SurfaceFormat const& dstpalfmt, void const* dstpal,
	SurfaceFormat const& srcfmt, void const* src, SurfaceFormat const& srcpalfmt, void const* srcpal,
	int count) const
{
	assert(!compressed());
	assert(!srcfmt.compressed());
	assert(srcfmt.m_type != SURFACE_UNKNOWN);
	assert(srcpalfmt.m_type != SURFACE_P4 && srcpalfmt.m_type != SURFACE_P8);
	assert(dstpalfmt.m_type != SURFACE_P4 && dstpalfmt.m_type != SURFACE_P8);
	assert(count >= 0);
	// Without assertions a broken precondition converts nothing.
	if (count <= 0 || compressed() || srcfmt.compressed() || srcfmt.m_type == SURFACE_UNKNOWN)
		return;

	u8* d = static_cast<u8*>(dst);
	u8 const* s = static_cast<u8 const*>(src);

	// The common pairs first: a row of a few hundred pixels costs no more
	// than working out a plan.
	if (srcfmt.m_type != m_type && fastRun(m_type, srcfmt.m_type, d, s, count))
		return;

	if (srcfmt.m_type == m_type)
	{
		// Same layout: the bytes (palette indices included) as they are.
		std::int64_t const bits = std::int64_t(count) * bitsPerPixel();
		std::memcpy(d, s, size_t(bits / 8));
		if (bits & 7)
		{
			// An odd count of 4-bit pixels ends in the high nibble.
			d[bits / 8] = u8((d[bits / 8] & 0x0F) | (s[bits / 8] & 0xF0));
		}
		return;
	}

	Plan const p = makePlan(*this, dstpalfmt, dstpal, srcfmt, srcpalfmt, srcpal);
	if (integerWords(p))
	{
		// No loop of its own for the pair (tried above): the general one.
		intRunAny(p.srcBpp / 8, p.dstBpp / 8, makeIntPlan(p), d, s, count);
		return;
	}

	if (p.srcPal && p.dstBpp % 8 == 0 && p.dstBpp > 0)
	{
		// Convert the palette once, then look every pixel up.
		u8 table[MAX_PALETTE_TABLE];
		convertPalette(*this, dstpalfmt, dstpal, srcpalfmt, p, table);
		lookupRun(p.srcBpp, p.dstBpp / 8, d, s, table, count);
		return;
	}

	convertPerPixel(p, d, s, count);
}

namespace
{

/** Pixels per chunk of decoded block rows. */
int const CHUNK = 256;

} // namespace

void SurfaceFormat::copyPixels(void* dst, int dstpitch, SurfaceFormat const& dstpalfmt, void const* dstpal,
	SurfaceFormat const& srcfmt, void const* src, int srcpitch, SurfaceFormat const& srcpalfmt, void const* srcpal,
	int width, int height) const
{
	assert(!compressed());
	assert(bitsPerPixel() >= 8 || !srcfmt.compressed());
	assert(width >= 0 && height >= 0);
	if (width <= 0 || height <= 0 || compressed() || (srcfmt.compressed() && bitsPerPixel() < 8))
		return;

	u8* d = static_cast<u8*>(dst);
	u8 const* s = static_cast<u8 const*>(src);
	SurfaceFormat const argb(SURFACE_A8R8G8B8);
	SurfaceFormat const abgr(SURFACE_A8B8G8R8);
	SurfaceFormat const none;
	std::ptrdiff_t const dpitch = dstpitch;
	std::ptrdiff_t const spitch = srcpitch;
	int const dstBytes = bitsPerPixel() / 8;

	switch (srcfmt.m_type)
	{
	case SURFACE_DXT1:
	case SURFACE_DXT3:
	case SURFACE_DXT5:
	case SURFACE_ETC1_RGB_4BPP: {
		// Decode a strip of blocks at a time into a small buffer and convert
		// its rows; blocks reaching past the surface are cut.
		bool const etc = srcfmt.m_type == SURFACE_ETC1_RGB_4BPP;
		int const blockBytes = srcfmt.m_type == SURFACE_DXT1 || etc ? 8 : 16;
		std::ptrdiff_t const blockRowBytes = etc ? std::ptrdiff_t((width + 3) / 4) * 8 : spitch;
		SurfaceFormat const& decoded = etc ? abgr : argb;
		u32 strip[4][CHUNK];
		u32 block[16];
		for (int by = 0; by * 4 < height; ++by)
		{
			u8 const* row = s + by * blockRowBytes;
			for (int x0 = 0; x0 < width; x0 += CHUNK)
			{
				int const n = width - x0 < CHUNK ? width - x0 : CHUNK;
				for (int bx = 0; bx * 4 < n; ++bx)
				{
					u8 const* b = row + std::ptrdiff_t((x0 / 4) + bx) * blockBytes;
					if (etc)
						detail::decodeETC1Block(b, block);
					else
						detail::decodeDXTBlock(srcfmt.m_type, b, block);
					for (int r = 0; r < 4; ++r)
						std::memcpy(&strip[r][bx * 4], &block[r * 4], 16);
				}
				for (int r = 0; r < 4 && by * 4 + r < height; ++r)
				{
					u8* out = d + (by * 4 + r) * dpitch + std::ptrdiff_t(x0) * dstBytes;
					copyPixels(out, dstpalfmt, dstpal, decoded, strip[r], none, nullptr, n);
				}
			}
		}
		break;
	}

	case SURFACE_RGB_PVRTC_GL_2BPP:
	case SURFACE_RGBA_PVRTC_GL_2BPP:
	case SURFACE_RGB_PVRTC_GL_4BPP:
	case SURFACE_RGBA_PVRTC_GL_4BPP: {
		int const twoBit = srcfmt.m_type == SURFACE_RGB_PVRTC_GL_2BPP || srcfmt.m_type == SURFACE_RGBA_PVRTC_GL_2BPP;
		if (m_type == SURFACE_A8B8G8R8 && dpitch == std::ptrdiff_t(width) * 4)
		{
			decompressPVRTC(s, twoBit, width, height, d);
			break;
		}
		std::vector<u8> image(size_t(width) * size_t(height) * 4);
		decompressPVRTC(s, twoBit, width, height, image.data());
		for (int y = 0; y < height; ++y)
			copyPixels(d + y * dpitch, dstpalfmt, dstpal, abgr, image.data() + size_t(y) * size_t(width) * 4, none, nullptr, width);
		break;
	}

	case SURFACE_P4:
	case SURFACE_P8:
		if (srcfmt.m_type != m_type && bitsPerPixel() % 8 == 0 && bitsPerPixel() > 0)
		{
			// The palette converted once for every row.
			Plan const p = makePlan(*this, dstpalfmt, dstpal, srcfmt, srcpalfmt, srcpal);
			u8 table[MAX_PALETTE_TABLE];
			convertPalette(*this, dstpalfmt, dstpal, srcpalfmt, p, table);
			for (int y = 0; y < height; ++y)
				lookupRun(p.srcBpp, dstBytes, d + y * dpitch, s + y * spitch, table, width);
			break;
		}
		[[fallthrough]];
	default:
		if (RunLoop const loop = srcfmt.m_type != m_type ? fastRunLoop(m_type, srcfmt.m_type) : nullptr)
		{
			// Picked once: a row of a few hundred pixels costs little more
			// than picking.
			for (int y = 0; y < height; ++y)
				loop(d + y * dpitch, s + y * spitch, width);
			break;
		}
		for (int y = 0; y < height; ++y)
			copyPixels(d + y * dpitch, dstpalfmt, dstpal, srcfmt, s + y * spitch, srcpalfmt, srcpal, width);
		break;
	}
}

} // gr
