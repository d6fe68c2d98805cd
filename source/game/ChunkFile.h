#pragma once

#include <game/ChunkReader.h>
#include <io/ByteArrayInputStream.h>
#include <lang/Ptr.h>
#include <functional>
#include <string>

namespace io
{
class InputStream;
}

namespace game
{

/** A four-character chunk tag ("SPRT") as the big-endian int the files hold. */
constexpr int chunkTag(char const (&text)[5])
{
	using byte = unsigned char;
	return int((unsigned(byte(text[0])) << 24) | (unsigned(byte(text[1])) << 16) | (unsigned(byte(text[2])) << 8) | unsigned(byte(text[3])));
}

/**
 * A chunked data file held in memory: the magic "QRX5", a size, then tagged
 * chunks (int tag, int length, body of length bytes) to the end of the
 * file. A chunk's length counts every byte after the length field,
 * including the version a known chunk starts with. Files without the
 * magic are older layouts that the caller reads through whole().
 *
 * Every error names the file: "Malformed QRX5 file: {0}" for a bad size or
 * chunk length, and the messages of ChunkReader for reads past the end.
 * Errors are io::IOException (or what opening the file raises).
 */
class ChunkFile
{
public:
	/** The container magic, "QRX5". */
	static constexpr int MAGIC = chunkTag("QRX5");

	/**
	 * Reads the bundle file path into memory and checks its header.
	 * @exception io::IOException When the file cannot be read, or
	 *            "Malformed QRX5 file: {0}" (path) when its size field is
	 *            larger than the bytes after the header.
	 */
	explicit ChunkFile(std::string const& path);

	/**
	 * Reads the rest of the stream into memory and checks its header; the
	 * stream's description (toString()) names the file in messages.
	 * @exception io::IOException As above, or whatever the stream throws.
	 */
	explicit ChunkFile(io::InputStream& in);

	ChunkFile(ChunkFile const&) = delete;
	ChunkFile& operator=(ChunkFile const&) = delete;

	/** The file named in messages. */
	std::string const& name() const { return m_name; }

	/** True when the file starts with the magic. */
	bool isContainer() const { return m_container; }

	/** A reader over the whole file from its first byte (for the older layouts). */
	ChunkReader whole() const;

	/**
	 * Steps to the next chunk of a container: sets tag and a reader over
	 * the chunk's body. The walk goes on at the byte after the body,
	 * whatever the caller reads of it.
	 * @return False at the end of the file.
	 * @exception io::IOException "Malformed QRX5 file: {0}" for a negative
	 *            length or one past the end; "Unexpected end of file in {0}."
	 *            when the tag or length is cut off.
	 */
	bool nextChunk(int& tag, ChunkReader& body);

	/**
	 * A reader from where body stands to the end of the file, for chunks
	 * whose content runs on past their length; the chunk walk then ends.
	 * body must read this file.
	 */
	ChunkReader throughEnd(ChunkReader const& body);

	/**
	 * Reads the bodies of a file kind that also has an older layout: the
	 * whole file without the magic, else the body of every chunk of tag
	 * whose version is 1 (after the version), in file order. Other chunks
	 * and versions are skipped by their length.
	 * @exception io::IOException As nextChunk(), and whatever readBody throws.
	 */
	void readBodies(int tag, std::function<void(ChunkReader&)> const& readBody);

	/**
	 * The bundle path of an image named in the file: the name joined to the
	 * folder of the file's path.
	 * @exception io::IOException "Malformed QRX5 file: {0}" for an empty or
	 *            absolute name, or one that leads out of the bundle folder.
	 */
	std::string imagePath(std::string const& imageName) const;

	/** Throws "Malformed QRX5 file: {0}" naming this file. */
	[[noreturn]] void malformed() const;

private:
	std::string m_name;
	lang::Ptr<io::ByteArrayInputStream> m_data;
	char const* m_begin;
	char const* m_end;
	char const* m_pos;
	bool m_container;

	void readHeader();
};

} // game
