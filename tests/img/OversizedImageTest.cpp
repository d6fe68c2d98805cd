#include "ImageFixtures.h"
#include <gtest/gtest.h>
#include <lang/Exception.h>
#include <support/LargestAllocation.h>
#include <chrono>

// Headers that declare far more pixels than the file can give must be
// refused before the decoder allocates for them.

using namespace imgtest;
using img::ImageReader;

namespace
{

/** Message of the exception opening data throws, or "" when the header is accepted. */
std::string openError(Bytes const& data, io::FileFormat fmt, std::string const& name)
{
	try
	{
		openImage(data, fmt, name);
	}
	catch (lang::Exception const& e)
	{
		return messageOf(e);
	}
	return "";
}

/** Signature, an IHDR of 8-bit RGBA pixels, one IDAT holding idat, IEND; valid checksums. */
Bytes pngWithHeader(uint32_t width, uint32_t height, Bytes const& idat)
{
	Bytes file = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
	Bytes ihdr;
	putBE32(ihdr, width);
	putBE32(ihdr, height);
	ihdr.insert(ihdr.end(), {8, PNG_COLOR_TYPE_RGB_ALPHA, 0, 0, 0});
	pngChunk(file, "IHDR", ihdr);
	pngChunk(file, "IDAT", idat);
	pngChunk(file, "IEND", Bytes());
	return file;
}

/** The file with the frame header's height and width replaced. */
Bytes withJpegSize(Bytes file, unsigned width, unsigned height)
{
	for (size_t i = 0; i + 8 < file.size(); ++i)
	{
		if (file[i] == 0xFF && (file[i + 1] == 0xC0 || file[i + 1] == 0xC2))
		{
			file[i + 5] = static_cast<unsigned char>(height >> 8);
			file[i + 6] = static_cast<unsigned char>(height);
			file[i + 7] = static_cast<unsigned char>(width >> 8);
			file[i + 8] = static_cast<unsigned char>(width);
			return file;
		}
	}
	throw std::runtime_error("no frame header");
}

} // namespace

TEST(OversizedImage, PngHeaderBeyondTheFileIsRefusedBeforeDecoding)
{
	// 2.1 GB of pixels declared by 57 bytes.
	Bytes const huge = pngWithHeader(1000000, 536, Bytes());
	EXPECT_EQ(huge.size(), 57u);
	EXPECT_EQ(openError(huge, io::FILEFORMAT_PNG, "huge.png"),
		"Image size (1000000x536) in huge.png exceeds the reader's limit of 256 MiB decoded");
	// 64 MiB is under the limit, but an empty IDAT cannot give it.
	EXPECT_EQ(openError(pngWithHeader(4096, 4096, Bytes()), io::FILEFORMAT_PNG, "empty.png"),
		"Image size (4096x4096) in empty.png needs more data than the file holds");
	EXPECT_EQ(openError(pngWithHeader(8192, 8193, Bytes(100000, 0)), io::FILEFORMAT_PNG, "big.png"),
		"Image size (8192x8193) in big.png exceeds the reader's limit of 256 MiB decoded");
}

TEST(OversizedImage, PngAtTheBestDeflateRatioStillReads)
{
	// Zero rows compress close to deflate's limit; the check must not refuse them.
	int const w = 1024;
	int const h = 1024;
	std::vector<Bytes> rows(h, Bytes(static_cast<size_t>(w) * 4, 0));
	Bytes const file = encodePng({w, h, PNG_COLOR_TYPE_RGB_ALPHA, 8, false, false}, rows, 9);
	EXPECT_LT(file.size() * 900, static_cast<size_t>(w) * h * 4);
	lang::Ptr<ImageReader> r = openImage(file, io::FILEFORMAT_PNG, "zero.png");
	EXPECT_EQ(readRGBA(*r), Bytes(static_cast<size_t>(w) * h * 4, 0));
}

TEST(OversizedImage, JpegFrameSizeBeyondTheFileIsRefusedBeforeDecoding)
{
	for (bool progressive : {true, false})
	{
		SCOPED_TRACE(progressive ? "progressive" : "sequential");
		Bytes const file = makeJpeg(gradientRGB(16, 16), 16, 16, 3, progressive);
		ASSERT_LT(file.size(), 1000u);
		// 23000 x 23000 would buffer 1.5 GB of coefficients in a progressive decode.
		EXPECT_EQ(openError(withJpegSize(file, 23000, 23000), io::FILEFORMAT_JPG, "huge.jpg"),
			"Image size (23000x23000) in huge.jpg exceeds the reader's limit of 256 MiB decoded");
		EXPECT_EQ(openError(withJpegSize(file, 4000, 4000), io::FILEFORMAT_JPG, "thin.jpg"),
			"Image size (4000x4000) in thin.jpg needs more data than the file holds");
		// A size the scan data can describe passes the check and fails later, in the decoder.
		std::string const small = openError(withJpegSize(file, 64, 64), io::FILEFORMAT_JPG, "small.jpg");
		EXPECT_EQ(small.find("Image size"), std::string::npos) << small;
	}
}

// A chunk that claims 2 GiB in a 71-byte file, of each kind the library
// reads into memory (texts, profiles, suggested palettes, Exif, chunks it
// does not know), is read past: the file is refused as cut short, without
// allocating for the claim.
TEST(OversizedImage, AncillaryChunkClaimingGigabytesIsReadPast)
{
	char const* const kinds[] = {"tEXt", "zTXt", "iTXt", "iCCP", "sPLT", "eXIf", "prVt", "hIST", "pCAL", "sCAL"};
	Bytes ihdr;
	putBE32(ihdr, 1);
	putBE32(ihdr, 1);
	ihdr.insert(ihdr.end(), {8, PNG_COLOR_TYPE_GRAY, 0, 0, 0});
	for (char const* kind : kinds)
	{
		SCOPED_TRACE(kind);
		Bytes file = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
		pngChunk(file, "IHDR", ihdr);
		putBE32(file, 0x7FFFFFFFu);
		file.insert(file.end(), kind, kind + 4);
		Bytes const start = textBytes("key");
		file.insert(file.end(), start.begin(), start.end());
		file.resize(71, 0);
		test::LargestAllocation largest;
		auto const began = std::chrono::steady_clock::now();
		std::string const message = openError(file, io::FILEFORMAT_PNG, "claim.png");
		EXPECT_NE(message.find("claim.png"), std::string::npos) << message;
		EXPECT_LT(largest.bytes(), size_t(1) << 20);
		EXPECT_LT(std::chrono::steady_clock::now() - began, std::chrono::seconds(2));
	}
	// The same kinds, well formed and small, do not keep a picture from reading.
	Bytes const withChunks = makePngWithAncillaryChunks({7, 5, PNG_COLOR_TYPE_RGB, 8, false, false});
	lang::Ptr<ImageReader> r = openImage(withChunks, io::FILEFORMAT_PNG, "chunks.png");
	EXPECT_EQ(readRGBA(*r), readRGBA(*openImage(makePng({7, 5, PNG_COLOR_TYPE_RGB, 8, false, false}), io::FILEFORMAT_PNG)));
}
