#pragma once

#include <support/HostFixture.h>
#include <GameLua.h>
#include <host/RenderObjectData.h>
#include <datawriter/DataWriter.h>
#include <game/Resources.h>
#include <game/SpriteSheet.h>
#include <gr/Context.h>
#include <gr/Texture.h>
#include <lang/Ptr.h>
#include <string>
#include <vector>

namespace hosttest
{

/** One sprite of a sheet built in memory: name, x, y, width, height, pivot x, y. */
struct SpriteDef
{
	std::string name;
	int x, y, width, height, pivotX, pivotY;
};

/** One part of a composite: sprite name and the offset of its pivot. */
struct PartDef
{
	std::string sprite;
	int x, y;
};

/**
 * A script host on the fake context whose sheets are built in memory: each
 * sheet's image is drawn under the sheet's name in the call log.
 */
class SceneFixture : public test::HostFixture
{
protected:
	/** Stores a sheet of a 64 x 64 image named name with the sprites in the resources. */
	game::SpriteSheet* addSheet(std::string const& name, std::vector<SpriteDef> const& sprites)
	{
		lang::Ptr<gr::Image> image = context->createImage(64, 64, 0, gr::SurfaceFormat::SURFACE_B8G8R8, gr::Context::USAGE_STATIC);
		image->getTexture()->setName(name);
		lang::Ptr<game::SpriteSheet> sheet = new game::SpriteSheet(image);
		for (SpriteDef const& s : sprites)
			sheet->createSprite(s.name, s.x, s.y, s.width, s.height, s.pivotX, s.pivotY);
		resources->addSpriteSheet(name, sheet);
		return sheet;
	}

	/** Loads a composite set file holding the composite name of parts (sprites already in the resources). */
	void addComposite(std::string const& name, std::vector<PartDef> const& parts)
	{
		datawriter::DataWriter w;
		w.beginFile();
		w.beginChunk("COMP").writeShort(1).writeShort(1);
		w.writeUTF(name).writeShort(static_cast<int>(parts.size()));
		for (PartDef const& p : parts)
			w.writeUTF(p.sprite).writeShort(p.x).writeShort(p.y);
		w.endChunk();
		bundle.write(name + ".dat", w.endFile().bytes());
		resources->createCompoSpriteSet(name + ".dat", false);
	}

	/** The record of name (null when none). */
	GameLua::RenderObjectData* object(std::string const& name) { return host().scene().findObject(name); }

	/** The Image.draw calls recorded so far. */
	std::vector<test::Call> draws() const { return context->callsOf("Image.draw"); }
};

} // namespace hosttest
