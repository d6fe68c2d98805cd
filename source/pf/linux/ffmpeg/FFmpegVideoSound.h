#pragma once

#include <pf/linux/VideoSound.h>
#include <cstdint>
#include <string>

struct AVCodecContext;
struct AVFormatContext;
struct AVFrame;
struct AVPacket;
struct SwrContext;
struct ALCdevice_struct;
struct ALCcontext_struct;

namespace pf
{

/**
 * The sound of a movie file, decoded as the picture's clock passes and
 * streamed to an OpenAL output device of its own (16-bit stereo). A movie
 * without sound, or a machine without an output device, plays silent.
 * Main thread only.
 */
class FFmpegVideoSound : public VideoSound
{
public:
	FFmpegVideoSound();

	/** Stops the sound and closes the device. */
	~FFmpegVideoSound() override;

	/** Opens the sound of the movie at path; false (logged once) when it has none that can play. */
	bool open(std::string const& path) override;

	/** Keeps the sound decoded and queued a little ahead of clock (seconds from the start). */
	void pump(double clock) override;

	/** Stops and forgets the sound. */
	void close() override;

	/** Seconds of sound decoded so far. */
	double decodedSeconds() const override;

private:
	AVFormatContext* m_format;
	AVCodecContext* m_codec;
	AVFrame* m_frame;
	AVPacket* m_packet;
	SwrContext* m_resample;
	int m_stream;
	bool m_ended;
	/** The end of the file was sent to the decoder. */
	bool m_drained;
	int64_t m_samples;
	ALCdevice_struct* m_device;
	ALCcontext_struct* m_context;
	unsigned m_source;

	bool openDevice();
	bool decodeSome();
	void queue(int16_t const* samples, int frames);
	void release();

	FFmpegVideoSound(FFmpegVideoSound const&) = delete;
	FFmpegVideoSound& operator=(FFmpegVideoSound const&) = delete;
};

} // pf
