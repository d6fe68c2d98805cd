#pragma once

#include <audio/SoundClock.h>
#include <cstdint>
#include <memory>
#include <vector>

namespace audio
{

class AudioOutputImpl;
class WaveFileWriter;

/**
 * The sound of the outputs that follow the SoundClock (a
 * headless run): each time the clock moves, every started output mixes
 * the frames its rate makes of the clock's time since the output started
 * following it, counted from the clock's start so that nothing drifts
 * (1200 ticks of 1/60 s give 20 s of sound). When the clock has a wave
 * file, the first output that starts opens it in its rate and channel
 * count, with silence up to the clock's time; from then on every move
 * appends its share: the sum of the outputs of that format at their master
 * volumes (16-bit, clipped), silence while none plays. An output of
 * another format still mixes, unheard. A file that cannot be written is
 * reported once and recording ends; the outputs play on. Main thread.
 */
class ClockedSound : public SoundClock::Listener
{
public:
	/** The process's one instance. */
	static ClockedSound& get();

	/** A started output follows the clock from its time now (nothing when the clock does not run). */
	void attach(AudioOutputImpl* output);

	/** The output stops following the clock (nothing when it does not). */
	void detach(AudioOutputImpl* output);

	/** Frames of sampleRate in micros of the clock, rounded down. */
	static int64_t framesAt(int64_t micros, int sampleRate);

	void soundClockMoved(int64_t micros) override;
	void soundClockStopped() override;

private:
	struct Follower
	{
		AudioOutputImpl* output;
		/** Frames mixed since the clock's start, counting those before it followed. */
		int64_t mixed;
	};

	std::vector<Follower> m_followers;
	std::unique_ptr<WaveFileWriter> m_file;
	/** The file was tried (opened, or failed): it is not opened again until the clock stops. */
	bool m_fileTried = false;
	int m_rate = 0;
	int m_channels = 0;
	/** Frames recorded since the clock's start. */
	int64_t m_written = 0;
	std::vector<int32_t> m_sum;
	std::vector<unsigned char> m_mix;
	std::vector<int16_t> m_samples;

	ClockedSound();
	~ClockedSound();
	void openFile(AudioOutputImpl const& output);
	void record(int64_t micros);
	void mix(Follower& follower, int64_t micros);

	ClockedSound(ClockedSound const&) = delete;
	ClockedSound& operator=(ClockedSound const&) = delete;
};

} // audio
