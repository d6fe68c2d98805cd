#include <gr/gl/gles1/GL1_Shader.h>
#include <gr/gl/gles1/GL1_Context.h>
#include <gr/gl/gles1/GL1_State.h>
#include <gr/gl/GL_Check.h>
#include <gr/gl/GL_TextureHandle.h>
#include <GLES/gl.h>
#include <cassert>
#include <cstring>
#include <limits>

namespace gr
{
namespace gles1
{

namespace
{

math::float4 unset()
{
	float const nan = std::numeric_limits<float>::quiet_NaN();
	return math::float4(nan, nan, nan, nan);
}

} // namespace

void GL_Shader::setTexture(ParamType param, BaseTexture* texture)
{
	setTexture(toString(param), texture);
}

void GL_Shader::setVector(ParamType param, math::float4 const& value)
{
	setVector(toString(param), value);
}

void GL_Shader::setFloat(ParamType param, float value)
{
	setFloat(toString(param), value);
}

GL_Shader_Default::Shared::Shared(GL_Context* context_, int flags_) :
	context(context_),
	flags(flags_),
	priority(0),
	blendSrc(GL_ONE),
	blendDst(GL_ZERO),
	sort(SORT_NONE),
	inBegin(false)
{
}

GL_Shader_Default::GL_Shader_Default(GL_Context* context, std::string const& name, int flags) :
	m_shared(new Shared(context, flags)),
	m_lightPos0(unset()),
	m_lightDiffuse0(unset()),
	m_ambient(unset()),
	m_diffuse(unset()),
	m_specular(unset()),
	m_scaleBias(1.f, 0.f, 0.f, 0.f),
	m_lineWidth(1.f),
	m_lineWidthSet(false),
	m_alphaFactor(1.f),
	m_name(name)
{
	assert(context && "context");
}

GL_Shader_Default::GL_Shader_Default(GL_Shader_Default const& other) :
	GL_Shader(),
	m_shared(other.m_shared),
	m_baseMap(other.m_baseMap),
	m_baseMap1(other.m_baseMap1),
	m_lightPos0(other.m_lightPos0),
	m_lightDiffuse0(other.m_lightDiffuse0),
	m_ambient(other.m_ambient),
	m_diffuse(other.m_diffuse),
	m_specular(other.m_specular),
	m_scaleBias(other.m_scaleBias),
	m_lineWidth(other.m_lineWidth),
	m_lineWidthSet(other.m_lineWidthSet),
	m_alphaFactor(other.m_alphaFactor),
	m_name(other.m_name)
{
}

GL_Shader_Default::~GL_Shader_Default()
{
}

void GL_Shader_Default::setBlend(unsigned int src, unsigned int dst)
{
	m_shared->blendSrc = src;
	m_shared->blendDst = dst;
}

Shader* GL_Shader_Default::clone() const
{
	return new GL_Shader_Default(*this);
}

void GL_Shader_Default::setTexture(char const* name, BaseTexture* texture)
{
	if (!name)
		return;
	if (std::strcmp(name, "BASEMAP") == 0)
		m_baseMap = texture;
	else if (std::strcmp(name, "BASEMAP1") == 0)
		m_baseMap1 = texture;
}

void GL_Shader_Default::setMatrix(ParamType param, math::float4x4 const& value)
{
	assert(m_shared->inBegin && "m_shared->inBegin");
	GL_Context* context = m_shared->context;
	switch (param)
	{
	case PARAM_PROJTM:
		context->setProjection(value);
		break;
	case PARAM_VIEWTM:
		context->setViewMatrix(value);
		break;
	case PARAM_WORLDTM:
		context->setWorldMatrix(value);
		break;
	default:
		break;
	}
}

void GL_Shader_Default::setVector(ParamType param, math::float4 const& value)
{
	if (param >= PARAM_LIGHTP0 && param <= PARAM_LIGHTP7)
		m_lightPos0 = value;
	else if (param >= PARAM_LIGHTC0 && param <= PARAM_LIGHTC7)
		m_lightDiffuse0 = value;
	else if (param == PARAM_CAMERAP && m_shared->sort != SORT_NONE)
		m_shared->context->sortCameraPosition() = value;
}

void GL_Shader_Default::setVector(char const* name, math::float4 const& value)
{
	if (!name)
		return;
	if (std::strcmp(name, "AMBIENTC") == 0)
		m_ambient = value;
	else if (std::strcmp(name, "DIFFUSEC") == 0)
		m_diffuse = value;
	else if (std::strcmp(name, "SPECULARC") == 0)
		m_specular = value;
	else if (std::strcmp(name, "SCALEBIAS") == 0)
		m_scaleBias = value;
}

void GL_Shader_Default::setFloat(char const* name, float value)
{
	if (!name)
		return;
	if (std::strcmp(name, "LINE_WIDTH") == 0)
	{
		m_lineWidth = value;
		m_lineWidthSet = true;
	}
	else if (std::strcmp(name, "ALPHA_FACTOR") == 0)
	{
		m_alphaFactor = value;
	}
}

int GL_Shader_Default::begin()
{
	m_shared->context->getBatcher().flush();
	m_shared->inBegin = true;
	return 1;
}

void GL_Shader_Default::end()
{
	m_shared->inBegin = false;
}

void GL_Shader_Default::setSort(SortType sort)
{
	m_shared->sort = sort;
}

int GL_Shader_Default::priority() const
{
	return m_shared->priority;
}

Shader::SortType GL_Shader_Default::sort() const
{
	return m_shared->sort;
}

void GL_Shader_Default::beginPass(int)
{
	Shared const& sh = *m_shared;
	bool const lighting = (sh.flags & SHADER_LIGHTING) != 0;
	assert((m_ambient.finite() || !lighting) && "m_ambient.finite() || 0 == (m_shared->flags & SHADER_LIGHTING)");
	assert((m_specular.finite() || !lighting) && "m_specular.finite() || 0 == (m_shared->flags & SHADER_LIGHTING)");

	// Colour: premultiplied blending scales the colour channels by the
	// alpha factor as well.
	bool const premultiplied = sh.blendDst != GL_ZERO && sh.blendSrc == GL_ONE;
	if (sh.flags & SHADER_CONSTANT_COLOR)
	{
		GL_State::enable(GL_COLOR_MATERIAL);
		// An unset diffuse colour draws opaque white.
		math::float4 const diffuse = m_diffuse.finite() ? m_diffuse : math::float4(1.f, 1.f, 1.f, 1.f);
		float const k = premultiplied ? m_alphaFactor : 1.f;
		glColor4f(diffuse.x * k, diffuse.y * k, diffuse.z * k, diffuse.w * m_alphaFactor);
		GL_CHECK();
	}
	else
	{
		float const c = premultiplied ? m_alphaFactor : 1.f;
		glColor4f(c, c, c, m_alphaFactor);
		GL_CHECK();
		GL_State::disable(GL_COLOR_MATERIAL);
	}

	bool const texturing = (sh.flags & SHADER_TEXTURE) != 0;

	// Unit 0: the base map.
	GL_State::activeTexture(GL_TEXTURE0);
	if (texturing && m_baseMap)
	{
		GL_State::enable(GL_TEXTURE_2D);
		GL_State::bindTexture(GL_TEXTURE_2D, GL_textureName(m_baseMap));
	}
	else
	{
		GL_State::bindTexture(GL_TEXTURE_2D, 0);
		GL_State::disable(GL_TEXTURE_2D);
	}

	// Unit 1: the second map keeps the colour of unit 0 and modulates its
	// alpha (the combiner's default alpha operation).
	GL_State::activeTexture(GL_TEXTURE1);
	if (texturing && m_baseMap1)
	{
		GL_State::enable(GL_TEXTURE_2D);
		GL_State::bindTexture(GL_TEXTURE_2D, GL_textureName(m_baseMap1));
		glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_COMBINE);
		GL_CHECK();
		glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_RGB, GL_REPLACE);
		GL_CHECK();
		glTexEnvi(GL_TEXTURE_ENV, GL_SRC0_RGB, GL_PREVIOUS);
		GL_CHECK();
		glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND0_RGB, GL_SRC_COLOR);
		GL_CHECK();
	}
	else
	{
		GL_State::bindTexture(GL_TEXTURE_2D, 0);
		GL_State::disable(GL_TEXTURE_2D);
	}

	GL_State::enable(GL_NORMALIZE);
	GL_State::disable(GL_DITHER);

	// The batcher sets the width of its lines before the pass; a shader
	// imposes its own only when one was given to it.
	if (m_lineWidthSet)
		GL_State::lineWidth(m_lineWidth);

	if (sh.flags & SHADER_TWO_SIDED)
		GL_State::disable(GL_CULL_FACE);
	else
		GL_State::enable(GL_CULL_FACE);

	if (sh.blendSrc == GL_ONE && sh.blendDst == GL_ZERO)
	{
		GL_State::disable(GL_BLEND);
	}
	else
	{
		GL_State::enable(GL_BLEND);
		GL_State::blendFunc(sh.blendSrc, sh.blendDst);
	}

	if (sh.flags & SHADER_NO_DEPTH)
	{
		GL_State::disable(GL_DEPTH_TEST);
		GL_State::depthMask(false);
	}
	else
	{
		GL_State::enable(GL_DEPTH_TEST);
		GL_State::depthFunc(GL_LESS);
		GL_State::depthMask(true);
	}

	GL_Context* context = sh.context;
	if (lighting)
	{
		assert(m_lightPos0.finite() && "m_lightPos0.finite()");
		assert(m_lightDiffuse0.finite() && "m_lightDiffuse0.finite()");
		GL_State::enable(GL_LIGHTING);
		GL_State::enable(GL_LIGHT0);
		// The light position is given in world space: the GL transforms it
		// by the model-view matrix current when it is set.
		context->applyViewMatrix();
		float const black[4] = {0.f, 0.f, 0.f, 0.f};
		glLightfv(GL_LIGHT0, GL_POSITION, &m_lightPos0.x);
		GL_CHECK();
		glLightfv(GL_LIGHT0, GL_AMBIENT, &m_ambient.x);
		GL_CHECK();
		glLightfv(GL_LIGHT0, GL_DIFFUSE, &m_lightDiffuse0.x);
		GL_CHECK();
		glLightfv(GL_LIGHT0, GL_SPECULAR, black);
		GL_CHECK();
		glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, &m_specular.x);
		GL_CHECK();
	}
	else
	{
		GL_State::disable(GL_LIGHTING);
	}

	context->applyModelViewMatrix(m_scaleBias);
}

} // gles1
} // gr
