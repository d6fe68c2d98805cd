// Textured scene objects: setTexture, and the sprites drawGame adds to the
// script drawing's masked images, flushed after each sheet group that used
// them.
#include <DrawPlacement.h>
#include <GameLua.h>
#include <host/RenderObjectData.h>
#include <host/ScriptDrawing.h>
#include <game/Resources.h>
#include <game/SpriteSheet.h>
#include <gr/Context.h>

namespace
{

/** World pixels per metre. */
float const PIXELS_PER_METRE = 20.f;

} // namespace

void GameLua::setTexture(std::string const& name, std::string const& sheetName)
{
	game::SpriteSheet* const sheet = m_resources->getSpriteSheet(sheetName);
	changeObject(name, [&](RenderObjectData& o) {
		o.textureName = sheetName;
		o.textureImage = sheet ? sheet->getImage() : nullptr;
	});
	m_scriptDrawing->maskedImage(sheetName);
}

bool GameLua::addTextured(RenderObjectData& object)
{
	float const sx = object.scaleX;
	float const sy = object.scaleY;
	if (!object.textureImage || !object.sprite || !draw::divisor(sx) || !draw::divisor(sy) || !draw::divisor(object.textureScale))
		return false;
	gr::RenderState2D& state = m_context->getRenderState2D();
	state.translation = math::float2(-m_view.topLeftX() / sx, -m_view.topLeftY() / sy);
	state.scale = math::float2(m_view.worldScale() * sx, m_view.worldScale() * sy);
	m_scriptDrawing->maskedImage(object.textureName)
		->add(PIXELS_PER_METRE * object.renderX / sx, PIXELS_PER_METRE * object.renderY / sy, object.textureImage, object.sprite,
			sx / object.textureScale, sy / object.textureScale);
	return true;
}
