#pragma once

#include <io/InputStream.h>
#include <lang/Ptr.h>
#include <string>

namespace io
{

/** Input stream over a file opened by its path. */
class FileInputStream : public InputStream
{
public:
	/**
	 * Opens the file; the path is normalised first (see io::PathName).
	 * @exception IOException "Failed to open {0} with errno {1}" ({1} as "2 (No such file or directory)").
	 */
	explicit FileInputStream(std::string const& path);

	/** Which files a stream opens. */
	enum Open
	{
		/** Whatever the path names (links followed), as fopen does. */
		ANY_FILE,
		/** Only a regular file at the path itself: see io::openRegularFile (never blocks, never follows a link). */
		REGULAR_FILE_ONLY,
	};

	/**
	 * Opens the file as open says; the path is normalised first.
	 * @exception IOException "Failed to open {0} with errno {1}", or with
	 *            REGULAR_FILE_ONLY "Failed to open {0}: it is {1}, not a
	 *            regular file" ({1} as "a FIFO", see io::notRegularKind).
	 */
	FileInputStream(std::string const& path, Open open);

	~FileInputStream() override;

	/**
	 * Reads up to size bytes.
	 * @return Bytes read; short at the end of the file, 0 after it.
	 * @exception IOException "Failed to read {0} bytes from {1}".
	 */
	int read(void* data, int size) override;

	/**
	 * Skips up to n bytes, never past the end of the file nor backwards.
	 * @return Bytes skipped.
	 * @exception IOException "Failed to skip {0} bytes from {1}".
	 */
	int skip(int n) override;

	/**
	 * Moves the read position. A target outside the file is clamped to it
	 * and reported as failure.
	 * @return True when the target was inside the file (end included).
	 */
	bool seek(int offset, SeekMode mode) override;

	/**
	 * Bytes from the read position to the end of the file.
	 * @exception IOException "Failed to seek {0}".
	 */
	int available() const override;

	/** The normalised path. */
	std::string toString() const override;

	class Impl;

private:
	lang::Ptr<Impl> m_impl;
};

} // io
