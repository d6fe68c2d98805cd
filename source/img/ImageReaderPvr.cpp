#include "ImageReader.h"
#include "CodecSupport.h"
#include <io/IOException.h>
#include <lang/Exception.h>
#include <lang/Format.h>
#include <algorithm>
#include <climits>

namespace img
{

using gr::SurfaceFormat;
using detail::failedToRead;
using detail::readExactly;

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

} // img
