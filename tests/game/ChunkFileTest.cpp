// The container and every body reader, through one table of writer-made
// files loaded on the recording fake context.

#include "GameFixtures.h"
#include <game/BitmapFont.h>
#include <game/CompoSpriteSet.h>
#include <game/SpriteSheet.h>
#include <io/ByteArrayInputStream.h>
#include <io/ThrownMessage.h>
#include <io/std/BundleInputStream.h>
#include <gtest/gtest.h>
#include <functional>

using datawriter::DataWriter;
using gametest::SpriteRecord;

namespace
{

std::string imageName(gr::Image* image)
{
	return static_cast<test::FakeImage*>(image)->name();
}

/** "name@image:x,y,w,h,px,py" for every sprite, in name order. */
std::string describe(game::SpriteSheet const& sheet)
{
	std::string s;
	for (auto const& [name, sprite] : sheet.getSprites())
	{
		s += (s.empty() ? "" : " ") + name + "@" + imageName(sprite->getImage()) + ":" + std::to_string(sprite->getPositionInSheetX()) + "," +
			std::to_string(sprite->getPositionInSheetY()) + "," + std::to_string(sprite->getWidth()) + "," + std::to_string(sprite->getHeight()) + "," +
			std::to_string(sprite->getPivotX()) + "," + std::to_string(sprite->getPivotY());
	}
	return s;
}

/** Metrics, then "code@image:x,y,w,h,baseline" for every glyph. */
std::string describe(game::BitmapFont const& font)
{
	std::string s = "L" + std::to_string(font.getLeading()) + " T" + std::to_string(font.getTracking()) + " A" + std::to_string(font.getMaxAscending()) +
		" D" + std::to_string(font.getMaxDescending());
	for (unsigned code = 0; code < 0x10000; ++code)
	{
		if (game::Sprite* g = font.getGlyph(static_cast<unsigned short>(code)))
		{
			s += " " + std::to_string(code) + "@" + imageName(g->getImage()) + ":" + std::to_string(g->getPositionInSheetX()) + "," +
				std::to_string(g->getPositionInSheetY()) + "," + std::to_string(g->getWidth()) + "," + std::to_string(g->getHeight()) + "," +
				std::to_string(g->getPivotY());
		}
	}
	return s;
}

/** "name[part@x,y ...]" for every composite, in name order. */
std::string describe(game::CompoSpriteSet const& set)
{
	std::string s;
	for (auto const& [name, compo] : set.getCompoSprites())
	{
		s += (s.empty() ? "" : " ") + name + "[";
		for (int i = 0; i < compo->getSpriteCount(); ++i)
		{
			game::CompoSprite::Entry const& e = compo->getSpriteEntry(i);
			s += (i ? " " : "") + e.name + "@" + std::to_string(int(e.x)) + "," + std::to_string(int(e.y));
		}
		s += "]";
	}
	return s;
}

enum Kind
{
	SHEET,
	FONT,
	COMP,
};

struct Case
{
	char const* what;
	Kind kind;
	std::function<std::string()> file;
	/** The loaded object's description, or the message of the exception. */
	std::string expected;
};

std::string const A = "a@menu/img.png:1,2,3,4,5,6";

std::vector<SpriteRecord> const ONE_SPRITE = {{"a", 1, 2, 3, 4, 5, 6}};

std::string chunked(std::function<void(DataWriter&)> chunks, int sizeAdjust = 0)
{
	DataWriter w;
	w.beginFile();
	chunks(w);
	return w.endFile(sizeAdjust).bytes();
}

std::string compFile(int version, bool extra)
{
	return chunked([&](DataWriter& w) {
		w.beginChunk("COMP").writeShort(version).writeShort(2);
		w.writeUTF("pair").writeShort(2).writeUTF("a").writeShort(-10).writeShort(0).writeUTF("b").writeShort(10).writeShort(0);
		if (version == 2)
			w.writeShort(extra ? 2 : 0).writeUTF("x").writeShort(1).writeShort(2).writeUTF("y").writeShort(3).writeShort(4);
		w.writeUTF("single").writeShort(1).writeUTF("b").writeShort(0).writeShort(5);
		if (version == 2)
			w.writeShort(0);
		w.endChunk();
	});
}

std::vector<Case> const CASES = {
	{"old sheet layout", SHEET, [] { DataWriter w; gametest::sheetBody(w, "img.png", ONE_SPRITE); return w.bytes(); }, A},
	{"size field one too large", SHEET, [] { return chunked([](DataWriter& w) { gametest::sheetChunk(w, "img.png", ONE_SPRITE); }, 1); },
		"Malformed QRX5 file: menu/s.dat"},
	{"smaller size field", SHEET, [] { return chunked([](DataWriter& w) { gametest::sheetChunk(w, "img.png", ONE_SPRITE); }, -30); }, A},
	{"unknown chunk between known ones", SHEET,
		[] {
			return chunked([](DataWriter& w) {
				gametest::sheetChunk(w, "img.png", ONE_SPRITE);
				w.beginChunk("ZZZZ").writeBytes("junk that is no sheet").endChunk();
				gametest::sheetChunk(w, "img2.png", {{"b", 7, 7, 7, 7, 7, 7}});
			});
		},
		A + " b@menu/img2.png:7,7,7,7,7,7"},
	{"unknown version skipped by its length", SHEET,
		[] {
			return chunked([](DataWriter& w) {
				w.beginChunk("SPRT").writeShort(2).writeBytes("\xff\xff\xff").endChunk();
				gametest::sheetChunk(w, "img.png", ONE_SPRITE);
			});
		},
		A},
	{"negative chunk length", SHEET,
		[] {
			return chunked([](DataWriter& w) {
				gametest::sheetChunk(w, "img.png", ONE_SPRITE);
				w.beginChunk("ZZZZ").endChunk(-1);
			});
		},
		"Malformed QRX5 file: menu/s.dat"},
	{"chunk length past the end", SHEET,
		[] { return chunked([](DataWriter& w) { w.beginChunk("SPRT").writeShort(1).writeUTF("img.png").writeShort(0).endChunk(1); }, -1); },
		"Malformed QRX5 file: menu/s.dat"},
	{"cut-off chunk header", SHEET, [] { return chunked([](DataWriter& w) { w.writeBytes("SPR"); }); }, "Unexpected end of file in menu/s.dat."},
	{"body overrunning its chunk", SHEET,
		[] {
			return chunked([](DataWriter& w) {
				w.beginChunk("SPRT").writeShort(1).writeUTF("img.png").writeShort(2).writeUTF("a");
				w.writeShort(1).writeShort(2).writeShort(3).writeShort(4).writeShort(5).writeShort(6).endChunk();
				gametest::sheetChunk(w, "img2.png", ONE_SPRITE);
			});
		},
		"Unexpected end of file in menu/s.dat."},
	{"negative sprite count", SHEET,
		[] { return chunked([](DataWriter& w) { w.beginChunk("SPRT").writeShort(1).writeUTF("img.png").writeShort(-3).endChunk(); }); }, ""},
	{"negative text length", SHEET,
		[] { return chunked([](DataWriter& w) { w.beginChunk("SPRT").writeShort(1).writeShort(-2).endChunk(); }); },
		"Invalid UTF-8 data in menu/s.dat."},
	{"two sheet chunks", SHEET,
		[] {
			return chunked([](DataWriter& w) {
				gametest::sheetChunk(w, "img.png", {{"a", 1, 2, 3, 4, 5, 6}, {"b", 0, 0, 1, 1, 0, 0}});
				gametest::sheetChunk(w, "img2.png", {{"b", 9, 9, 9, 9, 9, 9}, {"c", 8, 8, 8, 8, 8, 8}});
			});
		},
		A + " b@menu/img2.png:9,9,9,9,9,9 c@menu/img2.png:8,8,8,8,8,8"},
	{"image name in a sub-folder", SHEET, [] { return gametest::sheetFile("sub/../img.png", ONE_SPRITE); }, A},
	{"absolute image name", SHEET, [] { return gametest::sheetFile("/etc/img.png", ONE_SPRITE); }, "Malformed QRX5 file: menu/s.dat"},
	{"image name leaving the bundle", SHEET, [] { return gametest::sheetFile("../../img.png", ONE_SPRITE); }, "Malformed QRX5 file: menu/s.dat"},
	{"missing image", SHEET, [] { return gametest::sheetFile("none.png", ONE_SPRITE); }, "*Failed to open"},

	{"old font layout", FONT, [] { DataWriter w; gametest::fontBody(w, "img.png", 3, 1, {{65, 1, 2, 7, 14, 10}}); return w.bytes(); },
		"L3 T1 A10 D4 65@menu/img.png:1,2,7,14,10"},
	{"two font chunks", FONT,
		[] {
			return chunked([](DataWriter& w) {
				gametest::fontChunk(w, "img.png", 3, 1, {{65, 1, 2, 7, 14, 10}, {66, 0, 0, 8, 13, 12}});
				gametest::fontChunk(w, "img2.png", 4, 2, {{66, 5, 5, 5, 5, 5}, {0x8000, 6, 6, 6, 6, 6}, {0xFFFF, 1, 1, 1, 1, 1}});
			});
		},
		"L4 T2 A12 D4 65@menu/img.png:1,2,7,14,10 66@menu/img2.png:5,5,5,5,5 32768@menu/img2.png:6,6,6,6,6 65535@menu/img2.png:1,1,1,1,1"},
	{"negative glyph count", FONT,
		[] { return chunked([](DataWriter& w) { w.beginChunk("FONT").writeShort(1).writeUTF("img.png").writeShort(3).writeShort(1).writeShort(-1).endChunk(); }); },
		"L3 T1 A0 D0"},

	{"composite set version 1", COMP, [] { return compFile(1, false); }, "pair[a@-10,0 b@10,0] single[b@0,5]"},
	{"composite set version 2", COMP, [] { return compFile(2, true); }, "pair[a@-10,0 b@10,0] single[b@0,5]"},
	{"composite set without the magic", COMP, [] { return std::string("\0\1\0\0", 4); }, "Malformed QRX5 file: {stream}"},
	{"unknown part sprite", COMP,
		[] {
			return chunked([](DataWriter& w) { w.beginChunk("COMP").writeShort(1).writeShort(1).writeUTF("c").writeShort(1).writeUTF("nope").writeShort(0).writeShort(0).endChunk(); });
		},
		"Sprite \"nope\" not loaded while loading {stream}"},
	{"negative composite and part counts", COMP,
		[] {
			return chunked([](DataWriter& w) {
				w.beginChunk("COMP").writeShort(1).writeShort(-1).endChunk();
				w.beginChunk("COMP").writeShort(1).writeShort(1).writeUTF("empty").writeShort(-5).endChunk();
			});
		},
		"empty[]"},
};

/** Loads the file of c as its kind and describes it, or gives the exception's message. */
void check(Case const& c)
{
	SCOPED_TRACE(c.what);
	gametest::Bundle bundle;
	bundle.write("menu/s.dat", c.file());
	bundle.write("menu/img.png", "");
	bundle.write("menu/img2.png", "");

	std::string got;
	std::string expected = c.expected;
	lang::Ptr<game::SpriteSheet> parts = new game::SpriteSheet(static_cast<gr::Image*>(nullptr));
	parts->createSprite("a", 0, 0, 4, 4, 2, 2);
	parts->createSprite("b", 0, 0, 4, 4, 2, 2);
	gametest::SheetProvider provider(parts);
	try
	{
		if (c.kind == SHEET)
			got = describe(*lang::Ptr<game::SpriteSheet>(new game::SpriteSheet(bundle.context, "menu/s.dat")));
		else if (c.kind == FONT)
			got = describe(*lang::Ptr<game::BitmapFont>(new game::BitmapFont(bundle.context, "menu/s.dat")));
		else
		{
			lang::Ptr<io::BundleInputStream> file = new io::BundleInputStream("menu/s.dat");
			lang::Ptr<io::ByteArrayInputStream> copy = new io::ByteArrayInputStream(*file);
			std::string::size_type const at = expected.find("{stream}");
			if (at != std::string::npos)
				expected.replace(at, 8, copy->toString());
			got = describe(*lang::Ptr<game::CompoSpriteSet>(new game::CompoSpriteSet(*copy, &provider)));
		}
	}
	catch (lang::Throwable const& e)
	{
		got = e.getMessage().format();
	}
	if (!expected.empty() && expected[0] == '*')
		EXPECT_NE(std::string::npos, got.find(expected.substr(1))) << c.what << ": " << got;
	else
		EXPECT_EQ(expected, got) << c.what;
}

TEST(ChunkFile, tableOfFilesLoadsOrNamesTheFault)
{
	for (Case const& c : CASES)
		check(c);
}

TEST(ChunkFile, compositeMessagesNameTheFileOfTheCopy)
{
	// The resource manager hands the reader an in-memory copy of the bundle
	// file; the copy keeps the file's path as its name.
	gametest::Bundle bundle;
	bundle.write("c.dat", "no magic");
	lang::Ptr<io::BundleInputStream> file = new io::BundleInputStream("c.dat");
	lang::Ptr<io::ByteArrayInputStream> copy = new io::ByteArrayInputStream(*file);
	lang::Ptr<game::SpriteSheet> parts = new game::SpriteSheet(static_cast<gr::Image*>(nullptr));
	gametest::SheetProvider provider(parts);
	EXPECT_EQ("Malformed QRX5 file: " + bundle.path("c.dat"), message([&] { game::CompoSpriteSet set(*copy, &provider); }));
}

} // namespace
