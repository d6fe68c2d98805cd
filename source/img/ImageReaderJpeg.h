#pragma once

#include "CodecSupport.h"
#include "ImageReader.h"

namespace img
{

/** The JPEG decompressor of a reader with its error manager; alive from the header until the surface is read. */
struct ImageReader::JpegState
{
	jpeg_decompress_struct cinfo;
	detail::JpegError err;
};

} // img
