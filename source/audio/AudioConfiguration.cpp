#include "AudioConfiguration.h"
#include <lang/Exception.h>
#include <algorithm>
#include <iterator>

namespace audio
{

void checkDeviceConfiguration(AudioConfiguration const& config, std::string const& device)
{
	static int const rates[] = {8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000, 64000, 88200, 96000};
	if (config.channels != 1 && config.channels != 2)
		lang::throwError(lang::Exception(lang::Format("Unsupported count of channels while creating {0}", device)));
	if (config.bitsPerSample != 8 && config.bitsPerSample != 16)
		lang::throwError(lang::Exception(lang::Format("Unsupported bits per sample while creating {0}", device)));
	if (std::find(std::begin(rates), std::end(rates), config.sampleRate) == std::end(rates))
		lang::throwError(lang::Exception(lang::Format("Unsupported samples per second while creating {0}", device)));
}

} // audio
