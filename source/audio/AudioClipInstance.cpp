#include "AudioClipInstance.h"

namespace audio
{

AudioClipInstance::AudioClipInstance(lang::Ptr<AudioClip> clip, float volume, int id, int track, bool loop) :
	m_clip(clip), m_cursor(new AudioClipCursor), m_volume(clampVolume(volume)), m_id(id), m_track(track), m_loop(loop), m_ended(false)
{
}

AudioClipInstance::AudioClipInstance(AudioClipInstance const& other) :
	m_clip(other.m_clip), m_cursor(other.m_cursor), m_volume(other.volume()), m_id(other.m_id), m_track(other.m_track),
	m_loop(other.m_loop), m_ended(other.ended())
{
}

AudioClipInstance& AudioClipInstance::operator=(AudioClipInstance const& other)
{
	m_clip = other.m_clip;
	m_cursor = other.m_cursor;
	m_volume.store(other.volume(), std::memory_order_relaxed);
	m_id = other.m_id;
	m_track = other.m_track;
	m_loop = other.m_loop;
	m_ended.store(other.ended(), std::memory_order_relaxed);
	return *this;
}

float AudioClipInstance::clampVolume(float v)
{
	if (!(v > 0.f))
		return 0.f; // NaN too
	return v < 1.f ? v : 1.f;
}

void AudioClipInstance::setVolume(float volume)
{
	m_volume.store(clampVolume(volume), std::memory_order_relaxed);
}

int AudioClipInstance::fetchData(void* buffer, int bytes)
{
	char* out = static_cast<char*>(buffer);
	int got = 0;
	bool restarted = false;
	while (got < bytes)
	{
		int n = m_clip->getData(out + got, bytes - got, m_cursor.ptr());
		got += n;
		if (n > 0)
		{
			restarted = false;
			if (!m_loop)
				break;
			continue;
		}
		if (!m_loop || restarted)
		{
			end();
			break;
		}
		m_cursor->bytePos = 0;
		m_cursor->clipIndex = 0;
		restarted = true;
	}
	return got;
}

} // audio
