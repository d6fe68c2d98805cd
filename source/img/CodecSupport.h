#pragma once

#include <gr/SurfaceFormat.h>
#include <io/InputStream.h>
#include <io/OutputStream.h>
#include <csetjmp>
#include <cstddef>
#include <cstdio>
#include <exception>
#include <jpeglib.h>
#include <png.h>
#include <string>

// Plumbing shared by the image readers and writers. libpng and libjpeg
// report errors by calling back into the engine; those callbacks leave the
// library with longjmp to a frame that holds only trivially destructible
// locals, and that frame's caller turns the failure into a C++ exception.
// Exceptions of the engine's streams never cross the libraries' C frames:
// stream callbacks catch them, park them in an std::exception_ptr owned by
// the caller and make the library fail instead.

namespace img
{
namespace detail
{

/** Longest message kept from a library error. */
enum { MESSAGE_SIZE = 200 };

/**
 * Reads up to n bytes. Never throws.
 * @return Bytes read, or -1 when the stream threw (parked in *error).
 */
int readSome(io::InputStream* in, void* buf, int n, std::exception_ptr* error) noexcept;

/**
 * Reads exactly n bytes. Never throws: a stream exception, or a short read
 * (as io::IOException "Failed to read {0} bytes from {1}"), is parked in *error.
 * @return True when all bytes came.
 */
bool readAll(io::InputStream* in, void* buf, std::size_t n, std::exception_ptr* error) noexcept;

/**
 * Writes n bytes. Never throws: a stream exception is parked in *error.
 * @return True when the stream accepted the bytes.
 */
bool writeAll(io::OutputStream* out, void const* buf, std::size_t n, std::exception_ptr* error) noexcept;

/** Copies a C message into a fixed buffer of MESSAGE_SIZE bytes. */
void copyMessage(char* dst, char const* msg) noexcept;

/** libjpeg error manager whose error exit jumps back with longjmp. */
struct JpegError
{
	jpeg_error_mgr pub;
	std::jmp_buf jump;
	char message[JMSG_LENGTH_MAX];
};

/** Sets up err as the error manager of a libjpeg object: silent, exits by longjmp. */
jpeg_error_mgr* initJpegError(JpegError* err);

/** State reachable from the libpng callbacks (error pointer and I/O pointer). */
struct PngIO
{
	io::InputStream* in;
	io::OutputStream* out;
	std::exception_ptr* error;
	char message[MESSAGE_SIZE];
};

/** libpng error callback: keeps the message and jumps back. */
void pngError(png_structp png, png_const_charp msg);

/** libpng warning callback: ignores the warning. */
void pngWarning(png_structp png, png_const_charp msg);

/** Bytes of one row of width pixels of bpp bits. */
long long rowBytes(long long width, int bpp);

/**
 * Reads exactly n bytes.
 * @exception io::IOException "Failed to read {0} bytes from {1}" when fewer came, or what the stream threw.
 */
void readExactly(io::InputStream* in, void* buf, std::size_t n);

/** Throws the stream error a decoder callback caught, if there is one, and clears it. */
void rethrowPending(std::exception_ptr& error);

/** Raises io::IOException "Failed to read {0} bytes from {1}" for a file that holds fewer bytes than its header needs. */
[[noreturn]] void failedToRead(double bytes, std::string const& name);

/** Format of uncompressed 16, 24 or 32-bit pixels stored blue first; wide32 for 32 bits. */
gr::SurfaceFormat storedRgbFormat(int bpp, gr::SurfaceFormat::SurfaceFormatType wide32);

} // detail
} // img
