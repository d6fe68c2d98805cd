#include <gr/gl/gles2/GL2_State.h>
#include <gr/gl/GL_Check.h>
#include <gr/gl/GLPlatform.h>
#include <gr/GraphicsException.h>
#include <lang/Format.h>
#include <GLES2/gl2.h>
#include <cassert>

namespace gr
{
namespace gles2
{

namespace
{

// Capability keys of the shadow; texturing has one key per unit
// (GL_TEXTURE_2D + unit).
const unsigned int CAP_KEYS[] = {
	GL_CULL_FACE, GL_DEPTH_TEST, GL_STENCIL_TEST, GL_DITHER, GL_BLEND, GL_SCISSOR_TEST,
	0x0DE1, 0x0DE2, 0x0DE3, 0x0DE4, 0x0DE5, 0x0DE6, 0x0DE7, 0x0DE8,
	GL_POLYGON_OFFSET_FILL, GL_SAMPLE_ALPHA_TO_COVERAGE, GL_SAMPLE_COVERAGE, 0x80AB,
};
const int CAP_COUNT = int(sizeof(CAP_KEYS) / sizeof(CAP_KEYS[0]));

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

// A new GL context starts with its own defaults: the shadow forgets what
// the old one held.
struct ResetOnContextSwitch
{
	ResetOnContextSwitch() { gr::addContextCurrentHook(&GL_State::reset); }
};

ResetOnContextSwitch s_resetOnContextSwitch;

} // namespace

GL_State GL_State::sm_current;

GL_State::GL_State() :
	GL_StateSetters(CAP_KEYS, CAP_COUNT, false),
	m_blendEquation(GL_FUNC_ADD),
	m_program(0),
	m_vertexAttribArrays(VERTEX_ATTRIB_ARRAYS_UNKNOWN)
{
}

void GL_State::begin(bool force)
{
	beginCommon(sm_current, force);
	GL_State& cur = sm_current;

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

void GL_State::vertexAttribArrays(unsigned int mask)
{
	assert(mask != VERTEX_ATTRIB_ARRAYS_UNKNOWN && "vertex attribute mask");
	unsigned int& cur = sm_current.m_vertexAttribArrays;
	if (cur == mask)
		return;
	unsigned int on = mask & ~cur;
	unsigned int off = cur & ~mask;
	if (cur == VERTEX_ATTRIB_ARRAYS_UNKNOWN)
	{
		GLint count = 0;
		glGetIntegerv(GL_MAX_VERTEX_ATTRIBS, &count);
		GL_CHECK();
		unsigned int const all = count >= 32 ? ~0u : (1u << count) - 1u;
		on = mask;
		off = all & ~mask;
	}
	cur = mask;
	for (GLuint i = 0; off != 0; ++i, off >>= 1)
	{
		if (off & 1u)
		{
			glDisableVertexAttribArray(i);
			GL_CHECK();
		}
	}
	for (GLuint i = 0; on != 0; ++i, on >>= 1)
	{
		if (on & 1u)
		{
			glEnableVertexAttribArray(i);
			GL_CHECK();
		}
	}
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

void GL_State::scissor(int x, int y, int width, int height)
{
	Rect r(x, y, x + width, y + height);
	if (sm_current.m_scissor == r)
		return;
	sm_current.m_scissor = r;
	glScissor(x, y, width, height);
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
