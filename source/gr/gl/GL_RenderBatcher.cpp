#include "GL_RenderBatcher.h"
#include "GL_ContextBase.h"
#include "GL_Backend.h"
#include "GL_Check.h"
#include "GL_StateBase.h"
#include <gr/Context.h>
#include <gr/Primitive.h>
#include <gr/Texture.h>
#include <gr/VertexFormat.h>
#include <algorithm>
#include <cassert>
#include <cmath>

#include <GLES2/gl2.h>

namespace gr
{
namespace gl
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

// Sampler names of a multi-image form, by image index.
char const* const BASEMAPS[GL_ContextBase::MAX_BATCH_IMAGES] = {"BASEMAP", "BASEMAP2", "BASEMAP3", "BASEMAP4", "BASEMAP5",
	"BASEMAP6", "BASEMAP7", "BASEMAP8", "BASEMAP9", "BASEMAP10", "BASEMAP11", "BASEMAP12", "BASEMAP13", "BASEMAP14",
	"BASEMAP15", "BASEMAP16"};

} // namespace

GL_RenderBatcher::GL_RenderBatcher(GL_ContextBase* context) :
	m_type(TYPE_IMAGE_QUADS),
	m_context(context),
	m_lineWidth(1),
	m_idle(true)
{
	m_images.reserve(GL_ContextBase::MAX_BATCH_IMAGES);
}

GL_RenderBatcher::~GL_RenderBatcher()
{
}

float GL_RenderBatcher::quadPixels(math::float3 const* c) const
{
	// The two triangles (top-left, top-right, bottom-left) and (bottom-right,
	// bottom-left, top-right).
	float const a = (c[1].x - c[0].x) * (c[2].y - c[0].y) - (c[1].y - c[0].y) * (c[2].x - c[0].x);
	float const b = (c[2].x - c[3].x) * (c[1].y - c[3].y) - (c[2].y - c[3].y) * (c[1].x - c[3].x);
	math::float4x4 const& p = m_context->projectionTransform();
	math::float4x4 const& t = m_context->getRenderState2D().transform;
	// The determinant of the 2 x 2 part of p * t.
	float const m00 = p(0, 0) * t(0, 0) + p(0, 1) * t(1, 0);
	float const m01 = p(0, 0) * t(0, 1) + p(0, 1) * t(1, 1);
	float const m10 = p(1, 0) * t(0, 0) + p(1, 1) * t(1, 0);
	float const m11 = p(1, 0) * t(0, 1) + p(1, 1) * t(1, 1);
	float const ndcArea = 0.5f * (std::fabs(a) + std::fabs(b)) * std::fabs(m00 * m11 - m01 * m10);
	// Normalised device coordinates span 2 across the target's width and height.
	return ndcArea * float(m_context->width()) * float(m_context->height()) * 0.25f;
}

bool GL_RenderBatcher::fillAllows(int samplers, float pixels) const
{
	float const extra = float(samplers - 1);
	return std::max(pixels, m_largestQuad) * extra <= float(MULTI_IMAGE_FILL_BUDGET);
}

bool GL_RenderBatcher::matches(Type type, Shader* shader, bool hasUvs, bool hasColors, Image* image, int lineWidth, float pixels)
{
	if (type != m_type || shader != m_shader)
		return false;
	// Another image joins where the shader has a form for one image more and
	// the batch's quads are small enough for its fill.
	if (image != getImage() || imageCount() > 1)
	{
		if (!(type == TYPE_IMAGE_QUADS && image && hasUvs && !m_images.empty()))
			return false;
		bool const known = imageIndex(image) >= 0;
		int const images = known ? imageCount() : imageCount() + 1;
		if (!fillAllows(GL_ContextBase::multiImageFormSize(images), pixels) ||
			(!known && !m_context->multiImageShader(m_shader, images)))
			return false;
	}
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
	float pixels = 0.f;
	if (type == TYPE_IMAGE_QUADS)
	{
		++m_context->statistics.counters[Context::Statistics::COUNTER_IMAGEQUADS];
		pixels = quadPixels(positions);
	}
	if (pending() && !matches(type, shader, uvs != nullptr, colors != nullptr, image, lineWidth, pixels))
		flush();
	add(type, shader, positions, uvs, colors, image, lineWidth);
	m_largestQuad = std::max(m_largestQuad, pixels);
	m_batchPixels += pixels;
}

void GL_RenderBatcher::add(Type type, Shader* shader, math::float3 const* positions, math::float2 const* uvs,
	math::float4 const* colors, Image* image, int lineWidth)
{
	int index = 0;
	if (!pending())
	{
		m_type = type;
		m_shader = shader;
		m_images.clear();
		if (image)
			m_images.push_back(image);
		m_state = m_context->getRenderState2D();
		m_lineWidth = lineWidth;
	}
	else if (image != getImage())
	{
		index = imageIndex(image);
		if (index < 0)
		{
			index = imageCount();
			m_images.push_back(image);
			m_multiShader = m_context->multiImageShader(m_shader, imageCount());
			assert(m_multiShader && "matches() checked the form");
			if (index == 1)
				m_imageIndices.assign(m_positions.size(), math::float2(0.f, 0.f));
		}
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
	if (type == TYPE_IMAGE_QUADS)
	{
		if (m_runs == 0 || index != m_lastImage)
			++m_runs;
		m_lastImage = index;
	}
	if (m_images.size() > 1)
	{
		// A loop of push_back: resize's fill is an out-of-line call per item.
		math::float2 const id(float(index), 0.f);
		while (m_imageIndices.size() < m_positions.size())
			m_imageIndices.push_back(id);
	}
}

int GL_RenderBatcher::imageIndex(Image const* image) const
{
	for (std::size_t i = 0; i < m_images.size(); ++i)
	{
		if (m_images[i] == image)
			return int(i);
	}
	return -1;
}

void GL_RenderBatcher::empty()
{
	m_positions.clear();
	m_uvs.clear();
	m_colors.clear();
	m_imageIndices.clear();
	m_images.clear();
	m_shader = nullptr;
	m_multiShader = nullptr;
	m_largestQuad = 0.f;
	m_batchPixels = 0.f;
	m_runs = 0;
	m_lastImage = 0;
}

void GL_RenderBatcher::flush()
{
	if (!m_idle || !pending())
		return;
	if (!m_shader)
	{
		// Nothing can draw a batch without a shader; an image batch always
		// has one (the image picks it), so only a stray item lands here.
		assert(m_images.empty() && "a batch with an image needs a shader");
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

	int const images = imageCount();
	if (images > 1 && !multiImagePays())
	{
		// Each run of quads of one image a draw of its own, in order.
		int const vertices = int(m_positions.size());
		int first = 0;
		while (first < vertices)
		{
			float const image = m_imageIndices[std::size_t(first)].x;
			int end = first + 6;
			while (end < vertices && m_imageIndices[std::size_t(end)].x == image)
				end += 6;
			Image* const one = m_images[std::size_t(int(image))];
			draw(first, end - first, m_shader, &one, 1);
			first = end;
		}
		return;
	}
	Image* batchImages[GL_ContextBase::MAX_BATCH_IMAGES];
	for (int i = 0; i < images; ++i)
		batchImages[i] = m_images[std::size_t(i)];
	draw(0, int(m_positions.size()), images > 1 ? m_multiShader.ptr() : m_shader.ptr(), batchImages, images);
}

bool GL_RenderBatcher::multiImagePays() const
{
	float const extra = m_batchPixels * float(GL_ContextBase::multiImageFormSize(imageCount()) - 1);
	return extra <= float(m_runs - 1) * float(MULTI_IMAGE_FILL_BUDGET);
}

void GL_RenderBatcher::draw(int first, int count, Shader* baseShader, Image* const* images, int imageCount)
{
	bool const hasUvs = !m_uvs.empty();
	bool const hasColors = !m_colors.empty();
	bool const multi = imageCount > 1;
	std::size_t const at = std::size_t(first);
	VertexFormat vf;
	vf.addPosition(VertexFormat::DF_V3_32F);
	if (hasUvs)
		vf.addTextureCoordinate(VertexFormat::DF_V2_32F);
	if (multi)
		vf.addTextureCoordinate(VertexFormat::DF_V2_32F);
	if (hasColors)
		vf.addDiffuse(VertexFormat::DF_V4_8);

	Primitive* prim = m_context->getDynamicPrimitive(m_type == TYPE_LINES ? Primitive::PRIM_LINE : Primitive::PRIM_TRI, vf, count, 0);
	{
		ContextObject::Lock lock(prim, ContextObject::LOCK_WRITE);
		prim->setVertexData(VertexFormat::DT_POSITION, 0, m_positions.data() + at, VertexFormat::DF_V3_32F, count);
		if (hasUvs)
			prim->setVertexData(VertexFormat::DT_TEX0, 0, m_uvs.data() + at, VertexFormat::DF_V2_32F, count);
		if (hasColors)
			prim->setVertexData(VertexFormat::DT_DIFFUSE, 0, m_colors.data() + at, VertexFormat::DF_V4_32F, count);
		if (multi)
			prim->setVertexData(VertexFormat::DT_TEX1, 0, m_imageIndices.data() + at, VertexFormat::DF_V2_32F, count);
		prim->setVertexRangeBegin(0);
		prim->setVertexRangeEnd(count);
	}

	m_context->setClipRect(m_state.clipRect);

	if (m_type == TYPE_LINES)
	{
		float const width = float(std::max(m_lineWidth, 1));
		GL_StateBase& shadow = *m_context->glBackend().shadow;
		if (width != shadow.m_lineWidth)
		{
			shadow.m_lineWidth = width;
			glLineWidth(width);
			GL_CHECK();
		}
	}

	// The form that does only the work the batch's saturation and alpha need.
	Shader* shader = m_context->fragmentForm(baseShader, m_state.colorSaturation, m_state.alpha);
	shader->setFloat("ALPHA_FACTOR", m_state.alpha);
	shader->setFloat("COLOR_SATURATION", m_state.colorSaturation);
	if (imageCount > 0)
	{
		// A form's samplers beyond the batch's images take the first image:
		// no quad names them, and they hold no texture of an earlier batch.
		int const samplers = multi ? GL_ContextBase::multiImageFormSize(imageCount) : 1;
		for (int i = 0; i < samplers; ++i)
			shader->setTexture(BASEMAPS[i], images[i < imageCount ? i : 0]->getTexture());
	}

	prim->setShader(shader);
	int const passes = shader->begin();
	shader->setMatrix(Shader::PARAM_WORLDTM, m_state.transform);
	m_context->glBackend().setBatchMatrices(*shader, m_context->projectionTransform(), m_state.transform);
	for (int i = 0; i < passes; ++i)
	{
		shader->beginPass(i);
		m_context->glBackend().batchPassBegun(hasColors);
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

} // gl
} // gr
