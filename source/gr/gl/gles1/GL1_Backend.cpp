#include <gr/gl/gles1/GL1_ClientArrayStreams.h>
#include <gr/gl/gles1/GL1_Context.h>
#include <gr/gl/gles1/GL1_State.h>
#include <gr/Shader.h>
#include <math/float4x4.h>
#include <GLES/gl.h>
#include <GLES/glext.h>

namespace gr
{
namespace gles1
{

namespace
{

// The built-in 2D templates, by slot.
char const* const BUILTIN_TEMPLATE_NAMES[] = {"sprite-plain", "sprite-alphaplain", "sprite", "sprite-alpha",
	nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr};

GL_ClientArrayStreams s_clientArrayStreams;

GL_Backend const GLES1_BACKEND = {
	&GL_State::sm_current,
	&GL_State::scissor,
	[] { GL_State().begin(true); },
	&s_clientArrayStreams,
	&glGenFramebuffersOES,
	&glBindFramebufferOES,
	&glDeleteFramebuffersOES,
	&glFramebufferTexture2DOES,
	&glCheckFramebufferStatusOES,
	&glGenRenderbuffersOES,
	&glBindRenderbufferOES,
	&glDeleteRenderbuffersOES,
	&glRenderbufferStorageOES,
	&glFramebufferRenderbufferOES,
	GL_MAX_TEXTURE_UNITS,
	0,
	1.f,
	true,
	BUILTIN_TEMPLATE_NAMES,
	false,
	&GL_Context::colorToFloats,
	// The fixed-function pipeline takes the 2D transform as the world
	// matrix; the view is the identity.
	[](Shader& shader, math::float4x4 const&, math::float4x4 const&) { shader.setMatrix(Shader::PARAM_VIEWTM, math::float4x4(1.f)); },
	[](bool) {},
};

} // namespace

GL_Backend const& GL_backend()
{
	return GLES1_BACKEND;
}

} // gles1
} // gr
