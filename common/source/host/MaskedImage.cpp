#include <host/MaskedImage.h>

#include <game/Sprite.h>
#include <game/SpriteSheet.h>
#include <gr/Primitive.h>
#include <gr/Texture.h>
#include <gr/VertexFormat.h>
#include <io/PathName.h>
#include <math/float4x4.h>
#include <cmath>

namespace host
{

namespace
{

/** The masked shader's name for a platform value, or null for none. */
char const* maskedShaderName(int platform)
{
	if (platform == 0)
		return "sprite-straightalpha";
	if (platform >= 1 && platform <= 4)
		return "2d-sprite-alpha-masked";
	return nullptr;
}

// The vectors are handed to the primitive as tightly packed components.
static_assert(sizeof(math::float3) == 3 * sizeof(float) && sizeof(math::float2) == 2 * sizeof(float), "packed vectors");

/** Appends a quad's corners 0, 1, 2, 2, 1, 3: two triangles sharing the edge 1-2. */
template <class T>
void appendQuad(std::vector<T>& list, T const (&corner)[4])
{
	list.insert(list.end(), {corner[0], corner[1], corner[2], corner[2], corner[1], corner[3]});
}

} // namespace

MaskedImage::MaskedImage(gr::Context* context) :
	m_context(context)
{
	if (char const* name = maskedShaderName(int(context->platform())))
		m_shader = context->createShader(io::PathName(context->shaderPath(), name).path(), 0);
}

MaskedImage::~MaskedImage() = default;

void MaskedImage::add(float x, float y, gr::Image* image, game::Sprite* mask, float sx, float sy)
{
	if (!image || !mask || !mask->getSheet())
		return;
	gr::Texture* const texture = image->getTexture();
	gr::Image* const maskImage = mask->getSheet()->getImage();
	gr::Texture* const maskTexture = maskImage ? maskImage->getTexture() : nullptr;
	if (!texture || !maskTexture)
		return;
	// Each size is asked for once: every one is a call through the interface.
	int const imageWidth = image->width();
	int const imageHeight = image->height();
	int const maskWidth = maskTexture->width();
	int const maskHeight = maskTexture->height();
	if (imageWidth <= 0 || imageHeight <= 0 || maskWidth <= 0 || maskHeight <= 0)
		return;

	gr::RenderState2D const& rs = m_context->getRenderState2D();
	float const cx = 2.f * rs.scale.x / float(m_context->width());
	float const cy = -2.f * rs.scale.y / float(m_context->height());
	float const iw = float(imageWidth);
	float const ih = float(imageHeight);
	float const fu = sx * float(texture->width()) / (iw * iw);
	float const fv = sy * float(texture->height()) / (ih * ih);
	float const w = float(mask->getWidth());
	float const h = float(mask->getHeight());
	float const qx[4] = {0.f, w, 0.f, w};
	float const qy[4] = {0.f, 0.f, h, h};
	float const left = x - float(mask->getPivotX());
	float const top = y - float(mask->getPivotY());

	// Each corner's offset from the state pivot, turned by the state's
	// rotation, places both its position and its texture coordinate.
	float const baseX = left + rs.translation.x + rs.pivot.x;
	float const baseY = top + rs.translation.y + rs.pivot.y;
	math::float3 pos[4];
	math::float2 uv[4];
	for (int i = 0; i < 4; ++i)
	{
		float const dx = qx[i] - rs.pivot.x;
		float const dy = qy[i] - rs.pivot.y;
		float const rx = rs.rotation[0] * dx + rs.rotation[2] * dy;
		float const ry = rs.rotation[1] * dx + rs.rotation[3] * dy;
		pos[i] = math::float3(cx * (baseX + rx) - 1.f, cy * (baseY + ry) + 1.f, 0.001f);
		uv[i] = math::float2((x + rx) * fu, (y + ry) * fv);
		if (!std::isfinite(pos[i].x) || !std::isfinite(pos[i].y) || !std::isfinite(uv[i].x) || !std::isfinite(uv[i].y))
			return;
	}
	auto all = [&pos](auto test) { return test(pos[0]) && test(pos[1]) && test(pos[2]) && test(pos[3]); };
	if (all([](math::float3 const& p) { return p.x < -1.f; }) || all([](math::float3 const& p) { return p.y < -1.f; }) ||
		all([](math::float3 const& p) { return p.x >= 1.f; }) || all([](math::float3 const& p) { return p.y >= 1.f; }))
		return;

	// Image and mask are recorded together; while they stay the same, their
	// references are left alone (each change of a count is an atomic step).
	if (m_image != image || m_mask != maskImage)
	{
		if (m_image)
			render();
		m_image = image;
		m_mask = maskImage;
	}

	float const mw = float(maskWidth);
	float const mh = float(maskHeight);
	float const u0 = float(mask->getPositionInSheetX()) / mw;
	float const v0 = float(mask->getPositionInSheetY()) / mh;
	float const u1 = float(mask->getPositionInSheetX() + mask->getWidth()) / mw;
	float const v1 = float(mask->getPositionInSheetY() + mask->getHeight()) / mh;
	math::float2 const maskUv[4] = {{u0, v0}, {u1, v0}, {u0, v1}, {u1, v1}};

	appendQuad(m_positions, pos);
	appendQuad(m_uvs, uv);
	appendQuad(m_maskUvs, maskUv);
}

void MaskedImage::render()
{
	int const count = int(m_positions.size());
	if (count > 0 && m_shader)
	{
		m_shader->setTexture("BASEMAP", m_image->getTexture());
		m_shader->setTexture("BASEMAP1", m_mask->getTexture());
		m_shader->setFloat("ALPHA_FACTOR", m_context->getRenderState2D().alpha);
		// The 2D effects greys by this; the batcher sets it the same way.
		m_shader->setFloat("COLOR_SATURATION", m_context->getRenderState2D().colorSaturation);
		math::float4x4 const projection = m_context->projectionTransform();

		gr::VertexFormat vf;
		vf.addPosition(gr::VertexFormat::DF_V3_32F);
		vf.addTextureCoordinate(gr::VertexFormat::DF_V2_32F);
		vf.addTextureCoordinate(gr::VertexFormat::DF_V2_32F);
		gr::Primitive* const prim = m_context->getDynamicPrimitive(gr::Primitive::PRIM_TRI, vf, count, 0);
		{
			gr::ContextObject::Lock lock(prim, gr::ContextObject::LOCK_WRITE);
			prim->setVertexData(gr::VertexFormat::DT_POSITION, 0, m_positions.data(), gr::VertexFormat::DF_V3_32F, count);
			prim->setVertexData(gr::VertexFormat::DT_TEX0, 0, m_uvs.data(), gr::VertexFormat::DF_V2_32F, count);
			prim->setVertexData(gr::VertexFormat::DT_TEX1, 0, m_maskUvs.data(), gr::VertexFormat::DF_V2_32F, count);
			prim->setVertexRangeBegin(0);
			prim->setVertexRangeEnd(count);
		}

		m_context->setOrthographicProjection();
		prim->setShader(m_shader);
		// The fixed-function back end takes matrices only inside begin/end.
		int const passes = m_shader->begin();
		m_shader->setMatrix(gr::Shader::PARAM_PROJTM, projection);
		m_shader->setMatrix(gr::Shader::PARAM_WORLDTM, math::float4x4(1.f));
		m_shader->setMatrix(gr::Shader::PARAM_VIEWTM, math::float4x4(1.f));
		for (int pass = 0; pass < passes; ++pass)
		{
			m_shader->beginPass(pass);
			prim->render();
			m_shader->endPass();
		}
		m_shader->end();
	}
	m_positions.clear();
	m_uvs.clear();
	m_maskUvs.clear();
	m_image = nullptr;
	m_mask = nullptr;
}

} // namespace host
