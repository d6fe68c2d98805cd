#pragma once

#include <audio/AudioClip.h>
#include <audio/AudioClipInstance.h>
#include <audio/AudioConfiguration.h>
#include <lang/Mutex.h>
#include <lang/Object.h>
#include <atomic>
#include <cstdint>
#include <vector>

namespace audio
{

/**
 * Eight-track software mixer. The game thread plays, stops and sets
 * volumes; the mixing thread asks for buffers of PCM. Requests are queued
 * under the mutex and merged at the next mix, so the list being mixed is
 * changed by the mixing thread only. Every operation may be called from
 * either thread.
 */
class AudioMixer : public lang::Object
{
public:
	enum { TRACKS = 8 };

	AudioMixer();
	~AudioMixer() override;

	/** Lets playClip accept clips. */
	void start();

	/** Makes playClip refuse clips; instances already playing are kept. */
	void stop();

	/**
	 * Queues a new instance of the clip (volume clamped to [0, 1], NaN to 0).
	 * @return Its play id (0 up to the largest int, then 0 again), or -1
	 *         when the mixer is stopped, the clip is null or the track
	 *         already plays as many instances as its limit allows.
	 * @exception lang::Exception "Track {0} out of bounds! Range [0-7]".
	 */
	int playClip(AudioClip* clip, float volume, bool loop, int track);

	/**
	 * Instances of the track, playing or queued, that have not ended.
	 * @exception lang::Exception For a track outside 0-7.
	 */
	int getPlayingClipCount(int track);

	/** Whether any instance of the clip, playing or queued, has not ended. */
	bool isClipPlaying(AudioClip* clip);

	/** Whether the instance with that id exists and has not ended. */
	bool isClipPlaying(int id);

	/** Ends every instance of the clip, playing or queued. */
	void stopClip(AudioClip* clip);

	/** Sets the volume of the instance with that id, clamped to [0, 1] (NaN gives 0). */
	void setClipVolume(int id, float volume);

	/** Ends every instance. */
	void stopClips();

	/**
	 * Sets the track's volume, clamped to [0, 1] (NaN gives 0).
	 * @exception lang::Exception For a track outside 0-7.
	 */
	void setTrackVolume(float volume, int track);

	/**
	 * The track's volume.
	 * @exception lang::Exception For a track outside 0-7.
	 */
	float getTrackVolume(int track) const;

	/**
	 * Most instances the track may play at once; negative means no limit.
	 * @exception lang::Exception For a track outside 0-7.
	 */
	void setClipCountLimit(int track, int limit);

	/** Moves queued instances to the playing list and drops ended ones. */
	void flushQueueAndRemoveEndedClips();

	/**
	 * Mixes bytes of signed 16-bit output of the configuration's channel
	 * count. Clips of either sample width and channel count are converted;
	 * rates are not. A clip that throws ends its instance (logged).
	 * Called by one mixing thread at a time.
	 */
	void mixUnlimited16(AudioConfiguration const& config, void* out, unsigned int bytes);

	/** As mixUnlimited16, for unsigned 8-bit output. */
	void mixUnlimited8(AudioConfiguration const& config, void* out, unsigned int bytes);

private:
	mutable lang::Mutex m_mutex;
	std::atomic<float> m_trackVolume[TRACKS];
	int m_clipCountLimit[TRACKS];
	std::vector<int16_t> m_scratch;
	std::vector<int16_t> m_output;
	std::vector<int32_t> m_accumulator;
	std::vector<AudioClipInstance> m_playing;
	std::vector<AudioClipInstance> m_queue;
	int m_nextId;
	std::atomic<bool> m_started;

	void checkTrack(int track) const;
	int countPlaying(int track) const;
	template <int OutBits>
	void mix(AudioConfiguration const& config, void* out, unsigned int bytes);

	AudioMixer(AudioMixer const&) = delete;
	AudioMixer& operator=(AudioMixer const&) = delete;
};

} // audio
