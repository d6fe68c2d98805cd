#include <gr/gl/gles1/GL1_Context.h>
#include <gr/gl/gles1/GL1_Shader.h>
#include <GLES/gl.h>

namespace gr
{
namespace gles1
{

namespace
{

struct Template
{
	char const* name;
	int flags;
	unsigned int blendSrc;
	unsigned int blendDst;
};

// Blend pair GL_ONE / GL_ZERO means blending off. "sprite-alpha" blends
// premultiplied colour.
Template const TEMPLATES[] = {
	{"unlit-plain", 0x1000, GL_ONE, GL_ZERO},
	{"unlit-tex", 0x4000, GL_ONE, GL_ZERO},
	{"unlit-tex-alpha", 0xC000, GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA},
	{"diff-plain", 0x3000, GL_ONE, GL_ZERO},
	{"diff-tex", 0x6000, GL_ONE, GL_ZERO},
	{"diff-tex-alpha", 0xB000, GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA},
	{"sprite", 0x1C000, GL_ONE, GL_ZERO},
	{"sprite-alpha", 0x1C000, GL_ONE, GL_ONE_MINUS_SRC_ALPHA},
	{"sprite-straightalpha", 0x1C000, GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA},
	{"sprite-plain", 0x19000, GL_ONE, GL_ZERO},
	{"sprite-alphaplain", 0x19000, GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA},
	{"sprite-alpha-reversed", 0x1C000, GL_ONE_MINUS_SRC_ALPHA, GL_SRC_ALPHA},
	{"lines-debug", 0x9000, GL_ONE, GL_ZERO},
};

} // namespace

void createShadersTemplates(GL_Context* context)
{
	for (Template const& t : TEMPLATES)
	{
		lang::Ptr<GL_Shader_Default> shader = new GL_Shader_Default(context, t.name, t.flags);
		shader->setBlend(t.blendSrc, t.blendDst);
		context->addShaderTemplate(shader);
	}
}

} // gles1
} // gr
