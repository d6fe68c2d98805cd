#pragma once

#include <framework/linux/HeadlessGL.h>
#include <gr/gl/gles2/GL2_ShaderPlatform.h>
#include <gr/gl/gles2/GL2_State.h>
#include <gr/gl/GL_Primitive.h>
#include <gr/gl/GL_Texture.h>
#include <support/PixelReadBack.h>
#include <GLES2/gl2.h>
#include <gtest/gtest.h>
#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace gltest
{

using namespace gr::gles2;

/**
 * Stands in for the rendering context: extensions of the GL with some
 * masked and some added, the shadowed-texture list, statistics and sort
 * data.
 */
class TestHost : public GL_TextureHost, public GL_PrimitiveHost
{
public:
	std::set<std::string> masked;
	std::set<std::string> added;
	GL_TextureShadowing shadowing;
	gr::Context::Statistics stats;
	gr::SortBuffer sorts;
	math::float4 camera{0, 0, 0, 1};
	math::float4x4 world{1.f};
	std::vector<math::float4x4> bones;

	bool isExtensionSupported(char const* name) const override
	{
		if (masked.count(name))
			return false;
		return added.count(name) || GL_isExtensionAvailable(name);
	}
	GL_TextureShadowing& textureShadowing() override { return shadowing; }
	gr::Context::Statistics& renderStatistics() override { return stats; }
	gr::SortBuffer& sortBuffer() override { return sorts; }
	math::float4& sortCameraPosition() override { return camera; }
	math::float4x4& sortWorldTransform() override { return world; }
	std::vector<math::float4x4>& sortBoneTransforms() override { return bones; }
};

/** RGBA bytes read from the bound frame buffer, bottom row first. */
struct Pixels
{
	int width = 0;
	int height = 0;
	std::vector<std::uint8_t> rgba;

	std::uint8_t const* at(int x, int y) const { return &rgba[(std::size_t(y) * width + x) * 4]; }
	bool operator==(Pixels const& o) const { return width == o.width && height == o.height && rgba == o.rgba; }
};

/** One ES 2.0 headless view of 64 x 64 pixels and the programs the tests draw with. */
class GLFixture : public ::testing::Test
{
protected:
	static constexpr int SIZE = 64;

	std::unique_ptr<framework::HeadlessGL> m_gl;
	lang::Ptr<GL_Shader_Platform> m_texProgram;
	lang::Ptr<GL_Shader_Platform> m_colorProgram;
	TestHost m_host;

	void SetUp() override { openContext(); }

	void TearDown() override
	{
		EXPECT_EQ(GLenum(GL_NO_ERROR), glGetError());
		closeContext();
	}

	/** A new GL context (the shadow resets itself) with fresh programs. */
	void openContext()
	{
		m_gl = std::make_unique<framework::HeadlessGL>(framework::HeadlessGL::API_GLES2, SIZE, SIZE);
		m_texProgram = link(
			"attribute vec4 DT_POSITION; attribute vec2 DT_TEX0; varying vec2 uv;"
			"void main() { gl_Position = DT_POSITION; uv = DT_TEX0; }",
			"precision mediump float; uniform sampler2D BASEMAP; varying vec2 uv;"
			"void main() { gl_FragColor = texture2D(BASEMAP, uv); }");
		m_colorProgram = link(
			"attribute vec4 DT_POSITION; attribute vec4 DT_DIFFUSE; varying vec4 c;"
			"void main() { gl_Position = DT_POSITION; c = DT_DIFFUSE; }",
			"precision mediump float; varying vec4 c; void main() { gl_FragColor = c; }");
	}

	void closeContext()
	{
		GL_Shader_Platform::sm_currentPlatformShader = nullptr;
		m_texProgram = nullptr;
		m_colorProgram = nullptr;
		m_gl.reset();
	}

	static lang::Ptr<GL_Shader_Platform> link(char const* vs, char const* fs)
	{
		lang::Ptr<GL_Shader_Platform> p = new GL_Shader_Platform;
		std::string v(vs), f(fs);
		unsigned int vsh = p->compileVertexShader(std::vector<char>(v.c_str(), v.c_str() + v.size() + 1), "test.vsh");
		unsigned int fsh = p->compilePixelShader(std::vector<char>(f.c_str(), f.c_str() + f.size() + 1), "test.fsh");
		p->setVertexShader(vsh);
		p->setPixelShader(fsh);
		p->createShaderProgram(vsh, fsh);
		return p;
	}

	/** Makes program current for raw draws and primitives. */
	static void use(GL_Shader_Platform* program)
	{
		GL_State::useProgram(program->getProgramObject());
		program->begin();
	}

	/** Clears the bound frame buffer to transparent black over the whole view. */
	void clearView(int w = SIZE, int h = SIZE)
	{
		GL_State::viewport(0, 0, w, h);
		GL_State::clearColor(0, 0, 0, 0);
		glClear(GL_COLOR_BUFFER_BIT);
	}

	/** Draws texture 1:1 over a w x h viewport: pixel (x, y) shows texel (x, y). */
	void drawTexture(gr::BaseTexture const* texture, int w, int h)
	{
		clearView(w, h);
		use(m_texProgram);
		m_texProgram->setTexture("BASEMAP", texture, 0);
		static const float pos[] = {-1, -1, 1, -1, -1, 1, 1, 1};
		static const float uv[] = {0, 0, 1, 0, 0, 1, 1, 1};
		GL_State::bindBuffer(GL_ARRAY_BUFFER, 0);
		int p = m_texProgram->getAttribLocation(gr::VertexFormat::DT_POSITION);
		int t = m_texProgram->getAttribLocation(gr::VertexFormat::DT_TEX0);
		glEnableVertexAttribArray(p);
		glEnableVertexAttribArray(t);
		glVertexAttribPointer(p, 2, GL_FLOAT, GL_FALSE, 0, pos);
		glVertexAttribPointer(t, 2, GL_FLOAT, GL_FALSE, 0, uv);
		glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
		glDisableVertexAttribArray(p);
		glDisableVertexAttribArray(t);
		m_texProgram->setTexture("BASEMAP", nullptr, 0);
		ASSERT_EQ(GLenum(GL_NO_ERROR), glGetError());
	}

	static Pixels read(int w = SIZE, int h = SIZE)
	{
		Pixels px;
		px.width = w;
		px.height = h;
		px.rgba = test::readPixels(w, h);
		return px;
	}

	/** Number of live GL texture names among the first thousand. */
	static int liveTextures()
	{
		int n = 0;
		for (GLuint i = 1; i < 1000; ++i)
			n += glIsTexture(i) ? 1 : 0;
		return n;
	}
};

} // gltest
