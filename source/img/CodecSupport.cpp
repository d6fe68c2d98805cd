#include "CodecSupport.h"
#include <io/IOException.h>
#include <lang/Format.h>
#include <climits>
#include <cstring>

namespace img
{
namespace detail
{

int readSome(io::InputStream* in, void* buf, int n, std::exception_ptr* error) noexcept
{
	try
	{
		return in->read(buf, n);
	}
	catch (...)
	{
		*error = std::current_exception();
		return -1;
	}
}

bool readAll(io::InputStream* in, void* buf, std::size_t n, std::exception_ptr* error) noexcept
{
	unsigned char* p = static_cast<unsigned char*>(buf);
	std::size_t left = n;
	while (left > 0)
	{
		int chunk = left > static_cast<std::size_t>(INT_MAX) ? INT_MAX : static_cast<int>(left);
		int got = readSome(in, p, chunk, error);
		if (got < 0)
			return false;
		if (got == 0 || got > chunk)
			break;
		p += got;
		left -= static_cast<std::size_t>(got);
	}
	if (left == 0)
		return true;
	try
	{
		*error = std::make_exception_ptr(io::IOException(lang::Format("Failed to read {0} bytes from {1}", static_cast<double>(n), in->toString())));
	}
	catch (...)
	{
		*error = std::current_exception();
	}
	return false;
}

bool writeAll(io::OutputStream* out, void const* buf, std::size_t n, std::exception_ptr* error) noexcept
{
	unsigned char const* p = static_cast<unsigned char const*>(buf);
	try
	{
		while (n > 0)
		{
			int chunk = n > static_cast<std::size_t>(INT_MAX) ? INT_MAX : static_cast<int>(n);
			out->write(p, chunk);
			p += chunk;
			n -= static_cast<std::size_t>(chunk);
		}
		return true;
	}
	catch (...)
	{
		*error = std::current_exception();
		return false;
	}
}

void copyMessage(char* dst, char const* msg) noexcept
{
	if (!msg)
		msg = "";
	std::strncpy(dst, msg, MESSAGE_SIZE - 1);
	dst[MESSAGE_SIZE - 1] = 0;
}

namespace
{

void jpegErrorExit(j_common_ptr cinfo)
{
	JpegError* err = reinterpret_cast<JpegError*>(cinfo->err);
	(*cinfo->err->format_message)(cinfo, err->message);
	std::longjmp(err->jump, 1);
}

void jpegOutputMessage(j_common_ptr)
{
}

} // namespace

jpeg_error_mgr* initJpegError(JpegError* err)
{
	jpeg_std_error(&err->pub);
	err->pub.error_exit = jpegErrorExit;
	err->pub.output_message = jpegOutputMessage;
	err->message[0] = 0;
	return &err->pub;
}

void pngError(png_structp png, png_const_charp msg)
{
	PngIO* io = static_cast<PngIO*>(png_get_error_ptr(png));
	if (io)
		copyMessage(io->message, msg);
	png_longjmp(png, 1);
}

void pngWarning(png_structp, png_const_charp)
{
}

long long rowBytes(long long width, int bpp)
{
	return (width * bpp + 7) / 8;
}

void readExactly(io::InputStream* in, void* buf, std::size_t n)
{
	std::exception_ptr error;
	if (!readAll(in, buf, n, &error))
		std::rethrow_exception(error);
}

void rethrowPending(std::exception_ptr& error)
{
	if (error)
	{
		std::exception_ptr e = error;
		error = nullptr;
		std::rethrow_exception(e);
	}
}

void failedToRead(double bytes, std::string const& name)
{
	lang::throwError(io::IOException(lang::Format("Failed to read {0} bytes from {1}", bytes, name)));
}

gr::SurfaceFormat storedRgbFormat(int bpp, gr::SurfaceFormat::SurfaceFormatType wide32)
{
	switch (bpp)
	{
	case 16:
		return gr::SurfaceFormat::SURFACE_R5G5B5;
	case 24:
		return gr::SurfaceFormat::SURFACE_R8G8B8;
	default:
		return wide32;
	}
}

} // detail
} // img
