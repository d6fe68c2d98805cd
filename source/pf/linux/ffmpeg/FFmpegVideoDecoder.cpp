#include "FFmpegVideoDecoder.h"
extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libswscale/swscale.h>
}

namespace pf
{

namespace
{

/** Pictures larger than this are refused (a damaged header may claim anything). */
int const MAX_SIDE = 8192;

} // namespace

FFmpegVideoDecoder::FFmpegVideoDecoder() :
	m_format(nullptr),
	m_codec(nullptr),
	m_frame(nullptr),
	m_packet(nullptr),
	m_scale(nullptr),
	m_stream(-1),
	m_width(0),
	m_height(0),
	m_timeBase(0),
	m_time(0),
	m_draining(false)
{
}

FFmpegVideoDecoder::~FFmpegVideoDecoder()
{
	close();
}

void FFmpegVideoDecoder::close()
{
	sws_freeContext(m_scale);
	m_scale = nullptr;
	av_packet_free(&m_packet);
	av_frame_free(&m_frame);
	avcodec_free_context(&m_codec);
	avformat_close_input(&m_format);
}

bool FFmpegVideoDecoder::fail(std::string const& what, int code)
{
	m_error = what;
	if (code < 0)
	{
		char text[AV_ERROR_MAX_STRING_SIZE] = {};
		av_strerror(code, text, sizeof(text));
		m_error += std::string(" (") + text + ")";
	}
	return false;
}

bool FFmpegVideoDecoder::open(std::string const& path)
{
	close();
	m_error.clear();
	av_log_set_level(AV_LOG_QUIET);
	int result = avformat_open_input(&m_format, path.c_str(), nullptr, nullptr);
	if (result < 0)
		return fail("cannot be opened", result);
	result = avformat_find_stream_info(m_format, nullptr);
	if (result < 0)
		return fail("has no readable streams", result);
	AVCodec const* decoder = nullptr;
	m_stream = av_find_best_stream(m_format, AVMEDIA_TYPE_VIDEO, -1, -1, &decoder, 0);
	if (m_stream < 0 || !decoder)
		return fail("has no picture that can be decoded", m_stream);
	AVStream* stream = m_format->streams[m_stream];
	m_codec = avcodec_alloc_context3(decoder);
	if (!m_codec)
		return fail("cannot be decoded: out of memory", 0);
	result = avcodec_parameters_to_context(m_codec, stream->codecpar);
	if (result >= 0)
		result = avcodec_open2(m_codec, decoder, nullptr);
	if (result < 0)
		return fail("cannot be decoded", result);
	if (m_codec->width <= 0 || m_codec->height <= 0 || m_codec->width > MAX_SIDE || m_codec->height > MAX_SIDE)
		return fail("has a picture of an unusable size", 0);
	m_timeBase = av_q2d(stream->time_base);
	m_frame = av_frame_alloc();
	m_packet = av_packet_alloc();
	if (!m_frame || !m_packet)
		return fail("cannot be decoded: out of memory", 0);
	m_draining = false;
	m_time = 0;
	return true;
}

bool FFmpegVideoDecoder::receive()
{
	if (!m_codec)
		return false;
	for (;;)
	{
		int result = avcodec_receive_frame(m_codec, m_frame);
		if (result == 0)
		{
			int64_t pts = m_frame->best_effort_timestamp;
			if (pts != AV_NOPTS_VALUE)
				m_time = static_cast<double>(pts) * m_timeBase;
			return true;
		}
		if (result == AVERROR_EOF)
			return false;
		if (result != AVERROR(EAGAIN))
			return fail("stopped at damaged data", result);
		if (m_draining)
			return false;
		// The decoder wants more: the next packet of the picture stream.
		result = feed(m_format, m_codec, m_packet, m_stream, m_draining);
		if (result < 0)
			return fail("stopped at damaged data", result);
	}
}

int FFmpegVideoDecoder::feed(AVFormatContext* format, AVCodecContext* codec, AVPacket* packet, int stream, bool& ended)
{
	for (;;)
	{
		if (av_read_frame(format, packet) < 0)
		{
			ended = true;
			avcodec_send_packet(codec, nullptr);
			return 0;
		}
		if (packet->stream_index != stream)
		{
			av_packet_unref(packet);
			continue;
		}
		int const result = avcodec_send_packet(codec, packet);
		av_packet_unref(packet);
		// A damaged packet is skipped; the decoder goes on with the next.
		if (result == AVERROR(EAGAIN) || result == AVERROR_INVALIDDATA)
			return 0;
		return result;
	}
}

bool FFmpegVideoDecoder::decodeOnly()
{
	return receive();
}

bool FFmpegVideoDecoder::next()
{
	if (!receive())
		return false;
	int const w = m_frame->width;
	int const h = m_frame->height;
	if (w <= 0 || h <= 0 || w > MAX_SIDE || h > MAX_SIDE || m_frame->format < 0)
		return fail("stopped at a picture of an unusable size", 0);
	m_scale = sws_getCachedContext(m_scale, w, h, static_cast<AVPixelFormat>(m_frame->format), w, h, AV_PIX_FMT_RGBA,
		SWS_BILINEAR, nullptr, nullptr, nullptr);
	if (!m_scale)
		return fail("stopped at a picture that cannot be converted", 0);
	m_width = w;
	m_height = h;
	m_rgba.resize(static_cast<size_t>(w) * static_cast<size_t>(h) * 4);
	uint8_t* planes[4] = {m_rgba.data(), nullptr, nullptr, nullptr};
	int strides[4] = {w * 4, 0, 0, 0};
	sws_scale(m_scale, m_frame->data, m_frame->linesize, 0, h, planes, strides);
	return true;
}

} // pf
