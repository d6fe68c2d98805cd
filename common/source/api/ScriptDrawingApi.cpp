// Script drawing: the render state, lines, rectangles, textured rectangles,
// the selection highlight (a masked image drawn at once) and the clipping
// of localised text into lines for clippedText.
#include <DrawPlacement.h>
#include <GameLua.h>
#include <MaskedImage.h>
#include <game/BitmapFont.h>
#include <game/Resources.h>
#include <game/Sprite.h>
#include <game/SpriteSheet.h>
#include <gr/Context.h>
#include <gr/RenderState2D.h>
#include <gr/Texture.h>
#include <lang/Format.h>
#include <lang/String.h>
#include <lua/LuaException.h>
#include <lua/LuaState.h>
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>

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

/** Break characters of clipped text. */
bool isBreak(unsigned int c)
{
	return c == 10 || c == 32 || c == 45 || c == 8203;
}

/** Widths of runs of code points in a font. */
class RunWidth
{
public:
	RunWidth(game::IFont const& font, std::basic_string<unsigned int> const& text) : m_font(font), m_text(text) {}

	/** Width of text[first, first + count). */
	int operator()(std::size_t first, std::size_t count) const
	{
		if (count == 0)
			return 0;
		std::basic_string<unsigned int> const run = m_text.substr(first, count);
		int units = 0;
		for (unsigned int c : run)
			units += c > 0xFFFF ? 2 : 1;
		return m_font.getStringWidth(lang::string::toUTF8string(run), 0, units);
	}

private:
	game::IFont const& m_font;
	std::basic_string<unsigned int> const& m_text;
};

} // namespace

void GameLua::registerScriptDrawingApi()
{
	registerLuaMethod("setRenderState", this, &GameLua::setRenderStateLua);
	registerMethod("drawLine2D", this, &GameLua::drawLine2D);
	registerMethod("drawRectLines", this, &GameLua::drawRectLines);
	registerLuaMethod("drawRect", this, &GameLua::drawRectLua);
	registerMethod("drawTexturedRect", this, &GameLua::drawTexturedRect);
	registerMethod("drawSelectedTexturizedObject", this, &GameLua::drawSelectedTexturizedObject);
	registerMethod("clipText", this, &GameLua::clipText);
	registerLuaMethod("renderMaskedImageNative", this, &GameLua::renderMaskedImageNativeLua);
}

int GameLua::setRenderStateLua(lua::LuaState* state)
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
	gr::RenderState2D& rs = m_context->getRenderState2D();
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

void GameLua::drawLine2D(float x1, float y1, float x2, float y2, float width, float r, float g, float b, float a)
{
	m_context->drawLine2D(argb(byte255(a), byte255(r), byte255(g), byte255(b)), toInt(x1), toInt(y1), toInt(x2), toInt(y2), toInt(width));
}

void GameLua::drawRectLines(float x1, float y1, float x2, float y2, float width, float r, float g, float b, float a)
{
	uint32_t const colour = argb(byte255(a), byte255(r), byte255(g), byte255(b));
	int const l = toInt(x1), t = toInt(y1), rt = toInt(x2), bm = toInt(y2), w = toInt(width);
	m_context->drawLine2D(colour, l, t, rt, t, w);
	m_context->drawLine2D(colour, l, t, l, bm, w);
	m_context->drawLine2D(colour, l, bm, rt, bm, w);
	m_context->drawLine2D(colour, rt, t, rt, bm, w);
}

int GameLua::drawRectLua(lua::LuaState* state)
{
	float v[8];
	for (int i = 0; i < 8; ++i)
	{
		state->checkType(i + 1, lua::LuaState::TYPE_NUMBER);
		v[i] = state->toNumber(i + 1);
	}
	// A missing keepState is false; another type than boolean raises.
	bool const keepState = state->top() >= 9 && !state->isNil(9) && state->toBoolean(9);
	if (!keepState)
		m_context->setRenderState2D(gr::RenderState2D());
	int const l = toInt(v[4]), t = toInt(v[5]), r = toInt(v[6]), b = toInt(v[7]);
	// Swapped corners fill the same rectangle.
	int const x = std::min(l, r), y = std::min(t, b);
	m_context->fillRect2D(argb(byte1(v[3]), byte1(v[0]), byte1(v[1]), byte1(v[2])), x, y, span(x, std::max(l, r)), span(y, std::max(t, b)));
	return 0;
}

void GameLua::drawTexturedRect(std::string const& spriteName, float x1, float y1, float x2, float y2)
{
	m_context->setRenderState2D(gr::RenderState2D());
	game::SpriteSheet* const sheet = m_resources->findSpriteSheet(spriteName);
	game::Sprite* const sprite = sheet ? sheet->getSprite(spriteName) : nullptr;
	gr::Image* const image = sheet ? sheet->getImage() : nullptr;
	gr::Texture* const texture = image ? image->getTexture() : nullptr;
	if (!sprite || !texture)
		return;
	math::float4 const mapping(float(texture->width()), float(texture->height()), m_topLeftX - float(sprite->getPositionInSheetX()),
		m_topLeftY - float(sprite->getPositionInSheetY()));
	int const l = toInt(x1), t = toInt(y1);
	m_context->texturizeRect2D(image, mapping, l, t, span(l, toInt(x2)), span(t, toInt(y2)));
}

MaskedImage* GameLua::maskedImage(std::string const& textureName)
{
	lang::Ptr<MaskedImage>& masked = m_maskedImages[textureName];
	if (!masked)
		masked = new MaskedImage(m_context);
	return masked;
}

void GameLua::drawSelectedTexturizedObject(std::string const& textureName, std::string const& maskName, float sx, float sy, float x, float y)
{
	game::SpriteSheet* const textureSheet = m_resources->getSpriteSheet(textureName);
	game::Sprite* const mask = m_resources->getSprite(maskName);
	if (!textureSheet || !textureSheet->getImage() || !mask || !draw::divisor(sx) || !draw::divisor(sy))
		return;
	MaskedImage* const masked = maskedImage(textureName);
	gr::RenderState2D& rs = m_context->getRenderState2D();
	rs.translation = math::float2(-m_topLeftX / sx, -m_topLeftY / sy);
	rs.scale = math::float2(m_worldScale * sx, m_worldScale * sy);
	masked->add(x, y, textureSheet->getImage(), mask, sx, sy);
	masked->render();
}

void GameLua::clipText(std::string const& group, std::string const& key, float maxWidth)
{
	game::BitmapFont* const font = m_resources->getCurrentFont();
	std::basic_string<unsigned int> const text = lang::string::toUTF32string(m_resources->getString(group, key));
	lua::LuaTable lines(m_luastate);
	int widest = 0;
	int n = 1;
	std::size_t const length = text.size();
	if (font)
	{
		RunWidth const width(*font, text);
		std::size_t p = 0;
		while (p < length)
		{
			std::size_t const s = p;
			std::size_t end = s;
			std::size_t q = p;
			std::size_t next = length;
			int fitted = 0;
			for (;;)
			{
				std::size_t i = q;
				while (i < length && !isBreak(text[i]))
					++i;
				std::size_t e = i;
				if (i < length && text[i] == 45)
					e = i + 1;
				// Not below the width: the line ends with what fitted, or a word alone is cut.
				if (!(float(width(s, e - s)) < maxWidth))
				{
					if (fitted == 0)
					{
						// The longest prefix narrower than maxWidth, by bisection; at least one character.
						std::size_t lo = 1, hi = e - s;
						while (lo < hi)
						{
							std::size_t const mid = (lo + hi + 1) / 2;
							if (float(width(s, mid)) < maxWidth)
								lo = mid;
							else
								hi = mid - 1;
						}
						end = s + std::max<std::size_t>(lo, 1);
						next = end;
					}
					else
						next = q;
					break;
				}
				++fitted;
				end = e;
				if (e < length && text[e] == 10)
				{
					next = e;
					break;
				}
				std::size_t k = e;
				while (k < length && (text[k] == 32 || text[k] == 8203))
					++k;
				q = k;
				if (q >= length)
				{
					next = q;
					break;
				}
			}
			widest = std::max(widest, width(s, end - s));
			lines.setString(n++, lang::string::toUTF8string(text.substr(s, end - s)));
			p = next < length && text[next] == 10 ? next + 1 : next;
			// Always advance, whatever the widths.
			if (p <= s)
				p = s + 1;
		}
	}
	m_clippedText.setNumber("widestLine", float(widest));
	m_clippedText.setTable("lines", lines);
}

int GameLua::renderMaskedImageNativeLua(lua::LuaState*)
{
	return 0;
}
