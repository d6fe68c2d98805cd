#pragma once

#include <host/Core.h>
#include <host/ThemeData.h>
#include <cstdint>
#include <string>
#include <vector>

namespace lua
{
class LuaState;
}

namespace host
{

/**
 * Themes and layers: the sky and ground colours and the background and
 * foreground layers read from the scripts' "themes" table, their theme
 * sprites, how the layers move each frame and how they are drawn; with them
 * the view state the layers are drawn against: the background colour, the
 * reference camera (the scripts' screen point and the world scale when the
 * first background layer was drawn), the screen ratios and the band theme
 * sprites wrap in.
 *
 * Layer numbers (truncated, saturated) name background layers 0 to B - 1
 * and foreground layers from B on; any other number is ignored.
 *
 * Reads the host table ("themes", "screen"), the context's size, the
 * resources and the view numbers through the core. Main thread only.
 */
class Themes
{
public:
	/**
	 * No layers, black sky and ground, background colour with all bits set,
	 * no reference camera. Nothing is read or drawn until called.
	 */
	explicit Themes(Core const& core);

	// --- View state ----------------------------------------------------------

	/** Background colour packed as red << 16 | green << 8 | blue; all bits set at start. */
	uint32_t getBGColor() const { return m_bgColor; }
	/** Components truncated and clamped to 0..255 (NaN gives 0). */
	void setBGColor(float r, float g, float b);
	/** Raw: () -> r, g, b of the background colour. */
	int getBGColor(lua::LuaState* state);

	/** Cleared, the next background draw records the reference camera again. */
	void setStartingCameraValue(bool recorded);
	/** Whether the reference camera is recorded; cleared by loading another level and by loading the previous one. */
	bool startingCameraValue() const { return m_startingCamera; }

	/** Half-width in metres of the band theme sprites wrap in. */
	void setCameraLimits(float limit);
	float cameraLimit() const { return m_cameraLimit; }

	// --- Themes and their sprites ----------------------------------------------

	/**
	 * Loads themes[themeName]: sky and ground colours and the layers of
	 * "bgLayers" and "fgLayers" (entries 1, 2, ... while tables). The new
	 * layers are built aside and replace the old ones only on success.
	 * @exception lua::LuaException A missing or mistyped table; the old theme stays.
	 */
	void setTheme(std::string const& themeName);
	/**
	 * Recomputes each background layer's offsetY from themes[themeName].bgLayers and offset.
	 * @exception lua::LuaException A missing or mistyped table.
	 */
	void setThemeOffsetY(std::string const& themeName, float offset);
	/** Appends a theme sprite to the layer; nothing for a number naming no layer. */
	void createThemeSprite(std::string const& name, std::string const& spriteName, float x, float y, float scaleX,
		float scaleY, float angle, float layer, float scaleSpeed, bool mirrored, float velX, float velY);
	/** Raw: (table) appends a theme sprite described by its keys; nothing without a table. */
	int createThemeAnimation(lua::LuaState* state);
	/** The first sprite of that name in the layer is erased / changed; others stay. */
	void removeThemeSprite(std::string const& name, float layer);
	void modifyThemeSprite(std::string const& name, float x, float y, float scaleX, float scaleY, float angle, float layer);
	void setThemeSprite(std::string const& name, std::string const& spriteName, float layer);

	std::vector<ThemeLayerData> const& backgroundLayers() const { return m_bgLayers; }
	std::vector<ThemeLayerData> const& foregroundLayers() const { return m_fgLayers; }

	// --- Movement (host/LayerMovement.cpp) -----------------------------------

	/** Turns every theme sprite by its angular speed times dt; angles stay in [0, 2 pi). */
	void rotateThemeSprites(float dt);
	/** Frame step: moves layers and their theme sprites by dt and advances animations. */
	void moveLayerSprites(float dt);

	// --- Drawing (host/ThemeDrawing.cpp) --------------------------------------
	// Through the context's 2D render state; a placement with a zero or
	// non-finite divisor or value draws nothing.

	/**
	 * Sets the background colour to the sky's and draws one background
	 * layer, or all for a negative layer. The first draw after the reference
	 * camera was cleared records it from "screen".x, .y and the world scale.
	 * @exception lua::LuaException When "screen" is not a table of numbers.
	 */
	void drawBackground(float layer);
	/** Fills the ground and draws the foreground layers with their theme sprites. */
	void drawForegroundNative();
	/**
	 * Draws the foreground layers repeated across the view.
	 * @exception lua::LuaException When a layer has theme sprites and "screen" is not a table of numbers.
	 */
	void drawForeground();
	/** Does nothing. */
	void drawLayer(float layer);

private:
	Core m_core;
	uint32_t m_bgColor;
	float m_cameraLimit;
	bool m_startingCamera;
	std::vector<ThemeLayerData> m_bgLayers;
	std::vector<ThemeLayerData> m_fgLayers;
	float m_skyColor[3];
	float m_groundColor[3];
	/** Reference camera: the scripts' screen x, y and the world scale when recorded. */
	float m_cameraX;
	float m_cameraY;
	float m_cameraScale;
	/** Context width / 1024 and height / 768 when first recorded. */
	float m_screenRatioX;
	float m_screenRatioY;
	bool m_screenRatiosRecorded;

	/** The layer of a layer number, or null outside the layers. */
	ThemeLayerData* themeLayer(float layer);
	/** The first theme sprite of that name in the layer, or null. */
	ThemeSpriteData* themeSprite(std::string const& name, float layer);
	/** Draws one background layer with its theme sprites. */
	void drawBackgroundLayer(ThemeLayerData& layer);
};

} // namespace host
