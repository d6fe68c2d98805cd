#include "AudioClip.h"
#include <io/ByteArrayInputStream.h>

namespace audio
{

AudioClip::AudioClip() {}

AudioClip::AudioClip(AudioOutput*, lang::Ptr<io::InputStream> stream, io::FileFormat format) :
	m_stream(stream), m_reader(new AudioReader(stream, format))
{
}

AudioClip::AudioClip(AudioOutput*, void const* data, int bytes, AudioConfiguration const& config) :
	m_stream(new io::ByteArrayInputStream(data, bytes)), m_reader(new AudioReader(m_stream, config))
{
}

AudioClip::~AudioClip() {}

int AudioClip::getData(void* buffer, int bytes, AudioClipCursor* cursor)
{
	int got = m_reader->readData(buffer, cursor->bytePos, bytes);
	cursor->bytePos += got;
	return got;
}

int AudioClip::audioFormat() const { return m_reader->audioFormat(); }
int AudioClip::channels() const { return m_reader->channels(); }
int AudioClip::sampleRate() const { return m_reader->sampleRate(); }
int AudioClip::byteRate() const { return m_reader->byteRate(); }
int AudioClip::blockAlign() const { return m_reader->blockAlign(); }
int AudioClip::bitsPerSample() const { return m_reader->bitsPerSample(); }
int AudioClip::dataSize() const { return m_reader->dataSize(); }

} // audio
