#include "ChunkReader.h"
#include <io/IOException.h>
#include <lang/Format.h>

namespace game
{

ChunkReader::ChunkReader(char const* begin, char const* end, std::string const& name) :
	m_pos(begin),
	m_end(end),
	m_name(&name)
{
}

void ChunkReader::need(int n) const
{
	if (n < 0 || n > available())
		lang::throwError(io::IOException(lang::Format("Unexpected end of file in {0}.", *m_name)));
}

int ChunkReader::readInt()
{
	need(4);
	unsigned char const* b = reinterpret_cast<unsigned char const*>(m_pos);
	m_pos += 4;
	return static_cast<int>((unsigned(b[0]) << 24) | (unsigned(b[1]) << 16) | (unsigned(b[2]) << 8) | unsigned(b[3]));
}

unsigned short ChunkReader::readUnsignedShort()
{
	need(2);
	unsigned char const* b = reinterpret_cast<unsigned char const*>(m_pos);
	m_pos += 2;
	return static_cast<unsigned short>((b[0] << 8) | b[1]);
}

short ChunkReader::readShort()
{
	return static_cast<short>(readUnsignedShort());
}

int ChunkReader::readSignedByte()
{
	need(1);
	return static_cast<signed char>(*m_pos++);
}

int ChunkReader::readCount()
{
	int const n = readShort();
	return n < 0 ? 0 : n;
}

void ChunkReader::readUTF(std::string& text)
{
	int const length = readShort();
	if (length < 0)
		lang::throwError(io::IOException(lang::Format("Invalid UTF-8 data in {0}.", *m_name)));
	need(length);
	text.assign(m_pos, static_cast<size_t>(length));
	m_pos += length;
}

std::string ChunkReader::readUTF()
{
	std::string text;
	readUTF(text);
	return text;
}

void ChunkReader::skip(int n)
{
	need(n);
	m_pos += n;
}

ChunkReader ChunkReader::take(int n)
{
	need(n);
	ChunkReader part(m_pos, m_pos + n, *m_name);
	m_pos += n;
	return part;
}

} // game
