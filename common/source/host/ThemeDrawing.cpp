// How the theme layers are drawn: the background layers against the
// reference camera, the ground fill, and the foreground layers repeated
// across the view, each with its theme sprites.
#include <host/Themes.h>
#include <DrawPlacement.h>
#include <host/View.h>
#include <game/Resources.h>
#include <gr/Context.h>
#include <gr/RenderState2D.h>
#include <lua/LuaObject.h>
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>

namespace host
{

namespace
{

game::Anchor const DECORATION_PIVOT(game::Anchor::VPIVOT, game::Anchor::HPIVOT);

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

void Themes::drawLayer(float)
{
}

void Themes::drawBackground(float layer)
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

void Themes::drawBackgroundLayer(ThemeLayerData& layer)
{
	float const cw = static_cast<float>(m_core.context->width());
	float const ch = static_cast<float>(m_core.context->height());
	float const s = layer.scale;
	float const z = layer.zDistance;
	float const w = layer.noSprite ? 1024.f / s : layer.width;
	float const h = layer.noSprite ? 1024.f / s : layer.height;
	scroll(layer.scrollOffset, layer.scrollSpeed, w * s / z);

	lua::LuaTable screen = m_core.table.getTable("screen");
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
		m_cameraScale = m_core.view.worldScale();
		m_startingCamera = true;
	}

	float const k = layer.loop ? s * std::max(m_screenRatioY, ch / 768.f) : s * std::max(cw / 1024.f, ch / 768.f);
	float const dx = (screenX - m_cameraX) * z;
	float const dy = (screenY - m_cameraY) * z;
	if (std::isfinite(dx))
		layer.angle = dx * 0.05f * layer.angleMult;
	float const e = (m_core.view.worldScale() - m_cameraScale + z) * layer.scaleSpeed;
	if (layer.posX < -16.f * layer.width)
		layer.posX += 16.f * layer.width;
	float const f = k + e;
	if (!draw::divisor(s) || !draw::divisor(f))
		return;

	gr::RenderState2D& state = m_core.context->getRenderState2D();
	float const pss = m_core.view.physicsSimulationScale();
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
				m_core.resources->drawSprite(sprite.spriteName, x, y, DECORATION_PIVOT);
		}
	};

	if (!layer.noSprite)
	{
		state.pivot = math::float2(float(m_core.resources->getSpritePivotX(layer.sprite)), float(m_core.resources->getSpritePivotY(layer.sprite)));
		draw::setAngle(state, layer.angle);
		state.scale = math::float2(f, f);
		state.translation = math::float2((2.f * layer.posX * f - (k + 2.f * e) * w - dx * layer.xMult) * 0.5f / f,
			((k + 2.f * e) * h + 2.f * layer.posY * f - dy * layer.yMult) * 0.5f / f);
		float const x = layer.offsetX * cw / 1024.f / f;
		float const y = layer.offsetY * ch / 768.f / f;
		if (draw::placeable(state, x, y))
			m_core.resources->drawSprite(layer.sprite, x, y, DECORATION_PIVOT);
		if (draw::divisor(pss))
			drawSprites(m_cameraLimit * 20.f / pss, false);
		return;
	}
	// A layer without sprite shows only its theme sprites, in the first of
	// its bands (the band's own draws name no sprite).
	float const first = 2.f * layer.posX * f - (k + 2.f * e) * w - 8.f * h * f;
	float const bound = cw / (s * m_core.view.worldScale()) + layer.pivotX + 8.f * h * f;
	if (first < bound && draw::divisor(pss))
		drawSprites((10.f * m_cameraLimit + 10.f * cw / 1024.f) / pss, true);
}

void Themes::drawForegroundNative()
{
	if (m_fgLayers.empty())
		return;
	gr::RenderState2D& state = m_core.context->getRenderState2D();
	state = gr::RenderState2D();
	int const cw = m_core.context->width();
	int const ch = m_core.context->height();
	float const ws = m_core.view.worldScale();
	ThemeLayerData const& first = m_fgLayers.front();
	uint32_t const ground = 0xFF000000u | byte(m_groundColor[0]) << 16 | byte(m_groundColor[1]) << 8 | byte(m_groundColor[2]);
	int64_t const y0 = lua::LuaNumber::toInt(double(ws) * ((double(first.height) - first.pivotY) * first.scale - m_core.view.topLeftY()));
	int64_t const height = std::min<int64_t>(int64_t(ch) + 1 - y0, INT_MAX);
	if (height > 0)
		m_core.context->fillRect2D(ground, 0, static_cast<int>(y0), cw, static_cast<int>(height));

	float const pss = m_core.view.physicsSimulationScale();
	for (ThemeLayerData& layer : m_fgLayers)
	{
		float const s = layer.scale;
		float const p = layer.parallax;
		scroll(layer.scrollOffset, layer.scrollSpeed, layer.width * s / p);
		if (draw::divisor(s) && draw::divisor(ws))
		{
			float const range = layer.width * s;
			float const o = draw::divisor(range) ? std::fmod((m_core.view.topLeftX() + layer.scrollOffset) * p, range) : 0.f;
			float const start = -(range + o) / s;
			state.scale = math::float2(ws * s, ws * s);
			state.translation = math::float2(start - std::trunc(start), -m_core.view.topLeftY() / s);
			double const bound = double(cw) / s / ws + layer.pivotX;
			double const left = std::trunc(start);
			repeat(left, layer.width, bound, cw + 2, [&](double x) {
				float const at = static_cast<float>(std::trunc(x));
				if (draw::placeable(state, at, 0.f))
					m_core.resources->drawSprite(layer.sprite, at, 0.f, DECORATION_PIVOT);
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
			state.translation = math::float2(-m * m_core.view.topLeftX() * p / sprite.scaleX, -m_core.view.topLeftY() / sprite.scaleY);
			state.pivot = pivotOf(sprite);
			draw::setAngle(state, m * sprite.angle);
			float const x = m * sprite.x * pss / sprite.scaleX;
			float const y = sprite.y * pss / sprite.scaleY;
			if (draw::placeable(state, x, y))
				m_core.resources->drawSprite(sprite.spriteName, x, y, DECORATION_PIVOT);
		}
	}
}

void Themes::drawForeground()
{
	gr::RenderState2D& state = m_core.context->getRenderState2D();
	state.translation = math::float2(-m_core.view.topLeftX(), -m_core.view.topLeftY());
	draw::setAngle(state, 0.f);
	int const cw = m_core.context->width();
	int const ch = m_core.context->height();
	float const ws = m_core.view.worldScale();
	float const pss = m_core.view.physicsSimulationScale();
	for (ThemeLayerData& layer : m_fgLayers)
	{
		float const s = layer.scale;
		float const z = layer.zDistance;
		scroll(layer.scrollOffset, layer.scrollSpeed, layer.width * s / z);
		if (!draw::divisor(s) || !draw::divisor(ws) || !draw::divisor(pss))
			continue;
		state.scale = math::float2(ws * s, ws * s);
		state.translation = math::float2(-m_core.view.topLeftX(), -m_core.view.topLeftY());
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
					m_core.resources->drawSprite(sprite.spriteName, x, y, DECORATION_PIVOT);
			}
		};
		if (!layer.bgLayer)
		{
			if (layer.width <= 0 || layer.height <= 0)
			{
				repeat(m_core.view.topLeftX() - 512.0 * s, 512.0, m_core.view.topLeftX() + viewWidth, cw + 2, [&](double x) { drawSprites(x, 0.0); });
			}
			else
			{
				double const range = double(layer.width) * s;
				double const o = std::isfinite(z) ? std::fmod((m_core.view.topLeftX() + layer.scrollOffset) * z, range) : 0.0;
				double const firstX = m_core.view.topLeftX() - layer.width - (std::isfinite(o) ? o : 0.0);
				double const firstY = layer.verticalRepetition ? m_core.view.topLeftY() - std::fmod(double(m_core.view.topLeftY()), double(layer.height)) - layer.height : 0.0;
				double const lastY = layer.verticalRepetition ? m_core.view.topLeftY() + viewHeight : 1.0;
				repeat(firstY, layer.height, lastY, ch + 2, [&](double y) {
					double const rowY = layer.verticalRepetition ? y : 0.0;
					repeat(firstX, layer.width, m_core.view.topLeftX() + viewWidth + layer.pivotX, cw + 2, [&](double x) {
						state.pivot = math::float2(float(layer.pivotX), float(layer.pivotY));
						draw::setAngle(state, 0.f);
						if (draw::placeable(state, float(x), float(rowY)))
							m_core.resources->drawSprite(layer.sprite, float(x), float(rowY), DECORATION_PIVOT);
						drawSprites(x, rowY);
					});
				});
			}
		}
		if (!layer.sprites.empty())
		{
			lua::LuaTable screen = m_core.table.getTable("screen");
			float const moveX = (1.f - z) * (screen.getNumber("x") - m_cameraX);
			float const moveY = (1.f - z) * (screen.getNumber("y") - m_cameraY);
			state.scale = math::float2(ws, ws);
			state.translation = math::float2(-m_core.view.topLeftX() + moveX, -m_core.view.topLeftY() + moveY);
			drawSprites(0.0, 0.0);
		}
	}
}

} // namespace host
