#pragma once

#include <audio/AudioClipCursor.h>
#include <audio/AudioConfiguration.h>
#include <audio/AudioReader.h>
#include <io/FileFormat.h>
#include <io/InputStream.h>
#include <lang/Object.h>
#include <lang/Ptr.h>

namespace audio
{

class AudioOutput;

/**
 * A playable sound: a file read as it plays (streamed), or PCM held in
 * memory. A clip never changes once built; each playing instance keeps its
 * own cursor, so one clip can play several times at once. getData is called
 * by the mixing thread only; the format getters by any thread.
 */
class AudioClip : public lang::Object
{
public:
	/**
	 * Streamed clip over a WAV or MP3 stream, kept open as long as the clip
	 * lives. The output is not kept.
	 * @exception io::IOException As audio::AudioReader.
	 */
	AudioClip(AudioOutput* output, lang::Ptr<io::InputStream> stream, io::FileFormat format);

	/**
	 * Memory clip: copies bytes of raw PCM of the given layout.
	 * @exception lang::Exception For a negative count or an unsupported layout.
	 */
	AudioClip(AudioOutput* output, void const* data, int bytes, AudioConfiguration const& config);

	~AudioClip() override;

	/**
	 * Reads up to bytes of PCM at the cursor and moves the cursor on.
	 * @return Bytes read; 0 when the clip has ended.
	 * @exception io::IOException When the stream or its data is broken.
	 */
	virtual int getData(void* buffer, int bytes, AudioClipCursor* cursor);

	virtual int audioFormat() const;
	virtual int channels() const;
	virtual int sampleRate() const;
	virtual int byteRate() const;
	virtual int blockAlign() const;
	virtual int bitsPerSample() const;

	/** Bytes of PCM data; -1 when unknown (MP3). */
	virtual int dataSize() const;

protected:
	/** A clip without stream and reader, for clips made of other clips. */
	AudioClip();

private:
	lang::Ptr<io::InputStream> m_stream;
	lang::Ptr<AudioReader> m_reader;

	AudioClip(AudioClip const&) = delete;
	AudioClip& operator=(AudioClip const&) = delete;
};

} // audio
