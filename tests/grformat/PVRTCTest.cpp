#include <gr/GraphicsException.h>
#include <gr/SurfaceFormat.h>
#include <gtest/gtest.h>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

namespace
{

typedef std::uint32_t u32;

/** Opaque colour B (top half of the colour word) from 5-bit channels. */
u32 opaqueB(u32 r, u32 g, u32 b)
{
	return (0x8000u | r << 10 | g << 5 | b) << 16;
}

/** Opaque colour A (bottom half) from 5-bit red and green, 4-bit blue. */
u32 opaqueA(u32 r, u32 g, u32 b4, u32 mode)
{
	return 0x8000u | r << 10 | g << 5 | b4 << 1 | mode;
}

struct Surface
{
	int width, height, wordW;
	std::vector<std::uint8_t> words;

	Surface(int w, int h, bool twoBit) :
		width(w), height(h), wordW(twoBit ? 8 : 4), words(size_t(w / wordW) * (h / 4) * 8)
	{
	}

	void set(size_t index, u32 modulation, u32 colour)
	{
		std::memcpy(&words[index * 8], &modulation, 4);
		std::memcpy(&words[index * 8 + 4], &colour, 4);
	}

	void fill(u32 modulation, u32 colour)
	{
		for (size_t i = 0; i < words.size() / 8; ++i)
			set(i, modulation, colour);
	}

	std::vector<std::uint8_t> decode() const
	{
		std::vector<std::uint8_t> out(size_t(width) * height * 4);
		EXPECT_EQ(std::int64_t(words.size()), gr::decompressPVRTC(words.data(), wordW == 8, width, height, out.data()));
		return out;
	}
};

/** Every pixel equals rgba. */
void expectAll(std::vector<std::uint8_t> const& px, std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t a)
{
	for (size_t i = 0; i < px.size(); i += 4)
	{
		ASSERT_EQ(r, px[i]) << "pixel " << i / 4;
		ASSERT_EQ(g, px[i + 1]) << "pixel " << i / 4;
		ASSERT_EQ(b, px[i + 2]) << "pixel " << i / 4;
		ASSERT_EQ(a, px[i + 3]) << "pixel " << i / 4;
	}
}

} // namespace

TEST(PVRTC, SameColourInBothEndpointsIsUniform)
{
	// Red 10, green 20, blue 0b1010 (A, 4 bits) = 0b10101 (B, 5 bits).
	std::uint8_t const r = (10 << 3) | (10 >> 2), g = (20 << 3) | (20 >> 2), b = (21 << 3) | (21 >> 2);
	std::mt19937 rng(7);
	for (bool twoBit : {false, true})
	{
		Surface s(32, 16, twoBit);
		for (size_t i = 0; i < s.words.size() / 8; ++i)
		{
			// Any modulation; 2-bit words may use the averaging modes too
			// (4-bit mode 1 would punch through).
			u32 const mode = twoBit ? (rng() & 1) : 0;
			s.set(i, u32(rng()), opaqueB(10, 20, 21) | opaqueA(10, 20, 10, mode));
		}
		expectAll(s.decode(), r, g, b, 255);
	}
}

TEST(PVRTC, BlackAndWhiteEndpoints)
{
	for (bool twoBit : {false, true})
	{
		Surface s(16, 16, twoBit);
		u32 const colour = opaqueB(31, 31, 31) | opaqueA(0, 0, 0, 0);
		s.fill(0x00000000u, colour); // modulation 0: colour A
		expectAll(s.decode(), 0, 0, 0, 255);
		s.fill(0xFFFFFFFFu, colour); // modulation 3: colour B
		expectAll(s.decode(), 255, 255, 255, 255);
	}
	// Modulation 1 and 2 blend 3/8 and 5/8 of the way.
	Surface s(8, 8, false);
	s.fill(0x55555555u, opaqueB(31, 31, 31) | opaqueA(0, 0, 0, 0));
	expectAll(s.decode(), 95, 95, 95, 255);
	s.fill(0xAAAAAAAAu, opaqueB(31, 31, 31) | opaqueA(0, 0, 0, 0));
	expectAll(s.decode(), 159, 159, 159, 255);
}

TEST(PVRTC, PunchThroughAlpha)
{
	Surface s(16, 8, false);
	// Mode 1, modulation 2: halfway colour, alpha 0.
	s.fill(0xAAAAAAAAu, opaqueB(31, 31, 31) | opaqueA(0, 0, 0, 1));
	expectAll(s.decode(), 127, 127, 127, 0);
	// Mode 1, modulation 1: halfway colour, opaque.
	s.fill(0x55555555u, opaqueB(31, 31, 31) | opaqueA(0, 0, 0, 1));
	expectAll(s.decode(), 127, 127, 127, 255);
	// Translucent endpoints: alpha 3 bits widened to 4 then 8.
	s.fill(0u, u32(0x7FFF) << 16 | 0x7FFE);
	expectAll(s.decode(), 255, 255, 255, 0xEE);
}

TEST(PVRTC, WordsAreTwiddled)
{
	struct Case
	{
		unsigned xs, ys, x, y, index;
	};
	Case const cases[] = {
		{4, 4, 1, 2, 6},  // y in the low bit of each pair
		{4, 4, 3, 0, 10},
		{8, 2, 5, 1, 11}, // wide: the extra x bits follow
		{2, 8, 1, 5, 11}, // tall: the extra y bits follow
		{4, 2, 2, 0, 4},
	};
	for (Case const& c : cases)
	{
		EXPECT_EQ(c.index, gr::TwiddleUV(c.xs, c.ys, c.x, c.y)) << c.xs << "x" << c.ys << " (" << c.x << "," << c.y << ")";
		for (bool twoBit : {false, true})
		{
			// All words black except one white one: the pixel at that word's
			// centre is the one fully white pixel.
			int const wordW = twoBit ? 8 : 4;
			Surface s(int(c.xs) * wordW, int(c.ys) * 4, twoBit);
			s.fill(0, opaqueB(0, 0, 0) | opaqueA(0, 0, 0, 0));
			s.set(c.index, 0, opaqueB(31, 31, 31) | opaqueA(31, 31, 15, 0));
			std::vector<std::uint8_t> const px = s.decode();
			int whites = 0;
			for (size_t i = 0; i < px.size(); i += 4)
				whites += px[i] == 255 && px[i + 1] == 255 && px[i + 2] == 255;
			EXPECT_EQ(1, whites);
			size_t const centre = (size_t(c.y) * 4 + 2) * size_t(s.width) + size_t(c.x) * wordW + wordW / 2;
			EXPECT_EQ(255, px[centre * 4]) << c.xs << "x" << c.ys << (twoBit ? " 2-bit" : " 4-bit");
		}
	}

	// The word at (0, 0) reaches the far corner through wrap-around.
	Surface s(16, 16, false);
	s.fill(0, opaqueB(0, 0, 0) | opaqueA(0, 0, 0, 0));
	s.set(0, 0, opaqueB(31, 31, 31) | opaqueA(31, 31, 15, 0));
	std::vector<std::uint8_t> const px = s.decode();
	EXPECT_GT(px[(16 * 16 - 1) * 4], 0);
	EXPECT_EQ(0, px[(16 * 8 + 8) * 4]);
}

TEST(PVRTC, SizesAndErrors)
{
	// Below the minimum size: decoded at 8 x 8 and cut.
	std::vector<std::uint8_t> words(32, 0);
	for (int i = 0; i < 4; ++i)
	{
		u32 const colour = opaqueB(31, 0, 0) | opaqueA(31, 0, 0, 0);
		std::memcpy(&words[i * 8 + 4], &colour, 4);
	}
	std::vector<std::uint8_t> out(3 * 2 * 4 + 4, 0xEE);
	EXPECT_EQ(32, gr::decompressPVRTC(words.data(), 0, 3, 2, out.data()));
	for (int i = 0; i < 6; ++i)
		EXPECT_EQ(255, out[i * 4]);
	EXPECT_EQ(0xEE, out[24]);

	// The rectangle conversion decodes too.
	std::uint16_t rgb565[6];
	gr::SurfaceFormat(gr::SurfaceFormat::SURFACE_R5G6B5).copyPixels(rgb565, 6, gr::SurfaceFormat(), nullptr,
		gr::SurfaceFormat(gr::SurfaceFormat::SURFACE_RGB_PVRTC_GL_4BPP), words.data(), 0, gr::SurfaceFormat(), nullptr, 3, 2);
	EXPECT_EQ(0xF800, rgb565[5]);

	// A grid that is not a power of two is bad data, not a crash.
	std::vector<std::uint8_t> big(24 * 24, 0);
	std::vector<std::uint8_t> px(24 * 24 * 4);
	EXPECT_THROW(gr::decompressPVRTC(big.data(), 0, 24, 24, px.data()), gr::GraphicsException);
	EXPECT_THROW(gr::decompressPVRTC(big.data(), 1, 48, 8, px.data()), gr::GraphicsException);
}

TEST(PVRTC, ShiftingTheWordGridShiftsTheImage)
{
	// Decoding wraps around the edges, so moving every word one step right
	// (or down) moves the whole decoded image by one word footprint.
	std::mt19937 rng(99);
	for (bool twoBit : {false, true})
		for (auto size : {std::pair<int, int>(32, 16), std::pair<int, int>(16, 32), std::pair<int, int>(32, 32)})
		{
			int const wordW = twoBit ? 8 : 4;
			unsigned const xs = unsigned(size.first / wordW), ys = unsigned(size.second / 4);
			std::vector<std::pair<u32, u32>> logical(xs * ys);
			for (auto& w : logical)
				w = {u32(rng()), u32(rng())};
			Surface base(size.first, size.second, twoBit), right = base, down = base;
			for (unsigned y = 0; y < ys; ++y)
				for (unsigned x = 0; x < xs; ++x)
				{
					auto const& w = logical[y * xs + x];
					base.set(gr::TwiddleUV(xs, ys, x, y), w.first, w.second);
					right.set(gr::TwiddleUV(xs, ys, (x + 1) % xs, y), w.first, w.second);
					down.set(gr::TwiddleUV(xs, ys, x, (y + 1) % ys), w.first, w.second);
				}
			std::vector<std::uint8_t> const a = base.decode(), b = right.decode(), c = down.decode();
			int const w = size.first, h = size.second;
			for (int y = 0; y < h; ++y)
				for (int x = 0; x < w; ++x)
				{
					size_t const i = (size_t(y) * w + x) * 4;
					size_t const fromLeft = (size_t(y) * w + (x + w - wordW) % w) * 4;
					size_t const fromAbove = (size_t((y + h - 4) % h) * w + x) * 4;
					ASSERT_EQ(0, std::memcmp(&b[i], &a[fromLeft], 4)) << x << "," << y << (twoBit ? " 2-bit" : " 4-bit");
					ASSERT_EQ(0, std::memcmp(&c[i], &a[fromAbove], 4)) << x << "," << y << (twoBit ? " 2-bit" : " 4-bit");
				}
		}
}
