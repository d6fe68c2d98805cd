#pragma once

#include <audio/AudioClip.h>
#include <audio/AudioClipCursor.h>
#include <lang/Ptr.h>
#include <atomic>

namespace audio
{

/**
 * One playing use of a clip, held by the mixer. Copies share the clip and
 * the cursor. The volume and the ended flag may be read and written by the
 * game thread while the mixing thread mixes; everything else is set at
 * construction or used by the mixing thread only.
 */
class AudioClipInstance
{
public:
	/** A new instance at the clip's start; the volume is clamped as setVolume does. */
	AudioClipInstance(lang::Ptr<AudioClip> clip, float volume, int id, int track, bool loop);

	AudioClipInstance(AudioClipInstance const& other);
	AudioClipInstance& operator=(AudioClipInstance const& other);

	/**
	 * Fills the buffer from the clip. A looping instance starts the clip over
	 * at its end until bytes are gathered; it ends when the clip gives
	 * nothing right after starting over (an empty clip). A non-looping
	 * instance reads once and ends when the clip gives nothing.
	 * @return Bytes written.
	 * @exception io::IOException Whatever the clip throws.
	 */
	int fetchData(void* buffer, int bytes);

	AudioClip* clip() const { return m_clip.ptr(); }
	int id() const { return m_id; }
	int track() const { return m_track; }
	bool loop() const { return m_loop; }

	float volume() const { return m_volume.load(std::memory_order_relaxed); }

	/** Sets the volume, clamped to [0, 1]; NaN gives 0. */
	void setVolume(float volume);

	/** True once the clip has ended or the instance was stopped. */
	bool ended() const { return m_ended.load(std::memory_order_relaxed); }

	/** Marks the instance ended; the mixer drops it at its next mix. */
	void end() { m_ended.store(true, std::memory_order_relaxed); }

	/** v clamped to [0, 1]; NaN gives 0. */
	static float clampVolume(float v);

private:
	lang::Ptr<AudioClip> m_clip;
	lang::Ptr<AudioClipCursor> m_cursor;
	std::atomic<float> m_volume;
	int m_id;
	int m_track;
	bool m_loop;
	std::atomic<bool> m_ended;
};

} // audio
