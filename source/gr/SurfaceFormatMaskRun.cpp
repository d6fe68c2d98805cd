#include <gr/SurfaceFormatRun.h>
#include <cassert>
#include <cstring>

// The general loop of integer pixel words: each channel moved by a shift and
// a mask, widened by a multiply, 8 pixels at a time.

namespace gr
{
namespace detail
{

namespace
{

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

} // namespace

/** The plan converts integer words of whole bytes, without palettes. */
bool integerWords(Plan const& p)
{
	return !p.srcFloat && !p.srcPal && !p.dstFloat && !p.dstPal && p.srcBpp % 8 == 0 && p.srcBpp <= 32 && p.srcBpp > 0 &&
		p.dstBpp % 8 == 0 && p.dstBpp <= 32 && p.dstBpp > 0;
}

void maskRun(Plan const& p, u8* d, u8 const* s, int count)
{
	intRunAny(p.srcBpp / 8, p.dstBpp / 8, makeIntPlan(p), d, s, count);
}

} // detail
} // gr
