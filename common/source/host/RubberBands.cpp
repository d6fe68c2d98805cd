// Sprites stretched along a segment: the textured line and the rubber band.
#include <host/RubberBands.h>
#include <host/DrawArguments.h>
#include <game/Resources.h>
#include <game/Sprite.h>
#include <game/SpriteSheet.h>
#include <game/Transform.h>
#include <gr/Context.h>
#include <gr/Image.h>
#include <gr/RenderState2D.h>
#include <gr/Texture.h>
#include <math/float3.h>
#include <algorithm>
#include <cmath>

namespace host
{

namespace
{

/** True when the points' coordinates are all finite. */
bool finite(math::float2 const* points, int count)
{
	return std::all_of(points, points + count, [](math::float2 const& p) { return std::isfinite(p.x) && std::isfinite(p.y); });
}

bool finite(math::float3 const* points, int count)
{
	return std::all_of(points, points + count, [](math::float3 const& p) { return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z); });
}

/** The point (x + u, y + v) mapped as the context maps 2D shapes, in screen pixels. */
math::float2 mapped(gr::RenderState2D const& rs, double x, double y, double u, double v)
{
	double const du = u - rs.pivot.x;
	double const dv = v - rs.pivot.y;
	double const px = x + rs.pivot.x + rs.translation.x + rs.rotation[0] * du + rs.rotation[2] * dv;
	double const py = y + rs.pivot.y + rs.translation.y + rs.rotation[1] * du + rs.rotation[3] * dv;
	return math::float2(float(px * rs.scale.x), float(py * rs.scale.y));
}

} // namespace

RubberBands::RubberBands(Core const& core) : m_core(core)
{
}

bool RubberBands::getLineCorners(gr::Context* context, math::float2* corners, int x1, int y1, int x2, int y2, int width)
{
	// In double: the difference of two ints may not fit an int.
	double const dx = double(x2) - double(x1);
	double const dy = double(y2) - double(y1);
	if (dx == 0.0 && dy == 0.0)
		return false;
	gr::RenderState2D const& rs = context->getRenderState2D();
	double const length = std::hypot(dx, dy);
	double const ux = dx / length;
	double const uy = dy / length;
	// scale x ux^2 + scale y uy^2 over the squared length, so that an even
	// scale gives itself exactly.
	double const squared = dx * dx + dy * dy;
	double pixels = std::trunc(double(width) * ((rs.scale.x * dx * dx + rs.scale.y * dy * dy) / squared));
	if (!(pixels > 1.0))
		pixels = 1.0;
	math::float2 const p1 = mapped(rs, x1, y1, 0.0, 0.0);
	math::float2 const p2 = mapped(rs, x1, y1, dx, dy);
	// The perpendicular of the line as drawn; of the given one when the
	// state collapses it (scale 0).
	double mx = double(p2.x) - double(p1.x);
	double my = double(p2.y) - double(p1.y);
	double const drawn = std::hypot(mx, my);
	if (drawn > 0.0 && std::isfinite(drawn))
	{
		mx /= drawn;
		my /= drawn;
	}
	else
	{
		mx = ux;
		my = uy;
	}
	// Left of the direction of travel on the screen (y down): (my, -mx).
	double const w = double(context->width());
	double const h = double(context->height());
	double const ox = my * pixels / w;
	double const oy = mx * pixels / h;
	double const X1 = 2.0 * p1.x / w - 1.0, Y1 = 1.0 - 2.0 * p1.y / h;
	double const X2 = 2.0 * p2.x / w - 1.0, Y2 = 1.0 - 2.0 * p2.y / h;
	corners[0] = math::float2(float(X1 + ox), float(Y1 + oy));
	corners[1] = math::float2(float(X2 + ox), float(Y2 + oy));
	corners[2] = math::float2(float(X1 - ox), float(Y1 - oy));
	corners[3] = math::float2(float(X2 - ox), float(Y2 - oy));
	return true;
}

void RubberBands::drawTexturedLine2D(std::string const& spriteName, float x1, float y1, float x2, float y2, float width, float, float, float, float)
{
	game::Sprite* const sprite = m_core.resources->getSprite(spriteName);
	if (!draw::drawable(sprite))
		return;
	math::float2 corners[4];
	if (!getLineCorners(m_core.context, corners, draw::toInt(x1), draw::toInt(y1), draw::toInt(x2), draw::toInt(y2), draw::toInt(width)))
		return;
	// The sprite's free quad takes screen pixels.
	float const w = float(m_core.context->width());
	float const h = float(m_core.context->height());
	for (math::float2& c : corners)
		c = math::float2((c.x + 1.f) * 0.5f * w, (1.f - c.y) * 0.5f * h);
	if (!finite(corners, 4))
		return;
	sprite->draw(m_core.context, game::Transform(), corners, nullptr, nullptr);
}

void RubberBands::drawRubberband(float x1, float y1, float x2, float y2, float width, std::string const& spriteName)
{
	game::Sprite* const sprite = m_core.resources->getSprite(spriteName);
	game::SpriteSheet* const sheet = sprite ? sprite->getSheet() : nullptr;
	gr::Image* const image = sheet ? sheet->getImage() : nullptr;
	gr::Texture* const texture = image ? image->getTexture() : nullptr;
	if (!texture || texture->width() <= 0 || texture->height() <= 0)
		return;
	// Like every sprite: the rectangle over the texture's size.
	float const tw = float(texture->width());
	float const th = float(texture->height());
	float const u0 = float(sprite->getPositionInSheetX()) / tw;
	float const v0 = float(sprite->getPositionInSheetY()) / th;
	float const u1 = float(sprite->getPositionInSheetX() + sprite->getWidth()) / tw;
	float const v1 = float(sprite->getPositionInSheetY() + sprite->getHeight()) / th;
	math::float2 const uv[4] = {math::float2(u0, v0), math::float2(u1, v0), math::float2(u0, v1), math::float2(u1, v1)};
	double const dx = double(x2) - double(x1);
	double const dy = double(y2) - double(y1);
	double const direction = std::atan2(dy, dx);
	double const length = std::hypot(dx, dy);
	// Across the band: the direction turned by 3 pi / 2 (the left of travel on the screen).
	double const across = direction + 4.712389;
	double const ox = std::cos(across) * double(width) * 0.5;
	double const oy = std::sin(across) * double(width) * 0.5;
	double const ex = double(x1) + length * std::cos(direction);
	double const ey = double(y1) + length * std::sin(direction);
	math::float3 const positions[4] = {
		math::float3(float(x1 + ox), float(y1 + oy), 0.001f),
		math::float3(float(ex + ox), float(ey + oy), 0.001f),
		math::float3(float(x1 - ox), float(y1 - oy), 0.001f),
		math::float3(float(ex - ox), float(ey - oy), 0.001f),
	};
	if (!finite(positions, 4))
		return;
	image->draw(m_core.context, positions, uv, nullptr, nullptr);
}

} // namespace host
