#pragma once

#include <datawriter/DataWriter.h>
#include <game/Sprite.h>
#include <game/SpriteProvider.h>
#include <game/SpriteSheet.h>
#include <gr/RenderState2D.h>
#include <support/TempFolder.h>
#include <io/detail/detail.h>
#include <support/FakeContext.h>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

namespace gametest
{

/** One sprite record of a sheet body: name, x, y, width, height, pivot x, y. */
struct SpriteRecord
{
	std::string name;
	int x, y, width, height, pivotX, pivotY;
};

/** One glyph record of a font body: code, x, y, width, height, baseline. */
struct GlyphRecord
{
	int code, x, y, width, height, baseline;
};

/** Writes a sheet body (without version): image name, count, records. */
inline void sheetBody(datawriter::DataWriter& w, std::string const& image, std::vector<SpriteRecord> const& sprites)
{
	w.writeUTF(image).writeShort(int(sprites.size()));
	for (SpriteRecord const& s : sprites)
		w.writeUTF(s.name).writeShort(s.x).writeShort(s.y).writeShort(s.width).writeShort(s.height).writeShort(s.pivotX).writeShort(s.pivotY);
}

/** Writes a "SPRT" version 1 chunk. */
inline void sheetChunk(datawriter::DataWriter& w, std::string const& image, std::vector<SpriteRecord> const& sprites)
{
	w.beginChunk("SPRT").writeShort(1);
	sheetBody(w, image, sprites);
	w.endChunk();
}

/** A whole chunked sheet file of one "SPRT" chunk. */
inline std::string sheetFile(std::string const& image, std::vector<SpriteRecord> const& sprites)
{
	datawriter::DataWriter w;
	w.beginFile();
	sheetChunk(w, image, sprites);
	return w.endFile().bytes();
}

/** Writes a font body (without version). */
inline void fontBody(datawriter::DataWriter& w, std::string const& image, int leading, int tracking, std::vector<GlyphRecord> const& glyphs)
{
	w.writeUTF(image).writeShort(leading).writeShort(tracking).writeShort(int(glyphs.size()));
	for (GlyphRecord const& g : glyphs)
		w.writeShort(g.code).writeShort(g.x).writeShort(g.y).writeShort(g.width).writeShort(g.height).writeShort(g.baseline);
}

/** Writes a "FONT" version 1 chunk. */
inline void fontChunk(datawriter::DataWriter& w, std::string const& image, int leading, int tracking, std::vector<GlyphRecord> const& glyphs)
{
	w.beginChunk("FONT").writeShort(1);
	fontBody(w, image, leading, tracking, glyphs);
	w.endChunk();
}

/** A whole chunked font file of one "FONT" chunk. */
inline std::string fontFile(std::string const& image, int leading, int tracking, std::vector<GlyphRecord> const& glyphs)
{
	datawriter::DataWriter w;
	w.beginFile();
	fontChunk(w, image, leading, tracking, glyphs);
	return w.endFile().bytes();
}

/** Sets the state's rotation angle and matrix to a radians. */
inline void rotate(gr::RenderState2D& rs, float a)
{
	rs.angle = a;
	rs.rotation[0] = std::cos(a);
	rs.rotation[1] = std::sin(a);
	rs.rotation[2] = -std::sin(a);
	rs.rotation[3] = std::cos(a);
}

/** Sprite provider over the sprites of one sheet. */
class SheetProvider : public game::SpriteProvider
{
public:
	explicit SheetProvider(game::SpriteSheet* sheet) : m_sheet(sheet) {}

	game::Sprite* getSprite(std::string const& name) override { return m_sheet->getSprite(name); }

private:
	lang::Ptr<game::SpriteSheet> m_sheet;
};

/**
 * A temporary folder that is the bundle folder while the object lives, and
 * a recording fake context.
 */
class Bundle
{
public:
	Bundle() : m_previous(io::detail::bundlePath()), context(new test::FakeContext()) { io::detail::setBundlePath(m_folder.path()); }

	~Bundle() { io::detail::setBundlePath(m_previous); }

	/** Writes a file of the bundle, making its folders. */
	void write(std::string const& name, std::string const& bytes) const
	{
		std::filesystem::create_directories(std::filesystem::path(m_folder / name).parent_path());
		m_folder.write(name, bytes);
	}

	std::string path(std::string const& name) const { return m_folder / name; }

private:
	test::TempFolder m_folder;
	std::string m_previous;

public:
	lang::Ptr<test::FakeContext> context;
};

} // namespace gametest
