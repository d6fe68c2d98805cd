#pragma once

#include <string>

namespace game
{

/**
 * Reads big-endian values from a byte range in memory that another object
 * owns (a chunk body or a whole data file). It never reads outside the
 * range: a read past its end is an error naming the file, as
 * io::DataInputStream reports it. Copyable; copies read independently.
 */
class ChunkReader
{
public:
	/**
	 * Reads [begin, end); name is the file named in messages and must
	 * outlive the reader.
	 */
	ChunkReader(char const* begin, char const* end, std::string const& name);

	/** Bytes left. */
	int available() const { return static_cast<int>(m_end - m_pos); }

	/** Signed 32-bit value. @exception io::IOException "Unexpected end of file in {0}." */
	int readInt();

	/** Signed 16-bit value. @exception io::IOException "Unexpected end of file in {0}." */
	short readShort();

	/** Signed 8-bit value. @exception io::IOException "Unexpected end of file in {0}." */
	int readSignedByte();

	/** Unsigned 16-bit value. @exception io::IOException "Unexpected end of file in {0}." */
	unsigned short readUnsignedShort();

	/** A signed 16-bit record count; a negative count reads as 0. @exception io::IOException As readShort. */
	int readCount();

	/**
	 * Text of a signed 16-bit byte length and that many raw bytes (taken as
	 * they are), stored into text (its buffer is reused).
	 * @exception io::IOException "Invalid UTF-8 data in {0}." for a negative
	 *            length, "Unexpected end of file in {0}." past the end.
	 */
	void readUTF(std::string& text);

	/** As above, returning the text. */
	std::string readUTF();

	/** Skips n bytes. @exception io::IOException "Unexpected end of file in {0}." past the end or for a negative n. */
	void skip(int n);

	/**
	 * A reader over the next n bytes, which this reader then skips.
	 * @exception io::IOException "Unexpected end of file in {0}." past the end or for a negative n.
	 */
	ChunkReader take(int n);

	/** The file named in messages. */
	std::string const& name() const { return *m_name; }

	/** The next byte this reader reads (its end when nothing is left). */
	char const* position() const { return m_pos; }

private:
	char const* m_pos;
	char const* m_end;
	std::string const* m_name;

	/** Throws when fewer than n bytes are left (or n is negative). */
	void need(int n) const;
};

} // game
