#pragma once

#include <exception>

namespace io
{

class InputStream;

namespace detail
{

/**
 * The archive stream as the stream callbacks of an archive decoder see it.
 * The callbacks run inside the decoder's C code, so no exception may leave
 * them: a failure of the stream is kept here and thrown again by rethrow()
 * once the decoder has returned. After a failure every operation fails.
 */
struct ArchiveSource
{
	InputStream* stream = nullptr;
	/** Read position, kept here as the stream may not tell it. */
	long long position = 0;
	/** Size of the archive. */
	long long size = 0;
	/** The exception the stream threw, until rethrown. */
	std::exception_ptr error;

	/**
	 * Reads up to want bytes at the position.
	 * @return Bytes read, or a negative value when the stream failed now or
	 *         before (error is then set) or itself returned a negative count.
	 */
	int read(void* buffer, int want);

	/**
	 * Moves the position; origin is numbered as for the C library's fseek
	 * (0 start, 1 current position, 2 end).
	 * @return False when the target lies outside the archive, the origin is
	 *         unknown or the stream failed now or before.
	 */
	bool seek(long long offset, int origin);

	/** Throws the kept exception of the stream again, if any, and forgets it. */
	void rethrow();
};

} // detail
} // io
