#include <framework/linux/HeadlessGL.h>
#include <gr/GraphicsException.h>
#include <gr/gl/gles2/GL2_State.h>
#include <GLES2/gl2.h>
#include <gtest/gtest.h>
#include <functional>
#include <memory>

using framework::HeadlessGL;
using gr::gles2::GL_State;

namespace
{

GLint getInt(GLenum pname)
{
	GLint v[4] = {};
	glGetIntegerv(pname, v);
	return v[0];
}

// A linked program that draws nothing in particular.
GLuint linkTrivialProgram()
{
	char const* vs = "attribute vec4 p; void main() { gl_Position = p; }";
	char const* fs = "void main() { gl_FragColor = vec4(1.0); }";
	GLuint program = glCreateProgram();
	for (int i = 0; i < 2; ++i)
	{
		GLuint sh = glCreateShader(i ? GL_FRAGMENT_SHADER : GL_VERTEX_SHADER);
		glShaderSource(sh, 1, i ? &fs : &vs, nullptr);
		glCompileShader(sh);
		glAttachShader(program, sh);
		glDeleteShader(sh);
	}
	glLinkProgram(program);
	GLint ok = 0;
	glGetProgramiv(program, GL_LINK_STATUS, &ok);
	EXPECT_TRUE(ok);
	return program;
}

class GLStateTest : public ::testing::Test
{
protected:
	void SetUp() override
	{
		m_gl = std::make_unique<HeadlessGL>(HeadlessGL::API_GLES2, 16, 16);
		// The new context reset the shadow; make the GL agree with it.
		GL_State().begin(true);
		GL_State::enable(GL_DEPTH_TEST);
		GL_State::enable(GL_CULL_FACE);
	}

	void TearDown() override
	{
		EXPECT_EQ(GLenum(GL_NO_ERROR), glGetError());
		m_gl.reset();
	}

	std::unique_ptr<HeadlessGL> m_gl;
};

// One shadow setter: set(v) goes through the shadow, raw(v) changes the GL
// behind its back, get() reads what the GL holds.
struct SetterCase
{
	char const* name;
	std::function<void(int)> set;
	std::function<void(int)> raw;
	std::function<int()> get;
	int a, b, c; // b and c differ from a
};

} // namespace

TEST_F(GLStateTest, SettersSkipWhatTheShadowHoldsAndApplyChanges)
{
	GLuint tex[3];
	glGenTextures(3, tex);
	GLuint buf[3];
	glGenBuffers(3, buf);
	auto texName = [&](int i) { return i ? tex[i - 1] : 0u; };
	auto bufName = [&](int i) { return i ? buf[i - 1] : 0u; };
	int boundTexture = 0;

	std::vector<SetterCase> cases = {
		{"enable/disable",
			[](int v) { v ? GL_State::enable(GL_BLEND) : GL_State::disable(GL_BLEND); },
			[](int v) { v ? glEnable(GL_BLEND) : glDisable(GL_BLEND); },
			[] { return int(glIsEnabled(GL_BLEND)); }, 1, 0, 0},
		{"cullFace", [](int v) { GL_State::cullFace(v); }, [](int v) { glCullFace(v); },
			[] { return getInt(GL_CULL_FACE_MODE); }, GL_FRONT, GL_BACK, GL_FRONT_AND_BACK},
		{"depthMask", [](int v) { GL_State::depthMask(v != 0); }, [](int v) { glDepthMask(GLboolean(v)); },
			[] { return getInt(GL_DEPTH_WRITEMASK); }, 0, 1, 1},
		{"depthFunc", [](int v) { GL_State::depthFunc(v); }, [](int v) { glDepthFunc(v); },
			[] { return getInt(GL_DEPTH_FUNC); }, GL_ALWAYS, GL_NEVER, GL_GEQUAL},
		{"blendFunc dst only", [](int v) { GL_State::blendFunc(GL_SRC_ALPHA, v); },
			[](int v) { glBlendFunc(GL_SRC_ALPHA, v); }, [] { return getInt(GL_BLEND_DST_RGB); },
			GL_ONE_MINUS_SRC_ALPHA, GL_ONE, GL_DST_ALPHA},
		{"blendFunc src only", [](int v) { GL_State::blendFunc(v, GL_ONE); },
			[](int v) { glBlendFunc(v, GL_ONE); }, [] { return getInt(GL_BLEND_SRC_RGB); },
			GL_SRC_ALPHA, GL_ZERO, GL_DST_COLOR},
		{"blendEquation", [](int v) { GL_State::blendEquation(v); }, [](int v) { glBlendEquation(v); },
			[] { return getInt(GL_BLEND_EQUATION_RGB); }, GL_FUNC_SUBTRACT, GL_FUNC_ADD, GL_FUNC_REVERSE_SUBTRACT},
		{"frontFace", [](int v) { GL_State::frontFace(v); }, [](int v) { glFrontFace(v); },
			[] { return getInt(GL_FRONT_FACE); }, GL_CW, GL_CCW, GL_CCW},
		{"viewport", [](int v) { GL_State::viewport(v, 1, 5, 6); }, [](int v) { glViewport(v, 1, 5, 6); },
			[] { return getInt(GL_VIEWPORT); }, 2, 3, 4},
		{"scissor", [](int v) { GL_State::scissor(1, 2, v, 6); }, [](int v) { glScissor(1, 2, v, 6); },
			[] { GLint r[4]; glGetIntegerv(GL_SCISSOR_BOX, r); return r[2]; }, 2, 3, 4},
		{"clearColor", [](int v) { GL_State::clearColor(0.f, 0.f, v / 4.f, 1.f); },
			[](int v) { glClearColor(0.f, 0.f, v / 4.f, 1.f); },
			[] { GLfloat c[4]; glGetFloatv(GL_COLOR_CLEAR_VALUE, c); return int(c[2] * 4.f + 0.5f); }, 1, 2, 3},
		{"activeTexture", [](int v) { GL_State::activeTexture(v); }, [](int v) { glActiveTexture(v); },
			[] { return getInt(GL_ACTIVE_TEXTURE); }, GL_TEXTURE3, GL_TEXTURE0, GL_TEXTURE7},
		{"bindTexture",
			[&](int v) { GL_State::bindTexture(GL_TEXTURE_2D, texName(v)); },
			[&](int v) { glBindTexture(GL_TEXTURE_2D, texName(v)); },
			[&] {
				GLint n = getInt(GL_TEXTURE_BINDING_2D);
				for (int i = 0; i < 4; ++i)
					if (texName(i) == GLuint(n))
						boundTexture = i;
				return boundTexture;
			},
			1, 2, 3},
		{"bindBuffer",
			[&](int v) { GL_State::bindBuffer(GL_ARRAY_BUFFER, bufName(v)); },
			[&](int v) { glBindBuffer(GL_ARRAY_BUFFER, bufName(v)); },
			[&] {
				GLint n = getInt(GL_ARRAY_BUFFER_BINDING);
				for (int i = 0; i < 4; ++i)
					if (bufName(i) == GLuint(n))
						return i;
				return -1;
			},
			1, 2, 3},
	};

	for (SetterCase const& c : cases)
	{
		SCOPED_TRACE(c.name);
		c.set(c.a);
		EXPECT_EQ(c.a, c.get()) << "a change reaches the GL";
		c.raw(c.b);
		c.set(c.a);
		EXPECT_EQ(c.b, c.get()) << "a value the shadow holds is skipped";
		c.raw(c.a);
		c.set(c.c);
		EXPECT_EQ(c.c, c.get()) << "a new value is applied";
		EXPECT_EQ(GLenum(GL_NO_ERROR), glGetError());
	}
	glDeleteTextures(3, tex);
	glDeleteBuffers(3, buf);
}

TEST_F(GLStateTest, BeginForcesScalarStatesButNotCapabilities)
{
	GLuint program = linkTrivialProgram();
	GL_State record;
	record.m_cullFace = GL_FRONT;
	record.m_depthMaskEnabled = false;
	record.m_depthFunc = GL_LEQUAL;
	record.m_blendingEnabled = true;
	record.m_blendFuncSrc = GL_SRC_ALPHA;
	record.m_blendFuncDst = GL_ONE_MINUS_SRC_ALPHA;
	record.m_blendEquation = GL_FUNC_REVERSE_SUBTRACT;
	record.m_program = 0;
	record.begin(false);
	EXPECT_EQ(GL_FRONT, getInt(GL_CULL_FACE_MODE));
	EXPECT_EQ(GL_FALSE, getInt(GL_DEPTH_WRITEMASK));
	EXPECT_EQ(GL_LEQUAL, getInt(GL_DEPTH_FUNC));
	EXPECT_TRUE(glIsEnabled(GL_BLEND));
	EXPECT_EQ(GL_ONE_MINUS_SRC_ALPHA, getInt(GL_BLEND_DST_RGB));
	EXPECT_EQ(GL_FUNC_REVERSE_SUBTRACT, getInt(GL_BLEND_EQUATION_RGB));

	auto changeBehindTheShadow = [&] {
		glCullFace(GL_BACK);
		glDepthMask(GL_TRUE);
		glDepthFunc(GL_ALWAYS);
		glDisable(GL_BLEND);
		glDisable(GL_CULL_FACE);
		glBlendFunc(GL_ONE, GL_ZERO);
		glBlendEquation(GL_FUNC_ADD);
		glUseProgram(program);
	};

	changeBehindTheShadow();
	record.begin(false); // everything matches the shadow: no call
	EXPECT_EQ(GL_BACK, getInt(GL_CULL_FACE_MODE));
	EXPECT_EQ(GL_TRUE, getInt(GL_DEPTH_WRITEMASK));
	EXPECT_EQ(GL_ALWAYS, getInt(GL_DEPTH_FUNC));
	EXPECT_EQ(GL_ZERO, getInt(GL_BLEND_DST_RGB));
	EXPECT_EQ(GL_FUNC_ADD, getInt(GL_BLEND_EQUATION_RGB));
	EXPECT_EQ(GLint(program), getInt(GL_CURRENT_PROGRAM));

	record.begin(true); // scalar states forced, capabilities not
	EXPECT_EQ(GL_FRONT, getInt(GL_CULL_FACE_MODE));
	EXPECT_EQ(GL_FALSE, getInt(GL_DEPTH_WRITEMASK));
	EXPECT_EQ(GL_LEQUAL, getInt(GL_DEPTH_FUNC));
	EXPECT_EQ(GL_ONE_MINUS_SRC_ALPHA, getInt(GL_BLEND_DST_RGB));
	EXPECT_EQ(GL_FUNC_REVERSE_SUBTRACT, getInt(GL_BLEND_EQUATION_RGB));
	EXPECT_EQ(0, getInt(GL_CURRENT_PROGRAM));
	EXPECT_FALSE(glIsEnabled(GL_BLEND));
	EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
	glDeleteProgram(program);
}

TEST_F(GLStateTest, TexturingIsTrackedPerUnit)
{
	GL_State::activeTexture(GL_TEXTURE2);
	GL_State::enable(GL_TEXTURE_2D);
	EXPECT_TRUE(GL_State::sm_current.m_caps[0x0DE3]);
	EXPECT_FALSE(GL_State::sm_current.m_caps[0x0DE1]);
	GL_State::activeTexture(GL_TEXTURE0);
	GL_State::enable(GL_TEXTURE_2D);
	EXPECT_TRUE(GL_State::sm_current.m_caps[0x0DE1]);
	GL_State::disable(GL_TEXTURE_2D);
	EXPECT_FALSE(GL_State::sm_current.m_caps[0x0DE1]);
	EXPECT_TRUE(GL_State::sm_current.m_caps[0x0DE3]);
	EXPECT_EQ(18u, GL_State::sm_current.m_caps.size());
}

TEST_F(GLStateTest, ResetAndNewContextForgetTheShadow)
{
	GL_State::depthMask(false);
	glDepthMask(GL_FALSE);
	GL_State::reset();
	GL_State::depthMask(true); // the shadow believes true: no call
	EXPECT_EQ(GL_FALSE, getInt(GL_DEPTH_WRITEMASK));

	GL_State::depthFunc(GL_GREATER);
	HeadlessGL other(HeadlessGL::API_GLES2, 4, 4);
	EXPECT_EQ(GLenum(GL_LESS), GL_State::sm_current.m_depthFunc);
	GL_State::depthFunc(GL_GREATER);
	EXPECT_EQ(GL_GREATER, getInt(GL_DEPTH_FUNC));
	m_gl->makeCurrent(); // switching back resets the shadow too
	EXPECT_EQ(GLenum(GL_LESS), GL_State::sm_current.m_depthFunc);
}

TEST_F(GLStateTest, VertexAttribArraysFollowTheMaskAndAreUnknownAfterReset)
{
	auto enabled = [](GLuint i) {
		GLint v = 0;
		glGetVertexAttribiv(i, GL_VERTEX_ATTRIB_ARRAY_ENABLED, &v);
		return v != 0;
	};
	// The new context left the shadow unknowing: arrays on behind its
	// back are switched off by the first call.
	EXPECT_EQ(GL_State::VERTEX_ATTRIB_ARRAYS_UNKNOWN, GL_State::sm_current.m_vertexAttribArrays);
	glEnableVertexAttribArray(3);
	GL_State::vertexAttribArrays(0x5u);
	EXPECT_TRUE(enabled(0));
	EXPECT_FALSE(enabled(1));
	EXPECT_TRUE(enabled(2));
	EXPECT_FALSE(enabled(3));

	glEnableVertexAttribArray(1);
	GL_State::vertexAttribArrays(0x5u); // the shadow holds the mask: no call
	EXPECT_TRUE(enabled(1));
	glDisableVertexAttribArray(1);

	GL_State::vertexAttribArrays(0x3u);
	EXPECT_TRUE(enabled(0));
	EXPECT_TRUE(enabled(1));
	EXPECT_FALSE(enabled(2));

	GL_State::reset();
	glEnableVertexAttribArray(5);
	GL_State::vertexAttribArrays(0x1u);
	EXPECT_TRUE(enabled(0));
	EXPECT_FALSE(enabled(1));
	EXPECT_FALSE(enabled(5));
	EXPECT_EQ(0x1u, GL_State::sm_current.m_vertexAttribArrays);
}

TEST(GLStateKeywords, ParseTable)
{
	struct Case
	{
		char const* key;
		char const* value;
		unsigned int GL_State::*field; // null for bool fields checked by flag
		bool GL_State::*flag;
		unsigned int expected;
		char const* error;
	};
	using S = GL_State;
	Case const cases[] = {
		{"EnableCulling", "FALSE", nullptr, &S::m_cullingEnabled, 0, nullptr},
		{"EnableDepthTest", "FALSE", nullptr, &S::m_depthTestEnabled, 0, nullptr},
		{"EnableDepthMask", "FALSE", nullptr, &S::m_depthMaskEnabled, 0, nullptr},
		{"EnableBlending", "TRUE", nullptr, &S::m_blendingEnabled, 1, nullptr},
		{"EnableBlending", "true", nullptr, nullptr, 0, "Unsupported value \"true\""},
		{"CullFace", "FRONT_AND_BACK", &S::m_cullFace, nullptr, GL_FRONT_AND_BACK, nullptr},
		{"CullFace", "FRONT", &S::m_cullFace, nullptr, GL_FRONT, nullptr},
		{"DepthFunc", "NOTEQUAL", &S::m_depthFunc, nullptr, GL_NOTEQUAL, nullptr},
		{"DepthFunc", "ALWAYS", &S::m_depthFunc, nullptr, GL_ALWAYS, nullptr},
		{"DepthFunc", "LEQUAL", &S::m_depthFunc, nullptr, GL_LEQUAL, nullptr},
		{"DepthFunc", "less", nullptr, nullptr, 0, "Unsupported value \"less\""},
		{"BlendEquation", "FUNC_SUBTRACT", &S::m_blendEquation, nullptr, GL_FUNC_SUBTRACT, nullptr},
		{"BlendEquation", "FUNC_REVERSE_SUBTRACT", &S::m_blendEquation, nullptr, GL_FUNC_REVERSE_SUBTRACT, nullptr},
		{"BlendFuncSrc", "SRC_ALPHA_SATURATE", &S::m_blendFuncSrc, nullptr, GL_SRC_ALPHA_SATURATE, nullptr},
		{"BlendFuncSrc", "ONE_MINUS_DST_COLOR", &S::m_blendFuncSrc, nullptr, GL_ONE_MINUS_DST_COLOR, nullptr},
		{"BlendFuncSrc", "SRC_COLOR", nullptr, nullptr, 0, "Unsupported value \"SRC_COLOR\""},
		{"BlendFuncDst", "SRC_COLOR", &S::m_blendFuncDst, nullptr, GL_SRC_COLOR, nullptr},
		{"BlendFuncDst", "ONE_MINUS_DST_ALPHA", &S::m_blendFuncDst, nullptr, GL_ONE_MINUS_DST_ALPHA, nullptr},
		{"BlendFuncDst", "SRC_ALPHA_SATURATE", nullptr, nullptr, 0, "Unsupported value \"SRC_ALPHA_SATURATE\""},
		{"blendfuncdst", "ONE", nullptr, nullptr, 0, "Unsupported key \"blendfuncdst\""},
		{"Program", "1", nullptr, nullptr, 0, "Unsupported key \"Program\""},
	};
	for (Case const& c : cases)
	{
		SCOPED_TRACE(std::string(c.key) + " = " + c.value);
		GL_State s;
		if (c.error)
		{
			try
			{
				s.parse(c.key, c.value);
				ADD_FAILURE() << "no exception";
			}
			catch (gr::GraphicsException const& e)
			{
				EXPECT_EQ(c.error, e.getMessage().format());
			}
		}
		else
		{
			s.parse(c.key, c.value);
			if (c.field)
				EXPECT_EQ(c.expected, s.*c.field);
			else
				EXPECT_EQ(c.expected != 0, s.*c.flag);
		}
	}
	// A later line for the same key overwrites the earlier one.
	GL_State s;
	s.parse("DepthFunc", "GREATER");
	s.parse("DepthFunc", "EQUAL");
	EXPECT_EQ(unsigned(GL_EQUAL), s.m_depthFunc);
}
