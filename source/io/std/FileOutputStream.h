#pragma once

#include <io/OutputStream.h>
#include <lang/Ptr.h>
#include <string>

namespace io
{

/** Output stream that creates (or truncates) a file by its path. */
class FileOutputStream : public OutputStream
{
public:
	/**
	 * Opens the file for writing; the path is normalised first.
	 * @exception IOException "Failed to open {0} for writing with errno {1}" ({1} as "2 (No such file or directory)").
	 */
	explicit FileOutputStream(std::string const& path);

	/** Closes the file if close() was not called; failures are only logged. */
	~FileOutputStream() override;

	/**
	 * Writes all the bytes.
	 * @exception IOException "Failed to write {0} bytes to {1}".
	 */
	void write(void const* data, int size) override;

	/**
	 * Flushes and closes the file; writing afterwards is an error.
	 * Closing twice does nothing.
	 * @exception IOException "Failed to close {0} with errno {1}" ({1} as "2 (No such file or directory)").
	 */
	void close();

	/** The normalised path. */
	std::string toString() const override;

	class Impl;

protected:
	/** For streams that open and close the file in their own way: impl holds the open file. */
	explicit FileOutputStream(Impl* impl);

private:
	lang::Ptr<Impl> m_impl;
};

} // io
