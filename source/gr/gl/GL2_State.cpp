#include "GL2_State.h"
#include "GL_Check.h"
#include <framework/linux/GLLayer.h>
#include <gr/GraphicsException.h>
#include <lang/Format.h>
#include <GLES2/gl2.h>
#include <cassert>
#include <cstring>

namespace gr
{
namespace gles2
{

namespace
{

// Capability keys of the shadow; texturing has one key per unit
// (GL_TEXTURE_2D + unit).
const unsigned int TEXTURE_2D = 0x0DE1;
const unsigned int CAP_KEYS[] = {
	GL_CULL_FACE, GL_DEPTH_TEST, GL_STENCIL_TEST, GL_DITHER, GL_BLEND, GL_SCISSOR_TEST,
	0x0DE1, 0x0DE2, 0x0DE3, 0x0DE4, 0x0DE5, 0x0DE6, 0x0DE7, 0x0DE8,
	GL_POLYGON_OFFSET_FILL, GL_SAMPLE_ALPHA_TO_COVERAGE, GL_SAMPLE_COVERAGE, 0x80AB,
};

// Render-state keyword tables: names ending with a null entry, values in parallel.
char const* CULLFACE_NAMES[] = {"FRONT", "BACK", "FRONT_AND_BACK", nullptr};
unsigned int const CULLFACE_VALUES[] = {GL_FRONT, GL_BACK, GL_FRONT_AND_BACK};

char const* DEPTHFUNC_NAMES[] = {"NEVER", "ALWAYS", "LESS", "LEQUAL", "EQUAL", "GREATER", "GEQUAL", "NOTEQUAL", nullptr};
unsigned int const DEPTHFUNC_VALUES[] = {GL_NEVER, GL_ALWAYS, GL_LESS, GL_LEQUAL, GL_EQUAL, GL_GREATER, GL_GEQUAL, GL_NOTEQUAL};

char const* BLENDEQ_NAMES[] = {"FUNC_ADD", "FUNC_SUBTRACT", "FUNC_REVERSE_SUBTRACT", nullptr};
unsigned int const BLENDEQ_VALUES[] = {GL_FUNC_ADD, GL_FUNC_SUBTRACT, GL_FUNC_REVERSE_SUBTRACT};

char const* BLENDSRC_NAMES[] = {"ZERO", "ONE", "DST_COLOR", "ONE_MINUS_DST_COLOR", "SRC_ALPHA_SATURATE",
	"SRC_ALPHA", "ONE_MINUS_SRC_ALPHA", "DST_ALPHA", "ONE_MINUS_DST_ALPHA", nullptr};
unsigned int const BLENDSRC_VALUES[] = {GL_ZERO, GL_ONE, GL_DST_COLOR, GL_ONE_MINUS_DST_COLOR, GL_SRC_ALPHA_SATURATE,
	GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_DST_ALPHA, GL_ONE_MINUS_DST_ALPHA};

char const* BLENDDST_NAMES[] = {"ZERO", "ONE", "SRC_COLOR", "ONE_MINUS_SRC_COLOR",
	"SRC_ALPHA", "ONE_MINUS_SRC_ALPHA", "DST_ALPHA", "ONE_MINUS_DST_ALPHA", nullptr};
unsigned int const BLENDDST_VALUES[] = {GL_ZERO, GL_ONE, GL_SRC_COLOR, GL_ONE_MINUS_SRC_COLOR,
	GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_DST_ALPHA, GL_ONE_MINUS_DST_ALPHA};

// Key of the shadow entry that cap changes.
unsigned int capKey(unsigned int cap)
{
	unsigned int key = cap;
	if (cap == TEXTURE_2D)
		key = TEXTURE_2D + (GL_State::sm_current.m_activeTexture - GL_TEXTURE0);
	assert(GL_State::sm_current.m_caps.count(key) && "sm_current.m_caps.count( capModified )");
	return key;
}

// Texturing is not a capability of OpenGL ES 2.0 (the fragment shader
// samples or not): glEnable(GL_TEXTURE_2D) is an error there, so the
// per-unit texturing keys are tracked in the shadow only.
bool isTexturingKey(unsigned int key)
{
	return key >= TEXTURE_2D && key < TEXTURE_2D + GL_State::TEXTURE_UNITS;
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
	m_blendEquation(GL_FUNC_ADD),
	m_blendFuncSrc(GL_ONE),
	m_blendFuncDst(GL_ZERO),
	m_program(0),
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
	m_lineWidth(1.f)
{
	for (unsigned int key : CAP_KEYS)
		m_caps[key] = false;
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

	if (force || cur.m_program != m_program)
	{
		cur.m_program = m_program;
		glUseProgram(m_program);
		GL_CHECK();
	}

	if (force || cur.m_blendEquation != m_blendEquation)
	{
		cur.m_blendEquation = m_blendEquation;
		glBlendEquation(m_blendEquation);
		GL_CHECK();
	}
}

void GL_State::parse(std::string const& key, std::string const& value)
{
	if (key == "EnableCulling")
		m_cullingEnabled = parseBoolean(value);
	else if (key == "CullFace")
		m_cullFace = parseValue(value, CULLFACE_NAMES, CULLFACE_VALUES);
	else if (key == "EnableDepthTest")
		m_depthTestEnabled = parseBoolean(value);
	else if (key == "EnableDepthMask")
		m_depthMaskEnabled = parseBoolean(value);
	else if (key == "DepthFunc")
		m_depthFunc = parseValue(value, DEPTHFUNC_NAMES, DEPTHFUNC_VALUES);
	else if (key == "EnableBlending")
		m_blendingEnabled = parseBoolean(value);
	else if (key == "BlendEquation")
		m_blendEquation = parseValue(value, BLENDEQ_NAMES, BLENDEQ_VALUES);
	else if (key == "BlendFuncSrc")
		m_blendFuncSrc = parseValue(value, BLENDSRC_NAMES, BLENDSRC_VALUES);
	else if (key == "BlendFuncDst")
		m_blendFuncDst = parseValue(value, BLENDDST_NAMES, BLENDDST_VALUES);
	else
		lang::throwError(GraphicsException(lang::Format("Unsupported key \"{0}\"", key)));
}

void GL_State::reset()
{
	sm_current = GL_State();
}

void GL_State::enable(unsigned int cap)
{
	unsigned int key = capKey(cap);
	bool& on = sm_current.m_caps[key];
	if (on)
		return;
	on = true;
	if (isTexturingKey(key))
		return;
	glEnable(cap);
	GL_CHECK();
}

void GL_State::disable(unsigned int cap)
{
	unsigned int key = capKey(cap);
	bool& on = sm_current.m_caps[key];
	if (!on)
		return;
	on = false;
	if (isTexturingKey(key))
		return;
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

void GL_State::blendEquation(unsigned int mode)
{
	if (sm_current.m_blendEquation == mode)
		return;
	sm_current.m_blendEquation = mode;
	glBlendEquation(mode);
	GL_CHECK();
}

void GL_State::useProgram(unsigned int program)
{
	if (sm_current.m_program == program)
		return;
	sm_current.m_program = program;
	glUseProgram(program);
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
	Rect r(x, y, x + width, y + height);
	if (sm_current.m_scissor == r)
		return;
	sm_current.m_scissor = r;
	glScissor(x, y, width, height);
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

void GL_State::activeTexture(unsigned int texture)
{
	assert(texture - GL_TEXTURE0 < sizeof(sm_current.m_bindedTexture) / sizeof(sm_current.m_bindedTexture[0]) &&
		"texture - GL_TEXTURE0 < sizeof(sm_current.m_bindedTexture) / sizeof(sm_current.m_bindedTexture[0])");
	if (texture - GL_TEXTURE0 >= unsigned(TEXTURE_UNITS) || sm_current.m_activeTexture == texture)
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

bool parseBoolean(std::string const& value)
{
	if (value == "TRUE")
		return true;
	if (value == "FALSE")
		return false;
	lang::throwError(GraphicsException(lang::Format("Unsupported value \"{0}\"", value)));
}

unsigned int parseValue(std::string const& value, char const** names, unsigned int const* values)
{
	for (int i = 0; names[i]; ++i)
	{
		if (value == names[i])
			return values[i];
	}
	lang::throwError(GraphicsException(lang::Format("Unsupported value \"{0}\"", value)));
}

} // gles2
} // gr
