#include "Gles1TestSupport.h"
#include <gr/GraphicsException.h>
#include <gr/gl/gles1/GL1_Shader.h>
#include <gr/gl/gles1/GL1_State.h>
#include <gr/VertexFormat.h>
#include <vector>

using gr::Shader;
using gr::gles1::GL_Shader_Default;
using gr::gles1::GL_State;
using gles1test::getFloat4;
using gles1test::getInt;

namespace
{

class ShaderTest : public gles1test::Gles1Fixture
{
protected:
	lang::Ptr<Shader> create(std::string const& name) { return m_ctx->createShader(name, 0); }

	/** The GL state a shader sets up for its pass. */
	void applyPass(Shader* shader)
	{
		ASSERT_EQ(1, shader->begin());
		shader->beginPass(0);
	}

	void endPass(Shader* shader)
	{
		shader->endPass();
		shader->end();
	}

	/** An A8B8G8R8 texture of w x 1 pixels given as r, g, b, a bytes. */
	lang::Ptr<gr::Texture> rowTexture(std::vector<unsigned char> const& rgba)
	{
		int const w = int(rgba.size() / 4);
		lang::Ptr<gr::Texture> t = m_ctx->createTexture(w, 1, 0, gr::SurfaceFormat::SURFACE_A8B8G8R8, 0);
		t->blt(0, 0, rgba.data(), w * 4, 0, w, 1, gr::SurfaceFormat::SURFACE_A8B8G8R8);
		return t;
	}
};

TEST_F(ShaderTest, UnknownTemplateFailsEveryTimeAndKnownNamesGiveClones)
{
	for (int i = 0; i < 2; ++i)
	{
		try
		{
			create("shaders/no-such.fx");
			FAIL() << "no exception";
		}
		catch (gr::GraphicsException const& e)
		{
			EXPECT_STREQ("Shader template shaders/no-such.fx not found", e.getMessage().format().c_str());
		}
	}

	lang::Ptr<Shader> bare = create("sprite");
	lang::Ptr<Shader> path = create("some/folder/sprite.fx");
	ASSERT_NE(bare.ptr(), path.ptr());
	auto const& a = static_cast<GL_Shader_Default&>(*bare);
	auto const& b = static_cast<GL_Shader_Default&>(*path);
	EXPECT_EQ(&a.shared(), &b.shared());

	// The blend pair is shared by the template and all its clones.
	lang::Ptr<Shader> alpha1 = create("sprite-alpha");
	lang::Ptr<Shader> alpha2 = create("sprite-alpha");
	static_cast<GL_Shader_Default&>(*alpha1).setBlend(GL_SRC_ALPHA, GL_ONE);
	EXPECT_EQ(unsigned(GL_ONE), static_cast<GL_Shader_Default&>(*alpha2).shared().blendDst);
	EXPECT_EQ(unsigned(GL_ONE), static_cast<GL_Shader_Default&>(*create("sprite-alpha")).shared().blendDst);
	static_cast<GL_Shader_Default&>(*alpha1).setBlend(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
}

TEST_F(ShaderTest, TemplatesSetColourAndBlending)
{
	struct Case
	{
		char const* name;
		float alphaFactor;
		std::array<float, 4> colour;
		bool blend;
		GLint src;
		GLint dst;
	};
	Case const cases[] = {
		{"sprite-alpha", 0.5f, {0.5f, 0.5f, 0.5f, 0.5f}, true, GL_ONE, GL_ONE_MINUS_SRC_ALPHA},
		{"sprite-straightalpha", 0.5f, {1.f, 1.f, 1.f, 0.5f}, true, GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA},
		{"sprite-alpha-reversed", 1.f, {1.f, 1.f, 1.f, 1.f}, true, GL_ONE_MINUS_SRC_ALPHA, GL_SRC_ALPHA},
		{"sprite", 0.25f, {1.f, 1.f, 1.f, 0.25f}, false, 0, 0},
		// Constant colour without "DIFFUSEC": opaque white, not NaN.
		{"unlit-plain", 1.f, {1.f, 1.f, 1.f, 1.f}, false, 0, 0},
	};
	for (Case const& c : cases)
	{
		SCOPED_TRACE(c.name);
		lang::Ptr<Shader> s = create(c.name);
		s->setFloat("ALPHA_FACTOR", c.alphaFactor);
		s->setFloat("COLOR_SATURATION", 0.f); // no effect on this back end
		applyPass(s);
		EXPECT_EQ(c.colour, getFloat4(GL_CURRENT_COLOR));
		EXPECT_EQ(c.blend, bool(glIsEnabled(GL_BLEND)));
		if (c.blend)
		{
			EXPECT_EQ(c.src, getInt(GL_BLEND_SRC));
			EXPECT_EQ(c.dst, getInt(GL_BLEND_DST));
		}
		endPass(s);
	}

	lang::Ptr<Shader> diffuse = create("unlit-plain");
	diffuse->setVector("DIFFUSEC", math::float4(0.25f, 0.5f, 0.75f, 1.f));
	diffuse->setFloat("ALPHA_FACTOR", 0.5f);
	applyPass(diffuse);
	EXPECT_EQ((std::array<float, 4>{0.25f, 0.5f, 0.75f, 0.5f}), getFloat4(GL_CURRENT_COLOR));
	EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
	EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
	endPass(diffuse);
}

TEST_F(ShaderTest, UnlitTexturedWithoutTextureDrawsUntextured)
{
	lang::Ptr<gr::Texture> red = rowTexture({255, 0, 0, 255, 255, 0, 0, 255});
	lang::Ptr<Shader> textured = create("unlit-tex");
	textured->setTexture("BASEMAP", red);
	applyPass(textured);
	GL_State::activeTexture(GL_TEXTURE0);
	EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
	EXPECT_EQ(GLint(red.ptr() ? static_cast<gr::gles1::GL_Texture*>(red.ptr())->glTextureName() : 0), getInt(GL_TEXTURE_BINDING_2D));
	endPass(textured);

	lang::Ptr<Shader> bare = create("unlit-tex");
	applyPass(bare);
	EXPECT_EQ(GL_TEXTURE1, getInt(GL_ACTIVE_TEXTURE)) << "unit 1 stays active";
	GL_State::activeTexture(GL_TEXTURE0);
	EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
	EXPECT_EQ(0, getInt(GL_TEXTURE_BINDING_2D));
	endPass(bare);
}

TEST_F(ShaderTest, BeginFlushesThePendingBatch)
{
	clearTo(0xFF000000);
	m_ctx->fillRect2D(0xFF00FF00, 0, 0, 16, 16);
	ASSERT_TRUE(m_ctx->getBatcher().pending());
	lang::Ptr<Shader> s = create("sprite");
	EXPECT_EQ(1, s->begin());
	EXPECT_FALSE(m_ctx->getBatcher().pending());
	s->end();
	EXPECT_EQ((std::array<int, 4>{0, 255, 0, 255}), pixel(8, 8));
}

TEST_F(ShaderTest, SecondBaseMapMasksAlpha)
{
	clearTo(0xFF0000FF);
	lang::Ptr<gr::Texture> red = rowTexture({255, 0, 0, 255, 255, 0, 0, 255, 255, 0, 0, 255, 255, 0, 0, 255});
	// Opaque on the left half, transparent on the right.
	lang::Ptr<gr::Texture> mask = rowTexture({0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 0, 0, 0, 0, 0});

	gr::VertexFormat vf;
	vf.addPosition(gr::VertexFormat::DF_V3_32F);
	vf.addTextureCoordinate(gr::VertexFormat::DF_V2_32F);
	vf.addTextureCoordinate(gr::VertexFormat::DF_V2_32F);
	lang::Ptr<gr::Primitive> quad = m_ctx->createPrimitive(gr::Primitive::PRIM_TRISTRIP, vf, 4, 0, gr::Context::USAGE_STATIC);
	{
		float const pos[] = {-1, 1, 0, 1, 1, 0, -1, -1, 0, 1, -1, 0};
		float const uv[] = {0, 0, 1, 0, 0, 1, 1, 1};
		gr::ContextObject::Lock lock(quad, gr::ContextObject::LOCK_WRITE);
		quad->setVertexData(gr::VertexFormat::DT_POSITION, 0, pos, gr::VertexFormat::DF_V3_32F, 4);
		quad->setVertexData(gr::VertexFormat::DT_TEX0, 0, uv, gr::VertexFormat::DF_V2_32F, 4);
		quad->setVertexData(gr::VertexFormat::DT_TEX1, 0, uv, gr::VertexFormat::DF_V2_32F, 4);
		quad->setVertexRangeBegin(0);
		quad->setVertexRangeEnd(4);
	}

	lang::Ptr<Shader> s = create("sprite-straightalpha");
	s->setTexture("BASEMAP", red);
	s->setTexture("BASEMAP1", mask);
	quad->setShader(s);
	s->begin();
	s->setMatrix(Shader::PARAM_WORLDTM, math::float4x4(1.f));
	s->setMatrix(Shader::PARAM_VIEWTM, math::float4x4(1.f));
	s->beginPass(0);
	quad->render();
	endPass(s);

	EXPECT_EQ((std::array<int, 4>{255, 0, 0, 255}), pixel(16, 64));
	EXPECT_EQ((std::array<int, 4>{0, 0, 255, 255}), pixel(110, 64));
}

TEST_F(ShaderTest, LightingTakesTheLightInViewSpace)
{
	lang::Ptr<Shader> s = create("diff-plain");
	s->setVector("AMBIENTC", math::float4(0.1f, 0.1f, 0.1f, 1.f));
	s->setVector("SPECULARC", math::float4(0.f, 0.f, 0.f, 1.f));
	s->setVector("DIFFUSEC", math::float4(1.f, 1.f, 1.f, 1.f));
	s->setVector(Shader::PARAM_LIGHTP3, math::float4(1.f, 2.f, 3.f, 1.f));
	s->setVector(Shader::PARAM_LIGHTC5, math::float4(0.25f, 0.5f, 0.75f, 1.f));
	ASSERT_EQ(1, s->begin());
	math::float4x4 view(1.f);
	view.setTranslation(math::float3(0.f, 0.f, -5.f));
	s->setMatrix(Shader::PARAM_VIEWTM, view);
	s->beginPass(0);
	EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
	EXPECT_TRUE(glIsEnabled(GL_LIGHT0));
	float v[4] = {};
	glGetLightfv(GL_LIGHT0, GL_POSITION, v);
	EXPECT_EQ((std::array<float, 4>{1.f, 2.f, -2.f, 1.f}), (std::array<float, 4>{v[0], v[1], v[2], v[3]}));
	glGetLightfv(GL_LIGHT0, GL_DIFFUSE, v);
	EXPECT_EQ((std::array<float, 4>{0.25f, 0.5f, 0.75f, 1.f}), (std::array<float, 4>{v[0], v[1], v[2], v[3]}));
	endPass(s);

	lang::Ptr<Shader> unlit = create("unlit-plain");
	applyPass(unlit);
	EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
	endPass(unlit);
}

} // namespace
