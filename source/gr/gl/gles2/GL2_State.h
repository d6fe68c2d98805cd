#pragma once

#include <gr/gl/gles2/GL2_Shared.h>
#include <string>

namespace gr
{
namespace gles2
{

/**
 * OpenGL ES 2.0 render-state record and process-wide GL state shadow.
 *
 * As a value, a record holds the render state of one effect pass (culling,
 * depth, blending, program), filled from effect-file lines by parse() and
 * applied by begin(); its matrices are copied with it, never applied here.
 * The static record sm_current mirrors what the GL holds: every state
 * change of this back end goes through the static setters, which skip the
 * GL call when the shadow already holds the requested value.
 *
 * The shadow resets itself (reset()) each time the platform layer makes a
 * different GL context current. GL errors after every call are fatal.
 * Main thread only.
 */
class GL_State : public gl::GL_StateSetters<GL_State>
{
public:
	unsigned int m_blendEquation;
	unsigned int m_program;

	/**
	 * Vertex attribute arrays the GL has enabled, bit i for index i;
	 * VERTEX_ATTRIB_ARRAYS_UNKNOWN when the shadow cannot tell (a new
	 * record: after a reset the GL may hold arrays enabled by earlier work).
	 */
	unsigned int m_vertexAttribArrays;

	/** The value of m_vertexAttribArrays that means "not known". */
	static constexpr unsigned int VERTEX_ATTRIB_ARRAYS_UNKNOWN = ~0u;

	/** The shadow of the current GL state. */
	static GL_State sm_current;

	/**
	 * Defaults: culling on (back faces), depth test and writes on with LESS,
	 * blending off with ONE / ZERO and FUNC_ADD, program 0, every capability
	 * off, identity matrices, viewport and scissor (-10000, -10000, 10000,
	 * 10000), texture unit 0 active with nothing bound, front face CCW,
	 * no buffers bound, clear colour 0, line width 1, vertex attribute
	 * arrays unknown.
	 */
	GL_State();

	/**
	 * Applies this record: culling, cull face, depth test, depth writes,
	 * depth function, blending, blend factors, program and blend equation,
	 * in that order, through the shadow. With force the scalar states (not
	 * the capabilities) are sent to the GL even when the shadow agrees.
	 */
	void begin(bool force);

	/**
	 * Sets one field from an effect-file line. Keys (case matters):
	 * "EnableCulling", "CullFace", "EnableDepthTest", "EnableDepthMask",
	 * "DepthFunc", "EnableBlending", "BlendEquation", "BlendFuncSrc",
	 * "BlendFuncDst".
	 * @exception GraphicsException "Unsupported key ..." or "Unsupported value ...".
	 */
	void parse(std::string const& key, std::string const& value);

	/** The shadow becomes a default record. No GL call. */
	static void reset();

	static void blendEquation(unsigned int mode);
	static void useProgram(unsigned int program);

	/**
	 * Leaves exactly the vertex attribute arrays of mask (bit i for index
	 * i, indices below 32) enabled: enables those the shadow has off and
	 * disables those it has on, or, while it does not know, disables every
	 * other index the GL has (GL_MAX_VERTEX_ATTRIBS). Arrays that stay on
	 * between draws spare the GL a re-validation of its vertex input.
	 */
	static void vertexAttribArrays(unsigned int mask);

	/** glScissor with the sizes as given (they must not be negative). */
	static void scissor(int x, int y, int width, int height);
};

/**
 * "TRUE" gives true, "FALSE" false.
 * @exception GraphicsException "Unsupported value ..." for anything else.
 */
bool parseBoolean(std::string const& value);

/**
 * The value at the position of the first exact match of value in names
 * (a list ended by a null entry).
 * @exception GraphicsException "Unsupported value ..." when none matches.
 */
unsigned int parseValue(std::string const& value, char const** names, unsigned int const* values);

} // gles2
} // gr
