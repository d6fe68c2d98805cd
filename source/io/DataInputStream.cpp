#include "DataInputStream.h"
#include <io/IOException.h>
#include <lang/Format.h>
#include <cstdint>
#include <cstring>

namespace io
{

DataInputStream::DataInputStream(InputStream& source) : InputStream(source) {}

DataInputStream::~DataInputStream() {}

int DataInputStream::read(void* data, int size)
{
	return getEmbeddedStream()->read(data, size);
}

int DataInputStream::skip(int n)
{
	return getEmbeddedStream()->skip(n);
}

bool DataInputStream::seek(int offset, SeekMode mode)
{
	return getEmbeddedStream()->seek(offset, mode);
}

void DataInputStream::readFully(void* data, int size)
{
	// Sources may deliver fewer bytes than asked before the end (pipes,
	// decoders), so keep reading until the count is filled or a read gives 0.
	char* p = static_cast<char*>(data);
	int done = 0;
	while (done < size)
	{
		int got = getEmbeddedStream()->read(p + done, size - done);
		if (got <= 0)
			break;
		done += got;
	}
	if (done != size)
		lang::throwError(IOException(lang::Format("Unexpected end of file in {0}.", toString())));
}

bool DataInputStream::readBoolean()
{
	return readByte() != 0;
}

int DataInputStream::readByte()
{
	unsigned char b;
	readFully(&b, 1);
	return b;
}

char DataInputStream::readChar()
{
	signed char c;
	readFully(&c, 1);
	return static_cast<char>(c);
}

std::string DataInputStream::readChars(int n)
{
	// Gathered in blocks; a zero byte ends the text of its block.
	const int blockSize = 249;
	std::string result;
	char block[blockSize + 1];
	int used = 0;
	for (int i = 0; i < n; ++i)
	{
		block[used++] = readChar();
		if (used == blockSize || i + 1 == n)
		{
			block[used] = 0;
			result += block;
			used = 0;
		}
	}
	return result;
}

double DataInputStream::readDouble()
{
	unsigned char b[8];
	readFully(b, 8);
	uint64_t v = 0;
	for (int i = 0; i < 8; ++i)
		v = (v << 8) | b[i];
	double d;
	memcpy(&d, &v, sizeof(d));
	return d;
}

float DataInputStream::readFloat()
{
	uint32_t v = static_cast<uint32_t>(readInt());
	float f;
	memcpy(&f, &v, sizeof(f));
	return f;
}

int DataInputStream::readInt()
{
	unsigned char b[4];
	readFully(b, 4);
	uint32_t v = (uint32_t(b[0]) << 24) | (uint32_t(b[1]) << 16) | (uint32_t(b[2]) << 8) | b[3];
	return static_cast<int32_t>(v);
}

short DataInputStream::readShort()
{
	unsigned char b[2];
	readFully(b, 2);
	return static_cast<int16_t>(static_cast<uint16_t>((b[0] << 8) | b[1]));
}

std::string DataInputStream::readUTF()
{
	int len = readShort();
	if (len < 0)
		lang::throwError(IOException(lang::Format("Invalid UTF-8 data in {0}.", toString())));
	m_buf.resize(static_cast<size_t>(len) + 1);
	readFully(m_buf.data(), len);
	return std::string(m_buf.data(), static_cast<size_t>(len));
}

void DataInputStream::readUTF(char* buf, int size)
{
	int len = readShort();
	if (len < 0)
		lang::throwError(IOException(lang::Format("Invalid UTF-8 data in {0}.", toString())));
	if (len >= size)
		lang::throwError(IOException(lang::Format("Too small buffer ({0}) for UTF-8 data in {1}.", size, toString())));
	readFully(buf, len);
	buf[len] = 0;
}

} // io
