#include "CompoSpriteSet.h"
#include <game/ChunkFile.h>
#include <game/ChunkReader.h>
#include <game/SpriteProvider.h>
#include <lang/Exception.h>
#include <lang/Format.h>

namespace game
{

CompoSpriteSet::CompoSpriteSet(io::InputStream& stream, SpriteProvider* provider)
{
	ChunkFile file(stream);
	if (!file.isContainer())
		file.malformed();

	int tag = 0;
	ChunkReader in = file.whole();
	std::string spriteName;
	while (file.nextChunk(tag, in))
	{
		if (tag != chunkTag("COMP"))
			continue;
		int const version = in.readShort();
		if (version != 1 && version != 2)
			continue;
		int const count = in.readCount();
		for (int i = 0; i < count; ++i)
		{
			std::string const name = in.readUTF();
			lang::Ptr<CompoSprite> compo = new CompoSprite();
			int const parts = in.readCount();
			for (int k = 0; k < parts; ++k)
			{
				in.readUTF(spriteName);
				float const x = in.readShort();
				float const y = in.readShort();
				Sprite* const sprite = provider->getSprite(spriteName);
				if (!sprite)
					lang::throwError(lang::Exception(lang::Format("Sprite \"{0}\" not loaded while loading {1}", spriteName, file.name())));
				compo->addSprite(spriteName, x, y, sprite);
			}
			if (version == 2)
			{
				// Further records of version 2 are read and not used.
				int const extra = in.readCount();
				for (int k = 0; k < extra; ++k)
				{
					in.readUTF(spriteName);
					in.readShort();
					in.readShort();
				}
			}
			m_compoSprites[name] = compo;
		}
	}
}

CompoSpriteSet::~CompoSpriteSet() {}

CompoSprite* CompoSpriteSet::getCompoSprite(std::string const& name) const
{
	auto it = m_compoSprites.find(name);
	return it != m_compoSprites.end() ? it->second.ptr() : nullptr;
}

} // game
