#include "ImageReader.h"
#include "CodecSupport.h"
#include "ImageReaderJpeg.h"
#include <io/IOException.h>
#include <lang/Format.h>
#include <cassert>
#include <climits>
#include <cstring>

namespace img
{

using gr::SurfaceFormat;
using detail::rowBytes;
using detail::readExactly;

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

void ImageReader::checkDecodedSize(long long width, long long height, long long decodedBytes, long long neededFileBytes) const
{
	// Checked before anything is allocated for the pixels: a small damaged
	// file must not make the decoder fill gigabytes before it fails.
	if (decodedBytes > MAX_DECODED_BYTES)
		lang::throwError(io::IOException(lang::Format("Image size ({1,#}x{2,#}) in {0} exceeds the reader's limit of {3,#} MiB decoded",
			m_in->toString(), static_cast<double>(width), static_cast<double>(height), static_cast<double>(MAX_DECODED_BYTES >> 20))));
	long long const left = bytesLeft();
	if (left >= 0 && neededFileBytes > left)
		lang::throwError(io::IOException(lang::Format("Image size ({1,#}x{2,#}) in {0} needs more data than the file holds",
			m_in->toString(), static_cast<double>(width), static_cast<double>(height))));
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
