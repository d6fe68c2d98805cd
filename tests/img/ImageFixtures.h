#pragma once

// Test streams, byte builders for BMP, TGA and PVR files, and PNG and JPEG
// files made and decoded with libpng and libjpeg themselves.

#include <img/ImageReader.h>
#include <io/IOException.h>
#include <io/OutputStream.h>
#include <lang/Format.h>
#include <algorithm>
#include <climits>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>
#include <jpeglib.h>
#include <png.h>

namespace imgtest
{

using Bytes = std::vector<unsigned char>;

/**
 * Named input stream over bytes held elsewhere, which must outlive it; may
 * deliver short chunks or fail after a given offset.
 */
class ViewStream : public io::InputStream
{
public:
	explicit ViewStream(Bytes const& data, std::string name = "mem.img", int chunk = INT_MAX, int failAt = -1) :
		io::InputStream(lang::Ptr<io::InputStream>()), m_data(data), m_name(std::move(name)), m_chunk(chunk), m_failAt(failAt)
	{
	}

	int read(void* buf, int size) override
	{
		if (m_failAt >= 0 && m_pos >= m_failAt)
			lang::throwError(io::IOException(lang::Format("Read error in {0}", m_name)));
		int const end = m_failAt >= 0 ? std::min(m_failAt, static_cast<int>(m_data.size())) : static_cast<int>(m_data.size());
		int n = std::min({size, m_chunk, end - m_pos});
		if (n <= 0)
			return 0;
		std::memcpy(buf, m_data.data() + m_pos, n);
		m_pos += n;
		return n;
	}

	int skip(int n) override
	{
		n = std::clamp(n, 0, available());
		m_pos += n;
		return n;
	}

	bool seek(int, SeekMode) override { return false; }
	int available() const override { return static_cast<int>(m_data.size()) - m_pos; }
	std::string toString() const override { return m_name; }

private:
	Bytes const& m_data;
	std::string m_name;
	int m_chunk;
	int m_failAt;
	int m_pos = 0;
};

namespace detail
{

/** Holds the bytes of a MemStream; a base so that they are made before the ViewStream over them. */
struct OwnedBytes
{
	Bytes owned;
};

} // detail

/** ViewStream over its own copy of the bytes. */
class MemStream : private detail::OwnedBytes, public ViewStream
{
public:
	explicit MemStream(Bytes data, std::string name = "mem.img", int chunk = INT_MAX, int failAt = -1) :
		detail::OwnedBytes{std::move(data)}, ViewStream(owned, std::move(name), chunk, failAt)
	{
	}
};

/** Output stream that records each write; may throw once a byte limit is passed. */
class RecordingStream : public io::OutputStream
{
public:
	explicit RecordingStream(long failAfter = -1) : io::OutputStream(lang::Ptr<io::OutputStream>()), m_failAfter(failAfter) {}

	void write(void const* data, int size) override
	{
		if (m_failAfter >= 0 && static_cast<long>(bytes.size()) + size > m_failAfter)
			lang::throwError(io::IOException(lang::Format("Disk full writing {0}", toString())));
		writes.push_back(size);
		bytes.insert(bytes.end(), static_cast<unsigned char const*>(data), static_cast<unsigned char const*>(data) + size);
	}

	std::string toString() const override { return "out.img"; }

	Bytes bytes;
	std::vector<int> writes;

private:
	long m_failAfter;
};

/** Text of an exception's message. */
inline std::string messageOf(lang::Throwable const& e)
{
	return e.getMessage().format();
}

/** Little-endian byte builder. */
struct Builder
{
	Bytes b;
	Builder& u8(unsigned v) { b.push_back(static_cast<unsigned char>(v)); return *this; }
	Builder& u16(unsigned v) { return u8(v & 0xFF).u8((v >> 8) & 0xFF); }
	Builder& u32(uint32_t v) { return u16(v & 0xFFFF).u16(v >> 16); }
	Builder& bytes(Bytes const& v) { b.insert(b.end(), v.begin(), v.end()); return *this; }
	Builder& zeros(size_t n) { b.insert(b.end(), n, 0); return *this; }
};

/** Reader over a named memory stream. */
inline lang::Ptr<img::ImageReader> openImage(Bytes const& data, io::FileFormat fmt, std::string const& name = "mem.img")
{
	return new img::ImageReader(new MemStream(data, name), fmt);
}

/** Reads the next surface as rows of R, G, B, A bytes. */
inline Bytes readRGBA(img::ImageReader& r)
{
	int const w = r.surfaceWidth();
	int const h = r.surfaceHeight();
	Bytes out(static_cast<size_t>(w) * h * 4, 0xCD);
	r.readSurface(out.data(), w * 4, w, h, gr::SurfaceFormat::SURFACE_A8B8G8R8);
	return out;
}

// ---------------------------------------------------------------------------
// BMP

struct BmpSpec
{
	int headerSize = 40;
	int width = 1;
	int height = 1; // negative: rows stored top row first
	int bpp = 24;
	int planes = 1;
	int compression = 0;
	int colorsUsed = 0;
	Bytes palette{};   // file entries as stored (3 or 4 bytes each)
	Bytes pixels{};    // rows top row first, without padding
	long dataOffsetDelta = 0;
};

inline Bytes makeBmp(BmpSpec const& s)
{
	int const rowBytes = (s.width * s.bpp + 7) / 8;
	int const pitch = (rowBytes + 3) & ~3;
	int const rows = std::abs(s.height);
	uint32_t const dataOffset = static_cast<uint32_t>(14 + s.headerSize + s.palette.size() + s.dataOffsetDelta);
	Builder b;
	b.u8('B').u8('M').u32(static_cast<uint32_t>(dataOffset + pitch * rows)).u32(0).u32(dataOffset);
	b.u32(static_cast<uint32_t>(s.headerSize));
	if (s.headerSize == 12)
		b.u16(static_cast<unsigned>(s.width)).u16(static_cast<unsigned>(s.height)).u16(1).u16(static_cast<unsigned>(s.bpp));
	else
	{
		b.u32(static_cast<uint32_t>(s.width)).u32(static_cast<uint32_t>(s.height)).u16(static_cast<unsigned>(s.planes)).u16(static_cast<unsigned>(s.bpp));
		b.u32(static_cast<uint32_t>(s.compression)).u32(static_cast<uint32_t>(pitch * rows)).u32(2835).u32(2835);
		b.u32(static_cast<uint32_t>(s.colorsUsed)).u32(0);
		b.zeros(static_cast<size_t>(std::max(0, s.headerSize - 40)));
	}
	b.bytes(s.palette);
	b.zeros(static_cast<size_t>(std::max(0L, s.dataOffsetDelta)));
	for (int i = 0; i < rows; ++i)
	{
		int const y = s.height > 0 ? rows - 1 - i : i;
		Bytes row(pitch, 0);
		if (!s.pixels.empty())
			std::copy_n(s.pixels.begin() + static_cast<long>(y) * rowBytes, rowBytes, row.begin());
		b.bytes(row);
	}
	return b.b;
}

// ---------------------------------------------------------------------------
// TGA

struct TgaSpec
{
	int imageType = 2;
	int colorMapType = 0;
	int colorMapFirst = 0;
	int colorMapLength = 0;
	int colorMapEntryBits = 0;
	int width = 1;
	int height = 1;
	int bpp = 24;
	int descriptor = 0;
	Bytes id{};
	Bytes colorMap{};
	Bytes data{}; // stored pixel data (raw or packets)
};

inline Bytes makeTga(TgaSpec const& s)
{
	Builder b;
	b.u8(static_cast<unsigned>(s.id.size())).u8(static_cast<unsigned>(s.colorMapType)).u8(static_cast<unsigned>(s.imageType));
	b.u16(static_cast<unsigned>(s.colorMapFirst)).u16(static_cast<unsigned>(s.colorMapLength)).u8(static_cast<unsigned>(s.colorMapEntryBits));
	b.u16(0).u16(0).u16(static_cast<unsigned>(s.width)).u16(static_cast<unsigned>(s.height));
	b.u8(static_cast<unsigned>(s.bpp)).u8(static_cast<unsigned>(s.descriptor));
	b.bytes(s.id).bytes(s.colorMap).bytes(s.data);
	return b.b;
}

// ---------------------------------------------------------------------------
// PVR

inline Bytes makePvrLegacy(int w, int h, int extraMips, uint32_t flags, int bpp, int surfaces, Bytes const& data, uint32_t headerSize = 52)
{
	Builder b;
	b.u32(headerSize).u32(static_cast<uint32_t>(h)).u32(static_cast<uint32_t>(w)).u32(static_cast<uint32_t>(extraMips)).u32(flags);
	b.u32(static_cast<uint32_t>(data.size())).u32(static_cast<uint32_t>(bpp));
	b.u32(0xFF).u32(0xFF00).u32(0xFF0000).u32(0xFF000000).u8('P').u8('V').u8('R').u8('!');
	b.u32(static_cast<uint32_t>(surfaces));
	b.bytes(data);
	return b.b;
}

struct Pvr3Spec
{
	uint32_t formatLow = 0;
	uint32_t formatHigh = 0;
	uint32_t width = 4;
	uint32_t height = 4;
	uint32_t depth = 1;
	uint32_t surfaces = 1;
	uint32_t faces = 1;
	uint32_t mips = 1;
	Bytes meta{};
	Bytes data{};
};

inline Bytes makePvr3(Pvr3Spec const& s)
{
	Builder b;
	b.u32(0x03525650).u32(0).u32(s.formatLow).u32(s.formatHigh).u32(0).u32(0);
	b.u32(s.height).u32(s.width).u32(s.depth).u32(s.surfaces).u32(s.faces).u32(s.mips);
	b.u32(static_cast<uint32_t>(s.meta.size())).bytes(s.meta).bytes(s.data);
	return b.b;
}

/** Deterministic byte pattern. */
inline Bytes pattern(size_t n, unsigned seed = 1)
{
	Bytes v(n);
	uint32_t x = seed * 2654435761u + 12345;
	for (auto& c : v)
	{
		x = x * 1103515245u + 12345u;
		c = static_cast<unsigned char>(x >> 16);
	}
	return v;
}

// ---------------------------------------------------------------------------
// PNG through libpng

struct PngSpec
{
	int width = 7;
	int height = 5;
	int colorType = PNG_COLOR_TYPE_RGB;
	int bitDepth = 8;
	bool interlace = false;
	bool trns = false;
};

namespace detail
{

inline void pngToVector(png_structp png, png_bytep data, size_t n)
{
	Bytes* out = static_cast<Bytes*>(png_get_io_ptr(png));
	out->insert(out->end(), data, data + n);
}

inline void pngNoFlush(png_structp) {}

// Holds setjmp; the rows and output live in the caller.
inline bool pngWrite(png_structp png, png_infop info, PngSpec const& s, png_bytepp rows, Bytes* out)
{
	if (setjmp(png_jmpbuf(png)))
		return false;
	png_set_write_fn(png, out, pngToVector, pngNoFlush);
	png_set_IHDR(png, info, s.width, s.height, s.bitDepth, s.colorType,
		s.interlace ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
	int const levels = 1 << std::min(s.bitDepth, 8);
	if (s.colorType == PNG_COLOR_TYPE_PALETTE)
	{
		png_color pal[256];
		png_byte alpha[256];
		for (int i = 0; i < levels; ++i)
		{
			pal[i].red = static_cast<png_byte>(i * 37);
			pal[i].green = static_cast<png_byte>(255 - i * 11);
			pal[i].blue = static_cast<png_byte>(i * 5 + 9);
			alpha[i] = static_cast<png_byte>(255 - i * 17);
		}
		png_set_PLTE(png, info, pal, levels);
		if (s.trns)
			png_set_tRNS(png, info, alpha, std::min(levels, 6), nullptr);
	}
	else if (s.trns)
	{
		png_color_16 c = {};
		c.gray = 1;
		c.red = 2;
		c.green = 3;
		c.blue = 4;
		png_set_tRNS(png, info, nullptr, 0, &c);
	}
	png_write_info(png, info);
	png_write_image(png, rows);
	png_write_end(png, info);
	return true;
}

} // detail

/** Encodes rows laid out as the spec says; level is zlib's compression level, -1 for libpng's default. */
inline Bytes encodePng(PngSpec const& s, std::vector<Bytes>& rows, int level = -1)
{
	std::vector<png_bytep> ptrs;
	for (auto& r : rows)
		ptrs.push_back(r.data());
	Bytes out;
	png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
	png_infop info = png_create_info_struct(png);
	if (level >= 0)
		png_set_compression_level(png, level);
	bool const ok = detail::pngWrite(png, info, s, ptrs.data(), &out);
	png_destroy_write_struct(&png, &info);
	if (!ok)
		throw std::runtime_error("PNG fixture failed");
	return out;
}

/** A PNG of the given kind with a pixel pattern; samples of 16-bit images are multiples of 257. */
inline Bytes makePng(PngSpec const& s)
{
	int channels = 1;
	if (s.colorType == PNG_COLOR_TYPE_RGB)
		channels = 3;
	else if (s.colorType == PNG_COLOR_TYPE_RGB_ALPHA)
		channels = 4;
	else if (s.colorType == PNG_COLOR_TYPE_GRAY_ALPHA)
		channels = 2;
	int const rowBytes = (s.width * channels * s.bitDepth + 7) / 8;
	std::vector<Bytes> rows(s.height, Bytes(rowBytes, 0));
	unsigned const maxSample = s.bitDepth >= 8 ? 255 : (1u << s.bitDepth) - 1;
	for (int y = 0; y < s.height; ++y)
	{
		for (int x = 0; x < s.width; ++x)
		{
			for (int c = 0; c < channels; ++c)
			{
				unsigned v = (x * 37 + y * 91 + c * 53 + x * y * 7) & 255;
				if (s.colorType == PNG_COLOR_TYPE_RGB_ALPHA && c == 3 && x == 0)
					v = 0;
				int const i = x * channels + c;
				if (s.bitDepth == 16)
				{
					rows[y][i * 2] = static_cast<unsigned char>(v);
					rows[y][i * 2 + 1] = static_cast<unsigned char>(v);
				}
				else if (s.bitDepth == 8)
					rows[y][i] = static_cast<unsigned char>(v);
				else
				{
					unsigned const sample = v % (maxSample + 1);
					int const bit = i * s.bitDepth;
					rows[y][bit / 8] |= static_cast<unsigned char>(sample << (8 - s.bitDepth - bit % 8));
				}
			}
		}
	}
	return encodePng(s, rows);
}

/** The PNG chunk checksum (CRC-32) of b from index from on. */
inline uint32_t pngCrc32(Bytes const& b, size_t from)
{
	uint32_t c = 0xFFFFFFFFu;
	for (size_t i = from; i < b.size(); ++i)
	{
		c ^= b[i];
		for (int k = 0; k < 8; ++k)
			c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1)));
	}
	return c ^ 0xFFFFFFFFu;
}

/** Appends v big-endian. */
inline void putBE32(Bytes& b, uint32_t v)
{
	for (int s = 24; s >= 0; s -= 8)
		b.push_back(static_cast<unsigned char>(v >> s));
}

/** Appends a PNG chunk of the type with data and its valid checksum. */
inline void pngChunk(Bytes& file, char const* type, Bytes const& data)
{
	putBE32(file, static_cast<uint32_t>(data.size()));
	size_t const start = file.size();
	file.insert(file.end(), type, type + 4);
	file.insert(file.end(), data.begin(), data.end());
	putBE32(file, pngCrc32(file, start));
}

/** Bytes of text (without its terminating zero). */
inline Bytes textBytes(char const* text)
{
	return Bytes(text, text + std::strlen(text));
}

/**
 * The file made by makePng(s) with one small, well-formed chunk of each
 * ancillary kind that carries variable-length data (tEXt, zTXt, iTXt, iCCP,
 * sPLT, eXIf) and a private one the library does not know, placed between
 * IHDR and the image data.
 */
inline Bytes makePngWithAncillaryChunks(PngSpec const& s)
{
	Bytes const plain = makePng(s);
	size_t const afterHeader = 8 + 25;
	Bytes chunks;
	auto with = [](char const* head, size_t headLength, Bytes const& tail) {
		Bytes b(head, head + headLength);
		b.insert(b.end(), tail.begin(), tail.end());
		return b;
	};
	// Compressed fields hold a stored deflate block of "hello".
	Bytes const deflated = {0x78, 0x01, 0x01, 0x05, 0x00, 0xFA, 0xFF, 'h', 'e', 'l', 'l', 'o', 0x06, 0x2C, 0x02, 0x15};
	pngChunk(chunks, "tEXt", with("Title\0", 6, textBytes("a picture")));
	pngChunk(chunks, "zTXt", with("Comment\0\0", 9, deflated));
	pngChunk(chunks, "iTXt", with("Author\0\0\0en\0\0", 13, textBytes("someone")));
	pngChunk(chunks, "iCCP", with("icc\0\0", 5, deflated));
	pngChunk(chunks, "sPLT", with("pal\0\x08", 5, {1, 2, 3, 4, 0, 1, 5, 6, 7, 8, 0, 2}));
	pngChunk(chunks, "eXIf", with("MM\0*", 4, {0, 0, 0, 8, 0, 0}));
	pngChunk(chunks, "prVt", textBytes("private data"));
	Bytes file(plain.begin(), plain.begin() + afterHeader);
	file.insert(file.end(), chunks.begin(), chunks.end());
	file.insert(file.end(), plain.begin() + afterHeader, plain.end());
	return file;
}

/** Decodes a PNG with libpng's simplified API into R, G, B, A rows. */
inline Bytes decodePngRGBA(Bytes const& data, int* width = nullptr, int* height = nullptr, bool* alpha = nullptr)
{
	png_image image;
	std::memset(&image, 0, sizeof(image));
	image.version = PNG_IMAGE_VERSION;
	if (!png_image_begin_read_from_memory(&image, data.data(), data.size()))
		throw std::runtime_error(image.message);
	if (alpha)
		*alpha = (image.format & PNG_FORMAT_FLAG_ALPHA) != 0;
	image.flags |= PNG_IMAGE_FLAG_16BIT_sRGB;
	image.format = PNG_FORMAT_RGBA;
	Bytes out(PNG_IMAGE_SIZE(image));
	if (!png_image_finish_read(&image, nullptr, out.data(), 0, nullptr))
		throw std::runtime_error(image.message);
	if (width)
		*width = static_cast<int>(image.width);
	if (height)
		*height = static_cast<int>(image.height);
	return out;
}

// ---------------------------------------------------------------------------
// JPEG through libjpeg

namespace detail
{

struct JpegErr
{
	jpeg_error_mgr pub;
	std::jmp_buf jump;
};

inline void jpegErrExit(j_common_ptr cinfo)
{
	std::longjmp(reinterpret_cast<JpegErr*>(cinfo->err)->jump, 1);
}

// Hold setjmp; buffers live in the callers.
inline bool jpegCompress(jpeg_compress_struct* c, JpegErr* err, unsigned char const* pixels, int w, int h, int comps,
	bool progressive, unsigned char** out, unsigned long* size)
{
	c->err = jpeg_std_error(&err->pub);
	err->pub.error_exit = jpegErrExit;
	if (setjmp(err->jump))
		return false;
	jpeg_create_compress(c);
	jpeg_mem_dest(c, out, size);
	c->image_width = static_cast<JDIMENSION>(w);
	c->image_height = static_cast<JDIMENSION>(h);
	c->input_components = comps;
	c->in_color_space = comps == 3 ? JCS_RGB : JCS_GRAYSCALE;
	jpeg_set_defaults(c);
	jpeg_set_quality(c, 90, TRUE);
	if (progressive)
		jpeg_simple_progression(c);
	jpeg_start_compress(c, TRUE);
	while (c->next_scanline < c->image_height)
	{
		JSAMPROW row = const_cast<unsigned char*>(pixels) + static_cast<size_t>(c->next_scanline) * w * comps;
		jpeg_write_scanlines(c, &row, 1);
	}
	jpeg_finish_compress(c);
	return true;
}

inline bool jpegDecompress(jpeg_decompress_struct* d, JpegErr* err, Bytes const& data, Bytes* out, int* w, int* h, int* comps)
{
	d->err = jpeg_std_error(&err->pub);
	err->pub.error_exit = jpegErrExit;
	if (setjmp(err->jump))
		return false;
	jpeg_create_decompress(d);
	jpeg_mem_src(d, data.data(), data.size());
	jpeg_read_header(d, TRUE);
	jpeg_start_decompress(d);
	*w = static_cast<int>(d->output_width);
	*h = static_cast<int>(d->output_height);
	*comps = d->output_components;
	out->resize(static_cast<size_t>(*w) * *h * *comps);
	while (d->output_scanline < d->output_height)
	{
		JSAMPROW row = out->data() + static_cast<size_t>(d->output_scanline) * *w * *comps;
		jpeg_read_scanlines(d, &row, 1);
	}
	jpeg_finish_decompress(d);
	return true;
}

} // detail

/** Encodes rows of RGB (comps 3) or grey (comps 1) samples as a JPEG of quality 90, sequential or progressive. */
inline Bytes makeJpeg(Bytes const& pixels, int w, int h, int comps = 3, bool progressive = false)
{
	jpeg_compress_struct c = {};
	detail::JpegErr err;
	unsigned char* mem = nullptr;
	unsigned long size = 0;
	bool const ok = detail::jpegCompress(&c, &err, pixels.data(), w, h, comps, progressive, &mem, &size);
	jpeg_destroy_compress(&c);
	Bytes out;
	if (ok)
		out.assign(mem, mem + size);
	std::free(mem);
	if (!ok)
		throw std::runtime_error("JPEG fixture failed");
	return out;
}

/** Plain libjpeg decode with default settings. */
inline Bytes decodeJpeg(Bytes const& data, int* w, int* h, int* comps)
{
	jpeg_decompress_struct d = {};
	detail::JpegErr err;
	Bytes out;
	bool const ok = detail::jpegDecompress(&d, &err, data, &out, w, h, comps);
	jpeg_destroy_decompress(&d);
	if (!ok)
		throw std::runtime_error("JPEG decode failed");
	return out;
}

/** Smooth RGB test picture. */
inline Bytes gradientRGB(int w, int h)
{
	Bytes v(static_cast<size_t>(w) * h * 3);
	for (int y = 0; y < h; ++y)
		for (int x = 0; x < w; ++x)
		{
			unsigned char* p = &v[(static_cast<size_t>(y) * w + x) * 3];
			p[0] = static_cast<unsigned char>(x * 255 / std::max(1, w - 1));
			p[1] = static_cast<unsigned char>(y * 255 / std::max(1, h - 1));
			p[2] = static_cast<unsigned char>((x + y) * 255 / std::max(1, w + h - 2));
		}
	return v;
}

} // imgtest
