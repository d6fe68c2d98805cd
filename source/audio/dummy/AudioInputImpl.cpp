#include "AudioInputImpl.h"

namespace audio
{

AudioInputImpl::AudioInputImpl(AudioConfiguration const& config) : m_config(config)
{
	checkDeviceConfiguration(config, "AudioInput");
}

AudioInputImpl::~AudioInputImpl() {}

bool AudioInputImpl::startInput()
{
	return true;
}

void AudioInputImpl::stopInput() {}

} // audio
