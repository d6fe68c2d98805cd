#include <gr/gl/gles2/GL2_AttribStreams.h>
#include <gr/gl/gles2/GL2_Context.h>
#include <gr/gl/gles2/GL2_ShaderPlatform.h>
#include <gr/gl/gles2/GL2_State.h>
#include <gr/gl/GL_Check.h>
#include <gr/Shader.h>
#include <math/float4x4.h>
#include <GLES2/gl2.h>

namespace gr
{
namespace gles2
{

namespace
{

// The built-in 2D effects, by slot.
char const* const BUILTIN_EFFECT_NAMES[] = {"2d-vertexcolor", "2d-vertexcolor-alpha", "2d-sprite", "2d-sprite-alpha",
	"2d-sprite-pair", "2d-sprite-images4", "2d-sprite-images8", "2d-sprite-images16",
	"2d-sprite-alpha-pair", "2d-sprite-alpha-images4", "2d-sprite-alpha-images8", "2d-sprite-alpha-images16"};

GL_AttribStreams s_attribStreams;

// Items without colours draw in opaque white: the colour attribute then
// reads its constant value, which the GL starts at black.
void whiteWithoutColors(bool hasColors)
{
	if (hasColors || !GL_Shader_Platform::sm_currentPlatformShader)
		return;
	int const location = GL_Shader_Platform::sm_currentPlatformShader->getAttribLocation(VertexFormat::DT_DIFFUSE);
	if (location >= 0)
	{
		glVertexAttrib4f(GLuint(location), 1.f, 1.f, 1.f, 1.f);
		GL_CHECK();
	}
}

GL_Backend const GLES2_BACKEND = {
	&GL_State::sm_current,
	&GL_State::scissor,
	[] { GL_State().begin(true); },
	&s_attribStreams,
	&glGenFramebuffers,
	&glBindFramebuffer,
	&glDeleteFramebuffers,
	&glFramebufferTexture2D,
	&glCheckFramebufferStatus,
	&glGenRenderbuffers,
	&glBindRenderbuffer,
	&glDeleteRenderbuffers,
	&glRenderbufferStorage,
	&glFramebufferRenderbuffer,
	GL_MAX_COMBINED_TEXTURE_IMAGE_UNITS,
	GL_MAX_TEXTURE_IMAGE_UNITS,
	0.f,
	false,
	BUILTIN_EFFECT_NAMES,
	true,
	&GL_Context::colorToFloats,
	// The effects take the 2D transform under the projection.
	[](Shader& shader, math::float4x4 const& projection, math::float4x4 const& transform) {
		shader.setMatrix(Shader::PARAM_PROJTM, projection * transform);
	},
	&whiteWithoutColors,
};

} // namespace

GL_Backend const& GL_backend()
{
	return GLES2_BACKEND;
}

} // gles2
} // gr
