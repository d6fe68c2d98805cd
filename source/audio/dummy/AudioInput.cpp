#include <audio/AudioInput.h>
#include <audio/dummy/AudioInputImpl.h>

namespace audio
{

AudioInput::AudioInput(AudioConfiguration const& config) : m_impl(new AudioInputImpl(config)) {}

AudioInput::~AudioInput() {}

bool AudioInput::startInput()
{
	return m_impl->startInput();
}

void AudioInput::stopInput()
{
	m_impl->stopInput();
}

} // audio
