#include "GL_RenderBatcher.h"
#include "GL_ContextBase.h"
#include "GL_Check.h"
#include <gr/Context.h>
#include <gr/Primitive.h>
#include <gr/Texture.h>
#include <gr/VertexFormat.h>
#include <algorithm>
#include <cassert>

#if GR_GLES == 2
#include "GL2_ShaderPlatform.h"
#include "GL2_State.h"
#include <GLES2/gl2.h>
#else
#include "GL1_State.h"
#include <GLES/gl.h>
#endif

namespace gr
{
namespace GR_GL_NS
{

namespace
{

bool sameMatrix(math::float4x4 const& a, math::float4x4 const& b)
{
	for (int i = 0; i < math::float4x4::SIZE; ++i)
	{
		if (a[i] != b[i])
			return false;
	}
	return true;
}

// Corner order of the two triangles of a quad (top-left, top-right,
// bottom-left, bottom-right).
int const QUAD_ORDER[6] = {0, 1, 2, 2, 1, 3};

} // namespace

GL_RenderBatcher::GL_RenderBatcher(GL_ContextBase* context) :
	m_type(TYPE_IMAGE_QUADS),
	m_context(context),
	m_lineWidth(1),
	m_idle(true)
{
}

GL_RenderBatcher::~GL_RenderBatcher()
{
}

bool GL_RenderBatcher::matches(Type type, Shader* shader, bool hasUvs, bool hasColors, Image* image, int lineWidth)
{
	if (type != m_type || shader != m_shader)
		return false;
	// A second image pairs with the first where the shader has a paired form.
	if (image != m_image &&
		!(type == TYPE_IMAGE_QUADS && image && hasUvs &&
			(image == m_secondImage || (!m_secondImage && m_context->pairedShader(m_shader)))))
		return false;
	if (type == TYPE_LINES && lineWidth != m_lineWidth)
		return false;
	if (hasUvs != !m_uvs.empty() || hasColors != !m_colors.empty())
		return false;
	RenderState2D const& cur = m_context->getRenderState2D();
	return cur.clipRect == m_state.clipRect &&
		cur.alpha == m_state.alpha &&
		cur.colorSaturation == m_state.colorSaturation &&
		cur.worldSpace == m_state.worldSpace &&
		sameMatrix(cur.transform, m_state.transform);
}

void GL_RenderBatcher::render(Type type, Shader* shader, math::float3 const* positions, math::float2 const* uvs,
	math::float4 const* colors, Image* image, int lineWidth)
{
	assert(positions && "positions");
	if (type == TYPE_IMAGE_QUADS)
		++m_context->statistics.counters[Context::Statistics::COUNTER_IMAGEQUADS];
	if (pending() && !matches(type, shader, uvs != nullptr, colors != nullptr, image, lineWidth))
		flush();
	add(type, shader, positions, uvs, colors, image, lineWidth);
}

void GL_RenderBatcher::add(Type type, Shader* shader, math::float3 const* positions, math::float2 const* uvs,
	math::float4 const* colors, Image* image, int lineWidth)
{
	if (!pending())
	{
		m_type = type;
		m_shader = shader;
		m_image = image;
		m_state = m_context->getRenderState2D();
		m_lineWidth = lineWidth;
	}
	else if (image != m_image && !m_secondImage)
	{
		m_secondImage = image;
		m_pairedShader = m_context->pairedShader(m_shader);
		m_seconds.assign(m_positions.size(), math::float2(0.f, 0.f));
	}
	if (type == TYPE_LINES)
	{
		m_positions.insert(m_positions.end(), positions, positions + 2);
		if (uvs)
			m_uvs.insert(m_uvs.end(), uvs, uvs + 2);
		if (colors)
			m_colors.insert(m_colors.end(), colors, colors + 2);
		return;
	}
	for (int i : QUAD_ORDER)
		m_positions.push_back(positions[i]);
	if (uvs)
	{
		for (int i : QUAD_ORDER)
			m_uvs.push_back(uvs[i]);
	}
	if (colors)
	{
		for (int i : QUAD_ORDER)
			m_colors.push_back(colors[i]);
	}
	if (m_secondImage)
		m_seconds.resize(m_positions.size(), math::float2(image == m_secondImage ? 1.f : 0.f, 0.f));
}

void GL_RenderBatcher::empty()
{
	m_positions.clear();
	m_uvs.clear();
	m_colors.clear();
	m_seconds.clear();
	m_image = nullptr;
	m_secondImage = nullptr;
	m_shader = nullptr;
	m_pairedShader = nullptr;
}

void GL_RenderBatcher::flush()
{
	if (!m_idle || !pending())
		return;
	if (!m_shader)
	{
		// Nothing can draw a batch without a shader; an image batch always
		// has one (the image picks it), so only a stray item lands here.
		assert(!m_image && "a batch with an image needs a shader");
		empty();
		return;
	}
	if (m_type == TYPE_IMAGE_QUADS)
		++m_context->statistics.counters[Context::Statistics::COUNTER_IMAGEBATCHES];

	// Whatever happens while drawing, the batch is emptied and the batcher
	// accepts work again afterwards.
	struct Done
	{
		GL_RenderBatcher* self;
		~Done()
		{
			self->empty();
			self->m_idle = true;
		}
	} done{this};
	m_idle = false;

	int const count = int(m_positions.size());
	bool const hasUvs = !m_uvs.empty();
	bool const hasColors = !m_colors.empty();
	bool const paired = m_secondImage != nullptr;
	VertexFormat vf;
	vf.addPosition(VertexFormat::DF_V3_32F);
	if (hasUvs)
		vf.addTextureCoordinate(VertexFormat::DF_V2_32F);
	if (paired)
		vf.addTextureCoordinate(VertexFormat::DF_V2_32F);
	if (hasColors)
		vf.addDiffuse(VertexFormat::DF_V4_8);

	Primitive* prim = m_context->getDynamicPrimitive(m_type == TYPE_LINES ? Primitive::PRIM_LINE : Primitive::PRIM_TRI, vf, count, 0);
	{
		ContextObject::Lock lock(prim, ContextObject::LOCK_WRITE);
		prim->setVertexData(VertexFormat::DT_POSITION, 0, m_positions.data(), VertexFormat::DF_V3_32F, count);
		if (hasUvs)
			prim->setVertexData(VertexFormat::DT_TEX0, 0, m_uvs.data(), VertexFormat::DF_V2_32F, int(m_uvs.size()));
		if (hasColors)
			prim->setVertexData(VertexFormat::DT_DIFFUSE, 0, m_colors.data(), VertexFormat::DF_V4_32F, int(m_colors.size()));
		if (paired)
			prim->setVertexData(VertexFormat::DT_TEX1, 0, m_seconds.data(), VertexFormat::DF_V2_32F, int(m_seconds.size()));
		prim->setVertexRangeBegin(0);
		prim->setVertexRangeEnd(count);
	}

	m_context->setClipRect(m_state.clipRect);

	if (m_type == TYPE_LINES)
	{
		float const width = float(std::max(m_lineWidth, 1));
		if (width != GL_State::sm_current.m_lineWidth)
		{
			GL_State::sm_current.m_lineWidth = width;
			glLineWidth(width);
			GL_CHECK();
		}
	}

	Shader* shader = paired ? m_pairedShader.ptr() : m_shader.ptr();
	shader->setFloat("ALPHA_FACTOR", m_state.alpha);
	shader->setFloat("COLOR_SATURATION", m_state.colorSaturation);
	if (m_image)
		shader->setTexture("BASEMAP", m_image->getTexture());
	if (paired)
		shader->setTexture("BASEMAP2", m_secondImage->getTexture());

	prim->setShader(shader);
	int const passes = shader->begin();
	shader->setMatrix(Shader::PARAM_WORLDTM, m_state.transform);
#if GR_GLES == 2
	shader->setMatrix(Shader::PARAM_PROJTM, m_context->projectionTransform() * m_state.transform);
#else
	shader->setMatrix(Shader::PARAM_VIEWTM, math::float4x4(1.f));
#endif
	for (int i = 0; i < passes; ++i)
	{
		shader->beginPass(i);
#if GR_GLES == 2
		// Items without colours draw in opaque white: the colour attribute
		// then reads its constant value, which the GL starts at black.
		if (!hasColors && GL_Shader_Platform::sm_currentPlatformShader)
		{
			int const location = GL_Shader_Platform::sm_currentPlatformShader->getAttribLocation(VertexFormat::DT_DIFFUSE);
			if (location >= 0)
			{
				glVertexAttrib4f(GLuint(location), 1.f, 1.f, 1.f, 1.f);
				GL_CHECK();
			}
		}
#endif
		prim->render();
		shader->endPass();
	}
	shader->end();
}

void GL_RenderBatcher::reset()
{
	bool const wasIdle = m_idle;
	m_idle = false;
	empty();
	m_idle = wasIdle;
}

} // GR_GL_NS
} // gr
