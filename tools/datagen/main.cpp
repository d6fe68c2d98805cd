// Writes a sprite sheet, a composite sprite set, a bitmap font or a text
// group set as a data file from a plain description:
//
//   datagen sheet|comp|font|text <description> <out.dat>
//
// A description has one statement per line; "#" starts a comment line and
// blank lines are skipped. Names hold no spaces. Numbers are decimal and
// must fit 16 bits.
//
//   layout chunked|old         how to write the file (default chunked;
//                              composite sets are always chunked)
//   image <file>               sheet, font: image next to the data file
//   sprite <name> <x> <y> <width> <height> <pivotX> <pivotY>    sheet
//   leading <n>                font
//   tracking <n>               font
//   glyph <code> <x> <y> <width> <height> <baseline>             font;
//                              code is decimal, U+XXXX or one ASCII
//                              character in single quotes ('A')
//   version 1|2                composite set (default 1)
//   composite <name>           composite set: starts a composite
//   part <sprite> <x> <y>      composite set: a part of the last composite
//   languages <code>...        text set: the language codes, in file order
//   id <name>                  text set: starts a text id
//   <code> <text>              text set: the text of the last id in that
//                              language; the text is the rest of the line
//                              after one space, as it is (UTF-8). Every id
//                              needs a text in every language.

#include <toolargs/ToolArguments.h>
#include <datawriter/DataWriter.h>
#include <datawriter/TextSetWriter.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace
{

/** A description error; the text names the file and line. */
struct Error : std::runtime_error
{
	using std::runtime_error::runtime_error;
};

struct Sprite
{
	std::string name;
	int values[6];
};

struct Part
{
	std::string sprite;
	int x, y;
};

struct Composite
{
	std::string name;
	std::vector<Part> parts;
};

struct Description
{
	bool old = false;
	int version = 1;
	std::string image;
	int leading = 0;
	int tracking = 0;
	std::vector<Sprite> sprites;
	std::vector<Composite> composites;
	datawriter::TextSet texts;
	std::vector<bool> given;
};

/** Reads and checks the statements a file kind allows. */
class Parser
{
public:
	Parser(std::string const& kind, std::string const& path) : m_kind(kind), m_path(path), m_line(0) {}

	Description parse()
	{
		std::ifstream in(m_path);
		if (!in)
			throw Error(m_path + ": cannot be read");
		Description d;
		std::string text;
		while (std::getline(in, text))
		{
			++m_line;
			std::istringstream line(text);
			std::vector<std::string> words;
			for (std::string w; line >> w;)
				words.push_back(w);
			if (words.empty() || words[0][0] == '#')
				continue;
			if (m_kind == "text")
				textStatement(d, words, text);
			else
				statement(d, words);
		}
		return d;
	}

private:
	std::string m_kind;
	std::string m_path;
	int m_line;

	[[noreturn]] void fail(std::string const& what) const
	{
		throw Error(m_path + ":" + std::to_string(m_line) + ": " + what);
	}

	void expect(std::vector<std::string> const& w, size_t n, char const* kinds) const
	{
		// Kinds by first letter: s(heet), c(omp), f(ont), t(ext).
		if (std::string(kinds).find(m_kind[0]) == std::string::npos)
			fail("\"" + w[0] + "\" does not belong in a " + m_kind + " description");
		if (w.size() != n)
			fail("\"" + w[0] + "\" takes " + std::to_string(n - 1) + " values");
	}

	int number(std::string const& s) const
	{
		char* end = nullptr;
		long const v = std::strtol(s.c_str(), &end, 10);
		if (s.empty() || *end || v < -32768 || v > 32767)
			fail("\"" + s + "\" is no 16-bit number");
		return int(v);
	}

	int code(std::string const& s) const
	{
		if (s.size() == 3 && s[0] == '\'' && s[2] == '\'')
			return (unsigned char)s[1];
		char* end = nullptr;
		long const v = s.compare(0, 2, "U+") == 0 ? std::strtol(s.c_str() + 2, &end, 16) : std::strtol(s.c_str(), &end, 10);
		if (s.empty() || *end || v < 0 || v > 0xFFFF)
			fail("\"" + s + "\" is no character code");
		return int(v);
	}

	void textStatement(Description& d, std::vector<std::string> const& w, std::string const& line)
	{
		datawriter::TextSet& set = d.texts;
		if (w[0] == "layout")
		{
			statement(d, w);
		}
		else if (w[0] == "languages")
		{
			if (!set.languages.empty())
				fail("\"languages\" given twice");
			if (w.size() < 2 || w.size() > 128)
				fail("\"languages\" takes 1 to 127 codes");
			set.languages.assign(w.begin() + 1, w.end());
			set.texts.resize(set.languages.size());
		}
		else if (w[0] == "id")
		{
			expect(w, 2, "t");
			if (set.languages.empty())
				fail("\"id\" before \"languages\"");
			checkComplete(d);
			set.ids.push_back(w[1]);
			for (std::vector<std::string>& texts : set.texts)
				texts.emplace_back();
			d.given.assign(set.languages.size(), false);
		}
		else
		{
			auto const it = std::find(set.languages.begin(), set.languages.end(), w[0]);
			if (it == set.languages.end())
				fail("unknown statement or language \"" + w[0] + "\"");
			if (set.ids.empty())
				fail("text before any \"id\"");
			size_t const k = size_t(it - set.languages.begin());
			if (d.given[k])
				fail("second " + w[0] + " text of \"" + set.ids.back() + "\"");
			size_t const start = line.find(w[0]) + w[0].size();
			std::string const text = start < line.size() ? line.substr(start + 1) : std::string();
			if (text.size() > 32767)
				fail("text longer than 32767 bytes");
			set.texts[k].back() = text;
			d.given[k] = true;
		}
	}

public:
	/** Fails when the last id lacks a text in some language. */
	void checkComplete(Description const& d) const
	{
		for (size_t k = 0; k < d.given.size(); ++k)
		{
			if (!d.given[k])
				fail("\"" + d.texts.ids.back() + "\" has no " + d.texts.languages[k] + " text");
		}
	}

private:
	void statement(Description& d, std::vector<std::string> const& w)
	{
		std::string const& op = w[0];
		if (op == "layout")
		{
			expect(w, 2, "sft");
			if (w[1] != "chunked" && w[1] != "old")
				fail("layout is chunked or old");
			d.old = w[1] == "old";
		}
		else if (op == "image")
		{
			expect(w, 2, "sf");
			d.image = w[1];
		}
		else if (op == "sprite")
		{
			expect(w, 8, "s");
			Sprite s{w[1], {}};
			for (int i = 0; i < 6; ++i)
				s.values[i] = number(w[2 + i]);
			d.sprites.push_back(s);
		}
		else if (op == "leading" || op == "tracking")
		{
			expect(w, 2, "f");
			(op == "leading" ? d.leading : d.tracking) = number(w[1]);
		}
		else if (op == "glyph")
		{
			expect(w, 7, "f");
			Sprite s{std::to_string(code(w[1])), {}};
			for (int i = 0; i < 5; ++i)
				s.values[i] = number(w[2 + i]);
			d.sprites.push_back(s);
		}
		else if (op == "version")
		{
			expect(w, 2, "c");
			d.version = number(w[1]);
			if (d.version != 1 && d.version != 2)
				fail("version is 1 or 2");
		}
		else if (op == "composite")
		{
			expect(w, 2, "c");
			d.composites.push_back(Composite{w[1], {}});
		}
		else if (op == "part")
		{
			expect(w, 4, "c");
			if (d.composites.empty())
				fail("\"part\" before any \"composite\"");
			d.composites.back().parts.push_back(Part{w[1], number(w[2]), number(w[3])});
		}
		else
		{
			fail("unknown statement \"" + op + "\"");
		}
	}
};

/** Starts the file and the chunk (chunked layout) or nothing (old layout). */
void begin(datawriter::DataWriter& out, Description const& d, char const* tag, int version)
{
	if (d.old)
		return;
	out.beginFile();
	out.beginChunk(tag);
	out.writeShort(version);
}

void end(datawriter::DataWriter& out, Description const& d)
{
	if (d.old)
		return;
	out.endChunk();
	out.endFile();
}

void writeSheet(datawriter::DataWriter& out, Description const& d)
{
	begin(out, d, "SPRT", 1);
	out.writeUTF(d.image);
	out.writeShort(int(d.sprites.size()));
	for (Sprite const& s : d.sprites)
	{
		out.writeUTF(s.name);
		for (int v : s.values)
			out.writeShort(v);
	}
	end(out, d);
}

void writeFont(datawriter::DataWriter& out, Description const& d)
{
	begin(out, d, "FONT", 1);
	out.writeUTF(d.image);
	out.writeShort(d.leading);
	out.writeShort(d.tracking);
	out.writeShort(int(d.sprites.size()));
	for (Sprite const& s : d.sprites)
	{
		out.writeShort(std::stoi(s.name));
		for (int i = 0; i < 5; ++i)
			out.writeShort(s.values[i]);
	}
	end(out, d);
}

void writeComposites(datawriter::DataWriter& out, Description const& d)
{
	begin(out, d, "COMP", d.version);
	out.writeShort(int(d.composites.size()));
	for (Composite const& c : d.composites)
	{
		out.writeUTF(c.name);
		out.writeShort(int(c.parts.size()));
		for (Part const& p : c.parts)
		{
			out.writeUTF(p.sprite);
			out.writeShort(p.x);
			out.writeShort(p.y);
		}
		if (d.version == 2)
			out.writeShort(0);
	}
	end(out, d);
}

} // namespace

int main(int argc, char** argv)
{
	char const* const usage = "usage: datagen sheet|comp|font|text <description> <out.dat>\n"
		"  Writes a sprite sheet, a composite sprite set, a bitmap font or a text\n"
		"  set as a data file from a plain description (see tools/datagen/main.cpp).\n";
	int const status = toolargs::checkArguments(argc, argv, 3, 3, usage);
	if (status >= 0)
		return status;
	std::string const kind = argv[1];
	if (kind != "sheet" && kind != "comp" && kind != "font" && kind != "text")
	{
		std::fprintf(stderr, "datagen: unknown kind \"%s\" (sheet, comp, font or text)\n%s", kind.c_str(), usage);
		return 2;
	}
	try
	{
		Parser parser(kind, argv[2]);
		Description const d = parser.parse();
		if (kind == "text")
		{
			parser.checkComplete(d);
			if (d.texts.languages.empty())
				throw Error(std::string(argv[2]) + ": no \"languages\" given");
		}
		else if (kind != "comp" && d.image.empty())
			throw Error(std::string(argv[2]) + ": no \"image\" given");
		datawriter::DataWriter out;
		if (kind == "sheet")
			writeSheet(out, d);
		else if (kind == "font")
			writeFont(out, d);
		else if (kind == "text" && d.old)
			datawriter::writeOldTextSet(out, d.texts);
		else if (kind == "text")
			datawriter::writeTextSet(out, d.texts);
		else
			writeComposites(out, d);
		if (!out.save(argv[3]))
			throw Error(std::string(argv[3]) + ": cannot be written");
	}
	catch (Error const& e)
	{
		std::fprintf(stderr, "datagen: %s\n", e.what());
		return 1;
	}
	return 0;
}
