#include "SurfaceFormat.h"
#include <cassert>

namespace gr
{

std::uint32_t const FORMATDESC[SurfaceFormat::SURFACE_LAST][6] = {
	{0, 0, 0, 0, 0, 0},
	{1, 24, 0x00FF0000, 0x0000FF00, 0x000000FF, 0},
	{2, 24, 0x000000FF, 0x0000FF00, 0x00FF0000, 0},
	{3, 32, 0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000},
	{4, 32, 0x00FF0000, 0x0000FF00, 0x000000FF, 0},
	{5, 32, 0x000000FF, 0x0000FF00, 0x00FF0000, 0},
	{6, 32, 0x000000FF, 0x0000FF00, 0x00FF0000, 0xFF000000},
	{7, 16, 0x0000F800, 0x000007E0, 0x0000001F, 0},
	{8, 16, 0x00007C00, 0x000003E0, 0x0000001F, 0},
	{9, 32, 0x0003F000, 0x00000FC0, 0x0000003F, 0},
	{10, 4, 0, 0, 0, 0},
	{11, 8, 0, 0, 0, 0},
	{12, 8, 0x000000FF, 0x000000FF, 0x000000FF, 0},
	{13, 16, 0x000000FF, 0x000000FF, 0x000000FF, 0x0000FF00},
	{14, 16, 0x00007C00, 0x000003E0, 0x0000001F, 0x00008000},
	{15, 16, 0x00000F00, 0x000000F0, 0x0000000F, 0},
	{16, 16, 0x00000F00, 0x000000F0, 0x0000000F, 0x0000F000},
	{17, 16, 0x0000000F, 0x000000F0, 0x00000F00, 0x0000F000},
	{18, 16, 0x0000F000, 0x00000F00, 0x000000F0, 0x0000000F},
	{19, 16, 0x0000001F, 0x000003E0, 0x00007C00, 0x00008000},
	{20, 16, 0x0000F800, 0x000007C0, 0x0000003E, 0x00000001},
	{21, 8, 0x000000E0, 0x0000001C, 0x00000003, 0},
	{22, 8, 0x000000E0, 0x00000018, 0x00000007, 0},
	{23, 8, 0, 0, 0, 0x000000FF},
	{24, 16, 0x000000E0, 0x0000001C, 0x00000003, 0x0000FF00},
	{25, 16, 0x000000E0, 0x00000018, 0x00000007, 0x0000FF00},
	{26, 0, 0, 0, 0, 0},
	{27, 0, 0, 0, 0, 0},
	{28, 0, 0, 0, 0, 0},
	{29, 2, 0, 0, 0, 0},
	{30, 2, 0, 0, 0, 0},
	{31, 4, 0, 0, 0, 0},
	{32, 4, 0, 0, 0, 0},
	{33, 4, 0, 0, 0, 0},
	{34, 16, 0, 0, 0, 0},
	{35, 32, 0, 0, 0, 0},
	{36, 64, 0, 0, 0, 0},
	{37, 32, 0, 0, 0, 0},
	{38, 64, 0, 0, 0, 0},
	{39, 128, 0, 0, 0, 0},
	{40, 32, 0, 0, 0, 0},
	{41, 24, 0, 0, 0, 0},
	{42, 16, 0, 0, 0, 0},
	{43, 32, 0, 0, 0, 0},
};

char const* const FORMAT_NAMES[SurfaceFormat::SURFACE_LAST] = {
	"UNKNOWN",
	"R8G8B8",
	"B8G8R8",
	"A8R8G8B8",
	"X8R8G8B8",
	"X8B8G8R8",
	"A8B8G8R8",
	"R5G6B5",
	"R5G5B5",
	"R6G6B6",
	"P4",
	"P8",
	"L8",
	"A8L8",
	"A1R5G5B5",
	"X4R4G4B4",
	"A4R4G4B4",
	"A4B4G4R4",
	"R4G4B4A4",
	"A1B5G5R5",
	"R5G5B5A1",
	"R3G3B2",
	"R3G2B3",
	"A8",
	"A8R3G3B2",
	"A8R3G2B3",
	"DXT1",
	"DXT3",
	"DXT5",
	"RGB_PVRTC_GL_2BPP",
	"RGBA_PVRTC_GL_2BPP",
	"RGB_PVRTC_GL_4BPP",
	"RGBA_PVRTC_GL_4BPP",
	"ETC1_RGB_4BPP",
	"R16F",
	"G16R16F",
	"A16B16G16R16F",
	"R32F",
	"G32R32F",
	"A32B32G32R32F",
	"D32",
	"D24",
	"D16",
	"D24S8",
};

int const HDR_INFO[6][6] = {
	{SurfaceFormat::SURFACE_R16F, 16, 0, -1, -1, -1},
	{SurfaceFormat::SURFACE_G16R16F, 16, 0, 1, -1, -1},
	{SurfaceFormat::SURFACE_A16B16G16R16F, 16, 0, 1, 2, 3},
	{SurfaceFormat::SURFACE_R32F, 32, 0, -1, -1, -1},
	{SurfaceFormat::SURFACE_G32R32F, 32, 0, 1, -1, -1},
	{SurfaceFormat::SURFACE_A32B32G32R32F, 32, 0, 1, 2, 3},
};

SurfaceFormat::SurfaceFormat(SurfaceFormatType type) :
	m_type((unsigned)type < (unsigned)SURFACE_LAST ? type : SURFACE_UNKNOWN)
{
	// Without assertions an id outside the table becomes SURFACE_UNKNOWN,
	// so that no lookup reads past the tables.
	assert((unsigned)type < (unsigned)SURFACE_LAST);
	assert((SurfaceFormatType)FORMATDESC[m_type][0] == m_type);
}

int SurfaceFormat::bitsPerPixel() const
{
	return (int)FORMATDESC[m_type][1];
}

bool SurfaceFormat::hasAlpha() const
{
	switch (m_type)
	{
	case SURFACE_DXT1:
	case SURFACE_DXT3:
	case SURFACE_DXT5:
	case SURFACE_RGBA_PVRTC_GL_2BPP:
	case SURFACE_RGBA_PVRTC_GL_4BPP:
	case SURFACE_A16B16G16R16F:
	case SURFACE_A32B32G32R32F:
		return true;
	default:
		return FORMATDESC[m_type][5] != 0;
	}
}

bool SurfaceFormat::compressed() const
{
	return m_type >= SURFACE_DXT1 && m_type <= SURFACE_ETC1_RGB_4BPP;
}

char const* SurfaceFormat::toString() const
{
	assert(m_type < SURFACE_LAST);
	return FORMAT_NAMES[m_type];
}

std::int64_t SurfaceFormat::getMemoryUsage(int width, int height) const
{
	assert(width >= 0 && height >= 0);
	// A negative side counts as empty rather than giving a negative size.
	std::int64_t const w = width > 0 ? width : 0;
	std::int64_t const h = height > 0 ? height : 0;
	std::int64_t const blocks = ((w + 3) / 4) * ((h + 3) / 4);
	switch (m_type)
	{
	case SURFACE_DXT1:
		return blocks * 8;
	case SURFACE_DXT3:
	case SURFACE_DXT5:
		return blocks * 16;
	case SURFACE_RGB_PVRTC_GL_2BPP:
	case SURFACE_RGBA_PVRTC_GL_2BPP:
		return (w < 16 ? 16 : w) * (h < 8 ? 8 : h) * 2 / 8;
	case SURFACE_RGB_PVRTC_GL_4BPP:
	case SURFACE_RGBA_PVRTC_GL_4BPP:
		return (w < 8 ? 8 : w) * (h < 8 ? 8 : h) * 4 / 8;
	case SURFACE_ETC1_RGB_4BPP:
		return blocks * 8;
	default:
		// Sub-byte formats round up to whole bytes.
		return (bitsPerPixel() * w * h + 7) / 8;
	}
}

} // gr
