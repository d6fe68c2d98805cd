#pragma once

#include <game/IFont.h>
#include <game/Sprite.h>
#include <game/SpriteSheet.h>
#include <lang/Ptr.h>
#include <map>
#include <string>

namespace game
{

class ChunkFile;
class ChunkReader;

/**
 * A font of glyph sprites keyed by UTF-16 code unit, each with its pivot
 * on the baseline at its left edge. Glyphs hold their sprites by counted
 * references. Immutable after construction; main thread only.
 */
class BitmapFont : public IFont
{
public:
	/** Glyph sprites by code unit. */
	typedef std::map<unsigned short, lang::Ptr<Sprite>> GlyphMap;

	/**
	 * Reads the font file path of the bundle (chunked "FONT" version 1, or
	 * the older layout without the magic) and creates its image from the
	 * bundle, named relative to the file's folder. A later "FONT" chunk
	 * gives the font a new image and sheet and adds or replaces glyphs.
	 * @exception io::IOException "Malformed QRX5 file: {0}", "Unexpected end
	 *            of file in {0}.", "Invalid UTF-8 data in {0}." (the path),
	 *            or what reading the file or the image raises.
	 */
	BitmapFont(gr::Context* context, std::string const& path);

	~BitmapFont() override;

	void drawString(gr::Context* context, std::string const& text, float x, float y, Anchor anchor) const override;
	void drawString(gr::Context* context, std::string const& text, int first, int count, float x, float y, Anchor anchor) const override;

	/**
	 * Draws count code units of text from first; the range must lie within
	 * the text. Vertical anchors place the box of maxAscending above and
	 * maxDescending below the baseline; horizontal ones use the range's
	 * width. Code units without a glyph are skipped.
	 */
	void drawString(gr::Context* context, unsigned short const* text, int first, int count, float x, float y, Anchor anchor) const;

	std::string filter(std::string const& text) const override;

	/** The sum of the range's glyph widths plus tracking between its code units (0 for an empty range). */
	int getStringWidth(std::string const& text, int first, int count) const override;

	int getMaxAscending() const override { return m_maxAscending; }
	int getMaxDescending() const override { return m_maxDescending; }
	int getLeading() const override { return m_leading; }
	int getTracking() const override { return m_tracking; }

	/** The glyph of a code unit, or null. */
	Sprite* getGlyph(unsigned short code) const;

	/** The sheet of the last "FONT" chunk read. */
	SpriteSheet* getSheet() const { return m_sheet; }

private:
	GlyphMap m_glyphs;
	lang::Ptr<SpriteSheet> m_sheet;
	int m_tracking;
	int m_maxAscending;
	int m_maxDescending;
	int m_leading;

	/** Reads one font body (after the version, or the whole old layout). */
	void readBody(gr::Context* context, ChunkFile const& file, ChunkReader& in);

	/** Width of count code units from text. */
	int width(unsigned short const* text, int count) const;
};

} // game
