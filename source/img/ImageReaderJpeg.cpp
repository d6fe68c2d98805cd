#include "ImageReader.h"
#include "CodecSupport.h"
#include "ImageReaderJpeg.h"
#include <io/IOException.h>
#include <lang/Format.h>
#include <cassert>
#include <jerror.h>

namespace img
{

using gr::SurfaceFormat;
using detail::rethrowPending;

namespace
{

enum { JPEG_BUFFER_SIZE = 4096 };

/** Most pixels one byte of Huffman-coded scan data can describe (8 blocks of 32 x 32 pixels). */
constexpr long long JPEG_PIXELS_PER_BYTE = 8 * 32 * 32;

/**
 * Memory the decompressor may use: enough for the coefficients of a
 * progressive image at the decoded-size limit (two bytes per sample).
 */
constexpr long JPEG_MEMORY_LIMIT = 768L << 20;

/** libjpeg source manager reading from an engine stream. */
struct JpegSource
{
	jpeg_source_mgr pub;
	io::InputStream* in;
	std::exception_ptr* error;
	JOCTET* buffer;
	bool startOfFile;
};

void jpegInitSource(j_decompress_ptr cinfo)
{
	reinterpret_cast<JpegSource*>(cinfo->src)->startOfFile = true;
}

boolean jpegFillInputBuffer(j_decompress_ptr cinfo)
{
	JpegSource* src = reinterpret_cast<JpegSource*>(cinfo->src);
	int n = detail::readSome(src->in, src->buffer, JPEG_BUFFER_SIZE, src->error);
	if (n < 0 || n > JPEG_BUFFER_SIZE)
		ERREXIT(cinfo, JERR_FILE_READ);
	if (n == 0)
	{
		// The stream ended before the end-of-image marker: the file is
		// truncated. Decoding on would fill the missing rows with made-up
		// pixels and report success, so the premature end is an error.
		if (src->startOfFile)
			ERREXIT(cinfo, JERR_INPUT_EMPTY);
		ERREXIT(cinfo, JWRN_JPEG_EOF);
	}
	src->pub.next_input_byte = src->buffer;
	src->pub.bytes_in_buffer = static_cast<size_t>(n);
	src->startOfFile = false;
	return TRUE;
}

void jpegSkipInputData(j_decompress_ptr cinfo, long n)
{
	JpegSource* src = reinterpret_cast<JpegSource*>(cinfo->src);
	if (n <= 0)
		return;
	while (n > static_cast<long>(src->pub.bytes_in_buffer))
	{
		n -= static_cast<long>(src->pub.bytes_in_buffer);
		jpegFillInputBuffer(cinfo);
	}
	src->pub.next_input_byte += n;
	src->pub.bytes_in_buffer -= static_cast<size_t>(n);
}

void jpegTermSource(j_decompress_ptr)
{
}

} // namespace

__attribute__((noinline)) bool ImageReader::jpegStart()
{
	JpegState* s = m_jpeg.get();
	if (setjmp(s->err.jump))
		return false;
	jpeg_create_decompress(&s->cinfo);
	s->cinfo.mem->max_memory_to_use = JPEG_MEMORY_LIMIT;
	JpegSource* src = static_cast<JpegSource*>((*s->cinfo.mem->alloc_small)(reinterpret_cast<j_common_ptr>(&s->cinfo), JPOOL_PERMANENT, sizeof(JpegSource)));
	src->buffer = static_cast<JOCTET*>((*s->cinfo.mem->alloc_small)(reinterpret_cast<j_common_ptr>(&s->cinfo), JPOOL_PERMANENT, JPEG_BUFFER_SIZE));
	src->in = m_in.ptr();
	src->error = &m_streamError;
	src->startOfFile = true;
	src->pub.init_source = jpegInitSource;
	src->pub.fill_input_buffer = jpegFillInputBuffer;
	src->pub.skip_input_data = jpegSkipInputData;
	src->pub.resync_to_restart = jpeg_resync_to_restart;
	src->pub.term_source = jpegTermSource;
	src->pub.bytes_in_buffer = 0;
	src->pub.next_input_byte = nullptr;
	s->cinfo.src = &src->pub;
	// No marker is kept in memory (the library's default, stated here): a
	// comment or application marker is read past whatever length it claims.
	jpeg_save_markers(&s->cinfo, JPEG_COM, 0);
	for (int marker = 0; marker < 16; ++marker)
		jpeg_save_markers(&s->cinfo, JPEG_APP0 + marker, 0);
	jpeg_read_header(&s->cinfo, TRUE);
	return true;
}

__attribute__((noinline)) bool ImageReader::jpegStartDecompress()
{
	JpegState* s = m_jpeg.get();
	if (setjmp(s->err.jump))
		return false;
	jpeg_start_decompress(&s->cinfo);
	return true;
}

__attribute__((noinline)) bool ImageReader::jpegReadRow(unsigned char* row)
{
	JpegState* s = m_jpeg.get();
	if (setjmp(s->err.jump))
		return false;
	JSAMPROW rows[1] = {row};
	return jpeg_read_scanlines(&s->cinfo, rows, 1) == 1;
}

__attribute__((noinline)) bool ImageReader::jpegFinish()
{
	JpegState* s = m_jpeg.get();
	if (setjmp(s->err.jump))
		return false;
	jpeg_finish_decompress(&s->cinfo);
	return true;
}

void ImageReader::jpegFail()
{
	std::string const message = m_jpeg->err.message;
	jpegRelease();
	rethrowPending(m_streamError);
	lang::throwError(io::IOException(lang::Format("Failed to decode JPG {0}: {1}", m_in->toString(), message)));
}

void ImageReader::jpegRelease()
{
	if (m_jpegActive)
	{
		m_jpegActive = false;
		jpeg_destroy_decompress(&m_jpeg->cinfo);
	}
}

void ImageReader::readHeader_jpg()
{
	m_jpeg.reset(new JpegState());
	m_jpeg->cinfo.err = detail::initJpegError(&m_jpeg->err);
	m_jpegActive = true;
	if (!jpegStart())
		jpegFail();
	jpeg_decompress_struct const& cinfo = m_jpeg->cinfo;
	// The frame header's size is checked before the decompressor allocates
	// for it (a progressive file buffers every coefficient of the image).
	try
	{
		long long const width = cinfo.image_width;
		long long const height = cinfo.image_height;
		// Each block of every component costs at least one bit of Huffman
		// code, and a block covers at most 32 x 32 pixels (8 x 8 at the
		// largest subsampling of 4). Arithmetic coding has no such floor.
		long long const needed = cinfo.arith_code ? 0 : (width * height + JPEG_PIXELS_PER_BYTE - 1) / JPEG_PIXELS_PER_BYTE;
		checkDecodedSize(width, height, width * height * 3, needed - static_cast<long long>(cinfo.src->bytes_in_buffer));
	}
	catch (...)
	{
		jpegRelease();
		throw;
	}
	if (!jpegStartDecompress())
		jpegFail();
	if (cinfo.output_components != 3)
	{
		jpegRelease();
		lang::throwError(io::IOException(lang::Format("Grayscale JPG ({0}) is not supported", m_in->toString())));
	}
	try
	{
		checkSize(cinfo.output_width, cinfo.output_height);
	}
	catch (...)
	{
		jpegRelease();
		throw;
	}
	m_width = static_cast<int>(cinfo.output_width);
	m_height = static_cast<int>(cinfo.output_height);
	m_bitsPerPixel = 8 * cinfo.output_components;
	m_pitch = cinfo.output_components * m_width;
	m_surfaces = 1;
	m_bottomUp = false;
	m_fmt = SurfaceFormat::SURFACE_B8G8R8;
}

void ImageReader::readSurface_jpg(void* dst, int pitch, int w, int h, SurfaceFormat dstfmt, const void* dstpal, SurfaceFormat dstpalfmt)
{
	assert(m_jpegActive);
	if (!m_jpegActive)
		return;
	readScanlines(dst, pitch, w, h, dstfmt, dstpal, dstpalfmt);
	if (!jpegFinish())
		jpegFail();
	jpegRelease();
	++m_surfaceIndex;
}

} // img
