// The masked images of textured scene objects and the selection highlight.
#include <host/MaskedImages.h>
#include <DrawPlacement.h>
#include <host/View.h>
#include <game/Resources.h>
#include <game/Sprite.h>
#include <game/SpriteSheet.h>
#include <gr/Context.h>
#include <gr/RenderState2D.h>
#include <math/float2.h>

namespace host
{

MaskedImages::MaskedImages(Core const& core) : m_core(core)
{
}

MaskedImages::~MaskedImages() = default;

MaskedImage* MaskedImages::maskedImage(std::string const& textureName)
{
	lang::Ptr<MaskedImage>& masked = m_maskedImages[textureName];
	if (!masked)
		masked = new MaskedImage(m_core.context);
	return masked;
}

void MaskedImages::drawSelectedTexturizedObject(std::string const& textureName, std::string const& maskName, float sx, float sy, float x, float y)
{
	game::SpriteSheet* const textureSheet = m_core.resources->getSpriteSheet(textureName);
	game::Sprite* const mask = m_core.resources->getSprite(maskName);
	if (!textureSheet || !textureSheet->getImage() || !mask || !draw::divisor(sx) || !draw::divisor(sy))
		return;
	MaskedImage* const masked = maskedImage(textureName);
	gr::RenderState2D& rs = m_core.context->getRenderState2D();
	rs.translation = math::float2(-m_core.view.topLeftX() / sx, -m_core.view.topLeftY() / sy);
	rs.scale = math::float2(m_core.view.worldScale() * sx, m_core.view.worldScale() * sy);
	masked->add(x, y, textureSheet->getImage(), mask, sx, sy);
	masked->render();
}

int MaskedImages::renderMaskedImageNative(lua::LuaState*)
{
	return 0;
}

void MaskedImages::renderMaskedImages()
{
	for (auto& [name, masked] : m_maskedImages)
		masked->render();
}

} // namespace host
