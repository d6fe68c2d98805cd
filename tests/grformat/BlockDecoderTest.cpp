#include <framework/linux/HeadlessGL.h>
#include <gr/SurfaceFormat.h>
#include <lang/Throwable.h>
#include <support/PixelReadBack.h>
#include <gtest/gtest.h>
#include <GLES2/gl2.h>
#include <GLES2/gl2ext.h>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

using gr::SurfaceFormat;
typedef SurfaceFormat F;

namespace
{

SurfaceFormat const NONE;

/**
 * A headless OpenGL ES 2.0 context that decodes compressed textures the
 * driver's way: upload, draw nearest-sampled into an RGBA8 frame buffer,
 * read back.
 */
class Oracle
{
public:
	Oracle()
	{
		try
		{
			m_gl = std::make_unique<framework::HeadlessGL>(framework::HeadlessGL::API_GLES2, 1, 1);
		}
		catch (lang::Throwable const&)
		{
			return;
		}
		m_program = makeProgram();
		m_ok = m_program != 0;
	}

	~Oracle()
	{
		if (m_gl && m_program)
		{
			m_gl->makeCurrent();
			glDeleteProgram(m_program);
		}
	}

	bool ok() const { return m_ok; }

	/** Decodes a w x h surface into bytes R, G, B, A; empty when the driver refuses the format. */
	std::vector<std::uint8_t> decode(GLenum format, std::vector<std::uint8_t> const& data, int w, int h)
	{
		std::vector<std::uint8_t> pixels;
		GLuint tex = 0, fbo = 0, rb = 0;
		glGenTextures(1, &tex);
		glBindTexture(GL_TEXTURE_2D, tex);
		glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
		glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
		glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
		glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
		while (glGetError() != GL_NO_ERROR)
		{
		}
		glCompressedTexImage2D(GL_TEXTURE_2D, 0, format, w, h, 0, GLsizei(data.size()), data.data());
		if (glGetError() == GL_NO_ERROR)
		{
			glGenRenderbuffers(1, &rb);
			glBindRenderbuffer(GL_RENDERBUFFER, rb);
			glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8_OES, w, h);
			glGenFramebuffers(1, &fbo);
			glBindFramebuffer(GL_FRAMEBUFFER, fbo);
			glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, rb);
			if (glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE)
			{
				static GLfloat const quad[] = {-1, -1, 1, -1, -1, 1, 1, 1};
				glViewport(0, 0, w, h);
				glDisable(GL_BLEND);
				glUseProgram(m_program);
				glUniform1i(glGetUniformLocation(m_program, "tex"), 0);
				glBindBuffer(GL_ARRAY_BUFFER, 0);
				glVertexAttribPointer(0, 2, GL_FLOAT, GL_FALSE, 0, quad);
				glEnableVertexAttribArray(0);
				glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
				// Texture row 0 is drawn at the bottom, which is read first.
				pixels = test::readPixels(w, h);
				if (glGetError() != GL_NO_ERROR)
					pixels.clear();
			}
			glBindFramebuffer(GL_FRAMEBUFFER, 0);
			glDeleteFramebuffers(1, &fbo);
			glDeleteRenderbuffers(1, &rb);
		}
		glDeleteTextures(1, &tex);
		return pixels;
	}

private:
	static GLuint compile(GLenum type, char const* text)
	{
		GLuint s = glCreateShader(type);
		glShaderSource(s, 1, &text, nullptr);
		glCompileShader(s);
		GLint ok = 0;
		glGetShaderiv(s, GL_COMPILE_STATUS, &ok);
		return ok ? s : 0;
	}

	static GLuint makeProgram()
	{
		GLuint vs = compile(GL_VERTEX_SHADER,
			"attribute vec2 pos; varying highp vec2 uv;"
			"void main() { uv = pos * 0.5 + 0.5; gl_Position = vec4(pos, 0.0, 1.0); }");
		GLuint fs = compile(GL_FRAGMENT_SHADER,
			"precision highp float; varying vec2 uv; uniform sampler2D tex;"
			"void main() { gl_FragColor = texture2D(tex, uv); }");
		if (!vs || !fs)
			return 0;
		GLuint p = glCreateProgram();
		glAttachShader(p, vs);
		glAttachShader(p, fs);
		glBindAttribLocation(p, 0, "pos");
		glLinkProgram(p);
		glDeleteShader(vs);
		glDeleteShader(fs);
		GLint ok = 0;
		glGetProgramiv(p, GL_LINK_STATUS, &ok);
		return ok ? p : 0;
	}

	std::unique_ptr<framework::HeadlessGL> m_gl;
	GLuint m_program = 0;
	bool m_ok = false;
};

Oracle& oracle()
{
	static Oracle o;
	return o;
}

/** Decodes with the engine into bytes R, G, B, A. */
std::vector<std::uint8_t> engineDecode(F::SurfaceFormatType type, std::vector<std::uint8_t> const& data, int w, int h)
{
	SurfaceFormat const fmt(type);
	std::vector<std::uint8_t> out(size_t(w) * h * 4);
	SurfaceFormat(F::SURFACE_A8B8G8R8).copyPixels(out.data(), w * 4, NONE, nullptr, fmt, data.data(), int(fmt.getMemoryUsage(w, 1)), NONE, nullptr, w, h);
	return out;
}

/** Largest per-channel difference. */
int maxDiff(std::vector<std::uint8_t> const& a, std::vector<std::uint8_t> const& b)
{
	int m = 0;
	for (size_t i = 0; i < a.size(); ++i)
	{
		int const d = std::abs(int(a[i]) - int(b[i]));
		m = d > m ? d : m;
	}
	return m;
}

/** Random blocks, then a few hand-made ones at the start. */
std::vector<std::uint8_t> randomBlocks(int blocks, int blockBytes, unsigned seed)
{
	std::mt19937 rng(seed);
	std::vector<std::uint8_t> v(size_t(blocks) * blockBytes);
	for (auto& b : v)
		b = std::uint8_t(rng());
	return v;
}

void putColourBlock(std::uint8_t* p, std::uint16_t c0, std::uint16_t c1, std::uint32_t indices)
{
	p[0] = std::uint8_t(c0);
	p[1] = std::uint8_t(c0 >> 8);
	p[2] = std::uint8_t(c1);
	p[3] = std::uint8_t(c1 >> 8);
	std::memcpy(p + 4, &indices, 4);
}

/**
 * Colour blocks whose pixels use only the endpoints, with channels at 0 or
 * full scale: every decoder must give them exactly.
 */
void makeExactColours(std::vector<std::uint8_t>& data, int blockBytes, int colourOffset, unsigned seed)
{
	static std::uint16_t const ends[] = {0x0000, 0xFFFF, 0xF800, 0x07E0, 0x001F, 0xFFE0};
	std::mt19937 rng(seed);
	for (size_t b = 0; b < data.size() / blockBytes; ++b)
	{
		std::uint16_t c0 = ends[rng() % 6], c1 = ends[rng() % 6];
		if (c0 < c1)
			std::swap(c0, c1);
		if (c0 == c1)
			c0 = 0xFFFF, c1 = 0;
		std::uint32_t indices = std::uint32_t(rng()) & 0x55555555u; // indices 0 and 1 only
		putColourBlock(&data[b * blockBytes + colourOffset], c0, c1, indices);
	}
}

int const W = 32;
int const H = 16;

} // namespace

class BlockDecoder : public ::testing::Test
{
protected:
	void SetUp() override
	{
		if (!oracle().ok())
			GTEST_SKIP() << "no headless OpenGL ES 2.0 context";
	}

	/** Compares engine and driver decoding; returns false when the driver lacks the format. */
	void compare(F::SurfaceFormatType type, GLenum glFormat, std::vector<std::uint8_t> const& data, int tolerance)
	{
		std::vector<std::uint8_t> const expected = oracle().decode(glFormat, data, W, H);
		if (expected.empty())
			GTEST_SKIP() << SurfaceFormat(type).toString() << " not supported by the driver";
		std::vector<std::uint8_t> const actual = engineDecode(type, data, W, H);
		EXPECT_LE(maxDiff(expected, actual), tolerance) << SurfaceFormat(type).toString();
	}
};

TEST_F(BlockDecoder, DXT1MatchesDriver)
{
	int const blocks = (W / 4) * (H / 4);
	std::vector<std::uint8_t> data = randomBlocks(blocks, 8, 10);
	// Three-colour blocks with transparent black, and an equal pair.
	putColourBlock(&data[0], 0x1234, 0xFEDC, 0xFFAA5500u);
	putColourBlock(&data[8], 0x8410, 0x8410, 0xE4E4E4E4u);
	compare(F::SURFACE_DXT1, GL_COMPRESSED_RGBA_S3TC_DXT1_EXT, data, 2);
	makeExactColours(data, 8, 0, 11);
	putColourBlock(&data[0], 0x0000, 0xFFFF, 0xFFFFFFFFu); // all transparent black
	compare(F::SURFACE_DXT1, GL_COMPRESSED_RGBA_S3TC_DXT1_EXT, data, 0);
}

TEST_F(BlockDecoder, DXT3MatchesDriver)
{
	int const blocks = (W / 4) * (H / 4);
	std::vector<std::uint8_t> data = randomBlocks(blocks, 16, 20);
	compare(F::SURFACE_DXT3, GL_COMPRESSED_RGBA_S3TC_DXT3_EXT, data, 2);
	// Explicit alpha is exact.
	makeExactColours(data, 16, 8, 21);
	compare(F::SURFACE_DXT3, GL_COMPRESSED_RGBA_S3TC_DXT3_EXT, data, 0);
}

TEST_F(BlockDecoder, DXT5MatchesDriver)
{
	int const blocks = (W / 4) * (H / 4);
	std::vector<std::uint8_t> data = randomBlocks(blocks, 16, 30);
	// Both alpha modes, with the 0 and 255 entries of the six-value mode.
	data[0] = 0, data[1] = 0;
	std::memset(&data[2], 0xFF, 6);
	data[16] = 10, data[17] = 200;
	compare(F::SURFACE_DXT5, GL_COMPRESSED_RGBA_S3TC_DXT5_EXT, data, 2);
	// Colour endpoints and alpha endpoints only: exact.
	makeExactColours(data, 16, 8, 31);
	std::mt19937 rng(32);
	for (int b = 0; b < blocks; ++b)
	{
		std::uint64_t bits = 0;
		for (int i = 0; i < 16; ++i)
			bits |= std::uint64_t(rng() & 1) << (3 * i);
		for (int i = 0; i < 6; ++i)
			data[b * 16 + 2 + i] = std::uint8_t(bits >> (8 * i));
	}
	compare(F::SURFACE_DXT5, GL_COMPRESSED_RGBA_S3TC_DXT5_EXT, data, 0);
}

TEST_F(BlockDecoder, ETC1MatchesDriverExactly)
{
	int const blocks = (W / 4) * (H / 4);
	std::vector<std::uint8_t> data = randomBlocks(blocks, 8, 40);
	for (int b = 0; b < blocks; ++b)
	{
		std::uint8_t* p = &data[b * 8];
		if (p[3] & 2)
		{
			// Keep differential base colours inside 5 bits: such blocks are invalid.
			for (int k = 0; k < 3; ++k)
			{
				int const base = p[k] >> 3;
				int delta = p[k] & 7;
				delta = delta >= 4 ? delta - 8 : delta;
				if (base + delta < 0 || base + delta > 31)
					p[k] = std::uint8_t((p[k] & 0xF8) | 0);
			}
		}
	}
	compare(F::SURFACE_ETC1_RGB_4BPP, GL_ETC1_RGB8_OES, data, 0);
}

TEST(BlockDecoderEdges, KnownPixels)
{
	// DXT1, colour 0 <= colour 1, index 3: transparent black.
	std::vector<std::uint8_t> dxt1(8);
	putColourBlock(dxt1.data(), 0x0000, 0xFFFF, 0x000000C0u);
	std::vector<std::uint8_t> const px = engineDecode(F::SURFACE_DXT1, dxt1, 4, 4);
	EXPECT_EQ(0u, std::uint32_t(px[12] | px[13] << 8 | px[14] << 16 | px[15] << 24));
	EXPECT_EQ(255, px[3]);

	// DXT5, a0 = a1 = 0, index 7: alpha 255.
	std::vector<std::uint8_t> dxt5(16);
	dxt5[2] = 7;
	EXPECT_EQ(0xFFu, gr::getPixelDXT5(0, 0, dxt5.data(), 16) >> 24);
	EXPECT_EQ(0x00u, gr::getPixelDXT5(1, 0, dxt5.data(), 16) >> 24);

	// DXT3 and DXT5 colour blocks use four colours whatever the order.
	gr::DXTColBlock const block = {0x0000, 0xFFFF, {0, 0, 0, 0}};
	unsigned colours[4];
	gr::getBlockColorsA8R8G8B8(&block, colours, true);
	EXPECT_EQ(0xFF555555u, colours[2]);
	EXPECT_EQ(0xFFAAAAAAu, colours[3]);
	gr::getBlockColorsA8R8G8B8(&block, colours);
	EXPECT_EQ(0xFF7F7F7Fu, colours[2]);
	EXPECT_EQ(0x00000000u, colours[3]);
}

TEST(BlockDecoderEdges, PartialBlocksAreCut)
{
	// A 6 x 5 surface decodes like the top-left of the 8 x 8 surface made of
	// the same blocks, and neither decoder writes past the 6 x 5 pixels.
	struct Case
	{
		F::SurfaceFormatType type;
		int blockBytes;
	};
	for (Case c : {Case{F::SURFACE_DXT1, 8}, Case{F::SURFACE_DXT5, 16}, Case{F::SURFACE_ETC1_RGB_4BPP, 8}})
	{
		std::vector<std::uint8_t> const data = randomBlocks(4, c.blockBytes, 50);
		SurfaceFormat const fmt(c.type);
		ASSERT_EQ(std::int64_t(data.size()), fmt.getMemoryUsage(6, 5));
		std::vector<std::uint8_t> const full = engineDecode(c.type, data, 8, 8);
		std::vector<std::uint8_t> const part = engineDecode(c.type, data, 6, 5);
		for (int y = 0; y < 5; ++y)
			EXPECT_EQ(0, std::memcmp(&full[y * 32], &part[y * 24], 24)) << fmt.toString() << " row " << y;
		if (c.type == F::SURFACE_ETC1_RGB_4BPP)
		{
			std::vector<std::uint8_t> direct(6 * 5 * 4);
			EXPECT_EQ(32, gr::decompressETC(data.data(), 6u, 5u, direct.data(), 0));
			EXPECT_EQ(part, direct);
		}
	}
}

TEST(BlockDecoderEdges, ConversionIntoOtherFormats)
{
	// Decoding into R5G6B5 with a wide pitch equals decoding into A8B8G8R8
	// and converting.
	std::vector<std::uint8_t> const data = randomBlocks(8, 16, 60);
	std::vector<std::uint8_t> const rgba = engineDecode(F::SURFACE_DXT5, data, 8, 16);
	for (int y = 0; y < 16; ++y)
		for (int x = 0; x < 8; ++x)
		{
			std::uint32_t const argb = gr::getPixelDXT5(x, y, data.data(), 32);
			std::uint8_t const* p = &rgba[(y * 8 + x) * 4];
			ASSERT_EQ(argb, std::uint32_t(p[3] << 24 | p[0] << 16 | p[1] << 8 | p[2])) << x << "," << y;
		}
	std::vector<std::uint8_t> expected(8 * 16 * 2), actual(20 * 16, 0xEE);
	SurfaceFormat const r5g6b5(F::SURFACE_R5G6B5);
	r5g6b5.copyPixels(expected.data(), NONE, nullptr, SurfaceFormat(F::SURFACE_A8B8G8R8), rgba.data(), NONE, nullptr, 8 * 16);
	r5g6b5.copyPixels(actual.data(), 20, NONE, nullptr, SurfaceFormat(F::SURFACE_DXT5), data.data(), 32, NONE, nullptr, 8, 16);
	for (int y = 0; y < 16; ++y)
	{
		EXPECT_EQ(0, std::memcmp(&expected[y * 16], &actual[y * 20], 16)) << y;
		EXPECT_EQ(0xEE, actual[y * 20 + 16]);
	}
}
