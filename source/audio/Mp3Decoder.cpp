#include "Mp3Decoder.h"
#include <io/IOException.h>
#include <lang/Debug.h>
#include <algorithm>
#include <mpg123.h>
#include <mutex>

namespace audio
{

namespace
{

// The library is initialised by its first user and shut down by its last;
// decoders may come and go on the mixing thread as well as the game thread.
std::mutex s_libraryLock;
int s_decoders = 0;

// Bytes handed to the decoder at a time.
int const FEED_SIZE = 2048;

} // namespace

Mp3Decoder::Mp3Decoder(lang::Ptr<io::InputStream> stream) :
	m_stream(stream), m_handle(nullptr), m_rate(0), m_channels(0), m_bits(0), m_bytePos(0)
{
	{
		std::lock_guard<std::mutex> lock(s_libraryLock);
		if (s_decoders == 0 && mpg123_init() != MPG123_OK)
			fail("Failed to initialize MPG123 while reading {0}");
		++s_decoders;
	}
	try
	{
		int error = MPG123_OK;
		m_handle = mpg123_new(nullptr, &error);
		if (!m_handle || error != MPG123_OK)
			fail("Failed to allocate MPG123 while reading {0}");
		mpg123_param(m_handle, MPG123_ADD_FLAGS, MPG123_QUIET, 0);

		// Signed 16-bit output at every rate, so that the mixer always gets
		// samples of a width it mixes.
		mpg123_format_none(m_handle);
		long const* rates = nullptr;
		size_t count = 0;
		mpg123_rates(&rates, &count);
		for (size_t i = 0; i < count; ++i)
			mpg123_format(m_handle, rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);

		restart();
	}
	catch (...)
	{
		release();
		throw;
	}
}

Mp3Decoder::~Mp3Decoder()
{
	release();
}

void Mp3Decoder::release()
{
	if (m_handle)
		mpg123_delete(m_handle);
	m_handle = nullptr;
	std::lock_guard<std::mutex> lock(s_libraryLock);
	if (--s_decoders == 0)
		mpg123_exit();
}

void Mp3Decoder::fail(char const* pattern) const
{
	lang::throwError(io::IOException(lang::Format(pattern, m_stream->toString())));
}

void Mp3Decoder::restart()
{
	// Seeking backwards in feed mode misses by up to a frame near the start,
	// so the decoder starts over from the first byte and decodes forward.
	// Only the first opening reads up to the format; after a restart the
	// decoder may or may not announce the same format again.
	bool const first = m_rate == 0;
	mpg123_close(m_handle);
	if (mpg123_open_feed(m_handle) != MPG123_OK)
		fail("Failed to open MPG123 feed while reading {0}");
	m_bytePos = 0;
	if (!m_stream->seek(0, io::InputStream::SEEK_BEGIN))
		fail("Failed to read MP3 header while reading {0}");
	if (!first)
		return;

	unsigned char in[FEED_SIZE];
	for (;;)
	{
		int got = m_stream->read(in, FEED_SIZE);
		if (got <= 0)
			fail("Failed to read MP3 header while reading {0}");
		size_t done = 0;
		int result = mpg123_decode(m_handle, in, static_cast<size_t>(got), nullptr, 0, &done);
		if (result == MPG123_NEW_FORMAT)
			break;
		if (result != MPG123_NEED_MORE && result != MPG123_OK)
			fail("Failed to read MP3 header while reading {0}");
	}
	checkFormat();
}

void Mp3Decoder::checkFormat()
{
	long rate = 0;
	int channels = 0;
	int encoding = 0;
	if (mpg123_getformat(m_handle, &rate, &channels, &encoding) != MPG123_OK)
		fail("Failed to read MP3 header while reading {0}");
	int bits = 0;
	if ((encoding & MPG123_ENC_8) == MPG123_ENC_8)
		bits = 8;
	else if (encoding & MPG123_ENC_16)
		bits = 16;
	else
		fail("Invalid bits per sample while reading {0}");

	if (m_rate == 0)
	{
		m_rate = static_cast<int>(rate);
		m_channels = channels;
		m_bits = bits;
	}
	else if (m_rate != rate || m_channels != channels || m_bits != bits)
	{
		fail("MP3 format changed while reading {0}");
	}
}

int Mp3Decoder::decode(unsigned char* out, int bytes)
{
	unsigned char in[FEED_SIZE];
	unsigned char const* input = nullptr;
	size_t inputSize = 0;
	size_t total = 0;
	int formats = 0;
	while (total < static_cast<size_t>(bytes))
	{
		size_t done = 0;
		int result = mpg123_decode(m_handle, input, inputSize, out + total, static_cast<size_t>(bytes) - total, &done);
		input = nullptr;
		inputSize = 0;
		total += done;
		if (result == MPG123_NEW_FORMAT)
		{
			// The same format again after a restart is fine; another one is not.
			if (++formats > 4)
				fail("Failed to decode MP3 while reading {0}");
			checkFormat();
			continue;
		}
		if (result == MPG123_DONE)
			break;
		if (result != MPG123_OK && result != MPG123_NEED_MORE)
			fail("Failed to decode MP3 while reading {0}");
		if (result == MPG123_OK && done > 0)
			continue;

		// Every pass without output takes input, so the loop ends with the stream.
		int got = m_stream->read(in, FEED_SIZE);
		if (got < 0)
			lang::Debug::printf("AudioReader::readData_mp3() ANOMALOUS BUFFER READ, returned len: %d\n", got);
		if (got <= 0)
			break;
		input = in;
		inputSize = static_cast<size_t>(got);
	}
	m_bytePos += static_cast<long long>(total);
	return static_cast<int>(total);
}

int Mp3Decoder::read(void* buffer, int offset, int bytes)
{
	if (bytes <= 0 || offset < 0)
		return 0;
	int const frame = m_channels * m_bits / 8;
	long long const target = offset / frame * static_cast<long long>(frame);
	if (target < m_bytePos)
		restart();

	unsigned char skip[4096];
	int const step = static_cast<int>(sizeof(skip)) / frame * frame;
	while (m_bytePos < target)
	{
		int want = static_cast<int>(std::min<long long>(step, target - m_bytePos));
		if (decode(skip, want) == 0)
			return 0;
	}
	return decode(static_cast<unsigned char*>(buffer), bytes);
}

} // audio
