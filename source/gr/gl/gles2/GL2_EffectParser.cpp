#include <gr/gl/gles2/GL2_EffectParser.h>
#include <gr/gl/gles2/GL2_Shader.h>
#include <gr/gl/gles2/GL2_Technique.h>
#include <gr/GraphicsException.h>
#include <io/PathName.h>
#include <io/std/BundleInputStream.h>
#include <lang/Exception.h>
#include <lang/Format.h>
#include <math/float4.h>
#include <algorithm>
#include <cstring>

namespace gr
{
namespace gles2
{

namespace
{

bool isSeparator(char c)
{
	switch (c)
	{
	case 0:
	case '\t':
	case '\n':
	case '\r':
	case ' ':
	case '#':
	case ';':
	case '=':
	case '{':
	case '}':
		return true;
	default:
		return false;
	}
}

// Separators that are tokens of their own.
bool isPunctuation(char c)
{
	return c == '#' || c == ';' || c == '=' || c == '{' || c == '}';
}

// A name or value token: not empty and not starting with a separator.
bool isName(std::string const& s)
{
	return !s.empty() && !isSeparator(s[0]);
}

[[noreturn]] void fail(char const* pattern, int line)
{
	lang::throwError(GraphicsException(lang::Format(pattern, double(line))));
}

[[noreturn]] void fail(char const* pattern, int line, std::string const& a)
{
	lang::throwError(GraphicsException(lang::Format(pattern, double(line), a)));
}

[[noreturn]] void fail(char const* pattern, int line, std::string const& a, std::string const& b)
{
	lang::throwError(GraphicsException(lang::Format(pattern, double(line), a, b)));
}

std::string folderOf(std::string const& path)
{
	return io::PathName(path).parent().path();
}

// Index just after the "else" or "endif" that ends a skipped block
// (stopAtElse) or just after the "endif" that ends a kept "else" part; the
// bare words count wherever they stand. N when the tokens run out.
size_t skipBlock(std::vector<std::string> const& tokens, size_t k, bool stopAtElse)
{
	int depth = 0;
	for (; k < tokens.size(); ++k)
	{
		std::string const& t = tokens[k];
		if (depth == 0 && (t == "endif" || (stopAtElse && t == "else")))
			return k + 1;
		if (t == "ifdef")
			++depth;
		else if (t == "endif")
			--depth;
	}
	return tokens.size();
}

} // namespace

void GL_EffectParser::readEffect(GL_ShaderHost* context, std::string const& name, std::string const& path, GL_Shader* shader)
{
	try
	{
		std::vector<char> text;
		loadAndPreProcess(path, std::vector<std::string>(), text);
		std::vector<std::string> tokens;
		std::vector<int> lines;
		tokenize(text.data(), tokens, lines);
		parse(context, path, tokens, lines, shader);
		shader->setName(name);
		shader->setFilePath(path);
	}
	catch (lang::Exception const& e)
	{
		shader->reset();
		lang::throwError(GraphicsException(lang::Format("Error in effect: {0}\n\n{1}", path, e.getMessage().format())));
	}
}

void GL_EffectParser::loadFileContent(std::string const& path, std::vector<char>& text)
{
	io::BundleInputStream in(path);
	int n = in.available();
	if (n < 0)
		n = 0;
	text.resize(size_t(n) + 1);
	int got = 0;
	while (got < n)
	{
		int r = in.read(text.data() + got, n - got);
		if (r <= 0)
			break;
		got += r;
	}
	text.resize(size_t(got) + 1);
	text[got] = 0;
}

void GL_EffectParser::loadAndPreProcess(std::string const& path, std::vector<std::string> const& lines, std::vector<char>& text)
{
	loadFileContent(path, text);
	std::string prefix;
	for (std::string const& line : lines)
	{
		prefix += line;
		prefix += '\n';
	}
	text.insert(text.begin(), prefix.begin(), prefix.end());
	parseIncludes(text, path);
}

bool GL_EffectParser::findIncludeFilename(char const* text, std::string& name, char const*& begin, char const*& end)
{
	char const* p = std::strstr(text, "#include");
	if (!p)
		return false;

	char const* lf = std::strchr(p, '\n');
	char const* cr = std::strchr(p, '\r');
	char const* e = lf && cr ? std::min(lf, cr) : lf ? lf : cr ? cr : p + std::strlen(p);

	char const* open = std::strchr(p, '"');
	char const* close = open && open < e ? std::strchr(open + 1, '"') : nullptr;
	if (!open || open > e || !close || close > e)
		lang::throwError(GraphicsException(lang::Format("File {0}: Malformed #include!", name)));

	name.assign(open + 1, close);
	begin = p;
	end = e;
	return true;
}

void GL_EffectParser::parseIncludes(std::vector<char>& text, std::string const& path)
{
	// Which file each stretch of the text came from, so that a malformed
	// directive is reported with the file it stands in. Included stretches
	// nest inside the ones they replaced a directive of; later entries are
	// the inner ones.
	struct Region
	{
		size_t begin;
		size_t end;
		std::string file;
	};
	std::vector<Region> regions;
	regions.push_back(Region{0, text.size(), path});

	std::vector<std::string> seen;
	seen.push_back(io::PathName(path).filename());
	std::string folder = folderOf(path);
	std::string name;
	char const* begin = nullptr;
	char const* end = nullptr;
	for (;;)
	{
		char const* next = std::strstr(text.data(), "#include");
		if (!next)
			break;
		size_t at = size_t(next - text.data());
		for (auto r = regions.rbegin(); r != regions.rend(); ++r)
		{
			if (r->begin <= at && at < r->end)
			{
				name = r->file;
				break;
			}
		}
		if (!findIncludeFilename(text.data(), name, begin, end))
			break;

		if (std::find(seen.begin(), seen.end(), name) != seen.end())
			lang::throwError(GraphicsException(lang::Format("File {0} contains cyclic dependencies ({1}) which are not supported!", path, name)));
		seen.push_back(name);

		size_t from = size_t(begin - text.data());
		size_t to = size_t(end - text.data());
		std::vector<char> included;
		loadFileContent(io::PathName(folder, name).path(), included);
		size_t length = included.size() - 1;
		text.erase(text.begin() + from, text.begin() + to);
		text.insert(text.begin() + from, included.begin(), included.end() - 1);

		// Move the stretches behind the directive; a bound inside the
		// removed directive lands after the inserted text.
		size_t const removed = to - from;
		auto moved = [&](size_t x) { return x <= from ? x : x >= to ? x - removed + length : from + length; };
		for (Region& r : regions)
		{
			r.begin = moved(r.begin);
			r.end = moved(r.end);
		}
		regions.push_back(Region{from, from + length, name});
	}
}

void GL_EffectParser::tokenize(char const* text, std::vector<std::string>& tokens, std::vector<int>& lines)
{
	int line = 1;
	char const* start = nullptr;
	for (char const* p = text;; ++p)
	{
		char c = *p;
		if (!isSeparator(c))
		{
			if (!start)
				start = p;
			continue;
		}
		if (start)
		{
			tokens.push_back(std::string(start, p));
			lines.push_back(line);
			start = nullptr;
		}
		if (c == 0)
			break;
		if (isPunctuation(c))
		{
			tokens.push_back(std::string(1, c));
			lines.push_back(line);
		}
		else if (c == '\n')
		{
			++line;
		}
	}
}

void GL_EffectParser::parse(GL_ShaderHost* /*context*/, std::string const& path, std::vector<std::string>& tokens, std::vector<int>& lines,
	GL_Shader* shader)
{
	enum State
	{
		STATE_FILE = 0,
		STATE_TECHNIQUE = 1,
		STATE_PASS = 2,
	};

	size_t const n = tokens.size();
	size_t i = 0;
	State state = STATE_FILE;
	GL_Technique* technique = nullptr;
	GL_Pass* pass = nullptr;
	unsigned int vertexShader = 0;
	unsigned int pixelShader = 0;
	std::vector<std::vector<std::string>> scopes(1);
	std::string const folder = folderOf(path);

	for (;;)
	{
		if (i >= n)
		{
			if (state == STATE_FILE)
				return;
			lang::throwError(GraphicsException(lang::Format("Unexpected EOF while parsing file")));
		}
		std::string const& tok = tokens[i];
		int const line = lines[i];

		if (tok == "#")
		{
			if (i + 1 >= n)
				fail("Line {0}: Unexpected EOF while parsing pre-prosessor directive", line);
			std::string const& d = tokens[i + 1];
			if (d == "define" || d == "pragma" || d == "version")
			{
				if (i + 2 >= n)
					fail("Line {0}: Unexpected EOF while parsing pre-prosessor directive", line);
				scopes.back().push_back("#" + d + " " + tokens[i + 2]);
				if (tokens[i + 2] == "ENABLE_MOVEUV")
					shader->setVector("TEX0_OFFSET", math::float4(0.f, 0.f, 0.f, 0.f));
				i += 3;
			}
			else if (d == "ifdef")
			{
				if (i + 2 >= n)
					fail("Line {0}: Unexpected EOF while parsing pre-prosessor directive", line);
				std::string const& want = tokens[i + 2];
				bool held = false;
				for (auto const& scope : scopes)
				{
					for (std::string const& l : scope)
					{
						if (l.size() >= 8 && l.compare(8, std::string::npos, want) == 0)
							held = true;
					}
				}
				i = held ? i + 3 : skipBlock(tokens, i + 3, true);
			}
			else if (d == "else")
			{
				i = skipBlock(tokens, i + 2, false);
			}
			else if (d == "endif")
			{
				i += 2;
			}
			else
			{
				fail("Line {0}: Unsupported pre-prosessor directive {1}", line, d);
			}
			continue;
		}

		if (state == STATE_FILE && tok == "}")
			fail("Line {0}: Unexpected '{1}' encountered", line, tok);

		if (state == STATE_FILE && tok == "technique")
		{
			if (i + 2 >= n)
				fail("Line {0}: Unexpected EOF while parsing 'technique'", line);
			if (!isName(tokens[i + 1]))
				fail("Line {0}: Malformed or missing name '{1}' for 'technique'", line, tokens[i + 1]);
			if (tokens[i + 2] != "{")
				fail("Line {0}: Expected '{1}' instead of: {2}", line, "{", tokens[i + 2]);
			technique = new GL_Technique(tokens[i + 1]);
			shader->addTechnique(technique);
			scopes.emplace_back();
			i += 3;
			state = STATE_TECHNIQUE;
			continue;
		}

		if (state == STATE_TECHNIQUE)
		{
			if (tok == "}")
			{
				scopes.pop_back();
				technique = nullptr;
				i += 1;
				state = STATE_FILE;
			}
			else if (tok == "pass")
			{
				if (i + 2 >= n)
					fail("Line {0}: Unexpected EOF while parsing 'pass'", line);
				if (!isName(tokens[i + 1]))
					fail("Line {0}: Malformed or missing name '{1}' for 'pass'", line, tokens[i + 1]);
				if (tokens[i + 2] != "{")
					fail("Line {0}: Expected '{1}' instead of: {2}", line, "{", tokens[i + 2]);
				pass = new GL_Pass(tokens[i + 1]);
				technique->addPass(pass);
				scopes.emplace_back();
				i += 3;
				state = STATE_PASS;
			}
			else
			{
				fail("Line {0}: Unexpected token '{1}', expecting 'pass'", line, tok);
			}
			continue;
		}

		if (state == STATE_PASS && tok == "}")
		{
			if (!vertexShader)
				fail("Line {0}: Pass missing vertex shader!", line);
			if (!pixelShader)
				fail("Line {0}: Pass missing pixel shader!", line);
			GL_Shader_Platform* platform = pass->getPlatform();
			platform->createShaderProgram(vertexShader, pixelShader);
			pass->getState().m_program = platform->getProgramObject();
			scopes.pop_back();
			vertexShader = 0;
			pixelShader = 0;
			pass = nullptr;
			i += 1;
			state = STATE_TECHNIQUE;
			continue;
		}

		// KEY = VALUE ; at file level or in a pass.
		if (i + 3 >= n)
			fail(state == STATE_PASS ? "Line {0}: Unexpected EOF while parsing pass property" : "Line {0}: Unexpected EOF while parsing property", line);
		if (!isName(tok))
			fail("Line {0}: Malformed name '{1}' for property!", line, tok);
		if (tokens[i + 1] != "=")
			fail("Line {0}: Malformed property! Expecting '=' instead of {1}", line, tokens[i + 1]);
		std::string const& value = tokens[i + 2];
		if (!isName(value))
			fail("Line {0}: Malformed value '{1}' for property!", line, value);
		if (tokens[i + 3] != ";")
			fail("Line {0}: Malformed property! Expecting ';' instead of {1}", line, tokens[i + 3]);

		if (state == STATE_FILE)
		{
			shader->addProperty(tok, value);
		}
		else if (tok == "VertexShader" || tok == "PixelShader")
		{
			bool vertex = tok == "VertexShader";
			// A program holds one shader of each kind.
			if (vertex && vertexShader)
				fail("Line {0}: Pass has more than one vertex shader!", line);
			if (!vertex && pixelShader)
				fail("Line {0}: Pass has more than one pixel shader!", line);

			std::string sourcePath = io::PathName(folder, value).path();
			std::vector<std::string> defines;
			for (auto const& scope : scopes)
				defines.insert(defines.end(), scope.begin(), scope.end());
			std::vector<char> source;
			loadAndPreProcess(sourcePath, defines, source);
			GL_Shader_Platform* platform = pass->getPlatform();
			if (vertex)
			{
				vertexShader = platform->compileVertexShader(source, sourcePath);
				platform->setVertexShader(vertexShader);
			}
			else
			{
				pixelShader = platform->compilePixelShader(source, sourcePath);
				platform->setPixelShader(pixelShader);
			}
		}
		else
		{
			pass->addProperty(tok, value);
		}
		i += 4;
	}
}

} // gles2
} // gr
