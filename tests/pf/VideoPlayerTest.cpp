#include <support/DamagedCopies.h>
#include <support/PixelReadBack.h>
#include <support/ScopedVariable.h>
#include <support/TempFolder.h>
#include <support/VideoClip.h>
#include <framework/linux/HeadlessGL.h>
#include <gr/gl/GLBackends.h>
#include <gr/gl/GLPlatform.h>
#include <io/detail/detail.h>
#include <pf/VideoPlayer.h>
#include <pf/VideoPlayerObserver.h>
#include <pf/VideoSlot.h>
#include <pf/linux/VideoPlayerImpl.h>
#include <gtest/gtest.h>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

namespace
{

struct Observer : pf::VideoPlayerObserver
{
	int ended = 0;
	void videoPlayEnded() override { ++ended; }
};

/** A 16:9 headless ES 2.0 view of 64 x 36 pixels for the suite. */
class VideoPlayerView : public ::testing::Test
{
protected:
	static constexpr int W = 64;
	static constexpr int H = 36;
	test::TempFolder folder;
	Observer observer;

	static void SetUpTestSuite()
	{
		io::detail::setBundlePath(ENGINE_DATA_DIR);
		s_gl = new framework::HeadlessGL(framework::HeadlessGL::API_GLES2, W, H);
		s_ctx = gr::gles2::GL_createContext(W, H, gr::Context::ORIENTATION_0, updateScrFunc);
		s_ctx->setShaderPath("shaders");
	}

	static void TearDownTestSuite()
	{
		s_ctx = nullptr;
		delete s_gl;
		s_gl = nullptr;
		io::detail::setBundlePath("");
	}

	void SetUp() override { s_gl->makeCurrent(); }

	/** A 4:3 clip of frames pictures at 10 per second: red, then green. */
	std::string clip(int frames)
	{
		std::string const path = folder / "clip.y4m";
		test::writeVideoClip(path, 32, 24, frames, 10, [](int i, int& r, int& g, int& b) {
			r = i == 0 ? 255 : 0;
			g = i == 0 ? 0 : 255;
			b = 0;
		});
		return path;
	}

	static test::RGBA px(int x, int y)
	{
		std::vector<unsigned char> const f = test::capturePixels(*s_ctx);
		std::size_t const i = (std::size_t(y) * W + x) * 4;
		return {f[i], f[i + 1], f[i + 2], f[i + 3]};
	}

	static void expectNear(test::RGBA expected, test::RGBA got, char const* where)
	{
		for (int c = 0; c < 3; ++c)
			EXPECT_NEAR(expected[c], got[c], 12) << where << " channel " << c;
	}

	static inline framework::HeadlessGL* s_gl = nullptr;
	static inline lang::Ptr<gr::Context> s_ctx;
};

TEST_F(VideoPlayerView, FitsThePictureWithBlackBarsAndEndsOnce)
{
	pf::VideoPlayer player;
	ASSERT_TRUE(player.playFullscreen(clip(3), &observer));
	EXPECT_TRUE(player.isPlaying());
	ASSERT_TRUE(pf::runVideoSlot(0.f, s_ctx));
	// 32x24 in 64x36: a 48x36 picture between two 8-pixel bars.
	expectNear({255, 0, 0, 255}, px(32, 18), "centre");
	expectNear({255, 0, 0, 255}, px(9, 1), "inside the left edge");
	expectNear({0, 0, 0, 255}, px(3, 18), "left bar");
	expectNear({0, 0, 0, 255}, px(60, 18), "right bar");

	pf::runVideoSlot(0.1f, s_ctx);
	expectNear({0, 255, 0, 255}, px(32, 18), "second picture");
	int turns = 0;
	while (pf::videoScreen() && turns < 20)
	{
		pf::runVideoSlot(0.1f, s_ctx);
		++turns;
	}
	EXPECT_FALSE(player.isPlaying());
	EXPECT_EQ(1, observer.ended);
	EXPECT_FALSE(pf::runVideoSlot(0.1f, s_ctx));
	EXPECT_EQ(1, observer.ended);
}

TEST_F(VideoPlayerView, MissingOrDestroyedVideosTellNoObserver)
{
	{
		pf::VideoPlayer player;
		testing::internal::CaptureStdout();
		EXPECT_FALSE(player.playFullscreen(folder / "missing.mp4", &observer));
		std::string const out = testing::internal::GetCapturedStdout();
		EXPECT_NE(std::string::npos, out.find("missing.mp4")) << out;
		EXPECT_EQ(nullptr, pf::videoScreen());

		ASSERT_TRUE(player.playFullscreen(clip(3), &observer));
	}
	EXPECT_EQ(nullptr, pf::videoScreen());
	EXPECT_EQ(0, observer.ended);
}

TEST_F(VideoPlayerView, WithoutTheVideoPluginVideosDoNotPlay)
{
	// The plugin is opened once per process: the check runs in a process of its own.
	GTEST_FLAG_SET(death_test_style, "threadsafe");
	std::string const path = clip(3);
	EXPECT_EXIT(
		{
			test::ScopedVariable plugins("ENGINE_PLUGIN_DIR", folder.path().c_str());
			pf::VideoPlayer player;
			testing::internal::CaptureStdout();
			bool const played = player.playFullscreen(path, &observer);
			std::string const out = testing::internal::GetCapturedStdout();
			std::fprintf(stderr, "%s", out.c_str());
			std::exit(!played && !pf::videoScreen() && observer.ended == 0 ? 0 : 1);
		},
		testing::ExitedWithCode(0), "Cannot play video .*clip.y4m: the video decoder cannot be loaded: .*libeng_pf_linux_ffmpeg.so");
}

TEST_F(VideoPlayerView, DamagedClipsFailOrEndEarly)
{
	std::string const path = clip(2);
	std::ifstream in(path, std::ios::binary);
	std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
	int played = 0;
	forEachDamagedCopy(bytes, 150, 3, [&](std::vector<unsigned char> const& copy) {
		// Every 37th truncation is enough to cross each part of the file.
		static int n = 0;
		if (copy.size() < bytes.size() && n++ % 37 != 0)
			return;
		std::ofstream(folder / "damaged.y4m", std::ios::binary).write(reinterpret_cast<char const*>(copy.data()), static_cast<std::streamsize>(copy.size()));
		pf::VideoPlayer player;
		Observer seen;
		testing::internal::CaptureStdout();
		if (player.playFullscreen(folder / "damaged.y4m", &seen))
		{
			++played;
			for (int turn = 0; turn < 50 && pf::videoScreen(); ++turn)
				pf::runVideoSlot(0.1f, s_ctx);
			EXPECT_EQ(1, seen.ended);
		}
		testing::internal::GetCapturedStdout();
	});
	EXPECT_GT(played, 0);
}

/**
 * A movie with a grey 16x12 picture and a 440 Hz tone, frames pictures at
 * 10 per second, raw streams in a NUT container (no encoder needed).
 */
void writeClipWithSound(std::string const& path, int frames)
{
	AVFormatContext* out = nullptr;
	ASSERT_GE(avformat_alloc_output_context2(&out, nullptr, "nut", path.c_str()), 0);
	AVStream* video = avformat_new_stream(out, nullptr);
	video->codecpar->codec_type = AVMEDIA_TYPE_VIDEO;
	video->codecpar->codec_id = AV_CODEC_ID_RAWVIDEO;
	video->codecpar->format = AV_PIX_FMT_YUV420P;
	video->codecpar->width = 16;
	video->codecpar->height = 12;
	video->codecpar->codec_tag = avcodec_pix_fmt_to_codec_tag(AV_PIX_FMT_YUV420P);
	video->time_base = AVRational{1, 10};
	AVStream* sound = avformat_new_stream(out, nullptr);
	sound->codecpar->codec_type = AVMEDIA_TYPE_AUDIO;
	sound->codecpar->codec_id = AV_CODEC_ID_PCM_S16LE;
	sound->codecpar->sample_rate = 22050;
	sound->codecpar->ch_layout = AVChannelLayout AV_CHANNEL_LAYOUT_MONO;
	sound->codecpar->format = AV_SAMPLE_FMT_S16;
	sound->codecpar->block_align = 2;
	sound->time_base = AVRational{1, 22050};
	ASSERT_GE(avio_open(&out->pb, path.c_str(), AVIO_FLAG_WRITE), 0);
	ASSERT_GE(avformat_write_header(out, nullptr), 0);
	std::vector<uint8_t> picture(16 * 12 * 3 / 2, 128);
	std::vector<int16_t> tone(2205);
	for (size_t i = 0; i < tone.size(); ++i)
		tone[i] = static_cast<int16_t>(8000 * std::sin(2 * M_PI * 440 * static_cast<double>(i) / 22050));
	for (int i = 0; i < frames; ++i)
	{
		AVPacket* packet = av_packet_alloc();
		av_new_packet(packet, static_cast<int>(picture.size()));
		memcpy(packet->data, picture.data(), picture.size());
		packet->stream_index = video->index;
		packet->pts = packet->dts = av_rescale_q(i, AVRational{1, 10}, video->time_base);
		packet->flags |= AV_PKT_FLAG_KEY;
		av_interleaved_write_frame(out, packet);
		av_new_packet(packet, static_cast<int>(tone.size() * 2));
		memcpy(packet->data, tone.data(), tone.size() * 2);
		packet->stream_index = sound->index;
		packet->pts = packet->dts = av_rescale_q(i * 2205, AVRational{1, 22050}, sound->time_base);
		packet->flags |= AV_PKT_FLAG_KEY;
		av_interleaved_write_frame(out, packet);
		av_packet_free(&packet);
	}
	av_write_trailer(out);
	avio_closep(&out->pb);
	avformat_free_context(out);
}

TEST_F(VideoPlayerView, SoundPlaysAlongOnItsOwnDevice)
{
	// No sound card here: OpenAL's null output.
	setenv("ALSOFT_DRIVERS", "null", 1);
	std::string const path = folder / "tone.nut";
	writeClipWithSound(path, 30);
	lang::Ptr<pf::VideoPlayerImpl> player = new pf::VideoPlayerImpl();
	ASSERT_TRUE(player->play(path, &observer));
	double const start = player->soundSeconds();
	EXPECT_GT(start, 0.2) << "queued ahead of the picture";
	EXPECT_LT(start, 1.5) << "not all at once";
	for (int turn = 0; turn < 15; ++turn)
		pf::runVideoSlot(0.1f, s_ctx);
	EXPECT_GT(player->soundSeconds(), 1.7);
	while (pf::videoScreen())
		pf::runVideoSlot(0.1f, s_ctx);
	EXPECT_EQ(1, observer.ended);
	expectNear({128, 128, 128, 255}, px(32, 18), "grey picture");
}

TEST(VideoPlayerFit, Rectangles)
{
	struct Case
	{
		int w, h, sw, sh;
		int rect[4];
	} const cases[] = {
		{4, 3, 16, 9, {2, 0, 12, 9}},
		{16, 9, 4, 3, {0, 0, 4, 2}},
		{10, 10, 10, 10, {0, 0, 10, 10}},
		{640, 480, 1024, 768, {0, 0, 1024, 768}},
	};
	for (Case const& c : cases)
	{
		int rect[4];
		pf::VideoPlayerImpl::fit(c.w, c.h, c.sw, c.sh, rect);
		EXPECT_EQ(std::vector<int>(c.rect, c.rect + 4), std::vector<int>(rect, rect + 4)) << c.w << "x" << c.h;
	}
}

} // namespace
