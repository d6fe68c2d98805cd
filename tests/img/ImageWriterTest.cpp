#include "ImageFixtures.h"
#include <img/ImageWriter.h>
#include <gtest/gtest.h>
#include <lang/Exception.h>

using namespace imgtest;
using gr::SurfaceFormat;
using img::ImageWriter;

namespace
{

/** Message of the exception writing throws, or "" when it succeeds. */
std::string writeError(io::OutputStream& out, io::FileFormat fmt, void const* px, int w, int h, SurfaceFormat srcfmt)
{
	try
	{
		ImageWriter::write(out, fmt, px, w, h, srcfmt);
	}
	catch (lang::Exception const& e)
	{
		return messageOf(e);
	}
	return "";
}

} // namespace

TEST(PngWriter, RoundTripsExactPixels)
{
	int const w = 9, h = 4;

	// A8B8G8R8 is stored as R, G, B, A: the PNG holds the same bytes.
	Bytes const rgbaPx = pattern(static_cast<size_t>(w) * h * 4, 11);
	RecordingStream out;
	ImageWriter::write(out, io::FILEFORMAT_PNG, rgbaPx.data(), w, h, SurfaceFormat::SURFACE_A8B8G8R8);
	int dw = 0, dh = 0;
	bool alpha = false;
	EXPECT_EQ(decodePngRGBA(out.bytes, &dw, &dh, &alpha), rgbaPx);
	EXPECT_EQ(dw, w);
	EXPECT_EQ(dh, h);
	EXPECT_TRUE(alpha);

	// The engine's own reader gets the pixels back too.
	lang::Ptr<img::ImageReader> r = openImage(out.bytes, io::FILEFORMAT_PNG);
	EXPECT_EQ(readRGBA(*r), rgbaPx);

	// R5G6B5 widens by bit replication into RGB without alpha.
	std::vector<uint16_t> const px565 = {0xFFFF, 0x0000, 0xF800, 0x07E0, 0x001F, 0x8410};
	RecordingStream out565;
	ImageWriter::writePNG(out565, px565.data(), 3, 2, SurfaceFormat::SURFACE_R5G6B5);
	Bytes const got565 = decodePngRGBA(out565.bytes, nullptr, nullptr, &alpha);
	EXPECT_FALSE(alpha);
	EXPECT_EQ(got565, Bytes({255, 255, 255, 255, 0, 0, 0, 255, 255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 132, 130, 132, 255}));

	// X8R8G8B8 (4 bytes per pixel, no alpha) becomes RGB, rows advancing 4 x width bytes.
	Bytes const xrgb = {1, 2, 3, 0x55, 4, 5, 6, 0x66, 7, 8, 9, 0x77, 10, 11, 12, 0x88};
	RecordingStream outX;
	ImageWriter::writePNG(outX, xrgb.data(), 2, 2, SurfaceFormat::SURFACE_X8R8G8B8);
	EXPECT_EQ(decodePngRGBA(outX.bytes, nullptr, nullptr, &alpha), Bytes({3, 2, 1, 255, 6, 5, 4, 255, 9, 8, 7, 255, 12, 11, 10, 255}));
	EXPECT_FALSE(alpha);
}

TEST(JpegWriter, DecodesWithinToleranceAndWritesIn16KiBBlocks)
{
	int const w = 48, h = 40;
	Bytes const rgb = gradientRGB(w, h);
	RecordingStream out;
	ImageWriter::write(out, io::FILEFORMAT_JPG, rgb.data(), w, h, SurfaceFormat::SURFACE_B8G8R8);
	int dw = 0, dh = 0, comps = 0;
	Bytes const back = decodeJpeg(out.bytes, &dw, &dh, &comps);
	ASSERT_EQ(dw, w);
	ASSERT_EQ(dh, h);
	ASSERT_EQ(comps, 3);
	int worst = 0;
	for (size_t i = 0; i < rgb.size(); ++i)
		worst = std::max(worst, std::abs(int(rgb[i]) - int(back[i])));
	EXPECT_LE(worst, 6);

	// Noise compresses badly: several full blocks, then one shorter one.
	Bytes const noise = pattern(256 * 256 * 4, 2);
	RecordingStream big;
	ImageWriter::writeJPG(big, noise.data(), 256, 256, SurfaceFormat::SURFACE_A8R8G8B8, 100);
	ASSERT_GE(big.writes.size(), 3u);
	for (size_t i = 0; i + 1 < big.writes.size(); ++i)
		EXPECT_EQ(big.writes[i], 16384);
	EXPECT_GT(big.writes.back(), 0);
	EXPECT_LT(big.writes.back(), 16384);
}

TEST(ImageWriter, RawBytesAndRefusals)
{
	uint16_t const px[4] = {1, 2, 3, 0xFFFF};
	RecordingStream raw;
	ImageWriter::write(raw, io::FILEFORMAT_RAW, px, 2, 2, SurfaceFormat::SURFACE_R5G6B5);
	ASSERT_EQ(raw.writes, std::vector<int>({8}));
	EXPECT_EQ(std::memcmp(raw.bytes.data(), px, 8), 0);

	RecordingStream out;
	EXPECT_EQ(writeError(out, io::FILEFORMAT_BMP, px, 2, 2, SurfaceFormat::SURFACE_R5G6B5), "Unsupported ImageWriter file format BMP");
	for (io::FileFormat f : {io::FILEFORMAT_PNG, io::FILEFORMAT_JPG, io::FILEFORMAT_RAW})
	{
		SCOPED_TRACE(io::toString(f));
		EXPECT_EQ(writeError(out, f, px, 0, 2, SurfaceFormat::SURFACE_R5G6B5), "Cannot write an empty image (0x2) to \"out.img\"");
		EXPECT_EQ(writeError(out, f, px, 2, -1, SurfaceFormat::SURFACE_R5G6B5), "Cannot write an empty image (2x-1) to \"out.img\"");
		EXPECT_EQ(writeError(out, f, px, 2, 2, SurfaceFormat()), "Unsupported source format UNKNOWN while saving \"out.img\" (2x2)");
	}
	for (io::FileFormat f : {io::FILEFORMAT_PNG, io::FILEFORMAT_JPG})
	{
		SCOPED_TRACE(io::toString(f));
		EXPECT_EQ(writeError(out, f, px, 2, 2, SurfaceFormat::SURFACE_P8), "Unsupported source format P8 while saving \"out.img\" (2x2)");
		EXPECT_EQ(writeError(out, f, px, 4, 4, SurfaceFormat::SURFACE_DXT1), "Unsupported source format DXT1 while saving \"out.img\" (4x4)");
	}
	EXPECT_TRUE(out.bytes.empty());
}

TEST(ImageWriter, FailingStreamRaisesItsException)
{
	Bytes const noise = pattern(128 * 128 * 4, 4);
	for (io::FileFormat f : {io::FILEFORMAT_PNG, io::FILEFORMAT_JPG, io::FILEFORMAT_RAW})
		for (long limit : {0L, 100L, 20000L})
		{
			SCOPED_TRACE(io::toString(f) + " " + std::to_string(limit));
			RecordingStream out(limit);
			EXPECT_EQ(writeError(out, f, noise.data(), 128, 128, SurfaceFormat::SURFACE_A8B8G8R8), "Disk full writing out.img");
		}
}
