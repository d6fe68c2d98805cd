#include "ImageReader.h"
#include "CodecSupport.h"
#include <io/IOException.h>
#include <lang/Exception.h>
#include <lang/Format.h>
#include <algorithm>
#include <cassert>
#include <climits>
#include <cstring>
#include <jerror.h>

namespace img
{

using gr::SurfaceFormat;
using detail::JpegError;
using detail::PngIO;

namespace
{

enum { JPEG_BUFFER_SIZE = 4096 };

/** libjpeg source manager reading from an engine stream. */
struct JpegSource
{
	jpeg_source_mgr pub;
	io::InputStream* in;
	std::exception_ptr* error;
	JOCTET* buffer;
	bool startOfFile;
};

void jpegInitSource(j_decompress_ptr cinfo)
{
	reinterpret_cast<JpegSource*>(cinfo->src)->startOfFile = true;
}

boolean jpegFillInputBuffer(j_decompress_ptr cinfo)
{
	JpegSource* src = reinterpret_cast<JpegSource*>(cinfo->src);
	int n = detail::readSome(src->in, src->buffer, JPEG_BUFFER_SIZE, src->error);
	if (n < 0 || n > JPEG_BUFFER_SIZE)
		ERREXIT(cinfo, JERR_FILE_READ);
	if (n == 0)
	{
		// The stream ended before the end-of-image marker: the file is
		// truncated. Decoding on would fill the missing rows with made-up
		// pixels and report success, so the premature end is an error.
		if (src->startOfFile)
			ERREXIT(cinfo, JERR_INPUT_EMPTY);
		ERREXIT(cinfo, JWRN_JPEG_EOF);
	}
	src->pub.next_input_byte = src->buffer;
	src->pub.bytes_in_buffer = static_cast<size_t>(n);
	src->startOfFile = false;
	return TRUE;
}

void jpegSkipInputData(j_decompress_ptr cinfo, long n)
{
	JpegSource* src = reinterpret_cast<JpegSource*>(cinfo->src);
	if (n <= 0)
		return;
	while (n > static_cast<long>(src->pub.bytes_in_buffer))
	{
		n -= static_cast<long>(src->pub.bytes_in_buffer);
		jpegFillInputBuffer(cinfo);
	}
	src->pub.next_input_byte += n;
	src->pub.bytes_in_buffer -= static_cast<size_t>(n);
}

void jpegTermSource(j_decompress_ptr)
{
}

/** Bytes of a width x height surface with bpp bits per pixel, row by row. */
long long rowBytes(long long width, int bpp)
{
	return (width * bpp + 7) / 8;
}

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
};

// The two functions below hold setjmp and only trivially destructible locals.

__attribute__((noinline)) bool pngReadInfo(png_structp png, png_infop info, PngHeader* hdr)
{
	if (setjmp(png_jmpbuf(png)))
		return false;
	png_set_sig_bytes(png, 8);
	png_read_info(png, info);
	int bitDepth = png_get_bit_depth(png, info);
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

/** Reads exactly n bytes or throws what the stream reported. */
void readExactly(io::InputStream* in, void* buf, size_t n)
{
	std::exception_ptr error;
	if (!detail::readAll(in, buf, n, &error))
		std::rethrow_exception(error);
}

/** Throws the stream error a decoder callback caught, if there is one, and clears it. */
void rethrowPending(std::exception_ptr& error)
{
	if (error)
	{
		std::exception_ptr e = error;
		error = nullptr;
		std::rethrow_exception(e);
	}
}

/** Raises the error for a file that holds fewer bytes than its header needs. */
[[noreturn]] void failedToRead(double bytes, std::string const& name)
{
	lang::throwError(io::IOException(lang::Format("Failed to read {0} bytes from {1}", bytes, name)));
}

/** Format of uncompressed 16, 24 or 32-bit pixels stored blue first; wide32 for 32 bits. */
SurfaceFormat storedRgbFormat(int bpp, SurfaceFormat::SurfaceFormatType wide32)
{
	switch (bpp)
	{
	case 16:
		return SurfaceFormat::SURFACE_R5G5B5;
	case 24:
		return SurfaceFormat::SURFACE_R8G8B8;
	default:
		return wide32;
	}
}

} // namespace

struct ImageReader::JpegState
{
	jpeg_decompress_struct cinfo;
	JpegError err;
};

ImageReader::ImageReader(lang::Ptr<io::InputStream> in, io::FileFormat format) :
	m_in(in),
	m_width(0),
	m_height(0),
	m_bitsPerPixel(0),
	m_pitch(0),
	m_mipLevels(1),
	m_surfaces(1),
	m_surfaceIndex(0),
	m_fileFormat(format),
	m_bottomUp(false),
	m_rle(false),
	m_cubeMap(false),
	m_jpegActive(false)
{
	std::memset(m_colorMap, 0, sizeof(m_colorMap));
	switch (format)
	{
	case io::FILEFORMAT_BMP:
		readHeader_bmp();
		break;
	case io::FILEFORMAT_TGA:
		readHeader_tga();
		break;
	case io::FILEFORMAT_JPG:
		readHeader_jpg();
		break;
	case io::FILEFORMAT_PNG:
		readHeader_png();
		break;
	case io::FILEFORMAT_PVR:
		readHeader_pvr();
		break;
	default:
		lang::throwError(io::IOException(lang::Format("Unsupported image file format while reading {0}", m_in->toString())));
	}
}

ImageReader::~ImageReader()
{
	jpegRelease();
}

void ImageReader::readSurface(void* dst, int pitch, int w, int h, SurfaceFormat dstfmt, const void* dstpal, SurfaceFormat dstpalfmt)
{
	assert(w == surfaceWidth());
	assert(h == surfaceHeight());
	if (m_surfaceIndex >= m_surfaces)
	{
		assert(!"readSurface called after the last surface");
		return;
	}
	switch (m_fileFormat)
	{
	case io::FILEFORMAT_JPG:
		readSurface_jpg(dst, pitch, w, h, dstfmt, dstpal, dstpalfmt);
		break;
	case io::FILEFORMAT_BMP:
	case io::FILEFORMAT_TGA:
		readScanlines(dst, pitch, w, h, dstfmt, dstpal, dstpalfmt);
		++m_surfaceIndex;
		break;
	default:
		readSurfaceFromSurfaceBuffer(dst, pitch, w, h, dstfmt, dstpal, dstpalfmt);
		break;
	}
}

void ImageReader::readFully(lang::Ptr<io::InputStream> in, void* buf, int n)
{
	if (n > 0)
		readExactly(in.ptr(), buf, static_cast<size_t>(n));
}

void ImageReader::readColorMap(lang::Ptr<io::InputStream> in, int bytesPerEntry, int count, unsigned char* colorMap)
{
	assert(bytesPerEntry >= 0 && bytesPerEntry <= 4);
	for (int i = 0; i < count; ++i)
	{
		unsigned char b[4] = {0, 0, 0, 0};
		readFully(in, b, bytesPerEntry);
		unsigned char* entry = colorMap + i * 4;
		entry[0] = b[2];
		entry[1] = b[1];
		entry[2] = b[0];
		entry[3] = b[3];
	}
}

int ImageReader::getUInt16LE(const void* p, int offset)
{
	const unsigned char* b = static_cast<const unsigned char*>(p) + offset;
	return b[0] | (b[1] << 8);
}

unsigned ImageReader::getUInt32LE(const void* p, int offset)
{
	const unsigned char* b = static_cast<const unsigned char*>(p) + offset;
	return static_cast<unsigned>(b[0]) | (static_cast<unsigned>(b[1]) << 8) |
		(static_cast<unsigned>(b[2]) << 16) | (static_cast<unsigned>(b[3]) << 24);
}

long long ImageReader::bytesLeft() const
{
	return m_in->available();
}

void ImageReader::checkSize(long long width, long long height) const
{
	// Every surface must fit a 32-bit byte count even at 4 bytes per pixel,
	// so that callers can size their buffers with int arithmetic.
	if (width < 1 || height < 1 || width > INT_MAX / 4 || height > INT_MAX / 4 || width * height > INT_MAX / 4)
		lang::throwError(io::IOException(lang::Format("Invalid image size ({1,#}x{2,#}) in {0}", m_in->toString(), static_cast<double>(width), static_cast<double>(height))));
}

// ---------------------------------------------------------------------------
// BMP

void ImageReader::readHeader_bmp()
{
	std::string const name = m_in->toString();
	unsigned char fh[14];
	readFully(m_in, fh, 14);
	if (getUInt16LE(fh, 0) != 0x4D42)
		lang::throwError(io::IOException(lang::Format("BMP {0} header corrupted, id invalid", name)));
	long long const dataOffset = getUInt32LE(fh, 10);

	unsigned char ih[64];
	readFully(m_in, ih, 4);
	unsigned const headerSize = getUInt32LE(ih, 0);
	if (headerSize < 12 || headerSize > 64)
		lang::throwError(io::IOException(lang::Format("BMP {0} header corrupted, header wrong size", name)));
	readFully(m_in, ih + 4, static_cast<int>(headerSize) - 4);

	long long width = 0;
	long long height = 0;
	int bpp = 0;
	int mapEntries = 0;
	int mapEntrySize = 0;
	if (headerSize == 12)
	{
		width = getUInt16LE(ih, 4);
		height = getUInt16LE(ih, 6);
		bpp = getUInt16LE(ih, 10);
		if (bpp == 8)
		{
			mapEntries = 256;
			mapEntrySize = 3;
		}
		else if (bpp != 24)
			lang::throwError(io::IOException(lang::Format("BMP {0} header corrupted, invalid bits per pixel ({1})", name, static_cast<double>(bpp))));
	}
	else if (headerSize == 40 || headerSize == 64)
	{
		width = static_cast<int>(getUInt32LE(ih, 4));
		height = static_cast<int>(getUInt32LE(ih, 8));
		int const planes = getUInt16LE(ih, 12);
		bpp = getUInt16LE(ih, 14);
		unsigned const compression = getUInt32LE(ih, 16);
		unsigned const colorsUsed = getUInt32LE(ih, 32);
		if (bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32)
			lang::throwError(io::IOException(lang::Format("BMP {0} header corrupted, invalid bits per pixel ({1})", name, static_cast<double>(bpp))));
		if (planes != 1)
			lang::throwError(io::IOException(lang::Format("BMP {0} header corrupted, invalid planes ({1})", name, static_cast<double>(planes))));
		if (compression != 0)
			lang::throwError(io::IOException(lang::Format("BMP {0} header corrupted, invalid compression ({1})", name, static_cast<double>(compression))));
		if (bpp <= 8)
		{
			long long const count = colorsUsed > 0 ? static_cast<long long>(colorsUsed) : (1LL << bpp);
			if (count > 256)
				lang::throwError(io::IOException(lang::Format("BMP {0} header corrupted, invalid no of used colors ({1})", name, static_cast<double>(count))));
			mapEntries = static_cast<int>(count);
			mapEntrySize = 4;
		}
	}
	else
	{
		lang::throwError(io::IOException(lang::Format("BMP {0} header corrupted, invalid compression ({1})", name, 0.0)));
	}

	// A negative height marks rows stored top row first.
	m_bottomUp = true;
	if (height < 0)
	{
		height = -height;
		m_bottomUp = false;
	}
	if (width < 1 || height < 1)
		lang::throwError(io::IOException(lang::Format("BMP {0} header corrupted, invalid size ({1,#}x{2,#})", name, static_cast<double>(width), static_cast<double>(height))));
	checkSize(width, height);

	if (mapEntries > 0)
	{
		if (bytesLeft() >= 0 && static_cast<long long>(mapEntries) * mapEntrySize > bytesLeft())
			lang::throwError(io::IOException(lang::Format("BMP {0} header corrupted, invalid no of used colors ({1})", name, static_cast<double>(mapEntries))));
		std::memset(m_colorMap, 0, sizeof(m_colorMap));
		readColorMap(m_in, mapEntrySize, mapEntries, m_colorMap);
	}

	long long const skip = dataOffset - 14 - headerSize - static_cast<long long>(mapEntries) * mapEntrySize;
	long long const pitch = (rowBytes(width, bpp) + 3) & ~3LL;
	long long const left = bytesLeft();
	if (skip < 0 || skip > INT_MAX || (left >= 0 && skip > left))
		lang::throwError(io::IOException(lang::Format("BMP {0} header corrupted, invalid data offset ({1,#})", name, static_cast<double>(dataOffset))));
	if (pitch > INT_MAX / 2 || (left >= 0 && pitch * height > left - skip))
		lang::throwError(io::IOException(lang::Format("BMP {0} header corrupted, pixel data exceeds the file", name)));
	if (skip > 0 && m_in->skip(static_cast<int>(skip)) != skip)
		lang::throwError(io::IOException(lang::Format("BMP {0} header corrupted, invalid data offset ({1,#})", name, static_cast<double>(dataOffset))));

	m_width = static_cast<int>(width);
	m_height = static_cast<int>(height);
	m_bitsPerPixel = bpp;
	m_pitch = static_cast<int>(pitch);
	m_surfaces = 1;
	m_colorMapFormat = SurfaceFormat();
	if (bpp <= 8)
	{
		m_fmt = bpp == 4 ? SurfaceFormat::SURFACE_P4 : SurfaceFormat::SURFACE_P8;
		m_colorMapFormat = SurfaceFormat::SURFACE_X8B8G8R8;
	}
	else
		m_fmt = storedRgbFormat(bpp, SurfaceFormat::SURFACE_X8R8G8B8);
}

// ---------------------------------------------------------------------------
// TGA

void ImageReader::readHeader_tga()
{
	std::string const name = m_in->toString();
	unsigned char hdr[18];
	readFully(m_in, hdr, 18);
	int const idLength = hdr[0];
	int const colorMapType = hdr[1];
	int const imageType = hdr[2];
	int const colorMapFirst = getUInt16LE(hdr, 3);
	int const colorMapLength = getUInt16LE(hdr, 5);
	int const colorMapEntryBits = hdr[7];
	int const width = getUInt16LE(hdr, 12);
	int const height = getUInt16LE(hdr, 14);
	int const bpp = hdr[16];
	int const descriptor = hdr[17];

	if (colorMapType > 1 || (bpp & 7) != 0 || (descriptor & 0xC0) != 0)
		lang::throwError(io::IOException(lang::Format("Invalid bits per pixel in {0}", name)));
	if (imageType >= 9 && bpp < 8)
		lang::throwError(io::IOException(lang::Format("RLE Targa ({0}) not supported with 4-bit images", name)));
	if (bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32)
		lang::throwError(io::IOException(lang::Format("Invalid bits per pixel in {0}", name)));
	checkSize(width, height);

	if (idLength > 0 && m_in->skip(idLength) != idLength)
		failedToRead(static_cast<double>(idLength), name);

	if (colorMapLength > 0)
	{
		if (colorMapLength > 256 || colorMapFirst != 0)
			lang::throwError(io::IOException(lang::Format("Invalid color map length in {0}", name)));
		if (colorMapEntryBits != 24 && colorMapEntryBits != 32)
			lang::throwError(io::IOException(lang::Format("Invalid color map entry size in {0}", name)));
		readColorMap(m_in, colorMapEntryBits / 8, colorMapLength, m_colorMap);
	}
	else if (colorMapType != 0)
	{
		lang::throwError(io::IOException(lang::Format("Invalid color map type in {0}", name)));
	}

	int const bytesPerPixel = bpp / 8;
	m_rle = imageType > 8;
	long long const left = bytesLeft();
	if (left >= 0)
	{
		// Run-length rows hold at least one packet per 128 pixels.
		long long const needed = m_rle ? static_cast<long long>(height) * ((width + 127) / 128) * (1 + bytesPerPixel)
			: static_cast<long long>(height) * width * bytesPerPixel;
		if (needed > left)
			failedToRead(static_cast<double>(needed), name);
	}

	m_width = width;
	m_height = height;
	m_bitsPerPixel = bpp;
	m_pitch = width * bytesPerPixel;
	m_bottomUp = (descriptor & 0x20) == 0;
	m_surfaces = 1;
	m_colorMapFormat = SurfaceFormat();
	if (bpp != 8)
		m_fmt = storedRgbFormat(bpp, SurfaceFormat::SURFACE_A8R8G8B8);
	else if (colorMapLength > 0 && imageType != 3 && imageType != 11)
	{
		m_fmt = SurfaceFormat::SURFACE_P8;
		m_colorMapFormat = SurfaceFormat::SURFACE_X8B8G8R8;
	}
	else
	{
		// Grey images, and 8-bit images without a colour map, are luminance.
		m_fmt = SurfaceFormat::SURFACE_L8;
	}
}

void ImageReader::readScanline_tgaRLE(unsigned char* buf)
{
	int const bytesPerPixel = m_bitsPerPixel / 8;
	unsigned char pixel[4];
	int x = 0;
	while (x < m_width)
	{
		unsigned char h;
		readFully(m_in, &h, 1);
		int const count = (h & 127) + 1;
		if (h >= 128)
		{
			readFully(m_in, pixel, bytesPerPixel);
			int const n = std::min(count, m_width - x);
			for (int i = 0; i < n; ++i, ++x)
				std::memcpy(buf + x * bytesPerPixel, pixel, bytesPerPixel);
		}
		else
		{
			int const inside = std::min(count, m_width - x);
			readFully(m_in, buf + x * bytesPerPixel, inside * bytesPerPixel);
			x += inside;
			for (int i = inside; i < count; ++i)
				readFully(m_in, pixel, bytesPerPixel);
		}
	}
}

// ---------------------------------------------------------------------------
// Row delivery (BMP, TGA, JPEG)

void ImageReader::readScanlines(void* dst, int pitch, int w, int h, SurfaceFormat dstfmt, const void* dstpal, SurfaceFormat dstpalfmt)
{
	assert(w == m_width);
	assert(h == m_height);
	(void)w;
	(void)h;
	m_scanlineBuffer.resize(2 * static_cast<size_t>(m_pitch));
	unsigned char* const buf = m_scanlineBuffer.data();
	bool const same = dstfmt.type() == m_fmt.type();
	size_t const copyBytes = static_cast<size_t>(rowBytes(m_width, m_fmt.bitsPerPixel()));
	bool const jpeg = m_fileFormat == io::FILEFORMAT_JPG;
	for (int y = 0; y < m_height; ++y)
	{
		int const dy = m_bottomUp ? m_height - 1 - y : y;
		unsigned char* const out = static_cast<unsigned char*>(dst) + static_cast<ptrdiff_t>(dy) * pitch;
		// Decoded JPEG rows in the stored format go straight to the caller.
		unsigned char* const row = jpeg && same ? out : buf;
		if (jpeg)
		{
			if (!jpegReadRow(row))
				jpegFail();
		}
		else if (m_rle)
			readScanline_tgaRLE(row);
		else
			readFully(m_in, row, m_pitch);
		if (row == out)
			continue;
		if (same)
			std::memcpy(out, row, copyBytes);
		else
			dstfmt.copyPixels(out, dstpalfmt, dstpal, m_fmt, row, m_colorMapFormat, m_colorMap, m_width);
	}
}

// ---------------------------------------------------------------------------
// JPEG

__attribute__((noinline)) bool ImageReader::jpegStart()
{
	JpegState* s = m_jpeg.get();
	if (setjmp(s->err.jump))
		return false;
	jpeg_create_decompress(&s->cinfo);
	JpegSource* src = static_cast<JpegSource*>((*s->cinfo.mem->alloc_small)(reinterpret_cast<j_common_ptr>(&s->cinfo), JPOOL_PERMANENT, sizeof(JpegSource)));
	src->buffer = static_cast<JOCTET*>((*s->cinfo.mem->alloc_small)(reinterpret_cast<j_common_ptr>(&s->cinfo), JPOOL_PERMANENT, JPEG_BUFFER_SIZE));
	src->in = m_in.ptr();
	src->error = &m_streamError;
	src->startOfFile = true;
	src->pub.init_source = jpegInitSource;
	src->pub.fill_input_buffer = jpegFillInputBuffer;
	src->pub.skip_input_data = jpegSkipInputData;
	src->pub.resync_to_restart = jpeg_resync_to_restart;
	src->pub.term_source = jpegTermSource;
	src->pub.bytes_in_buffer = 0;
	src->pub.next_input_byte = nullptr;
	s->cinfo.src = &src->pub;
	jpeg_read_header(&s->cinfo, TRUE);
	jpeg_start_decompress(&s->cinfo);
	return true;
}

__attribute__((noinline)) bool ImageReader::jpegReadRow(unsigned char* row)
{
	JpegState* s = m_jpeg.get();
	if (setjmp(s->err.jump))
		return false;
	JSAMPROW rows[1] = {row};
	return jpeg_read_scanlines(&s->cinfo, rows, 1) == 1;
}

__attribute__((noinline)) bool ImageReader::jpegFinish()
{
	JpegState* s = m_jpeg.get();
	if (setjmp(s->err.jump))
		return false;
	jpeg_finish_decompress(&s->cinfo);
	return true;
}

void ImageReader::jpegFail()
{
	std::string const message = m_jpeg->err.message;
	jpegRelease();
	rethrowPending(m_streamError);
	lang::throwError(io::IOException(lang::Format("Failed to decode JPG {0}: {1}", m_in->toString(), message)));
}

void ImageReader::jpegRelease()
{
	if (m_jpegActive)
	{
		m_jpegActive = false;
		jpeg_destroy_decompress(&m_jpeg->cinfo);
	}
}

void ImageReader::readHeader_jpg()
{
	m_jpeg.reset(new JpegState());
	m_jpeg->cinfo.err = detail::initJpegError(&m_jpeg->err);
	m_jpegActive = true;
	if (!jpegStart())
		jpegFail();
	jpeg_decompress_struct const& cinfo = m_jpeg->cinfo;
	if (cinfo.output_components != 3)
	{
		jpegRelease();
		lang::throwError(io::IOException(lang::Format("Grayscale JPG ({0}) is not supported", m_in->toString())));
	}
	try
	{
		checkSize(cinfo.output_width, cinfo.output_height);
	}
	catch (...)
	{
		jpegRelease();
		throw;
	}
	m_width = static_cast<int>(cinfo.output_width);
	m_height = static_cast<int>(cinfo.output_height);
	m_bitsPerPixel = 8 * cinfo.output_components;
	m_pitch = cinfo.output_components * m_width;
	m_surfaces = 1;
	m_bottomUp = false;
	m_fmt = SurfaceFormat::SURFACE_B8G8R8;
}

void ImageReader::readSurface_jpg(void* dst, int pitch, int w, int h, SurfaceFormat dstfmt, const void* dstpal, SurfaceFormat dstpalfmt)
{
	assert(m_jpegActive);
	if (!m_jpegActive)
		return;
	readScanlines(dst, pitch, w, h, dstfmt, dstpal, dstpalfmt);
	if (!jpegFinish())
		jpegFail();
	jpegRelease();
	++m_surfaceIndex;
}

// ---------------------------------------------------------------------------
// PNG

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

// ---------------------------------------------------------------------------
// PVR

namespace
{

/** Pixel formats of the version 3 header by bits per channel and channel letters. */
struct Pvr3Format
{
	unsigned high;
	unsigned low;
	SurfaceFormat::SurfaceFormatType type;
};

constexpr unsigned letters(char a, char b, char c, char d)
{
	return static_cast<unsigned char>(a) | (static_cast<unsigned char>(b) << 8) |
		(static_cast<unsigned char>(c) << 16) | (static_cast<unsigned>(static_cast<unsigned char>(d)) << 24);
}

Pvr3Format const PVR3_FORMATS[] = {
	{0x08080808, letters('r', 'g', 'b', 'a'), SurfaceFormat::SURFACE_A8B8G8R8},
	{0x08080808, letters('b', 'g', 'r', 'a'), SurfaceFormat::SURFACE_A8R8G8B8},
	{0x04040404, letters('r', 'g', 'b', 'a'), SurfaceFormat::SURFACE_R4G4B4A4},
	{0x01050505, letters('r', 'g', 'b', 'a'), SurfaceFormat::SURFACE_R5G5B5A1},
	{0x00080808, letters('r', 'g', 'b', 0), SurfaceFormat::SURFACE_B8G8R8},
	{0x00050605, letters('r', 'g', 'b', 0), SurfaceFormat::SURFACE_R5G6B5},
	{0x00000808, letters('l', 'a', 0, 0), SurfaceFormat::SURFACE_A8L8},
	{0x00000008, letters('l', 0, 0, 0), SurfaceFormat::SURFACE_L8},
	{0x00000008, letters('a', 0, 0, 0), SurfaceFormat::SURFACE_A8},
};

[[noreturn]] void unsupportedPvrFormat(unsigned id, std::string const& name)
{
	lang::throwError(lang::Exception(lang::Format("Unsupported surface format {0} while reading PVR texture: {1}", static_cast<double>(id), name)));
}

} // namespace

void ImageReader::readHeader_pvr()
{
	unsigned char word[4];
	readFully(m_in, word, 4);
	unsigned const first = getUInt32LE(word, 0);
	if (first == 0x03525650)
		readHeader_pvr3();
	else
		readHeader_pvrLegacy(first);

	// Sizes of every level, validated before anything is allocated.
	std::string const name = m_in->toString();
	int const faces = m_surfaces / m_mipLevels;
	if (m_cubeMap && faces != 6)
		lang::throwError(io::IOException(lang::Format("PVR {0} header corrupted, cube map with {1} faces", name, static_cast<double>(faces))));
	checkSize(m_width, m_height);
	long long total = 0;
	for (int m = 0; m < m_mipLevels; ++m)
		total += m_fmt.getMemoryUsage(std::max(m_width >> m, 1), std::max(m_height >> m, 1));
	long long const left = bytesLeft();
	if (left >= 0 && total > left / faces)
		failedToRead(static_cast<double>(total) * faces, name);

	// Slot f * levels + m holds level m of face f; both header versions store
	// the surfaces in slot order, so they are appended as they are read (a
	// stream of unknown size then fails at its end, not at a huge allocation).
	m_surfaceBuffer.clear();
	for (int f = 0; f < faces; ++f)
		for (int m = 0; m < m_mipLevels; ++m)
			readPvrSurface(m);
}

void ImageReader::readPvrSurface(int level)
{
	m_surfaceBuffer.emplace_back();
	Surface& s = m_surfaceBuffer.back();
	s.width = std::max(m_width >> level, 1);
	s.height = std::max(m_height >> level, 1);
	s.data.resize(static_cast<size_t>(m_fmt.getMemoryUsage(s.width, s.height)));
	readExactly(m_in.ptr(), s.data.data(), s.data.size());
}

void ImageReader::readHeader_pvr3()
{
	std::string const name = m_in->toString();
	unsigned char hdr[48];
	readFully(m_in, hdr, 48);
	unsigned const formatLow = getUInt32LE(hdr, 4);
	unsigned const formatHigh = getUInt32LE(hdr, 8);
	unsigned const height = getUInt32LE(hdr, 20);
	unsigned const width = getUInt32LE(hdr, 24);
	unsigned const depth = getUInt32LE(hdr, 28);
	unsigned const surfaces = getUInt32LE(hdr, 32);
	unsigned const faces = getUInt32LE(hdr, 36);
	unsigned const mips = getUInt32LE(hdr, 40);
	unsigned const metaSize = getUInt32LE(hdr, 44);

	if (formatHigh == 0)
	{
		switch (formatLow)
		{
		case 0: m_fmt = SurfaceFormat::SURFACE_RGB_PVRTC_GL_2BPP; break;
		case 1: m_fmt = SurfaceFormat::SURFACE_RGBA_PVRTC_GL_2BPP; break;
		case 2: m_fmt = SurfaceFormat::SURFACE_RGB_PVRTC_GL_4BPP; break;
		case 3: m_fmt = SurfaceFormat::SURFACE_RGBA_PVRTC_GL_4BPP; break;
		case 6: m_fmt = SurfaceFormat::SURFACE_ETC1_RGB_4BPP; break;
		case 7: m_fmt = SurfaceFormat::SURFACE_DXT1; break;
		case 9: m_fmt = SurfaceFormat::SURFACE_DXT3; break;
		case 11: m_fmt = SurfaceFormat::SURFACE_DXT5; break;
		default: unsupportedPvrFormat(formatLow, name);
		}
	}
	else
	{
		bool found = false;
		for (Pvr3Format const& f : PVR3_FORMATS)
		{
			if (f.high == formatHigh && f.low == formatLow)
			{
				m_fmt = f.type;
				found = true;
				break;
			}
		}
		if (!found)
			lang::throwError(lang::Exception(lang::Format("Unsupported PVR pixel format 0x{0,x} 0x{1,x} while reading PVR texture: {2}", static_cast<double>(formatHigh), static_cast<double>(formatLow), name)));
	}

	// Only plain 2D textures: one surface, one face, one depth slice.
	if (depth != 1 || surfaces != 1 || faces != 1)
		lang::throwError(io::IOException(lang::Format("PVR {0} not supported: {1,#} surfaces, {2,#} faces, depth {3,#}", name, static_cast<double>(surfaces), static_cast<double>(faces), static_cast<double>(depth))));
	if (mips < 1 || mips > 32)
		lang::throwError(io::IOException(lang::Format("PVR {0} header corrupted, invalid mip map count ({1,#})", name, static_cast<double>(mips))));
	checkSize(width, height);

	m_width = static_cast<int>(width);
	m_height = static_cast<int>(height);
	m_mipLevels = static_cast<int>(mips);
	m_cubeMap = false;
	m_surfaces = m_mipLevels;
	m_colorMapFormat = SurfaceFormat();
	m_bitsPerPixel = m_fmt.bitsPerPixel();

	long long const left = bytesLeft();
	if (metaSize > INT_MAX || (left >= 0 && metaSize > left))
		failedToRead(static_cast<double>(metaSize), name);
	if (metaSize > 0 && m_in->skip(static_cast<int>(metaSize)) != static_cast<int>(metaSize))
		failedToRead(static_cast<double>(metaSize), name);
}

void ImageReader::readHeader_pvrLegacy(unsigned headerSize)
{
	std::string const name = m_in->toString();
	if (headerSize != 52)
		lang::throwError(io::IOException(lang::Format("PVR {0} header corrupted, header wrong size ({1,#})", name, static_cast<double>(headerSize))));
	unsigned char hdr[52];
	readFully(m_in, hdr + 4, 48);
	unsigned const height = getUInt32LE(hdr, 4);
	unsigned const width = getUInt32LE(hdr, 8);
	unsigned const extraMips = getUInt32LE(hdr, 12);
	unsigned const flags = getUInt32LE(hdr, 16);
	unsigned const bpp = getUInt32LE(hdr, 24);
	unsigned const numSurfaces = getUInt32LE(hdr, 48);

	bool const alpha = (flags & 0x8000) != 0;
	switch (flags & 0xFF)
	{
	case 0x10: m_fmt = SurfaceFormat::SURFACE_R4G4B4A4; break;
	case 0x11: m_fmt = SurfaceFormat::SURFACE_R5G5B5A1; break;
	case 0x12: m_fmt = SurfaceFormat::SURFACE_A8B8G8R8; break;
	case 0x13: m_fmt = SurfaceFormat::SURFACE_R5G6B5; break;
	case 0x15: m_fmt = SurfaceFormat::SURFACE_B8G8R8; break;
	case 0x16: m_fmt = SurfaceFormat::SURFACE_L8; break;
	case 0x17: m_fmt = SurfaceFormat::SURFACE_A8L8; break;
	case 0x18: m_fmt = alpha ? SurfaceFormat::SURFACE_RGBA_PVRTC_GL_2BPP : SurfaceFormat::SURFACE_RGB_PVRTC_GL_2BPP; break;
	case 0x19: m_fmt = alpha ? SurfaceFormat::SURFACE_RGBA_PVRTC_GL_4BPP : SurfaceFormat::SURFACE_RGB_PVRTC_GL_4BPP; break;
	case 0x1A: m_fmt = SurfaceFormat::SURFACE_A8R8G8B8; break;
	case 0x20: m_fmt = SurfaceFormat::SURFACE_DXT1; break;
	case 0x22: m_fmt = SurfaceFormat::SURFACE_DXT3; break;
	case 0x24: m_fmt = SurfaceFormat::SURFACE_DXT5; break;
	case 0x36: m_fmt = SurfaceFormat::SURFACE_ETC1_RGB_4BPP; break;
	default: unsupportedPvrFormat(flags & 0xFF, name);
	}

	if (extraMips > 31)
		lang::throwError(io::IOException(lang::Format("PVR {0} header corrupted, invalid mip map count ({1,#})", name, static_cast<double>(extraMips) + 1)));
	checkSize(width, height);
	// Every surface holds at least one byte, so the count is bounded by the file.
	long long const surfaces = static_cast<long long>(numSurfaces) * (extraMips + 1);
	long long const left = bytesLeft();
	if (numSurfaces < 1 || surfaces > INT_MAX || (left >= 0 && surfaces > left))
		lang::throwError(io::IOException(lang::Format("PVR {0} header corrupted, invalid number of surfaces ({1,#})", name, static_cast<double>(numSurfaces))));

	m_width = static_cast<int>(width);
	m_height = static_cast<int>(height);
	m_mipLevels = static_cast<int>(extraMips) + 1;
	m_cubeMap = (flags & 0x1000) != 0;
	m_surfaces = static_cast<int>(surfaces);
	m_bitsPerPixel = static_cast<int>(bpp);
	m_colorMapFormat = SurfaceFormat();
}

void ImageReader::readSurfaceFromSurfaceBuffer(void* dst, int pitch, int w, int h, SurfaceFormat dstfmt, const void* dstpal, SurfaceFormat dstpalfmt)
{
	assert(m_surfaceIndex >= 0 && m_surfaceIndex < static_cast<int>(m_surfaceBuffer.size()));
	Surface const& s = m_surfaceBuffer[m_surfaceIndex];
	assert(s.width == w);
	assert(s.height == h);
	if (m_fmt.compressed() && dstfmt.type() == m_fmt.type())
		std::memcpy(dst, s.data.data(), s.data.size());
	else
		dstfmt.copyPixels(dst, pitch, dstpalfmt, dstpal, m_fmt, s.data.data(), static_cast<int>(m_fmt.getMemoryUsage(s.width, 1)),
			m_colorMapFormat, m_colorMap, w, h);
	++m_surfaceIndex;
	if (m_surfaceIndex < static_cast<int>(m_surfaceBuffer.size()))
	{
		m_width = m_surfaceBuffer[m_surfaceIndex].width;
		m_height = m_surfaceBuffer[m_surfaceIndex].height;
	}
}

} // img
