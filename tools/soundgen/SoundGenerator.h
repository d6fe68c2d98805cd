#pragma once

#include <string>
#include <vector>

/**
 * Generated sounds for the tests and the sample data: PCM waveforms, RIFF
 * chunks and WAV files, and MP3 encoded with libmp3lame. PCM is
 * interleaved, little-endian 16-bit signed or unsigned 8-bit.
 */
namespace soundgen
{

using Bytes = std::vector<unsigned char>;

/** frames of a sine wave of hz at amplitude (0 to 1), the same on every channel. */
Bytes sine(int channels, int bits, int rate, int frames, double hz, double amplitude);

/**
 * frames of a ramp: sample k (counted across channels) is start + k x step,
 * wrapping within the sample width (16 bits signed, 8 bits unsigned).
 */
Bytes ramp(int channels, int bits, int frames, int start, int step);

/** A RIFF chunk: id, 32-bit little-endian size, body, a pad byte after an odd body. */
Bytes chunk(std::string const& id, Bytes const& body);

/** The body of a "fmt " chunk; extra zero bytes follow the 16 PCM bytes. */
Bytes fmtBody(int format, int channels, int rate, int bits, int extra = 0);

/** "RIFF", the size, "WAVE" and the chunks in order. */
Bytes riff(std::vector<Bytes> const& chunks);

/** A plain WAV file: "fmt " (PCM) and "data" chunks. */
Bytes wav(Bytes const& pcm, int channels, int bits, int rate);

/**
 * 16-bit PCM encoded as MP3 at kbps (constant bit rate, no tag frame).
 * @exception std::runtime_error When the encoder refuses the parameters.
 */
Bytes mp3(Bytes const& pcm16, int channels, int rate, int kbps);

/** Appends a little-endian value of bytes bytes. */
void putLE(Bytes& out, unsigned value, int bytes);

} // soundgen
