#include "Sprite.h"
#include <game/SpriteSheet.h>
#include <game/Transform.h>
#include <gr/Texture.h>
#include <math/float3.h>

namespace game
{

namespace
{

/** n / size, or 0 for a size of 0. */
float coordinate(int n, int size)
{
	return size != 0 ? float(n) / float(size) : 0.f;
}

} // namespace

Sprite::Sprite(SpriteSheet* sheet, gr::Image* image, std::string const& name, int x, int y, int width, int height, int pivotX, int pivotY) :
	m_sheet(sheet),
	m_image(image),
	m_name(name),
	m_x(static_cast<short>(x)),
	m_y(static_cast<short>(y)),
	m_width(static_cast<short>(width)),
	m_height(static_cast<short>(height)),
	m_pivotX(static_cast<short>(pivotX)),
	m_pivotY(static_cast<short>(pivotY))
{
	// Coordinates are relative to the texture, which may be larger than the
	// image; without a texture the image's own size stands in.
	int w = 0;
	int h = 0;
	if (gr::Image const* img = m_image)
	{
		if (gr::Texture const* texture = img->getTexture())
		{
			w = texture->width();
			h = texture->height();
		}
		else
		{
			w = img->width();
			h = img->height();
		}
	}
	float const uL = coordinate(m_x, w);
	float const vT = coordinate(m_y, h);
	float const uR = coordinate(m_x + m_width, w);
	float const vB = coordinate(m_y + m_height, h);
	m_uv[0] = math::float2(uL, vT);
	m_uv[1] = math::float2(uR, vT);
	m_uv[2] = math::float2(uL, vB);
	m_uv[3] = math::float2(uR, vB);
}

Sprite::Sprite(SpriteSheet* sheet, std::string const& name, int x, int y, int width, int height, int pivotX, int pivotY) :
	Sprite(sheet, sheet->getImage(), name, x, y, width, height, pivotX, pivotY)
{
}

Sprite::~Sprite() {}

math::float2 Sprite::anchorOffset(Anchor anchor) const
{
	int dy = 0;
	switch (anchor.vertical)
	{
	case Anchor::VCENTER: dy = m_height >> 1; break;
	case Anchor::BOTTOM: dy = m_height; break;
	case Anchor::BASELINE:
	case Anchor::VPIVOT: dy = m_pivotY; break;
	default: break;
	}
	int dx = 0;
	switch (anchor.horizontal)
	{
	case Anchor::HCENTER: dx = m_width >> 1; break;
	case Anchor::RIGHT: dx = m_width; break;
	case Anchor::HPIVOT: dx = m_pivotX; break;
	default: break;
	}
	return math::float2(float(dx), float(dy));
}

void Sprite::draw(gr::Context* context, float x, float y, Anchor anchor) const
{
	draw(context, x, y, float(m_width), float(m_height), anchor);
}

void Sprite::draw(gr::Context* context, float x, float y, float width, float height, Anchor anchor) const
{
	if (!m_image)
		return;
	math::float2 const offset = anchorOffset(anchor);
	m_image->draw(context, x - offset.x, y - offset.y, width, height, m_uv);
}

void Sprite::draw(gr::Context* context, Transform const& transform, math::float2 const* corners, gr::Shader* shader, math::float4* colours) const
{
	if (!m_image)
		return;
	math::float3 placed[4];
	for (int i = 0; i < 4; ++i)
		placed[i] = transform.transform(math::float3(corners[i], 0.f));
	m_image->draw(context, placed, m_uv, colours, shader);
}

} // game
