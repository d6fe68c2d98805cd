#include "ImageReader.h"
#include "CodecSupport.h"
#include <io/IOException.h>
#include <lang/Format.h>
#include <algorithm>
#include <cstring>

namespace img
{

using gr::SurfaceFormat;
using detail::failedToRead;
using detail::storedRgbFormat;

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

} // img
