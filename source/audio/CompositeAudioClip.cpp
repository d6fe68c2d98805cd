#include "CompositeAudioClip.h"
#include <lang/Exception.h>
#include <climits>

namespace audio
{

CompositeAudioClip::CompositeAudioClip(AudioOutput*, std::vector<lang::Ptr<AudioClip>> const& clips)
{
	for (lang::Ptr<AudioClip> const& clip : clips)
	{
		if (!clip)
			continue;
		if (CompositeAudioClip* inner = dynamic_cast<CompositeAudioClip*>(clip.ptr()))
			m_clips.insert(m_clips.end(), inner->m_clips.begin(), inner->m_clips.end());
		else
			m_clips.push_back(clip);
	}
	if (m_clips.empty())
		lang::throwError(lang::Exception(lang::Format("A composite audio clip needs at least one clip")));
}

CompositeAudioClip::~CompositeAudioClip() {}

int CompositeAudioClip::getData(void* buffer, int bytes, AudioClipCursor* cursor)
{
	char* out = static_cast<char*>(buffer);
	int got = 0;
	while (got < bytes && cursor->clipIndex >= 0 && cursor->clipIndex < static_cast<int>(m_clips.size()))
	{
		int n = m_clips[cursor->clipIndex]->getData(out + got, bytes - got, cursor);
		got += n;
		if (n > 0)
			continue;
		if (cursor->clipIndex + 1 == static_cast<int>(m_clips.size()))
			break;
		cursor->clipIndex += 1;
		cursor->bytePos = 0;
		if (got > 0)
			break;
	}
	return got;
}

int CompositeAudioClip::audioFormat() const { return m_clips[0]->audioFormat(); }
int CompositeAudioClip::channels() const { return m_clips[0]->channels(); }
int CompositeAudioClip::sampleRate() const { return m_clips[0]->sampleRate(); }
int CompositeAudioClip::byteRate() const { return m_clips[0]->byteRate(); }
int CompositeAudioClip::blockAlign() const { return m_clips[0]->blockAlign(); }
int CompositeAudioClip::bitsPerSample() const { return m_clips[0]->bitsPerSample(); }

int CompositeAudioClip::dataSize() const
{
	long long sum = 0;
	for (lang::Ptr<AudioClip> const& clip : m_clips)
	{
		int size = clip->dataSize();
		if (size < 0)
			return -1;
		sum += size;
	}
	return sum > INT_MAX ? INT_MAX : static_cast<int>(sum);
}

} // audio
