// Video: decoding plus RGBA conversion per picture against the bare decode
// of the same pictures, and the whole video frame (decode, upload, fitted
// draw, present) at 1024 x 768.

#include <benchmark/benchmark.h>
#include <framework/linux/HeadlessGL.h>
#include <gr/Context.h>
#include <gr/gl/GLBackends.h>
#include <gr/gl/GLPlatform.h>
#include <io/detail/detail.h>
#include <lang/Ptr.h>
#include <pf/VideoSlot.h>
#include <pf/linux/ffmpeg/FFmpegVideoDecoder.h>
#include <pf/linux/VideoPlayerImpl.h>
#include <GLES2/gl2.h>
#include <cstdio>
#include <memory>
#include <string>
#include <unistd.h>
extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

namespace
{

int const PICTURES = 60;

/** Encodes a 640 x 480 clip of moving bars (H.264 when there is an encoder, else MPEG-4 part 2) once per run. */
std::string const& clip()
{
	static std::string path;
	if (!path.empty())
		return path;
	av_log_set_level(AV_LOG_QUIET);
	char folder[] = "/tmp/video-bench-XXXXXX";
	path = std::string(mkdtemp(folder)) + "/clip.mkv";
	AVCodec const* codec = avcodec_find_encoder(AV_CODEC_ID_H264);
	if (!codec)
		codec = avcodec_find_encoder(AV_CODEC_ID_MPEG4);
	AVCodecContext* encoder = avcodec_alloc_context3(codec);
	encoder->width = 640;
	encoder->height = 480;
	encoder->pix_fmt = AV_PIX_FMT_YUV420P;
	encoder->time_base = AVRational{1, 30};
	encoder->framerate = AVRational{30, 1};
	encoder->gop_size = 30;
	encoder->bit_rate = 1500000;
	AVFormatContext* out = nullptr;
	avformat_alloc_output_context2(&out, nullptr, "matroska", path.c_str());
	if (out->oformat->flags & AVFMT_GLOBALHEADER)
		encoder->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
	if (avcodec_open2(encoder, codec, nullptr) < 0)
		fprintf(stderr, "No video encoder\n");
	AVStream* stream = avformat_new_stream(out, nullptr);
	avcodec_parameters_from_context(stream->codecpar, encoder);
	stream->time_base = encoder->time_base;
	avio_open(&out->pb, path.c_str(), AVIO_FLAG_WRITE);
	if (avformat_write_header(out, nullptr) < 0)
		fprintf(stderr, "Cannot write %s\n", path.c_str());
	AVFrame* frame = av_frame_alloc();
	frame->width = 640;
	frame->height = 480;
	frame->format = AV_PIX_FMT_YUV420P;
	av_frame_get_buffer(frame, 0);
	AVPacket* packet = av_packet_alloc();
	auto drain = [&]() {
		while (avcodec_receive_packet(encoder, packet) == 0)
		{
			av_packet_rescale_ts(packet, encoder->time_base, stream->time_base);
			packet->stream_index = stream->index;
			av_interleaved_write_frame(out, packet);
		}
	};
	for (int i = 0; i < PICTURES; ++i)
	{
		av_frame_make_writable(frame);
		for (int y = 0; y < 480; ++y)
			for (int x = 0; x < 640; ++x)
				frame->data[0][y * frame->linesize[0] + x] = static_cast<uint8_t>((x + 4 * i) & 0xF0 ? 200 : 40);
		for (int y = 0; y < 240; ++y)
			for (int x = 0; x < 320; ++x)
			{
				frame->data[1][y * frame->linesize[1] + x] = static_cast<uint8_t>(x + i);
				frame->data[2][y * frame->linesize[2] + x] = static_cast<uint8_t>(y);
			}
		frame->pts = i;
		avcodec_send_frame(encoder, frame);
		drain();
	}
	avcodec_send_frame(encoder, nullptr);
	drain();
	av_write_trailer(out);
	avio_closep(&out->pb);
	avformat_free_context(out);
	av_packet_free(&packet);
	av_frame_free(&frame);
	avcodec_free_context(&encoder);
	return path;
}

template <bool CONVERT>
void decode(benchmark::State& state)
{
	pf::FFmpegVideoDecoder decoder;
	decoder.open(clip());
	int64_t pictures = 0;
	for (auto _ : state)
	{
		bool const got = CONVERT ? decoder.next() : decoder.decodeOnly();
		if (!got)
		{
			state.PauseTiming();
			decoder.open(clip());
			state.ResumeTiming();
			continue;
		}
		++pictures;
	}
	state.SetItemsProcessed(pictures);
}

void BM_VideoBareDecode(benchmark::State& state)
{
	decode<false>(state);
}
BENCHMARK(BM_VideoBareDecode);

void BM_VideoDecodeAndConvert(benchmark::State& state)
{
	decode<true>(state);
}
BENCHMARK(BM_VideoDecodeAndConvert);

void BM_VideoFrame1024x768(benchmark::State& state)
{
	io::detail::setBundlePath(ENGINE_DATA_DIR);
	framework::HeadlessGL gl(framework::HeadlessGL::API_GLES2, 1024, 768);
	lang::Ptr<gr::Context> context = gr::gles2::GL_createContext(1024, 768, gr::Context::ORIENTATION_0, updateScrFunc);
	context->setShaderPath("shaders");
	lang::Ptr<pf::VideoPlayerImpl> player = new pf::VideoPlayerImpl();
	for (auto _ : state)
	{
		if (!pf::videoScreen())
		{
			state.PauseTiming();
			player->play(clip(), nullptr);
			state.ResumeTiming();
		}
		pf::runVideoSlot(1.f / 30, context);
		glFinish();
	}
	player->stop();
	io::detail::setBundlePath("");
}
BENCHMARK(BM_VideoFrame1024x768)->Unit(benchmark::kMillisecond);

} // namespace
