// Shapes the scripts draw: lines, rectangles, textured rectangles,
// composite sprites, gravity visuals and nine-part boxes.
#include <host/ShapeDrawing.h>
#include <DrawPlacement.h>
#include <host/DrawArguments.h>
#include <host/View.h>
#include <game/Anchor.h>
#include <game/CompoSprite.h>
#include <game/Resources.h>
#include <game/Sprite.h>
#include <game/SpriteSheet.h>
#include <gr/Context.h>
#include <gr/Image.h>
#include <gr/RenderState2D.h>
#include <gr/Texture.h>
#include <lua/LuaObject.h>
#include <lua/LuaState.h>
#include <lua/LuaTable.h>
#include <math/float2.h>
#include <math/float4.h>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <string>

namespace host
{

namespace
{

game::Anchor const PART_PIVOT(game::Anchor::VPIVOT, game::Anchor::HPIVOT);

/** The context's 2D render state, given back as it was when the guard ends. */
class SavedState
{
public:
	explicit SavedState(gr::Context* context) : m_state(context->getRenderState2D()), m_saved(m_state) {}
	~SavedState() { m_state = m_saved; }

	gr::RenderState2D& state() { return m_state; }

private:
	gr::RenderState2D& m_state;
	gr::RenderState2D const m_saved;
};

/** A colour component of the table in 0..1; 1 when the field is nil. */
uint32_t componentField(lua::LuaTable const& colour, char const* key)
{
	return draw::byte1(colour.isNil(key) ? 1.f : colour.getNumber(key));
}

/**
 * The named box part can be drawn: a composite sprite, or a sprite whose
 * sheet image has a texture.
 */
bool drawablePart(game::Resources& resources, std::string const& name)
{
	if (name.empty())
		return false;
	game::Sprite* const sprite = resources.getSprite(name);
	if (!sprite)
		return resources.getCompoSprite(name) != nullptr;
	game::SpriteSheet* const sheet = sprite->getSheet();
	gr::Image* const image = sheet ? sheet->getImage() : nullptr;
	return image && image->getTexture();
}

} // namespace

ShapeDrawing::ShapeDrawing(Core const& core) : m_core(core)
{
}

void ShapeDrawing::drawLine2D(float x1, float y1, float x2, float y2, float width, float r, float g, float b, float a)
{
	m_core.context->drawLine2D(draw::argb(draw::byte255(a), draw::byte255(r), draw::byte255(g), draw::byte255(b)), draw::toInt(x1), draw::toInt(y1), draw::toInt(x2), draw::toInt(y2), draw::toInt(width));
}

void ShapeDrawing::drawRectLines(float x1, float y1, float x2, float y2, float width, float r, float g, float b, float a)
{
	uint32_t const colour = draw::argb(draw::byte255(a), draw::byte255(r), draw::byte255(g), draw::byte255(b));
	int const l = draw::toInt(x1), t = draw::toInt(y1), rt = draw::toInt(x2), bm = draw::toInt(y2), w = draw::toInt(width);
	m_core.context->drawLine2D(colour, l, t, rt, t, w);
	m_core.context->drawLine2D(colour, l, t, l, bm, w);
	m_core.context->drawLine2D(colour, l, bm, rt, bm, w);
	m_core.context->drawLine2D(colour, rt, t, rt, bm, w);
}

void ShapeDrawing::drawRect(float red, float green, float blue, float alpha, float x1, float y1, float x2, float y2, bool keepState)
{
	if (!keepState)
		m_core.context->setRenderState2D(gr::RenderState2D());
	int const l = draw::toInt(x1), t = draw::toInt(y1), r = draw::toInt(x2), b = draw::toInt(y2);
	// Swapped corners fill the same rectangle.
	int const x = std::min(l, r), y = std::min(t, b);
	m_core.context->fillRect2D(draw::argb(draw::byte1(alpha), draw::byte1(red), draw::byte1(green), draw::byte1(blue)), x, y, draw::span(x, std::max(l, r)), draw::span(y, std::max(t, b)));
}

void ShapeDrawing::drawTexturedRect(std::string const& spriteName, float x1, float y1, float x2, float y2, bool)
{
	m_core.context->setRenderState2D(gr::RenderState2D());
	game::SpriteSheet* const sheet = m_core.resources->findSpriteSheet(spriteName);
	game::Sprite* const sprite = sheet ? sheet->getSprite(spriteName) : nullptr;
	gr::Image* const image = sheet ? sheet->getImage() : nullptr;
	gr::Texture* const texture = image ? image->getTexture() : nullptr;
	if (!sprite || !texture)
		return;
	math::float4 const mapping(float(texture->width()), float(texture->height()), m_core.view.topLeftX() - float(sprite->getPositionInSheetX()),
		m_core.view.topLeftY() - float(sprite->getPositionInSheetY()));
	int const l = draw::toInt(x1), t = draw::toInt(y1);
	m_core.context->texturizeRect2D(image, mapping, l, t, draw::span(l, draw::toInt(x2)), draw::span(t, draw::toInt(y2)));
}

void ShapeDrawing::drawCompoSprite(std::string const& name, float x, float y)
{
	game::CompoSprite* const compo = m_core.resources->getCompoSprite(name);
	if (!compo)
		return;
	gr::RenderState2D& rs = m_core.context->getRenderState2D();
	math::float2 const pivot = rs.pivot;
	for (int i = 0; i < compo->getSpriteCount(); ++i)
	{
		game::CompoSprite::Entry const& part = compo->getSpriteEntry(i);
		if (!draw::drawable(part.sprite))
			continue;
		rs.pivot = math::float2(float(part.sprite->getPivotX()) - part.x, float(part.sprite->getPivotY()) - part.y);
		if (draw::placeable(rs, x + part.x, y + part.y))
			part.sprite->draw(m_core.context, x + part.x, y + part.y, PART_PIVOT);
	}
	rs.pivot = pivot;
}

int ShapeDrawing::renderGravityVisuals(lua::LuaState* state)
{
	lua::LuaTable const sensor = state->toTable(1);
	float const x = state->toNumber(2);
	float const y = state->toNumber(3);
	float const scale = state->toNumber(4);
	if (!sensor.isString("sensorType") || !sensor.isNumber("addVisualTimer") || !sensor.isBoolean("active") ||
		!sensor.isString("definition") || !sensor.isTable("gravityVisuals"))
		return 0;
	lua::LuaTable blocks;
	if (m_core.table.isTable("blocks"))
		blocks = m_core.table.getTable("blocks");
	else if (m_core.table.isTable("blockTable") && m_core.table.getTable("blockTable").isTable("blocks"))
		blocks = m_core.table.getTable("blockTable").getTable("blocks");
	std::string const definition = sensor.getString("definition");
	if (!blocks.hasReference() || definition.empty() || !blocks.isTable(definition))
		return 0;
	lua::LuaTable const block = blocks.getTable(definition);
	std::string const shape = block.isString("type") ? block.getString("type") : std::string();
	lua::LuaTable const visuals = sensor.getTable("gravityVisuals");
	SavedState saved(m_core.context);
	gr::RenderState2D& rs = saved.state();
	if (shape == "circle")
	{
		float const radius = (sensor.isNumber("radius") ? sensor.getNumber("radius") : 0.f) * 3.f * scale;
		for (int i = 1; !visuals.isNil(i); ++i)
		{
			if (!visuals.isTable(i))
				continue;
			lua::LuaTable const entry = visuals.getTable(i);
			if (!entry.isNumber("scale") || !entry.isNumber("x") || !entry.isNumber("y") || !entry.isString("sprite"))
				continue;
			float const s = radius * 0.019f * entry.getNumber("scale");
			game::Sprite* const sprite = m_core.resources->getSprite(entry.getString("sprite"));
			if (!draw::divisor(s) || !draw::drawable(sprite))
				continue;
			float const ex = entry.getNumber("x");
			float const ey = entry.getNumber("y");
			rs.translation = math::float2(x / s, y / s);
			rs.scale = math::float2(s, s);
			rs.pivot = math::float2(float(sprite->getPivotX()), float(sprite->getPivotY()));
			for (int k = 0; k < 8; ++k)
			{
				float const angle = (k < 4 ? 0.f : float(std::numbers::pi) / 4.f) + float(k % 4) * float(std::numbers::pi) / 2.f;
				draw::setAngle(rs, angle);
				if (draw::placeable(rs, ex, ey))
					sprite->draw(m_core.context, ex, ey, PART_PIVOT);
			}
		}
	}
	else if (shape == "box")
	{
		if (!draw::divisor(scale))
			return 0;
		float const width = sensor.isNumber("width") ? sensor.getNumber("width") : 0.f;
		float const height = sensor.isNumber("height") ? sensor.getNumber("height") : 0.f;
		bool const wide = !(height > width);
		float const half = (wide ? width : height) * 3.f * 0.5f;
		rs.translation = math::float2(x / scale, y / scale);
		rs.scale = math::float2(scale, scale);
		draw::setAngle(rs, 0.f);
		std::string const faded = "THEME_1_GRAVITY_SLICE_BOX_FADED";
		rs.pivot = math::float2(float(m_core.resources->getSpritePivotX(faded)), float(m_core.resources->getSpritePivotY(faded)));
		for (int i = 1; !visuals.isNil(i); ++i)
		{
			if (!visuals.isTable(i))
				continue;
			lua::LuaTable const entry = visuals.getTable(i);
			if (!entry.isNumber("pos") || !entry.isString("sprite"))
				continue;
			game::Sprite* const sprite = m_core.resources->getSprite(entry.getString("sprite"));
			float const offset = entry.getNumber("pos") * half;
			float const ex = wide ? offset : 0.f;
			float const ey = wide ? 0.f : offset;
			if (draw::drawable(sprite) && draw::placeable(rs, ex, ey))
				sprite->draw(m_core.context, ex, ey, PART_PIVOT);
		}
	}
	return 0;
}

int ShapeDrawing::drawBox(lua::LuaState* state)
{
	state->checkType(1, lua::LuaState::TYPE_TABLE);
	lua::LuaTable const parts = lua::LuaValue::readTable(state, 1);
	float x = lua::LuaValue::readFloat(state, 2);
	float y = lua::LuaValue::readFloat(state, 3);
	float const w = lua::LuaValue::readFloat(state, 4);
	float const h = lua::LuaValue::readFloat(state, 5);
	game::Anchor horizontal;
	horizontal.fromString(lua::LuaValue::readString(state, 6).c_str());
	game::Anchor vertical;
	vertical.fromString(lua::LuaValue::readString(state, 7).c_str());
	bool const coloured = draw::given(state, 8);
	if (coloured)
		state->checkType(8, lua::LuaState::TYPE_TABLE);

	std::string const top = draw::stringField(parts, "topMiddle");
	std::string const bottom = draw::stringField(parts, "bottomMiddle");
	std::string const left = draw::stringField(parts, "left");
	std::string const right = draw::stringField(parts, "right");
	float const t = float(m_core.resources->getSpriteHeight(top));
	float const b = float(m_core.resources->getSpriteHeight(bottom));
	float const l = float(m_core.resources->getSpriteWidth(left));
	float const r = float(m_core.resources->getSpriteWidth(right));
	if (horizontal.horizontal == game::Anchor::HCENTER)
		x -= w / 2.f;
	else if (horizontal.horizontal == game::Anchor::RIGHT)
		x -= w;
	if (vertical.vertical == game::Anchor::VCENTER)
		y -= h / 2.f;
	else if (vertical.vertical == game::Anchor::BOTTOM)
		y -= h;
	// Not smaller than its borders (false for NaN) and finite.
	if (!(w >= l + r && h >= t + b) || !std::isfinite(x) || !std::isfinite(y) || !std::isfinite(w) || !std::isfinite(h))
		return 0;

	// The interior.
	float const ix = x + l;
	float const iy = y + t;
	float const iw = w - l - r;
	float const ih = h - t - b;
	game::Anchor const topLeft(game::Anchor::TOP, game::Anchor::LEFT);
	auto stretched = [&](std::string const& name, float px, float py, float pw, float ph) {
		if (drawablePart(*m_core.resources, name))
			m_core.resources->drawSprite(name, px, py, pw, ph, topLeft);
	};
	auto corner = [&](char const* key, float px, float py, game::Anchor::VerticalType v, game::Anchor::HorizontalType hz) {
		std::string const name = draw::stringField(parts, key);
		if (drawablePart(*m_core.resources, name))
			m_core.resources->drawSprite(name, std::floor(px), std::floor(py), game::Anchor(v, hz));
	};
	stretched(top, ix, y, iw, t);
	stretched(bottom, ix, iy + ih, iw, b);
	stretched(left, x, iy, l, ih);
	stretched(right, ix + iw, iy, r, ih);
	corner("topLeft", ix, iy, game::Anchor::BOTTOM, game::Anchor::RIGHT);
	corner("topRight", ix + iw, iy, game::Anchor::BOTTOM, game::Anchor::LEFT);
	corner("bottomLeft", ix, iy + ih, game::Anchor::TOP, game::Anchor::RIGHT);
	corner("bottomRight", ix + iw, iy + ih, game::Anchor::TOP, game::Anchor::LEFT);
	if (coloured)
	{
		lua::LuaTable const colour = lua::LuaValue::readTable(state, 8);
		m_core.context->setRenderState2D(gr::RenderState2D());
		int const cl = draw::toInt(ix), ct = draw::toInt(iy);
		uint32_t const fill = draw::argb(componentField(colour, "alpha"), componentField(colour, "red"), componentField(colour, "green"),
			componentField(colour, "blue"));
		m_core.context->fillRect2D(fill, cl, ct, draw::span(cl, draw::toInt(ix + iw)), draw::span(ct, draw::toInt(iy + ih)));
	}
	else
		stretched(draw::stringField(parts, "center"), ix, iy, iw, ih);
	return 0;
}

} // namespace host
