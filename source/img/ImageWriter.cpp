#include "ImageWriter.h"
#include "CodecSupport.h"
#include <io/IOException.h>
#include <lang/Format.h>
#include <climits>
#include <cstring>
#include <memory>
#include <vector>
#include <jerror.h>

namespace img
{

using gr::SurfaceFormat;
using detail::JpegError;
using detail::PngIO;

namespace
{

enum { JPEG_OUTPUT_BUFFER_SIZE = 16384 };

void checkImage(io::OutputStream& out, const void* pixels, int width, int height, SurfaceFormat srcfmt, bool encoded)
{
	if (width < 1 || height < 1 || !pixels)
		lang::throwError(io::IOException(lang::Format("Cannot write an empty image ({1}x{2}) to \"{0}\"", out.toString(), static_cast<double>(width), static_cast<double>(height))));
	SurfaceFormat::SurfaceFormatType const t = srcfmt.type();
	bool const palette = t == SurfaceFormat::SURFACE_P4 || t == SurfaceFormat::SURFACE_P8;
	if (t == SurfaceFormat::SURFACE_UNKNOWN || t >= SurfaceFormat::SURFACE_LAST || (encoded && (palette || srcfmt.compressed())))
		lang::throwError(io::IOException(lang::Format("Unsupported source format {3} while saving \"{0}\" ({1}x{2})", out.toString(),
			static_cast<double>(width), static_cast<double>(height), t < SurfaceFormat::SURFACE_LAST ? srcfmt.toString() : "?")));
}

[[noreturn]] void rethrowOr(std::exception_ptr& error, lang::Format const& msg)
{
	if (error)
		std::rethrow_exception(error);
	lang::throwError(io::IOException(msg));
}

/** Owns a libpng write struct and its info struct. */
struct PngWriteGuard
{
	png_structp png = nullptr;
	png_infop info = nullptr;

	~PngWriteGuard()
	{
		if (png)
			png_destroy_write_struct(&png, info ? &info : nullptr);
	}
};

void pngWriteData(png_structp png, png_bytep data, size_t length)
{
	PngIO* io = static_cast<PngIO*>(png_get_io_ptr(png));
	if (!detail::writeAll(io->out, data, length, io->error))
		png_error(png, "write failed");
}

void pngFlush(png_structp)
{
}

// Holds setjmp and only trivially destructible locals.
__attribute__((noinline)) bool pngEncode(png_structp png, png_infop info, const unsigned char* pixels, int width, int height,
	SurfaceFormat srcfmt, size_t srcpitch, SurfaceFormat rowfmt, unsigned char* row)
{
	if (setjmp(png_jmpbuf(png)))
		return false;
	png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
		rowfmt.hasAlpha() ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB,
		PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
	png_set_bgr(png);
	png_write_info(png, info);
	for (int y = 0; y < height; ++y)
	{
		rowfmt.copyPixels(row, SurfaceFormat(), nullptr, srcfmt, pixels + y * srcpitch, SurfaceFormat(), nullptr, width);
		png_write_row(png, row);
	}
	png_write_end(png, info);
	return true;
}

/** libjpeg destination manager writing to an engine stream in blocks of 16 KiB. */
struct JpegDestination
{
	jpeg_destination_mgr pub;
	io::OutputStream* out;
	std::exception_ptr* error;
	JOCTET* buffer;
};

void jpegInitDestination(j_compress_ptr cinfo)
{
	JpegDestination* dest = reinterpret_cast<JpegDestination*>(cinfo->dest);
	dest->buffer = static_cast<JOCTET*>((*cinfo->mem->alloc_small)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_IMAGE, JPEG_OUTPUT_BUFFER_SIZE));
	dest->pub.next_output_byte = dest->buffer;
	dest->pub.free_in_buffer = JPEG_OUTPUT_BUFFER_SIZE;
}

boolean jpegEmptyOutputBuffer(j_compress_ptr cinfo)
{
	JpegDestination* dest = reinterpret_cast<JpegDestination*>(cinfo->dest);
	if (!detail::writeAll(dest->out, dest->buffer, JPEG_OUTPUT_BUFFER_SIZE, dest->error))
		ERREXIT(cinfo, JERR_FILE_WRITE);
	dest->pub.next_output_byte = dest->buffer;
	dest->pub.free_in_buffer = JPEG_OUTPUT_BUFFER_SIZE;
	return TRUE;
}

void jpegTermDestination(j_compress_ptr cinfo)
{
	JpegDestination* dest = reinterpret_cast<JpegDestination*>(cinfo->dest);
	size_t const pending = JPEG_OUTPUT_BUFFER_SIZE - dest->pub.free_in_buffer;
	if (pending > 0 && !detail::writeAll(dest->out, dest->buffer, pending, dest->error))
		ERREXIT(cinfo, JERR_FILE_WRITE);
}

struct JpegCompressor
{
	jpeg_compress_struct cinfo;
	JpegError err;
};

// Holds setjmp and only trivially destructible locals.
__attribute__((noinline)) bool jpegEncode(JpegCompressor* c, io::OutputStream* out, std::exception_ptr* error,
	unsigned char* rgb, int width, int height, int quality)
{
	if (setjmp(c->err.jump))
		return false;
	jpeg_create_compress(&c->cinfo);
	JpegDestination* dest = static_cast<JpegDestination*>((*c->cinfo.mem->alloc_small)(reinterpret_cast<j_common_ptr>(&c->cinfo), JPOOL_PERMANENT, sizeof(JpegDestination)));
	dest->out = out;
	dest->error = error;
	dest->buffer = nullptr;
	dest->pub.init_destination = jpegInitDestination;
	dest->pub.empty_output_buffer = jpegEmptyOutputBuffer;
	dest->pub.term_destination = jpegTermDestination;
	c->cinfo.dest = &dest->pub;
	c->cinfo.image_width = static_cast<JDIMENSION>(width);
	c->cinfo.image_height = static_cast<JDIMENSION>(height);
	c->cinfo.input_components = 3;
	c->cinfo.in_color_space = JCS_RGB;
	jpeg_set_defaults(&c->cinfo);
	jpeg_set_quality(&c->cinfo, quality, TRUE);
	jpeg_start_compress(&c->cinfo, TRUE);
	size_t const pitch = static_cast<size_t>(width) * 3;
	while (c->cinfo.next_scanline < c->cinfo.image_height)
	{
		JSAMPROW row[1] = {rgb + pitch * c->cinfo.next_scanline};
		jpeg_write_scanlines(&c->cinfo, row, 1);
	}
	jpeg_finish_compress(&c->cinfo);
	return true;
}

} // namespace

void ImageWriter::write(io::OutputStream& out, io::FileFormat format, const void* pixels, int width, int height, SurfaceFormat srcfmt, SurfaceFormat)
{
	switch (format)
	{
	case io::FILEFORMAT_JPG:
		writeJPG(out, pixels, width, height, srcfmt, 100);
		break;
	case io::FILEFORMAT_PNG:
		writePNG(out, pixels, width, height, srcfmt);
		break;
	case io::FILEFORMAT_RAW:
	{
		checkImage(out, pixels, width, height, srcfmt, false);
		const unsigned char* p = static_cast<const unsigned char*>(pixels);
		long long left = srcfmt.getMemoryUsage(width, height);
		do
		{
			int const chunk = left > INT_MAX ? INT_MAX : static_cast<int>(left);
			out.write(p, chunk);
			p += chunk;
			left -= chunk;
		} while (left > 0);
		break;
	}
	default:
		lang::throwError(io::IOException(lang::Format("Unsupported ImageWriter file format {0}", io::toString(format))));
	}
}

void ImageWriter::writePNG(io::OutputStream& out, const void* pixels, int width, int height, SurfaceFormat srcfmt)
{
	checkImage(out, pixels, width, height, srcfmt, true);
	std::string const name = out.toString();
	std::exception_ptr error;
	PngIO pio = {nullptr, &out, &error, {0}};
	PngWriteGuard guard;
	guard.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &pio, detail::pngError, detail::pngWarning);
	if (!guard.png)
		lang::throwError(io::IOException(lang::Format("png_create_write_struct failed while saving \"{0}\" ({1}x{2}, srcformat {3})",
			name, static_cast<double>(width), static_cast<double>(height), srcfmt.toString())));
	guard.info = png_create_info_struct(guard.png);
	if (!guard.info)
		lang::throwError(io::IOException(lang::Format("png_create_info_struct failed while saving \"{0}\" ({1}x{2}, format {3})",
			name, static_cast<double>(width), static_cast<double>(height), srcfmt.toString())));
	png_set_write_fn(guard.png, &pio, pngWriteData, pngFlush);

	SurfaceFormat const rowfmt = srcfmt.hasAlpha() ? SurfaceFormat::SURFACE_A8R8G8B8 : SurfaceFormat::SURFACE_R8G8B8;
	std::vector<unsigned char> row(static_cast<size_t>(rowfmt.getMemoryUsage(width, 1)), 0);
	size_t const srcpitch = static_cast<size_t>(srcfmt.getMemoryUsage(width, 1));
	if (!pngEncode(guard.png, guard.info, static_cast<const unsigned char*>(pixels), width, height, srcfmt, srcpitch, rowfmt, row.data()))
		rethrowOr(error, lang::Format("Failed to encode PNG \"{0}\": {1}", name, pio.message));
}

void ImageWriter::writeJPG(io::OutputStream& out, const void* pixels, int width, int height, SurfaceFormat srcfmt, int quality)
{
	checkImage(out, pixels, width, height, srcfmt, true);
	SurfaceFormat const rgbfmt = SurfaceFormat::SURFACE_B8G8R8;
	std::vector<unsigned char> rgb(static_cast<size_t>(rgbfmt.getMemoryUsage(width, height)), 0);
	rgbfmt.copyPixels(rgb.data(), width * 3, SurfaceFormat(), nullptr, srcfmt, pixels, static_cast<int>(srcfmt.getMemoryUsage(width, 1)),
		SurfaceFormat(), nullptr, width, height);

	std::exception_ptr error;
	std::unique_ptr<JpegCompressor> c(new JpegCompressor());
	c->cinfo.err = detail::initJpegError(&c->err);
	bool const ok = jpegEncode(c.get(), &out, &error, rgb.data(), width, height, quality);
	jpeg_destroy_compress(&c->cinfo);
	if (!ok)
		rethrowOr(error, lang::Format("Failed to encode JPG \"{0}\": {1}", out.toString(), c->err.message));
}

} // img
