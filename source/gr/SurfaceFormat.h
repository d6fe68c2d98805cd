#pragma once

#include <cstdint>

namespace gr
{

/**
 * Layout of the pixels of a texture, an image, a file surface or a pixel
 * buffer, and conversion of pixels between layouts.
 *
 * A format name spells the channels of the pixel read as one little-endian
 * word from the most significant bits down: "A8R8G8B8" is stored as the
 * bytes B, G, R, A and "A8B8G8R8" as R, G, B, A. The value is a plain 32-bit
 * id into the constant table gr::FORMATDESC.
 */
class SurfaceFormat
{
public:
	/** Format ids; each numbers its row of gr::FORMATDESC. */
	enum SurfaceFormatType
	{
		SURFACE_UNKNOWN,
		SURFACE_R8G8B8,
		SURFACE_B8G8R8,
		SURFACE_A8R8G8B8,
		SURFACE_X8R8G8B8,
		SURFACE_X8B8G8R8,
		SURFACE_A8B8G8R8,
		SURFACE_R5G6B5,
		SURFACE_R5G5B5,
		SURFACE_R6G6B6,
		SURFACE_P4,
		SURFACE_P8,
		SURFACE_L8,
		SURFACE_A8L8,
		SURFACE_A1R5G5B5,
		SURFACE_X4R4G4B4,
		SURFACE_A4R4G4B4,
		SURFACE_A4B4G4R4,
		SURFACE_R4G4B4A4,
		SURFACE_A1B5G5R5,
		SURFACE_R5G5B5A1,
		SURFACE_R3G3B2,
		SURFACE_R3G2B3,
		SURFACE_A8,
		SURFACE_A8R3G3B2,
		SURFACE_A8R3G2B3,
		SURFACE_DXT1,
		SURFACE_DXT3,
		SURFACE_DXT5,
		SURFACE_RGB_PVRTC_GL_2BPP,
		SURFACE_RGBA_PVRTC_GL_2BPP,
		SURFACE_RGB_PVRTC_GL_4BPP,
		SURFACE_RGBA_PVRTC_GL_4BPP,
		SURFACE_ETC1_RGB_4BPP,
		SURFACE_R16F,
		SURFACE_G16R16F,
		SURFACE_A16B16G16R16F,
		SURFACE_R32F,
		SURFACE_G32R32F,
		SURFACE_A32B32G32R32F,
		SURFACE_D32,
		SURFACE_D24,
		SURFACE_D16,
		SURFACE_D24S8,
		/** Number of formats; not a format. */
		SURFACE_LAST
	};

	/** SURFACE_UNKNOWN. */
	SurfaceFormat() : m_type(SURFACE_UNKNOWN) {}

	/** The format with the given id (below SURFACE_LAST). */
	SurfaceFormat(SurfaceFormatType type);

	/** The format id. */
	SurfaceFormatType type() const { return m_type; }

	/** Bits per pixel of the format table (0 for the DXT formats). */
	int bitsPerPixel() const;

	/**
	 * True when the format carries alpha: a non-zero alpha mask, the DXT
	 * formats, the RGBA PVRTC formats and the float formats with alpha.
	 */
	bool hasAlpha() const;

	/** True for the block-compressed formats (DXT, PVRTC, ETC1). */
	bool compressed() const;

	/** Name of the format, e.g. "A8R8G8B8". */
	char const* toString() const;

	/**
	 * Bytes taken by a width x height surface of this format. Sub-byte
	 * surfaces round up to whole bytes, DXT and ETC1 to whole 4x4 blocks,
	 * PVRTC to its minimum size (16x8 at 2 bits, 8x8 at 4 bits per pixel).
	 */
	std::int64_t getMemoryUsage(int width, int height) const;

	/**
	 * Converts a run of count pixels from srcfmt into this format.
	 * Neither format may be compressed; srcfmt may not be unknown.
	 * @param dst Destination pixels (this format).
	 * @param dstpalfmt Format of the destination palette entries.
	 * @param dstpal Destination palette, 16 (P4) or 256 (P8) entries; used
	 *        only when this format is P4 or P8.
	 * @param srcfmt Format of the source pixels.
	 * @param src Source pixels.
	 * @param srcpalfmt Format of the source palette entries.
	 * @param srcpal Source palette; used only when srcfmt is P4 or P8.
	 * @param count Number of pixels.
	 * @exception GraphicsException When a palette the conversion needs is null.
	 */
	void copyPixels(void* dst, SurfaceFormat const& dstpalfmt, void const* dstpal,
		SurfaceFormat const& srcfmt, void const* src, SurfaceFormat const& srcpalfmt, void const* srcpal,
		int count) const;

	/**
	 * Converts a width x height rectangle from srcfmt into this format,
	 * decoding compressed sources. Pitches are bytes from one row to the
	 * next; for DXT sources srcpitch is the size of one row of 4x4 blocks
	 * (getMemoryUsage(width, 1)); ETC1 and PVRTC sources are read as whole
	 * tightly packed surfaces. A compressed source needs a destination of at
	 * least 8 bits per pixel.
	 * @exception GraphicsException When a palette the conversion needs is
	 *            null, or for PVRTC surfaces whose block grid is not a power
	 *            of two on each side.
	 */
	void copyPixels(void* dst, int dstpitch, SurfaceFormat const& dstpalfmt, void const* dstpal,
		SurfaceFormat const& srcfmt, void const* src, int srcpitch, SurfaceFormat const& srcpalfmt, void const* srcpal,
		int width, int height) const;

private:
	SurfaceFormatType m_type;
};

/** Per format {id, bits per pixel, R mask, G mask, B mask, A mask}. */
extern std::uint32_t const FORMATDESC[SurfaceFormat::SURFACE_LAST][6];

/** Per format its name. */
extern char const* const FORMAT_NAMES[SurfaceFormat::SURFACE_LAST];

/**
 * Per float format {id, bits per component, slot of R, G, B, A}; slot -1
 * means the component is absent.
 */
extern int const HDR_INFO[6][6];

/** Colour block of the DXT formats: two R5G6B5 colours, 2-bit indices per row. */
struct DXTColBlock
{
	std::uint16_t col0;
	std::uint16_t col1;
	/** One byte per block row; pixel x in bits 2x and 2x+1. */
	std::uint8_t row[4];
};

/** One 64-bit PVRTC word. */
struct PVRTCWord
{
	std::uint32_t modulationData;
	std::uint32_t colourData;
};

/** Decoder pixel: bytes R, G, B, A in memory. */
struct Pixel32
{
	std::uint8_t red;
	std::uint8_t green;
	std::uint8_t blue;
	std::uint8_t alpha;
};

/** Decoder working pixel with signed 32-bit components. */
struct Pixel128S
{
	std::int32_t red;
	std::int32_t green;
	std::int32_t blue;
	std::int32_t alpha;
};

/**
 * Decodes a PVRTC surface into rows of width x 4 bytes R, G, B, A.
 * src must hold getMemoryUsage(width, height) bytes of the matching PVRTC
 * format. Surfaces below 16x8 (2-bit) or 8x8 (4-bit) are decoded at that
 * minimum size and cut.
 * @param do2bitMode Non-zero for 2 bits per pixel, zero for 4.
 * @return Source bytes consumed.
 * @exception GraphicsException When the block grid is not a power of two on each side.
 */
std::int64_t decompressPVRTC(void const* src, int do2bitMode, int width, int height, unsigned char* dst);

/**
 * Decodes an ETC1 surface into rows of width x 4 bytes R, G, B, A (alpha
 * 255). src must hold one 8-byte block per 4x4 block, row after row of
 * blocks, partial blocks included. The last argument is not used.
 * @return Source bytes consumed.
 */
std::int64_t decompressETC(void const* src, unsigned const& width, unsigned const& height, void* dst, int const&);

/** Same as decompressETC with signed sizes. */
std::int64_t ETCTextureDecompress(void const* src, int const& width, int const& height, void* dst, int const&);

/** One DXT5 pixel as an A8R8G8B8 word; pitch is the size of a row of blocks. */
unsigned int getPixelDXT5(int x, int y, void const* src, int pitch);

/**
 * The four A8R8G8B8 colours of a DXT colour block. A DXT1 block whose
 * colour 0 is not above colour 1 gives three colours and transparent black;
 * with alwaysFourColours (the DXT3 and DXT5 blocks) four colours are made
 * whatever the order.
 */
void getBlockColorsA8R8G8B8(DXTColBlock const* block, unsigned int* colors, bool alwaysFourColours = false);

/**
 * PVRTC: bilinear upscale of the colours of the four words P (top left),
 * Q (top right), R (bottom left), S (bottom right) over the pixels between
 * their centres. Inputs carry 5-bit colour and 4-bit alpha channels; the
 * result holds 8-bit channels, one per pixel, row after row
 * (8 x 4 pixels in 2-bit mode, 4 x 4 in 4-bit mode).
 */
void interpolateColours(Pixel32 const& P, Pixel32 const& Q, Pixel32 const& R, Pixel32 const& S,
	Pixel128S* pixels, int bpp);

/**
 * PVRTC: unpacks the modulation of one word into the 2-word-square tables
 * at (offsetX, offsetY); values 0 to 3, modes 0 (direct), 1 (punch-through
 * in 4-bit mode, 4-neighbour average in 2-bit mode), 2 (horizontal) and
 * 3 (vertical average, 2-bit mode).
 */
void unpackModulations(PVRTCWord const& word, int offsetX, int offsetY,
	int modulationValues[16][8], int modulationModes[16][8], int bpp);

/** PVRTC: modulation weight out of 8 ({0, 3, 5, 8}, 4 for punch-through) of one pixel. */
int getModulationValues(int modulationValues[16][8], int modulationModes[16][8], int xPos, int yPos, int bpp);

/** PVRTC: index of word (XPos, YPos) of an XSize x YSize power-of-two grid in twiddled order. */
unsigned TwiddleUV(unsigned XSize, unsigned YSize, unsigned XPos, unsigned YPos);

} // gr
