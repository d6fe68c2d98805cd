// Themes: the sky and ground colours and the background and foreground
// layers read from the scripts' "themes" table, their theme sprites, and
// how the layers are drawn.
#include <DrawPlacement.h>
#include <GameLua.h>
#include <game/Resources.h>
#include <gr/Context.h>
#include <gr/RenderState2D.h>
#include <lua/LuaState.h>
#include <lua.hpp>
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>

namespace
{

float const TWO_PI = 6.2831855f;

game::Anchor const PIVOT(game::Anchor::VPIVOT, game::Anchor::HPIVOT);

/** The number under key, or fallback when the key holds no number. */
float number(lua::LuaTable const& table, char const* key, float fallback)
{
	return table.isNumber(key) ? table.getNumber(key) : fallback;
}

/** The number at index, or fallback. */
float number(lua::LuaTable const& table, int index, float fallback)
{
	return table.isNumber(index) ? table.getNumber(index) : fallback;
}

/** The flag under key, or fallback when the key holds no boolean. */
bool flag(lua::LuaTable const& table, char const* key, bool fallback)
{
	return table.isBoolean(key) ? table.getBoolean(key) : fallback;
}

/** The string under key, or "". */
std::string text(lua::LuaTable const& table, char const* key)
{
	return table.isString(key) ? table.getString(key) : std::string();
}

/** The string at index, or "". */
std::string text(lua::LuaTable const& table, int index)
{
	return table.isString(index) ? table.getString(index) : std::string();
}

/** The keys both kinds of layer read by name. */
void readCommonKeys(lua::LuaTable const& t, ThemeLayerData& layer)
{
	layer.bgLayer = flag(t, "bgLayer", false);
	layer.verticalRepetition = flag(t, "verticalRepetition", false);
	layer.horizontalRepetition = flag(t, "horizontalRepetition", false);
	layer.velX = number(t, "velX", 0.f);
	layer.velY = number(t, "velY", 0.f);
	layer.posX = number(t, "posX", 0.f);
	layer.posY = number(t, "posY", 0.f);
	layer.offsetX = number(t, "offsetX", 0.f);
	layer.offsetY = number(t, "offsetY", 0.f);
	layer.scaleSpeed = number(t, "scaleSpeed", 1.f);
}

/** The layer sprite's width, height and pivot x from the resources (0 for an unknown name). */
void readSpriteSize(game::Resources const& res, ThemeLayerData& layer)
{
	layer.width = static_cast<int16_t>(res.getSpriteWidth(layer.sprite));
	layer.height = static_cast<int16_t>(res.getSpriteHeight(layer.sprite));
	layer.pivotX = static_cast<int16_t>(res.getSpritePivotX(layer.sprite));
}

/** A colour table {r, g, b}. @exception lua::LuaException When key holds no table. */
void readColor(lua::LuaTable const& theme, char const* key, float* rgb)
{
	lua::LuaTable color = theme.getTable(key);
	rgb[0] = color.getNumber("r");
	rgb[1] = color.getNumber("g");
	rgb[2] = color.getNumber("b");
}

/** The layer list under key, read while its entries are tables; none when the key is nil. */
template <class Build>
std::vector<ThemeLayerData> readLayers(lua::LuaTable const& theme, char const* key, Build build)
{
	std::vector<ThemeLayerData> layers;
	if (theme.isNil(key))
		return layers;
	lua::LuaTable list = theme.getTable(key);
	for (int i = 1; list.isTable(i); ++i)
		layers.push_back(build(list.getTable(i)));
	return layers;
}

/** Adds step to offset, reduced with fmod to range when that is finite and not 0; a non-finite result is not kept. */
void scroll(float& offset, float step, float range)
{
	float v = offset + step;
	if (v != 0.f && draw::divisor(range))
		v = std::fmod(v, range);
	if (std::isfinite(v))
		offset = v;
}

/** One packed colour component of a 0..255 float: truncated, clamped (NaN gives 0). */
uint32_t byte(float v)
{
	return static_cast<uint32_t>(std::clamp(lua::LuaNumber::toInt(v * 255.f / 255.f), 0, 255));
}

/** The pivot of a theme sprite's sprite; (0, 0) without one. */
math::float2 pivotOf(ThemeSpriteData const& sprite)
{
	game::Sprite const* image = sprite.sprite;
	return image ? math::float2(float(image->getPivotX()), float(image->getPivotY())) : math::float2(0.f, 0.f);
}

/** The copies of a row: first, first + step, ... while below bound, at most limit; none for a bad step or bound. */
template <class Draw>
void repeat(double first, double step, double bound, int limit, Draw drawCopy)
{
	if (!(step > 0.0) || !std::isfinite(step) || !std::isfinite(bound) || !std::isfinite(first))
		return;
	for (int i = 0; i < limit; ++i)
	{
		double x = first + i * step;
		if (!(x < bound))
			break;
		drawCopy(x);
	}
}

} // namespace

void GameLua::registerThemeApi()
{
	registerMethod("createThemeSprite", this, &GameLua::createThemeSprite);
	registerMethod("removeThemeSprite", this, &GameLua::removeThemeSprite);
	registerMethod("modifyThemeSprite", this, &GameLua::modifyThemeSprite);
	registerMethod("rotateThemeSprites", this, &GameLua::rotateThemeSprites);
	registerMethod("setThemeSprite", this, &GameLua::setThemeSprite);
	registerMethod("setThemeOffsetY", this, &GameLua::setThemeOffsetY);
	registerMethod("drawBackgroundNative", this, &GameLua::drawBackground);
	registerMethod("drawLayer", this, &GameLua::drawLayer);
	registerMethod("setTheme", this, &GameLua::setTheme);
	registerMethod("drawForeground", this, &GameLua::drawForeground);
	registerLuaMethod("createThemeAnimation", this, &GameLua::createThemeAnimation);
}

void GameLua::setTheme(std::string const& themeName)
{
	lua::LuaTable theme = getTable("themes").getTable(themeName);
	float sky[3];
	float ground[3];
	readColor(theme, "skyColor", sky);
	readColor(theme, "groundColor", ground);
	game::Resources& res = *m_resources;
	std::vector<ThemeLayerData> background = readLayers(theme, "bgLayers", [&](lua::LuaTable const& t) {
		ThemeLayerData layer;
		layer.sprite = text(t, "sprite");
		layer.noSprite = layer.sprite.empty();
		layer.parallax = number(t, "parallaxSpeed", 1.f);
		layer.zDistance = number(t, "zDistance", 0.f);
		layer.scrollSpeed = number(t, 5, 0.f);
		layer.scale = number(t, "scale", 1.f);
		layer.angleMult = number(t, "angleMult", 0.f);
		layer.xMult = number(t, "xMult", 1.f);
		layer.yMult = number(t, "yMult", 1.f);
		layer.loop = flag(t, "bLoop", true);
		readCommonKeys(t, layer);
		readSpriteSize(res, layer);
		return layer;
	});
	std::vector<ThemeLayerData> foreground = readLayers(theme, "fgLayers", [&](lua::LuaTable const& t) {
		ThemeLayerData layer;
		layer.name = text(t, 1);
		layer.sprite = text(t, 2);
		layer.parallax = number(t, 3, 1.f);
		layer.scale = number(t, 4, 1.f);
		layer.scrollSpeed = number(t, 5, 0.f);
		readCommonKeys(t, layer);
		readSpriteSize(res, layer);
		layer.pivotY = static_cast<int16_t>(res.getSpritePivotY(layer.sprite));
		return layer;
	});
	std::copy(sky, sky + 3, m_skyColor);
	std::copy(ground, ground + 3, m_groundColor);
	m_bgLayers.swap(background);
	m_fgLayers.swap(foreground);
}

void GameLua::setThemeOffsetY(std::string const& themeName, float offset)
{
	lua::LuaTable list = getTable("themes").getTable(themeName).getTable("bgLayers");
	float const height = static_cast<float>(m_context->height());
	for (size_t i = 0; i < m_bgLayers.size(); ++i)
	{
		ThemeLayerData& layer = m_bgLayers[i];
		float v = layer.sprites.empty() && height > 0.f ? offset * 768.f / height : offset;
		int const entry = static_cast<int>(i) + 1;
		if (list.isTable(entry))
		{
			lua::LuaTable t = list.getTable(entry);
			if (t.isNumber("offsetY"))
				v += t.getNumber("offsetY");
		}
		layer.offsetY = v;
	}
}

ThemeLayerData* GameLua::themeLayer(float layer)
{
	int const n = lua::LuaNumber::toInt(layer);
	if (n < 0)
		return nullptr;
	size_t const i = static_cast<size_t>(n);
	if (i < m_bgLayers.size())
		return &m_bgLayers[i];
	if (i - m_bgLayers.size() < m_fgLayers.size())
		return &m_fgLayers[i - m_bgLayers.size()];
	return nullptr;
}

ThemeSpriteData* GameLua::themeSprite(std::string const& name, float layer)
{
	ThemeLayerData* l = themeLayer(layer);
	if (!l)
		return nullptr;
	for (ThemeSpriteData& sprite : l->sprites)
	{
		if (sprite.name == name)
			return &sprite;
	}
	return nullptr;
}

void GameLua::createThemeSprite(std::string const& name, std::string const& spriteName, float x, float y,
	float scaleX, float scaleY, float angle, float layer, float scaleSpeed, bool mirrored, float velX, float velY)
{
	ThemeLayerData* l = themeLayer(layer);
	if (!l)
		return;
	ThemeSpriteData sprite;
	sprite.sprite = m_resources->getSprite(spriteName);
	sprite.name = name;
	sprite.spriteName = spriteName;
	sprite.startX = sprite.x = sprite.homeX = x;
	sprite.startY = sprite.y = sprite.homeY = y;
	sprite.scaleX = scaleX;
	sprite.scaleY = scaleY;
	sprite.angle = angle;
	sprite.scaleSpeed = scaleSpeed;
	sprite.mirrored = mirrored;
	sprite.velX = velX;
	sprite.velY = velY;
	l->sprites.push_back(std::move(sprite));
}

int GameLua::createThemeAnimation(lua::LuaState* state)
{
	lua_State* lua = lua::LuaAccess::get(state);
	int const top = lua_gettop(lua);
	if (top == 0 || !lua_istable(lua, top))
		return 0;
	lua::LuaTable t = state->toTable(top);
	ThemeLayerData* l = themeLayer(number(t, "layer", 0.f));
	if (!l)
		return 0;
	ThemeSpriteData sprite;
	sprite.startX = sprite.x = sprite.homeX = number(t, "x", 0.f);
	sprite.startY = sprite.y = sprite.homeY = number(t, "y", 0.f);
	sprite.scaleX = number(t, "scaleX", 0.f);
	sprite.scaleY = number(t, "scaleY", 0.f);
	sprite.angle = number(t, "angle", 0.f);
	sprite.name = text(t, "name");
	sprite.spriteName = text(t, "spriteName");
	if (t.isString("spriteName"))
		sprite.sprite = m_resources->getSprite(sprite.spriteName);
	sprite.velX = number(t, "velX", 0.f);
	sprite.velY = number(t, "velY", 0.f);
	sprite.scaleSpeed = number(t, "scaleSpeed", 0.f);
	sprite.animTimer = number(t, "startAnimTimer", 0.f);
	sprite.animDelay = sprite.currentDelay = number(t, "animDelay", 0.f);
	sprite.currentDelay = number(t, "startingDelay", sprite.currentDelay);
	sprite.isAnimation = flag(t, "isAnimation", false);
	sprite.loop = flag(t, "bLoop", false);
	// The frame names, read while the entries are strings (numbers end the list too).
	lua_getfield(lua, top, "animation");
	if (lua_istable(lua, -1))
	{
		for (int i = 1;; ++i)
		{
			lua_rawgeti(lua, -1, i);
			bool const name = lua_type(lua, -1) == LUA_TSTRING;
			if (name)
				sprite.animation.push_back(lua_tostring(lua, -1));
			lua_pop(lua, 1);
			if (!name)
				break;
		}
	}
	lua_pop(lua, 1);
	l->sprites.push_back(std::move(sprite));
	return 0;
}

void GameLua::removeThemeSprite(std::string const& name, float layer)
{
	ThemeLayerData* l = themeLayer(layer);
	if (!l)
		return;
	auto it = std::find_if(l->sprites.begin(), l->sprites.end(), [&](ThemeSpriteData const& s) { return s.name == name; });
	if (it != l->sprites.end())
		l->sprites.erase(it);
}

void GameLua::modifyThemeSprite(std::string const& name, float x, float y, float scaleX, float scaleY, float angle, float layer)
{
	if (ThemeSpriteData* sprite = themeSprite(name, layer))
	{
		sprite->x = x;
		sprite->y = y;
		sprite->scaleX = scaleX;
		sprite->scaleY = scaleY;
		sprite->angle = angle;
	}
}

void GameLua::setThemeSprite(std::string const& name, std::string const& spriteName, float layer)
{
	if (ThemeSpriteData* sprite = themeSprite(name, layer))
	{
		sprite->sprite = m_resources->getSprite(spriteName);
		sprite->spriteName = spriteName;
	}
}

void GameLua::rotateThemeSprites(float dt)
{
	for (std::vector<ThemeLayerData>* layers : {&m_bgLayers, &m_fgLayers})
	{
		for (ThemeLayerData& layer : *layers)
		{
			for (ThemeSpriteData& sprite : layer.sprites)
			{
				float a = std::fmod(sprite.angle + sprite.angularSpeed * dt, TWO_PI);
				if (a < 0.f)
					a += TWO_PI;
				if (std::isfinite(a))
					sprite.angle = a;
			}
		}
	}
}

void GameLua::drawLayer(float)
{
}

void GameLua::drawBackground(float layer)
{
	setBGColor(m_skyColor[0], m_skyColor[1], m_skyColor[2]);
	if (layer < 0.f)
	{
		for (ThemeLayerData& l : m_bgLayers)
			drawBackgroundLayer(l);
		return;
	}
	int const n = lua::LuaNumber::toInt(layer);
	if (static_cast<size_t>(n) < m_bgLayers.size())
		drawBackgroundLayer(m_bgLayers[n]);
}

void GameLua::drawBackgroundLayer(ThemeLayerData& layer)
{
	float const cw = static_cast<float>(m_context->width());
	float const ch = static_cast<float>(m_context->height());
	float const s = layer.scale;
	float const z = layer.zDistance;
	float const w = layer.noSprite ? 1024.f / s : layer.width;
	float const h = layer.noSprite ? 1024.f / s : layer.height;
	scroll(layer.scrollOffset, layer.scrollSpeed, w * s / z);

	lua::LuaTable screen = getTable("screen");
	float const screenX = screen.getNumber("x");
	float const screenY = screen.getNumber("y");
	if (!m_startingCamera)
	{
		if (!m_screenRatiosRecorded)
		{
			m_screenRatioX = cw * (1.f / 1024.f);
			m_screenRatioY = ch / 768.f;
			m_screenRatiosRecorded = true;
		}
		m_cameraX = screenX;
		m_cameraY = screenY;
		m_cameraScale = m_view.worldScale();
		m_startingCamera = true;
	}

	float const k = layer.loop ? s * std::max(m_screenRatioY, ch / 768.f) : s * std::max(cw / 1024.f, ch / 768.f);
	float const dx = (screenX - m_cameraX) * z;
	float const dy = (screenY - m_cameraY) * z;
	if (std::isfinite(dx))
		layer.angle = dx * 0.05f * layer.angleMult;
	float const e = (m_view.worldScale() - m_cameraScale + z) * layer.scaleSpeed;
	if (layer.posX < -16.f * layer.width)
		layer.posX += 16.f * layer.width;
	float const f = k + e;
	if (!draw::divisor(s) || !draw::divisor(f))
		return;

	gr::RenderState2D& state = m_context->getRenderState2D();
	float const pss = m_view.physicsSimulationScale();
	// Theme sprites: kept in their band, then drawn over the layer.
	auto drawSprites = [&](float limit, bool noSpriteLayer) {
		if (!draw::divisor(pss))
			return;
		float const eSprite = noSpriteLayer && !(cw >= 1024.f && ch > 599.f) ? e * cw / 1024.f : e;
		for (ThemeSpriteData& sprite : layer.sprites)
		{
			if (!sprite.isAnimation)
			{
				if (noSpriteLayer)
				{
					if (sprite.x > limit && sprite.velX > 0.f)
						sprite.x -= limit;
					else if (sprite.x < -limit && sprite.velX < 0.f)
						sprite.x += limit;
				}
				else
				{
					// Only wraps that bring the sprite back: the others would push it out for ever.
					if (sprite.x > limit && sprite.velX > 0.f)
						sprite.x = sprite.startX - limit;
					if (sprite.x < -limit && !(sprite.velX > 0.f))
						sprite.x = sprite.x + 4.f * limit;
				}
				if (sprite.y - sprite.startY > 4.f * ch / pss)
					sprite.y = sprite.startY - 10.f;
			}
			math::float2 const scale(sprite.scaleX * k + eSprite, sprite.scaleY * k + eSprite);
			if (!draw::divisor(scale.x) || !draw::divisor(scale.y))
				continue;
			state.pivot = pivotOf(sprite);
			draw::setAngle(state, layer.angle + sprite.angle);
			state.scale = scale;
			state.translation = math::float2((-w * k - dx * layer.xMult) * 0.5f / scale.x, (h * k - dy * layer.yMult) * 0.5f / scale.y);
			float const m = sprite.mirrored ? -1.f : 1.f;
			float const x = m * sprite.x * pss / scale.x;
			float const y = sprite.y * pss / scale.y;
			if (draw::placeable(state, x, y))
				m_resources->drawSprite(sprite.spriteName, x, y, PIVOT);
		}
	};

	if (!layer.noSprite)
	{
		state.pivot = math::float2(float(m_resources->getSpritePivotX(layer.sprite)), float(m_resources->getSpritePivotY(layer.sprite)));
		draw::setAngle(state, layer.angle);
		state.scale = math::float2(f, f);
		state.translation = math::float2((2.f * layer.posX * f - (k + 2.f * e) * w - dx * layer.xMult) * 0.5f / f,
			((k + 2.f * e) * h + 2.f * layer.posY * f - dy * layer.yMult) * 0.5f / f);
		float const x = layer.offsetX * cw / 1024.f / f;
		float const y = layer.offsetY * ch / 768.f / f;
		if (draw::placeable(state, x, y))
			m_resources->drawSprite(layer.sprite, x, y, PIVOT);
		if (draw::divisor(pss))
			drawSprites(m_cameraLimit * 20.f / pss, false);
		return;
	}
	// A layer without sprite shows only its theme sprites, in the first of
	// its bands (the band's own draws name no sprite).
	float const first = 2.f * layer.posX * f - (k + 2.f * e) * w - 8.f * h * f;
	float const bound = cw / (s * m_view.worldScale()) + layer.pivotX + 8.f * h * f;
	if (first < bound && draw::divisor(pss))
		drawSprites((10.f * m_cameraLimit + 10.f * cw / 1024.f) / pss, true);
}

void GameLua::drawForegroundNative()
{
	if (m_fgLayers.empty())
		return;
	gr::RenderState2D& state = m_context->getRenderState2D();
	state = gr::RenderState2D();
	int const cw = m_context->width();
	int const ch = m_context->height();
	float const ws = m_view.worldScale();
	ThemeLayerData const& first = m_fgLayers.front();
	uint32_t const ground = 0xFF000000u | byte(m_groundColor[0]) << 16 | byte(m_groundColor[1]) << 8 | byte(m_groundColor[2]);
	int64_t const y0 = lua::LuaNumber::toInt(double(ws) * ((double(first.height) - first.pivotY) * first.scale - m_view.topLeftY()));
	int64_t const height = std::min<int64_t>(int64_t(ch) + 1 - y0, INT_MAX);
	if (height > 0)
		m_context->fillRect2D(ground, 0, static_cast<int>(y0), cw, static_cast<int>(height));

	float const pss = m_view.physicsSimulationScale();
	for (ThemeLayerData& layer : m_fgLayers)
	{
		float const s = layer.scale;
		float const p = layer.parallax;
		scroll(layer.scrollOffset, layer.scrollSpeed, layer.width * s / p);
		if (draw::divisor(s) && draw::divisor(ws))
		{
			float const range = layer.width * s;
			float const o = draw::divisor(range) ? std::fmod((m_view.topLeftX() + layer.scrollOffset) * p, range) : 0.f;
			float const start = -(range + o) / s;
			state.scale = math::float2(ws * s, ws * s);
			state.translation = math::float2(start - std::trunc(start), -m_view.topLeftY() / s);
			double const bound = double(cw) / s / ws + layer.pivotX;
			double const left = std::trunc(start);
			repeat(left, layer.width, bound, cw + 2, [&](double x) {
				float const at = static_cast<float>(std::trunc(x));
				if (draw::placeable(state, at, 0.f))
					m_resources->drawSprite(layer.sprite, at, 0.f, PIVOT);
			});
		}
		if (!draw::divisor(pss))
			continue;
		for (ThemeSpriteData const& sprite : layer.sprites)
		{
			if (!draw::divisor(sprite.scaleX) || !draw::divisor(sprite.scaleY))
				continue;
			float const m = sprite.mirrored ? -1.f : 1.f;
			state.scale = math::float2(m * ws * sprite.scaleX, ws * sprite.scaleY);
			state.translation = math::float2(-m * m_view.topLeftX() * p / sprite.scaleX, -m_view.topLeftY() / sprite.scaleY);
			state.pivot = pivotOf(sprite);
			draw::setAngle(state, m * sprite.angle);
			float const x = m * sprite.x * pss / sprite.scaleX;
			float const y = sprite.y * pss / sprite.scaleY;
			if (draw::placeable(state, x, y))
				m_resources->drawSprite(sprite.spriteName, x, y, PIVOT);
		}
	}
}

void GameLua::drawForeground()
{
	gr::RenderState2D& state = m_context->getRenderState2D();
	state.translation = math::float2(-m_view.topLeftX(), -m_view.topLeftY());
	draw::setAngle(state, 0.f);
	int const cw = m_context->width();
	int const ch = m_context->height();
	float const ws = m_view.worldScale();
	float const pss = m_view.physicsSimulationScale();
	for (ThemeLayerData& layer : m_fgLayers)
	{
		float const s = layer.scale;
		float const z = layer.zDistance;
		scroll(layer.scrollOffset, layer.scrollSpeed, layer.width * s / z);
		if (!draw::divisor(s) || !draw::divisor(ws) || !draw::divisor(pss))
			continue;
		state.scale = math::float2(ws * s, ws * s);
		state.translation = math::float2(-m_view.topLeftX(), -m_view.topLeftY());
		draw::setAngle(state, 0.f);
		double const viewWidth = double(cw) / (ws * s);
		double const viewHeight = double(ch) / (ws * s);
		// The theme sprites beside one copy of the layer.
		auto drawSprites = [&](double copyX, double copyY) {
			for (ThemeSpriteData const& sprite : layer.sprites)
			{
				float const m = sprite.mirrored ? -1.f : 1.f;
				state.pivot = pivotOf(sprite);
				draw::setAngle(state, m * sprite.angle);
				float const x = static_cast<float>(copyX + m * sprite.x * pss);
				float const y = static_cast<float>(copyY + sprite.y * pss);
				if (draw::placeable(state, x, y))
					m_resources->drawSprite(sprite.spriteName, x, y, PIVOT);
			}
		};
		if (!layer.bgLayer)
		{
			if (layer.width <= 0 || layer.height <= 0)
			{
				repeat(m_view.topLeftX() - 512.0 * s, 512.0, m_view.topLeftX() + viewWidth, cw + 2, [&](double x) { drawSprites(x, 0.0); });
			}
			else
			{
				double const range = double(layer.width) * s;
				double const o = std::isfinite(z) ? std::fmod((m_view.topLeftX() + layer.scrollOffset) * z, range) : 0.0;
				double const firstX = m_view.topLeftX() - layer.width - (std::isfinite(o) ? o : 0.0);
				double const firstY = layer.verticalRepetition ? m_view.topLeftY() - std::fmod(double(m_view.topLeftY()), double(layer.height)) - layer.height : 0.0;
				double const lastY = layer.verticalRepetition ? m_view.topLeftY() + viewHeight : 1.0;
				repeat(firstY, layer.height, lastY, ch + 2, [&](double y) {
					double const rowY = layer.verticalRepetition ? y : 0.0;
					repeat(firstX, layer.width, m_view.topLeftX() + viewWidth + layer.pivotX, cw + 2, [&](double x) {
						state.pivot = math::float2(float(layer.pivotX), float(layer.pivotY));
						draw::setAngle(state, 0.f);
						if (draw::placeable(state, float(x), float(rowY)))
							m_resources->drawSprite(layer.sprite, float(x), float(rowY), PIVOT);
						drawSprites(x, rowY);
					});
				});
			}
		}
		if (!layer.sprites.empty())
		{
			lua::LuaTable screen = getTable("screen");
			float const moveX = (1.f - z) * (screen.getNumber("x") - m_cameraX);
			float const moveY = (1.f - z) * (screen.getNumber("y") - m_cameraY);
			state.scale = math::float2(ws, ws);
			state.translation = math::float2(-m_view.topLeftX() + moveX, -m_view.topLeftY() + moveY);
			drawSprites(0.0, 0.0);
		}
	}
}
