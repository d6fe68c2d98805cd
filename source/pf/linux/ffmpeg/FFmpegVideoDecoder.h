#pragma once

#include <pf/linux/VideoDecoder.h>
#include <cstdint>
#include <string>
#include <vector>

struct AVCodecContext;
struct AVFormatContext;
struct AVFrame;
struct AVPacket;
struct SwsContext;

namespace pf
{

/**
 * Decodes the picture of a movie file, in order, into RGBA pictures
 * (4 bytes per pixel, rows top down, no padding) with their times.
 * FFmpeg's libraries stay behind this class. Not thread-safe: one thread
 * at a time.
 */
class FFmpegVideoDecoder : public VideoDecoder
{
public:
	FFmpegVideoDecoder();
	~FFmpegVideoDecoder() override;

	/**
	 * Opens the movie at path and its best picture stream.
	 * @return False with the reason in error() when it cannot be played.
	 */
	bool open(std::string const& path) override;

	/**
	 * Decodes the next picture into rgba(); false at the end of the
	 * picture or at damage that stops it (the reason then in error()).
	 */
	bool next() override;

	/** The latest picture: width() x height() RGBA pixels. */
	std::vector<uint8_t> const& rgba() const override { return m_rgba; }

	int width() const override { return m_width; }
	int height() const override { return m_height; }

	/** Time of the latest picture in seconds from the start. */
	double time() const override { return m_time; }

	/** Why open or next failed ("" when it did not). */
	std::string const& error() const override { return m_error; }

	/** Decodes the next picture without the RGBA conversion (for measuring); false at the end. */
	bool decodeOnly() override;

	/**
	 * Sends codec the next packet of stream read from format (packet is
	 * scratch space), or the end of the stream at the end of the file
	 * (ended is then set). A damaged packet is skipped.
	 * @return 0, or the decoder's error code.
	 */
	static int feed(AVFormatContext* format, AVCodecContext* codec, AVPacket* packet, int stream, bool& ended);

private:
	AVFormatContext* m_format;
	AVCodecContext* m_codec;
	AVFrame* m_frame;
	AVPacket* m_packet;
	SwsContext* m_scale;
	int m_stream;
	int m_width;
	int m_height;
	double m_timeBase;
	double m_time;
	bool m_draining;
	std::vector<uint8_t> m_rgba;
	std::string m_error;

	bool receive();
	void close();
	bool fail(std::string const& what, int code);

	FFmpegVideoDecoder(FFmpegVideoDecoder const&) = delete;
	FFmpegVideoDecoder& operator=(FFmpegVideoDecoder const&) = delete;
};

} // pf
