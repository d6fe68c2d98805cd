// The frame loop's layer step: layers and their theme sprites move, scale
// and animate by the frame time; and the theme sprites' turning.
#include <host/Themes.h>
#include <host/Angles.h>
#include <host/View.h>
#include <game/Resources.h>
#include <gr/Context.h>
#include <cmath>

namespace host
{

namespace
{

/** Moves a theme sprite and changes its scale (never to 0 or below). */
void advance(ThemeSpriteData& sprite, float dt)
{
	sprite.x += sprite.velX * dt;
	sprite.y += sprite.velY * dt;
}

void rescale(ThemeSpriteData& sprite, float dt)
{
	float const s = sprite.scaleX + sprite.scaleSpeed * dt;
	if (s > 0.f)
	{
		sprite.scaleX = s;
		sprite.scaleY += sprite.scaleSpeed * dt;
	}
}

} // namespace

void Themes::moveLayerSprites(float dt)
{
	for (ThemeLayerData& layer : m_bgLayers)
	{
		layer.posX += layer.velX * dt;
		layer.posY += layer.velY * dt;
		auto& sprites = layer.sprites;
		for (size_t i = 0; i < sprites.size();)
		{
			ThemeSpriteData& sprite = sprites[i];
			advance(sprite, dt);
			rescale(sprite, dt);
			// An animation without frames has nothing to advance to.
			if (sprite.isAnimation && !sprite.animation.empty())
			{
				if (sprite.currentDelay > 0.f)
					sprite.currentDelay -= dt;
				else
				{
					sprite.currentDelay = sprite.animDelay;
					if (++sprite.frame >= static_cast<int>(sprite.animation.size()))
					{
						if (!sprite.loop)
						{
							sprites.erase(sprites.begin() + static_cast<std::ptrdiff_t>(i));
							continue;
						}
						sprite.frame = 0;
					}
					sprite.spriteName = sprite.animation[sprite.frame];
					sprite.sprite = m_core.resources->getSprite(sprite.spriteName);
				}
			}
			++i;
		}
	}

	float const scale = m_core.view.physicsSimulationScale();
	bool const wraps = std::isfinite(scale) && scale != 0.f;
	float const width = static_cast<float>(m_core.context->width());
	float const height = static_cast<float>(m_core.context->height());
	for (ThemeLayerData& layer : m_fgLayers)
	{
		layer.posX += layer.velX * dt;
		layer.posY += layer.velY * dt;
		for (ThemeSpriteData& sprite : layer.sprites)
		{
			advance(sprite, dt);
			if (wraps)
			{
				if (std::fabs(sprite.x - sprite.startX) > width * 4.f / scale)
					sprite.x = sprite.homeX + (sprite.velX > 0.f ? -1.f : 1.f) * width * 2.5f / scale;
				if (std::fabs(sprite.y - sprite.startY) > height / scale)
					sprite.y = sprite.homeY + (sprite.velY > 0.f ? -1.f : 1.f) * height / scale;
			}
			rescale(sprite, dt);
		}
	}
}

void Themes::rotateThemeSprites(float dt)
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

} // namespace host
