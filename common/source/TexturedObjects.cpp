// Textured scene objects: setTexture (the object's sheet and its masked
// image in the script drawing).
#include <GameLua.h>
#include <host/RenderObjectData.h>
#include <host/ScriptDrawing.h>
#include <game/Resources.h>
#include <game/SpriteSheet.h>

void GameLua::setTexture(std::string const& name, std::string const& sheetName)
{
	game::SpriteSheet* const sheet = m_resources->getSpriteSheet(sheetName);
	// The change may run after the world's current operation: it keeps its own copies.
	lang::Ptr<gr::Image> const image = sheet ? sheet->getImage() : nullptr;
	changeObject(name, [sheetName, image](RenderObjectData& o) {
		o.textureName = sheetName;
		o.textureImage = image;
	});
	m_scriptDrawing->maskedImage(sheetName);
}
