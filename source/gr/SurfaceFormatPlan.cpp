#include <gr/SurfaceFormatRun.h>
#include <gr/SurfaceFormatConvert.h>
#include <gr/GraphicsException.h>
#include <lang/Format.h>
#include <cassert>
#include <cstring>

// The general conversion: a plan of each side's channels, pixels converted
// one at a time through it.

namespace gr
{
namespace detail
{

namespace
{

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

} // namespace

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

namespace
{

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

} // namespace

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
} // gr
