#include "GLTestHost.h"
#include <gr/GraphicsException.h>
#include <lang/Exception.h>
#include <cstdlib>
#include <functional>

using namespace gltest;
using gr::SurfaceFormat;

namespace
{

typedef SurfaceFormat SF;

// A w x h test picture in A8B8G8R8 (bytes R, G, B, A), every texel different.
std::vector<std::uint8_t> pattern(int w, int h)
{
	std::vector<std::uint8_t> px(std::size_t(w) * h * 4);
	for (int y = 0; y < h; ++y)
		for (int x = 0; x < w; ++x)
		{
			std::uint8_t* p = &px[(std::size_t(y) * w + x) * 4];
			p[0] = std::uint8_t(x * 255 / (w - 1));
			p[1] = std::uint8_t(y * 255 / (h - 1));
			p[2] = std::uint8_t((x * 37 + y * 91) & 0xFF);
			p[3] = std::uint8_t(255 - ((x * 13 + y * 29) & 0x7F));
		}
	return px;
}

// Pixels of a w x h A8B8G8R8 picture converted into fmt (tightly packed).
std::vector<std::uint8_t> convert(SF const& fmt, SF const& srcFmt, void const* src, int w, int h)
{
	std::vector<std::uint8_t> out(std::size_t(fmt.getMemoryUsage(w, h)));
	fmt.copyPixels(out.data(), int(fmt.getMemoryUsage(w, 1)), SF(), nullptr, srcFmt, src, int(srcFmt.getMemoryUsage(w, 1)), SF(), nullptr, w, h);
	return out;
}

std::vector<std::uint8_t> randomBytes(std::size_t n, unsigned seed)
{
	std::vector<std::uint8_t> b(n);
	for (std::size_t i = 0; i < n; ++i)
	{
		seed = seed * 1103515245u + 12345u;
		b[i] = std::uint8_t(seed >> 16);
	}
	return b;
}

// Largest channel difference between the read pixels and expected RGBA bytes.
int maxDifference(Pixels const& px, std::vector<std::uint8_t> const& expected)
{
	int worst = 0;
	for (std::size_t i = 0; i < expected.size(); ++i)
		worst = std::max(worst, std::abs(int(px.rgba[i]) - int(expected[i])));
	return worst;
}

} // namespace

class GLTextureTest : public GLFixture
{
};

// Each accepted format: the pattern converted into the format, uploaded,
// drawn 1:1 and read back equals the pattern as that format keeps it.
TEST_F(GLTextureTest, EveryUncompressedFormatUploadsDrawsAndReadsBack)
{
	const int W = 16, H = 8;
	std::vector<std::uint8_t> const src = pattern(W, H);
	struct Case
	{
		SF::SurfaceFormatType format;
		int tolerance;
		// Expected RGBA of texel i from the pattern's RGBA (luminance and alpha formats).
		std::function<void(std::uint8_t const* in, std::uint8_t* out)> expect;
	};
	auto gray = [](std::uint8_t const* in, std::uint8_t* out) { out[0] = out[1] = out[2] = in[0]; out[3] = 255; };
	auto grayAlpha = [](std::uint8_t const* in, std::uint8_t* out) { out[0] = out[1] = out[2] = in[0]; out[3] = in[3]; };
	auto alphaOnly = [](std::uint8_t const* in, std::uint8_t* out) { out[0] = out[1] = out[2] = 0; out[3] = in[3]; };
	Case const cases[] = {
		{SF::SURFACE_B8G8R8, 0, nullptr},
		{SF::SURFACE_A8B8G8R8, 0, nullptr},
		{SF::SURFACE_R5G6B5, 5, nullptr},
		{SF::SURFACE_R4G4B4A4, 9, nullptr},
		{SF::SURFACE_R5G5B5A1, 5, nullptr},
		{SF::SURFACE_L8, 0, gray},
		{SF::SURFACE_A8L8, 0, grayAlpha},
		{SF::SURFACE_A8, 0, alphaOnly},
	};
	for (Case const& c : cases)
	{
		SCOPED_TRACE(SF(c.format).toString());
		SF const fmt(c.format);
		std::vector<std::uint8_t> data;
		std::vector<std::uint8_t> expected(src.size());
		if (c.expect)
		{
			// Raw bytes: L8 the red byte, A8 the alpha byte, A8L8 red then alpha.
			for (int i = 0; i < W * H; ++i)
			{
				std::uint8_t const* in = &src[std::size_t(i) * 4];
				if (c.format == SF::SURFACE_L8)
					data.push_back(in[0]);
				else if (c.format == SF::SURFACE_A8)
					data.push_back(in[3]);
				else
				{
					data.push_back(in[0]);
					data.push_back(in[3]);
				}
				c.expect(in, &expected[std::size_t(i) * 4]);
			}
		}
		else
		{
			data = convert(fmt, SF::SURFACE_A8B8G8R8, src.data(), W, H);
			expected = convert(SF::SURFACE_A8B8G8R8, fmt, data.data(), W, H);
		}
		ASSERT_EQ(fmt.type(), convertToCompatibleSurfaceFormat(m_host, fmt).type());
		lang::Ptr<GL_Texture> tex = new GL_Texture(&m_host, W, H, 0, fmt, 2);
		tex->blt(0, 0, data.data(), int(fmt.getMemoryUsage(W, 1)), 0, W, H, fmt);
		drawTexture(tex, W, H);
		EXPECT_LE(maxDifference(read(W, H), expected), c.tolerance);
	}
}

// The formats the back end does not take are mapped, and their pixels are
// converted by blt; padded source rows are honoured.
TEST_F(GLTextureTest, CompatibleFormatsConvertOnUpload)
{
	const int W = 8, H = 8;
	std::vector<std::uint8_t> const src = pattern(W, H);
	EXPECT_EQ(SF::SURFACE_B8G8R8, convertToCompatibleSurfaceFormat(m_host, SF::SURFACE_R8G8B8).type());
	EXPECT_EQ(SF::SURFACE_A8B8G8R8, convertToCompatibleSurfaceFormat(m_host, SF::SURFACE_A8R8G8B8).type());
	EXPECT_EQ(SF::SURFACE_A8B8G8R8, convertToCompatibleSurfaceFormat(m_host, SF::SURFACE_P4).type());
	EXPECT_EQ(SF::SURFACE_A8B8G8R8, convertToCompatibleSurfaceFormat(m_host, SF::SURFACE_P8).type());
	EXPECT_EQ(SF::SURFACE_DXT1, convertToCompatibleSurfaceFormat(m_host, SF::SURFACE_DXT1).type());

	// A8R8G8B8 rows of 40 bytes (8 bytes of padding each).
	std::vector<std::uint8_t> const argb = convert(SF::SURFACE_A8R8G8B8, SF::SURFACE_A8B8G8R8, src.data(), W, H);
	std::vector<std::uint8_t> padded(std::size_t(H) * 40, 0xEE);
	for (int y = 0; y < H; ++y)
		std::copy(argb.begin() + y * 32, argb.begin() + y * 32 + 32, padded.begin() + y * 40);
	lang::Ptr<GL_Texture> tex = new GL_Texture(&m_host, W, H, 0, SF::SURFACE_A8B8G8R8, 2);
	tex->blt(0, 0, padded.data(), 40, 0, W, H, SF::SURFACE_A8R8G8B8);
	drawTexture(tex, W, H);
	EXPECT_EQ(0, maxDifference(read(W, H), src));

	// Same-format rows with padding.
	std::vector<std::uint8_t> paddedSame(std::size_t(H) * 40, 0xEE);
	for (int y = 0; y < H; ++y)
		std::copy(src.begin() + y * 32, src.begin() + y * 32 + 32, paddedSame.begin() + y * 40);
	tex->blt(0, 0, paddedSame.data(), 40, 0, W, H, SF::SURFACE_A8B8G8R8);
	drawTexture(tex, W, H);
	EXPECT_EQ(0, maxDifference(read(W, H), src));
}

// ETC1 goes to the GL compressed where the extension exists and is decoded
// on the CPU into R5G6B5 where it does not; PVRTC (no extension on this GL)
// is always decoded. Both roads show the decoder's pixels.
TEST_F(GLTextureTest, CompressedFormatsAndTheirFallbacks)
{
	const int W = 16, H = 16;
	struct Case
	{
		SF::SurfaceFormatType format;
		bool maskEtc1;
		SF::SurfaceFormatType expectedTextureFormat;
		int tolerance;
	};
	Case const cases[] = {
		{SF::SURFACE_ETC1_RGB_4BPP, false, SF::SURFACE_ETC1_RGB_4BPP, 0},
		{SF::SURFACE_ETC1_RGB_4BPP, true, SF::SURFACE_R5G6B5, 5},
		{SF::SURFACE_RGB_PVRTC_GL_2BPP, false, SF::SURFACE_R5G6B5, 5},
		{SF::SURFACE_RGB_PVRTC_GL_4BPP, false, SF::SURFACE_R5G6B5, 5},
		{SF::SURFACE_RGBA_PVRTC_GL_2BPP, false, SF::SURFACE_A8B8G8R8, 0},
		{SF::SURFACE_RGBA_PVRTC_GL_4BPP, false, SF::SURFACE_A8B8G8R8, 0},
	};
	ASSERT_FALSE(m_host.isExtensionSupported("GL_IMG_texture_compression_pvrtc"));
	for (Case const& c : cases)
	{
		SCOPED_TRACE(std::string(SF(c.format).toString()) + (c.maskEtc1 ? " masked" : ""));
		m_host.masked.clear();
		if (c.maskEtc1)
			m_host.masked.insert("GL_OES_compressed_ETC1_RGB8_texture");
		SF const fmt(c.format);
		std::vector<std::uint8_t> const data = randomBytes(std::size_t(fmt.getMemoryUsage(W, H)), unsigned(c.format));
		std::vector<std::uint8_t> expected = convert(SF::SURFACE_A8B8G8R8, fmt, data.data(), W, H);

		SF const texFormat = convertToCompatibleSurfaceFormat(m_host, fmt);
		ASSERT_EQ(c.expectedTextureFormat, texFormat.type());
		if (texFormat.type() != fmt.type())
			expected = convert(SF::SURFACE_A8B8G8R8, texFormat, convert(texFormat, fmt, data.data(), W, H).data(), W, H);
		lang::Ptr<GL_Texture> tex = new GL_Texture(&m_host, W, H, 0, texFormat, 2);
		tex->blt(0, 0, data.data(), int(fmt.getMemoryUsage(W, 1)), 0, W, H, fmt);
		drawTexture(tex, W, H);
		EXPECT_LE(maxDifference(read(W, H), expected), c.tolerance);
	}
}

// Textures that cannot be made raise the documented exceptions and leave no
// GL texture behind.
TEST_F(GLTextureTest, AllocationFailuresThrowAndReleaseEverything)
{
	GLint maxSize = 0;
	glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
	m_host.masked.insert("GL_OES_texture_npot");
	struct Case
	{
		int w, h, mips;
		SF::SurfaceFormatType format;
		int usage;
		std::string message;
	};
	Case const cases[] = {
		{maxSize + 1, 4, 0, SF::SURFACE_A8B8G8R8, 2,
			"Texture is too large: " + std::to_string(maxSize + 1) + "x4, maximum supported size: " + std::to_string(maxSize) + "x" + std::to_string(maxSize)},
		{100, 100, 1, SF::SURFACE_A8B8G8R8, 2, "Mipmapping is not supported with non power-of-two textures"},
		{8, 8, 0, SF::SURFACE_DXT1, 2, "Unsupported texture format: DXT1"},
		{8, 8, 0, SF::SURFACE_RGBA_PVRTC_GL_4BPP, 2, "Unsupported texture format: RGBA_PVRTC_GL_4BPP"},
		{8, 8, 0, SF::SURFACE_L8, 8, "Render target format not supported: L8"},
		{8, 8, 0, SF::SURFACE_ETC1_RGB_4BPP, 0x10, "Render target format not supported: ETC1_RGB_4BPP"},
	};
	GLint fbo = 0;
	glGetIntegerv(GL_FRAMEBUFFER_BINDING, &fbo);
	int const live = liveTextures();
	for (Case const& c : cases)
	{
		SCOPED_TRACE(c.message);
		try
		{
			GL_Texture tex(&m_host, c.w, c.h, c.mips, c.format, c.usage);
			ADD_FAILURE() << "no exception";
		}
		catch (gr::GraphicsException const& e)
		{
			EXPECT_EQ(c.message, e.getMessage().format());
		}
		EXPECT_EQ(live, liveTextures());
		GLint now = 0;
		glGetIntegerv(GL_FRAMEBUFFER_BINDING, &now);
		EXPECT_EQ(fbo, now);
	}
	EXPECT_EQ(GLenum(GL_NO_ERROR), glGetError());
}

// Filters follow the mip chain; without the npot extension a single-level
// npot texture clamps, with it the default wrap stays.
TEST_F(GLTextureTest, FiltersAndNonPowerOfTwoWrapping)
{
	auto param = [](GL_Texture& t, GLenum pname) {
		GL_State::activeTexture(GL_TEXTURE0);
		GL_State::bindTexture(GL_TEXTURE_2D, t.glTextureName());
		GLint v = 0;
		glGetTexParameteriv(GL_TEXTURE_2D, pname, &v);
		GL_State::bindTexture(GL_TEXTURE_2D, 0);
		return v;
	};
	struct Case
	{
		int w, h, mips;
		bool npotExtension;
		GLint minFilter, wrap;
	};
	Case const cases[] = {
		{1, 1, 0, true, GL_LINEAR_MIPMAP_NEAREST, GL_REPEAT},
		{512, 256, 9, true, GL_LINEAR_MIPMAP_NEAREST, GL_REPEAT},
		{512, 256, 8, true, GL_LINEAR, GL_REPEAT},
		{100, 100, 0, false, GL_LINEAR, GL_CLAMP_TO_EDGE},
		{100, 100, 0, true, GL_LINEAR, GL_REPEAT},
		{100, 100, 1, true, GL_LINEAR, GL_REPEAT},
	};
	for (Case const& c : cases)
	{
		SCOPED_TRACE(std::to_string(c.w) + "x" + std::to_string(c.h) + " mips " + std::to_string(c.mips));
		m_host.masked.clear();
		if (!c.npotExtension)
			m_host.masked.insert("GL_OES_texture_npot");
		GL_Texture tex(&m_host, c.w, c.h, c.mips, SF::SURFACE_A8B8G8R8, 2);
		EXPECT_EQ(c.minFilter, param(tex, GL_TEXTURE_MIN_FILTER));
		EXPECT_EQ(c.wrap, param(tex, GL_TEXTURE_WRAP_S));
		EXPECT_EQ(c.wrap, param(tex, GL_TEXTURE_WRAP_T));
		EXPECT_EQ(gr::Rect(0, 0, c.w, c.h), tex.rect());
	}

	// An npot texture drawn without the extension shows its pixels.
	m_host.masked = {"GL_OES_texture_npot"};
	std::vector<std::uint8_t> const src = pattern(5, 3);
	GL_Texture tex(&m_host, 5, 3, 0, SF::SURFACE_A8B8G8R8, 2);
	tex.blt(0, 0, src.data(), 20, 0, 5, 3, SF::SURFACE_A8B8G8R8);
	drawTexture(&tex, 5, 3);
	EXPECT_EQ(0, maxDifference(read(5, 3), src));
}

// Mip levels are uploaded separately and a sub-rectangle lands at its place.
TEST_F(GLTextureTest, SubRectanglesAndMipLevels)
{
	std::vector<std::uint8_t> const src = pattern(8, 8);
	GL_Texture tex(&m_host, 8, 8, 3, SF::SURFACE_A8B8G8R8, 2);
	for (int level = 0; level <= 3; ++level)
		tex.blt(0, 0, src.data(), 32, level, 8 >> level, 8 >> level, SF::SURFACE_A8B8G8R8);
	std::uint8_t const red[4] = {255, 0, 0, 255};
	std::vector<std::uint8_t> block(2 * 3 * 4);
	for (std::size_t i = 0; i < block.size(); ++i)
		block[i] = red[i % 4];
	tex.blt(5, 4, block.data(), 8, 0, 2, 3, SF::SURFACE_A8B8G8R8);

	std::vector<std::uint8_t> expected = src;
	for (int y = 4; y < 7; ++y)
		for (int x = 5; x < 7; ++x)
			std::copy(red, red + 4, expected.begin() + (y * 8 + x) * 4);
	drawTexture(&tex, 8, 8);
	EXPECT_EQ(0, maxDifference(read(8, 8), expected));
}

TEST_F(GLTextureTest, LockingReadbackAndNames)
{
	GL_Texture tex(&m_host, 4, 4, 0, SF::SURFACE_A8B8G8R8, 2);
	tex.setName("images/a.png");
	EXPECT_EQ("images/a.png", tex.getName());
	tex.lock(gr::ContextObject::LOCK_READ);
	tex.unlock();
	EXPECT_THROW(tex.lock(gr::ContextObject::LOCK_WRITE), lang::Exception);
	void* data = nullptr;
	int size = 0;
	EXPECT_THROW(tex.getData(&data, &size), lang::Exception);
	EXPECT_NE(0u, tex.glTextureName());
	EXPECT_EQ(0u, tex.frameBuffer());
}

// A new render target: the caller's frame and render buffer bindings and
// scissor stay, and the whole target is cleared to transparent magenta.
// Drawing into it and then from it onto the back buffer works.
TEST_F(GLTextureTest, RenderTargetKeepsBindingsAndClearsWhole)
{
	GLuint fbo = 0, rb = 0, other = 0;
	glGenFramebuffers(1, &fbo);
	glGenRenderbuffers(1, &other);
	glGenRenderbuffers(1, &rb);
	glBindRenderbuffer(GL_RENDERBUFFER, rb);
	glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA4, 8, 8);
	glBindFramebuffer(GL_FRAMEBUFFER, fbo);
	glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, rb);
	glBindRenderbuffer(GL_RENDERBUFFER, other);
	GL_State::enable(GL_SCISSOR_TEST);
	GL_State::scissor(0, 0, 2, 2);

	lang::Ptr<GL_Texture> target = new GL_Texture(&m_host, 32, 16, 0, SF::SURFACE_A8B8G8R8, 8);
	EXPECT_TRUE(target->isRenderTarget());
	EXPECT_NE(0u, target->frameBuffer());

	GLint nowFbo = 0, nowRb = 0;
	glGetIntegerv(GL_FRAMEBUFFER_BINDING, &nowFbo);
	glGetIntegerv(GL_RENDERBUFFER_BINDING, &nowRb);
	EXPECT_EQ(GLint(fbo), nowFbo);
	EXPECT_EQ(GLint(other), nowRb);
	EXPECT_TRUE(glIsEnabled(GL_SCISSOR_TEST));
	GL_State::disable(GL_SCISSOR_TEST);

	glBindFramebuffer(GL_FRAMEBUFFER, m_gl->frameBuffer());
	drawTexture(target, 32, 16);
	Pixels px = read(32, 16);
	for (int y = 0; y < 16; ++y)
		for (int x = 0; x < 32; ++x)
			ASSERT_EQ(0xFF00FF00u, (unsigned(px.at(x, y)[0]) << 24) | (px.at(x, y)[1] << 16) | (px.at(x, y)[2] << 8) | px.at(x, y)[3])
				<< x << "," << y;

	// Draw into the target, then the target onto the back buffer.
	glBindFramebuffer(GL_FRAMEBUFFER, target->frameBuffer());
	GL_State::viewport(0, 0, 32, 16);
	GL_State::clearColor(0, 0, 1, 1);
	glClear(GL_COLOR_BUFFER_BIT);
	glBindFramebuffer(GL_FRAMEBUFFER, m_gl->frameBuffer());
	drawTexture(target, 32, 16);
	EXPECT_EQ(255, read(32, 16).at(31, 15)[2]);
	EXPECT_EQ(0, read(32, 16).at(0, 0)[0]);

	target = nullptr;
	glDeleteFramebuffers(1, &fbo);
	glDeleteRenderbuffers(1, &rb);
	glDeleteRenderbuffers(1, &other);
}

// With shadowing on, uploads are kept and the textures come back after the
// GL context is lost and a new one made; uploads replayed are not recorded
// again; without shadowing nothing is kept.
TEST_F(GLTextureTest, HibernateAndResumeRebuildShadowedTextures)
{
	const int W = 8, H = 8;
	std::vector<std::uint8_t> const src = pattern(W, H);
	std::vector<std::uint8_t> const green(4 * 4 * 4, 0x80);

	lang::Ptr<GL_Texture> unshadowed = new GL_Texture(&m_host, W, H, 0, SF::SURFACE_A8B8G8R8, 2);
	unshadowed->blt(0, 0, src.data(), W * 4, 0, W, H, SF::SURFACE_A8B8G8R8);
	EXPECT_EQ(0, unshadowed->shadowRecordCount());
	unshadowed = nullptr;

	m_host.shadowing.setEnabled(true);
	lang::Ptr<GL_Texture> tex = new GL_Texture(&m_host, W, H, 0, SF::SURFACE_A8B8G8R8, 2);
	lang::Ptr<GL_Texture> etc = new GL_Texture(&m_host, W, H, 0, SF::SURFACE_ETC1_RGB_4BPP, 2);
	lang::Ptr<GL_Texture> target = new GL_Texture(&m_host, W, H, 0, SF::SURFACE_A8B8G8R8, 8);
	{
		lang::Ptr<GL_Texture> gone = new GL_Texture(&m_host, 4, 4, 0, SF::SURFACE_A8B8G8R8, 2);
		EXPECT_EQ(4u, m_host.shadowing.textures().size());
	}
	ASSERT_EQ(3u, m_host.shadowing.textures().size());
	EXPECT_EQ(tex.ptr(), m_host.shadowing.textures()[0]);

	// Three uploads that overlap: the order matters.
	tex->blt(0, 0, src.data(), W * 4, 0, W, H, SF::SURFACE_A8B8G8R8);
	tex->blt(2, 2, green.data(), 16, 0, 4, 4, SF::SURFACE_A8B8G8R8);
	tex->blt(4, 4, src.data(), W * 4, 0, 4, 4, SF::SURFACE_A8B8G8R8);
	EXPECT_EQ(3, tex->shadowRecordCount());
	std::vector<std::uint8_t> const etcData = randomBytes(std::size_t(SF(SF::SURFACE_ETC1_RGB_4BPP).getMemoryUsage(W, H)), 7);
	etc->blt(0, 0, etcData.data(), 16, 0, W, H, SF::SURFACE_ETC1_RGB_4BPP);

	drawTexture(tex, W, H);
	Pixels const before = read(W, H);
	drawTexture(etc, W, H);
	Pixels const etcBefore = read(W, H);

	m_host.shadowing.hibernate();
	EXPECT_EQ(0u, tex->glTextureName());
	EXPECT_EQ(0u, etc->glTextureName());
	EXPECT_EQ(0u, target->frameBuffer());

	closeContext();
	openContext();
	m_host.shadowing.resume();
	EXPECT_NE(0u, tex->glTextureName());
	EXPECT_NE(0u, target->frameBuffer());
	EXPECT_EQ(3, tex->shadowRecordCount());
	EXPECT_EQ(1, etc->shadowRecordCount());

	drawTexture(tex, W, H);
	EXPECT_EQ(before, read(W, H));
	drawTexture(etc, W, H);
	EXPECT_EQ(etcBefore, read(W, H));

	tex = nullptr;
	etc = nullptr;
	target = nullptr;
	EXPECT_TRUE(m_host.shadowing.textures().empty());
}

// Hibernate and resume do nothing while shadowing is off.
TEST_F(GLTextureTest, HibernateWithoutShadowingKeepsTextures)
{
	GL_Texture tex(&m_host, 4, 4, 0, SF::SURFACE_A8B8G8R8, 2);
	m_host.shadowing.hibernate();
	EXPECT_NE(0u, tex.glTextureName());
	EXPECT_TRUE(m_host.shadowing.textures().empty());
}

TEST(GLExtensionList, WholeWordsOnly)
{
	char const* list = "GL_A_longer GL_A_x GL_B GL_C_tail";
	EXPECT_FALSE(GL_isExtensionInList(list, "GL_A"));
	EXPECT_TRUE(GL_isExtensionInList(list, "GL_A_x"));
	EXPECT_TRUE(GL_isExtensionInList(list, "GL_B"));
	EXPECT_TRUE(GL_isExtensionInList(list, "GL_C_tail"));
	EXPECT_FALSE(GL_isExtensionInList(list, "C_tail"));
	EXPECT_FALSE(GL_isExtensionInList(list, ""));
	EXPECT_FALSE(GL_isExtensionInList(list, "GL_A_x GL_B"));
	EXPECT_FALSE(GL_isExtensionInList(nullptr, "GL_B"));
}
