// Loading a 1024x1024 PNG and JPEG through img::ImageReader against decoding
// the same bytes with the simplest API of libpng (png_image) and libjpeg
// (memory source, default settings), and the peak memory of a PNG load.

#include "ImageFixtures.h"
#include <benchmark/benchmark.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <stdexcept>
#include <string>
#include <malloc.h>
#include <png.h>

namespace
{

using imgtest::Bytes;
int const SIZE = 1024;

/** A photo-like RGB picture: smooth gradients with some noise. */
Bytes picture()
{
	Bytes v(static_cast<size_t>(SIZE) * SIZE * 3);
	unsigned x32 = 1;
	for (int y = 0; y < SIZE; ++y)
		for (int x = 0; x < SIZE; ++x)
		{
			x32 = x32 * 1664525u + 1013904223u;
			int const noise = static_cast<int>((x32 >> 24) & 15) - 8;
			unsigned char* p = &v[(static_cast<size_t>(y) * SIZE + x) * 3];
			p[0] = static_cast<unsigned char>(std::clamp(x / 4 + noise, 0, 255));
			p[1] = static_cast<unsigned char>(std::clamp(y / 4 + noise, 0, 255));
			p[2] = static_cast<unsigned char>(std::clamp((x + y) / 8 + noise, 0, 255));
		}
	return v;
}

Bytes encodePng(Bytes const& rgb)
{
	png_image image;
	std::memset(&image, 0, sizeof(image));
	image.version = PNG_IMAGE_VERSION;
	image.width = SIZE;
	image.height = SIZE;
	image.format = PNG_FORMAT_RGB;
	png_alloc_size_t size = 0;
	png_image_write_to_memory(&image, nullptr, &size, 0, rgb.data(), 0, nullptr);
	Bytes out(size);
	if (!png_image_write_to_memory(&image, out.data(), &size, 0, rgb.data(), 0, nullptr))
		throw std::runtime_error("PNG encode failed");
	out.resize(size);
	return out;
}

Bytes const& pngFile()
{
	static Bytes const file = encodePng(picture());
	return file;
}

Bytes const& jpegFile()
{
	static Bytes const file = imgtest::makeJpeg(picture(), SIZE, SIZE);
	return file;
}

void readerLoad(Bytes const& file, io::FileFormat fmt, gr::SurfaceFormat dstfmt, Bytes& dst)
{
	// A stream over the file itself: no copy per load.
	img::ImageReader reader(new imgtest::ViewStream(file, "bench"), fmt);
	int const bpp = dstfmt.bitsPerPixel() / 8;
	reader.readSurface(dst.data(), SIZE * bpp, SIZE, SIZE, dstfmt);
}

void libpngLoad(Bytes const& file, png_uint_32 format, Bytes& dst)
{
	png_image image;
	std::memset(&image, 0, sizeof(image));
	image.version = PNG_IMAGE_VERSION;
	if (!png_image_begin_read_from_memory(&image, file.data(), file.size()))
		throw std::runtime_error(image.message);
	image.format = format;
	if (!png_image_finish_read(&image, nullptr, dst.data(), 0, nullptr))
		throw std::runtime_error(image.message);
}

// ---------------------------------------------------------------------------

/** Times load(file, dst) into a destination of bytesPerPixel per pixel, made (and file) before the timing. */
template <class Load>
void timeLoads(benchmark::State& state, Bytes const& file, int bytesPerPixel, Load load)
{
	Bytes dst(static_cast<size_t>(SIZE) * SIZE * bytesPerPixel);
	for (auto _ : state)
	{
		load(file, dst);
		benchmark::DoNotOptimize(dst.data());
	}
}

void BM_PngReader_RGB(benchmark::State& state)
{
	timeLoads(state, pngFile(), 3, [](Bytes const& file, Bytes& dst) { readerLoad(file, io::FILEFORMAT_PNG, gr::SurfaceFormat::SURFACE_B8G8R8, dst); });
}
BENCHMARK(BM_PngReader_RGB)->Unit(benchmark::kMillisecond);

void BM_PngLibpngSimple_RGB(benchmark::State& state)
{
	timeLoads(state, pngFile(), 3, [](Bytes const& file, Bytes& dst) { libpngLoad(file, PNG_FORMAT_RGB, dst); });
}
BENCHMARK(BM_PngLibpngSimple_RGB)->Unit(benchmark::kMillisecond);

void BM_PngReader_RGBA(benchmark::State& state)
{
	timeLoads(state, pngFile(), 4, [](Bytes const& file, Bytes& dst) { readerLoad(file, io::FILEFORMAT_PNG, gr::SurfaceFormat::SURFACE_A8B8G8R8, dst); });
}
BENCHMARK(BM_PngReader_RGBA)->Unit(benchmark::kMillisecond);

void BM_PngLibpngSimple_RGBA(benchmark::State& state)
{
	timeLoads(state, pngFile(), 4, [](Bytes const& file, Bytes& dst) { libpngLoad(file, PNG_FORMAT_RGBA, dst); });
}
BENCHMARK(BM_PngLibpngSimple_RGBA)->Unit(benchmark::kMillisecond);

void BM_JpegReader_RGB(benchmark::State& state)
{
	timeLoads(state, jpegFile(), 3, [](Bytes const& file, Bytes& dst) { readerLoad(file, io::FILEFORMAT_JPG, gr::SurfaceFormat::SURFACE_B8G8R8, dst); });
}
BENCHMARK(BM_JpegReader_RGB)->Unit(benchmark::kMillisecond);

void BM_JpegLibjpegPlain_RGB(benchmark::State& state)
{
	timeLoads(state, jpegFile(), 3, [&state](Bytes const& file, Bytes& dst) {
		jpeg_decompress_struct d = {};
		imgtest::detail::JpegErr err;
		int w, h, comps;
		// dst has the decoded size already: the decoder writes into it without reallocating.
		bool const ok = imgtest::detail::jpegDecompress(&d, &err, file, &dst, &w, &h, &comps);
		jpeg_destroy_decompress(&d);
		if (!ok)
			state.SkipWithError("JPEG decode failed");
	});
}
BENCHMARK(BM_JpegLibjpegPlain_RGB)->Unit(benchmark::kMillisecond);

// ---------------------------------------------------------------------------
// Peak memory: the high-water mark of the resident set is reset before one
// load (the destination is allocated and touched first, so it is not
// counted) and read after it.

/** The value in KiB of the line key ("VmHWM:", "VmRSS:") of /proc/self/status, or -1. */
long statusKiB(char const* key)
{
	std::ifstream status("/proc/self/status");
	std::string line;
	while (std::getline(status, line))
		if (line.rfind(key, 0) == 0)
			return std::atol(line.c_str() + std::strlen(key));
	return -1;
}

bool resetPeak()
{
	std::FILE* f = std::fopen("/proc/self/clear_refs", "w");
	if (!f)
		return false;
	bool const ok = std::fputs("5", f) >= 0;
	return std::fclose(f) == 0 && ok;
}

template <class Load>
void peakOf(benchmark::State& state, Load load)
{
	// Large blocks come from mmap and go back to the system when freed, so
	// the resident set follows the live allocations.
	mallopt(M_MMAP_THRESHOLD, 64 * 1024);
	mallopt(M_TRIM_THRESHOLD, 128 * 1024);
	Bytes dst(static_cast<size_t>(SIZE) * SIZE * 4, 1);
	pngFile();
	double peak = 0;
	for (auto _ : state)
	{
		state.PauseTiming();
		bool const reset = resetPeak();
		long const before = statusKiB("VmRSS:");
		state.ResumeTiming();
		load(dst);
		state.PauseTiming();
		if (reset)
			peak = std::max(peak, static_cast<double>(statusKiB("VmHWM:") - before));
		state.ResumeTiming();
	}
	state.counters["peak_KiB_above_start"] = peak;
	state.counters["image_KiB"] = SIZE * SIZE * 3 / 1024.0;
}

void BM_PngReader_PeakMemory(benchmark::State& state)
{
	peakOf(state, [](Bytes& dst) { readerLoad(pngFile(), io::FILEFORMAT_PNG, gr::SurfaceFormat::SURFACE_B8G8R8, dst); });
}
BENCHMARK(BM_PngReader_PeakMemory)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_PngLibpngSimple_PeakMemory(benchmark::State& state)
{
	peakOf(state, [](Bytes& dst) { libpngLoad(pngFile(), PNG_FORMAT_RGB, dst); });
}
BENCHMARK(BM_PngLibpngSimple_PeakMemory)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace
