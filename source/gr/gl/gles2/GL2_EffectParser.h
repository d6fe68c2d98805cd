#pragma once

#include <string>
#include <vector>

namespace gr
{
namespace gles2
{

class GL_ShaderHost;
class GL_Shader;

/**
 * Reader of effect files (".fx"): material properties, techniques, passes
 * with their render state and GLSL sources, "#include" lines and
 * preprocessor-style directives.
 *
 * Grammar (tokens; directives may stand between any two statements):
 *   file:      { property | technique }
 *   technique: "technique" NAME "{" { pass } "}"
 *   pass:      "pass" NAME "{" { property } "}"   (one "VertexShader" and one "PixelShader")
 *   property:  KEY "=" VALUE ";"
 *   directive: "#" ("define" | "pragma" | "version") NAME
 *            | "#" "ifdef" NAME ... ["#" "else" ...] "#" "endif"
 * Define, pragma and version lines are put in front of every GLSL source
 * loaded later in their scope (file, technique or pass). An ifdef holds when
 * a kept define or pragma carries the name.
 *
 * All operations are static; failures throw GraphicsException (or the
 * stream's IOException) with the line of the offending construct.
 */
class GL_EffectParser
{
public:
	/**
	 * Loads the effect file path into shader and sets its name and path.
	 * @exception GraphicsException "Error in effect: <path>\n\n<reason>"; the
	 *            shader is reset (disabled, no techniques) first.
	 */
	static void readEffect(GL_ShaderHost* context, std::string const& name, std::string const& path, GL_Shader* shader);

	/** Loads path, puts lines (one per line) in front and expands its includes. */
	static void loadAndPreProcess(std::string const& path, std::vector<std::string> const& lines, std::vector<char>& text);

	/** Reads the bundle file path whole into text and appends one NUL. */
	static void loadFileContent(std::string const& path, std::vector<char>& text);

	/**
	 * Replaces every "#include "NAME"" of text by the named file (relative
	 * to the folder of path). Each file may be included once. A malformed
	 * directive is reported with the file it stands in.
	 */
	static void parseIncludes(std::vector<char>& text, std::string const& path);

	/**
	 * Finds the first "#include" of the NUL-terminated text.
	 * @param name On entry the file the directive stands in (named in the
	 *        error); receives the quoted file name.
	 * @param begin Receives the start of the directive.
	 * @param end Receives the end of its line (before the line terminator).
	 * @return False when there is none.
	 * @exception GraphicsException "File <name>: Malformed #include!".
	 */
	static bool findIncludeFilename(char const* text, std::string& name, char const*& begin, char const*& end);

	/** Cuts the NUL-terminated text into tokens with their 1-based line numbers. */
	static void tokenize(char const* text, std::vector<std::string>& tokens, std::vector<int>& lines);

	/** Runs the grammar over the tokens into shader. */
	static void parse(GL_ShaderHost* context, std::string const& path, std::vector<std::string>& tokens, std::vector<int>& lines, GL_Shader* shader);
};

} // gles2
} // gr
