#include "ImageReader.h"
#include "CodecSupport.h"
#include <io/IOException.h>
#include <lang/Format.h>
#include <climits>
#include <cstring>

namespace img
{

using gr::SurfaceFormat;
using detail::rowBytes;
using detail::storedRgbFormat;

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

} // img
