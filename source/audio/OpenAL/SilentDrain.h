#pragma once

#include <chrono>
#include <vector>

struct ALCdevice_struct;

namespace audio
{

/**
 * The silent output used when no sound device can be opened: an OpenAL
 * loopback device whose mix is rendered into nothing at the real rate, so
 * that its sources play their queued buffers as fast as a sound card would
 * take them. Used by one refill thread at a time; not copyable.
 */
class SilentDrain
{
public:
	/**
	 * Opens a loopback device.
	 * @return The device, or null when the library cannot open one.
	 */
	static ALCdevice_struct* openDevice();

	/**
	 * The context attributes that give a device from openDevice its render
	 * format: 16-bit stereo at sampleRate (zero terminated).
	 */
	static std::vector<int> contextAttributes(int sampleRate);

	/** A drain of device (from openDevice, with a context) at sampleRate frames per second. */
	SilentDrain(ALCdevice_struct* device, int sampleRate);

	/**
	 * Renders the frames that have come due since the construction (at most
	 * a second's worth; a longer stall is skipped, as a card would have
	 * played on without the thread).
	 */
	void renderDue();

private:
	ALCdevice_struct* m_device;
	int m_sampleRate;
	std::chrono::steady_clock::time_point m_start;
	long long m_rendered;
	std::vector<short> m_scratch;

	SilentDrain(SilentDrain const&) = delete;
	SilentDrain& operator=(SilentDrain const&) = delete;
};

} // audio
