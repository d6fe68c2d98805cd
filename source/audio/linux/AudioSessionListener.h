#pragma once

namespace audio
{

/** What the audio session asks of a live output when an interruption comes and goes. */
class AudioSessionListener
{
public:
	virtual ~AudioSessionListener() {}

	/** Stops the output if it is started. @return Whether it was started. */
	virtual bool interruptionBegan() = 0;

	/** Starts the output again after an interruption that stopped it. */
	virtual void interruptionEnded() = 0;
};

} // audio
