#include <gr/SurfaceFormat.h>
#include <gr/SurfaceFormatConvert.h>
#include <gr/SurfaceFormatRun.h>
#include <cassert>
#include <cstring>
#include <vector>

// SurfaceFormat::copyPixels: the loop a conversion takes, picked from the
// formats.

namespace gr
{

using detail::u8;
using detail::u32;
using detail::Plan;
using detail::RunLoop;
using detail::MAX_PALETTE_TABLE;
using detail::makePlan;
using detail::integerWords;
using detail::maskRun;
using detail::convertPalette;
using detail::lookupRun;
using detail::convertPerPixel;
using detail::fastRun;
using detail::fastRunLoop;

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

bool fastRun(SurfaceFormat::SurfaceFormatType dt, SurfaceFormat::SurfaceFormatType st, u8* d, u8 const* s, int count)
{
	RunLoop const loop = fastRunLoop(dt, st);
	if (!loop)
		return false;
	loop(d, s, count);
	return true;
}

void integerRun(SurfaceFormat::SurfaceFormatType dt, SurfaceFormat::SurfaceFormatType st, Plan const& p, u8* d, u8 const* s, int count)
{
	if (dt != st && fastRun(dt, st, d, s, count))
		return;
	maskRun(p, d, s, count);
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
		maskRun(p, d, s, count);
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
