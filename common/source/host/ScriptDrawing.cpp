// Script drawing: the render state, lines, rectangles, textured rectangles,
// the selection highlight (a masked image drawn at once), the masked images
// of textured objects and the clipping of localised text into lines for
// clippedText.
#include <host/ScriptDrawing.h>
#include <DrawPlacement.h>
#include <host/HostView.h>
#include <host/TextLines.h>
#include <game/BitmapFont.h>
#include <game/CompoSprite.h>
#include <game/Resources.h>
#include <game/Sprite.h>
#include <game/SpriteSheet.h>
#include <game/Transform.h>
#include <gr/Context.h>
#include <gr/RenderState2D.h>
#include <gr/Texture.h>
#include <lang/Format.h>
#include <lua/LuaException.h>
#include <lua/LuaObject.h>
#include <lua/LuaState.h>
#include <lua/LuaTable.h>
#include <math/float3.h>
#include <math/float4x4.h>
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <string>

namespace
{

/** A colour component given in 0..255: truncated, clamped (NaN gives 0). */
uint32_t byte255(float v)
{
	return static_cast<uint32_t>(std::clamp(lua::LuaNumber::toInt(v), 0, 255));
}

/** A colour component given in 0..1: scaled by 255, then as byte255. */
uint32_t byte1(float v)
{
	return byte255(v * 255.f);
}

uint32_t argb(uint32_t a, uint32_t r, uint32_t g, uint32_t b)
{
	return a << 24 | r << 16 | g << 8 | b;
}

int toInt(float v)
{
	return lua::LuaNumber::toInt(v);
}

/** b - a of two truncated coordinates, in 64 bits and saturated to int. */
int span(int a, int b)
{
	return static_cast<int>(std::clamp<int64_t>(int64_t(b) - int64_t(a), INT_MIN, INT_MAX));
}

} // namespace

ScriptDrawing::ScriptDrawing(HostCore const& core) : m_core(core), m_clippedText(core.table.getLuaState())
{
}

ScriptDrawing::~ScriptDrawing() = default;

int ScriptDrawing::setRenderState(lua::LuaState* state)
{
	int const count = state->top();
	if (count < 2 || count > 8)
		throw lua::LuaException(lang::Format("setRenderState: {0} arguments (2 to 8 wanted)", count));
	float v[8] = {};
	for (int i = 0; i < count; ++i)
	{
		state->checkType(i + 1, lua::LuaState::TYPE_NUMBER);
		v[i] = state->toNumber(i + 1);
	}
	gr::RenderState2D& rs = m_core.context->getRenderState2D();
	rs.translation = math::float2(v[0], v[1]);
	if (count >= 4)
		rs.scale = math::float2(v[2], v[3]);
	if (count >= 5)
		draw::setAngle(rs, v[4]);
	if (count >= 7)
		rs.pivot = math::float2(v[5], v[6]);
	if (count == 8)
		rs.alpha = v[7];
	return 0;
}

void ScriptDrawing::drawLine2D(float x1, float y1, float x2, float y2, float width, float r, float g, float b, float a)
{
	m_core.context->drawLine2D(argb(byte255(a), byte255(r), byte255(g), byte255(b)), toInt(x1), toInt(y1), toInt(x2), toInt(y2), toInt(width));
}

void ScriptDrawing::drawRectLines(float x1, float y1, float x2, float y2, float width, float r, float g, float b, float a)
{
	uint32_t const colour = argb(byte255(a), byte255(r), byte255(g), byte255(b));
	int const l = toInt(x1), t = toInt(y1), rt = toInt(x2), bm = toInt(y2), w = toInt(width);
	m_core.context->drawLine2D(colour, l, t, rt, t, w);
	m_core.context->drawLine2D(colour, l, t, l, bm, w);
	m_core.context->drawLine2D(colour, l, bm, rt, bm, w);
	m_core.context->drawLine2D(colour, rt, t, rt, bm, w);
}

void ScriptDrawing::drawRect(float red, float green, float blue, float alpha, float x1, float y1, float x2, float y2, bool keepState)
{
	if (!keepState)
		m_core.context->setRenderState2D(gr::RenderState2D());
	int const l = toInt(x1), t = toInt(y1), r = toInt(x2), b = toInt(y2);
	// Swapped corners fill the same rectangle.
	int const x = std::min(l, r), y = std::min(t, b);
	m_core.context->fillRect2D(argb(byte1(alpha), byte1(red), byte1(green), byte1(blue)), x, y, span(x, std::max(l, r)), span(y, std::max(t, b)));
}

void ScriptDrawing::drawTexturedRect(std::string const& spriteName, float x1, float y1, float x2, float y2, bool)
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
	int const l = toInt(x1), t = toInt(y1);
	m_core.context->texturizeRect2D(image, mapping, l, t, span(l, toInt(x2)), span(t, toInt(y2)));
}

// --- Textured lines, composite sprites, rubber bands, gravity visuals ------

namespace
{

game::Anchor const PART_PIVOT(game::Anchor::VPIVOT, game::Anchor::HPIVOT);

/** True when the sprite draws: its sheet is there and its image has a texture. */
bool drawable(game::Sprite const* sprite)
{
	return sprite && sprite->getSheet() && sprite->getImage() && sprite->getImage()->getTexture();
}

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

} // namespace

bool ScriptDrawing::getLineCorners(gr::Context* context, math::float2* corners, int x1, int y1, int x2, int y2, int width)
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

void ScriptDrawing::drawTexturedLine2D(std::string const& spriteName, float x1, float y1, float x2, float y2, float width, float, float, float, float)
{
	game::Sprite* const sprite = m_core.resources->getSprite(spriteName);
	if (!drawable(sprite))
		return;
	math::float2 corners[4];
	if (!getLineCorners(m_core.context, corners, toInt(x1), toInt(y1), toInt(x2), toInt(y2), toInt(width)))
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

void ScriptDrawing::drawCompoSprite(std::string const& name, float x, float y)
{
	game::CompoSprite* const compo = m_core.resources->getCompoSprite(name);
	if (!compo)
		return;
	gr::RenderState2D& rs = m_core.context->getRenderState2D();
	math::float2 const pivot = rs.pivot;
	for (int i = 0; i < compo->getSpriteCount(); ++i)
	{
		game::CompoSprite::Entry const& part = compo->getSpriteEntry(i);
		if (!drawable(part.sprite))
			continue;
		rs.pivot = math::float2(float(part.sprite->getPivotX()) - part.x, float(part.sprite->getPivotY()) - part.y);
		if (draw::placeable(rs, x + part.x, y + part.y))
			part.sprite->draw(m_core.context, x + part.x, y + part.y, PART_PIVOT);
	}
	rs.pivot = pivot;
}

void ScriptDrawing::drawRubberband(float x1, float y1, float x2, float y2, float width, std::string const& spriteName)
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

int ScriptDrawing::renderGravityVisuals(lua::LuaState* state)
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
			if (!draw::divisor(s) || !drawable(sprite))
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
			if (drawable(sprite) && draw::placeable(rs, ex, ey))
				sprite->draw(m_core.context, ex, ey, PART_PIVOT);
		}
	}
	return 0;
}

MaskedImage* ScriptDrawing::maskedImage(std::string const& textureName)
{
	lang::Ptr<MaskedImage>& masked = m_maskedImages[textureName];
	if (!masked)
		masked = new MaskedImage(m_core.context);
	return masked;
}

void ScriptDrawing::drawSelectedTexturizedObject(std::string const& textureName, std::string const& maskName, float sx, float sy, float x, float y)
{
	game::SpriteSheet* const textureSheet = m_core.resources->getSpriteSheet(textureName);
	game::Sprite* const mask = m_core.resources->getSprite(maskName);
	if (!textureSheet || !textureSheet->getImage() || !mask || !draw::divisor(sx) || !draw::divisor(sy))
		return;
	MaskedImage* const masked = maskedImage(textureName);
	gr::RenderState2D& rs = m_core.context->getRenderState2D();
	rs.translation = math::float2(-m_core.view.topLeftX() / sx, -m_core.view.topLeftY() / sy);
	rs.scale = math::float2(m_core.view.worldScale() * sx, m_core.view.worldScale() * sy);
	masked->add(x, y, textureSheet->getImage(), mask, sx, sy);
	masked->render();
}

void ScriptDrawing::clipText(std::string const& group, std::string const& key, float maxWidth)
{
	game::BitmapFont* const font = m_core.resources->getCurrentFont();
	std::string const text = m_core.resources->getString(group, key);
	lua::LuaTable lines(m_core.table.getLuaState());
	TextLines broken;
	if (font)
		broken = breakTextLines(*font, text, maxWidth);
	int n = 1;
	for (std::string const& line : broken.lines)
		lines.setString(n++, line);
	m_clippedText.setNumber("widestLine", float(broken.widest));
	m_clippedText.setTable("lines", lines);
}

namespace
{

/**
 * Puts the 2D render state's alpha factor and custom model transform and
 * the context's projection back as they were when it was made, on every
 * exit. A changed projection is set back after a flush, so that what was
 * drawn under it is drawn with it.
 */
class DrawStateRestore
{
public:
	explicit DrawStateRestore(gr::Context* context) :
		m_context(context),
		m_projection(context->projectionTransform()),
		m_alpha(context->getRenderState2D().alpha),
		m_worldSpace(context->getRenderState2D().worldSpace),
		m_transform(context->getRenderState2D().transform)
	{
	}

	~DrawStateRestore()
	{
		math::float4x4 const& now = m_context->projectionTransform();
		if (!std::equal(now.data(), now.data() + math::float4x4::SIZE, m_projection.data()))
		{
			m_context->flush();
			m_context->setProjection(m_projection);
		}
		gr::RenderState2D& rs = m_context->getRenderState2D();
		rs.alpha = m_alpha;
		rs.worldSpace = m_worldSpace;
		rs.transform = m_transform;
	}

	DrawStateRestore(DrawStateRestore const&) = delete;
	DrawStateRestore& operator=(DrawStateRestore const&) = delete;

private:
	gr::Context* m_context;
	math::float4x4 const m_projection;
	float const m_alpha;
	bool const m_worldSpace;
	math::float4x4 const m_transform;
};

/** Argument i is there and not nil. */
bool given(lua::LuaState* state, int i)
{
	return state->top() >= i && !state->isNil(i);
}

/** Number argument i, or fallback when it is missing or nil. */
float optionalNumber(lua::LuaState* state, int i, float fallback)
{
	return given(state, i) ? lua::LuaValue::readFloat(state, i) : fallback;
}

/** Field key of the table as text when it is a string (or a number), else "". */
std::string stringField(lua::LuaTable const& table, char const* key)
{
	return table.isString(key) ? table.getString(key) : std::string();
}

/** A colour component of the table in 0..1; 1 when the field is nil. */
uint32_t componentField(lua::LuaTable const& colour, char const* key)
{
	return byte1(colour.isNil(key) ? 1.f : colour.getNumber(key));
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

/**
 * Calls entry:draw(x, y, sx, sy, angle) for each entry of the element's
 * "lines" from 1 until nil (none without such a table).
 * @exception lua::LuaException An entry that is not a table, or what its draw raises.
 */
void drawClippedLines(lua::LuaState* state, lua::LuaTable const& element, float x, float y, float sx, float sy, float angle)
{
	if (!element.isTable("lines"))
		return;
	lua::LuaTable const lines = element.getTable("lines");
	for (int i = 1; !lines.isNil(i); ++i)
	{
		lua::LuaTable const entry = lines.getTable(i);
		lua::LuaStackRestore const restore(state);
		lua::LuaValue::push(state, entry);
		state->pushString("draw");
		state->getTable(-2);
		lua::LuaValue::push(state, entry);
		for (float v : {x, y, sx, sy, angle})
			state->pushNumber(v);
		state->call(6, 0);
	}
}

} // namespace

void ScriptDrawing::drawString3D(std::string const& group, std::string const& key, float tx, float ty, float tz, float angle, float x,
	float y, float alpha)
{
	m_core.context->flush();
	DrawStateRestore const restore(m_core.context);
	m_core.context->setPerspectiveProjection(-1.5f, 0.001f, 2000.f, -1.33f);
	math::float4x4 model(1.f);
	model.setRotation(math::float3(1.f, 0.f, 0.f), angle);
	model.setTranslation(math::float3(tx, ty, tz));
	gr::RenderState2D& rs = m_core.context->getRenderState2D();
	rs.alpha = alpha;
	rs.worldSpace = true;
	rs.transform = model;
	// restore flushes the text before the projection goes back.
	m_core.resources->drawString(group, key, x, y, game::Anchor(game::Anchor::TOP, game::Anchor::LEFT));
}

int ScriptDrawing::drawUIText(lua::LuaState* state)
{
	state->checkType(1, lua::LuaState::TYPE_TABLE);
	lua::LuaTable const element = lua::LuaValue::readTable(state, 1);
	float const x = optionalNumber(state, 2, 0.f);
	float const y = optionalNumber(state, 3, 0.f);
	float const sx = optionalNumber(state, 4, 1.f);
	float const sy = optionalNumber(state, 5, 1.f);
	float const angle = optionalNumber(state, 6, 0.f);
	bool const hasAlpha = given(state, 7);
	float const alpha = optionalNumber(state, 7, 1.f);
	if (!element.getBoolean("visible"))
		return 0;
	// An unknown name leaves the current font in place, and the text is drawn with that.
	m_core.resources->useFont(element.isString("font") ? element.getString("font") : std::string("FONT_BASIC_SPACE"));

	float const scaleX = sx * element.getNumber("scaleX");
	float const scaleY = sy * element.getNumber("scaleY");
	float const ex = x + element.getNumber("x");
	float const ey = y + element.getNumber("y");
	DrawStateRestore const restore(m_core.context);
	gr::RenderState2D& rs = m_core.context->getRenderState2D();
	if (element.getBoolean("clipped"))
	{
		if (hasAlpha)
			rs.alpha = alpha;
		drawClippedLines(state, element, ex, ey, scaleX, scaleY, angle);
		return 0;
	}

	// The position is divided by the scale.
	if (!draw::divisor(scaleX) || !draw::divisor(scaleY))
		return 0;
	game::Anchor anchor;
	anchor.fromString(stringField(element, "hanchor").c_str());
	anchor.fromString(stringField(element, "vanchor").c_str());
	float px = ex / scaleX;
	float py = ey / scaleY;
	if (element.getBoolean("floorCoordinates"))
	{
		px = std::floor(px);
		py = std::floor(py);
	}
	if (hasAlpha && alpha < 1.f)
		rs.alpha = alpha;
	rs.scale = math::float2(scaleX, scaleY);
	draw::setAngle(rs, angle);
	bool const pivot = element.isNumber("rotationPivotX") && element.isNumber("rotationPivotY");
	rs.pivot = pivot ? math::float2(element.getNumber("rotationPivotX"), element.getNumber("rotationPivotY")) : math::float2(0.f, 0.f);
	if (!draw::placeable(rs, px, py))
		return 0;
	m_core.resources->drawString(stringField(element, "group"), stringField(element, "text"), px, py, anchor);
	return 0;
}

int ScriptDrawing::drawBox(lua::LuaState* state)
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
	bool const coloured = given(state, 8);
	if (coloured)
		state->checkType(8, lua::LuaState::TYPE_TABLE);

	std::string const top = stringField(parts, "topMiddle");
	std::string const bottom = stringField(parts, "bottomMiddle");
	std::string const left = stringField(parts, "left");
	std::string const right = stringField(parts, "right");
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
		std::string const name = stringField(parts, key);
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
		int const cl = toInt(ix), ct = toInt(iy);
		uint32_t const fill = argb(componentField(colour, "alpha"), componentField(colour, "red"), componentField(colour, "green"),
			componentField(colour, "blue"));
		m_core.context->fillRect2D(fill, cl, ct, span(cl, toInt(ix + iw)), span(ct, toInt(iy + ih)));
	}
	else
		stretched(stringField(parts, "center"), ix, iy, iw, ih);
	return 0;
}

int ScriptDrawing::renderMaskedImageNative(lua::LuaState*)
{
	return 0;
}

void ScriptDrawing::renderMaskedImages()
{
	for (auto& [name, masked] : m_maskedImages)
		masked->render();
}
