#pragma once

#include <io/InputStream.h>
#include <string>
#include <vector>

namespace io
{

/**
 * Input stream over bytes held in memory.
 * Positions and sizes given by the caller (often read from file data)
 * never take the read index outside the data.
 */
class ByteArrayInputStream : public InputStream
{
public:
	/** Empty stream. */
	ByteArrayInputStream();

	/**
	 * Copies size bytes from data; a null data pointer gives size zero bytes.
	 * @exception IOException If size is negative.
	 */
	ByteArrayInputStream(void const* data, int size);

	/**
	 * Reads everything left in the source into memory (reads until the
	 * source returns 0). The stream takes the source's name.
	 * @exception IOException Whatever the source throws.
	 */
	explicit ByteArrayInputStream(InputStream& source);

	/**
	 * Takes the bytes of data without copying them (data is left empty).
	 * @exception IOException If data holds more than 2^31 - 1 bytes.
	 */
	explicit ByteArrayInputStream(std::string&& data);

	~ByteArrayInputStream() override;

	/**
	 * Replaces the data (same copying rule as the constructor) and rewinds;
	 * the name stays.
	 * @exception IOException If size is negative.
	 */
	void reset(void const* data, int size);

	/**
	 * Replaces the data by the bytes of data without copying them and
	 * rewinds; data is left empty.
	 * @exception IOException If data holds more than 2^31 - 1 bytes (nothing changes).
	 */
	void adopt(std::string&& data);

	/**
	 * Copies up to size bytes and advances.
	 * @return Bytes copied, 0 at the end.
	 * @exception IOException If size is negative.
	 */
	int read(void* data, int size) override;

	/** Advances by up to n bytes (never past the end, never back). @return Bytes skipped. */
	int skip(int n) override;

	/**
	 * Moves the read index. A target outside the data is clamped to it
	 * and reported as failure.
	 * @return True when the target was inside the data (end included).
	 */
	bool seek(int offset, SeekMode mode) override;

	/** Bytes left to read. */
	int available() const override;

	/** The name, or "ByteArrayInputStream" without one. */
	std::string toString() const override;

	/** First byte of the data, or null when the data is empty. */
	char const* data() const;

	/** Number of bytes held. */
	int size() const { return static_cast<int>(m_data.size()); }

protected:
	/** Sets the name used by toString(). */
	void setName(std::string const& name) { m_name = name; }

private:
	std::string m_data;
	std::string m_name;
	int m_index;
};

} // io
