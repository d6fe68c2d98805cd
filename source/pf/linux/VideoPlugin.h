#pragma once

#include "VideoDecoder.h"
#include "VideoSound.h"
#include <memory>
#include <string>

namespace pf
{

/** The file of the video plugin, which decodes movies with FFmpeg's libraries. */
char const* const VIDEO_PLUGIN = "libeng_pf_linux_ffmpeg.so";

/**
 * A new decoder from the video plugin, opened on the first call (see
 * Plugin.h). Thread-safe.
 * @return Null when the plugin cannot be opened, with the reason in why.
 */
std::unique_ptr<VideoDecoder> createVideoDecoder(std::string& why);

/** A new movie sound from the video plugin; null when the plugin cannot be opened. Thread-safe. */
std::unique_ptr<VideoSound> createVideoSound();

} // pf

extern "C"
{
/** The video plugin's makers: each returns a new object that the caller owns. */
typedef pf::VideoDecoder* (*EngCreateVideoDecoder)();
typedef pf::VideoSound* (*EngCreateVideoSound)();
}
