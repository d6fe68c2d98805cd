// The video plugin's makers, which the program finds by name once it
// opens the plugin (pf/linux/VideoPlugin.h).
#include "FFmpegVideoDecoder.h"
#include "FFmpegVideoSound.h"
#include <pf/linux/VideoPlugin.h>

extern "C"
{

__attribute__((visibility("default"))) pf::VideoDecoder* engCreateVideoDecoder()
{
	return new pf::FFmpegVideoDecoder();
}

__attribute__((visibility("default"))) pf::VideoSound* engCreateVideoSound()
{
	return new pf::FFmpegVideoSound();
}

} // extern "C"
