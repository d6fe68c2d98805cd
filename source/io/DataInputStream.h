#pragma once

#include <io/DataInput.h>
#include <io/InputStream.h>
#include <vector>

namespace io
{

/**
 * Reads big-endian typed values from another stream, which must outlive
 * this one. Every failure is an io::IOException naming the source.
 */
class DataInputStream : public InputStream, public DataInput
{
public:
	/** Reads from source, which is not owned. */
	explicit DataInputStream(InputStream& source);

	~DataInputStream() override;

	int read(void* data, int size) override;
	int skip(int n) override;
	bool seek(int offset, SeekMode mode) override;

	/**
	 * Reads exactly size bytes, calling the source until they are all there.
	 * @exception IOException "Unexpected end of file in {0}." when the source
	 *            ends first (or size is negative).
	 */
	void readFully(void* data, int size) override;

	bool readBoolean() override;
	int readByte() override;
	char readChar() override;
	std::string readChars(int n) override;
	double readDouble() override;
	float readFloat() override;
	int readInt() override;
	short readShort() override;

	/** @exception IOException "Invalid UTF-8 data in {0}." for a negative length. */
	std::string readUTF() override;

	/**
	 * @exception IOException "Invalid UTF-8 data in {0}." for a negative length,
	 *            "Too small buffer ({0}) for UTF-8 data in {1}." when the text
	 *            and its NUL do not fit.
	 */
	void readUTF(char* buf, int size) override;

private:
	std::vector<char> m_buf;
};

} // io
