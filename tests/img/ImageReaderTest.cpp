#include "ImageFixtures.h"
#include <gtest/gtest.h>
#include <lang/Exception.h>

using namespace imgtest;
using gr::SurfaceFormat;
using img::ImageReader;

namespace
{

/** Message of the exception the reader throws for data, or "" when it reads. */
std::string readError(Bytes const& data, io::FileFormat fmt, std::string const& name)
{
	try
	{
		lang::Ptr<ImageReader> r = openImage(data, fmt, name);
		for (int i = 0; i < r->mipLevels(); ++i)
			readRGBA(*r);
	}
	catch (lang::Exception const& e)
	{
		return messageOf(e);
	}
	return "";
}

Bytes rgba(std::initializer_list<unsigned> px)
{
	Bytes out;
	for (unsigned p : px)
	{
		out.push_back(static_cast<unsigned char>(p >> 24));
		out.push_back(static_cast<unsigned char>(p >> 16));
		out.push_back(static_cast<unsigned char>(p >> 8));
		out.push_back(static_cast<unsigned char>(p));
	}
	return out;
}

/** An image made from spec, the format it reads as and its pixels as rows of R, G, B, A bytes. */
template <class Spec>
struct LayoutCase
{
	char const* label;
	Spec spec;
	SurfaceFormat::SurfaceFormatType fmt;
	Bytes expected;
};

/** Reads the image of every case and checks its format and pixels. */
template <class Spec, size_t N>
void expectLayouts(LayoutCase<Spec> const (&cases)[N], Bytes (*make)(Spec const&), io::FileFormat format)
{
	for (LayoutCase<Spec> const& c : cases)
	{
		SCOPED_TRACE(c.label);
		lang::Ptr<ImageReader> r = openImage(make(c.spec), format);
		EXPECT_EQ(r->format().type(), c.fmt);
		EXPECT_EQ(readRGBA(*r), c.expected);
	}
}

/** A bad file and the message reading it throws. */
struct ErrorCase
{
	Bytes file;
	std::string message;
};

/** Reads every case's file under the given name and checks the message. */
template <size_t N>
void expectErrors(ErrorCase const (&cases)[N], io::FileFormat format, std::string const& name)
{
	for (ErrorCase const& c : cases)
		EXPECT_EQ(readError(c.file, format, name), c.message);
}

/** A function that makes the file of a copy of base edited by its argument: with([](Spec& s) { ... }). */
template <class Spec>
auto changedFrom(Spec const& base, Bytes (*make)(Spec const&))
{
	return [base, make](auto change) {
		Spec s = base;
		change(s);
		return make(s);
	};
}

} // namespace

TEST(ImageReader, RefusesUnsupportedFileFormat)
{
	EXPECT_EQ(readError(Bytes(10, 0), io::FILEFORMAT_GIF, "e.gif"), "Unsupported image file format while reading e.gif");
}

// ---------------------------------------------------------------------------
// PNG

TEST(PngReader, MatchesLibpngSimplifiedDecode)
{
	struct Case
	{
		char const* label;
		PngSpec spec;
		SurfaceFormat::SurfaceFormatType fmt;
	};
	Case const cases[] = {
		{"grey 1-bit", {9, 5, PNG_COLOR_TYPE_GRAY, 1, false, false}, SurfaceFormat::SURFACE_L8},
		{"grey 2-bit with tRNS", {6, 3, PNG_COLOR_TYPE_GRAY, 2, false, true}, SurfaceFormat::SURFACE_A8L8},
		{"grey 8-bit", {7, 5, PNG_COLOR_TYPE_GRAY, 8, false, false}, SurfaceFormat::SURFACE_L8},
		{"grey 16-bit", {11, 9, PNG_COLOR_TYPE_GRAY, 16, false, false}, SurfaceFormat::SURFACE_L8},
		{"grey with alpha", {7, 5, PNG_COLOR_TYPE_GRAY_ALPHA, 8, false, false}, SurfaceFormat::SURFACE_A8L8},
		{"palette 8-bit with tRNS", {7, 5, PNG_COLOR_TYPE_PALETTE, 8, false, true}, SurfaceFormat::SURFACE_P8},
		{"palette 4-bit with tRNS", {7, 5, PNG_COLOR_TYPE_PALETTE, 4, false, true}, SurfaceFormat::SURFACE_A8B8G8R8},
		{"palette 2-bit", {7, 5, PNG_COLOR_TYPE_PALETTE, 2, false, false}, SurfaceFormat::SURFACE_B8G8R8},
		{"RGB", {7, 5, PNG_COLOR_TYPE_RGB, 8, false, false}, SurfaceFormat::SURFACE_B8G8R8},
		{"RGB interlaced", {13, 10, PNG_COLOR_TYPE_RGB, 8, true, false}, SurfaceFormat::SURFACE_B8G8R8},
		{"RGBA", {7, 5, PNG_COLOR_TYPE_RGB_ALPHA, 8, false, false}, SurfaceFormat::SURFACE_A8B8G8R8},
		{"RGBA 16-bit", {5, 4, PNG_COLOR_TYPE_RGB_ALPHA, 16, false, false}, SurfaceFormat::SURFACE_A8B8G8R8},
		{"grey 8-bit interlaced", {11, 9, PNG_COLOR_TYPE_GRAY, 8, true, false}, SurfaceFormat::SURFACE_L8},

	};
	for (Case const& c : cases)
	{
		SCOPED_TRACE(c.label);
		Bytes const file = makePng(c.spec);
		lang::Ptr<ImageReader> r = openImage(file, io::FILEFORMAT_PNG, "t.png");
		EXPECT_EQ(r->format().type(), c.fmt);
		EXPECT_EQ(r->surfaceWidth(), c.spec.width);
		EXPECT_EQ(r->surfaceHeight(), c.spec.height);
		EXPECT_EQ(r->mipLevels(), 1);
		EXPECT_EQ(readRGBA(*r), decodePngRGBA(file));
	}
}

TEST(PngReader, StoredFormatReads)
{
	// Interlaced 16-bit grey reduces each sample to its high byte (the
	// fixture's 16-bit samples are multiples of 257).
	Bytes const grey16 = makePng({11, 9, PNG_COLOR_TYPE_GRAY, 16, true, false});
	lang::Ptr<ImageReader> g = openImage(grey16, io::FILEFORMAT_PNG);
	ASSERT_EQ(g->format().type(), SurfaceFormat::SURFACE_L8);
	Bytes lum(11 * 9);
	g->readSurface(lum.data(), 11, 11, 9, SurfaceFormat::SURFACE_L8);
	for (int y = 0; y < 9; ++y)
		for (int x = 0; x < 11; ++x)
			EXPECT_EQ(lum[y * 11 + x], (x * 37 + y * 91 + x * y * 7) & 255) << x << "," << y;

	// Reading a palette image as P8 hands out the stored indices.
	Bytes const pal = makePng({4, 2, PNG_COLOR_TYPE_PALETTE, 8, false, true});
	lang::Ptr<ImageReader> r = openImage(pal, io::FILEFORMAT_PNG);
	Bytes idx(8, 0);
	r->readSurface(idx.data(), 4, 4, 2, SurfaceFormat::SURFACE_P8);
	Bytes const expected = {0, 37, 74, 111, 91, 135, 179, 223};
	EXPECT_EQ(idx, expected);

	// An RGB image with a tRNS colour reads as opaque RGB.
	Bytes const rgb = makePng({5, 3, PNG_COLOR_TYPE_RGB, 8, false, true});
	r = openImage(rgb, io::FILEFORMAT_PNG);
	EXPECT_EQ(r->format().type(), SurfaceFormat::SURFACE_B8G8R8);
	Bytes got = readRGBA(*r);
	Bytes ref = decodePngRGBA(rgb);
	for (size_t i = 0; i < got.size(); i += 4)
	{
		EXPECT_EQ(got[i + 3], 255);
		ref[i + 3] = 255;
	}
	EXPECT_EQ(got, ref);
}

TEST(PngReader, StreamBehaviour)
{
	Bytes const file = makePng({16, 16, PNG_COLOR_TYPE_RGB_ALPHA, 8, false, false});

	// Streams that deliver a few bytes per call read the same.
	lang::Ptr<ImageReader> r = new ImageReader(new MemStream(file, "s.png", 3), io::FILEFORMAT_PNG);
	EXPECT_EQ(readRGBA(*r), decodePngRGBA(file));

	// A failing stream's own exception reaches the caller through libpng.
	try
	{
		ImageReader bad(new MemStream(file, "f.png", INT_MAX, static_cast<int>(file.size()) - 30), io::FILEFORMAT_PNG);
		FAIL() << "no exception";
	}
	catch (io::IOException const& e)
	{
		EXPECT_EQ(messageOf(e), "Read error in f.png");
	}

	// A truncated file is a short read, reported as such.
	std::string const cut = readError(Bytes(file.begin(), file.end() - 30), io::FILEFORMAT_PNG, "cut.png");
	EXPECT_EQ(cut.rfind("Failed to read ", 0), 0u) << cut;
	EXPECT_NE(cut.find("cut.png"), std::string::npos) << cut;

	Bytes notPng = file;
	notPng[1] = 'X';
	EXPECT_EQ(readError(notPng, io::FILEFORMAT_PNG, "n.png"), "png_check_sig failed while loading \"n.png\". File is not png?");

	// A damaged chunk is reported as a decoding failure naming the file.
	Bytes crc = file;
	crc[20] ^= 0x40;
	EXPECT_EQ(readError(crc, io::FILEFORMAT_PNG, "c.png").rfind("Failed to decode PNG c.png: ", 0), 0u);
}

// ---------------------------------------------------------------------------
// JPEG

TEST(JpegReader, MatchesPlainLibjpegDecode)
{
	int const w = 37, h = 19;
	Bytes const file = makeJpeg(gradientRGB(w, h), w, h);
	int rw = 0, rh = 0, comps = 0;
	Bytes const ref = decodeJpeg(file, &rw, &rh, &comps);

	lang::Ptr<ImageReader> r = openImage(file, io::FILEFORMAT_JPG, "t.jpg");
	ASSERT_EQ(r->surfaceWidth(), w);
	ASSERT_EQ(r->surfaceHeight(), h);
	EXPECT_EQ(r->format().type(), SurfaceFormat::SURFACE_B8G8R8);
	Bytes rgb(static_cast<size_t>(w) * h * 3);
	r->readSurface(rgb.data(), w * 3, w, h, SurfaceFormat::SURFACE_B8G8R8);
	EXPECT_EQ(rgb, ref);

	// Conversion on the way: A8R8G8B8 is stored as B, G, R, A; padded pitch.
	r = openImage(file, io::FILEFORMAT_JPG);
	int const pitch = w * 4 + 8;
	Bytes argb(static_cast<size_t>(pitch) * h);
	r->readSurface(argb.data(), pitch, w, h, SurfaceFormat::SURFACE_A8R8G8B8);
	for (int y = 0; y < h; y += 6)
		for (int x = 0; x < w; x += 5)
		{
			unsigned char const* p = &argb[static_cast<size_t>(y) * pitch + x * 4];
			unsigned char const* q = &ref[(static_cast<size_t>(y) * w + x) * 3];
			EXPECT_EQ(Bytes(p, p + 4), Bytes({q[2], q[1], q[0], 255}));
		}
}

TEST(JpegReader, Errors)
{
	Bytes const grey = makeJpeg(Bytes(64, 128), 8, 8, 1);
	EXPECT_EQ(readError(grey, io::FILEFORMAT_JPG, "g.jpg"), "Grayscale JPG (g.jpg) is not supported");
	EXPECT_EQ(readError(Bytes(), io::FILEFORMAT_JPG, "empty.jpg").rfind("Failed to decode JPG empty.jpg: ", 0), 0u);
	EXPECT_EQ(readError(Bytes(100, 7), io::FILEFORMAT_JPG, "junk.jpg").rfind("Failed to decode JPG junk.jpg: ", 0), 0u);

	Bytes const file = makeJpeg(gradientRGB(40, 40), 40, 40);
	EXPECT_EQ(readError(file, io::FILEFORMAT_JPG, "ok.jpg"), "");
	// A stream that ends before the end-of-image marker is truncated: an
	// error, not an image with made-up rows.
	for (size_t cut : {file.size() / 2, file.size() - 3, file.size() - 1})
	{
		SCOPED_TRACE(cut);
		EXPECT_EQ(readError(Bytes(file.begin(), file.begin() + cut), io::FILEFORMAT_JPG, "cut.jpg"),
			"Failed to decode JPG cut.jpg: Premature end of JPEG file");
	}
	try
	{
		lang::Ptr<ImageReader> r = new ImageReader(new MemStream(file, "f.jpg", 100, static_cast<int>(file.size() / 2)), io::FILEFORMAT_JPG);
		readRGBA(*r);
		FAIL() << "no exception";
	}
	catch (io::IOException const& e)
	{
		EXPECT_EQ(messageOf(e), "Read error in f.jpg");
	}

	// A reader dropped before its surface is read releases the decompressor.
	lang::Ptr<ImageReader> unread = openImage(file, io::FILEFORMAT_JPG);
	unread = nullptr;
}

// ---------------------------------------------------------------------------
// BMP

TEST(BmpReader, ReadsSupportedLayouts)
{
	using Case = LayoutCase<BmpSpec>;
	BmpSpec rgb24;
	rgb24.width = 3;
	rgb24.height = 2;
	rgb24.pixels = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18};
	Bytes const rgb24px = rgba({0x030201FF, 0x060504FF, 0x090807FF, 0x0C0B0AFF, 0x0F0E0DFF, 0x121110FF});
	BmpSpec topDown = rgb24;
	topDown.height = -2;
	BmpSpec core = rgb24;
	core.headerSize = 12;
	BmpSpec v64 = rgb24;
	v64.headerSize = 64;

	BmpSpec p4;
	p4.bpp = 4;
	p4.colorsUsed = 2;
	p4.palette = {10, 20, 30, 0, 40, 50, 60, 0};
	p4.pixels = {0x10};

	BmpSpec p8;
	p8.bpp = 8;
	p8.width = 2;
	for (int i = 0; i < 256; ++i)
		p8.palette.insert(p8.palette.end(), {static_cast<unsigned char>(i), static_cast<unsigned char>(255 - i), 7, 0});
	p8.pixels = {200, 3};

	BmpSpec r16;
	r16.bpp = 16;
	r16.pixels = {0x00, 0x7C};
	BmpSpec x32;
	x32.bpp = 32;
	x32.pixels = {1, 2, 3, 0};

	Case const cases[] = {
		{"24-bit bottom-up", rgb24, SurfaceFormat::SURFACE_R8G8B8, rgb24px},
		{"24-bit top-down", topDown, SurfaceFormat::SURFACE_R8G8B8, rgb24px},
		{"12-byte header", core, SurfaceFormat::SURFACE_R8G8B8, rgb24px},
		{"64-byte header", v64, SurfaceFormat::SURFACE_R8G8B8, rgb24px},
		{"4-bit", p4, SurfaceFormat::SURFACE_P4, rgba({0x3C3228FF})},
		{"8-bit, 256 colours", p8, SurfaceFormat::SURFACE_P8, rgba({0x0737C8FF, 0x07FC03FF})},
		{"16-bit", r16, SurfaceFormat::SURFACE_R5G5B5, rgba({0xFF0000FF})},
		{"32-bit", x32, SurfaceFormat::SURFACE_X8R8G8B8, rgba({0x030201FF})},
	};
	expectLayouts(cases, makeBmp, io::FILEFORMAT_BMP);

	// Stored-format reads copy whole rows without the padding.
	lang::Ptr<ImageReader> r = openImage(makeBmp(rgb24), io::FILEFORMAT_BMP);
	Bytes raw(18);
	r->readSurface(raw.data(), 9, 3, 2, SurfaceFormat::SURFACE_R8G8B8);
	EXPECT_EQ(raw, rgb24.pixels);
}

TEST(BmpReader, RefusesCorruptHeaders)
{
	BmpSpec const base = {.width = 2, .height = 2, .pixels = Bytes(12, 9)};
	auto with = changedFrom(base, makeBmp);
	auto patched = [&](size_t at, uint32_t v) {
		Bytes b = makeBmp(base);
		for (int i = 0; i < 4; ++i)
			b[at + i] = static_cast<unsigned char>(v >> (8 * i));
		return b;
	};
	Bytes truncated = makeBmp(base);
	truncated.erase(truncated.end() - 2, truncated.end());
	Bytes badId = makeBmp(base);
	badId[0] = 'X';

	ErrorCase const cases[] = {
		{badId, "BMP e.bmp header corrupted, id invalid"},
		{patched(14, 100), "BMP e.bmp header corrupted, header wrong size"},
		{patched(14, 8), "BMP e.bmp header corrupted, header wrong size"},
		{with([](BmpSpec& s) { s.headerSize = 52; }), "BMP e.bmp header corrupted, invalid compression (0)"},
		{with([](BmpSpec& s) { s.bpp = 1; }), "BMP e.bmp header corrupted, invalid bits per pixel (1)"},
		{with([](BmpSpec& s) { s.headerSize = 12; s.bpp = 16; }), "BMP e.bmp header corrupted, invalid bits per pixel (16)"},
		{with([](BmpSpec& s) { s.planes = 2; }), "BMP e.bmp header corrupted, invalid planes (2)"},
		{with([](BmpSpec& s) { s.compression = 1; }), "BMP e.bmp header corrupted, invalid compression (1)"},
		{with([](BmpSpec& s) { s.bpp = 8; s.colorsUsed = 300; }), "BMP e.bmp header corrupted, invalid no of used colors (300)"},
		{with([](BmpSpec& s) { s.width = 0; }), "BMP e.bmp header corrupted, invalid size (0x2)"},
		{patched(18, static_cast<uint32_t>(-3)), "BMP e.bmp header corrupted, invalid size (-3x2)"},
		{patched(10, 0x7FFFFFF0), "BMP e.bmp header corrupted, invalid data offset (2147483632)"},
		{patched(10, 20), "BMP e.bmp header corrupted, invalid data offset (20)"},
		{patched(18, 0x40000000), "Invalid image size (1073741824x2) in e.bmp"},
		{truncated, "BMP e.bmp header corrupted, pixel data exceeds the file"},
		{Bytes(truncated.begin(), truncated.begin() + 20), "Failed to read 36 bytes from e.bmp"},
	};
	expectErrors(cases, io::FILEFORMAT_BMP, "e.bmp");
}

// ---------------------------------------------------------------------------
// TGA

TEST(TgaReader, ReadsSupportedLayouts)
{
	using Case = LayoutCase<TgaSpec>;
	TgaSpec bottomUp;
	bottomUp.width = 2;
	bottomUp.height = 2;
	bottomUp.data = {7, 8, 9, 10, 11, 12, 1, 2, 3, 4, 5, 6}; // last row first
	TgaSpec topDown = bottomUp;
	topDown.descriptor = 0x20;
	topDown.data = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
	Bytes const rgbpx = rgba({0x030201FF, 0x060504FF, 0x090807FF, 0x0C0B0AFF});

	// A run that overshoots row 0 is cut at the row end; a raw packet that
	// overshoots row 1 is read to its end and the extra pixel dropped.
	TgaSpec rle;
	rle.imageType = 10;
	rle.width = 3;
	rle.height = 2;
	rle.bpp = 32;
	rle.descriptor = 0x20;
	rle.data = {0x84, 1, 2, 3, 4, 0x03, 10, 11, 12, 13, 20, 21, 22, 23, 30, 31, 32, 33, 40, 41, 42, 43};
	Bytes const rlepx = rgba({0x03020104, 0x03020104, 0x03020104, 0x0C0B0A0D, 0x16151417, 0x201F1E21});

	TgaSpec mapped;
	mapped.imageType = 1;
	mapped.colorMapType = 1;
	mapped.colorMapLength = 3;
	mapped.colorMapEntryBits = 24;
	mapped.colorMap = {1, 2, 3, 4, 5, 6, 7, 8, 9};
	mapped.width = 2;
	mapped.bpp = 8;
	mapped.descriptor = 0x20;
	mapped.id = {'h', 'i'};
	mapped.data = {2, 0};
	TgaSpec mappedRle = mapped;
	mappedRle.imageType = 9;
	mappedRle.colorMapEntryBits = 32;
	mappedRle.colorMap = {1, 2, 3, 0, 4, 5, 6, 0, 7, 8, 9, 0};
	mappedRle.data = {0x01, 2, 0};
	Bytes const mappx = rgba({0x090807FF, 0x030201FF});

	TgaSpec grey;
	grey.imageType = 3;
	grey.width = 2;
	grey.bpp = 8;
	grey.data = {10, 200};

	TgaSpec r16;
	r16.bpp = 16;
	r16.data = {0x00, 0x7C};

	Case const cases[] = {
		{"24-bit bottom-up", bottomUp, SurfaceFormat::SURFACE_R8G8B8, rgbpx},
		{"24-bit top-down", topDown, SurfaceFormat::SURFACE_R8G8B8, rgbpx},
		{"32-bit run-length", rle, SurfaceFormat::SURFACE_A8R8G8B8, rlepx},
		{"colour-mapped", mapped, SurfaceFormat::SURFACE_P8, mappx},
		{"colour-mapped run-length", mappedRle, SurfaceFormat::SURFACE_P8, mappx},
		{"grey", grey, SurfaceFormat::SURFACE_L8, rgba({0x0A0A0AFF, 0xC8C8C8FF})},
		{"16-bit", r16, SurfaceFormat::SURFACE_R5G5B5, rgba({0xFF0000FF})},
	};
	expectLayouts(cases, makeTga, io::FILEFORMAT_TGA);
}

TEST(TgaReader, RefusesBadHeaders)
{
	TgaSpec const base = {.width = 2, .height = 1, .data = Bytes(6, 1)};
	auto with = changedFrom(base, makeTga);
	ErrorCase const cases[] = {
		{with([](TgaSpec& s) { s.bpp = 4; }), "Invalid bits per pixel in e.tga"},
		{with([](TgaSpec& s) { s.bpp = 40; }), "Invalid bits per pixel in e.tga"},
		{with([](TgaSpec& s) { s.bpp = 0; }), "Invalid bits per pixel in e.tga"},
		{with([](TgaSpec& s) { s.descriptor = 0x40; }), "Invalid bits per pixel in e.tga"},
		{with([](TgaSpec& s) { s.colorMapType = 2; }), "Invalid bits per pixel in e.tga"},
		{with([](TgaSpec& s) { s.imageType = 10; s.bpp = 0; }), "RLE Targa (e.tga) not supported with 4-bit images"},
		{with([](TgaSpec& s) { s.colorMapType = 1; s.colorMapLength = 300; s.colorMapEntryBits = 24; }), "Invalid color map length in e.tga"},
		{with([](TgaSpec& s) { s.colorMapType = 1; s.colorMapLength = 2; s.colorMapFirst = 1; s.colorMapEntryBits = 24; }), "Invalid color map length in e.tga"},
		{with([](TgaSpec& s) { s.colorMapType = 1; s.colorMapLength = 2; s.colorMapEntryBits = 16; }), "Invalid color map entry size in e.tga"},
		{with([](TgaSpec& s) { s.colorMapType = 1; }), "Invalid color map type in e.tga"},
		{with([](TgaSpec& s) { s.width = 0; }), "Invalid image size (0x1) in e.tga"},
		{with([](TgaSpec& s) { s.data.pop_back(); }), "Failed to read 6 bytes from e.tga"},
		{with([](TgaSpec& s) { s.imageType = 10; s.data = {0x01, 1, 2, 3}; }), "Failed to read 6 bytes from e.tga"},
	};
	expectErrors(cases, io::FILEFORMAT_TGA, "e.tga");
}

// ---------------------------------------------------------------------------
// PVR

TEST(PvrReader, LegacyMipChainAndFaces)
{
	// 64x32 RGBA 8888 with three extra levels.
	size_t const sizes[] = {64 * 32 * 4, 32 * 16 * 4, 16 * 8 * 4, 8 * 4 * 4};
	Bytes const data = pattern(sizes[0] + sizes[1] + sizes[2] + sizes[3]);
	lang::Ptr<ImageReader> r = openImage(makePvrLegacy(64, 32, 3, 0x12, 32, 1, data), io::FILEFORMAT_PVR);
	EXPECT_EQ(r->mipLevels(), 4);
	EXPECT_EQ(r->format().type(), SurfaceFormat::SURFACE_A8B8G8R8);
	size_t at = 0;
	for (int m = 0; m < 4; ++m)
	{
		EXPECT_EQ(r->surfaceWidth(), 64 >> m);
		EXPECT_EQ(r->surfaceHeight(), 32 >> m);
		EXPECT_EQ(readRGBA(*r), Bytes(data.begin() + at, data.begin() + at + sizes[m]));
		at += sizes[m];
	}

	// Two faces of two levels: face-major slot order.
	Bytes const faces = pattern(4 + 1 + 4 + 1, 3);
	r = openImage(makePvrLegacy(2, 2, 1, 0x16, 8, 2, faces), io::FILEFORMAT_PVR);
	int const expectedWidths[] = {2, 1, 2, 1};
	size_t pos = 0;
	for (int s = 0; s < 4; ++s)
	{
		int const w = r->surfaceWidth();
		ASSERT_EQ(w, expectedWidths[s]);
		Bytes l8(static_cast<size_t>(w) * w);
		r->readSurface(l8.data(), w, w, w, SurfaceFormat::SURFACE_L8);
		EXPECT_EQ(l8, Bytes(faces.begin() + pos, faces.begin() + pos + l8.size()));
		pos += l8.size();
	}
}

TEST(PvrReader, Version3Formats)
{
	auto fourcc = [](char a, char b, char c, char d) {
		return static_cast<uint32_t>(static_cast<unsigned char>(a)) | static_cast<uint32_t>(static_cast<unsigned char>(b)) << 8 |
			static_cast<uint32_t>(static_cast<unsigned char>(c)) << 16 | static_cast<uint32_t>(static_cast<unsigned char>(d)) << 24;
	};
	struct Case
	{
		uint32_t high;
		uint32_t low;
		SurfaceFormat::SurfaceFormatType fmt;
	};
	Case const cases[] = {
		{0x08080808, fourcc('r', 'g', 'b', 'a'), SurfaceFormat::SURFACE_A8B8G8R8},
		{0x08080808, fourcc('b', 'g', 'r', 'a'), SurfaceFormat::SURFACE_A8R8G8B8},
		{0x00050605, fourcc('r', 'g', 'b', 0), SurfaceFormat::SURFACE_R5G6B5},
		{0x00000808, fourcc('l', 'a', 0, 0), SurfaceFormat::SURFACE_A8L8},
		{0x00000008, fourcc('a', 0, 0, 0), SurfaceFormat::SURFACE_A8},
		{0, 7, SurfaceFormat::SURFACE_DXT1},
		{0, 6, SurfaceFormat::SURFACE_ETC1_RGB_4BPP},
	};
	for (Case const& c : cases)
	{
		Pvr3Spec s;
		s.formatHigh = c.high;
		s.formatLow = c.low;
		s.data = Bytes(64, 0);
		lang::Ptr<ImageReader> r = openImage(makePvr3(s), io::FILEFORMAT_PVR);
		EXPECT_EQ(r->format().type(), c.fmt) << c.low;
	}

	// PVRTC 4 bpp at 4x4 stores 32 bytes, copied as they are into the same format.
	Pvr3Spec pvrtc;
	pvrtc.formatLow = 2;
	pvrtc.meta = Bytes(12, 0xEE);
	pvrtc.data = pattern(32, 5);
	lang::Ptr<ImageReader> r = openImage(makePvr3(pvrtc), io::FILEFORMAT_PVR);
	EXPECT_EQ(r->format().type(), SurfaceFormat::SURFACE_RGB_PVRTC_GL_4BPP);
	Bytes same(32);
	r->readSurface(same.data(), 0, 4, 4, SurfaceFormat::SURFACE_RGB_PVRTC_GL_4BPP);
	EXPECT_EQ(same, pvrtc.data);
	r = openImage(makePvr3(pvrtc), io::FILEFORMAT_PVR);
	Bytes decoded = readRGBA(*r);
	EXPECT_EQ(decoded.size(), 64u);

	// Luminance with two levels after a metadata block.
	Pvr3Spec lum;
	lum.formatHigh = 0x00000008;
	lum.formatLow = 'l';
	lum.width = 4;
	lum.height = 2;
	lum.mips = 2;
	lum.meta = Bytes(5, 1);
	lum.data = pattern(8 + 2, 9);
	r = openImage(makePvr3(lum), io::FILEFORMAT_PVR);
	EXPECT_EQ(r->mipLevels(), 2);
	Bytes l0(8), l1(2);
	r->readSurface(l0.data(), 4, 4, 2, SurfaceFormat::SURFACE_L8);
	ASSERT_EQ(r->surfaceWidth(), 2);
	ASSERT_EQ(r->surfaceHeight(), 1);
	r->readSurface(l1.data(), 2, 2, 1, SurfaceFormat::SURFACE_L8);
	EXPECT_EQ(l0, Bytes(lum.data.begin(), lum.data.begin() + 8));
	EXPECT_EQ(l1, Bytes(lum.data.begin() + 8, lum.data.end()));
}

TEST(PvrReader, RefusesBadHeaders)
{
	auto v3 = changedFrom(Pvr3Spec{.formatLow = 'l', .formatHigh = 0x00000008, .data = Bytes(16, 1)}, makePvr3);
	Bytes const l8 = Bytes(16, 1);
	ErrorCase const cases[] = {
		{makePvrLegacy(4, 4, 0, 0x16, 8, 1, l8, 51), "PVR e.pvr header corrupted, header wrong size (51)"},
		{makePvrLegacy(4, 4, 0, 0x99, 8, 1, l8), "Unsupported surface format 153 while reading PVR texture: e.pvr"},
		{makePvrLegacy(4, 4, 40, 0x16, 8, 1, l8), "PVR e.pvr header corrupted, invalid mip map count (41)"},
		{makePvrLegacy(4, 4, 0, 0x16, 8, 0, l8), "PVR e.pvr header corrupted, invalid number of surfaces (0)"},
		{makePvrLegacy(4, 4, 0, 0x16, 8, 100, l8), "PVR e.pvr header corrupted, invalid number of surfaces (100)"},
		{makePvrLegacy(2, 2, 0, 0x1016, 8, 2, l8), "PVR e.pvr header corrupted, cube map with 2 faces"},
		{makePvrLegacy(4, 4, 0, 0x16, 8, 1, Bytes(15, 1)), "Failed to read 16 bytes from e.pvr"},
		{makePvrLegacy(0, 4, 0, 0x16, 8, 1, l8), "Invalid image size (0x4) in e.pvr"},
		{v3([](Pvr3Spec& s) { s.formatHigh = 0; s.formatLow = 5; }), "Unsupported surface format 5 while reading PVR texture: e.pvr"},
		{v3([](Pvr3Spec& s) { s.formatHigh = 0x10; }), "Unsupported PVR pixel format 0x10 0x6c while reading PVR texture: e.pvr"},
		{v3([](Pvr3Spec& s) { s.faces = 6; }), "PVR e.pvr not supported: 1 surfaces, 6 faces, depth 1"},
		{v3([](Pvr3Spec& s) { s.surfaces = 2; }), "PVR e.pvr not supported: 2 surfaces, 1 faces, depth 1"},
		{v3([](Pvr3Spec& s) { s.depth = 4; }), "PVR e.pvr not supported: 1 surfaces, 1 faces, depth 4"},
		{v3([](Pvr3Spec& s) { s.mips = 0; }), "PVR e.pvr header corrupted, invalid mip map count (0)"},
		{v3([](Pvr3Spec& s) { s.mips = 33; }), "PVR e.pvr header corrupted, invalid mip map count (33)"},
		{v3([](Pvr3Spec& s) { s.mips = 3; }), "Failed to read 21 bytes from e.pvr"},
		{v3([](Pvr3Spec& s) { s.width = 0xFFFFFFFF; }), "Invalid image size (4294967295x4) in e.pvr"},
		{v3([](Pvr3Spec& s) { s.width = 0xFFFFFFFF; s.height = 0xFFFFFFFF; }), "Invalid image size (4294967295x4294967295) in e.pvr"},
		{v3([](Pvr3Spec& s) { s.meta = Bytes(4); s.data.clear(); }), "Failed to read 16 bytes from e.pvr"},
	};
	expectErrors(cases, io::FILEFORMAT_PVR, "e.pvr");
}
