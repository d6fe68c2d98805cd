#include <gr/SurfaceFormat.h>
#include <gr/SurfaceFormatConvert.h>
#include <benchmark/benchmark.h>
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

using gr::SurfaceFormat;
typedef SurfaceFormat F;

namespace
{

int const PIXELS = 1024 * 1024;
int const SIDE = 2048;
/** Row length of the conversions: an image of a few hundred pixels across. */
int const ROW = 256;

std::vector<std::uint8_t> randomBytes(size_t n)
{
	std::mt19937 rng(1);
	std::vector<std::uint8_t> v(n);
	for (auto& b : v)
		b = std::uint8_t(rng());
	return v;
}

/**
 * Pixel conversion of PIXELS pixels in rows of ROW pixels, as the image
 * readers and texture uploads convert them (a row at a time), the palette
 * (random) of format paltype where the source has one; items are pixels. Each iteration also copies the
 * destination's bytes with memcpy, and "vs_memcpy" is the median over the
 * iterations of the conversion's time over the copy's, so that the ratio
 * holds on a machine whose load changes while it runs. The time reported is
 * the conversion's alone. Argument: 1 lets the conversion use the
 * processor's vector extensions, 0 keeps it to the x86-64 baseline (SSE2).
 */
void convert(benchmark::State& state, F::SurfaceFormatType src, F::SurfaceFormatType dst, F::SurfaceFormatType paltype)
{
	typedef std::chrono::steady_clock Clock;
	SurfaceFormat const sf(src), df(dst);
	SurfaceFormat const palfmt(paltype);
	std::vector<std::uint8_t> const in = randomBytes(size_t(sf.getMemoryUsage(PIXELS, 1)));
	std::vector<std::uint8_t> const pal = randomBytes(256 * 4);
	size_t const outBytes = size_t(df.getMemoryUsage(PIXELS, 1));
	std::vector<std::uint8_t> out(outBytes);
	std::vector<std::uint8_t> const copyIn = randomBytes(outBytes);
	std::vector<std::uint8_t> copyOut(outBytes);
	std::vector<double> ratios;
	gr::detail::allowVectorExtensions(state.range(0) != 0);
	for (auto _ : state)
	{
		Clock::time_point const start = Clock::now();
		df.copyPixels(out.data(), int(df.getMemoryUsage(ROW, 1)), SurfaceFormat(), nullptr, sf, in.data(), int(sf.getMemoryUsage(ROW, 1)),
			palfmt, pal.data(), ROW, PIXELS / ROW);
		benchmark::DoNotOptimize(out.data());
		benchmark::ClobberMemory();
		Clock::time_point const converted = Clock::now();
		std::memcpy(copyOut.data(), copyIn.data(), outBytes);
		benchmark::DoNotOptimize(copyOut.data());
		benchmark::ClobberMemory();
		Clock::time_point const copied = Clock::now();
		double const conversion = std::chrono::duration<double>(converted - start).count();
		double const copy = std::chrono::duration<double>(copied - converted).count();
		state.SetIterationTime(conversion);
		if (copy > 0)
			ratios.push_back(conversion / copy);
	}
	gr::detail::allowVectorExtensions(true);
	state.SetItemsProcessed(state.iterations() * PIXELS);
	if (!ratios.empty())
	{
		std::nth_element(ratios.begin(), ratios.begin() + std::ptrdiff_t(ratios.size() / 2), ratios.end());
		state.counters["vs_memcpy"] = ratios[ratios.size() / 2];
	}
}

/** memcpy of PIXELS pixels of the given size; items are pixels. */
void copyBytes(benchmark::State& state)
{
	size_t const bytes = size_t(state.range(0)) * PIXELS;
	std::vector<std::uint8_t> const in = randomBytes(bytes);
	std::vector<std::uint8_t> out(bytes);
	for (auto _ : state)
	{
		std::memcpy(out.data(), in.data(), bytes);
		benchmark::DoNotOptimize(out.data());
		benchmark::ClobberMemory();
	}
	state.SetItemsProcessed(state.iterations() * PIXELS);
}

/** Decoding a SIDE x SIDE compressed surface into A8B8G8R8; items are pixels. */
void decode(benchmark::State& state, F::SurfaceFormatType src)
{
	SurfaceFormat const sf(src), df(F::SURFACE_A8B8G8R8);
	std::vector<std::uint8_t> const in = randomBytes(size_t(sf.getMemoryUsage(SIDE, SIDE)));
	std::vector<std::uint8_t> out(size_t(SIDE) * SIDE * 4);
	int const pitch = int(sf.getMemoryUsage(SIDE, 1));
	for (auto _ : state)
	{
		df.copyPixels(out.data(), SIDE * 4, SurfaceFormat(), nullptr, sf, in.data(), pitch, SurfaceFormat(), nullptr, SIDE, SIDE);
		benchmark::DoNotOptimize(out.data());
		benchmark::ClobberMemory();
	}
	state.SetItemsProcessed(state.iterations() * SIDE * SIDE);
}

} // namespace

BENCHMARK(copyBytes)->Name("memcpy/bytesPerPixel")->Arg(1)->Arg(2)->Arg(3)->Arg(4);
// The conversions of the image readers' formats into the formats textures
// are made in, of the pixels the compressed formats decode to, of images
// written out, and a few more.
#define CONVERSION_NAMED(name, src, dst, pal) \
	BENCHMARK_CAPTURE(convert, name, F::SURFACE_##src, F::SURFACE_##dst, F::SURFACE_##pal)->ArgName("extensions")->Arg(1)->Arg(0)->UseManualTime()
#define CONVERSION(src, dst) CONVERSION_NAMED(src##_to_##dst, src, dst, A8B8G8R8)
// From palette indices, the palette in pal.
#define PALETTED(src, dst, pal) CONVERSION_NAMED(src##_##pal##_to_##dst, src, dst, pal)
// TGA and BMP, 24 bits.
CONVERSION(R8G8B8, B8G8R8);
// TGA, 32 bits; PVR in B, G, R, A order.
CONVERSION(A8R8G8B8, A8B8G8R8);
// PNG with a palette.
PALETTED(P8, A8B8G8R8, A8R8G8B8);
// TGA and BMP with a palette.
PALETTED(P8, A8B8G8R8, X8B8G8R8);
PALETTED(P4, A8B8G8R8, X8B8G8R8);
// ETC1 and PVRTC without alpha decoded for a GL that lacks them.
CONVERSION(A8B8G8R8, R5G6B5);
// Images written out from captured frames (A8B8G8R8).
CONVERSION(A8B8G8R8, A8R8G8B8);
CONVERSION(A8B8G8R8, R8G8B8);
CONVERSION(A8B8G8R8, B8G8R8);
// Other conversions.
CONVERSION(B8G8R8, A8B8G8R8);
CONVERSION(A8B8G8R8, R4G4B4A4);
CONVERSION(A8B8G8R8, R5G5B5A1);
CONVERSION(A8B8G8R8, A8B8G8R8);
CONVERSION(R5G6B5, A8R8G8B8);
CONVERSION(A8R8G8B8, A32B32G32R32F);
BENCHMARK_CAPTURE(decode, DXT1, F::SURFACE_DXT1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(decode, DXT5, F::SURFACE_DXT5)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(decode, ETC1, F::SURFACE_ETC1_RGB_4BPP)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(decode, PVRTC_4BPP, F::SURFACE_RGBA_PVRTC_GL_4BPP)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(decode, PVRTC_2BPP, F::SURFACE_RGBA_PVRTC_GL_2BPP)->Unit(benchmark::kMillisecond);
