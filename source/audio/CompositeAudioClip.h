#pragma once

#include <audio/AudioClip.h>
#include <vector>

namespace audio
{

/**
 * Several clips played one after the other as one clip. Composites given
 * as parts are replaced by their own parts, so the parts are never
 * composites. The format is that of the first part.
 */
class CompositeAudioClip : public AudioClip
{
public:
	/**
	 * Keeps the clips in play order.
	 * @exception lang::Exception "A composite audio clip needs at least one clip"
	 *            for an empty list (or one holding only null pointers).
	 */
	CompositeAudioClip(AudioOutput* output, std::vector<lang::Ptr<AudioClip>> const& clips);

	~CompositeAudioClip() override;

	/**
	 * Reads up to bytes from the part at the cursor, moving to the next part
	 * when one ends. A call returns 0 only at the end of the last part.
	 */
	int getData(void* buffer, int bytes, AudioClipCursor* cursor) override;

	int audioFormat() const override;
	int channels() const override;
	int sampleRate() const override;
	int byteRate() const override;
	int blockAlign() const override;
	int bitsPerSample() const override;

	/** Sum of the parts' sizes; -1 when one of them is unknown. */
	int dataSize() const override;

	/** The parts, in play order. */
	std::vector<lang::Ptr<AudioClip>> const& clips() const { return m_clips; }

private:
	std::vector<lang::Ptr<AudioClip>> m_clips;
};

} // audio
