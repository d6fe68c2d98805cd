#pragma once

#include <lang/Object.h>

namespace audio
{

/**
 * Read position of one playing instance in its clip. Used only by the
 * thread that mixes the instance.
 */
class AudioClipCursor : public lang::Object
{
public:
	/** Byte offset into the current clip's PCM data. */
	int bytePos = 0;

	/** Index of the current part of a composite clip; 0 otherwise. */
	int clipIndex = 0;
};

} // audio
