#pragma once

// The state of an io::FileOutputStream, shared with the streams that derive
// from it and write their file in their own way.

#include "FileOutputStream.h"
#include <cstdio>
#include <string>

namespace io
{

class FileOutputStream::Impl : public lang::Object
{
public:
	/** The path of the stream: in messages and toString(). */
	std::string m_path;
	/** The open file, null once closed. */
	FILE* m_file;
	/** A write failed. */
	bool m_failed;

	/** State for path; the file is not open yet. */
	explicit Impl(std::string path);

	/** Closes the file if still open; failures are only logged. */
	~Impl() override;

	/**
	 * Writes all the bytes.
	 * @exception IOException "Failed to write {0} bytes to {1}".
	 */
	void write(void const* data, int size);

	/**
	 * Closes the file; nothing when it is already closed.
	 * @exception IOException "Failed to close {0} with errno {1}" ({1} as "2 (No such file or directory)").
	 */
	virtual void close();

protected:
	/** Calls close(), keeping its failures in the log only (for destructors). */
	void closeQuietly();
};

} // io
