#include "SilentDrain.h"
#include <algorithm>

#define AL_ALEXT_PROTOTYPES
#include <AL/al.h>
#include <AL/alc.h>
#include <AL/alext.h>

namespace audio
{

namespace
{

// Frames rendered per call of the library: 16-bit stereo, 8 KiB.
int const CHUNK_FRAMES = 2048;

} // namespace

ALCdevice_struct* SilentDrain::openDevice()
{
	return alcLoopbackOpenDeviceSOFT(nullptr);
}

std::vector<int> SilentDrain::contextAttributes(int sampleRate)
{
	return {ALC_FORMAT_CHANNELS_SOFT, ALC_STEREO_SOFT, ALC_FORMAT_TYPE_SOFT, ALC_SHORT_SOFT, ALC_FREQUENCY, sampleRate, 0};
}

SilentDrain::SilentDrain(ALCdevice_struct* device, int sampleRate) :
	m_device(device), m_sampleRate(sampleRate), m_start(std::chrono::steady_clock::now()), m_rendered(0),
	m_scratch(static_cast<size_t>(CHUNK_FRAMES) * 2)
{
}

void SilentDrain::renderDue()
{
	auto const elapsed = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - m_start);
	long long const due = elapsed.count() * m_sampleRate / 1000000;
	if (due - m_rendered > m_sampleRate)
		m_rendered = due - m_sampleRate;
	while (m_rendered < due)
	{
		int const frames = static_cast<int>(std::min<long long>(due - m_rendered, CHUNK_FRAMES));
		alcRenderSamplesSOFT(m_device, m_scratch.data(), frames);
		m_rendered += frames;
	}
}

} // audio
