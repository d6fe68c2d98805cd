#pragma once

#include <string>

namespace pf
{

/**
 * The sound of a movie file, decoded as the picture's clock passes and
 * streamed to an output device of its own. A movie without sound, or a
 * machine without an output device, plays silent. Made by the video
 * plugin (VideoPlugin.h). Main thread only.
 */
class VideoSound
{
public:
	/** Stops the sound and closes the device. */
	virtual ~VideoSound() {}

	/** Opens the sound of the movie at path; false (logged once) when it has none that can play. */
	virtual bool open(std::string const& path) = 0;

	/** Keeps the sound decoded and queued a little ahead of clock (seconds from the start). */
	virtual void pump(double clock) = 0;

	/** Stops and forgets the sound. */
	virtual void close() = 0;

	/** Seconds of sound decoded so far. */
	virtual double decodedSeconds() const = 0;
};

} // pf
