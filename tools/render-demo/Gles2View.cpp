#include "Views.h"
#include <gr/gl/GLPlatform.h>
#include <framework/linux/HeadlessGL.h>
#include <gr/gl/GL2_Context.h>

namespace demo
{

void renderWithGles2(std::string const& path)
{
	framework::HeadlessGL view(framework::HeadlessGL::API_GLES2, WIDTH, HEIGHT);
	lang::Ptr<gr::Context> ctx = gr::gles2::GL_createContext(WIDTH, HEIGHT, gr::Context::ORIENTATION_0, &updateScrFunc);
	ctx->setShaderPath("shaders");
	drawScene(*ctx);
	ctx->flush();
	ctx->capture(path);
	ctx->present();
}

} // demo
