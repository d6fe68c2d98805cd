#include <gr/SurfaceFormat.h>
#include <benchmark/benchmark.h>
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

std::vector<std::uint8_t> randomBytes(size_t n)
{
	std::mt19937 rng(1);
	std::vector<std::uint8_t> v(n);
	for (auto& b : v)
		b = std::uint8_t(rng());
	return v;
}

/** Pixel conversion of PIXELS pixels; items are pixels. */
void convert(benchmark::State& state, F::SurfaceFormatType src, F::SurfaceFormatType dst)
{
	SurfaceFormat const sf(src), df(dst);
	SurfaceFormat const palfmt(F::SURFACE_A8B8G8R8);
	std::vector<std::uint8_t> const in = randomBytes(size_t(sf.getMemoryUsage(PIXELS, 1)));
	std::vector<std::uint8_t> const pal = randomBytes(256 * 4);
	std::vector<std::uint8_t> out(size_t(df.getMemoryUsage(PIXELS, 1)));
	for (auto _ : state)
	{
		df.copyPixels(out.data(), SurfaceFormat(), nullptr, sf, in.data(), palfmt, pal.data(), PIXELS);
		benchmark::DoNotOptimize(out.data());
		benchmark::ClobberMemory();
	}
	state.SetItemsProcessed(state.iterations() * PIXELS);
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
BENCHMARK_CAPTURE(convert, B8G8R8_to_A8B8G8R8, F::SURFACE_B8G8R8, F::SURFACE_A8B8G8R8);
BENCHMARK_CAPTURE(convert, A8B8G8R8_to_R5G6B5, F::SURFACE_A8B8G8R8, F::SURFACE_R5G6B5);
BENCHMARK_CAPTURE(convert, A8B8G8R8_to_R4G4B4A4, F::SURFACE_A8B8G8R8, F::SURFACE_R4G4B4A4);
BENCHMARK_CAPTURE(convert, P8_to_A8B8G8R8, F::SURFACE_P8, F::SURFACE_A8B8G8R8);
BENCHMARK_CAPTURE(convert, A8B8G8R8_to_A8B8G8R8, F::SURFACE_A8B8G8R8, F::SURFACE_A8B8G8R8);
BENCHMARK_CAPTURE(convert, A8R8G8B8_to_A8B8G8R8, F::SURFACE_A8R8G8B8, F::SURFACE_A8B8G8R8);
BENCHMARK_CAPTURE(convert, R5G6B5_to_A8R8G8B8, F::SURFACE_R5G6B5, F::SURFACE_A8R8G8B8);
BENCHMARK_CAPTURE(convert, A8R8G8B8_to_A32B32G32R32F, F::SURFACE_A8R8G8B8, F::SURFACE_A32B32G32R32F);
BENCHMARK_CAPTURE(decode, DXT1, F::SURFACE_DXT1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(decode, DXT5, F::SURFACE_DXT5)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(decode, ETC1, F::SURFACE_ETC1_RGB_4BPP)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(decode, PVRTC_4BPP, F::SURFACE_RGBA_PVRTC_GL_4BPP)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(decode, PVRTC_2BPP, F::SURFACE_RGBA_PVRTC_GL_2BPP)->Unit(benchmark::kMillisecond);
