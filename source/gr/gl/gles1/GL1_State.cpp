#include <gr/gl/gles1/GL1_State.h>
#include <gr/gl/GL_Check.h>
#include <gr/gl/GLPlatform.h>
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
const int CAP_COUNT = int(sizeof(CAP_KEYS) / sizeof(CAP_KEYS[0]));
static_assert(CAP_COUNT == 42, "the shadow tracks 42 capabilities");

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
	GL_StateSetters(CAP_KEYS, CAP_COUNT, true),
	m_glMatrixMode(GL_MODELVIEW),
	m_matrixMode(GL_MODELVIEW),
	m_pointSizeArrayEnabled(false)
{
	m_caps[GL_MULTISAMPLE] = true;
}

void GL_State::begin(bool force)
{
	beginCommon(sm_current, force);
}

void GL_State::reset()
{
	sm_current = GL_State();
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

void GL_State::lineWidth(float width)
{
	if (sm_current.m_lineWidth == width)
		return;
	sm_current.m_lineWidth = width;
	glLineWidth(width);
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
	assert(texture - GL_TEXTURE0 < unsigned(TEXTURE_UNITS) && "texture - GL_TEXTURE0 < TEXTURE_UNITS");
	if (sm_current.m_clientActiveTexture == texture)
		return;
	sm_current.m_clientActiveTexture = texture;
	glClientActiveTexture(texture);
	GL_CHECK();
}

} // gles1
} // gr
