#include <gr/GraphicsException.h>
#include <gr/SurfaceFormat.h>
#include <gr/SurfaceFormatConvert.h>
#include <gtest/gtest.h>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

using gr::SurfaceFormat;
typedef SurfaceFormat F;

namespace
{

SurfaceFormat const NONE;

/** Converts one pixel given as a little-endian word; returns the destination word. */
std::uint32_t convert1(F::SurfaceFormatType srcType, std::uint32_t src, F::SurfaceFormatType dstType)
{
	std::uint8_t s[4], d[4] = {};
	std::memcpy(s, &src, 4);
	SurfaceFormat(dstType).copyPixels(d, NONE, nullptr, SurfaceFormat(srcType), s, NONE, nullptr, 1);
	std::uint32_t w;
	std::memcpy(&w, d, 4);
	int const bytes = SurfaceFormat(dstType).bitsPerPixel() / 8;
	return bytes >= 4 ? w : w & ((1u << (8 * bytes)) - 1);
}

std::vector<std::uint8_t> randomBytes(size_t n, unsigned seed)
{
	std::mt19937 rng(seed);
	std::vector<std::uint8_t> v(n);
	for (auto& b : v)
		b = std::uint8_t(rng());
	return v;
}

} // namespace

TEST(SurfaceFormat, TableAndProperties)
{
	for (int t = 0; t < F::SURFACE_LAST; ++t)
		EXPECT_EQ(std::uint32_t(t), gr::FORMATDESC[t][0]);
	EXPECT_STREQ("RGBA_PVRTC_GL_4BPP", SurfaceFormat(F::SURFACE_RGBA_PVRTC_GL_4BPP).toString());
	EXPECT_STREQ("D24S8", SurfaceFormat(F::SURFACE_D24S8).toString());
	EXPECT_EQ(F::SURFACE_UNKNOWN, SurfaceFormat().type());

	EXPECT_TRUE(SurfaceFormat(F::SURFACE_A1R5G5B5).hasAlpha());
	EXPECT_TRUE(SurfaceFormat(F::SURFACE_DXT1).hasAlpha());
	EXPECT_TRUE(SurfaceFormat(F::SURFACE_RGBA_PVRTC_GL_2BPP).hasAlpha());
	EXPECT_TRUE(SurfaceFormat(F::SURFACE_A16B16G16R16F).hasAlpha());
	EXPECT_TRUE(SurfaceFormat(F::SURFACE_A32B32G32R32F).hasAlpha());
	EXPECT_FALSE(SurfaceFormat(F::SURFACE_ETC1_RGB_4BPP).hasAlpha());
	EXPECT_FALSE(SurfaceFormat(F::SURFACE_G32R32F).hasAlpha());
	EXPECT_FALSE(SurfaceFormat(F::SURFACE_X8R8G8B8).hasAlpha());

	for (int t = 0; t < F::SURFACE_LAST; ++t)
		EXPECT_EQ(t >= F::SURFACE_DXT1 && t <= F::SURFACE_ETC1_RGB_4BPP, SurfaceFormat(F::SurfaceFormatType(t)).compressed()) << t;
}

TEST(SurfaceFormat, MemoryUsage)
{
	struct Case
	{
		F::SurfaceFormatType type;
		int w, h;
		std::int64_t bytes;
	};
	Case const cases[] = {
		{F::SURFACE_DXT1, 5, 5, 32},
		{F::SURFACE_DXT5, 5, 5, 64},
		{F::SURFACE_RGBA_PVRTC_GL_2BPP, 8, 4, 32},
		{F::SURFACE_RGB_PVRTC_GL_4BPP, 1, 1, 32},
		{F::SURFACE_RGB_PVRTC_GL_4BPP, 64, 32, 1024},
		{F::SURFACE_ETC1_RGB_4BPP, 1, 1, 8},
		{F::SURFACE_ETC1_RGB_4BPP, 5, 6, 32}, // whole 4x4 blocks
		{F::SURFACE_P4, 3, 1, 2},             // an odd count rounds up
		{F::SURFACE_R8G8B8, 3, 3, 27},
		{F::SURFACE_A32B32G32R32F, 65536, 65536, std::int64_t(1) << 36}, // no 32-bit overflow
		{F::SURFACE_DXT3, 0, 0, 0},
	};
	for (Case const& c : cases)
		EXPECT_EQ(c.bytes, SurfaceFormat(c.type).getMemoryUsage(c.w, c.h)) << SurfaceFormat(c.type).toString() << " " << c.w << "x" << c.h;
}

TEST(SurfaceFormat, SinglePixelConversions)
{
	struct Case
	{
		F::SurfaceFormatType src;
		std::uint32_t in;
		F::SurfaceFormatType dst;
		std::uint32_t out;
	};
	Case const cases[] = {
		{F::SURFACE_R5G6B5, 0xFFFF, F::SURFACE_A8R8G8B8, 0xFFFFFFFF},
		{F::SURFACE_R5G6B5, 0x0821, F::SURFACE_A8R8G8B8, 0xFF080408},
		{F::SURFACE_R8G8B8, 0x123456, F::SURFACE_A8R8G8B8, 0xFF123456},
		{F::SURFACE_B8G8R8, 0x123456, F::SURFACE_A8R8G8B8, 0xFF563412},
		{F::SURFACE_A8, 0x80, F::SURFACE_A8R8G8B8, 0x80FFFFFF},
		// 1- to 3-bit channels widen by bit replication: set 1-bit alpha is
		// opaque and R3G3B2 white stays white.
		{F::SURFACE_A1R5G5B5, 0x8000, F::SURFACE_A8R8G8B8, 0xFF000000},
		{F::SURFACE_R5G5B5A1, 0x0001, F::SURFACE_A8R8G8B8, 0xFF000000},
		{F::SURFACE_R3G3B2, 0xFF, F::SURFACE_A8R8G8B8, 0xFFFFFFFF},
		{F::SURFACE_R3G3B2, 0x25, F::SURFACE_A8R8G8B8, 0xFF242455}, // 001 001 01
		{F::SURFACE_A8R8G8B8, 0xFF102030, F::SURFACE_L8, 0x30},
		{F::SURFACE_A8R8G8B8, 0x80102030, F::SURFACE_A8L8, 0x8030},
		{F::SURFACE_A8, 0x40, F::SURFACE_L8, 0xFF},
		{F::SURFACE_A8R8G8B8, 0x00123456, F::SURFACE_X8R8G8B8, 0xFF123456},
		{F::SURFACE_A8R8G8B8, 0x80FF8000, F::SURFACE_R5G6B5, 0xFC00},
		{F::SURFACE_A8R8G8B8, 0x80FF8040, F::SURFACE_R4G4B4A4, 0xF848},
		{F::SURFACE_A8R8G8B8, 0x7FFF8040, F::SURFACE_R5G5B5A1, 0xFC10},
		{F::SURFACE_R6G6B6, 0x3FFFF, F::SURFACE_A8B8G8R8, 0xFFFFFFFF},
		{F::SURFACE_A8R8G8B8, 0xFFFFFFFF, F::SURFACE_R6G6B6, 0xFFFFFFFF}, // bits outside the masks are set
	};
	for (Case const& c : cases)
		EXPECT_EQ(c.out, convert1(c.src, c.in, c.dst))
			<< SurfaceFormat(c.src).toString() << " -> " << SurfaceFormat(c.dst).toString() << " of " << std::hex << c.in;
}

TEST(SurfaceFormat, FloatConversions)
{
	float const rgba[4] = {1.5f, -0.2f, 0.5f, 1.0f};
	std::uint32_t argb = 0;
	SurfaceFormat(F::SURFACE_A8R8G8B8).copyPixels(&argb, NONE, nullptr, SurfaceFormat(F::SURFACE_A32B32G32R32F), rgba, NONE, nullptr, 1);
	EXPECT_EQ(0xFFFF007Fu, argb);

	// R16F 0.5 (0x3800): absent green and blue are 0, absent alpha opaque.
	EXPECT_EQ(0xFF7F0000u, convert1(F::SURFACE_R16F, 0x3800, F::SURFACE_A8R8G8B8));

	// Integer to float: a source without alpha gives alpha 1.
	std::uint8_t const bgr[3] = {0, 0x80, 0xFF};
	float out[4] = {9, 9, 9, 9};
	SurfaceFormat(F::SURFACE_A32B32G32R32F).copyPixels(out, NONE, nullptr, SurfaceFormat(F::SURFACE_R8G8B8), bgr, NONE, nullptr, 1);
	EXPECT_FLOAT_EQ(1.f, out[0]);
	EXPECT_FLOAT_EQ(128.f / 255.f, out[1]);
	EXPECT_FLOAT_EQ(0.f, out[2]);
	EXPECT_FLOAT_EQ(1.f, out[3]);

	// Absent destination components are left alone.
	float g[2] = {7, 7};
	SurfaceFormat(F::SURFACE_R32F).copyPixels(g, NONE, nullptr, SurfaceFormat(F::SURFACE_R8G8B8), bgr, NONE, nullptr, 1);
	EXPECT_FLOAT_EQ(1.f, g[0]);
	EXPECT_FLOAT_EQ(7.f, g[1]);

	// Every 8-bit value survives a trip through 32-bit floats.
	std::vector<std::uint8_t> grey(256 * 4), back(256 * 4);
	for (int i = 0; i < 256; ++i)
		std::memset(&grey[i * 4], i, 4);
	std::vector<float> f(256 * 4);
	SurfaceFormat(F::SURFACE_A32B32G32R32F).copyPixels(f.data(), NONE, nullptr, SurfaceFormat(F::SURFACE_A8R8G8B8), grey.data(), NONE, nullptr, 256);
	SurfaceFormat(F::SURFACE_A8R8G8B8).copyPixels(back.data(), NONE, nullptr, SurfaceFormat(F::SURFACE_A32B32G32R32F), f.data(), NONE, nullptr, 256);
	EXPECT_EQ(grey, back);
}

TEST(SurfaceFormat, EveryHalfFloatRoundTrips)
{
	std::vector<std::uint16_t> half(65536), back(65536);
	for (int i = 0; i < 65536; ++i)
		half[i] = std::uint16_t(i);
	std::vector<float> f(65536);
	SurfaceFormat(F::SURFACE_R32F).copyPixels(f.data(), NONE, nullptr, SurfaceFormat(F::SURFACE_R16F), half.data(), NONE, nullptr, 65536);
	SurfaceFormat(F::SURFACE_R16F).copyPixels(back.data(), NONE, nullptr, SurfaceFormat(F::SURFACE_R32F), f.data(), NONE, nullptr, 65536);
	for (int i = 0; i < 65536; ++i)
		ASSERT_EQ(half[i], back[i]) << std::hex << i;

	// Known values, subnormals and rounding at the narrowing side.
	EXPECT_FLOAT_EQ(1.f, f[0x3C00]);
	EXPECT_FLOAT_EQ(-2.f, f[0xC000]);
	EXPECT_FLOAT_EQ(std::ldexp(1.f, -24), f[0x0001]);
	EXPECT_TRUE(std::isinf(f[0x7C00]));
	EXPECT_TRUE(std::isnan(f[0x7E00]));
	float const wide[5] = {65520.f, 1e-9f, 1.f + std::ldexp(1.f, -11), std::ldexp(1.f, -25), -1e10f};
	std::uint16_t narrow[5];
	SurfaceFormat(F::SURFACE_R16F).copyPixels(narrow, NONE, nullptr, SurfaceFormat(F::SURFACE_R32F), wide, NONE, nullptr, 5);
	EXPECT_EQ(0x7C00, narrow[0]); // rounds past the largest half
	EXPECT_EQ(0x0000, narrow[1]);
	EXPECT_EQ(0x3C01, narrow[2]); // halfway rounds up
	EXPECT_EQ(0x0001, narrow[3]);
	EXPECT_EQ(0xFC00, narrow[4]);
}

TEST(SurfaceFormat, Palettes)
{
	// A8R8G8B8 palette: entry i = 0xFF0000ii.
	std::uint32_t pal[256];
	for (int i = 0; i < 256; ++i)
		pal[i] = 0xFF000000u | std::uint32_t(i);
	SurfaceFormat const argb(F::SURFACE_A8R8G8B8);

	// P4 reads the first pixel from the high nibble.
	std::uint8_t const p4[2] = {0x12, 0x30};
	std::uint32_t out[3];
	argb.copyPixels(out, NONE, nullptr, SurfaceFormat(F::SURFACE_P4), p4, argb, pal, 3);
	EXPECT_EQ(pal[1], out[0]);
	EXPECT_EQ(pal[2], out[1]);
	EXPECT_EQ(pal[3], out[2]);

	// Writing P4 uses the same order, so a round trip keeps the bytes, and
	// an odd count leaves the other half of the last byte alone.
	std::uint8_t packed[2] = {0x00, 0x0C};
	SurfaceFormat(F::SURFACE_P4).copyPixels(packed, argb, pal, argb, out, NONE, nullptr, 3);
	EXPECT_EQ(0x12, packed[0]);
	EXPECT_EQ(0x3C, packed[1]);
	std::uint8_t copy[2] = {0x00, 0x0D};
	SurfaceFormat(F::SURFACE_P4).copyPixels(copy, NONE, nullptr, SurfaceFormat(F::SURFACE_P4), p4, NONE, nullptr, 3);
	EXPECT_EQ(0x12, copy[0]);
	EXPECT_EQ(0x3D, copy[1]);

	// The same id copies indices whatever the palettes.
	std::uint8_t const idx[4] = {5, 200, 0, 255};
	std::uint8_t idxOut[4] = {};
	std::uint32_t other[256] = {};
	SurfaceFormat(F::SURFACE_P8).copyPixels(idxOut, argb, other, SurfaceFormat(F::SURFACE_P8), idx, argb, pal, 4);
	EXPECT_EQ(0, std::memcmp(idx, idxOut, 4));

	// Nearest entry; a colour held twice gives the lower index.
	std::uint32_t dup[256];
	for (int i = 0; i < 256; ++i)
		dup[i] = 0xFF000000u | std::uint32_t(i / 2) << 16;
	std::uint32_t const colours[3] = {0xFF050000, 0xFF7F0000, 0xFF7F0101};
	std::uint8_t ix[3];
	SurfaceFormat(F::SURFACE_P8).copyPixels(ix, argb, dup, argb, colours, NONE, nullptr, 3);
	EXPECT_EQ(10, ix[0]);
	EXPECT_EQ(254, ix[1]);
	EXPECT_EQ(254, ix[2]);

	// A source without alpha is opaque when matched against the palette.
	std::uint32_t const twoBlacks[16] = {0x00000000, 0xFF000000};
	std::uint8_t const black[3] = {0, 0, 0};
	std::uint8_t p4Out = 0;
	SurfaceFormat(F::SURFACE_P4).copyPixels(&p4Out, argb, twoBlacks, SurfaceFormat(F::SURFACE_R8G8B8), black, NONE, nullptr, 1);
	EXPECT_EQ(0x10, p4Out);

	// Missing palettes are refused.
	EXPECT_THROW(argb.copyPixels(out, NONE, nullptr, SurfaceFormat(F::SURFACE_P8), idx, argb, nullptr, 1), gr::GraphicsException);
	EXPECT_THROW(SurfaceFormat(F::SURFACE_P8).copyPixels(ix, argb, nullptr, argb, colours, NONE, nullptr, 1), gr::GraphicsException);
}

TEST(SurfaceFormat, RoundTripThroughEveryIntegerFormatIsStable)
{
	// A8R8G8B8 -> F -> A8R8G8B8 applied twice gives what it gives once.
	int const n = 4096;
	std::vector<std::uint8_t> const src = randomBytes(n * 4, 1);
	SurfaceFormat const argb(F::SURFACE_A8R8G8B8);
	// A 4-4-4-4 style palette with distinct entries for P4/P8.
	std::uint32_t pal[256];
	for (int i = 0; i < 256; ++i)
		pal[i] = std::uint32_t(i * 0x01030507u) | (i & 1 ? 0xFF000000u : 0x40000000u);
	for (int t = 1; t < F::SURFACE_DXT1; ++t)
	{
		SurfaceFormat const fmt{F::SurfaceFormatType(t)};
		void const* p = (t == F::SURFACE_P4 || t == F::SURFACE_P8) ? pal : nullptr;
		std::vector<std::uint8_t> mid(size_t(fmt.getMemoryUsage(n, 1)));
		std::vector<std::uint8_t> once(n * 4), twice(n * 4);
		fmt.copyPixels(mid.data(), argb, p, argb, src.data(), NONE, nullptr, n);
		argb.copyPixels(once.data(), NONE, nullptr, fmt, mid.data(), argb, p, n);
		fmt.copyPixels(mid.data(), argb, p, argb, once.data(), NONE, nullptr, n);
		argb.copyPixels(twice.data(), NONE, nullptr, fmt, mid.data(), argb, p, n);
		EXPECT_EQ(once, twice) << fmt.toString();
	}
}

TEST(SurfaceFormat, SpecialisedLoopsMatchThePerPixelPath)
{
	// Runs of every length around the vector widths and a long one, from odd
	// addresses, with the processor's vector extensions and without them.
	int const counts[] = {1, 3, 7, 8, 9, 15, 16, 17, 31, 33, 777};
	int const most = 777;
	std::vector<std::uint8_t> const src = randomBytes(most * 4 + 1, 2);
	std::vector<std::uint8_t> const palBytes = randomBytes(256 * 4, 3);
	for (bool const extensions : {true, false})
	{
		gr::detail::allowVectorExtensions(extensions);
		for (int s = 1; s < F::SURFACE_DXT1; ++s)
			for (int d = 1; d < F::SURFACE_DXT1; ++d)
			{
				if (s == d || d == F::SURFACE_P4 || d == F::SURFACE_P8)
					continue;
				SurfaceFormat const sf{F::SurfaceFormatType(s)}, df{F::SurfaceFormatType(d)};
				// Palette sources go through a converted palette table.
				SurfaceFormat const palfmt(s == F::SURFACE_P4 ? F::SURFACE_R5G6B5 : F::SURFACE_A8R8G8B8);
				for (int const n : counts)
				{
					std::vector<std::uint8_t> fast(size_t(df.getMemoryUsage(n, 1)) + 5, 0xA5), slow = fast;
					df.copyPixels(fast.data() + 1, NONE, nullptr, sf, src.data() + 1, palfmt, palBytes.data(), n);
					gr::detail::copyPixelsPerPixel(df, slow.data() + 1, NONE, nullptr, sf, src.data() + 1, palfmt, palBytes.data(), n);
					EXPECT_EQ(fast, slow) << sf.toString() << " -> " << df.toString() << ", " << n << " pixels, extensions " << extensions;
				}
			}
	}
	gr::detail::allowVectorExtensions(true);
}

TEST(SurfaceFormat, FastPairsMatchThePerPixelPathAtEveryAlignment)
{
	// The pairs with loops of their own (the image readers' and uploads'
	// among them), every run length up to past the widest loop's step and a
	// few long ones, from every address alignment on either side. The first
	// 256 source pixels hold every byte value in every byte, the rest are
	// random.
	struct Pair
	{
		F::SurfaceFormatType src, dst;
	};
	Pair const pairs[] = {
		{F::SURFACE_A8R8G8B8, F::SURFACE_A8B8G8R8},
		{F::SURFACE_A8B8G8R8, F::SURFACE_A8R8G8B8},
		{F::SURFACE_X8R8G8B8, F::SURFACE_A8B8G8R8},
		{F::SURFACE_A8R8G8B8, F::SURFACE_X8B8G8R8},
		{F::SURFACE_X8B8G8R8, F::SURFACE_X8R8G8B8},
		{F::SURFACE_R8G8B8, F::SURFACE_B8G8R8},
		{F::SURFACE_B8G8R8, F::SURFACE_R8G8B8},
		{F::SURFACE_A8B8G8R8, F::SURFACE_B8G8R8},
		{F::SURFACE_A8B8G8R8, F::SURFACE_R8G8B8},
		{F::SURFACE_X8R8G8B8, F::SURFACE_R8G8B8},
		{F::SURFACE_A8R8G8B8, F::SURFACE_B8G8R8},
		{F::SURFACE_A8B8G8R8, F::SURFACE_R5G6B5},
		{F::SURFACE_A8B8G8R8, F::SURFACE_R4G4B4A4},
		{F::SURFACE_A8B8G8R8, F::SURFACE_R5G5B5A1},
		{F::SURFACE_B8G8R8, F::SURFACE_A8B8G8R8},
		{F::SURFACE_R5G6B5, F::SURFACE_A8R8G8B8},
		{F::SURFACE_P8, F::SURFACE_A8B8G8R8},
		{F::SURFACE_P4, F::SURFACE_A8B8G8R8},
		{F::SURFACE_P8, F::SURFACE_R5G6B5},
	};
	int const longest = 1031;
	std::vector<std::uint8_t> src = randomBytes(longest * 4 + 8, 4);
	for (int i = 0; i < 256; ++i)
		for (int b = 0; b < 4; ++b)
			src[size_t(i) * 4 + size_t(b)] = std::uint8_t(i * (b + 1) * 37 + b);
	std::vector<std::uint8_t> const palette = randomBytes(256 * 4, 5);
	SurfaceFormat const palfmt(F::SURFACE_X8B8G8R8);
	std::vector<int> counts;
	for (int n = 0; n <= 70; ++n)
		counts.push_back(n);
	for (int n : {255, 256, 257, longest})
		counts.push_back(n);
	for (bool const extensions : {true, false})
	{
		gr::detail::allowVectorExtensions(extensions);
		for (Pair const& pair : pairs)
		{
			SurfaceFormat const sf(pair.src), df(pair.dst);
			for (int const n : counts)
				for (int srcOffset = 0; srcOffset < 4; ++srcOffset)
					for (int dstOffset = 0; dstOffset < 4; ++dstOffset)
					{
						std::vector<std::uint8_t> fast(size_t(df.getMemoryUsage(n, 1)) + 8, 0xA5), slow = fast;
						df.copyPixels(fast.data() + dstOffset, NONE, nullptr, sf, src.data() + srcOffset, palfmt, palette.data(), n);
						gr::detail::copyPixelsPerPixel(df, slow.data() + dstOffset, NONE, nullptr, sf, src.data() + srcOffset, palfmt, palette.data(), n);
						ASSERT_EQ(fast, slow) << sf.toString() << " -> " << df.toString() << ", " << n << " pixels, offsets " << srcOffset << "/"
											  << dstOffset << ", extensions " << extensions;
					}
		}
	}
	gr::detail::allowVectorExtensions(true);
}

TEST(SurfaceFormat, EverySixteenBitWordConvertsAsThePerPixelPath)
{
	// All 65536 words of each 16-bit format into each 32-bit one and back.
	int const n = 65536;
	std::vector<std::uint8_t> words(n * 2);
	for (int i = 0; i < n; ++i)
	{
		words[size_t(i) * 2] = std::uint8_t(i);
		words[size_t(i) * 2 + 1] = std::uint8_t(i >> 8);
	}
	F::SurfaceFormatType const narrow[] = {F::SURFACE_R5G6B5, F::SURFACE_R4G4B4A4, F::SURFACE_R5G5B5A1, F::SURFACE_A8L8, F::SURFACE_R5G5B5};
	F::SurfaceFormatType const wide[] = {F::SURFACE_A8R8G8B8, F::SURFACE_A8B8G8R8, F::SURFACE_X8R8G8B8};
	for (bool const extensions : {true, false})
	{
		gr::detail::allowVectorExtensions(extensions);
		for (F::SurfaceFormatType const s : narrow)
			for (F::SurfaceFormatType const d : wide)
			{
				SurfaceFormat const sf(s), df(d);
				std::vector<std::uint8_t> fast(size_t(n) * 4), slow(size_t(n) * 4);
				df.copyPixels(fast.data(), NONE, nullptr, sf, words.data(), NONE, nullptr, n);
				gr::detail::copyPixelsPerPixel(df, slow.data(), NONE, nullptr, sf, words.data(), NONE, nullptr, n);
				EXPECT_EQ(fast, slow) << sf.toString() << " -> " << df.toString() << ", extensions " << extensions;
				// And back, from words that hold every value of each channel.
				std::vector<std::uint8_t> back(size_t(n) * 2), backSlow(size_t(n) * 2);
				sf.copyPixels(back.data(), NONE, nullptr, df, fast.data(), NONE, nullptr, n);
				gr::detail::copyPixelsPerPixel(sf, backSlow.data(), NONE, nullptr, df, fast.data(), NONE, nullptr, n);
				EXPECT_EQ(back, backSlow) << df.toString() << " -> " << sf.toString() << ", extensions " << extensions;
			}
	}
	gr::detail::allowVectorExtensions(true);
}

TEST(SurfaceFormat, PalettesOfEveryFormatMatchThePerPixelPath)
{
	// The palette is converted once through the fast loops, its format the
	// destination's included (which must still set the bits no channel
	// holds), and looked up per pixel; by run and by rectangle.
	int const n = 37;
	std::vector<std::uint8_t> const idx = randomBytes(n, 6);
	std::vector<std::uint8_t> const palette = randomBytes(256 * 4, 7);
	for (int pf = 1; pf < F::SURFACE_DXT1; ++pf)
	{
		SurfaceFormat const palfmt{F::SurfaceFormatType(pf)};
		int const bpp = palfmt.bitsPerPixel();
		if (pf == F::SURFACE_P4 || pf == F::SURFACE_P8 || pf >= F::SURFACE_R16F || !(bpp == 8 || bpp == 16 || bpp == 24 || bpp == 32))
			continue;
		for (F::SurfaceFormatType const s : {F::SURFACE_P4, F::SURFACE_P8})
			for (int d = 1; d < F::SURFACE_DXT1; ++d)
			{
				if (d == F::SURFACE_P4 || d == F::SURFACE_P8 || d == s)
					continue;
				SurfaceFormat const sf(s), df{F::SurfaceFormatType(d)};
				std::vector<std::uint8_t> fast(size_t(df.getMemoryUsage(n, 1)) + 3, 0x5A), slow = fast;
				df.copyPixels(fast.data() + 1, NONE, nullptr, sf, idx.data(), palfmt, palette.data(), n);
				gr::detail::copyPixelsPerPixel(df, slow.data() + 1, NONE, nullptr, sf, idx.data(), palfmt, palette.data(), n);
				EXPECT_EQ(fast, slow) << sf.toString() << " with a " << palfmt.toString() << " palette -> " << df.toString();
			}
	}
}

TEST(SurfaceFormat, RectangleMatchesItsRows)
{
	// Palettes (converted once for all rows), pairs with loops of their own
	// (picked once) and the general loop; odd widths and padded pitches on
	// both sides: each row as the per-pixel path gives it, the padding
	// untouched.
	std::vector<std::uint8_t> const src = randomBytes(64 * 4 * 9, 8);
	std::vector<std::uint8_t> const palette = randomBytes(256 * 4, 9);
	SurfaceFormat const palfmt(F::SURFACE_A8R8G8B8);
	for (F::SurfaceFormatType const s : {F::SURFACE_P4, F::SURFACE_P8, F::SURFACE_A8R8G8B8, F::SURFACE_A8B8G8R8, F::SURFACE_R8G8B8, F::SURFACE_L8})
		for (F::SurfaceFormatType const d : {F::SURFACE_A8B8G8R8, F::SURFACE_R5G6B5, F::SURFACE_B8G8R8, F::SURFACE_A32B32G32R32F})
			for (int const width : {1, 7, 9, 33, 64})
			{
				SurfaceFormat const sf(s), df(d);
				int const height = 5;
				int const srcPitch = int(sf.getMemoryUsage(width, 1)) + 3;
				int const dstPitch = int(df.getMemoryUsage(width, 1)) + 5;
				std::vector<std::uint8_t> rect(size_t(dstPitch) * height, 0xC3), rows = rect;
				df.copyPixels(rect.data(), dstPitch, NONE, nullptr, sf, src.data(), srcPitch, palfmt, palette.data(), width, height);
				for (int y = 0; y < height; ++y)
					gr::detail::copyPixelsPerPixel(df, rows.data() + size_t(y) * size_t(dstPitch), NONE, nullptr, sf, src.data() + size_t(y) * size_t(srcPitch),
						palfmt, palette.data(), width);
				EXPECT_EQ(rect, rows) << sf.toString() << " -> " << df.toString() << ", " << width << " wide";
			}
	// A rectangle without its palette is refused as a run is.
	std::uint8_t out[16];
	EXPECT_THROW(SurfaceFormat(F::SURFACE_A8B8G8R8).copyPixels(out, 16, NONE, nullptr, SurfaceFormat(F::SURFACE_P8), src.data(), 4, palfmt, nullptr, 4, 1),
		gr::GraphicsException);
}

TEST(SurfaceFormat, RectangleHonoursPitches)
{
	// 3x2 R8G8B8 with a 12-byte source pitch into A8B8G8R8 with a 16-byte
	// pitch: the bytes between rows stay untouched.
	std::uint8_t src[24];
	for (int i = 0; i < 24; ++i)
		src[i] = std::uint8_t(i);
	std::vector<std::uint8_t> dst(32, 0xEE);
	SurfaceFormat(F::SURFACE_A8B8G8R8).copyPixels(dst.data(), 16, NONE, nullptr, SurfaceFormat(F::SURFACE_R8G8B8), src, 12, NONE, nullptr, 3, 2);
	std::uint8_t const row0[16] = {2, 1, 0, 255, 5, 4, 3, 255, 8, 7, 6, 255, 0xEE, 0xEE, 0xEE, 0xEE};
	std::uint8_t const row1[16] = {14, 13, 12, 255, 17, 16, 15, 255, 20, 19, 18, 255, 0xEE, 0xEE, 0xEE, 0xEE};
	EXPECT_EQ(0, std::memcmp(row0, dst.data(), 16));
	EXPECT_EQ(0, std::memcmp(row1, dst.data() + 16, 16));
}
