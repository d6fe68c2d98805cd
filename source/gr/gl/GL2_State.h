#pragma once

#include <gr/Rect.h>
#include <math/float4x4.h>
#include <map>
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
 * applied by begin(). The static record sm_current mirrors what the GL holds:
 * every state change of this back end goes through the static setters, which
 * skip the GL call when the shadow already holds the requested value.
 *
 * The shadow resets itself (reset()) each time the platform layer makes a
 * different GL context current. GL errors after every call are fatal.
 * Main thread only.
 */
class GL_State
{
public:
	/** The matrices a record carries (copied with it, never applied here). */
	enum MatrixIndex
	{
		MATRIX_MODELVIEW = 0,
		MATRIX_PROJECTION = 1,
		MATRIX_TEXTURE0 = 2,
		MATRIX_COUNT = 10,
	};

	/** Number of texture units tracked. */
	enum { TEXTURE_UNITS = 8 };

	bool m_cullingEnabled;
	unsigned int m_cullFace;
	bool m_depthTestEnabled;
	bool m_depthMaskEnabled;
	unsigned int m_depthFunc;
	bool m_blendingEnabled;
	unsigned int m_blendEquation;
	unsigned int m_blendFuncSrc;
	unsigned int m_blendFuncDst;
	unsigned int m_program;

	/** Enabled state per capability; texture units have keys GL_TEXTURE_2D + unit. */
	std::map<unsigned int, bool> m_caps;

	math::float4x4 m_matrices[MATRIX_COUNT];

	/** Viewport as (x, y, x + width, y + height). */
	Rect m_viewport;

	/** Scissor box as (x, y, x + width, y + height). */
	Rect m_scissor;

	unsigned int m_clientActiveTexture;
	unsigned int m_activeTexture;
	unsigned int m_bindedTexture[TEXTURE_UNITS];
	unsigned int m_frontFace;
	bool m_vertexArrayEnabled;
	bool m_normalArrayEnabled;
	bool m_colorArrayEnabled;
	bool m_texCoordArrayEnabled[TEXTURE_UNITS];
	unsigned int m_arrayBuffer;
	unsigned int m_elementArrayBuffer;
	float m_clearColor[4];
	float m_lineWidth;

	/** Identity matrix, the start value of every matrix of a record. */
	static const math::float4x4 IDENTITY;

	/** The shadow of the current GL state. */
	static GL_State sm_current;

	/**
	 * Defaults: culling on (back faces), depth test and writes on with LESS,
	 * blending off with ONE / ZERO and FUNC_ADD, program 0, every capability
	 * off, identity matrices, viewport and scissor (-10000, -10000, 10000,
	 * 10000), texture unit 0 active with nothing bound, front face CCW,
	 * no buffers bound, clear colour 0, line width 1.
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

	/** glEnable(cap) unless the shadow has it enabled. GL_TEXTURE_2D is tracked per active unit. */
	static void enable(unsigned int cap);

	/** glDisable(cap) unless the shadow has it disabled. */
	static void disable(unsigned int cap);

	static void cullFace(unsigned int mode);
	static void depthMask(bool flag);
	static void depthFunc(unsigned int func);

	/** glBlendFunc when either factor differs from the shadow. */
	static void blendFunc(unsigned int src, unsigned int dst);

	static void blendEquation(unsigned int mode);
	static void useProgram(unsigned int program);
	static void frontFace(unsigned int mode);
	static void viewport(int x, int y, int width, int height);
	static void scissor(int x, int y, int width, int height);
	static void clearColor(float r, float g, float b, float a);

	/** Selects GL_TEXTURE0 + unit; unit must be below TEXTURE_UNITS. */
	static void activeTexture(unsigned int texture);

	/** Binds name to the active unit unless it is bound there already. */
	static void bindTexture(unsigned int target, unsigned int name);

	/** Binds buffer to GL_ARRAY_BUFFER or GL_ELEMENT_ARRAY_BUFFER unless bound already. */
	static void bindBuffer(unsigned int target, unsigned int buffer);
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
