#include "GLTestSupport.h"
#include <gr/GraphicsException.h>
#include <gr/gl/gles2/GL2_Shader.h>
#include <gr/gl/gles2/GL2_State.h>
#include <lang/Ptr.h>

using gr::Shader;
using gr::gles2::GL_Shader;
using gr::gles2::GL_Shader_Platform;
using gr::gles2::GL_State;

namespace
{

std::string effect(std::string const& vs, std::string const& fs, std::string const& extra = "")
{
	return extra + "technique Default { pass P { EnableDepthTest = FALSE; EnableCulling = FALSE; VertexShader = " + vs +
		"; PixelShader = " + fs + "; } }";
}

class ShaderProgramTest : public gltest::EffectFileTest
{
protected:
	void TearDown() override { EXPECT_EQ(GLenum(GL_NO_ERROR), glGetError()); }

	std::string loadError(std::string const& fx)
	{
		try
		{
			load(fx);
		}
		catch (gr::GraphicsException const& e)
		{
			return e.getMessage().format();
		}
		return "no error";
	}

	static GL_Shader_Platform* program(GL_Shader* shader, int technique = 0, int pass = 0)
	{
		return shader->techniques()[technique]->getPass(pass)->getPlatform();
	}
};

} // namespace

TEST_F(ShaderProgramTest, CompileAndLinkErrorsCarryPathAndLog)
{
	m_bundle.write("fx/bad.vsh", "void main() { gl_Position = undefined_thing; }\n");
	m_bundle.write("fx/bad.fsh", "void main() { this is not glsl }\n");
	m_bundle.write("fx/ok.fsh", "precision mediump float;\nvoid main() { gl_FragColor = vec4(1.0); }\n");
	m_bundle.write("fx/needs.fsh", "precision mediump float;\nvarying vec4 never_written;\nvoid main() { gl_FragColor = never_written; }\n");

	int const liveBefore = gltest::liveGLObjects();
	std::string m = loadError(effect("bad.vsh", "ok.fsh"));
	std::string const vsHead = "Error in effect: fx/e.fx\n\nFailed to compile vertex shader: fx/bad.vsh\n\n";
	EXPECT_EQ(0u, m.find(vsHead)) << m;
	EXPECT_GT(m.size(), vsHead.size() + 5) << "the GL log follows";
	EXPECT_NE(std::string::npos, m.find("undefined_thing")) << m;

	m = loadError(effect("v.vsh", "bad.fsh"));
	EXPECT_EQ(0u, m.find("Error in effect: fx/e.fx\n\nFailed to compile fragment shader: fx/bad.fsh\n\n")) << m;

	m = loadError(effect("v.vsh", "needs.fsh"));
	std::string const linkHead = "Error in effect: fx/e.fx\n\nFailed to link shader!\n\n";
	EXPECT_EQ(0u, m.find(linkHead)) << m;
	EXPECT_GT(m.size(), linkHead.size()) << "the GL log follows";
	EXPECT_EQ(liveBefore, gltest::liveGLObjects()) << "failed compiles and links free their objects";
}

TEST_F(ShaderProgramTest, UniformsOfAnyNameAndArraysAreFound)
{
	m_bundle.write("fx/u.fsh",
		"precision mediump float;\n"
		"uniform float A_UNIFORM_NAME_LONGER_THAN_THIRTY_TWO_CHARACTERS;\n"
		"uniform vec4 ARR[3];\n"
		"void main() { gl_FragColor = vec4(A_UNIFORM_NAME_LONGER_THAN_THIRTY_TWO_CHARACTERS) + ARR[0] + ARR[2]; }\n");
	lang::Ptr<GL_Shader> s = load(effect("v.vsh", "u.fsh"));
	GL_Shader_Platform* p = program(s);
	EXPECT_NE(-1, p->getUniformLocation("A_UNIFORM_NAME_LONGER_THAN_THIRTY_TWO_CHARACTERS"));
	EXPECT_NE(-1, p->getUniformLocation("ARR"));
	EXPECT_EQ(-1, p->getUniformLocation("ARR[0]"));
	EXPECT_NE(-1, p->getAttribLocation(gr::VertexFormat::DT_POSITION));
	EXPECT_EQ(-1, p->getAttribLocation(gr::VertexFormat::DT_TEX0));
}

TEST_F(ShaderProgramTest, UniformCacheSkipsRepeatedValues)
{
	m_bundle.write("fx/u.fsh",
		"precision mediump float;\n"
		"uniform float F;\nuniform vec4 V;\nuniform mat4 M;\n"
		"void main() { gl_FragColor = vec4(F) + V + M[0]; }\n");
	lang::Ptr<GL_Shader> s = load(effect("v.vsh", "u.fsh"));
	GL_Shader_Platform* p = program(s);
	GLuint prog = p->getProgramObject();
	int f = p->getUniformLocation("F");
	int v = p->getUniformLocation("V");
	int m = p->getUniformLocation("M");
	ASSERT_TRUE(f != -1 && v != -1 && m != -1);

	ASSERT_EQ(1, s->begin());
	s->setFloat("F", 1.f);
	s->beginPass(0);
	EXPECT_EQ(GLint(prog), GL_State::sm_current.m_program);
	GLfloat got[16] = {};
	glGetUniformfv(prog, f, got);
	EXPECT_EQ(1.f, got[0]);

	// Behind the cache's back: the same value again is skipped, a new one uploaded.
	glUniform1f(f, 5.f);
	p->setFloat(f, 1.f);
	glGetUniformfv(prog, f, got);
	EXPECT_EQ(5.f, got[0]);
	p->setFloat(f, 2.f);
	glGetUniformfv(prog, f, got);
	EXPECT_EQ(2.f, got[0]);

	// A first zero is skipped: the cache starts at zero, as the GL does.
	glUniform4f(v, 3.f, 3.f, 3.f, 3.f);
	p->setVector(v, math::float4(0.f, 0.f, 0.f, 0.f));
	glGetUniformfv(prog, v, got);
	EXPECT_EQ(3.f, got[0]);
	p->setVector(v, math::float4(0.f, 0.f, 0.f, 1.f));
	glGetUniformfv(prog, v, got);
	EXPECT_EQ(0.f, got[0]);
	EXPECT_EQ(1.f, got[3]);

	// A matrix reaches the GL in its column order: the translation at
	// indices 3, 7, 11 becomes GL column 3.
	math::float4x4 t(1.f);
	t.setTranslation(math::float3(7.f, 8.f, 9.f));
	p->setMatrix(m, t);
	glGetUniformfv(prog, m, got);
	EXPECT_EQ(7.f, got[12]);
	EXPECT_EQ(8.f, got[13]);
	EXPECT_EQ(0.f, got[3]);
	glUniformMatrix4fv(m, 1, GL_FALSE, math::float4x4(0.f).data());
	p->setMatrix(m, t);
	glGetUniformfv(prog, m, got);
	EXPECT_EQ(0.f, got[12]) << "same matrix skipped";

	// Every beginPass pushes the lists again, at the cost of comparisons.
	s->endPass();
	s->setFloat("F", 3.f);
	s->beginPass(0);
	glGetUniformfv(prog, f, got);
	EXPECT_EQ(3.f, got[0]);
	s->endPass();
	s->end();
	EXPECT_EQ(nullptr, GL_Shader_Platform::sm_currentPlatformShader);
}

TEST_F(ShaderProgramTest, MatrixArraysGoUpAsStored)
{
	m_bundle.write("fx/u.vsh",
		"attribute vec4 DT_POSITION;\nuniform mat4 BONES[2];\n"
		"void main() { gl_Position = BONES[0] * BONES[1] * DT_POSITION; }\n");
	m_bundle.write("fx/f.fsh", "precision mediump float;\nvoid main() { gl_FragColor = vec4(1.0); }\n");
	lang::Ptr<GL_Shader> s = load(effect("u.vsh", "f.fsh"));
	math::float4x4 a(1.f), b(2.f);
	a.setTranslation(math::float3(7.f, 8.f, 9.f));
	math::float4x4* list[] = {&a, &b};
	s->setMatrixArray("BONES", list, 2);
	s->begin();
	s->beginPass(0);
	GL_Shader_Platform* p = program(s);
	GLfloat got[16] = {};
	glGetUniformfv(p->getProgramObject(), p->getUniformLocation("BONES"), got);
	EXPECT_EQ(7.f, got[3]) << "not transposed";
	EXPECT_EQ(0.f, got[12]);
	s->endPass();
}

TEST_F(ShaderProgramTest, TexturesTakeUnitsInListOrder)
{
	m_bundle.write("fx/t.vsh",
		"attribute vec4 DT_POSITION;\nvarying vec2 uv;\n"
		"void main() { uv = DT_POSITION.xy * 0.5 + 0.5; gl_Position = DT_POSITION; }\n");
	// The program declares SECOND before FIRST.
	m_bundle.write("fx/t.fsh",
		"precision mediump float;\nuniform sampler2D SECOND;\nuniform sampler2D FIRST;\nvarying vec2 uv;\n"
		"void main() { gl_FragColor = texture2D(FIRST, uv) * 0.5 + texture2D(SECOND, uv) * 0.5; }\n");
	lang::Ptr<GL_Shader> s = load(effect("t.vsh", "t.fsh"));
	GL_Shader_Platform* p = program(s);
	GLuint prog = p->getProgramObject();

	lang::Ptr<gltest::SolidTexture> red = new gltest::SolidTexture(255, 0, 0, 255);
	lang::Ptr<gltest::SolidTexture> blue = new gltest::SolidTexture(0, 0, 255, 255);
	s->setTexture("FIRST", red);
	s->setTexture("SECOND", blue);
	EXPECT_EQ(2, red->references()) << "the shader holds a counted reference";
	EXPECT_EQ(red.ptr(), s->getTexture("FIRST"));
	EXPECT_EQ(nullptr, s->getTexture("THIRD"));

	s->begin();
	s->beginPass(0);
	GLint unit = -1;
	glGetUniformiv(prog, p->getUniformLocation("FIRST"), &unit);
	EXPECT_EQ(0, unit);
	glGetUniformiv(prog, p->getUniformLocation("SECOND"), &unit);
	EXPECT_EQ(1, unit);
	EXPECT_EQ(blue->glTextureName(), GL_State::sm_current.m_bindedTexture[1]);
	EXPECT_EQ(red->glTextureName(), GL_State::sm_current.m_bindedTexture[0]);
	glClearColor(0, 0, 0, 0);
	glClear(GL_COLOR_BUFFER_BIT);
	gltest::drawFullQuad(p->getAttribLocation(gr::VertexFormat::DT_POSITION));
	std::array<int, 4> px = gltest::readPixel(4, 4);
	EXPECT_NEAR(128, px[0], 1);
	EXPECT_NEAR(128, px[2], 1);
	s->endPass();

	// The shader keeps its texture alive; a texture set to null binds 0.
	red = nullptr;
	EXPECT_NE(nullptr, s->getTexture("FIRST"));
	s->setTexture("FIRST", nullptr);
	s->beginPass(0);
	EXPECT_EQ(0u, GL_State::sm_current.m_bindedTexture[0]);
	GLint bound = -1;
	GL_State::activeTexture(GL_TEXTURE0);
	glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
	EXPECT_EQ(0, bound);
	s->endPass();
	s->setTexture("SECOND", nullptr);
	s->beginPass(0); // unbinds the blue texture before it is deleted
	s->endPass();
}

TEST_F(ShaderProgramTest, DefinesInTheEffectChangeWhatAPassDraws)
{
	m_bundle.write("fx/c.fsh",
		"precision mediump float;\n"
		"void main() {\n"
		"#ifdef RED\n gl_FragColor = vec4(1.0, 0.0, 0.0, 1.0);\n"
		"#else\n gl_FragColor = vec4(0.0, 1.0, 0.0, 1.0);\n#endif\n}\n");
	// The file-level define reaches both techniques; the define of pass A
	// does not reach pass B; a skipped block defines nothing.
	lang::Ptr<GL_Shader> s = load(
		"#ifdef NOTHING\n#define RED\n#endif\n"
		"technique Plain { pass A { #define RED\n EnableDepthTest = FALSE; VertexShader = v.vsh; PixelShader = c.fsh; }\n"
		"                  pass B { EnableDepthTest = FALSE; VertexShader = v.vsh; PixelShader = c.fsh; } }");
	auto draw = [&](char const* technique, int pass) {
		glClearColor(0, 0, 0, 0);
		glClear(GL_COLOR_BUFFER_BIT);
		s->setTechnique(technique);
		EXPECT_EQ(2, s->begin());
		s->beginPass(pass);
		gltest::drawFullQuad(program(s, 0, pass)->getAttribLocation(gr::VertexFormat::DT_POSITION));
		s->endPass();
		s->end();
		return gltest::readPixel(3, 3);
	};
	EXPECT_EQ((std::array<int, 4>{255, 0, 0, 255}), draw("Plain", 0));
	EXPECT_EQ((std::array<int, 4>{0, 255, 0, 255}), draw("Plain", 1));
}

TEST_F(ShaderProgramTest, TechniquesSortDataAndClones)
{
	m_bundle.write("fx/f.fsh", "precision mediump float;\nuniform float F;\nvoid main() { gl_FragColor = vec4(F); }\n");
	gltest::RecordingHost host;
	m_bundle.write("fx/e.fx",
		"sort = insideout;\n"
		"technique Fast { pass P { VertexShader = v.vsh; PixelShader = f.fsh; } }\n"
		"technique Default { pass P { VertexShader = v.vsh; PixelShader = f.fsh; } pass Q { VertexShader = v.vsh; PixelShader = f.fsh; } }\n");
	lang::Ptr<GL_Shader> s = new GL_Shader(&host, "e", "fx/e.fx", 7);
	EXPECT_EQ(7, s->flags());
	EXPECT_EQ(1, s->begin()) << "technique 0 after construction";
	EXPECT_EQ(1, host.flushes);
	EXPECT_FALSE(s->hasTechnique(""));
	EXPECT_FALSE(s->hasTechnique(nullptr));
	EXPECT_TRUE(s->hasTechnique("Fast"));
	s->setTechnique(nullptr);
	EXPECT_TRUE(s->enabled());
	EXPECT_EQ(2, s->begin());
	s->setTechnique("Slow");
	EXPECT_FALSE(s->enabled());
	EXPECT_EQ(0, s->begin());
	EXPECT_EQ(2, host.flushes) << "a disabled shader flushes nothing";
	s->setTechnique("");
	EXPECT_EQ(2, s->begin());

	// Sorting shaders leave the sort data in the context; inside-out sorts
	// take no bone transforms.
	math::float4x4 w(3.f);
	math::float4x4* bones[] = {&w};
	s->setVector(Shader::PARAM_CAMERAP, math::float4(1.f, 2.f, 3.f, 1.f));
	s->setMatrix(Shader::PARAM_WORLDTM, w);
	s->setMatrixArray(Shader::PARAM_BONEWORLDTM, bones, 1);
	EXPECT_EQ(2.f, host.camera.y);
	EXPECT_EQ(3.f, host.world[0]);
	EXPECT_TRUE(host.bones.empty());
	EXPECT_EQ(2.f, s->getVector("CAMERAP").y);
	EXPECT_EQ(3.f, s->getMatrix("WORLDTM")[5]);
	s->setSort(Shader::SORT_BACKTOFRONT);
	s->setMatrixArray(Shader::PARAM_BONEWORLDTM, bones, 1);
	EXPECT_EQ(1u, host.bones.size());
	s->setSort(Shader::SORT_NONE);
	s->setVector(Shader::PARAM_CAMERAP, math::float4(9.f, 9.f, 9.f, 9.f));
	EXPECT_EQ(2.f, host.camera.y);
	EXPECT_EQ(0.f, s->getVector("NEVER").x);
	EXPECT_EQ(0.f, s->getMatrix("NEVER")[0]);
	EXPECT_EQ(0.f, s->getFloat("NEVER"));

	// A clone starts with the parameters of its source, keeps its own lists
	// and shares the programs (and their uniform caches).
	s->setFloat("F", 0.25f);
	lang::Ptr<GL_Shader> c = static_cast<GL_Shader*>(s->clone());
	s->setFloat("F", 0.75f);
	EXPECT_EQ(0.25f, c->getFloat("F"));
	EXPECT_EQ(program(s, 1, 1), program(c, 1, 1));
	EXPECT_NE(s->techniques()[1]->getPass(1), c->techniques()[1]->getPass(1));
	c->begin();
	c->beginPass(1);
	GLfloat got = 0;
	glGetUniformfv(program(c, 1, 1)->getProgramObject(), program(c, 1, 1)->getUniformLocation("F"), &got);
	EXPECT_EQ(0.25f, got);
	c->endPass();
	s = nullptr; // the clone's programs outlive the source
	c->beginPass(0);
	c->endPass();
}

TEST_F(ShaderProgramTest, BuiltIn2DEffectsBlendAsTheFixedFunctionTemplates)
{
	io::detail::setBundlePath(ENGINE_DATA_DIR);

	struct Case
	{
		char const* name;
		bool blending;
		unsigned int src, dst;
	};
	Case const cases[] = {
		{"2d-vertexcolor", false, GL_ONE, GL_ZERO},
		{"2d-vertexcolor-alpha", true, GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA},
		{"2d-sprite", false, GL_ONE, GL_ZERO},
		{"2d-sprite-alpha", true, GL_ONE, GL_ONE_MINUS_SRC_ALPHA},
		{"2d-sprite-alpha-masked", true, GL_ONE, GL_ONE_MINUS_SRC_ALPHA},
	};
	for (Case const& c : cases)
	{
		SCOPED_TRACE(c.name);
		lang::Ptr<GL_Shader> s = new GL_Shader(nullptr, c.name, std::string("shaders/") + c.name + ".fx", 0);
		ASSERT_EQ(1u, s->techniques().size());
		GL_State const& st = s->techniques()[0]->getPass(0)->getState();
		EXPECT_EQ(c.blending, st.m_blendingEnabled);
		EXPECT_EQ(c.src, st.m_blendFuncSrc);
		EXPECT_EQ(c.dst, st.m_blendFuncDst);
		EXPECT_FALSE(st.m_cullingEnabled);
		EXPECT_FALSE(st.m_depthTestEnabled);
		EXPECT_FALSE(st.m_depthMaskEnabled);
		GL_Shader_Platform* p = program(s);
		EXPECT_NE(-1, p->getAttribLocation(gr::VertexFormat::DT_POSITION));
		EXPECT_NE(-1, p->getAttribLocation(gr::VertexFormat::DT_DIFFUSE));
		for (char const* u : {"ALPHA_FACTOR", "COLOR_SATURATION", "PROJTM"})
			EXPECT_NE(-1, p->getUniformLocation(u)) << u;
	}

	// Premultiplied sprite over mid grey: white texel, no vertex colours,
	// alpha factor 0.5 gives 0.5 + 0.5 * 0.5 grey.
	lang::Ptr<GL_Shader> s = new GL_Shader(nullptr, "2d-sprite-alpha", "shaders/2d-sprite-alpha.fx", 0);
	glVertexAttrib4f(program(s)->getAttribLocation(gr::VertexFormat::DT_DIFFUSE), 0.f, 0.f, 0.f, 1.f); // stale black
	lang::Ptr<gltest::SolidTexture> white = new gltest::SolidTexture(255, 255, 255, 255);
	s->setTexture("BASEMAP", white);
	s->setFloat("ALPHA_FACTOR", 0.5f);
	s->setFloat("COLOR_SATURATION", 1.f);
	s->setMatrix(Shader::PARAM_PROJTM, math::float4x4(1.f));
	glClearColor(0.5f, 0.5f, 0.5f, 1.f);
	glClear(GL_COLOR_BUFFER_BIT);
	ASSERT_EQ(1, s->begin());
	s->beginPass(0);
	GL_Shader_Platform* p = program(s);
	// No colour stream: the vertices are white.
	gltest::drawFullQuad(p->getAttribLocation(gr::VertexFormat::DT_POSITION), p->getAttribLocation(gr::VertexFormat::DT_TEX0));
	s->endPass();
	s->end();
	std::array<int, 4> px = gltest::readPixel(2, 2);
	EXPECT_NEAR(191, px[0], 2);
	EXPECT_NEAR(191, px[1], 2);
	s->setTexture("BASEMAP", nullptr);
	s->beginPass(0);
	s->endPass();
}

TEST_F(ShaderProgramTest, ValuesOfTheWrongKindAreNotUploaded)
{
	// The GLSL is data: a uniform declared with another type than the value
	// the engine sets (or a plain matrix given a whole array) is left alone
	// instead of raising a GL error.
	m_bundle.write("fx/u.vsh",
		"attribute vec4 DT_POSITION;\nuniform mat4 ONE;\nuniform mat4 TWO[2];\nuniform float BASEMAP;\n"
		"void main() { gl_Position = ONE * TWO[1] * DT_POSITION * BASEMAP; }\n");
	m_bundle.write("fx/u.fsh",
		"precision mediump float;\nuniform vec4 ALPHA_FACTOR;\nuniform float V;\nuniform sampler2D M;\n"
		"void main() { gl_FragColor = ALPHA_FACTOR + vec4(V) + texture2D(M, vec2(0.5)); }\n");
	lang::Ptr<GL_Shader> s = load(effect("u.vsh", "u.fsh"));
	lang::Ptr<gltest::SolidTexture> tex = new gltest::SolidTexture(255, 0, 0, 255);
	math::float4x4 a(2.f), b(3.f), c(4.f);
	math::float4x4* three[] = {&a, &b, &c};
	s->setFloat("ALPHA_FACTOR", 1.f);
	s->setVector("V", math::float4(1.f, 1.f, 1.f, 1.f));
	s->setMatrix("M", a);
	s->setTexture("BASEMAP", tex);
	s->setMatrixArray("ONE", three, 3);
	s->setMatrixArray("TWO", three, 3);
	ASSERT_EQ(1, s->begin());
	s->beginPass(0);
	EXPECT_EQ(GLenum(GL_NO_ERROR), glGetError());

	GL_Shader_Platform* p = program(s);
	GLuint prog = p->getProgramObject();
	GLfloat got[16] = {};
	glGetUniformfv(prog, p->getUniformLocation("ALPHA_FACTOR"), got);
	EXPECT_EQ(0.f, got[0]);
	glGetUniformfv(prog, p->getUniformLocation("BASEMAP"), got);
	EXPECT_EQ(0.f, got[0]);
	glGetUniformfv(prog, p->getUniformLocation("ONE"), got);
	EXPECT_EQ(2.f, got[0]) << "the first matrix of the list";
	glGetUniformfv(prog, glGetUniformLocation(prog, "TWO[1]"), got);
	EXPECT_EQ(3.f, got[0]);
	s->endPass();
}
