#include "SpriteSheet.h"
#include <game/ChunkFile.h>
#include <game/ChunkReader.h>
#include <gr/Context.h>

namespace game
{

SpriteSheet::SpriteSheet(gr::Image* image) : m_image(image) {}

SpriteSheet::SpriteSheet(gr::Context* context, std::string const& path)
{
	// A constructor that throws runs no destructor: detach the sprites made
	// so far, so that none is left pointing at this sheet.
	try
	{
		ChunkFile file(path);
		file.readBodies(chunkTag("SPRT"), [&](ChunkReader& in) { readBody(context, file, in); });
	}
	catch (...)
	{
		detachSprites();
		throw;
	}
}

SpriteSheet::~SpriteSheet()
{
	detachSprites();
}

void SpriteSheet::detachSprites()
{
	for (auto& entry : m_sprites)
		entry.second->m_sheet = nullptr;
}

void SpriteSheet::readBody(gr::Context* context, ChunkFile const& file, ChunkReader& in)
{
	m_image = context->createImagefromBundle(file.imagePath(in.readUTF()));
	int const count = in.readCount();
	std::string name;
	for (int i = 0; i < count; ++i)
	{
		in.readUTF(name);
		int const x = in.readShort();
		int const y = in.readShort();
		int const width = in.readShort();
		int const height = in.readShort();
		int const pivotX = in.readShort();
		int const pivotY = in.readShort();
		createSprite(name, x, y, width, height, pivotX, pivotY);
	}
}

Sprite* SpriteSheet::createSprite(std::string const& name, int x, int y, int width, int height, int pivotX, int pivotY)
{
	lang::Ptr<Sprite> sprite = new Sprite(this, m_image, name, x, y, width, height, pivotX, pivotY);
	// Names usually arrive in order, so the end is the likely place.
	auto at = m_sprites.lower_bound(name);
	if (at != m_sprites.end() && at->first == name)
	{
		at->second->m_sheet = nullptr;
		at->second = sprite;
	}
	else
	{
		m_sprites.emplace_hint(at, name, sprite);
	}
	return sprite;
}

Sprite* SpriteSheet::getSprite(std::string const& name) const
{
	auto it = m_sprites.find(name);
	return it != m_sprites.end() ? it->second.ptr() : nullptr;
}

} // game
