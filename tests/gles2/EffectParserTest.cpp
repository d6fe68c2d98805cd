#include "GLTestSupport.h"
#include <gr/GraphicsException.h>
#include <gr/gl/gles2/GL2_EffectParser.h>
#include <gr/gl/gles2/GL2_Shader.h>
#include <lang/Ptr.h>

using gr::gles2::GL_EffectParser;
using gr::gles2::GL_Shader;
using gltest::TempBundle;

namespace
{

char const* const FS = "precision mediump float;\nvoid main() { gl_FragColor = vec4(1.0); }\n";

// A pass with working shaders, for files whose point lies elsewhere.
std::string const PASS = "pass P { VertexShader = v.vsh; PixelShader = f.fsh; }";

class EffectParserTest : public gltest::EffectFileTest
{
protected:
	void SetUp() override
	{
		EffectFileTest::SetUp();
		m_bundle.write("fx/f.fsh", FS);
	}

	// Loads text as fx/e.fx; returns the shader or sets message.
	lang::Ptr<GL_Shader> load(std::string const& text, std::string* message)
	{
		try
		{
			return EffectFileTest::load(text);
		}
		catch (gr::GraphicsException const& e)
		{
			*message = e.getMessage().format();
			return nullptr;
		}
	}
};

} // namespace

TEST_F(EffectParserTest, ErrorsNameTheConstructAndItsLine)
{
	struct Case
	{
		std::string text;
		std::string message; // after "Error in effect: fx/e.fx\n\n"
	};
	Case const cases[] = {
		{"technique T {", "Unexpected EOF while parsing file"},
		{"technique T { " + PASS, "Unexpected EOF while parsing file"},
		{"\n\ntechnique T", "Line 3: Unexpected EOF while parsing 'technique'"},
		{"technique T ;", "Line 1: Expected '{' instead of: ;"},
		{"technique { {", "Line 1: Malformed or missing name '{' for 'technique'"},
		{"technique T { pass", "Line 1: Unexpected EOF while parsing 'pass'"},
		{"technique T { pass = {", "Line 1: Malformed or missing name '=' for 'pass'"},
		{"technique T { pass P x", "Line 1: Expected '{' instead of: x"},
		{"technique T {\n\n  bogus\n}", "Line 3: Unexpected token 'bogus', expecting 'pass'"},
		{"\r\n\r\ntechnique T {\r\n  bogus\r\n}", "Line 4: Unexpected token 'bogus', expecting 'pass'"},
		{"priority = 1;\n}", "Line 2: Unexpected '}' encountered"},
		{"technique T {\n pass P {\n PixelShader = f.fsh;\n }\n}", "Line 4: Pass missing vertex shader!"},
		{"technique T {\n pass P {\n VertexShader = v.vsh;\n\n }\n}", "Line 5: Pass missing pixel shader!"},
		{"technique T {\n pass P {\n VertexShader = v.vsh;\n VertexShader = v.vsh;", "Line 4: Pass has more than one vertex shader!"},
		{"technique T {\n pass P {\n PixelShader = f.fsh;\n PixelShader = f.fsh;", "Line 4: Pass has more than one pixel shader!"},
		{"technique T { pass P { EnableBlending = true; } }", "Unsupported value \"true\""},
		{"technique T { pass P { BlendFuncSrc = SRC_COLOR; } }", "Unsupported value \"SRC_COLOR\""},
		{"technique T { pass P { enableblending = TRUE; } }", "Unsupported key \"enableblending\""},
		{"sort = sideways;", "Unknown sort mode sideways"},
		{"Colour = red;", "Unknown property for shader: Colour"},
		{"priority = 3", "Line 1: Unexpected EOF while parsing property"},
		{"technique T { pass P { EnableBlending = TRUE", "Line 1: Unexpected EOF while parsing pass property"},
		{"\n\npriority = 3 x", "Line 3: Malformed property! Expecting ';' instead of x"},
		{"priority ; 3 ;", "Line 1: Malformed property! Expecting '=' instead of ;"},
		{"priority = { ;", "Line 1: Malformed value '{' for property!"},
		{"= = 1 ;", "Line 1: Malformed name '=' for property!"},
		{"#define A 1\npriority = 2;", "Line 1: Malformed property! Expecting '=' instead of priority"},
		{"\n#", "Line 2: Unexpected EOF while parsing pre-prosessor directive"},
		{"# define", "Line 1: Unexpected EOF while parsing pre-prosessor directive"},
		{"# ifdef", "Line 1: Unexpected EOF while parsing pre-prosessor directive"},
		{"# include \"v.vsh\"", "Line 1: Unsupported pre-prosessor directive include"},
		{"#undef A", "Line 1: Unsupported pre-prosessor directive undef"},
		{"technique T {\n pass P {\n VertexShader = v.vsh;\n PixelShader = f.fsh;\n }\n bogus;\n}", "Line 6: Unexpected token 'bogus', expecting 'pass'"},
		// Directives hold in every scope; a define inside a pass ends with it.
		{"technique T {\n #define X\n pass P {\n #define Y\n VertexShader = v.vsh;\n PixelShader = f.fsh;\n }\n"
		 " #ifdef Y\n pass Q {\n #endif\n #ifdef X\n oops\n #endif\n}",
			"Line 12: Unexpected token 'oops', expecting 'pass'"},
		{"#include v.vsh", "File fx/e.fx: Malformed #include!"},
		{"#include \"v.vsh\n\"", "File fx/e.fx: Malformed #include!"},
		{"#include \"a.fxh\"\n#include \"a.fxh\"", "File fx/e.fx contains cyclic dependencies (a.fxh) which are not supported!"},
		{"#include \"e.fx\"", "File fx/e.fx contains cyclic dependencies (e.fx) which are not supported!"},
		{"#include \"b.fxh\"", "File fx/e.fx contains cyclic dependencies (b.fxh) which are not supported!"},
		// The message names the file the bad directive stands in.
		{"#include \"a.fxh\"\n#include \"bad.fxh\"", "File bad.fxh: Malformed #include!"},
		{"#include \"a.fxh\"\n#include a.fxh", "File fx/e.fx: Malformed #include!"},
		{"#include \"n.fxh\"\npriority = 1;", "File n.fxh: Malformed #include!"},
		{"technique T { pass P { VertexShader = w.vsh; } }", "File fx/w.vsh: Malformed #include!"},
	};
	m_bundle.write("fx/a.fxh", "priority = 5;");
	m_bundle.write("fx/b.fxh", "#include \"c.fxh\"");
	m_bundle.write("fx/c.fxh", "#include \"b.fxh\"");
	m_bundle.write("fx/bad.fxh", "#include bad");
	m_bundle.write("fx/n.fxh", "#include \"a.fxh\"\n// #include, but unquoted\n");
	m_bundle.write("fx/w.vsh", "#include \"v.vsh\"\n#include <x>\n");
	int const liveBefore = gltest::liveGLObjects();
	for (Case const& c : cases)
	{
		SCOPED_TRACE(c.text);
		std::string message;
		lang::Ptr<GL_Shader> shader = load(c.text, &message);
		EXPECT_FALSE(shader);
		EXPECT_EQ("Error in effect: fx/e.fx\n\n" + c.message, message);
	}
	EXPECT_EQ(liveBefore, gltest::liveGLObjects()) << "a failed load frees the shaders and programs it made";
}

TEST_F(EffectParserTest, AcceptedFiles)
{
	struct Case
	{
		std::string text;
		int techniques;
		int priority;
		gr::Shader::SortType sort;
	};
	Case const cases[] = {
		{"", 0, 0, gr::Shader::SORT_NONE},
		{"priority=3;", 0, 3, gr::Shader::SORT_NONE},
		{"PRIORITY = 300; SORT = OutsideIn;", 0, 44, gr::Shader::SORT_OUTSIDEIN},
		{"Sort = backtofront;", 0, 0, gr::Shader::SORT_BACKTOFRONT},
		{"#include \"a.fxh\"", 0, 5, gr::Shader::SORT_NONE},
		{"#ifdef X\n garbage { } #\n#endif\npriority = 1;", 0, 1, gr::Shader::SORT_NONE},
		{"#ifdef X\n#ifdef Y\n bad\n#endif\n bad2\n#else\npriority = 7;\n#endif", 0, 7, gr::Shader::SORT_NONE},
		{"#define X\n#ifdef X\npriority = 1;\n#else\npriority = 2;\n#endif", 0, 1, gr::Shader::SORT_NONE},
		{"#pragma X\n#ifdef X\npriority = 1;\n#endif", 0, 1, gr::Shader::SORT_NONE},
		{"#version X\n#ifdef X\npriority = 1;\n#endif", 0, 0, gr::Shader::SORT_NONE},
		{"technique A { " + PASS + " " + PASS + " }\ntechnique B { }", 2, 0, gr::Shader::SORT_NONE},
	};
	m_bundle.write("fx/a.fxh", "priority = 5;");
	for (Case const& c : cases)
	{
		SCOPED_TRACE(c.text);
		std::string message;
		lang::Ptr<GL_Shader> shader = load(c.text, &message);
		ASSERT_TRUE(shader) << message;
		EXPECT_EQ(c.techniques, int(shader->techniques().size()));
		EXPECT_EQ(c.priority, shader->priority());
		EXPECT_EQ(c.sort, shader->sort());
		EXPECT_TRUE(shader->enabled());
		EXPECT_EQ("e", shader->name());
		EXPECT_EQ("fx/e.fx", shader->filePath());
	}
}

TEST_F(EffectParserTest, MissingFilesAreStreamErrors)
{
	std::string message;
	EXPECT_FALSE(load("technique T { pass P { VertexShader = none.vsh; } }", &message));
	EXPECT_EQ(0u, message.find("Error in effect: fx/e.fx\n\nFailed to open ")) << message;
	EXPECT_NE(std::string::npos, message.find("fx/none.vsh")) << message;

	try
	{
		GL_Shader shader(nullptr, "x", "fx/absent.fx", 0);
		ADD_FAILURE();
	}
	catch (gr::GraphicsException const& e)
	{
		EXPECT_NE(std::string::npos, e.getMessage().format().find("fx/absent.fx")) << e.getMessage().format();
	}
}

TEST(EffectTokenizer, SeparatorsAndLines)
{
	std::vector<std::string> tokens;
	std::vector<int> lines;
	GL_EffectParser::tokenize("priority=3;\n\na//b {x}\r\n#define\tY\0hidden", tokens, lines);
	std::vector<std::string> const want = {"priority", "=", "3", ";", "a//b", "{", "x", "}", "#", "define", "Y"};
	std::vector<int> const wantLines = {1, 1, 1, 1, 3, 3, 3, 3, 4, 4, 4};
	EXPECT_EQ(want, tokens);
	EXPECT_EQ(wantLines, lines);
}

TEST(EffectIncludes, ExpandInPlaceKeepingTheLineEnd)
{
	TempBundle bundle;
	bundle.write("d/inc.h", "INC\n");
	bundle.write("d/main.txt", "a #include \"inc.h\" trailing\r\nb");
	std::vector<char> text;
	GL_EffectParser::loadAndPreProcess("d/main.txt", {"#define X", "#pragma Y"}, text);
	EXPECT_EQ(std::string("#define X\n#pragma Y\na INC\n\r\nb"), std::string(text.data()));
	EXPECT_EQ(0, text.back());
}
