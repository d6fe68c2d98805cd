#include "ImageReader.h"
#include "CodecSupport.h"
#include <io/IOException.h>
#include <lang/Format.h>
#include <algorithm>
#include <cassert>
#include <cstring>

namespace img
{

using gr::SurfaceFormat;
using detail::PngIO;
using detail::rethrowPending;

namespace
{

/** Most bytes deflate can give for one compressed byte (a run coded as maximal matches). */
constexpr long long DEFLATE_MAX_RATIO = 1032;

// libpng's own limits, each set by the reader instead of left to the
// library's build. The reader uses IHDR, PLTE, tRNS and IDAT only; every
// other chunk is skipped unread (readHeader_png), so these bound what remains.
//
// Width and height (library default 1,000,000 each): the reader's own
// limit, which checkSize and checkDecodedSize hold after the header.
constexpr png_uint_32 PNG_MAX_SIDE = 1000000;
// Bytes allocated for one chunk other than IDAT (library default 8,000,000;
// past it the library only warns for ancillary chunks and allocates anyway,
// which is why those are skipped rather than read): PLTE needs 768, tRNS 256.
constexpr png_alloc_size_t PNG_CHUNK_MALLOC_MAX = 64 << 10;
// Ancillary chunks kept in memory (library default 1000): none are kept.
constexpr png_uint_32 PNG_CHUNK_CACHE_MAX = 16;

/** Owns a libpng read struct and its info struct. */
struct PngReadGuard
{
	png_structp png = nullptr;
	png_infop info = nullptr;

	~PngReadGuard()
	{
		if (png)
			png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
	}
};

/** Header facts read by pngReadInfo. */
struct PngHeader
{
	png_uint_32 width;
	png_uint_32 height;
	int bitDepth;
	int colorType;
	int channels;
	size_t rowBytes;
	/** Bits of one pixel as stored in the compressed data, before the expansions. */
	int storedBitsPerPixel;
};

// The two functions below hold setjmp and only trivially destructible locals.

__attribute__((noinline)) bool pngReadInfo(png_structp png, png_infop info, PngHeader* hdr)
{
	if (setjmp(png_jmpbuf(png)))
		return false;
	png_set_sig_bytes(png, 8);
	png_read_info(png, info);
	int bitDepth = png_get_bit_depth(png, info);
	hdr->storedBitsPerPixel = bitDepth * png_get_channels(png, info);
	if (bitDepth < 8)
		png_set_expand(png);
	else if (bitDepth > 8)
		png_set_scale_16(png);
	png_set_interlace_handling(png);
	png_read_update_info(png, info);
	hdr->width = png_get_image_width(png, info);
	hdr->height = png_get_image_height(png, info);
	hdr->bitDepth = png_get_bit_depth(png, info);
	hdr->colorType = png_get_color_type(png, info);
	hdr->channels = png_get_channels(png, info);
	hdr->rowBytes = png_get_rowbytes(png, info);
	return true;
}

__attribute__((noinline)) bool pngReadImage(png_structp png, png_bytepp rows)
{
	if (setjmp(png_jmpbuf(png)))
		return false;
	png_read_image(png, rows);
	return true;
}

} // namespace

void ImageReader::readHeader_png()
{
	std::string const name = m_in->toString();
	unsigned char sig[8];
	readFully(m_in, sig, 8);
	if (png_sig_cmp(sig, 0, 8) != 0)
		lang::throwError(io::IOException(lang::Format("png_check_sig failed while loading \"{0}\". File is not png?", name)));

	PngIO pio = {m_in.ptr(), nullptr, &m_streamError, {0}};
	PngReadGuard guard;
	guard.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &pio, detail::pngError, detail::pngWarning);
	if (!guard.png)
		lang::throwError(io::IOException(lang::Format("png_create_read_struct failed while loading \"{0}\"", name)));
	guard.info = png_create_info_struct(guard.png);
	if (!guard.info)
		lang::throwError(io::IOException(lang::Format("png_create_info_struct failed while loading \"{0}\"", name)));
	png_set_user_limits(guard.png, PNG_MAX_SIDE, PNG_MAX_SIDE);
	png_set_chunk_malloc_max(guard.png, PNG_CHUNK_MALLOC_MAX);
	png_set_chunk_cache_max(guard.png, PNG_CHUNK_CACHE_MAX);
	// Every chunk but IHDR, PLTE, tRNS, IDAT and IEND, known to the library
	// or not, is skipped without being read into memory: a text, profile or
	// palette-suggestion chunk claiming gigabytes is read past, not
	// allocated (nothing the reader gives depends on them).
	png_set_keep_unknown_chunks(guard.png, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);
	png_set_read_fn(guard.png, &pio, [](png_structp png, png_bytep data, size_t length) {
		PngIO* pio = static_cast<PngIO*>(png_get_io_ptr(png));
		if (!detail::readAll(pio->in, data, length, pio->error))
			png_error(png, "read failed");
	});

	auto fail = [&]() {
		rethrowPending(m_streamError);
		lang::throwError(io::IOException(lang::Format("Failed to decode PNG {0}: {1}", name, pio.message)));
	};

	PngHeader hdr;
	if (!pngReadInfo(guard.png, guard.info, &hdr))
		fail();

	switch (hdr.colorType)
	{
	case PNG_COLOR_TYPE_GRAY:
		m_fmt = SurfaceFormat::SURFACE_L8;
		break;
	case PNG_COLOR_TYPE_RGB:
		m_fmt = SurfaceFormat::SURFACE_B8G8R8;
		break;
	case PNG_COLOR_TYPE_PALETTE:
	{
		m_fmt = SurfaceFormat::SURFACE_P8;
		m_colorMapFormat = SurfaceFormat::SURFACE_A8R8G8B8;
		std::memset(m_colorMap, 0xFF, sizeof(m_colorMap));
		png_colorp palette = nullptr;
		int numPalette = 0;
		if (png_get_PLTE(guard.png, guard.info, &palette, &numPalette) & PNG_INFO_PLTE)
		{
			numPalette = std::min(numPalette, 256);
			for (int i = 0; i < numPalette; ++i)
			{
				m_colorMap[i * 4 + 0] = palette[i].blue;
				m_colorMap[i * 4 + 1] = palette[i].green;
				m_colorMap[i * 4 + 2] = palette[i].red;
			}
		}
		png_bytep trans = nullptr;
		int numTrans = 0;
		if (png_get_tRNS(guard.png, guard.info, &trans, &numTrans, nullptr) & PNG_INFO_tRNS)
		{
			numTrans = std::min(numTrans, 256);
			for (int i = 0; i < numTrans && trans; ++i)
				m_colorMap[i * 4 + 3] = trans[i];
		}
		break;
	}
	case PNG_COLOR_TYPE_GRAY_ALPHA:
		m_fmt = SurfaceFormat::SURFACE_A8L8;
		break;
	case PNG_COLOR_TYPE_RGB_ALPHA:
		m_fmt = SurfaceFormat::SURFACE_A8B8G8R8;
		break;
	default:
		lang::throwError(io::IOException(lang::Format("Failed to decode PNG {0}: unsupported color type {1}", name, static_cast<double>(hdr.colorType))));
	}
	checkSize(hdr.width, hdr.height);
	// The compressed data that follows must be able to give every stored
	// pixel: deflate turns one byte into at most DEFLATE_MAX_RATIO.
	long long const storedBytes = static_cast<long long>(hdr.width) * hdr.height * hdr.storedBitsPerPixel / 8;
	checkDecodedSize(hdr.width, hdr.height, static_cast<long long>(hdr.height) * static_cast<long long>(hdr.rowBytes),
		(storedBytes + DEFLATE_MAX_RATIO - 1) / DEFLATE_MAX_RATIO);
	assert(m_fmt.bitsPerPixel() == hdr.bitDepth * hdr.channels);
	assert(static_cast<size_t>(m_fmt.getMemoryUsage(static_cast<int>(hdr.width), 1)) == hdr.rowBytes);

	m_width = static_cast<int>(hdr.width);
	m_height = static_cast<int>(hdr.height);
	m_bitsPerPixel = m_fmt.bitsPerPixel();
	m_pitch = static_cast<int>(m_fmt.getMemoryUsage(m_width, 1));
	m_mipLevels = 1;
	m_surfaces = 1;

	m_surfaceBuffer.resize(1);
	Surface& s = m_surfaceBuffer[0];
	s.width = m_width;
	s.height = m_height;
	s.data.assign(static_cast<size_t>(m_height) * m_pitch, 0);
	std::vector<png_bytep> rows(static_cast<size_t>(m_height));
	for (int y = 0; y < m_height; ++y)
		rows[y] = s.data.data() + static_cast<size_t>(y) * m_pitch;
	if (!pngReadImage(guard.png, rows.data()))
		fail();
}

} // img
