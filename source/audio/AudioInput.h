#pragma once

#include <audio/AudioConfiguration.h>
#include <lang/Object.h>
#include <lang/Ptr.h>

namespace audio
{

class AudioInputImpl;

/**
 * Sound input. Recording is not provided: the implementation
 * (audio/dummy) only checks its configuration. Game thread only.
 */
class AudioInput : public lang::Object
{
public:
	/**
	 * @exception lang::Exception "Unsupported count of channels while creating
	 *            AudioInput" (bits per sample, samples per second likewise).
	 */
	explicit AudioInput(AudioConfiguration const& config);

	~AudioInput() override;

	/** Does nothing. @return True. */
	bool startInput();

	/** Does nothing. */
	void stopInput();

private:
	lang::Ptr<AudioInputImpl> m_impl;

	AudioInput(AudioInput const&) = delete;
	AudioInput& operator=(AudioInput const&) = delete;
};

} // audio
