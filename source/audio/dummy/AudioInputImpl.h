#pragma once

#include <audio/AudioConfiguration.h>
#include <lang/Object.h>

namespace audio
{

/** Stand-by input: checks the configuration and records nothing. */
class AudioInputImpl : public lang::Object
{
public:
	/** @exception lang::Exception As audio::checkDeviceConfiguration with "AudioInput". */
	explicit AudioInputImpl(AudioConfiguration const& config);

	~AudioInputImpl() override;

	/** Does nothing. @return True. */
	bool startInput();

	/** Does nothing. */
	void stopInput();

private:
	[[maybe_unused]] AudioConfiguration m_config;
};

} // audio
