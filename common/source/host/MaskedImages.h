#pragma once

#include <host/MaskedImage.h>
#include <host/Core.h>
#include <lang/Ptr.h>
#include <map>
#include <string>

namespace lua
{
class LuaState;
}

namespace host
{

/**
 * The masked images of textured scene objects, one per texture name: the
 * scene adds textured objects to them and renders them; the scripts draw
 * the selection highlight through them.
 *
 * Main thread only.
 */
class MaskedImages
{
public:
	/** None yet; draws through core's context and resources and reads its view. No observable effect. */
	explicit MaskedImages(Core const& core);
	~MaskedImages();

	MaskedImages(MaskedImages const&) = delete;
	MaskedImages& operator=(MaskedImages const&) = delete;

	/** The masked image kept for the texture name, made on first use. */
	MaskedImage* maskedImage(std::string const& textureName);
	/** Renders every masked image in texture-name order. */
	void renderMaskedImages();
	/**
	 * Draws the mask sprite at (x, y) filled with the sheet textureName's
	 * image scaled by (sx, sy), at once, through the texture's masked
	 * image. Nothing for unknown names or a zero or non-finite factor.
	 */
	void drawSelectedTexturizedObject(std::string const& textureName, std::string const& maskName, float sx, float sy, float x, float y);
	/** Raw: accepts anything and does nothing. */
	int renderMaskedImageNative(lua::LuaState* state);

private:
	Core m_core;
	/** Masked images by texture name; dropped with the host, before the context goes. */
	std::map<std::string, lang::Ptr<MaskedImage>> m_maskedImages;
};

} // namespace host
