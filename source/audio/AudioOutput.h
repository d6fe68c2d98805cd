#pragma once

#include <audio/AudioClip.h>
#include <audio/AudioConfiguration.h>
#include <lang/Object.h>
#include <lang/Ptr.h>

namespace audio
{

class AudioOutputImpl;

/**
 * The game's sound device: an eight-track mixer whose output a refill
 * thread streams to the platform's device while the output is started (in
 * a headless run, one made while the SoundClock runs, the
 * clock's ticks mix it on the main thread instead: no device is opened).
 * Every operation forwards to the platform's implementation (audio/OpenAL).
 * Start, stop and the master volume belong to the game thread; the mixer
 * operations may be called from any thread.
 */
class AudioOutput : public lang::Object
{
public:
	/**
	 * Checks the configuration and opens the device.
	 * @exception lang::Exception "Unsupported count of channels while creating
	 *            AudioOutput" (bits per sample, samples per second likewise),
	 *            "Failed to open audio device", "Failed to create audio context".
	 */
	explicit AudioOutput(AudioConfiguration const& config);

	/** Stops the output if started, then closes the device. */
	~AudioOutput() override;

	/**
	 * Starts streaming (does nothing when started).
	 * @return True.
	 * @exception lang::Exception When the device refuses; nothing stays started.
	 */
	bool startOutput();

	/** Stops streaming (does nothing when stopped); playing clips are kept. */
	void stopOutput();

	/** See audio::AudioMixer::playClip. */
	int playClip(AudioClip* clip, float volume, bool loop, int track);
	void stopClip(AudioClip* clip);
	bool isClipPlaying(AudioClip* clip);
	bool isClipPlaying(int id);
	void stopClips();
	void setTrackVolume(float volume, int track);
	void setClipCountLimit(int track, int limit);
	void setClipVolume(int id, float volume);
	float getTrackVolume(int track) const;

	/**
	 * Sets the master volume, clamped to the device's gain range while
	 * started and to [0, 1] before the first start; NaN gives 0.
	 * @exception lang::Exception When the device refuses the gain.
	 */
	void setMasterVolume(float volume);

	/** The master volume; -1 until set or started. */
	float getMasterVolume() const;

	/** Whether the output is started (any thread). */
	bool isStarted() const;

private:
	lang::Ptr<AudioOutputImpl> m_impl;

	AudioOutput(AudioOutput const&) = delete;
	AudioOutput& operator=(AudioOutput const&) = delete;
};

} // audio
