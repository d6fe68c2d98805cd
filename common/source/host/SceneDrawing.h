#pragma once

#include <host/Core.h>

namespace host
{

class Aiming;
class ParticleEffects;
class MaskedImages;
class SceneObjects;
class Themes;
struct RenderObjectData;
struct WorldSettings;

/**
 * Scene drawing: the scene's objects drawn depth by depth, sheet group by
 * sheet group, through the context's 2D render state at the view's
 * top-left point and world scale, with the trails, the aiming stream, the
 * world particles and the foreground layers at their places in the pass;
 * and the editing flag.
 *
 * Main thread only.
 */
class SceneDrawing
{
public:
	/** Number of draw depths: objects of depth 0 to DRAW_DEPTHS - 1 are drawn. */
	static constexpr int DRAW_DEPTHS = 170;

	/** Keeps the core and the areas it draws (all borrowed; they outlive this one). No observable effect. */
	SceneDrawing(Core const& core, WorldSettings& settings, SceneObjects& scene, Themes& themes,
		MaskedImages& maskedImages, ParticleEffects& particles, Aiming& aiming);

	SceneDrawing(SceneDrawing const&) = delete;
	SceneDrawing& operator=(SceneDrawing const&) = delete;

	/**
	 * Draws the objects depth by depth, sheet group by sheet group (in the
	 * order each sheet first entered the depth), names in order, through
	 * the context's 2D render state; the foreground layers go just before
	 * depth fgZ (none for fgZ outside the depths). A name without a record
	 * is skipped with a log line; an object without sprite logs "Sprite is
	 * missing for %s"; a placement with a zero or non-finite divisor or
	 * value draws nothing.
	 */
	void drawGame(int fgZ);

	/** Places and draws one object's sprite or composite sprite; scaled by the object's scale unless unscaled. */
	void drawCompoOrNormalSprite(RenderObjectData& object, bool unscaled);

	/** Sets the editing flag and empties the particles' cache. */
	void setEditing(bool editing);

	/**
	 * drawGame's textured branch: adds the object's sprite to its texture's
	 * masked image; false when it has no sprite, texture image or usable
	 * scales (nothing added).
	 */
	bool addTextured(RenderObjectData& object);

private:
	Core m_core;
	WorldSettings& m_settings;
	SceneObjects& m_scene;
	Themes& m_themes;
	MaskedImages& m_maskedImages;
	ParticleEffects& m_particles;
	Aiming& m_aiming;

	/** Draws the parts of a compound object. */
	void drawCompound(RenderObjectData& object);
	/** Draws an object's decorations. */
	void drawDecorations(RenderObjectData& object);
};

} // namespace host
