#pragma once

#include <string>

namespace audio
{

/** PCM layout of a clip or a device. */
struct AudioConfiguration
{
	int channels;
	int bitsPerSample;
	int sampleRate;
};

/**
 * Checks a device configuration: 1 or 2 channels, 8 or 16 bits, and one of
 * the sample rates 8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100,
 * 48000, 64000, 88200, 96000. device names the class in the messages.
 * @exception lang::Exception "Unsupported count of channels while creating
 *            {device}", "Unsupported bits per sample while creating {device}"
 *            or "Unsupported samples per second while creating {device}".
 */
void checkDeviceConfiguration(AudioConfiguration const& config, std::string const& device);

} // audio
