#pragma once

#include <gr/SurfaceFormat.h>
#include <cstdint>

// Internal helpers shared by the pixel conversion and the block decoders.

namespace gr
{
namespace detail
{

/**
 * Converts a run of pixels one at a time through the channel masks, with
 * no specialised loop and no palette table; the same arguments as the
 * count form of SurfaceFormat::copyPixels, dstfmt being the destination
 * format. Every specialised loop of copyPixels gives the same bytes.
 */
void copyPixelsPerPixel(SurfaceFormat const& dstfmt, void* dst, SurfaceFormat const& dstpalfmt, void const* dstpal,
	SurfaceFormat const& srcfmt, void const* src, SurfaceFormat const& srcpalfmt, void const* srcpal, int count);

/** Instruction sets beyond SSE2 that specialised loops use. */
enum VectorExtension
{
	VECTOR_SSSE3 = 1,
	VECTOR_AVX2 = 2,
};

/**
 * The VectorExtension bits the specialised loops may use: those the
 * processor has, or none after allowVectorExtensions(false).
 */
int vectorExtensions();

/**
 * Lets the specialised loops use the processor's vector extensions (the
 * default), or keeps them to SSE2 and plain code; tests compare both.
 * Not while conversions run on other threads.
 */
void allowVectorExtensions(bool allow);

/** Decodes one DXT1, DXT3 or DXT5 block into 16 A8R8G8B8 words, row after row. */
void decodeDXTBlock(SurfaceFormat::SurfaceFormatType type, std::uint8_t const* block, std::uint32_t* out);

/** Decodes one 8-byte ETC1 block into 16 pixels of bytes R, G, B, A, row after row. */
void decodeETC1Block(std::uint8_t const* block, std::uint32_t* out);

} // detail
} // gr
