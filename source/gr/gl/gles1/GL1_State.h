#pragma once

#include <gr/gl/gles1/GL1_Shared.h>

namespace gr
{
namespace gles1
{

/**
 * OpenGL ES 1.1 state record and process-wide GL state shadow of the
 * fixed-function back end.
 *
 * As a value, a record holds culling, depth and blending settings that
 * begin() applies, plus a whole copy of the rest of the shadowed state (the
 * context keeps named snapshots this way): all 42 capability keys and the
 * matrices as given to loadMatrixf (by rows). The static record sm_current
 * mirrors what the GL holds: every state change of this back end goes
 * through the static setters, which skip the GL call when the shadow
 * already holds the requested value.
 *
 * The shadow starts as a default record, which is not what a new GL context
 * holds; the context therefore applies a default record once at
 * construction. It resets itself (reset()) each time the platform layer
 * makes a different GL context current. A GL error after any call is fatal.
 * Main thread only.
 */
class GL_State : public gl::GL_StateSetters<GL_State>
{
public:
	/** The matrix mode the GL has. */
	unsigned int m_glMatrixMode;

	/** The matrix mode the next loadMatrixf loads into. */
	unsigned int m_matrixMode;

	bool m_pointSizeArrayEnabled;

	/** The shadow of the current GL state. */
	static GL_State sm_current;

	/**
	 * Defaults: culling on (back faces), depth test and writes on with LESS,
	 * blending off with ONE / ZERO; every capability off except
	 * GL_MULTISAMPLE; identity matrices; viewport and scissor (-10000,
	 * -10000, 10000, 10000); texture unit 0 active (also for client arrays)
	 * with nothing bound; front face CCW; no client array enabled; model-view
	 * matrix mode; no buffers bound; clear colour 0; line width 1.
	 */
	GL_State();

	/**
	 * Applies this record through the shadow: culling, cull face, depth
	 * test, depth writes, depth function, blending, blend factors, in that
	 * order. With force, cull face, depth writes, depth function and blend
	 * factors are sent to the GL even when the shadow agrees; capabilities
	 * are never forced.
	 */
	void begin(bool force);

	/** The shadow becomes a default record. No GL call. */
	static void reset();

	/** glScissor with negative sizes sent as 0. */
	static void scissor(int x, int y, int width, int height);

	static void lineWidth(float width);

	/**
	 * Records mode (GL_MODELVIEW, GL_PROJECTION or GL_TEXTURE) as the mode
	 * of the next loadMatrixf. No GL call.
	 */
	static void matrixMode(unsigned int mode);

	/** glMatrixMode with the recorded mode when the GL has another one. */
	static void setMatrixMode();

	/**
	 * Loads 16 floats stored by rows (element (r, c) at 4 r + c) into the
	 * recorded matrix mode (for GL_TEXTURE, the active unit's matrix).
	 * Nothing happens when they equal the cached matrix of that mode;
	 * otherwise the cache takes them, the mode is applied and the GL gets
	 * the transpose (it takes matrices by columns).
	 */
	static void loadMatrixf(float const* m);

	/** loadMatrixf with the 16 elements of m. */
	static void loadMatrixf(math::float4x4 const& m) { loadMatrixf(m.data()); }

	/**
	 * Client arrays: GL_VERTEX_ARRAY, GL_NORMAL_ARRAY, GL_COLOR_ARRAY,
	 * GL_POINT_SIZE_ARRAY_OES and GL_TEXTURE_COORD_ARRAY (per client-active
	 * unit). glEnableClientState only when the flag changes; other caps are
	 * ignored.
	 */
	static void enableClientState(unsigned int cap);

	/** As enableClientState, with glDisableClientState. */
	static void disableClientState(unsigned int cap);

	/** Selects the client-active unit GL_TEXTURE0 + n; n must be below TEXTURE_UNITS. */
	static void clientActiveTexture(unsigned int texture);
};

} // gles1
} // gr
