#pragma once

#include <game/Sprite.h>
#include <lang/Ptr.h>
#include <cstdint>
#include <string>
#include <vector>

namespace host
{

/** One theme sprite (a cloud, a planet, an animated decoration) of a layer; a value. */
struct ThemeSpriteData
{
	/** The current frame or image, held while the sprite lives. */
	lang::Ptr<game::Sprite> sprite;
	/** Frame sprite names of an animation. */
	std::vector<std::string> animation;
	float animTimer = 0.f;
	bool isAnimation = false;
	float animDelay = 0.f;
	float currentDelay = 0.f;
	int frame = 0;
	bool loop = false;
	float startX = 0.f;
	float startY = 0.f;
	/** Position in world pixels of the layer. */
	float x = 0.f;
	float y = 0.f;
	float scaleX = 0.f;
	float scaleY = 0.f;
	/** Radians, kept in [0, 2 pi) by rotateThemeSprites. */
	float angle = 0.f;
	/** Radians per unit of rotateThemeSprites' step. */
	float angularSpeed = 0.f;
	bool mirrored = false;
	std::string name;
	std::string spriteName;
	/** Movement and scale change per second (moveLayerSprites). */
	float velX = 0.f;
	float velY = 0.f;
	float scaleSpeed = 0.f;
	/** The start position kept for the wraps. */
	float homeX = 0.f;
	float homeY = 0.f;
};

/** One background or foreground layer: a repeated sprite and its theme sprites; a value. */
struct ThemeLayerData
{
	std::string name;
	std::string sprite;
	int16_t height = 0;
	int16_t width = 0;
	int16_t pivotX = 0;
	int16_t pivotY = 0;
	float parallax = 1.f;
	float zDistance = 0.f;
	float scrollSpeed = 0.f;
	float scale = 1.f;
	float scrollOffset = 0.f;
	bool bgLayer = false;
	bool verticalRepetition = false;
	bool horizontalRepetition = false;
	float velX = 0.f;
	float velY = 0.f;
	float posX = 0.f;
	float posY = 0.f;
	float offsetX = 0.f;
	float offsetY = 0.f;
	float scaleSpeed = 1.f;
	/** Radians; background layers recompute it when drawn. */
	float angle = 0.f;
	float angleMult = 0.f;
	float xMult = 1.f;
	float yMult = 1.f;
	/** A background layer whose sprite name is empty. */
	bool noSprite = false;
	bool loop = true;
	std::vector<ThemeSpriteData> sprites;
};

} // namespace host
