// Scene drawing: the objects drawn depth by depth, sheet group by sheet
// group, at the view's top-left point and world scale (the background colour
// and reference camera are the themes'); textured objects go to the script
// drawing's masked images, flushed after each sheet group that used them.
#include <host/SceneDrawing.h>
#include <host/Angles.h>
#include <DrawPlacement.h>
#include <host/Particles.h>
#include <host/Aiming.h>
#include <host/ParticleEffects.h>
#include <host/View.h>
#include <host/RenderObjectData.h>
#include <host/SceneObjects.h>
#include <host/MaskedImages.h>
#include <host/Themes.h>
#include <host/WorldSettings.h>
#include <game/CompoSprite.h>
#include <game/Resources.h>
#include <game/Sprite.h>
#include <gr/Context.h>
#include <gr/RenderState2D.h>
#include <lang/Debug.h>
#include <box2d/box2d.h>
#include <algorithm>
#include <cmath>

namespace host
{

namespace
{

/** World pixels per metre. */
float const PIXELS_PER_METRE = 20.f;

game::Anchor const SPRITE_PIVOT(game::Anchor::VPIVOT, game::Anchor::HPIVOT);

/** Draws sprite at x, y with its pivot as anchor unless the placement is not finite. */
void drawAt(gr::Context* context, game::Sprite const& sprite, float x, float y)
{
	if (draw::placeable(context->getRenderState2D(), x, y))
		sprite.draw(context, x, y, SPRITE_PIVOT);
}

/**
 * Draws a composite sprite part by part, each turning about its own pivot:
 * the state's pivot becomes the part's pivot less its offset.
 */
void drawParts(gr::Context* context, game::CompoSprite const& compo, float x, float y)
{
	gr::RenderState2D& state = context->getRenderState2D();
	for (int i = 0, n = compo.getSpriteCount(); i < n; ++i)
	{
		game::CompoSprite::Entry const& entry = compo.getSpriteEntry(i);
		if (!entry.sprite)
			continue;
		state.pivot = math::float2(entry.sprite->getPivotX() - entry.x, entry.sprite->getPivotY() - entry.y);
		drawAt(context, *entry.sprite, x + entry.x, y + entry.y);
	}
}

} // namespace

SceneDrawing::SceneDrawing(Core const& core, WorldSettings& settings, SceneObjects& scene, Themes& themes,
	MaskedImages& maskedImages, ParticleEffects& particles, Aiming& aiming) :
	m_core(core),
	m_settings(settings),
	m_scene(scene),
	m_themes(themes),
	m_maskedImages(maskedImages),
	m_particles(particles),
	m_aiming(aiming)
{
}

void SceneDrawing::setEditing(bool editing)
{
	m_settings.editing = editing;
	m_particles.object().clearParticleCache();
}

void SceneDrawing::drawGame(int fgZ)
{
	gr::RenderState2D& state = m_core.context->getRenderState2D();
	m_particles.drawInWorld(true);
	bool trailsDrawn = false;
	for (int z = 0; z < DRAW_DEPTHS; ++z)
	{
		if (z == fgZ)
			m_themes.drawForegroundNative();
		auto depth = m_scene.drawLists().find(z);
		if (depth == m_scene.drawLists().end())
			continue;
		for (auto const& [sheet, names] : depth->second)
		{
			bool masked = false;
			for (std::string const& name : names)
			{
				RenderObjectData* object = m_scene.findObject(name);
				if (!object)
				{
					lang::Debug::printf("drawGameNative: \"%s\" is in the draw lists without an object\n", name.c_str());
					continue;
				}
				if (object->killingVolume || !object->visible)
					continue;
				if (!trailsDrawn && (object->startsInactive || object->tracked))
				{
					draw::setAngle(state, 0.f);
					m_aiming.drawTrajectories();
					trailsDrawn = true;
				}
				if (object->isCompound)
				{
					drawCompound(*object);
					continue;
				}
				game::CompoSprite const* compo = object->isCompoSprite ? object->compoSprite.ptr() : nullptr;
				game::Sprite const* sprite = object->isCompoSprite ? nullptr : object->sprite.ptr();
				if (compo)
					state.pivot = math::float2(float(compo->getPivotX()), float(compo->getPivotY()));
				else if (sprite)
					state.pivot = math::float2(sprite->getPivotX() + object->pivotOffsetX, sprite->getPivotY() + object->pivotOffsetY);
				else
					continue; // the look-up that found no sprite said so, once
				draw::setAngle(state, object->renderAngle + object->spriteAngle);
				if (object->textureImage && !compo)
					masked = addTextured(*object) || masked;
				else
					drawCompoOrNormalSprite(*object, false);
				if (object->hasDecorations)
					drawDecorations(*object);
			}
			state.scale = math::float2(m_core.view.worldScale(), m_core.view.worldScale());
			if (masked)
				m_maskedImages.renderMaskedImages();
		}
	}
	m_aiming.drawSimulationTrajectory();
	m_particles.drawInWorld(false);
}

void SceneDrawing::drawCompoOrNormalSprite(RenderObjectData& object, bool unscaled)
{
	float const sx = unscaled ? 1.f : object.scaleX;
	float const sy = unscaled ? 1.f : object.scaleY;
	if (!draw::divisor(sx) || !draw::divisor(sy))
		return;
	gr::RenderState2D& state = m_core.context->getRenderState2D();
	float m = 1.f;
	if (object.mirrored)
	{
		draw::setAngle(state, -object.renderAngle);
		m = -1.f;
	}
	if (object.useFirstAngle)
		draw::setAngle(state, object.firstAngle);
	state.scale = math::float2(m * m_core.view.worldScale() * sx, m_core.view.worldScale() * sy);
	state.translation = math::float2(m * (object.pivotOffsetX - m_core.view.topLeftX()) / sx, (object.pivotOffsetY - m_core.view.topLeftY()) / sy);
	float const x = m * PIXELS_PER_METRE * object.renderX / sx;
	float const y = PIXELS_PER_METRE * object.renderY / sy;
	if (object.isCompoSprite)
	{
		if (object.compoSprite)
			drawParts(m_core.context, *object.compoSprite, x, y);
	}
	else if (object.sprite)
		drawAt(m_core.context, *object.sprite, x, y);
}

void SceneDrawing::drawCompound(RenderObjectData& object)
{
	gr::RenderState2D& state = m_core.context->getRenderState2D();
	float const sx = object.scaleX;
	float const sy = object.scaleY;
	if (!draw::divisor(sx) || !draw::divisor(sy))
		return;
	float c = std::cos(object.renderAngle);
	float s = std::sin(object.renderAngle);
	if (object.body)
	{
		b2Rot const& q = object.body->GetTransform().q;
		c = q.c;
		s = q.s;
	}
	size_t const parts = std::min({object.partOffsets.size(), object.partAngles.size(), object.partSprites.size(),
		object.partCompoSprites.size()});
	for (size_t i = 0; i < parts; ++i)
	{
		game::Sprite const* sprite = object.partSprites[i];
		game::CompoSprite const* compo = object.partCompoSprites[i];
		if (!sprite && !compo)
			continue; // the compound's creation reported a missing sprite, once
		b2Vec2 const& offset = object.partOffsets[i];
		float const px = object.renderX + c * offset.x - s * offset.y;
		float const py = object.renderY + s * offset.x + c * offset.y;
		draw::setAngle(state, object.renderAngle + object.partAngles[i]);
		state.pivot = sprite ? math::float2(float(sprite->getPivotX()), float(sprite->getPivotY()))
							 : math::float2(float(compo->getPivotX()), float(compo->getPivotY()));
		state.scale = math::float2(m_core.view.worldScale() * sx, m_core.view.worldScale() * sy);
		state.translation = math::float2(-m_core.view.topLeftX() / sx, -m_core.view.topLeftY() / sy);
		float const x = PIXELS_PER_METRE * px / sx;
		float const y = PIXELS_PER_METRE * py / sy;
		if (sprite)
			drawAt(m_core.context, *sprite, x, y);
		else
			drawParts(m_core.context, *compo, x, y);
	}
}

void SceneDrawing::drawDecorations(RenderObjectData& object)
{
	DecorationData const* decoration = object.decoration;
	if (!decoration || decoration->amount < 1)
		return;
	float const sx = object.scaleX * decoration->scale;
	float const sy = object.scaleY * decoration->scale;
	if (!draw::divisor(sx) || !draw::divisor(sy))
		return;
	gr::RenderState2D& state = m_core.context->getRenderState2D();
	math::float2 const pivot(float(m_core.resources->getSpritePivotX(decoration->sprite)), float(m_core.resources->getSpritePivotY(decoration->sprite)));
	float const x = PIXELS_PER_METRE * object.renderX / sx;
	float const y = PIXELS_PER_METRE * object.renderY / sy;
	float a = object.renderAngle;
	for (int i = 0; i < decoration->amount; ++i)
	{
		state.pivot = pivot;
		draw::setAngle(state, a);
		state.translation = math::float2(-m_core.view.topLeftX() / sx, -m_core.view.topLeftY() / sy);
		state.scale = math::float2(m_core.view.worldScale() * sx, m_core.view.worldScale() * sy);
		if (draw::placeable(state, x, y))
			m_core.resources->drawSprite(decoration->sprite, x, y, SPRITE_PIVOT);
		a = std::fmod(a + decoration->angleIncrement * PI / 180.f, TWO_PI);
		if (a < 0.f)
			a += TWO_PI;
		if (!std::isfinite(a))
			break; // every further copy would land at the same unplaceable angle
	}
}

bool SceneDrawing::addTextured(RenderObjectData& object)
{
	float const sx = object.scaleX;
	float const sy = object.scaleY;
	if (!object.textureImage || !object.sprite || !draw::divisor(sx) || !draw::divisor(sy) || !draw::divisor(object.textureScale))
		return false;
	gr::RenderState2D& state = m_core.context->getRenderState2D();
	state.translation = math::float2(-m_core.view.topLeftX() / sx, -m_core.view.topLeftY() / sy);
	state.scale = math::float2(m_core.view.worldScale() * sx, m_core.view.worldScale() * sy);
	m_maskedImages.maskedImage(object.textureName)
		->add(PIXELS_PER_METRE * object.renderX / sx, PIXELS_PER_METRE * object.renderY / sy, object.textureImage, object.sprite,
			sx / object.textureScale, sy / object.textureScale);
	return true;
}

} // namespace host
