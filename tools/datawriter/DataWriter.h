#pragma once

#include <string>
#include <vector>

namespace datawriter
{

/**
 * Builds the bytes of a chunked data file in memory: big-endian numbers,
 * texts with a 16-bit length, raw bytes, and chunks whose length fields
 * are filled in when they end. Nothing checks the values, so that tests can
 * write broken files on purpose.
 */
class DataWriter
{
public:
	/** 32-bit value, big-endian. */
	DataWriter& writeInt(int v);

	/** 16-bit value (cut to 16 bits), big-endian. */
	DataWriter& writeShort(int v);

	/** 8-bit value (cut to 8 bits). */
	DataWriter& writeByte(int v);

	/** The text's byte length as a 16-bit value, then its bytes as they are. */
	DataWriter& writeUTF(std::string const& text);

	/** Bytes as they are. */
	DataWriter& writeBytes(std::string const& bytes);

	/** A four-character tag ("SPRT") as the big-endian int the files hold. */
	DataWriter& writeTag(std::string const& tag);

	/** The magic "QRX5" and a size field that endFile() fills in. */
	DataWriter& beginFile();

	/** Sets the size field of beginFile() to the bytes after the header (plus adjust). */
	DataWriter& endFile(int adjust = 0);

	/**
	 * Starts a chunk: its tag and a length field that endChunk() fills in.
	 * Chunks may nest.
	 */
	DataWriter& beginChunk(std::string const& tag);

	/** Sets the length of the innermost open chunk to the bytes written since (plus adjust). */
	DataWriter& endChunk(int adjust = 0);

	/** The bytes written so far. */
	std::string const& bytes() const { return m_bytes; }

	/**
	 * Writes the bytes to a file.
	 * @return False when the file cannot be written.
	 */
	bool save(std::string const& path) const;

private:
	std::string m_bytes;
	std::vector<size_t> m_open;

	/** Stores v big-endian over the 4 bytes at offset. */
	void patchInt(size_t offset, int v);
};

} // datawriter
