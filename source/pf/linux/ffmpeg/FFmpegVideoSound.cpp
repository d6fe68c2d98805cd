#include "FFmpegVideoSound.h"
#include "FFmpegVideoDecoder.h"
#include <lang/Debug.h>
#define AL_ALEXT_PROTOTYPES
#include <AL/al.h>
#include <AL/alc.h>
#include <AL/alext.h>
#include <vector>
extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libswresample/swresample.h>
}

namespace pf
{

namespace
{

int const RATE = 44100;
/** How far ahead of the picture's clock the sound is queued. */
double const AHEAD = 0.25;

/** Makes context current on this thread for the scope (the engine's own output keeps its own). */
class Current
{
public:
	explicit Current(ALCcontext* context) : m_previous(alcGetThreadContext()) { alcSetThreadContext(context); }
	~Current() { alcSetThreadContext(m_previous); }

private:
	ALCcontext* m_previous;
};

} // namespace

FFmpegVideoSound::FFmpegVideoSound() :
	m_format(nullptr),
	m_codec(nullptr),
	m_frame(nullptr),
	m_packet(nullptr),
	m_resample(nullptr),
	m_stream(-1),
	m_ended(true),
	m_drained(false),
	m_samples(0),
	m_device(nullptr),
	m_context(nullptr),
	m_source(0)
{
}

FFmpegVideoSound::~FFmpegVideoSound()
{
	close();
}

void FFmpegVideoSound::release()
{
	swr_free(&m_resample);
	av_packet_free(&m_packet);
	av_frame_free(&m_frame);
	avcodec_free_context(&m_codec);
	avformat_close_input(&m_format);
	m_ended = true;
}

void FFmpegVideoSound::close()
{
	release();
	if (m_context)
	{
		{
			Current current(m_context);
			alSourceStop(m_source);
			// Detaching the queue frees its buffers for deletion.
			ALint queued = 0;
			alGetSourcei(m_source, AL_BUFFERS_QUEUED, &queued);
			std::vector<ALuint> buffers(static_cast<size_t>(queued));
			if (queued > 0)
				alSourceUnqueueBuffers(m_source, queued, buffers.data());
			alDeleteBuffers(queued, buffers.data());
			alDeleteSources(1, &m_source);
		}
		alcDestroyContext(m_context);
		m_context = nullptr;
	}
	if (m_device)
	{
		alcCloseDevice(m_device);
		m_device = nullptr;
	}
	m_samples = 0;
}

double FFmpegVideoSound::decodedSeconds() const
{
	return static_cast<double>(m_samples) / RATE;
}

bool FFmpegVideoSound::open(std::string const& path)
{
	close();
	AVCodec const* decoder = nullptr;
	AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
	if (avformat_open_input(&m_format, path.c_str(), nullptr, nullptr) < 0 || avformat_find_stream_info(m_format, nullptr) < 0)
	{
		release();
		return false;
	}
	m_stream = av_find_best_stream(m_format, AVMEDIA_TYPE_AUDIO, -1, -1, &decoder, 0);
	if (m_stream < 0 || !decoder || !(m_codec = avcodec_alloc_context3(decoder)) ||
		avcodec_parameters_to_context(m_codec, m_format->streams[m_stream]->codecpar) < 0 ||
		avcodec_open2(m_codec, decoder, nullptr) < 0 ||
		swr_alloc_set_opts2(&m_resample, &stereo, AV_SAMPLE_FMT_S16, RATE, &m_codec->ch_layout, m_codec->sample_fmt,
			m_codec->sample_rate, 0, nullptr) < 0 ||
		swr_init(m_resample) < 0 || !(m_frame = av_frame_alloc()) || !(m_packet = av_packet_alloc()))
	{
		release();
		return false;
	}
	if (!openDevice())
	{
		lang::Debug::printf("Video %s plays without sound: no sound output\n", path.c_str());
		close();
		return false;
	}
	m_ended = false;
	m_drained = false;
	return true;
}

bool FFmpegVideoSound::openDevice()
{
	m_device = alcOpenDevice(nullptr);
	if (!m_device)
		return false;
	m_context = alcCreateContext(m_device, nullptr);
	if (!m_context)
		return false;
	Current current(m_context);
	alGenSources(1, &m_source);
	return alGetError() == AL_NO_ERROR;
}

void FFmpegVideoSound::queue(int16_t const* samples, int frames)
{
	Current current(m_context);
	ALint processed = 0;
	alGetSourcei(m_source, AL_BUFFERS_PROCESSED, &processed);
	while (processed-- > 0)
	{
		ALuint done = 0;
		alSourceUnqueueBuffers(m_source, 1, &done);
		alDeleteBuffers(1, &done);
	}
	ALuint buffer = 0;
	alGenBuffers(1, &buffer);
	alBufferData(buffer, AL_FORMAT_STEREO16, samples, frames * 4, RATE);
	alSourceQueueBuffers(m_source, 1, &buffer);
	ALint state = 0;
	alGetSourcei(m_source, AL_SOURCE_STATE, &state);
	if (state != AL_PLAYING)
		alSourcePlay(m_source);
}

bool FFmpegVideoSound::decodeSome()
{
	for (;;)
	{
		int result = avcodec_receive_frame(m_codec, m_frame);
		if (result == 0)
		{
			int const room = swr_get_out_samples(m_resample, m_frame->nb_samples);
			if (room <= 0)
				continue;
			std::vector<int16_t> out(static_cast<size_t>(room) * 2);
			uint8_t* planes[1] = {reinterpret_cast<uint8_t*>(out.data())};
			int const got = swr_convert(m_resample, planes, room, const_cast<uint8_t const**>(m_frame->extended_data), m_frame->nb_samples);
			if (got > 0)
			{
				queue(out.data(), got);
				m_samples += got;
			}
			return true;
		}
		if (result != AVERROR(EAGAIN) || m_drained)
			return false;
		// The decoder wants the next packet of the sound stream.
		if (FFmpegVideoDecoder::feed(m_format, m_codec, m_packet, m_stream, m_drained) < 0)
			return false;
	}
}

void FFmpegVideoSound::pump(double clock)
{
	while (!m_ended && decodedSeconds() < clock + AHEAD)
	{
		if (!decodeSome())
			m_ended = true;
	}
}

} // pf
