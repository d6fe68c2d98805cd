#pragma once

#include <framework/linux/HeadlessGL.h>
#include <gr/gl/gles1/GL1_Context.h>
#include <lang/Ptr.h>
#include <support/PixelReadBack.h>
#include <GLES/gl.h>
#include <array>
#include <gtest/gtest.h>
#include <memory>

namespace gles1test
{

inline std::array<float, 4> getFloat4(GLenum pname)
{
	float v[16] = {};
	glGetFloatv(pname, v);
	return {v[0], v[1], v[2], v[3]};
}

inline GLint getInt(GLenum pname)
{
	GLint v[4] = {};
	glGetIntegerv(pname, v);
	return v[0];
}

/** A headless ES 1.1 view with a context of the back end drawing into it. */
class Gles1Fixture : public ::testing::Test
{
protected:
	static constexpr int W = 128;
	static constexpr int H = 128;

	std::unique_ptr<framework::HeadlessGL> m_gl;
	lang::Ptr<gr::gles1::GL_Context> m_ctx;

	void SetUp() override
	{
		m_gl = std::make_unique<framework::HeadlessGL>(framework::HeadlessGL::API_GLES1, W, H);
		m_ctx = static_cast<gr::gles1::GL_Context*>(gr::gles1::GL_createContext(W, H, gr::Context::ORIENTATION_0, &updateScrFunc));
	}

	void TearDown() override
	{
		EXPECT_EQ(GLenum(GL_NO_ERROR), glGetError());
		m_ctx = nullptr;
		m_gl.reset();
	}

	/** RGBA of the pixel at x, y, counted from the top. */
	std::array<int, 4> pixel(int x, int y) const { return test::readPixel(x, H - 1 - y); }

	/** Clears the whole target to an A8R8G8B8 colour. */
	void clearTo(unsigned color)
	{
		m_ctx->getRenderState2D().clipRect = gr::Rect(0, 0, W, H);
		m_ctx->clear(color, true, true, false);
	}
};

} // namespace gles1test
