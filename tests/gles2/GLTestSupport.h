#pragma once

#include <framework/linux/HeadlessGL.h>
#include <gr/BaseTexture.h>
#include <gr/gl/gles2/GL2_Shader.h>
#include <gr/gl/gles2/GL2_ShaderHost.h>
#include <lang/Ptr.h>
#include <gr/gl/GL_TextureHandle.h>
#include <io/detail/detail.h>
#include <support/PixelReadBack.h>
#include <support/TempFolder.h>
#include <GLES2/gl2.h>
#include <array>
#include <gtest/gtest.h>
#include <memory>
#include <string>

namespace gltest
{

/** A scratch folder that serves as the bundle while it lives. */
class TempBundle : public test::TempFolder
{
public:
	TempBundle() { io::detail::setBundlePath(path()); }
};

/** Vertex shader that passes DT_POSITION through. */
inline char const* const PASS_THROUGH_VS = "attribute vec4 DT_POSITION;\nvoid main() { gl_Position = DT_POSITION; }\n";

/**
 * Fixture of the effect file tests: one headless GLES2 context for the
 * suite, made current for every test, and a scratch bundle per test that
 * holds PASS_THROUGH_VS as fx/v.vsh.
 */
class EffectFileTest : public ::testing::Test
{
protected:
	static void SetUpTestSuite() { s_gl = new framework::HeadlessGL(framework::HeadlessGL::API_GLES2, 8, 8); }
	static void TearDownTestSuite()
	{
		delete s_gl;
		s_gl = nullptr;
	}

	void SetUp() override
	{
		s_gl->makeCurrent();
		m_bundle.write("fx/v.vsh", PASS_THROUGH_VS);
	}

	/** Writes fx as fx/e.fx and loads it as the shader "e". */
	lang::Ptr<gr::gles2::GL_Shader> load(std::string const& fx, gr::gles2::GL_ShaderHost* host = nullptr)
	{
		m_bundle.write("fx/e.fx", fx);
		return new gr::gles2::GL_Shader(host, "e", "fx/e.fx", 0);
	}

	static inline framework::HeadlessGL* s_gl = nullptr;
	TempBundle m_bundle;
};

/** Host that counts batch flushes and keeps the sort data. */
class RecordingHost : public gr::gles2::GL_ShaderHost
{
public:
	int flushes = 0;
	math::float4 camera;
	math::float4x4 world;
	std::vector<math::float4x4> bones;

	void flushBatch() override { ++flushes; }
	math::float4& sortCameraPosition() override { return camera; }
	math::float4x4& sortWorldTransform() override { return world; }
	std::vector<math::float4x4>& sortBoneTransforms() override { return bones; }
};

/** A GL texture of one colour, w x h RGBA8. */
class SolidTexture : public gr::BaseTexture, public gr::gles2::GL_TextureHandle
{
public:
	SolidTexture(unsigned char r, unsigned char g, unsigned char b, unsigned char a, int w = 1, int h = 1) :
		gr::BaseTexture(CLASSID_TEXTURE)
	{
		std::vector<unsigned char> px(size_t(w) * h * 4);
		for (size_t i = 0; i < px.size(); i += 4)
		{
			px[i] = r;
			px[i + 1] = g;
			px[i + 2] = b;
			px[i + 3] = a;
		}
		glGenTextures(1, &m_name);
		GLint old = 0;
		glGetIntegerv(GL_TEXTURE_BINDING_2D, &old);
		glBindTexture(GL_TEXTURE_2D, m_name);
		glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE, px.data());
		glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
		glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
		glBindTexture(GL_TEXTURE_2D, old);
	}

	~SolidTexture() override { glDeleteTextures(1, &m_name); }

	unsigned int glTextureName() const override { return m_name; }

private:
	GLuint m_name = 0;
};

/** Shader and program objects alive in the current context (names are small integers handed out in order). */
inline int liveGLObjects()
{
	int live = 0;
	for (GLuint name = 1; name < 2000; ++name)
		live += (glIsShader(name) ? 1 : 0) + (glIsProgram(name) ? 1 : 0);
	return live;
}

using test::readPixel;

/** Draws a full-viewport quad with the program in use, feeding DT_POSITION at location pos. */
inline void drawFullQuad(int pos, int uvLocation = -1)
{
	static float const corners[] = {-1, -1, 0, 1, -1, 0, -1, 1, 0, 1, 1, 0};
	static float const uvs[] = {0, 0, 1, 0, 0, 1, 1, 1};
	glBindBuffer(GL_ARRAY_BUFFER, 0);
	glEnableVertexAttribArray(pos);
	glVertexAttribPointer(pos, 3, GL_FLOAT, GL_FALSE, 0, corners);
	if (uvLocation >= 0)
	{
		glEnableVertexAttribArray(uvLocation);
		glVertexAttribPointer(uvLocation, 2, GL_FLOAT, GL_FALSE, 0, uvs);
	}
	glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
	glDisableVertexAttribArray(pos);
	if (uvLocation >= 0)
		glDisableVertexAttribArray(uvLocation);
}

} // namespace gltest
