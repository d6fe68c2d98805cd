#include "Views.h"
#include <gr/gl/GLPlatform.h>
#include <framework/linux/HeadlessGL.h>
#include <gr/gl/GL1_Context.h>

namespace demo
{

void renderWithGles1(std::string const& path)
{
	framework::HeadlessGL view(framework::HeadlessGL::API_GLES1, WIDTH, HEIGHT);
	lang::Ptr<gr::Context> ctx = gr::gles1::GL_createContext(WIDTH, HEIGHT, gr::Context::ORIENTATION_0, &updateScrFunc);
	drawScene(*ctx);
	ctx->flush();
	ctx->capture(path);
	ctx->present();
}

} // demo
