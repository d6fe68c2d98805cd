#pragma once

#include <audio/AudioConfiguration.h>
#include <audio/AudioMixer.h>
#include <audio/linux/AudioSessionListener.h>
#include <lang/Object.h>
#include <lang/Ptr.h>
#include <lang/Thread.h>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <vector>

struct ALCdevice_struct;
struct ALCcontext_struct;

namespace audio
{

/**
 * The output device over OpenAL: one streaming source fed through a ring of
 * six buffers that a refill thread ("audio-refill") mixes while the output
 * is started. Without a sound device the output runs silent: a loopback
 * device takes the buffers at the real rate (audio::SilentDrain), so clips
 * last as long as with a card. An output made while the audio
 * SoundClock runs (a headless run) opens no device at all: started, it
 * follows that clock (audio::ClockedSound), which mixes it on the main
 * thread; such an output is started and stopped on the main thread too.
 * Start, stop and the master volume are
 * serialised by a mutex and may be called from any thread; the mixer from
 * any thread.
 */
class AudioOutputImpl : public lang::Object, public AudioSessionListener
{
public:
	enum { BUFFERS = 6 };

	/**
	 * Checks the configuration, joins the audio session and, unless the
	 * SoundClock runs, opens the default device with a context. When the default device cannot be
	 * opened it opens the silent output instead and logs "no sound device:
	 * running silent" (once per process).
	 * @exception lang::Exception The configuration messages (with
	 *            "AudioOutput"), "Failed to open audio device" (not even the
	 *            silent output), "Failed to create audio context" (the
	 *            device is closed again).
	 */
	explicit AudioOutputImpl(AudioConfiguration const& config);

	/** Leaves the session, stops the output if started, then closes the context and device. */
	~AudioOutputImpl() override;

	/**
	 * Starts streaming; does nothing when started.
	 * @return True.
	 * @exception lang::Exception Naming the failing OpenAL call; everything
	 *            started so far is undone.
	 */
	bool startOutput();

	/** Stops streaming and waits for the refill thread; does nothing when stopped. */
	void stopOutput();

	/** See audio::AudioOutput::setMasterVolume. */
	void setMasterVolume(float volume);
	float getMasterVolume() const;
	bool isStarted() const { return m_started.load(); }

	/** True when no sound device could be opened and the output runs silent. */
	bool isSilent() const { return m_silent; }

	/** True when the output follows the SoundClock instead of a device. */
	bool isClocked() const { return m_clocked; }

	/** The configuration given to the constructor. */
	AudioConfiguration const& config() const { return m_config; }

	AudioMixer& mixer() { return *m_mixer; }

	/**
	 * Bytes per buffer: a whole number of frames of 25 ms, rounded up to a
	 * power of two.
	 */
	static int computeBufferSize(AudioConfiguration const& config);

	/** Number of started outputs in the process. */
	static int startedCount();

	bool interruptionBegan() override;
	void interruptionEnded() override;

private:
	AudioConfiguration m_config;
	lang::Ptr<AudioMixer> m_mixer;
	lang::Ptr<lang::Thread> m_thread;
	mutable std::mutex m_mutex;
	ALCdevice_struct* m_device;
	ALCcontext_struct* m_context;
	bool m_silent;
	bool m_clocked;
	unsigned m_buffers[BUFFERS];
	unsigned m_source;
	int m_format;
	float m_minGain;
	float m_maxGain;
	float m_masterVolume;
	bool m_gainKnown;
	int m_bufferSize;
	std::vector<unsigned char> m_mixBuffer;
	std::atomic<bool> m_started;

	// The refill thread's stop signal and its timed wait.
	std::mutex m_waitLock;
	std::condition_variable m_wake;
	bool m_running;

	/** startOutput's work, under m_mutex, following the clock or streaming to the device. */
	void startClocked();
	void startDevice();
	/** stopOutput's work for a device, under m_mutex. */
	void stopDevice();
	void mixInto(unsigned buffer);
	void releaseSource();
	void run();
	bool refill();

	AudioOutputImpl(AudioOutputImpl const&) = delete;
	AudioOutputImpl& operator=(AudioOutputImpl const&) = delete;
};

} // audio
