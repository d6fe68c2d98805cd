#include "WaveFileWriter.h"
#include <io/IOException.h>
#include <lang/Format.h>
#include <cerrno>
#include <cstring>
#include <vector>

namespace audio
{

namespace
{

/** Bytes of the header before the samples. */
long const HEADER_BYTES = 44;

void put32(unsigned char* at, uint32_t v)
{
	for (int i = 0; i < 4; ++i)
		at[i] = static_cast<unsigned char>(v >> (8 * i));
}

void put16(unsigned char* at, unsigned v)
{
	at[0] = static_cast<unsigned char>(v);
	at[1] = static_cast<unsigned char>(v >> 8);
}

} // namespace

WaveFileWriter::WaveFileWriter(std::string const& path, int channels, int sampleRate) :
	m_path(path), m_file(std::fopen(path.c_str(), "wb")), m_dataBytes(0)
{
	if (!m_file)
		fail(errno);
	try
	{
		writeHeader(channels, sampleRate);
	}
	catch (...)
	{
		std::fclose(m_file);
		throw;
	}
}

WaveFileWriter::~WaveFileWriter()
{
	std::fclose(m_file);
}

void WaveFileWriter::fail(int error) const
{
	lang::throwError(io::IOException(lang::Format("Cannot write the sound to {0}: {1}", m_path,
		error ? std::strerror(error) : "the write failed")));
}

void WaveFileWriter::writeHeader(int channels, int sampleRate)
{
	unsigned char h[HEADER_BYTES];
	std::memcpy(h, "RIFF", 4);
	put32(h + 4, 36);
	std::memcpy(h + 8, "WAVEfmt ", 8);
	put32(h + 16, 16);
	put16(h + 20, 1);
	put16(h + 22, unsigned(channels));
	put32(h + 24, uint32_t(sampleRate));
	put32(h + 28, uint32_t(sampleRate * channels * 2));
	put16(h + 32, unsigned(channels * 2));
	put16(h + 34, 16);
	std::memcpy(h + 36, "data", 4);
	put32(h + 40, 0);
	errno = 0;
	if (std::fwrite(h, 1, sizeof(h), m_file) != sizeof(h) || std::fflush(m_file) != 0)
		fail(errno);
}

void WaveFileWriter::write(int16_t const* samples, size_t count)
{
	if (count == 0)
		return;
	uint64_t const bytes = m_dataBytes + 2 * uint64_t(count);
	if (bytes > 0xFFFFFFFFull - 36)
		lang::throwError(io::IOException(lang::Format("{0}: the sound is longer than a wave file holds", m_path)));
	std::vector<unsigned char> data(2 * count);
	for (size_t i = 0; i < count; ++i)
		put16(&data[2 * i], static_cast<uint16_t>(samples[i]));
	unsigned char sizes[4];
	errno = 0;
	bool ok = std::fseek(m_file, HEADER_BYTES + long(m_dataBytes), SEEK_SET) == 0 &&
		std::fwrite(data.data(), 1, data.size(), m_file) == data.size();
	put32(sizes, uint32_t(36 + bytes));
	ok = ok && std::fseek(m_file, 4, SEEK_SET) == 0 && std::fwrite(sizes, 1, 4, m_file) == 4;
	put32(sizes, uint32_t(bytes));
	ok = ok && std::fseek(m_file, 40, SEEK_SET) == 0 && std::fwrite(sizes, 1, 4, m_file) == 4 && std::fflush(m_file) == 0;
	if (!ok)
		fail(errno);
	m_dataBytes = bytes;
}

} // audio
