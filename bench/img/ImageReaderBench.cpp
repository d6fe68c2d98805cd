// Loading a 1024x1024 PNG and JPEG through img::ImageReader against decoding
// the same bytes with the simplest API of libpng (png_image) and libjpeg
// (memory source, default settings), and the peak memory of a PNG load.

#include <img/ImageReader.h>
#include <benchmark/benchmark.h>
#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>
#include <jpeglib.h>
#include <malloc.h>
#include <png.h>

namespace
{

using Bytes = std::vector<unsigned char>;
int const SIZE = 1024;

/** Input stream over bytes owned elsewhere (no copy per load). */
class ViewStream : public io::InputStream
{
public:
	explicit ViewStream(Bytes const& data) : io::InputStream(lang::Ptr<io::InputStream>()), m_data(data) {}

	int read(void* buf, int size) override
	{
		int const n = std::min(size, available());
		std::memcpy(buf, m_data.data() + m_pos, n);
		m_pos += n;
		return n;
	}

	int skip(int n) override
	{
		n = std::clamp(n, 0, available());
		m_pos += n;
		return n;
	}

	bool seek(int, SeekMode) override { return false; }
	int available() const override { return static_cast<int>(m_data.size()) - m_pos; }
	std::string toString() const override { return "bench"; }

private:
	Bytes const& m_data;
	int m_pos = 0;
};

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

struct JpegErr
{
	jpeg_error_mgr pub;
	std::jmp_buf jump;
};

void jpegErrExit(j_common_ptr cinfo)
{
	std::longjmp(reinterpret_cast<JpegErr*>(cinfo->err)->jump, 1);
}

bool jpegEncode(jpeg_compress_struct* c, JpegErr* err, Bytes const& rgb, unsigned char** out, unsigned long* size)
{
	c->err = jpeg_std_error(&err->pub);
	err->pub.error_exit = jpegErrExit;
	if (setjmp(err->jump))
		return false;
	jpeg_create_compress(c);
	jpeg_mem_dest(c, out, size);
	c->image_width = SIZE;
	c->image_height = SIZE;
	c->input_components = 3;
	c->in_color_space = JCS_RGB;
	jpeg_set_defaults(c);
	jpeg_set_quality(c, 90, TRUE);
	jpeg_start_compress(c, TRUE);
	while (c->next_scanline < c->image_height)
	{
		JSAMPROW row = const_cast<unsigned char*>(rgb.data()) + static_cast<size_t>(c->next_scanline) * SIZE * 3;
		jpeg_write_scanlines(c, &row, 1);
	}
	jpeg_finish_compress(c);
	return true;
}

Bytes encodeJpeg(Bytes const& rgb)
{
	jpeg_compress_struct c = {};
	JpegErr err;
	unsigned char* mem = nullptr;
	unsigned long size = 0;
	bool const ok = jpegEncode(&c, &err, rgb, &mem, &size);
	jpeg_destroy_compress(&c);
	Bytes out;
	if (ok)
		out.assign(mem, mem + size);
	std::free(mem);
	if (!ok)
		throw std::runtime_error("JPEG encode failed");
	return out;
}

bool jpegDecode(jpeg_decompress_struct* d, JpegErr* err, Bytes const& data, unsigned char* out)
{
	d->err = jpeg_std_error(&err->pub);
	err->pub.error_exit = jpegErrExit;
	if (setjmp(err->jump))
		return false;
	jpeg_create_decompress(d);
	jpeg_mem_src(d, data.data(), data.size());
	jpeg_read_header(d, TRUE);
	jpeg_start_decompress(d);
	while (d->output_scanline < d->output_height)
	{
		JSAMPROW row = out + static_cast<size_t>(d->output_scanline) * d->output_width * d->output_components;
		jpeg_read_scanlines(d, &row, 1);
	}
	jpeg_finish_decompress(d);
	return true;
}

Bytes const& pngFile()
{
	static Bytes const file = encodePng(picture());
	return file;
}

Bytes const& jpegFile()
{
	static Bytes const file = encodeJpeg(picture());
	return file;
}

void readerLoad(Bytes const& file, io::FileFormat fmt, gr::SurfaceFormat dstfmt, Bytes& dst)
{
	img::ImageReader reader(new ViewStream(file), fmt);
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

void BM_PngReader_RGB(benchmark::State& state)
{
	pngFile();
	Bytes dst(static_cast<size_t>(SIZE) * SIZE * 3);
	for (auto _ : state)
	{
		readerLoad(pngFile(), io::FILEFORMAT_PNG, gr::SurfaceFormat::SURFACE_B8G8R8, dst);
		benchmark::DoNotOptimize(dst.data());
	}
}
BENCHMARK(BM_PngReader_RGB)->Unit(benchmark::kMillisecond);

void BM_PngLibpngSimple_RGB(benchmark::State& state)
{
	pngFile();
	Bytes dst(static_cast<size_t>(SIZE) * SIZE * 3);
	for (auto _ : state)
	{
		libpngLoad(pngFile(), PNG_FORMAT_RGB, dst);
		benchmark::DoNotOptimize(dst.data());
	}
}
BENCHMARK(BM_PngLibpngSimple_RGB)->Unit(benchmark::kMillisecond);

void BM_PngReader_RGBA(benchmark::State& state)
{
	pngFile();
	Bytes dst(static_cast<size_t>(SIZE) * SIZE * 4);
	for (auto _ : state)
	{
		readerLoad(pngFile(), io::FILEFORMAT_PNG, gr::SurfaceFormat::SURFACE_A8B8G8R8, dst);
		benchmark::DoNotOptimize(dst.data());
	}
}
BENCHMARK(BM_PngReader_RGBA)->Unit(benchmark::kMillisecond);

void BM_PngLibpngSimple_RGBA(benchmark::State& state)
{
	pngFile();
	Bytes dst(static_cast<size_t>(SIZE) * SIZE * 4);
	for (auto _ : state)
	{
		libpngLoad(pngFile(), PNG_FORMAT_RGBA, dst);
		benchmark::DoNotOptimize(dst.data());
	}
}
BENCHMARK(BM_PngLibpngSimple_RGBA)->Unit(benchmark::kMillisecond);

void BM_JpegReader_RGB(benchmark::State& state)
{
	jpegFile();
	Bytes dst(static_cast<size_t>(SIZE) * SIZE * 3);
	for (auto _ : state)
	{
		readerLoad(jpegFile(), io::FILEFORMAT_JPG, gr::SurfaceFormat::SURFACE_B8G8R8, dst);
		benchmark::DoNotOptimize(dst.data());
	}
}
BENCHMARK(BM_JpegReader_RGB)->Unit(benchmark::kMillisecond);

void BM_JpegLibjpegPlain_RGB(benchmark::State& state)
{
	jpegFile();
	Bytes dst(static_cast<size_t>(SIZE) * SIZE * 3);
	for (auto _ : state)
	{
		jpeg_decompress_struct d = {};
		JpegErr err;
		bool const ok = jpegDecode(&d, &err, jpegFile(), dst.data());
		jpeg_destroy_decompress(&d);
		if (!ok)
			state.SkipWithError("JPEG decode failed");
		benchmark::DoNotOptimize(dst.data());
	}
}
BENCHMARK(BM_JpegLibjpegPlain_RGB)->Unit(benchmark::kMillisecond);

// ---------------------------------------------------------------------------
// Peak memory: the high-water mark of the resident set is reset before one
// load (the destination is allocated and touched first, so it is not
// counted) and read after it.

long residentPeakKiB()
{
	std::ifstream status("/proc/self/status");
	std::string line;
	while (std::getline(status, line))
		if (line.rfind("VmHWM:", 0) == 0)
			return std::atol(line.c_str() + 6);
	return -1;
}

long residentKiB()
{
	std::ifstream status("/proc/self/status");
	std::string line;
	while (std::getline(status, line))
		if (line.rfind("VmRSS:", 0) == 0)
			return std::atol(line.c_str() + 6);
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
		long const before = residentKiB();
		state.ResumeTiming();
		load(dst);
		state.PauseTiming();
		if (reset)
			peak = std::max(peak, static_cast<double>(residentPeakKiB() - before));
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
