#include "GL1_State.h"
#include "GL_Check.h"
#include <framework/linux/GLLayer.h>
#include <GLES/gl.h>
#include <algorithm>
#include <cassert>
#include <cstring>

namespace gr
{
namespace gles1
{

namespace
{

const unsigned int TEXTURE_2D = 0x0DE1;

// The capabilities the shadow tracks, with 2D texturing once per texture
// unit (GL_TEXTURE_2D + unit). All start off except multisampling. They are
// what the shadow assumes, not the GL's own initial values.
const unsigned int CAP_KEYS[] = {
	GL_VERTEX_ARRAY, GL_NORMAL_ARRAY, GL_COLOR_ARRAY, GL_TEXTURE_COORD_ARRAY,
	GL_NORMALIZE, GL_RESCALE_NORMAL,
	GL_CLIP_PLANE0, GL_CLIP_PLANE1, GL_CLIP_PLANE2, GL_CLIP_PLANE3, GL_CLIP_PLANE4, GL_CLIP_PLANE5,
	GL_FOG, GL_LIGHTING, GL_COLOR_MATERIAL, GL_LIGHT0, GL_POINT_SMOOTH, GL_LINE_SMOOTH,
	GL_MULTISAMPLE, GL_SAMPLE_ALPHA_TO_ONE, GL_ALPHA_TEST, GL_COLOR_LOGIC_OP, GL_CULL_FACE,
	GL_POLYGON_OFFSET_FILL, GL_SAMPLE_ALPHA_TO_COVERAGE, GL_SAMPLE_COVERAGE, 0x80AB,
	0x0DE1, 0x0DE2, 0x0DE3, 0x0DE4, 0x0DE5, 0x0DE6, 0x0DE7, 0x0DE8,
	GL_SCISSOR_TEST, GL_STENCIL_TEST, GL_DEPTH_TEST, GL_BLEND, GL_DITHER,
	GL_POINT_SIZE_ARRAY_OES, GL_POINT_SPRITE_OES,
};
static_assert(sizeof(CAP_KEYS) / sizeof(CAP_KEYS[0]) == 42, "the shadow tracks 42 capabilities");

// Key of the shadow entry that cap changes.
unsigned int capKey(unsigned int cap)
{
	unsigned int key = cap;
	if (cap == TEXTURE_2D)
		key = TEXTURE_2D + (GL_State::sm_current.m_activeTexture - GL_TEXTURE0);
	assert(GL_State::sm_current.m_caps.count(key) && "sm_current.m_caps.count( capModified )");
	return key;
}

bool isUnit(unsigned int texture)
{
	return texture - GL_TEXTURE0 < unsigned(GL_State::TEXTURE_UNITS);
}

// The shadow flag of a client array, or null for a cap that is not tracked.
bool* clientStateFlag(unsigned int cap)
{
	GL_State& cur = GL_State::sm_current;
	switch (cap)
	{
	case GL_VERTEX_ARRAY:
		return &cur.m_vertexArrayEnabled;
	case GL_NORMAL_ARRAY:
		return &cur.m_normalArrayEnabled;
	case GL_COLOR_ARRAY:
		return &cur.m_colorArrayEnabled;
	case GL_POINT_SIZE_ARRAY_OES:
		return &cur.m_pointSizeArrayEnabled;
	case GL_TEXTURE_COORD_ARRAY:
		return &cur.m_texCoordArrayEnabled[cur.m_clientActiveTexture - GL_TEXTURE0];
	default:
		return nullptr;
	}
}

// A new GL context starts with its own defaults: forget what the old one held.
struct ResetOnContextSwitch
{
	ResetOnContextSwitch() { framework::addContextCurrentHook(&GL_State::reset); }
};

} // namespace

const math::float4x4 GL_State::IDENTITY(1.f);
GL_State GL_State::sm_current;
static ResetOnContextSwitch s_resetOnContextSwitch;

GL_State::GL_State() :
	m_cullingEnabled(true),
	m_cullFace(GL_BACK),
	m_depthTestEnabled(true),
	m_depthMaskEnabled(true),
	m_depthFunc(GL_LESS),
	m_blendingEnabled(false),
	m_blendFuncSrc(GL_ONE),
	m_blendFuncDst(GL_ZERO),
	m_viewport(-10000, -10000, 10000, 10000),
	m_scissor(-10000, -10000, 10000, 10000),
	m_clientActiveTexture(GL_TEXTURE0),
	m_activeTexture(GL_TEXTURE0),
	m_frontFace(GL_CCW),
	m_vertexArrayEnabled(false),
	m_normalArrayEnabled(false),
	m_colorArrayEnabled(false),
	m_glMatrixMode(GL_MODELVIEW),
	m_matrixMode(GL_MODELVIEW),
	m_pointSizeArrayEnabled(false),
	m_arrayBuffer(0),
	m_elementArrayBuffer(0),
	m_lineWidth(1.f)
{
	for (unsigned int key : CAP_KEYS)
		m_caps[key] = false;
	m_caps[GL_MULTISAMPLE] = true;
	for (math::float4x4& m : m_matrices)
		m = IDENTITY;
	for (int i = 0; i < TEXTURE_UNITS; ++i)
	{
		m_bindedTexture[i] = 0;
		m_texCoordArrayEnabled[i] = false;
	}
	for (float& c : m_clearColor)
		c = 0.f;
}

void GL_State::begin(bool force)
{
	GL_State& cur = sm_current;

	if (m_cullingEnabled)
		enable(GL_CULL_FACE);
	else
		disable(GL_CULL_FACE);

	if (force || cur.m_cullFace != m_cullFace)
	{
		cur.m_cullFace = m_cullFace;
		glCullFace(m_cullFace);
		GL_CHECK();
	}

	if (m_depthTestEnabled)
		enable(GL_DEPTH_TEST);
	else
		disable(GL_DEPTH_TEST);

	if (force || cur.m_depthMaskEnabled != m_depthMaskEnabled)
	{
		cur.m_depthMaskEnabled = m_depthMaskEnabled;
		glDepthMask(m_depthMaskEnabled ? GL_TRUE : GL_FALSE);
		GL_CHECK();
	}

	if (force || cur.m_depthFunc != m_depthFunc)
	{
		cur.m_depthFunc = m_depthFunc;
		glDepthFunc(m_depthFunc);
		GL_CHECK();
	}

	if (m_blendingEnabled)
		enable(GL_BLEND);
	else
		disable(GL_BLEND);

	if (force || cur.m_blendFuncSrc != m_blendFuncSrc || cur.m_blendFuncDst != m_blendFuncDst)
	{
		cur.m_blendFuncSrc = m_blendFuncSrc;
		cur.m_blendFuncDst = m_blendFuncDst;
		glBlendFunc(m_blendFuncSrc, m_blendFuncDst);
		GL_CHECK();
	}
}

void GL_State::reset()
{
	sm_current = GL_State();
}

void GL_State::enable(unsigned int cap)
{
	bool& on = sm_current.m_caps[capKey(cap)];
	if (on)
		return;
	on = true;
	glEnable(cap);
	GL_CHECK();
}

void GL_State::disable(unsigned int cap)
{
	bool& on = sm_current.m_caps[capKey(cap)];
	if (!on)
		return;
	on = false;
	glDisable(cap);
	GL_CHECK();
}

void GL_State::cullFace(unsigned int mode)
{
	if (sm_current.m_cullFace == mode)
		return;
	sm_current.m_cullFace = mode;
	glCullFace(mode);
	GL_CHECK();
}

void GL_State::depthMask(bool flag)
{
	if (sm_current.m_depthMaskEnabled == flag)
		return;
	sm_current.m_depthMaskEnabled = flag;
	glDepthMask(flag ? GL_TRUE : GL_FALSE);
	GL_CHECK();
}

void GL_State::depthFunc(unsigned int func)
{
	if (sm_current.m_depthFunc == func)
		return;
	sm_current.m_depthFunc = func;
	glDepthFunc(func);
	GL_CHECK();
}

void GL_State::blendFunc(unsigned int src, unsigned int dst)
{
	if (sm_current.m_blendFuncSrc == src && sm_current.m_blendFuncDst == dst)
		return;
	sm_current.m_blendFuncSrc = src;
	sm_current.m_blendFuncDst = dst;
	glBlendFunc(src, dst);
	GL_CHECK();
}

void GL_State::frontFace(unsigned int mode)
{
	if (sm_current.m_frontFace == mode)
		return;
	sm_current.m_frontFace = mode;
	glFrontFace(mode);
	GL_CHECK();
}

void GL_State::viewport(int x, int y, int width, int height)
{
	Rect r(x, y, x + width, y + height);
	if (sm_current.m_viewport == r)
		return;
	sm_current.m_viewport = r;
	glViewport(x, y, width, height);
	GL_CHECK();
}

void GL_State::scissor(int x, int y, int width, int height)
{
	Rect& s = sm_current.m_scissor;
	if (s.left == x && s.top == y && s.width() == width && s.height() == height)
		return;
	int const w = std::max(width, 0);
	int const h = std::max(height, 0);
	s = Rect(x, y, x + w, y + h);
	glScissor(x, y, w, h);
	GL_CHECK();
}

void GL_State::clearColor(float r, float g, float b, float a)
{
	float* c = sm_current.m_clearColor;
	if (c[0] == r && c[1] == g && c[2] == b && c[3] == a)
		return;
	c[0] = r;
	c[1] = g;
	c[2] = b;
	c[3] = a;
	glClearColor(r, g, b, a);
	GL_CHECK();
}

void GL_State::lineWidth(float width)
{
	if (sm_current.m_lineWidth == width)
		return;
	sm_current.m_lineWidth = width;
	glLineWidth(width);
	GL_CHECK();
}

void GL_State::activeTexture(unsigned int texture)
{
	assert(isUnit(texture) &&
		"texture - GL_TEXTURE0 < sizeof(sm_current.m_bindedTexture) / sizeof(sm_current.m_bindedTexture[0])");
	if (sm_current.m_activeTexture == texture)
		return;
	sm_current.m_activeTexture = texture;
	glActiveTexture(texture);
	GL_CHECK();
}

void GL_State::bindTexture(unsigned int target, unsigned int name)
{
	unsigned int& bound = sm_current.m_bindedTexture[sm_current.m_activeTexture - GL_TEXTURE0];
	if (bound == name)
		return;
	bound = name;
	glBindTexture(target, name);
	GL_CHECK();
}

void GL_State::matrixMode(unsigned int mode)
{
	assert((mode == GL_MODELVIEW || mode == GL_PROJECTION || mode == GL_TEXTURE) && "matrix mode");
	sm_current.m_matrixMode = mode;
}

void GL_State::setMatrixMode()
{
	if (sm_current.m_glMatrixMode == sm_current.m_matrixMode)
		return;
	sm_current.m_glMatrixMode = sm_current.m_matrixMode;
	glMatrixMode(sm_current.m_matrixMode);
	GL_CHECK();
}

void GL_State::loadMatrixf(float const* m)
{
	GL_State& cur = sm_current;
	int index = MATRIX_MODELVIEW;
	if (cur.m_matrixMode == GL_PROJECTION)
		index = MATRIX_PROJECTION;
	else if (cur.m_matrixMode == GL_TEXTURE)
		index = MATRIX_TEXTURE0 + int(cur.m_activeTexture - GL_TEXTURE0);

	float* cached = cur.m_matrices[index].data();
	if (std::memcmp(cached, m, sizeof(float) * 16) == 0)
		return;
	std::memcpy(cached, m, sizeof(float) * 16);
	setMatrixMode();

	float columns[16];
	for (int r = 0; r < 4; ++r)
	{
		for (int c = 0; c < 4; ++c)
			columns[4 * c + r] = m[4 * r + c];
	}
	glLoadMatrixf(columns);
	GL_CHECK();
}

void GL_State::enableClientState(unsigned int cap)
{
	bool* flag = clientStateFlag(cap);
	if (!flag || *flag)
		return;
	*flag = true;
	glEnableClientState(cap);
	GL_CHECK();
}

void GL_State::disableClientState(unsigned int cap)
{
	bool* flag = clientStateFlag(cap);
	if (!flag || !*flag)
		return;
	*flag = false;
	glDisableClientState(cap);
	GL_CHECK();
}

void GL_State::clientActiveTexture(unsigned int texture)
{
	assert(isUnit(texture) && "texture - GL_TEXTURE0 < TEXTURE_UNITS");
	if (sm_current.m_clientActiveTexture == texture)
		return;
	sm_current.m_clientActiveTexture = texture;
	glClientActiveTexture(texture);
	GL_CHECK();
}

void GL_State::bindBuffer(unsigned int target, unsigned int buffer)
{
	assert((target == GL_ARRAY_BUFFER || target == GL_ELEMENT_ARRAY_BUFFER) && "buffer target");
	unsigned int& bound = target == GL_ARRAY_BUFFER ? sm_current.m_arrayBuffer : sm_current.m_elementArrayBuffer;
	if (bound == buffer)
		return;
	bound = buffer;
	glBindBuffer(target, buffer);
	GL_CHECK();
}

} // gles1
} // gr
