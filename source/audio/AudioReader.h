#pragma once

#include <audio/AudioConfiguration.h>
#include <io/FileFormat.h>
#include <io/InputStream.h>
#include <lang/Object.h>
#include <lang/Ptr.h>
#include <memory>

namespace audio
{

class Mp3Decoder;

/**
 * Turns a stream into PCM: a WAV file (header parsed, data read in place),
 * an MP3 file (decoded as it is read) or raw PCM of a given configuration.
 * The stream must start at the file's first byte; the reader seeks in it.
 * One reader is used by one thread at a time.
 */
class AudioReader : public lang::Object
{
public:
	/**
	 * Reads the header of a WAV (io::FILEFORMAT_WAV) or MP3 (io::FILEFORMAT_MP3) stream.
	 * @exception io::IOException "Unsupported audio file format while reading {0}"
	 *            for another format, or the header's fault, naming the stream.
	 */
	AudioReader(lang::Ptr<io::InputStream> stream, io::FileFormat format);

	/**
	 * Raw PCM: the whole stream is data of the given layout.
	 * @exception lang::Exception For a layout other than 1-2 channels of 8 or 16 bits.
	 */
	AudioReader(lang::Ptr<io::InputStream> stream, AudioConfiguration const& config);

	~AudioReader() override;

	/**
	 * Takes the stream, clears every format value and reads the header again:
	 * WAV, MP3, or raw (io::FILEFORMAT_UNKNOWN or io::FILEFORMAT_RAW) with config.
	 * On failure the reader holds no stream and no format.
	 * @exception io::IOException, lang::Exception As the constructors.
	 */
	void reset(lang::Ptr<io::InputStream> stream, io::FileFormat format, AudioConfiguration const& config);

	/**
	 * Reads up to bytes of PCM starting at byte offset of the data.
	 * @return Bytes read; 0 at or past the end of the data.
	 * @exception io::IOException When the stream or the MP3 data is broken.
	 */
	int readData(void* buffer, int offset, int bytes);

	int audioFormat() const { return m_audioFormat; }
	int channels() const { return m_channels; }
	int sampleRate() const { return m_sampleRate; }
	int byteRate() const { return m_byteRate; }
	int blockAlign() const { return m_blockAlign; }
	int bitsPerSample() const { return m_bitsPerSample; }

	/** Bytes of PCM data; -1 when unknown (MP3). */
	int dataSize() const { return m_dataSize; }

	/**
	 * Reads exactly bytes from the stream.
	 * @exception io::IOException "Failed to read {0} bytes from {1}".
	 */
	static void readFully(lang::Ptr<io::InputStream> stream, void* buffer, int bytes);

	/** Little-endian 16-bit value at offset of data. */
	static unsigned getUInt16LE(void const* data, int offset);

	/** Little-endian 32-bit value at offset of data. */
	static unsigned getUInt32LE(void const* data, int offset);

private:
	lang::Ptr<io::InputStream> m_stream;
	io::FileFormat m_format;
	int m_audioFormat;
	int m_channels;
	int m_sampleRate;
	int m_byteRate;
	int m_blockAlign;
	int m_bitsPerSample;
	int m_dataSize;
	int m_dataOffset;
	std::unique_ptr<Mp3Decoder> m_mp3;

	void clear();
	void readRawHeader(AudioConfiguration const& config);
	void readWavHeader();
	void readMp3Header();
	int readPcm(void* buffer, int offset, int bytes);

	AudioReader(AudioReader const&) = delete;
	AudioReader& operator=(AudioReader const&) = delete;
};

} // audio
