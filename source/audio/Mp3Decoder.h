#pragma once

#include <io/InputStream.h>
#include <lang/Ptr.h>

struct mpg123_handle_struct;

namespace audio
{

/**
 * MP3 decoding of a stream through the decoder's feed interface, with
 * exact seeking by sample frame. The stream must start at the file's first
 * byte. One decoder is used by one thread at a time; decoders may be
 * created and destroyed on any thread.
 */
class Mp3Decoder
{
public:
	/**
	 * Opens the decoder and reads the stream up to the first format.
	 * @exception io::IOException "Failed to read MP3 header while reading {0}"
	 *            when the stream ends first or holds no MP3 data, or another
	 *            decoder failure, naming the stream.
	 */
	explicit Mp3Decoder(lang::Ptr<io::InputStream> stream);

	~Mp3Decoder();

	int sampleRate() const { return m_rate; }
	int channels() const { return m_channels; }
	int bitsPerSample() const { return m_bits; }

	/**
	 * Decodes up to bytes of PCM starting at byte offset of the decoded data.
	 * @return Bytes decoded; 0 past the end.
	 * @exception io::IOException On a decoder error or a format change.
	 */
	int read(void* buffer, int offset, int bytes);

private:
	lang::Ptr<io::InputStream> m_stream;
	mpg123_handle_struct* m_handle;
	int m_rate;
	int m_channels;
	int m_bits;
	long long m_bytePos;

	[[noreturn]] void fail(char const* pattern) const;
	void release();
	void restart();
	int decode(unsigned char* out, int bytes);
	void checkFormat();

	Mp3Decoder(Mp3Decoder const&) = delete;
	Mp3Decoder& operator=(Mp3Decoder const&) = delete;
};

} // audio
