#pragma once

#include <game/Sprite.h>
#include <game/SpriteSheet.h>
#include <gr/Image.h>
#include <gr/Texture.h>
#include <lua/LuaState.h>
#include <lua/LuaTable.h>
#include <algorithm>
#include <climits>
#include <cstdint>
#include <string>

// Small helpers the scripts' drawing areas share: colour components and
// coordinates as the scripts give them, optional arguments and fields, and
// whether a sprite can draw.

namespace draw
{

/** A number as the scripts' coordinates are taken: truncated and saturated (NaN gives 0). */
inline int toInt(float v)
{
	return lua::LuaNumber::toInt(v);
}

/** A colour component given in 0..255: truncated, clamped (NaN gives 0). */
inline uint32_t byte255(float v)
{
	return static_cast<uint32_t>(std::clamp(toInt(v), 0, 255));
}

/** A colour component given in 0..1: scaled by 255, then as byte255. */
inline uint32_t byte1(float v)
{
	return byte255(v * 255.f);
}

/** The packed colour of four components in 0..255. */
inline uint32_t argb(uint32_t a, uint32_t r, uint32_t g, uint32_t b)
{
	return a << 24 | r << 16 | g << 8 | b;
}

/** b - a of two truncated coordinates, in 64 bits and saturated to int. */
inline int span(int a, int b)
{
	return static_cast<int>(std::clamp<int64_t>(int64_t(b) - int64_t(a), INT_MIN, INT_MAX));
}

/** True when the sprite draws: its sheet is there and its image has a texture. */
inline bool drawable(game::Sprite const* sprite)
{
	return sprite && sprite->getSheet() && sprite->getImage() && sprite->getImage()->getTexture();
}

/** Argument i is there and not nil. */
inline bool given(lua::LuaState* state, int i)
{
	return state->top() >= i && !state->isNil(i);
}

/** Field key of the table as text when it is a string (or a number), else "". */
inline std::string stringField(lua::LuaTable const& table, char const* key)
{
	return table.isString(key) ? table.getString(key) : std::string();
}

} // draw
