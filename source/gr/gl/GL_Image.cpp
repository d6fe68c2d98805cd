#include "GL_Image.h"
#include "GL_Backend.h"
#include "GL_ContextBase.h"
#include "GL_RenderBatcher.h"
#include <cassert>

namespace gr
{
namespace gl
{

namespace
{

// Next power of two (a power of two stays, 0 stays 0).
unsigned nextPowerOfTwo(unsigned v)
{
	--v;
	v |= v >> 1;
	v |= v >> 2;
	v |= v >> 4;
	v |= v >> 8;
	v |= v >> 16;
	return v + 1;
}

// True when all four corners lie beyond one side of the square -1..1.
bool outside(math::float3 const* c)
{
	bool left = true, right = true, above = true, below = true;
	for (int i = 0; i < 4; ++i)
	{
		left = left && c[i].x < -1.f;
		right = right && c[i].x > 1.f;
		below = below && c[i].y < -1.f;
		above = above && c[i].y > 1.f;
	}
	return left || right || below || above;
}

} // namespace

GL_Image::GL_Image(GL_ContextBase* context, int width, int height, int mipLevels, SurfaceFormat const& format, int usage) :
	m_context(context),
	m_width(width),
	m_height(height)
{
	assert(context && "context");
	int texWidth = width;
	int texHeight = height;
	if (context->glBackend().powerOfTwoImages && !context->isExtensionSupported("GL_APPLE_texture_2D_limited_npot") &&
		!context->isExtensionSupported("GL_OES_texture_npot"))
	{
		texWidth = int(nextPowerOfTwo(unsigned(width)));
		texHeight = int(nextPowerOfTwo(unsigned(height)));
	}
	m_texture = context->createTexture(texWidth, texHeight, mipLevels, format, usage);
}

GL_Image::~GL_Image()
{
	GL_RenderBatcher& batcher = m_context->getBatcher();
	if (batcher.holdsImage(this))
		batcher.flush();
}

Shader* GL_Image::defaultShader(bool followAlpha) const
{
	assert(m_texture && "texture");
	if (m_texture->format().hasAlpha())
		return m_context->getSpriteAlphaShader();
	if (followAlpha && m_context->getRenderState2D().alpha < 1.f)
		return m_context->getSpriteAlphaShader();
	return m_context->getSpriteShader();
}

void GL_Image::drawRect(float x, float y, float w, float h, math::float2 const* uv, bool worldSpaceAllowed)
{
	RenderState2D const& rs = m_context->getRenderState2D();
	float const us[4] = {0.f, w, 0.f, w};
	float const vs[4] = {0.f, 0.f, h, h};
	math::float3 corners[4];
	if (worldSpaceAllowed && rs.worldSpace)
	{
		for (int i = 0; i < 4; ++i)
			corners[i] = math::float3(x + us[i], y + vs[i], 0.f);
	}
	else
	{
		float const sx = 2.f * rs.scale.x / float(m_context->width());
		float const sy = 2.f * rs.scale.y / float(m_context->height());
		for (int i = 0; i < 4; ++i)
		{
			float X, Y;
			if (rs.angle == 0.f)
			{
				X = x + rs.translation.x + us[i];
				Y = y + rs.translation.y + vs[i];
			}
			else
			{
				float const du = us[i] - rs.pivot.x;
				float const dv = vs[i] - rs.pivot.y;
				X = x + rs.pivot.x + rs.translation.x + du * rs.rotation[0] + dv * rs.rotation[2];
				Y = y + rs.pivot.y + rs.translation.y + du * rs.rotation[1] + dv * rs.rotation[3];
			}
			corners[i] = math::float3(X * sx - 1.f, 1.f - Y * sy, 0.001f);
		}
		if (outside(corners))
			return;
	}
	m_context->getBatcher().render(GL_RenderBatcher::TYPE_IMAGE_QUADS, defaultShader(true), corners, uv, nullptr, this, 1);
}

void GL_Image::draw(Context*, float x, float y, int srcX, int srcY, int srcWidth, int srcHeight, float dstWidth, float dstHeight)
{
	assert(m_texture && "texture");
	float const tw = float(m_texture->width());
	float const th = float(m_texture->height());
	float const u0 = float(srcX) / tw;
	float const u1 = float(srcX + srcWidth) / tw;
	float const v0 = float(srcY) / th;
	float const v1 = float(srcY + srcHeight) / th;
	math::float2 const uv[4] = {math::float2(u0, v0), math::float2(u1, v0), math::float2(u0, v1), math::float2(u1, v1)};
	drawRect(x, y, dstWidth, dstHeight, uv, false);
}

void GL_Image::draw(Context*, float x, float y, float width, float height, math::float2 const* uv)
{
	assert(uv && "uv");
	drawRect(x, y, width, height, uv, true);
}

void GL_Image::draw(Context* context, math::float3 const* positions, math::float2 const* uv, Shader* shader)
{
	draw(context, positions, uv, nullptr, shader);
}

void GL_Image::draw(Context*, math::float3 const* positions, math::float2 const* uv, math::float4 const* colors, Shader* shader)
{
	assert(positions && uv && "positions and uv");
	float const sx = 2.f / float(m_context->width());
	float const sy = 2.f / float(m_context->height());
	math::float3 corners[4];
	for (int i = 0; i < 4; ++i)
		corners[i] = math::float3(positions[i].x * sx - 1.f, 1.f - positions[i].y * sy, positions[i].z);
	if (outside(corners))
		return;
	if (!shader)
		shader = defaultShader(false);
	m_context->getBatcher().render(GL_RenderBatcher::TYPE_IMAGE_QUADS, shader, corners, uv, colors, this, 1);
}

void GL_Image::blt(int x, int y, void const* data, int pitch, int mipLevel, int width, int height, SurfaceFormat const& format)
{
	assert(m_texture && "texture");
	m_texture->blt(x, y, data, pitch, mipLevel, width, height, format);
}

void GL_Image::clear()
{
	assert(false && "Not implemented!");
}

void GL_Image::lock(LockType type)
{
	assert(m_texture && "texture");
	m_texture->lock(type);
}

void GL_Image::unlock()
{
	assert(m_texture && "texture");
	m_texture->unlock();
}

SurfaceFormat GL_Image::format() const
{
	assert(m_texture && "texture");
	return m_texture->format();
}

void GL_Image::getData(void** data, int* size) const
{
	assert(m_texture && "texture");
	m_texture->getData(data, size);
}

} // gl
} // gr
