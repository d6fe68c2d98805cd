#include "GL_StateBase.h"
#include "GL_Check.h"
#include <GLES2/gl2.h>
#include <cassert>

namespace gr
{
namespace gl
{

namespace
{

const unsigned int TEXTURE_2D = 0x0DE1;

// Key of the entry of shadow that cap changes.
unsigned int capKey(GL_StateBase const& shadow, unsigned int cap)
{
	unsigned int key = cap;
	if (cap == TEXTURE_2D)
		key = TEXTURE_2D + (shadow.m_activeTexture - GL_TEXTURE0);
	assert(shadow.m_caps.count(key) && "sm_current.m_caps.count( capModified )");
	return key;
}

// Whether a change of the capability under key goes to the GL (see
// m_texturingReachesGL).
bool reachesGL(GL_StateBase const& shadow, unsigned int key)
{
	return shadow.m_texturingReachesGL || !(key >= TEXTURE_2D && key < TEXTURE_2D + GL_StateBase::TEXTURE_UNITS);
}

} // namespace

const math::float4x4 GL_StateBase::IDENTITY(1.f);

GL_StateBase::GL_StateBase(unsigned int const* caps, int capCount, bool texturingReachesGL) :
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
	m_arrayBuffer(0),
	m_elementArrayBuffer(0),
	m_lineWidth(1.f),
	m_texturingReachesGL(texturingReachesGL)
{
	for (int i = 0; i < capCount; ++i)
		m_caps[caps[i]] = false;
	// Not IDENTITY: the shadow itself is built during static initialisation,
	// possibly before IDENTITY.
	for (math::float4x4& m : m_matrices)
		m = math::float4x4(1.f);
	for (int i = 0; i < TEXTURE_UNITS; ++i)
	{
		m_bindedTexture[i] = 0;
		m_texCoordArrayEnabled[i] = false;
	}
	for (float& c : m_clearColor)
		c = 0.f;
}

void GL_StateBase::beginCommon(GL_StateBase& shadow, bool force) const
{
	GL_StateBase& cur = shadow;

	if (m_cullingEnabled)
		cur.enable(GL_CULL_FACE);
	else
		cur.disable(GL_CULL_FACE);

	if (force || cur.m_cullFace != m_cullFace)
	{
		cur.m_cullFace = m_cullFace;
		glCullFace(m_cullFace);
		GL_CHECK();
	}

	if (m_depthTestEnabled)
		cur.enable(GL_DEPTH_TEST);
	else
		cur.disable(GL_DEPTH_TEST);

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
		cur.enable(GL_BLEND);
	else
		cur.disable(GL_BLEND);

	if (force || cur.m_blendFuncSrc != m_blendFuncSrc || cur.m_blendFuncDst != m_blendFuncDst)
	{
		cur.m_blendFuncSrc = m_blendFuncSrc;
		cur.m_blendFuncDst = m_blendFuncDst;
		glBlendFunc(m_blendFuncSrc, m_blendFuncDst);
		GL_CHECK();
	}
}

void GL_StateBase::enable(unsigned int cap)
{
	unsigned int const key = capKey(*this, cap);
	bool& on = m_caps[key];
	if (on)
		return;
	on = true;
	if (!reachesGL(*this, key))
		return;
	glEnable(cap);
	GL_CHECK();
}

void GL_StateBase::disable(unsigned int cap)
{
	unsigned int const key = capKey(*this, cap);
	bool& on = m_caps[key];
	if (!on)
		return;
	on = false;
	if (!reachesGL(*this, key))
		return;
	glDisable(cap);
	GL_CHECK();
}

void GL_StateBase::cullFace(unsigned int mode)
{
	GL_StateBase& cur = *this;
	if (cur.m_cullFace == mode)
		return;
	cur.m_cullFace = mode;
	glCullFace(mode);
	GL_CHECK();
}

void GL_StateBase::depthMask(bool flag)
{
	GL_StateBase& cur = *this;
	if (cur.m_depthMaskEnabled == flag)
		return;
	cur.m_depthMaskEnabled = flag;
	glDepthMask(flag ? GL_TRUE : GL_FALSE);
	GL_CHECK();
}

void GL_StateBase::depthFunc(unsigned int func)
{
	GL_StateBase& cur = *this;
	if (cur.m_depthFunc == func)
		return;
	cur.m_depthFunc = func;
	glDepthFunc(func);
	GL_CHECK();
}

void GL_StateBase::blendFunc(unsigned int src, unsigned int dst)
{
	GL_StateBase& cur = *this;
	if (cur.m_blendFuncSrc == src && cur.m_blendFuncDst == dst)
		return;
	cur.m_blendFuncSrc = src;
	cur.m_blendFuncDst = dst;
	glBlendFunc(src, dst);
	GL_CHECK();
}

void GL_StateBase::frontFace(unsigned int mode)
{
	GL_StateBase& cur = *this;
	if (cur.m_frontFace == mode)
		return;
	cur.m_frontFace = mode;
	glFrontFace(mode);
	GL_CHECK();
}

void GL_StateBase::viewport(int x, int y, int width, int height)
{
	Rect const r(x, y, x + width, y + height);
	GL_StateBase& cur = *this;
	if (cur.m_viewport == r)
		return;
	cur.m_viewport = r;
	glViewport(x, y, width, height);
	GL_CHECK();
}

void GL_StateBase::clearColor(float r, float g, float b, float a)
{
	float* c = m_clearColor;
	if (c[0] == r && c[1] == g && c[2] == b && c[3] == a)
		return;
	c[0] = r;
	c[1] = g;
	c[2] = b;
	c[3] = a;
	glClearColor(r, g, b, a);
	GL_CHECK();
}

void GL_StateBase::activeTexture(unsigned int texture)
{
	assert(texture - GL_TEXTURE0 < unsigned(TEXTURE_UNITS) &&
		"texture - GL_TEXTURE0 < sizeof(sm_current.m_bindedTexture) / sizeof(sm_current.m_bindedTexture[0])");
	GL_StateBase& cur = *this;
	if (texture - GL_TEXTURE0 >= unsigned(TEXTURE_UNITS) || cur.m_activeTexture == texture)
		return;
	cur.m_activeTexture = texture;
	glActiveTexture(texture);
	GL_CHECK();
}

void GL_StateBase::bindTexture(unsigned int target, unsigned int name)
{
	GL_StateBase& cur = *this;
	unsigned int& bound = cur.m_bindedTexture[cur.m_activeTexture - GL_TEXTURE0];
	if (bound == name)
		return;
	bound = name;
	glBindTexture(target, name);
	GL_CHECK();
}

void GL_StateBase::bindBuffer(unsigned int target, unsigned int buffer)
{
	assert((target == GL_ARRAY_BUFFER || target == GL_ELEMENT_ARRAY_BUFFER) && "buffer target");
	GL_StateBase& cur = *this;
	unsigned int& bound = target == GL_ARRAY_BUFFER ? cur.m_arrayBuffer : cur.m_elementArrayBuffer;
	if (bound == buffer)
		return;
	bound = buffer;
	glBindBuffer(target, buffer);
	GL_CHECK();
}

} // gl
} // gr
