#pragma once

#include <gr/SurfaceFormat.h>
#include <io/FileFormat.h>
#include <io/OutputStream.h>

namespace img
{

/**
 * Encodes a block of pixels as PNG, JPEG or raw bytes into an output stream.
 * Pixels are rows of the source format from the top row down, each row
 * srcfmt.getMemoryUsage(width, 1) bytes after the previous one. Stateless.
 */
class ImageWriter
{
public:
	/**
	 * Writes the pixels in the given file format: FILEFORMAT_JPG (quality 100),
	 * FILEFORMAT_PNG or FILEFORMAT_RAW (the bytes as they are).
	 * The last argument has no effect.
	 * @exception io::IOException Unsupported file format, empty image,
	 *            unsupported source format, encoder or stream failure.
	 */
	static void write(io::OutputStream& out, io::FileFormat format, const void* pixels, int width, int height,
		gr::SurfaceFormat srcfmt, gr::SurfaceFormat = gr::SurfaceFormat());

	/**
	 * Writes an 8-bit RGB PNG, or RGBA when the source format has alpha.
	 * @exception io::IOException Empty image, palette, compressed or unknown
	 *            source format, encoder or stream failure.
	 */
	static void writePNG(io::OutputStream& out, const void* pixels, int width, int height, gr::SurfaceFormat srcfmt);

	/**
	 * Writes a baseline RGB JPEG.
	 * @param quality 0 to 100.
	 * @exception io::IOException Empty image, palette, compressed or unknown
	 *            source format, encoder or stream failure.
	 */
	static void writeJPG(io::OutputStream& out, const void* pixels, int width, int height, gr::SurfaceFormat srcfmt, int quality);
};

} // img
