#pragma once

#include <gr/SurfaceFormat.h>
#include <io/FileFormat.h>
#include <io/InputStream.h>
#include <lang/Object.h>
#include <lang/Ptr.h>
#include <exception>
#include <memory>
#include <vector>

namespace img
{

/**
 * Reads BMP, TGA, JPEG, PNG and PVR image files. The header is decoded at
 * construction; the stored surfaces (the image, or each mip level of a
 * texture) are then delivered one by one into caller memory in the pixel
 * format the caller asks for.
 *
 * Typical use: construct, query surfaceWidth(), surfaceHeight(), format()
 * and mipLevels(), then call readSurface() once per stored surface in order
 * (mip level 0 first). After each call surfaceWidth() and surfaceHeight()
 * describe the next surface.
 *
 * A reader is unusable after it has thrown.
 */
class ImageReader : public lang::Object
{
public:
	/** One decoded surface of a PNG or PVR file. */
	struct Surface
	{
		std::vector<unsigned char> data;
		int width = 0;
		int height = 0;
	};

	/**
	 * Keeps the stream and reads the image header.
	 * @param in Source stream, held for the reader's life.
	 * @param format FILEFORMAT_BMP, FILEFORMAT_TGA, FILEFORMAT_JPG, FILEFORMAT_PNG or FILEFORMAT_PVR.
	 * @exception io::IOException Unsupported format, malformed header, short read or decoder error.
	 * @exception lang::Exception Unsupported PVR pixel format.
	 */
	ImageReader(lang::Ptr<io::InputStream> in, io::FileFormat format);

	~ImageReader() override;

	/**
	 * Delivers the next stored surface.
	 * @param dst First destination row.
	 * @param pitch Bytes from one destination row to the next.
	 * @param w Must equal surfaceWidth().
	 * @param h Must equal surfaceHeight().
	 * @param dstfmt Pixel format wanted.
	 * @param dstpal Destination palette, used only when dstfmt is a palette format.
	 * @param dstpalfmt Format of the destination palette entries.
	 * @exception io::IOException Short read or decoder error.
	 */
	void readSurface(void* dst, int pitch, int w, int h, gr::SurfaceFormat dstfmt,
		const void* dstpal = nullptr, gr::SurfaceFormat dstpalfmt = gr::SurfaceFormat());

	/** Width of the surface the next readSurface() delivers. */
	int surfaceWidth() const { return m_width; }

	/** Height of the surface the next readSurface() delivers. */
	int surfaceHeight() const { return m_height; }

	/** Mip levels stored in the file (1 unless the container stores more). */
	int mipLevels() const { return m_mipLevels; }

	/** Pixel format of the stored pixels. */
	gr::SurfaceFormat format() const { return m_fmt; }

	/**
	 * Largest image a compressed format (PNG, JPEG) may decode to, in bytes
	 * of its stored pixel format: 256 MiB, an 8192 x 8192 RGBA image.
	 */
	static constexpr long long MAX_DECODED_BYTES = 256LL << 20;

	/**
	 * Reads exactly n bytes.
	 * @exception io::IOException "Failed to read {0} bytes from {1}" when fewer came.
	 */
	static void readFully(lang::Ptr<io::InputStream> in, void* buf, int n);

	/**
	 * Reads count palette entries of bytesPerEntry bytes (blue, green, red[, alpha])
	 * and stores each as 4 bytes red, green, blue, alpha (missing bytes 0).
	 */
	static void readColorMap(lang::Ptr<io::InputStream> in, int bytesPerEntry, int count, unsigned char* colorMap);

	/** Little-endian 16-bit value at a byte offset. */
	static int getUInt16LE(const void* p, int offset);

	/** Little-endian 32-bit value at a byte offset. */
	static unsigned getUInt32LE(const void* p, int offset);

private:
	lang::Ptr<io::InputStream> m_in;
	int m_width;
	int m_height;
	int m_bitsPerPixel;
	int m_pitch;
	int m_mipLevels;
	int m_surfaces;
	int m_surfaceIndex;
	unsigned char m_colorMap[256 * 4];
	gr::SurfaceFormat m_fmt;
	gr::SurfaceFormat m_colorMapFormat;
	io::FileFormat m_fileFormat;
	bool m_bottomUp;
	bool m_rle;
	bool m_cubeMap;
	/** The JPEG decompressor with its error and source managers. */
	struct JpegState;
	std::unique_ptr<JpegState> m_jpeg;
	bool m_jpegActive;
	std::vector<Surface> m_surfaceBuffer;
	std::vector<unsigned char> m_scanlineBuffer;
	std::exception_ptr m_streamError;

	void readHeader_bmp();
	void readHeader_tga();
	void readHeader_jpg();
	void readHeader_png();
	void readHeader_pvr();
	void readHeader_pvr3();
	void readHeader_pvrLegacy(unsigned headerSize);
	void readPvrSurface(int level);

	void readScanlines(void* dst, int pitch, int w, int h, gr::SurfaceFormat dstfmt, const void* dstpal, gr::SurfaceFormat dstpalfmt);
	void readScanline_tgaRLE(unsigned char* buf);
	void readSurface_jpg(void* dst, int pitch, int w, int h, gr::SurfaceFormat dstfmt, const void* dstpal, gr::SurfaceFormat dstpalfmt);
	void readSurfaceFromSurfaceBuffer(void* dst, int pitch, int w, int h, gr::SurfaceFormat dstfmt, const void* dstpal, gr::SurfaceFormat dstpalfmt);

	bool jpegStart();
	bool jpegStartDecompress();
	bool jpegReadRow(unsigned char* row);
	bool jpegFinish();
	[[noreturn]] void jpegFail();
	void jpegRelease();

	long long bytesLeft() const;
	void checkSize(long long width, long long height) const;
	void checkDecodedSize(long long width, long long height, long long decodedBytes, long long neededFileBytes) const;

	ImageReader(ImageReader const&) = delete;
	ImageReader& operator=(ImageReader const&) = delete;
};

} // img
