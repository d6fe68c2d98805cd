#pragma once

#include <support/TempFolder.h>
#include <string>

namespace test
{

/**
 * A machine without a sound card, as the audio library sees it: writes into
 * folder a configuration whose OSS back end names a device file that does
 * not exist, and returns the environment assignments that make it the only
 * back end ("ALSOFT_DRIVERS=oss ALSOFT_CONF=<file>"), for a command line.
 * Opening the default device then fails on every machine, card or not.
 */
inline std::string noSoundDevice(TempFolder const& folder)
{
	folder.write("no-device.conf", "[oss]\ndevice = " + (folder / "missing/dsp") + "\n");
	return "ALSOFT_DRIVERS=oss ALSOFT_CONF=" + (folder / "no-device.conf");
}

} // namespace test
