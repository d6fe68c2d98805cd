#pragma once

#include <gr/Rect.h>
#include <math/float4x4.h>
#include <map>

namespace gr
{
namespace gl
{

/**
 * What the state records of both back ends have in common: the render
 * state that GL_State::begin() applies (culling, depth, blending), the
 * capabilities, viewport, scissor box, texture and buffer bindings, and
 * the setters of that state.
 *
 * The setters work on the record they are called on, which is the shadow
 * of what the GL holds: each one skips the GL call when the shadow already
 * holds the requested value, and treats a GL error after its call as
 * fatal. Each back end's GL_State offers them as static functions on its
 * process-wide shadow GL_State::sm_current (GL_State::cullFace(...)).
 * Main thread only.
 */
class GL_StateBase
{
public:
	/** Number of texture units tracked. */
	enum { TEXTURE_UNITS = 16 };

	/** Slots of the matrices a record carries. */
	enum MatrixIndex
	{
		MATRIX_MODELVIEW = 0,
		MATRIX_PROJECTION = 1,
		MATRIX_TEXTURE0 = 2,
		MATRIX_COUNT = MATRIX_TEXTURE0 + TEXTURE_UNITS,
	};

	/** Applied by begin(); in sm_current the enabled state lives in m_caps. */
	bool m_cullingEnabled;
	unsigned int m_cullFace;
	/** Applied by begin(); in sm_current the enabled state lives in m_caps. */
	bool m_depthTestEnabled;
	bool m_depthMaskEnabled;
	unsigned int m_depthFunc;
	/** Applied by begin(); in sm_current the enabled state lives in m_caps. */
	bool m_blendingEnabled;
	unsigned int m_blendFuncSrc;
	unsigned int m_blendFuncDst;

	/**
	 * Enabled state per capability (the back end's keys, all present). 2D
	 * texturing has one key per texture unit: GL_TEXTURE_2D + unit.
	 */
	std::map<unsigned int, bool> m_caps;

	/** Matrices by rows: model-view, projection, a texture matrix per unit tracked. */
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

	/**
	 * Whether the per-unit texturing keys (GL_TEXTURE_2D + unit) reach the
	 * GL: true for the fixed-function back end; false where texturing is not
	 * a capability (OpenGL ES 2.0: the fragment shader samples or not, and
	 * glEnable(GL_TEXTURE_2D) is an error), so that they live in the shadow
	 * only.
	 */
	bool m_texturingReachesGL;

	/** Identity matrix, the start value of every matrix of a record. */
	static const math::float4x4 IDENTITY;

	/**
	 * glEnable(cap) unless this shadow has it enabled. GL_TEXTURE_2D is
	 * tracked per active texture unit. cap must be one of the shadow's keys.
	 */
	void enable(unsigned int cap);

	/** glDisable(cap) unless this shadow has it disabled. */
	void disable(unsigned int cap);

	void cullFace(unsigned int mode);
	void depthMask(bool flag);
	void depthFunc(unsigned int func);

	/** glBlendFunc when either factor differs from this shadow. */
	void blendFunc(unsigned int src, unsigned int dst);

	void frontFace(unsigned int mode);
	void viewport(int x, int y, int width, int height);
	void clearColor(float r, float g, float b, float a);

	/** Selects texture unit GL_TEXTURE0 + n; n must be below TEXTURE_UNITS. */
	void activeTexture(unsigned int texture);

	/** Binds name on the active unit unless it is bound there already. */
	void bindTexture(unsigned int target, unsigned int name);

	/** Binds buffer to GL_ARRAY_BUFFER or GL_ELEMENT_ARRAY_BUFFER unless bound already. */
	void bindBuffer(unsigned int target, unsigned int buffer);

protected:
	/**
	 * Culling on (back faces), depth test and writes on with LESS, blending
	 * off with ONE / ZERO; every key of caps off; identity matrices;
	 * viewport and scissor (-10000, -10000, 10000, 10000); texture unit 0
	 * active (also for client arrays) with nothing bound; front face CCW;
	 * no client array enabled; no buffers bound; clear colour 0; line
	 * width 1. texturingReachesGL: see m_texturingReachesGL.
	 */
	GL_StateBase(unsigned int const* caps, int capCount, bool texturingReachesGL);

	/**
	 * Applies culling, cull face, depth test, depth writes, depth function,
	 * blending and blend factors of this record, in that order, through
	 * shadow. With force the scalar states are sent to the GL even when the
	 * shadow agrees; capabilities are never forced.
	 */
	void beginCommon(GL_StateBase& shadow, bool force) const;
};

} // gl
} // gr
