#pragma once

#include <audio/AudioClip.h>
#include <io/ByteArrayInputStream.h>
#include <soundgen/SoundGenerator.h>
#include <cstdint>
#include <cstring>
#include <vector>

namespace audiotest
{

using soundgen::Bytes;

/** A memory clip over a copy of pcm. */
inline lang::Ptr<audio::AudioClip> memoryClip(Bytes const& pcm, int channels, int bits, int rate = 22050)
{
	return new audio::AudioClip(nullptr, pcm.data(), static_cast<int>(pcm.size()), audio::AudioConfiguration{channels, bits, rate});
}

/** A stream over a copy of data, named name. */
inline lang::Ptr<io::InputStream> stream(Bytes const& data)
{
	return new io::ByteArrayInputStream(data.data(), static_cast<int>(data.size()));
}

/** A streamed clip over a copy of file data. */
inline lang::Ptr<audio::AudioClip> streamedClip(Bytes const& data, io::FileFormat format)
{
	return new audio::AudioClip(nullptr, stream(data), format);
}

/** 16-bit little-endian samples of bytes (a trailing odd byte is dropped). */
inline std::vector<int16_t> samples16(Bytes const& bytes)
{
	std::vector<int16_t> out(bytes.size() / 2);
	if (!out.empty())
		memcpy(out.data(), bytes.data(), out.size() * 2);
	return out;
}

} // audiotest
