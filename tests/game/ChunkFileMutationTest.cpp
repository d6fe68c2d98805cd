// Damaged data files: every truncation and seeded byte flips of writer-made
// sheets, composite sets and fonts either load or raise lang::Exception,
// under the sanitizers, without reading out of bounds or leaking.

#include "GameFixtures.h"
#include <game/BitmapFont.h>
#include <game/CompoSpriteSet.h>
#include <game/SpriteSheet.h>
#include <io/ByteArrayInputStream.h>
#include <lang/Exception.h>
#include <gtest/gtest.h>
#include <functional>
#include <random>

using datawriter::DataWriter;

namespace
{

int const FLIPS = 300;

/** Loads bytes as the file "m/f.dat" of a fresh bundle; false when it raised lang::Exception. */
typedef std::function<bool(gametest::Bundle&, std::string const&)> Loader;

bool loadSheet(gametest::Bundle& b, std::string const& bytes)
{
	b.write("m/f.dat", bytes);
	try
	{
		lang::Ptr<game::SpriteSheet> sheet = new game::SpriteSheet(b.context, "m/f.dat");
		for (auto const& entry : sheet->getSprites())
			entry.second->draw(b.context, 0, 0, game::Anchor());
		return true;
	}
	catch (lang::Exception const&)
	{
		return false;
	}
}

bool loadFont(gametest::Bundle& b, std::string const& bytes)
{
	b.write("m/f.dat", bytes);
	try
	{
		lang::Ptr<game::BitmapFont> font = new game::BitmapFont(b.context, "m/f.dat");
		font->drawString(b.context, "AB\xe8\x80\x80", 0, 0, game::Anchor());
		return true;
	}
	catch (lang::Exception const&)
	{
		return false;
	}
}

bool loadComposites(gametest::Bundle& b, std::string const& bytes)
{
	lang::Ptr<game::SpriteSheet> parts = new game::SpriteSheet(b.context->createImage(8, 8, 1, gr::SurfaceFormat::SURFACE_A8R8G8B8, gr::Context::USAGE_STATIC));
	parts->createSprite("a", 0, 0, 4, 4, 2, 2);
	parts->createSprite("b", 4, 4, 4, 4, 0, 0);
	gametest::SheetProvider provider(parts);
	try
	{
		lang::Ptr<io::ByteArrayInputStream> in = new io::ByteArrayInputStream(bytes.data(), int(bytes.size()));
		lang::Ptr<game::CompoSpriteSet> set = new game::CompoSpriteSet(*in, &provider);
		for (auto const& entry : set->getCompoSprites())
			entry.second->draw(b.context, 0, 0, game::Anchor());
		return true;
	}
	catch (lang::Exception const&)
	{
		return false;
	}
}

/** Every truncation and FLIPS seeded single-byte flips of bytes; returns how many loaded. */
int mutate(std::string const& bytes, Loader const& load)
{
	gametest::Bundle bundle;
	bundle.write("m/i.png", "");
	bundle.write("m/j.png", "");
	EXPECT_TRUE(load(bundle, bytes)) << "the undamaged file loads";
	int loaded = 0;
	for (size_t n = 0; n < bytes.size(); ++n)
		loaded += load(bundle, bytes.substr(0, n));
	std::mt19937 random(20);
	for (int i = 0; i < FLIPS; ++i)
	{
		std::string damaged = bytes;
		size_t const at = random() % damaged.size();
		damaged[at] = char(damaged[at] ^ (1 + random() % 255));
		loaded += load(bundle, damaged);
	}
	return loaded;
}

std::vector<gametest::SpriteRecord> const SPRITES = {{"a", 0, 0, 4, 4, 2, 2}, {"b", 4, 0, 4, 4, 0, 4}, {"c", 0, 4, 8, 4, 4, 4}};
std::vector<gametest::GlyphRecord> const GLYPHS = {{65, 0, 0, 7, 14, 10}, {66, 8, 0, 8, 13, 12}, {0x8000, 16, 0, 5, 12, 12}};

TEST(ChunkFileMutation, sheetWithUnknownChunkAndVersion)
{
	DataWriter w;
	w.beginFile();
	w.beginChunk("ZZZZ").writeBytes("unknown").endChunk();
	w.beginChunk("SPRT").writeShort(9).writeUTF("i.png").endChunk();
	gametest::sheetChunk(w, "i.png", SPRITES);
	gametest::sheetChunk(w, "j.png", {{"b", 1, 1, 1, 1, 1, 1}});
	w.endFile();
	mutate(w.bytes(), loadSheet);

	DataWriter old;
	gametest::sheetBody(old, "i.png", SPRITES);
	mutate(old.bytes(), loadSheet);
}

TEST(ChunkFileMutation, compositeSetVersion2)
{
	DataWriter w;
	w.beginFile();
	w.beginChunk("COMP").writeShort(2).writeShort(2);
	w.writeUTF("pair").writeShort(2).writeUTF("a").writeShort(-10).writeShort(0).writeUTF("b").writeShort(10).writeShort(3);
	w.writeShort(1).writeUTF("x").writeShort(1).writeShort(2);
	w.writeUTF("one").writeShort(1).writeUTF("b").writeShort(0).writeShort(0).writeShort(0);
	w.endChunk();
	w.endFile();
	mutate(w.bytes(), loadComposites);
}

TEST(ChunkFileMutation, fontInBothLayouts)
{
	DataWriter w;
	w.beginFile();
	gametest::fontChunk(w, "i.png", 20, 1, GLYPHS);
	gametest::fontChunk(w, "j.png", 20, 1, {{67, 0, 0, 3, 3, 3}});
	w.endFile();
	mutate(w.bytes(), loadFont);

	DataWriter old;
	gametest::fontBody(old, "i.png", 20, 1, GLYPHS);
	mutate(old.bytes(), loadFont);
}

} // namespace
