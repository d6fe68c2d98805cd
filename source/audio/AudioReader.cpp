#include "AudioReader.h"
#include "Mp3Decoder.h"
#include <io/IOException.h>
#include <lang/Exception.h>
#include <algorithm>
#include <cstring>

namespace audio
{

namespace
{

// Largest "fmt " chunk body read; the PCM fields take the first 16 bytes.
unsigned const MAX_FMT_SIZE = 128;

} // namespace

AudioReader::AudioReader(lang::Ptr<io::InputStream> stream, io::FileFormat format)
{
	clear();
	if (format != io::FILEFORMAT_WAV && format != io::FILEFORMAT_MP3)
		lang::throwError(io::IOException(lang::Format("Unsupported audio file format while reading {0}", stream->toString())));
	reset(stream, format, AudioConfiguration{});
}

AudioReader::AudioReader(lang::Ptr<io::InputStream> stream, AudioConfiguration const& config)
{
	clear();
	reset(stream, io::FILEFORMAT_UNKNOWN, config);
}

AudioReader::~AudioReader() {}

void AudioReader::clear()
{
	m_stream = nullptr;
	m_format = io::FILEFORMAT_UNKNOWN;
	m_audioFormat = 0;
	m_channels = 0;
	m_sampleRate = 0;
	m_byteRate = 0;
	m_blockAlign = 0;
	m_bitsPerSample = 0;
	m_dataSize = 0;
	m_dataOffset = 0;
	m_mp3.reset();
}

void AudioReader::reset(lang::Ptr<io::InputStream> stream, io::FileFormat format, AudioConfiguration const& config)
{
	clear();
	m_stream = stream;
	m_format = format;
	try
	{
		if (format == io::FILEFORMAT_WAV)
			readWavHeader();
		else if (format == io::FILEFORMAT_MP3)
			readMp3Header();
		else if (format == io::FILEFORMAT_UNKNOWN || format == io::FILEFORMAT_RAW)
			readRawHeader(config);
		else
			lang::throwError(io::IOException(lang::Format("Unsupported audio file format while reading {0}", stream->toString())));
	}
	catch (...)
	{
		clear();
		throw;
	}
}

void AudioReader::readRawHeader(AudioConfiguration const& config)
{
	if (config.channels != 1 && config.channels != 2)
		lang::throwError(lang::Exception(lang::Format("Unsupported count of channels while reading {0}", m_stream->toString())));
	if (config.bitsPerSample != 8 && config.bitsPerSample != 16)
		lang::throwError(lang::Exception(lang::Format("Unsupported bits per sample while reading {0}", m_stream->toString())));
	m_audioFormat = 1;
	m_channels = config.channels;
	m_bitsPerSample = config.bitsPerSample;
	m_sampleRate = config.sampleRate;
	m_blockAlign = m_bitsPerSample * m_channels / 8;
	m_byteRate = m_sampleRate * m_blockAlign;
	m_dataSize = std::max(0, m_stream->available());
	m_dataOffset = 0;
}

void AudioReader::readWavHeader()
{
	std::string const name = m_stream->toString();
	long long const total = m_stream->available();
	unsigned char riff[12];
	if (total < 12)
		lang::throwError(io::IOException(lang::Format("Only RIFF/WAVE sounds are currently supported while reading {0}", name)));
	readFully(m_stream, riff, 12);
	if (memcmp(riff, "RIFF", 4) != 0 || memcmp(riff + 8, "WAVE", 4) != 0)
		lang::throwError(io::IOException(lang::Format("Only RIFF/WAVE sounds are currently supported while reading {0}", name)));

	// Sizes are unsigned 32-bit values; positions are kept in 64 bits so that
	// no declared size can wrap them.
	long long pos = 12;
	bool haveFmt = false;
	while (total - pos >= 8)
	{
		unsigned char chunk[8];
		readFully(m_stream, chunk, 8);
		pos += 8;
		unsigned const size = getUInt32LE(chunk, 4);
		if (memcmp(chunk, "fmt ", 4) == 0)
		{
			if (size < 16 || size > MAX_FMT_SIZE)
				lang::throwError(io::IOException(lang::Format("Bad fmt chunk size {0} while reading {1}", static_cast<int>(size), name)));
			unsigned char fmt[MAX_FMT_SIZE + 1];
			int const body = static_cast<int>(size + (size & 1));
			if (total - pos < body)
				lang::throwError(io::IOException(lang::Format("Failed to read {0} bytes from {1}", body, name)));
			readFully(m_stream, fmt, body);
			pos += body;
			m_audioFormat = static_cast<int>(getUInt16LE(fmt, 0));
			if (m_audioFormat != 1)
				lang::throwError(io::IOException(lang::Format("WAV was not PCM in {1}! RIFF AudioEncoding TwoCC value: 0x{0,x}", m_audioFormat, name)));
			m_channels = static_cast<int>(getUInt16LE(fmt, 2));
			m_sampleRate = static_cast<int>(std::min(getUInt32LE(fmt, 4), 0x7FFFFFFFu));
			m_byteRate = static_cast<int>(std::min(getUInt32LE(fmt, 8), 0x7FFFFFFFu));
			m_blockAlign = static_cast<int>(getUInt16LE(fmt, 12));
			m_bitsPerSample = static_cast<int>(getUInt16LE(fmt, 14));
			if (m_channels != 1 && m_channels != 2)
				lang::throwError(io::IOException(lang::Format("Unsupported count of channels {0} while reading {1}", m_channels, name)));
			if (m_bitsPerSample != 8 && m_bitsPerSample != 16)
				lang::throwError(io::IOException(lang::Format("Unsupported bits per sample {0} while reading {1}", m_bitsPerSample, name)));
			haveFmt = true;
		}
		else if (memcmp(chunk, "data", 4) == 0)
		{
			if (!haveFmt)
				lang::throwError(io::IOException(lang::Format("Missing fmt chunk before data chunk in wav file {0}", name)));
			m_dataOffset = static_cast<int>(pos);
			m_dataSize = static_cast<int>(std::min<long long>(size, total - pos));
			return;
		}
		else
		{
			// Chunks of odd size are followed by a pad byte.
			long long const skip = static_cast<long long>(size) + (size & 1);
			if (skip > total - pos)
				break;
			int left = static_cast<int>(skip);
			while (left > 0)
			{
				int n = m_stream->skip(left);
				if (n <= 0)
					lang::throwError(io::IOException(lang::Format("Failed to read {0} bytes from {1}", left, name)));
				left -= n;
			}
			pos += skip;
		}
	}
	// No data chunk: the header keeps what it read, with no data.
	m_dataSize = 0;
}

void AudioReader::readMp3Header()
{
	m_mp3 = std::make_unique<Mp3Decoder>(m_stream);
	m_channels = m_mp3->channels();
	m_sampleRate = m_mp3->sampleRate();
	m_bitsPerSample = m_mp3->bitsPerSample();
	m_dataSize = -1;
}

int AudioReader::readData(void* buffer, int offset, int bytes)
{
	if (!m_stream || bytes <= 0 || offset < 0)
		return 0;
	if (m_mp3)
		return m_mp3->read(buffer, offset, bytes);
	return readPcm(buffer, offset, bytes);
}

int AudioReader::readPcm(void* buffer, int offset, int bytes)
{
	if (offset >= m_dataSize)
		return 0;
	int const want = std::min(bytes, m_dataSize - offset);
	if (!m_stream->seek(m_dataOffset + offset, io::InputStream::SEEK_BEGIN))
		lang::throwError(io::IOException(lang::Format("Failed to seek to {0} in {1}", m_dataOffset + offset, m_stream->toString())));
	char* out = static_cast<char*>(buffer);
	int got = 0;
	while (got < want)
	{
		int n = m_stream->read(out + got, want - got);
		if (n <= 0)
			break;
		got += n;
	}
	return got;
}

void AudioReader::readFully(lang::Ptr<io::InputStream> stream, void* buffer, int bytes)
{
	char* out = static_cast<char*>(buffer);
	int got = 0;
	while (got < bytes)
	{
		int n = stream->read(out + got, bytes - got);
		if (n <= 0)
			lang::throwError(io::IOException(lang::Format("Failed to read {0} bytes from {1}", bytes, stream->toString())));
		got += n;
	}
}

unsigned AudioReader::getUInt16LE(void const* data, int offset)
{
	unsigned char const* p = static_cast<unsigned char const*>(data) + offset;
	return p[0] | (p[1] << 8);
}

unsigned AudioReader::getUInt32LE(void const* data, int offset)
{
	unsigned char const* p = static_cast<unsigned char const*>(data) + offset;
	return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<unsigned>(p[3]) << 24);
}

} // audio
