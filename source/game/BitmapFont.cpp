#include "BitmapFont.h"
#include <game/ChunkFile.h>
#include <game/ChunkReader.h>
#include <gr/Context.h>
#include <lang/String.h>
#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>

namespace game
{

namespace
{

/**
 * The range first, count clipped to a text of length code units, in 64
 * bits so that no sum overflows; negative values clip to 0.
 */
void clip(size_t length, int& first, int& count)
{
	int64_t const len = static_cast<int64_t>(std::min<size_t>(length, INT_MAX));
	int64_t const f = std::clamp<int64_t>(first, 0, len);
	int64_t const c = std::clamp<int64_t>(count, 0, len - f);
	first = static_cast<int>(f);
	count = static_cast<int>(c);
}

} // namespace

BitmapFont::BitmapFont(gr::Context* context, std::string const& path) :
	m_tracking(0),
	m_maxAscending(0),
	m_maxDescending(0),
	m_leading(0)
{
	ChunkFile file(path);
	file.readBodies(chunkTag("FONT"), [&](ChunkReader& in) { readBody(context, file, in); });
}

BitmapFont::~BitmapFont() {}

void BitmapFont::readBody(gr::Context* context, ChunkFile const& file, ChunkReader& in)
{
	lang::Ptr<gr::Image> image = context->createImagefromBundle(file.imagePath(in.readUTF()));
	m_sheet = new SpriteSheet(image);
	m_leading = in.readShort();
	m_tracking = in.readShort();
	int const count = in.readCount();
	for (int i = 0; i < count; ++i)
	{
		unsigned short const code = in.readUnsignedShort();
		int const x = in.readShort();
		int const y = in.readShort();
		int const width = in.readShort();
		int const height = in.readShort();
		int const baseline = in.readShort();
		char name[8];
		std::snprintf(name, sizeof(name), "%u", unsigned(code));
		Sprite* const sprite = m_sheet->createSprite(name, x, y, width, height, 0, baseline);
		// The sprite keeps the values cut to 16 bits; measure what it keeps.
		m_maxAscending = std::max(m_maxAscending, sprite->getPivotY());
		m_maxDescending = std::max(m_maxDescending, sprite->getHeight() - sprite->getPivotY());
		m_glyphs[code] = sprite;
	}
}

Sprite* BitmapFont::getGlyph(unsigned short code) const
{
	auto it = m_glyphs.find(code);
	return it != m_glyphs.end() ? it->second.ptr() : nullptr;
}

void BitmapFont::drawString(gr::Context* context, std::string const& text, float x, float y, Anchor anchor) const
{
	drawString(context, text, 0, INT_MAX, x, y, anchor);
}

void BitmapFont::drawString(gr::Context* context, std::string const& text, int first, int count, float x, float y, Anchor anchor) const
{
	if (text.empty())
		return;
	std::basic_string<unsigned short> const units = lang::string::toUTF16string(text);
	clip(units.size(), first, count);
	drawString(context, units.data(), first, count, x, y, anchor);
}

void BitmapFont::drawString(gr::Context* context, unsigned short const* text, int first, int count, float x, float y, Anchor anchor) const
{
	switch (anchor.vertical)
	{
	case Anchor::TOP: y += float(m_maxAscending); break;
	case Anchor::VCENTER: y += float(m_maxAscending - ((m_maxAscending + m_maxDescending) >> 1)); break;
	case Anchor::BOTTOM: y -= float(m_maxDescending); break;
	default: break;
	}
	if (anchor.horizontal == Anchor::HCENTER || anchor.horizontal == Anchor::RIGHT)
	{
		int const w = width(text + first, count);
		x -= float(anchor.horizontal == Anchor::RIGHT ? w : w >> 1);
	}

	Anchor const atPivot(Anchor::VPIVOT, Anchor::HPIVOT);
	for (int i = 0; i < count; ++i)
	{
		Sprite const* const glyph = getGlyph(text[first + i]);
		if (!glyph)
			continue;
		glyph->draw(context, x, y, atPivot);
		x += float(glyph->getWidth() + m_tracking);
	}
}

int BitmapFont::width(unsigned short const* text, int count) const
{
	if (count <= 0)
		return 0;
	int64_t w = int64_t(m_tracking) * (count - 1);
	for (int i = 0; i < count; ++i)
	{
		if (Sprite const* glyph = getGlyph(text[i]))
			w += glyph->getWidth();
	}
	return static_cast<int>(std::clamp<int64_t>(w, INT_MIN, INT_MAX));
}

int BitmapFont::getStringWidth(std::string const& text, int first, int count) const
{
	if (text.empty())
		return 0;
	std::basic_string<unsigned short> const units = lang::string::toUTF16string(text);
	clip(units.size(), first, count);
	return width(units.data() + first, count);
}

std::string BitmapFont::filter(std::string const& text) const
{
	std::basic_string<unsigned short> units = lang::string::toUTF16string(text);
	units.erase(std::remove_if(units.begin(), units.end(), [this](unsigned short c) { return !getGlyph(c); }), units.end());
	return lang::string::toUTF8string(units);
}

} // game
